#pragma once

// Which columns of an item's table are read after it, for runs that keep no
// results (the command line): a reader can then leave out the values of the
// other columns, which nothing will look at. An analyst's graph often reads
// a wide file to group or pivot two or three of its columns.

#include <QVector>

class Dataset;
class Node;

// For each column of the table `header` (the item's columns, with no rows
// needed), whether anything downstream of the item can read its values:
// a transform's result, its messages or an output. Empty when every column
// is read, as it is whenever an item downstream cannot tell (an output, a
// chart, a transform of more than one upstream item, or a type that does not
// say: see Transform::usedUpstreamColumns).
QVector<bool> usedColumnsAfter(const Node* item, const Dataset& header);
