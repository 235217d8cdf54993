#pragma once

// An item of a loaded document can lose an upstream item: the document may
// use a transform type this release does not have. The item then processes
// without it, and these notes, added to its warnings on every run, say what
// is missing until the user connects it anew.

#include <QString>
#include <QStringList>

class Node;

namespace MissingUpstream {

void add(Node* node, const QString& note);
QStringList notes(const Node* node);
void clear(Node* node);

} // namespace MissingUpstream
