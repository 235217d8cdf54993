#pragma once

class GraphModel;

// Makes "to" a working copy of "from": the same items (kinds, ids, places,
// names, options) and connections, settings and document path, but none of
// the results. A batch runs on such a copy, so that the open document, its
// results, statuses and undo history stay as they were.
void copyGraph(const GraphModel& from, GraphModel& to);
