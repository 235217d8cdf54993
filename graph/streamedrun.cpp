#include "graph/streamedrun.h"

#include "core/runcontext.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"

#include <algorithm>

namespace {

// Rows per block: enough that each block's fixed costs (a transform's set-up,
// the writer's threads) are small beside its rows, few enough that a block
// of wide rows takes tens of megabytes.
constexpr int DefaultBlockRows = 100000;

} // namespace

StreamedRun::StreamedRun(Node* root)
{
    auto* input = qobject_cast<InputNode*>(root);
    if (!input || !input->readsInBlocks() || input->status() == StatusUpToDate)
        return;
    const QList<Node*> downstream = input->downstreamNodes(true);
    if (downstream.isEmpty())
        return;
    for (Node* n : downstream) {
        if (!collect(n, input, &m_items))
            return;
    }
    m_input = input;
}

// Takes the node (whose rows come from the item from) and what follows it,
// in the usual run's order (each item, then the items after it top to
// bottom); false when it cannot go in blocks. A Transform followed by an
// item that cannot gathers its blocks.
bool StreamedRun::collect(Node* node, const Node* from, QList<Node*>* items)
{
    if (node->status() == StatusUpToDate)
        return false;
    auto* transform = qobject_cast<TransformNode*>(node);
    if (node->upstreamNodes(false).size() != 1) {
        // A Join takes the rows as its top rows against a bottom table made
        // already.
        if (!transform || !transform->wouldJoinBlocksFrom(from))
            return false;
        if (!transform->joinsBlocksFrom(from)) {
            m_waits = true;
            return false;
        }
        items->append(transform);
        m_joins.insert(transform);
        collectDownstream(transform, items);
        return true;
    }
    if (auto* output = qobject_cast<OutputNode*>(node)) {
        if (!output->writesInBlocks())
            return false;
        items->append(output);
        return true;
    }
    if (!transform)
        return false;
    if (!transform->streamsRows()) {
        // An item that needs every row but keeps little of them, or puts
        // them aside on disk, takes the blocks; the items after it take its
        // result in blocks where they can, else the usual way.
        if (!transform->takesBlocks())
            return false;
        items->append(transform);
        m_consumers.insert(transform);
        collectAfter(transform);
        return true;
    }
    items->append(transform);
    collectDownstream(transform, items);
    return true;
}

// The items after a Transform that passes its blocks on; for an item that
// cannot take them, it gathers its blocks.
void StreamedRun::collectDownstream(TransformNode* transform, QList<Node*>* items)
{
    const QList<Node*> downstream = transform->downstreamNodes(true);
    for (Node* n : downstream) {
        QList<Node*> after;
        if (collect(n, transform, &after))
            *items += after;
        else
            m_gathered.insert(transform, Dataset());
    }
}

bool StreamedRun::collectAfter(TransformNode* consumer)
{
    QList<Node*> after;
    const QList<Node*> downstream = consumer->downstreamNodes(true);
    for (Node* n : downstream) {
        if (!collect(n, consumer, &after))
            return false;
    }
    if (!after.isEmpty())
        m_after.insert(consumer, after);
    return true;
}

bool StreamedRun::startsAgain() const
{
    if (!m_refused)
        return false;
    return std::any_of(m_consumers.begin(), m_consumers.end(),
        [](const TransformNode* t) { return t->transform()->asksForBlocksAgain(); });
}

QList<Node*> StreamedRun::allItems() const
{
    QList<Node*> all = m_items;
    for (const QList<Node*>& after : m_after)
        all += after;
    return all;
}

bool StreamedRun::run(int blockRows, int chunkChars)
{
    if (!canStream())
        return false;
    m_blockRows = blockRows > 0 ? blockRows : DefaultBlockRows;
    m_input->beginProcessing();
    const bool read
        = m_input->readInBlocks([this] { return passBlock(); }, m_blockRows, chunkChars);
    if (m_failed) {
        // The Input read what it was asked for (its reader took the end of
        // the blocks for a Stop); the failed item ends the run as it would
        // have ended the usual one.
        m_input->m_warnings.clear();
        m_input->endProcessing(StatusUpToDate);
        giveUp(m_failed);
        m_failed->failBlocks();
        return true;
    }
    if (m_refused) {
        giveUp();
        return false;
    }
    if (!read) {
        // As in the usual run, a failed (or stopped) read ends the Input in
        // error and nothing after it runs or writes.
        giveUp();
        m_input->m_streamedRows = -1;
        m_input->endProcessing(StatusError);
        return true;
    }
    return finishAll();
}

// Passes the Input's current block through the items; false refuses it
// (see m_refused) or stops the read.
bool StreamedRun::passBlock()
{
    const int columns = m_input->dataset().columnCount();
    // A row longer than the first rows gave every row before it more
    // columns, the rows already written included.
    if (m_columnCount >= 0 && columns != m_columnCount) {
        m_refused = true;
        return false;
    }
    const bool first = m_columnCount < 0;
    m_columnCount = columns;
    if (!passThrough(m_items, first))
        return false;
    m_input->runContext().addStreamedBlock();
    return !m_input->runContext().stopRequested();
}

