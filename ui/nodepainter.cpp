#include "ui/nodepainter.h"

#include "core/values.h"
#include "graph/connection.h"
#include "graph/node.h"
#include "graph/notenode.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QtMath>

namespace {

constexpr qreal EdgeBand = 7.0;
constexpr qreal Radius = 7.0;

QFont sizedFont(const QFont& base, qreal points, bool bold)
{
    QFont font(base);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The first line: the kind, and for a renamed transform also its type, so
// that a name like "Clean emails" still says what the item does.
QString kindLine(const Node& node)
{
    if (const auto* t = qobject_cast<const TransformNode*>(&node)) {
        if (t->transform() && t->displayName() != t->transform()->displayName())
            return t->transform()->displayName();
        return QStringLiteral("Transform");
    }
    return node.typeName();
}

void paintStatusDot(QPainter* painter, const QPointF& centre, int status)
{
    const QColor colour = NodePainter::statusColour(status);
    painter->setPen(QPen(colour.darker(140), 1.0));
    painter->setBrush(status == StatusNeedsUpdating ? QColor(Qt::white) : colour);
    painter->drawEllipse(centre, 4.0, 4.0);
    if (status == StatusError) {
        painter->setPen(QPen(Qt::white, 1.4));
        painter->drawLine(centre + QPointF(-2, -2), centre + QPointF(2, 2));
        painter->drawLine(centre + QPointF(-2, 2), centre + QPointF(2, -2));
    }
}

void paintWarningBadge(QPainter* painter, const QRectF& rect, int count)
{
    const QPointF tip(rect.right() - 9.0, rect.top() - 7.0);
    QPolygonF triangle({ tip, tip + QPointF(9.0, 15.0), tip + QPointF(-9.0, 15.0) });
    painter->setPen(QPen(QColor(0x9a, 0x5b, 0x00), 1.0));
    painter->setBrush(QColor(0xff, 0xb3, 0x1a));
    painter->drawPolygon(triangle);
    painter->setPen(Qt::black);
    painter->setFont(sizedFont(painter->font(), 6.5, true));
    painter->drawText(QRectF(tip.x() - 8, tip.y() + 4, 16, 11), Qt::AlignCenter,
        count > 99 ? QStringLiteral("!") : QString::number(count));
}

void paintCommentMarker(QPainter* painter, const QRectF& rect)
{
    const QRectF bubble(rect.right() - 17.0, rect.bottom() - 13.0, 11.0, 8.0);
    painter->setPen(QPen(QColor(0x60, 0x60, 0x60), 1.0));
    painter->setBrush(QColor(0xff, 0xf4, 0xb8));
    painter->drawRoundedRect(bubble, 2.0, 2.0);
    painter->drawLine(QPointF(bubble.left() + 3, bubble.bottom()),
        QPointF(bubble.left() + 2, bubble.bottom() + 3));
}

void paintCommentText(QPainter* painter, const QRectF& rect, const QString& comment)
{
    const QFont font = sizedFont(painter->font(), 7.0, false);
    const QFontMetricsF metrics(font);
    const QRectF area(
        rect.left() - 10, rect.bottom() + 3, rect.width() + 20, metrics.lineSpacing() * 2 + 2);
    QString text = normalizeSpace(comment);
    const qreal room = area.width() * 2 - metrics.averageCharWidth() * 4;
    text = metrics.elidedText(text, Qt::ElideRight, room);
    painter->setFont(font);
    // A backing in the canvas colour keeps the text readable over arrows.
    const QRectF used
        = painter->boundingRect(area, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(0xf6, 0xf7, 0xf9, 220));
    painter->drawRoundedRect(used.adjusted(-3, -1, 3, 1), 3, 3);
    painter->setPen(QColor(0x55, 0x55, 0x55));
    painter->drawText(area, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
}

void paintProgress(QPainter* painter, const QRectF& rect, qreal fraction)
{
    const QRectF track(rect.left() + 10, rect.bottom() - 7, rect.width() - 20, 3.5);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(0xdd, 0xdd, 0xdd));
    painter->drawRoundedRect(track, 1.5, 1.5);
    QRectF done = track;
    done.setWidth(track.width() * qBound<qreal>(0.0, fraction, 1.0));
    painter->setBrush(NodePainter::statusColour(StatusUpdating).darker(120));
    painter->drawRoundedRect(done, 1.5, 1.5);
}

void paintNote(QPainter* painter, const Node& node, const QRectF& rect)
{
    painter->setPen(QPen(node.isSelected() ? QColor(0x20, 0x60, 0xd0) : QColor(0xc9, 0xb0, 0x3c),
        node.isSelected() ? 2.0 : 1.0));
    const auto* note = qobject_cast<const NoteNode*>(&node);
    painter->setBrush(note ? note->colour() : NoteNode::DefaultColour);
    painter->drawRect(rect);
    const QString text = node.comment().isEmpty() ? node.displayName() : node.comment();
    painter->setFont(sizedFont(painter->font(), 7.5, false));
    painter->setPen(QColor(0x40, 0x38, 0x10));
    const QRectF area = rect.adjusted(6, 4, -6, -4);
    const QFontMetricsF metrics(painter->font());
    const int lines = qMax(1, int(area.height() / metrics.lineSpacing()));
    const QString shown
        = metrics.elidedText(normalizeSpace(text), Qt::ElideRight, area.width() * lines - 20);
    painter->drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, shown);
}

void paintTimingBar(
    QPainter* painter, const QRectF& rect, const Node& node, const NodePaintOptions& options)
{
    if (options.slowestTime <= 0 || !node.isProcessed())
        return;
    const qreal share = qreal(node.processingTime()) / qreal(options.slowestTime);
    const QRectF bar(rect.left() + 8, rect.bottom() + 3, (rect.width() - 16) * share, 4);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(0xd0, 0x50, 0x30));
    painter->drawRect(bar);
}

} // namespace

