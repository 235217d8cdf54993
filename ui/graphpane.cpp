#include "ui/graphpane.h"

#include "graph/connection.h"
#include "graph/graphmodel.h"
#include "graph/node.h"
#include "ui/graphcanvas.h"
#include "ui/windowsettings.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScrollBar>
#include <QStyleOptionGraphicsItem>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr qreal MinZoom = 0.1;
constexpr qreal MaxZoom = 4.0;

QCursor magnifiedArrow()
{
    QPixmap pixmap(40, 56);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPolygonF arrow(
        { { 2, 2 }, { 2, 44 }, { 12, 34 }, { 20, 52 }, { 27, 49 }, { 19, 31 }, { 33, 31 } });
    p.setPen(QPen(Qt::white, 2.5));
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    return QCursor(pixmap, 2, 2);
}

} // namespace

GraphPane::GraphPane(GraphModel* scene, QWidget* parent) : QGraphicsView(parent)
{
    // The items are painted by the pane (drawItems); markers and comments
    // reach outside an item's own rectangle, so the whole view is redrawn.
    setOptimizationFlag(QGraphicsView::IndirectPainting, true);
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    setDragMode(QGraphicsView::RubberBandDrag);
    setRubberBandSelectionMode(Qt::IntersectsItemShape);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setResizeAnchor(QGraphicsView::AnchorViewCenter);
    setAcceptDrops(true);
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    setMinimumSize(200, 150);
    m_options.showComments = WindowSettings::instance().showComments();
    m_options.showWarnings = WindowSettings::instance().showWarnings();
    m_options.showRowColChanges = WindowSettings::instance().showChanges();
    m_options.connectionThickness = WindowSettings::instance().customConnectionThickness();
    m_tipLevel = WindowSettings::instance().showCenterPaneTips();
    setGraph(scene);
}

void GraphPane::setGraph(GraphModel* scene)
{
    if (m_graph)
        disconnect(m_graph, nullptr, this, nullptr);
    m_graph = scene;
    m_dragFrom = nullptr;
    m_targets.clear();
    GraphCanvas* old = m_canvas;
    m_canvas = scene ? new GraphCanvas(scene, this) : nullptr;
    setScene(m_canvas);
    delete old;
    if (!scene)
        return;
    connect(scene, &GraphModel::nodesAdded, this, &GraphPane::onGraphChanged);
    connect(scene, &GraphModel::nodesDeleted, this, &GraphPane::onGraphChanged);
    connect(scene, &GraphModel::processingComplete, this, &GraphPane::onGraphChanged);
    onGraphChanged();
}

void GraphPane::onGraphChanged()
{
    updateSceneRect();
    if (m_autoFit)
        zoomFit();
    viewport()->update();
}

void GraphPane::setMagnifyCursor(bool on)
{
    viewport()->setCursor(on ? magnifiedArrow() : QCursor(Qt::ArrowCursor));
}

// Zooming

qreal GraphPane::zoom() const
{
    return transform().m11();
}

void GraphPane::zoomBy(qreal factor)
{
    const qreal target = qBound(MinZoom, zoom() * factor, MaxZoom);
    const qreal step = target / zoom();
    scale(step, step);
}

void GraphPane::zoomFit()
{
    if (!m_graph)
        return;
    const QRectF items = m_graph->itemsBoundingRect();
    if (items.isEmpty()) {
        resetTransform();
        return;
    }
    const QRectF padded = items.adjusted(-30, -30, 30, 30);
    fitInView(padded, Qt::KeepAspectRatio);
    // Fitting a small graph should not blow its items up beyond their
    // natural size.
    if (zoom() > 1.0)
        zoomBy(1.0 / zoom());
    centerOn(padded.center());
}

void GraphPane::setAutoFit(bool on)
{
    m_autoFit = on;
    if (on)
        zoomFit();
}

void GraphPane::zoomSelected()
{
    if (m_graph)
        zoomTo(m_graph->nodes(true));
}

void GraphPane::zoomTo(const QList<Node*>& nodes)
{
    QRectF area;
    for (const Node* n : nodes)
        area = area.united(n->bounds());
    if (area.isEmpty())
        return;
    area.adjust(-60, -60, 60, 60);
    fitInView(area, Qt::KeepAspectRatio);
    if (zoom() > 1.5)
        zoomBy(1.5 / zoom());
    if (zoom() < MinZoom)
        zoomBy(MinZoom / zoom());
    centerOn(area.center());
}

void GraphPane::updateSceneRect()
{
    if (!m_graph)
        return;
    const QRectF items = m_graph->itemsBoundingRect();
    const QRectF room
        = items.isEmpty() ? QRectF(-400, -300, 800, 600) : items.adjusted(-600, -400, 600, 400);
    m_canvas->setSceneRect(room);
}

void GraphPane::moveClear(Node* node)
{
    if (!m_graph || !node)
        return;
    auto covers = [this, node] {
        const QRectF room = node->bounds().adjusted(-20, -20, 20, 20);
        for (const Node* other : m_graph->nodes()) {
            if (other != node && other->bounds().intersects(room))
                return true;
        }
        return false;
    };
    for (int tries = 0; tries < 50 && covers(); ++tries)
        node->moveBy(node->boundingRect().width() + 40, 0);
}

void GraphPane::placeGroup(const QList<Node*>& group, const QPointF& centre)
{
    if (!m_graph || group.isEmpty())
        return;
    auto bounds = [&group] {
        QRectF area;
        for (const Node* n : group)
            area = area.united(n->bounds());
        return area;
    };
    auto shiftAll = [&group](const QPointF& by) {
        for (Node* n : group)
            n->moveBy(by.x(), by.y());
    };
    shiftAll(centre - bounds().center());
    auto covers = [&] {
        for (const Node* other : m_graph->nodes()) {
            if (group.contains(const_cast<Node*>(other)))
                continue;
            for (const Node* n : group) {
                if (other->bounds().intersects(n->bounds().adjusted(-20, -20, 20, 20)))
                    return true;
            }
        }
        return false;
    };
    for (int tries = 0; tries < 50 && covers(); ++tries)
        shiftAll(QPointF(60, 40));
    updateSceneRect();
}

