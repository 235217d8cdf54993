#pragma once

#include <QColor>
#include <QLineF>
#include <QRectF>
#include <QString>

class Connection;
class Node;
class QPainter;

// What the centre pane chooses to show on its items; the View menu's
// switches.
struct NodePaintOptions
{
    bool showComments = true;
    bool showWarnings = true;
    bool showRowColChanges = false;
    bool timingProfile = false;
    qint64 slowestTime = 0; // the longest processing time, for the profile bars
    double connectionThickness = 2.0;
    bool darkBackground = false;
};

// Draws the items and connections of the centre pane. The graph items draw
// themselves plainly; the window paints them through this instead so that
// every kind gets its own colour and the name, size, status, progress and
// markers stay readable at every zoom.
namespace NodePainter {

// The accent colour of an item kind (Input, Transform, Output, Note, Chart).
QColor kindColour(int itemType);
// The colour that marks a processing status.
QColor statusColour(int status);
// The third line of an item: its size, or what it is waiting for.
QString detailText(const Node& node, const NodePaintOptions& options);
// Change in columns and rows against the first upstream item, e.g.
// "+2 cols, -10 rows"; empty when nothing changed or there is no upstream.
QString rowColChangeText(const Node& node);
// Rows added or dropped against the first upstream item ("-28 rows") for the
// card's top line; empty when nothing changed or the detail line says it.
QString rowChangeBadge(const Node& node, const NodePaintOptions& options);

void paintNode(QPainter* painter, const Node& node, const NodePaintOptions& options);
void paintConnection(
    QPainter* painter, const Connection& connection, const NodePaintOptions& options);

// The part of the line between the two item centres that lies outside both
// items, so arrows start and end at the item edges.
QLineF edgeToEdge(const QRectF& from, const QRectF& to);

// Whether a point in item coordinates lies on the band along the item's
// edge from which a connection is dragged out.
bool onConnectionEdge(const Node& node, const QPointF& itemPos);

} // namespace NodePainter