namespace NodePainter {

QColor kindColour(int itemType)
{
    switch (itemType) {
    case InputNodeType:
        return QColor(0x2e, 0x8b, 0x57);
    case TransformNodeType:
        return QColor(0x2f, 0x6f, 0xb5);
    case OutputNodeType:
        return QColor(0xc8, 0x6a, 0x12);
    case NoteNodeType:
        return QColor(0xc9, 0xb0, 0x3c);
    case ChartNodeType:
        return QColor(0x7b, 0x4f, 0xa8);
    default:
        return QColor(0x70, 0x70, 0x70);
    }
}

QColor statusColour(int status)
{
    switch (status) {
    case StatusUpdating:
        return QColor(0xf0, 0xa8, 0x20);
    case StatusUpToDate:
        return QColor(0x3a, 0xa6, 0x55);
    case StatusError:
        return QColor(0xd6, 0x33, 0x33);
    default:
        return QColor(0x8c, 0x8c, 0x8c);
    }
}

namespace {

QString signedCount(int n, const char* one, const char* many)
{
    const QString number = (n > 0 ? QStringLiteral("+") : QString()) + formatInteger(n);
    return QStringLiteral("%1 %2").arg(number, QLatin1String(qAbs(n) == 1 ? one : many));
}

// The first upstream item to measure a change against: none before the item
// has run, without one, or while it is being updated.
const Node* comparedUpstream(const Node& node)
{
    const QList<Node*> upstream = node.upstreamNodes(true);
    if (upstream.isEmpty() || !node.isProcessed() || isBeingUpdated(upstream.first()))
        return nullptr;
    return upstream.first();
}

} // namespace

QString rowColChangeText(const Node& node)
{
    const Node* first = comparedUpstream(node);
    if (!first)
        return QString();
    const int cols = node.columnCount() - first->columnCount();
    const int rows = node.rowCount() - first->rowCount();
    QStringList parts;
    if (cols != 0)
        parts << signedCount(cols, "col", "cols");
    if (rows != 0)
        parts << signedCount(rows, "row", "rows");
    return parts.join(QStringLiteral(", "));
}

QString detailText(const Node& node, const NodePaintOptions& options)
{
    switch (node.status()) {
    case StatusUpdating:
        return QStringLiteral("Updating %1%").arg(int(node.progress() * 100));
    case StatusError:
        return statusName(StatusError);
    case StatusNeedsUpdating:
        return statusName(StatusNeedsUpdating);
    default:
        break;
    }
    if (options.timingProfile)
        return formatDuration(node.processingTime());
    if (options.showRowColChanges) {
        const QString change = rowColChangeText(node);
        if (!change.isEmpty())
            return change;
    }
    return node.sizeText();
}

// The rows an item added or dropped are what a user checks first after a run,
// so they sit on the card's top line even when the detail line shows the
// size (with the changes shown there, or the timings, it would repeat).
QString rowChangeBadge(const Node& node, const NodePaintOptions& options)
{
    if (node.status() != StatusUpToDate || options.showRowColChanges || options.timingProfile)
        return QString();
    const Node* first = comparedUpstream(node);
    if (!first)
        return QString();
    const int rows = node.rowCount() - first->rowCount();
    return rows == 0 ? QString() : signedCount(rows, "row", "rows");
}

void paintNode(QPainter* painter, const Node& node, const NodePaintOptions& options)
{
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    const QRectF rect = node.boundingRect().adjusted(1, 1, -1, -1);
    if (node.type() == NoteNodeType) {
        paintNote(painter, node, rect);
        return;
    }
    const QColor accent = kindColour(node.type());
    // A soft shadow lifts the items off the grid.
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(0, 0, 0, 28));
    painter->drawRoundedRect(rect.translated(2, 2.5), Radius, Radius);
    // On the dark canvas the cards are dark too, with light ink.
    const bool dark = options.darkBackground;
    const QColor card = node.status() == StatusError
        ? (dark ? QColor(0x4a, 0x2c, 0x2c) : QColor(0xfd, 0xec, 0xec))
        : (dark ? QColor(0x34, 0x37, 0x3d) : QColor(Qt::white));
    painter->setBrush(card);
    painter->setPen(
        node.isSelected() ? QPen(QColor(0x1a, 0x5f, 0xd6), 2.4) : QPen(accent.darker(115), 1.1));
    painter->drawRoundedRect(rect, Radius, Radius);
    // The kind's colour as a band down the left side.
    QPainterPath band;
    band.addRoundedRect(rect.adjusted(0.5, 0.5, 0, -0.5), Radius, Radius);
    QPainterPath clip;
    clip.addRect(QRectF(rect.left(), rect.top(), 6.0, rect.height()));
    painter->setPen(Qt::NoPen);
    painter->setBrush(accent);
    painter->drawPath(band.intersected(clip));

