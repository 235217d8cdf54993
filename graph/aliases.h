#pragma once

#include <QSet>
#include <QString>

class GraphModel;
class Node;

// An alias is the name by which batch runs and the command line point an
// Input or an Output at other files. A user who adds one in the window
// should find it already named, as a document's Inputs are when it opens,
// so that the batch window and the command-line composer have a column and
// an assignment for it without a trip to its options.

// The file's stem, with "_2", "_3"... when another item holds it already.
QString uniqueAlias(const QString& path, const QSet<QString>& used);

// Gives a file Input or an Output that names a file and has no alias one
// made from its file name; true when it did.
bool giveFileAlias(const GraphModel& graph, Node* node);
