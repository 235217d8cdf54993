#pragma once

#include <QPointF>
#include <QString>

class GraphCanvas;
class QMimeData;
class QToolButton;

// Dragging a transform from the left pane into the centre pane. Dropped on
// a connection it is inserted into that connection, dropped on an item it
// takes that item as its input, and dropped on the empty canvas it goes
// where the selection says and is placed where it was dropped.
namespace TransformDrag {

// Lets the button be dragged as well as clicked.
void enable(QToolButton* button, const QString& typeKey);
QMimeData* mimeData(const QString& typeKey);
// The type key a drag carries; empty for other drags.
QString typeKey(const QMimeData* data);
// Selects what lies under the drop point, as a click there would. Returns
// false when the point is on the empty canvas (the selection is kept).
bool selectDropTarget(GraphCanvas& canvas, const QPointF& scenePos);

} // namespace TransformDrag