    const QRectF text = rect.adjusted(13, 3, -8, -3);
    paintStatusDot(painter, QPointF(text.left() + 3, text.top() + 8), node.status());
    painter->setPen(dark ? accent.lighter(150) : accent.darker(125));
    painter->setFont(sizedFont(painter->font(), 6.8, false));
    QFontMetricsF small(painter->font());
    const QString badge = rowChangeBadge(node, options);
    const qreal badgeWidth = badge.isEmpty() ? 0.0 : small.horizontalAdvance(badge) + 6;
    painter->drawText(QRectF(text.left() + 11, text.top(), text.width() - 22 - badgeWidth, 16),
        Qt::AlignLeft | Qt::AlignVCenter,
        small.elidedText(kindLine(node), Qt::ElideRight, text.width() - 22 - badgeWidth));
    if (!badge.isEmpty()) {
        const bool fewer = badge.startsWith(QLatin1Char('-'));
        const QColor ink = fewer ? QColor(0xb0, 0x3a, 0x2e) : QColor(0x2e, 0x7d, 0x32);
        painter->setPen(dark ? ink.lighter(170) : ink);
        painter->drawText(QRectF(text.right() - 12 - badgeWidth, text.top(), badgeWidth, 16),
            Qt::AlignRight | Qt::AlignVCenter, badge);
    }

    painter->setPen(dark ? QColor(0xec, 0xee, 0xf0) : QColor(0x1e, 0x1e, 0x1e));
    painter->setFont(sizedFont(painter->font(), 8.6, true));
    const QFontMetricsF bold(painter->font());
    painter->drawText(QRectF(text.left(), text.top() + 15, text.width(), 18),
        Qt::AlignLeft | Qt::AlignVCenter,
        bold.elidedText(node.displayName(), Qt::ElideRight, text.width()));

