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
// Where such a Transform feeds an item that needs every row (a Join, a
// Chart ...), it gathers its blocks into its whole result and the usual run
// goes on from there: a Filter early in a chain then keeps only the rows it
// passes, never the file's. A type that needs every row but may take them
// in blocks (Sort, Unique, Count) takes them so, and hands its result on in
// blocks to the items after it where they can take blocks too (a sort of a
// file larger than memory merges runs from disk into the Output).
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
    // Whether it could once the other roots are made: a Join's bottom
    // table is not made yet.
    bool waitsForOthers() const { return m_waits; }
    // Runs them so; false when the run must go the usual way (every item as
    // it was). Rows per block and characters per parsed chunk: 0 for the
    // usual sizes.
    bool run(int blockRows = 0, int chunkChars = 0);
    // Whether an item failed (or was stopped) after the read: its error
    // ends the run, which must not go on the usual way.
    bool failed() const { return m_failed != nullptr; }
    // Whether the run was given up because an item asked for the blocks
    // again from the start (see Transform::askForBlocksAgain): a new
    // streamed run then takes them as it asks.
    bool startsAgain() const;

private:
    bool collect(Node* node, const Node* from, QList<Node*>* items);
    void collectDownstream(TransformNode* transform, QList<Node*>* items);
    QList<Node*> itemsAfter(const Node* node) const;
    bool finishJoin(TransformNode* join);
    bool collectAfter(TransformNode* consumer);
    bool passBlock();
    bool passThrough(const QList<Node*>& items, bool first);
    bool finishItems(const QList<Node*>& items);
    bool finishAll();
    void giveUp(const Node* except = nullptr);
    QList<Node*> allItems() const;

    InputNode* m_input = nullptr;
    // The items after the Input, in the order the usual run processes them.
    QList<Node*> m_items;
    // The Transforms that gather their blocks, and what they gathered.
    QMap<TransformNode*, Dataset> m_gathered;
    // The Transforms that take the blocks whole (see RowBlockConsumer).
    QSet<TransformNode*> m_consumers;
    // The Joins taking their top rows in blocks (see RowBlockStage).
    QSet<TransformNode*> m_joins;
    // Those handing their result on in blocks: the items after them.
    QMap<TransformNode*, QList<Node*>> m_after;
    int m_blockRows = 0;
    int m_columnCount = -1;
    // A block refused: the usual run must make the result.
    bool m_refused = false;
    bool m_waits = false;
    // The item whose failure (a full disk) ended the run.
    TransformNode* m_failed = nullptr;
};
