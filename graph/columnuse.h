#pragma once

#include "core/columnuse.h"

class Dataset;
class Node;

// What anything downstream of the item can read of its table, given its
// columns and any of its first rows (`header`): through a transform's result, its
// messages or an output. Every column is read whenever an item downstream
// cannot tell: an output, a chart, a transform of more than one upstream
// item, or a type that does not say (see Transform::usedUpstreamColumns).
// The rows are tested only when a Filter is the item's one reader.
ColumnUse usedColumnsAfter(const Node* item, const Dataset& header);
