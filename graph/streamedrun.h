#pragma once

#include <QList>

class InputNode;
class Node;

// A run without windows may pass an Input's rows through the items after it
// in blocks, writing them as they come, so that its memory does not grow
// with the file: when the Input reads a delimited or plain text file, and
// every item after it takes that Input's rows alone and works row by row (a
// Transform whose type streams rows, an Output writing one delimited file).
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
    bool collect(Node* node);
    bool passBlock();
    void finishAll();
    void giveUp();

    InputNode* m_input = nullptr;
    // The items after the Input, in the order the usual run processes them.
    QList<Node*> m_items;
    int m_columnCount = -1;
    bool m_refused = false;
};