// Passes the block each item's upstream item holds through the items in
// turn; false when one refuses it or fails (see m_refused, m_failed).
bool StreamedRun::passThrough(const QList<Node*>& items, bool first)
{
    for (Node* n : items) {
        bool passed = false;
        auto* transform = qobject_cast<TransformNode*>(n);
        if (transform) {
            // Started only now: its column options bind to the columns of
            // the items before it.
            if (first)
                transform->startBlocks();
            if (m_consumers.contains(transform))
                passed = transform->takeBlock();
            else if (m_joins.contains(transform))
                passed = transform->joinBlock();
            else
                passed = transform->processBlock();
            const auto gathered = m_gathered.find(transform);
            if (passed && gathered != m_gathered.end()) {
                // The first block brings the columns (names, identities).
                if (gathered->hasColumns())
                    gathered->appendRows(transform->dataset());
                else
                    *gathered = transform->dataset();
            }
        } else {
            auto* output = static_cast<OutputNode*>(n);
            passed = (!first || output->startBlocks()) && output->writeBlock();
        }
        if (passed)
            continue;
        if (transform && !transform->blockFailure().isEmpty())
            m_failed = transform;
        else
            // A block given up on because of a Stop is a stopped run.
            m_refused = !m_input->runContext().stopRequested();
        return false;
    }
    return true;
}

// Finishes the items once every block went through; false when the usual
// run must make the result after all.
bool StreamedRun::finishAll()
{
    m_input->endProcessing(StatusUpToDate);
    if (finishItems(m_items)) {
        // Written only now: a late refusal must leave every file as it was.
        for (Node* n : allItems()) {
            if (auto* output = qobject_cast<OutputNode*>(n))
                output->finishBlocks(true);
        }
        return true;
    }
    if (m_refused) {
        giveUp();
        return false;
    }
    // Stopped, or failed: that item's error stands, nothing is written.
    giveUp(m_failed);
    return true;
}

bool StreamedRun::finishItems(const QList<Node*>& items)
{
    for (Node* n : items) {
        auto* transform = qobject_cast<TransformNode*>(n);
        if (!transform)
            continue;
        if (m_joins.contains(transform) && !finishJoin(transform))
            return false;
        const auto gathered = m_gathered.find(transform);
        if (gathered != m_gathered.end()) {
            transform->m_dataset = std::move(*gathered);
            transform->m_streamedRows = -1;
        }
        const auto after = m_after.find(transform);
        if (after == m_after.end()) {
            transform->finishBlocks();
            continue;
        }
        bool first = true;
        const bool done = transform->finishBlocks(m_blockRows, [&] {
            const bool passed = passThrough(*after, first);
            first = false;
            return passed && !m_input->runContext().stopRequested();
        });
        if (!done) {
            if (!m_failed)
                m_failed = transform;
            return false;
        }
        if (!finishItems(*after))
            return false;
    }
    return true;
}

// Passes the rows a Join keeps for the end on to the items after it.
bool StreamedRun::finishJoin(TransformNode* join)
{
    const auto gathered = m_gathered.find(join);
    const QList<Node*> after = itemsAfter(join);
    const bool done = join->finishJoin(m_blockRows, [&] {
        if (join->dataset().rowCount() == 0)
            return true;
        if (gathered != m_gathered.end())
            gathered->appendRows(join->dataset());
        return passThrough(after, false) && !m_input->runContext().stopRequested();
    });
    // As after a step that needs every row: the join ended in error itself.
    if (!done && !m_failed)
        m_failed = join;
    return done;
}

// The items taking blocks from the node, directly or through others, in the
// order of the list that holds it.
QList<Node*> StreamedRun::itemsAfter(const Node* node) const
{
    const QList<Node*>* list = &m_items;
    for (const QList<Node*>& after : m_after) {
        if (after.contains(const_cast<Node*>(node)))
            list = &after;
    }
    QSet<const Node*> reached { node };
    QList<Node*> items;
    for (Node* n : *list) {
        const QList<Node*> upstream = n->upstreamNodes(false);
        for (const Node* u : upstream) {
            if (reached.contains(u) && !reached.contains(n)) {
                reached.insert(n);
                items.append(n);
            }
        }
    }
    return items;
}

// Drops whatever was written and sets every item back as it was before the
// run, so that the usual run starts from the same place. After an item
// failed (except), the Input keeps its status: run again, it would fail the
// same way, and the usual run with it.
void StreamedRun::giveUp(const Node* except)
{
    QList<Node*> all = allItems();
    all.prepend(m_input);
    for (Node* n : qAsConst(all)) {
        if (n == except)
            continue;
        if (except && n == m_input) {
            n->m_dataset.clear();
            n->m_streamedRows = -1;
            continue;
        }
        if (auto* output = qobject_cast<OutputNode*>(n))
            output->finishBlocks(false);
        if (auto* transform = qobject_cast<TransformNode*>(n))
            transform->dropBlocks();
        n->m_dataset.clear();
        n->m_streamedRows = -1;
        n->onGraphThread([n] { n->setStatus(StatusNeedsUpdating, false); });
    }
}
