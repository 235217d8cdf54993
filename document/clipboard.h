#pragma once

// Copy and paste of graph items between windows: the document element tree
// restricted to the selected items.

#include <QList>
#include <QString>

class GraphModel;
class Node;
class QMimeData;

namespace ItemClipboard {

QString mimeType(); // "application/varnix-transformfile"

// The selected items and the selected connections among them, under both
// the program's own MIME type and "application/xml". The caller owns it.
QMimeData* copySelection(const GraphModel& scene);

// Whether the data holds items that could be pasted.
bool canPaste(const QMimeData* data);

// Adds the items of the data to the scene with fresh ids, keeping only the
// connections among them, as one undoable change. The pasted items become
// the selection. Returns the new items; on failure returns none with the
// message in *error.
QList<Node*> paste(const QMimeData* data, GraphModel& scene, QString* error);

} // namespace ItemClipboard
