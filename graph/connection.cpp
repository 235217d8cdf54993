#include "graph/connection.h"

#include "graph/node.h"

#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QtMath>

Connection::Connection(Node* start, Node* end) : m_start(start), m_end(end)
{
    setFlag(QGraphicsItem::ItemIsSelectable, true);
    setAcceptHoverEvents(true);
    // Below both items, so a click on an item's body always reaches the item.
    setZValue(std::min(start->zValue(), end->zValue()) - 1.0);
    start->addConnection(this);
    end->addConnection(this);
    updatePath();
}

Connection::~Connection()
{
    if (m_start)
        m_start->removeConnection(this);
    if (m_end)
        m_end->removeConnection(this);
}

namespace {

// Where the line from the rectangle's centre towards a point leaves it.
QPointF borderPoint(const QRectF& r, const QPointF& towards)
{
    const QPointF c = r.center();
    const QPointF d = towards - c;
    if (qFuzzyIsNull(d.x()) && qFuzzyIsNull(d.y()))
        return c;
    const qreal sx = qFuzzyIsNull(d.x()) ? 1e9 : (r.width() / 2) / qAbs(d.x());
    const qreal sy = qFuzzyIsNull(d.y()) ? 1e9 : (r.height() / 2) / qAbs(d.y());
    return c + d * qMin(qMin(sx, sy), 1.0);
}

} // namespace

void Connection::updatePath()
{
    // From border to border: the line never crosses an item, so it can be
    // picked only where it is visible.
    const QRectF startRect = m_start->sceneBoundingRect();
    const QRectF endRect = m_end->sceneBoundingRect();
    const QPointF from = borderPoint(startRect, endRect.center());
    const QPointF to = borderPoint(endRect, startRect.center());
    QPainterPath path(from);
    path.lineTo(to);
    prepareGeometryChange();
    setPath(path);
    // The arrow head sits half way, so it stays visible between the items.
    const QLineF line(from, to);
    const QPointF mid = line.pointAt(0.5);
    const qreal angle = qDegreesToRadians(line.angle());
    const qreal size = 10.0;
    auto corner = [&](qreal offset) {
        return mid - QPointF(std::cos(angle + offset) * size, -std::sin(angle + offset) * size);
    };
    m_arrowHead = QPolygonF({ mid, corner(M_PI / 6), corner(-M_PI / 6) });
}

QRectF Connection::boundingRect() const
{
    return QGraphicsPathItem::boundingRect()
        .united(m_arrowHead.boundingRect())
        .adjusted(-4, -4, 4, 4);
}

void Connection::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget)
{
    Q_UNUSED(option)
    Q_UNUSED(widget)
    // Grey until the data has flowed: both ends up to date draw the
    // connection in full colour, an error at the start in red.
    QColor colour(0x80, 0x80, 0x80);
    if (m_start->status() == StatusError)
        colour = QColor(0xd0, 0x30, 0x30);
    else if (m_start->status() == StatusUpToDate && m_end->status() == StatusUpToDate)
        colour = QColor(0x30, 0x70, 0xc0);
    QPen pen(colour, isSelected() || m_hovered ? 3.0 : 2.0);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(pen);
    painter->drawPath(path());
    painter->setBrush(colour);
    painter->drawPolygon(m_arrowHead);
}

void Connection::hoverEnterEvent(QGraphicsSceneHoverEvent* event)
{
    m_hovered = true;
    update();
    QGraphicsPathItem::hoverEnterEvent(event);
}

void Connection::hoverLeaveEvent(QGraphicsSceneHoverEvent* event)
{
    m_hovered = false;
    update();
    QGraphicsPathItem::hoverLeaveEvent(event);
}