void GraphPane::reveal(const QList<Node*>& added)
{
    if (!m_graph || added.isEmpty())
        return;
    m_graph->clearSelection();
    QRectF area;
    for (Node* n : added) {
        n->setSelected(true);
        area = area.united(n->bounds());
    }
    updateSceneRect();
    if (m_autoFit)
        zoomFit();
    else
        ensureVisible(area, 40, 40);
}

QPointF GraphPane::visibleCentre() const
{
    return mapToScene(viewport()->rect().center());
}

Node* GraphPane::nodeAt(const QPoint& viewPos) const
{
    const QList<QGraphicsItem*> under = items(viewPos);
    for (QGraphicsItem* item : under) {
        if (Node* node = GraphCanvas::nodeOf(item))
            return node;
    }
    return nullptr;
}

// Painting

void GraphPane::drawItems(QPainter* painter, int numItems, QGraphicsItem* items[],
    const QStyleOptionGraphicsItem options[])
{
    if (m_options.timingProfile && m_graph) {
        m_options.slowestTime = 0;
        for (const Node* n : m_graph->nodes()) {
            if (!isBeingUpdated(n))
                m_options.slowestTime = qMax(m_options.slowestTime, n->processingTime());
        }
    }
    for (int i = 0; i < numItems; ++i) {
        QGraphicsItem* item = items[i];
        if (!item->isVisible())
            continue;
        painter->save();
        if (const Connection* connection = GraphCanvas::connectionOf(item)) {
            // Connections are drawn in scene coordinates from edge to edge.
            NodePainter::paintConnection(painter, *connection, m_options);
        } else if (const Node* node = GraphCanvas::nodeOf(item)) {
            painter->setTransform(item->sceneTransform(), true);
            NodePainter::paintNode(painter, *node, m_options);
        } else {
            painter->setTransform(item->sceneTransform(), true);
            item->paint(painter, &options[i], viewport());
        }
        painter->restore();
    }
}

void GraphPane::drawBackground(QPainter* painter, const QRectF& rect)
{
    const bool dark = m_options.darkBackground;
    painter->fillRect(rect, dark ? QColor(0x24, 0x26, 0x2a) : QColor(0xf6, 0xf7, 0xf9));
    if (zoom() < 0.35)
        return;
    // A dotted grid; denser dots when items snap to it.
    const qreal step = m_snapToGrid ? GridSize : GridSize * 2;
    QColor dot = m_snapToGrid ? QColor(0xb4, 0xbc, 0xc8) : QColor(0xd8, 0xdc, 0xe2);
    if (dark)
        dot = m_snapToGrid ? QColor(0x5a, 0x60, 0x6a) : QColor(0x3a, 0x3e, 0x45);
    painter->setPen(QPen(dot, 1.5 / zoom()));
    QVector<QPointF> points;
    const qreal left = std::floor(rect.left() / step) * step;
    const qreal top = std::floor(rect.top() / step) * step;
    for (qreal x = left; x < rect.right(); x += step) {
        for (qreal y = top; y < rect.bottom(); y += step)
            points.append(QPointF(x, y));
    }
    painter->drawPoints(points.constData(), points.size());
}

void GraphPane::drawForeground(QPainter* painter, const QRectF& rect)
{
    Q_UNUSED(rect)
    if (m_dragFrom)
        paintGuide(painter);
    if (m_graph && m_graph->nodes().isEmpty())
        paintEmptyHint(painter);
}

void GraphPane::paintGuide(QPainter* painter)
{
    painter->setRenderHint(QPainter::Antialiasing);
    // Items that accept the connection are outlined in green.
    Node* over = nullptr;
    for (Node* target : qAsConst(m_targets)) {
        const QRectF r = target->bounds().adjusted(-4, -4, 4, 4);
        const bool hovered = r.contains(m_dragTo);
        if (hovered)
            over = target;
        painter->setPen(QPen(QColor(0x2e, 0xa0, 0x4e), hovered ? 3.0 : 1.5, Qt::DashLine));
        painter->setBrush(hovered ? QBrush(QColor(0x2e, 0xa0, 0x4e, 40)) : QBrush(Qt::NoBrush));
        painter->drawRoundedRect(r, 9, 9);
    }
    const QRectF from = m_dragFrom->bounds();
    QLineF line = over ? NodePainter::edgeToEdge(from, over->bounds())
                       : NodePainter::edgeToEdge(from, QRectF(m_dragTo, QSizeF(0.01, 0.01)));
    painter->setPen(QPen(over ? QColor(0x2e, 0xa0, 0x4e) : QColor(0x55, 0x55, 0x55), 2.0,
        Qt::DashLine, Qt::RoundCap));
    painter->drawLine(line);
    painter->setBrush(painter->pen().color());
    painter->drawEllipse(line.p2(), 3.5, 3.5);
}

void GraphPane::paintEmptyHint(QPainter* painter)
{
    painter->save();
    painter->resetTransform();
    const QRect area = viewport()->rect().adjusted(40, 40, -40, -40);
    QFont font = painter->font();
    font.setPointSizeF(font.pointSizeF() * 1.15);
    painter->setFont(font);
    painter->setPen(QColor(0x88, 0x8e, 0x99));
    painter->drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
        tr("Drop a data file here, or use the Left pane to add an Input item.\n"
           "Then select it and click a transform to add it below."));
    painter->restore();
}