    if (node.status() == StatusUpdating) {
        paintProgress(painter, rect, node.progress());
    } else {
        painter->setFont(sizedFont(painter->font(), 6.8, false));
        const QColor detail = dark ? QColor(0xb4, 0xb8, 0xbe) : QColor(0x60, 0x60, 0x60);
        const QColor failed
            = dark ? statusColour(StatusError).lighter(140) : statusColour(StatusError).darker(120);
        painter->setPen(node.status() == StatusError ? failed : detail);
        painter->drawText(QRectF(text.left(), text.top() + 32, text.width() - 12, 15),
            Qt::AlignLeft | Qt::AlignVCenter,
            small.elidedText(detailText(node, options), Qt::ElideRight, text.width() - 12));
    }
    // The messages of an item being updated are the run's until it ends.
    if (options.showWarnings && !isBeingUpdated(&node) && node.warningCount() > 0)
        paintWarningBadge(painter, rect, node.warningCount());
    if (!node.comment().isEmpty()) {
        paintCommentMarker(painter, rect);
        if (options.showComments)
            paintCommentText(painter, rect, node.comment());
    }
    if (options.timingProfile)
        paintTimingBar(painter, rect, node, options);
}

QLineF edgeToEdge(const QRectF& from, const QRectF& to)
{
    const QLineF centres(from.center(), to.center());
    auto exitPoint = [](const QRectF& r, const QLineF& line, bool fromStart) {
        const QPointF c = r.center();
        const QPointF d = fromStart ? line.p2() - c : line.p1() - c;
        if (qFuzzyIsNull(d.x()) && qFuzzyIsNull(d.y()))
            return c;
        const qreal sx = qFuzzyIsNull(d.x()) ? 1e9 : (r.width() / 2) / qAbs(d.x());
        const qreal sy = qFuzzyIsNull(d.y()) ? 1e9 : (r.height() / 2) / qAbs(d.y());
        return c + d * qMin(qMin(sx, sy), 1.0);
    };
    return QLineF(exitPoint(from, centres, true), exitPoint(to, centres, false));
}

void paintConnection(
    QPainter* painter, const Connection& connection, const NodePaintOptions& options)
{
    const Node* start = connection.startNode();
    const Node* end = connection.endNode();
    QColor colour(0x9a, 0x9a, 0x9a);
    if (start->status() == StatusError)
        colour = statusColour(StatusError);
    else if (start->status() == StatusUpdating || end->status() == StatusUpdating)
        colour = statusColour(StatusUpdating);
    else if (start->status() == StatusUpToDate && end->status() == StatusUpToDate)
        colour = QColor(0x2f, 0x6f, 0xb5);
    const QLineF line
        = edgeToEdge(start->bounds().adjusted(-2, -2, 2, 2), end->bounds().adjusted(-3, -3, 3, 3));
    const qreal width = options.connectionThickness * (connection.isSelected() ? 1.8 : 1.0);
    painter->setRenderHint(QPainter::Antialiasing);
    if (connection.isSelected()) {
        painter->setPen(QPen(QColor(0x1a, 0x5f, 0xd6, 70), width + 5, Qt::SolidLine, Qt::RoundCap));
        painter->drawLine(line);
    }
    painter->setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    const qreal head = 9.0 + width;
    if (line.length() > head) {
        QLineF shaft = line;
        shaft.setLength(line.length() - head * 0.8);
        painter->drawLine(shaft);
    }
    const qreal angle = qDegreesToRadians(line.angle());
    auto corner = [&](qreal offset) {
        return line.p2()
            - QPointF(std::cos(angle + offset) * head, -std::sin(angle + offset) * head);
    };
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour);
    painter->drawPolygon(QPolygonF({ line.p2(), corner(M_PI / 7), corner(-M_PI / 7) }));
}

bool onConnectionEdge(const Node& node, const QPointF& itemPos)
{
    if (node.type() == NoteNodeType)
        return false;
    const QRectF outer = node.boundingRect();
    const QRectF inner = outer.adjusted(EdgeBand, EdgeBand, -EdgeBand, -EdgeBand);
    return outer.contains(itemPos) && !inner.contains(itemPos);
}

} // namespace NodePainter
