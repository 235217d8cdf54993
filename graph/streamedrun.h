#pragma once

#include "core/dataset.h"

#include <QList>
#include <QMap>
#include <QSet>

class InputNode;
class Node;
class TransformNode;

// A run without windows may pass an Input's rows through the items after it
// in blocks, writing them as they come, so that its memory does not grow
// with the file: when the Input reads a delimited or plain text file, and
// the items after it take that Input's rows alone and work row by row (a
// Transform whose type streams rows, an Output writing one delimited file).
// Where such a Transform feeds an item that needs every row (a Sort, a
// Join, a Chart ...), it gathers its blocks into its whole result and the
// usual run goes on from there: a Filter early in a chain then keeps only
// the rows it passes, never the file's.
//
// The result must be the whole run's, byte for byte. Whatever could make it
// differ (an error or warning anywhere, a row longer than the first ones
// adding columns, a block's information differing from the first one's)
// ends the streamed run before anything is committed: the Outputs' files
// are left as they were, every item is set back to "Needs updating", and
// the run goes the usual way.
class StreamedRun
{
public:
    explicit StreamedRun(Node* root);

    // Whether the root and everything after it can go in blocks.
    bool canStream() const { return m_input != nullptr; }
    // Runs them so; false when the run must go the usual way (every item as
    // it was). Rows per block and characters per parsed chunk: 0 for the
    // usual sizes.
    bool run(int blockRows = 0, int chunkChars = 0);

private:
    bool collect(Node* node, QList<Node*>* items);
    bool passBlock();
    void finishAll();
    void giveUp();

    InputNode* m_input = nullptr;
    // The items after the Input, in the order the usual run processes them.
    QList<Node*> m_items;
    // The Transforms that gather their blocks, and what they gathered.
    QMap<TransformNode*, Dataset> m_gathered;
    // The Transforms that take the blocks whole (see RowBlockConsumer).
    QSet<TransformNode*> m_consumers;
    int m_columnCount = -1;
    bool m_refused = false;
};
