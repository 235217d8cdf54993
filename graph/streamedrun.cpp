#include "graph/streamedrun.h"

#include "core/runcontext.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"

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
        if (!collect(n, &m_items))
            return;
    }
    m_input = input;
}

// Takes the node and what follows it, in the usual run's order (each item,
// then the items after it top to bottom); false when it cannot go in
// blocks. A Transform followed by an item that cannot gathers its blocks.
bool StreamedRun::collect(Node* node, QList<Node*>* items)
{
    if (node->upstreamNodes(false).size() != 1 || node->status() == StatusUpToDate)
        return false;
    if (auto* output = qobject_cast<OutputNode*>(node)) {
        if (!output->writesInBlocks())
            return false;
        items->append(output);
        return true;
    }
    auto* transform = qobject_cast<TransformNode*>(node);
    if (!transform)
        return false;
    if (!transform->streamsRows()) {
        // An item that needs every row but keeps little of them takes the
        // blocks; the items after it go the usual way.
        if (!transform->takesBlocks())
            return false;
        items->append(transform);
        m_consumers.insert(transform);
        return true;
    }
    items->append(transform);
    const QList<Node*> downstream = transform->downstreamNodes(true);
    for (Node* n : downstream) {
        QList<Node*> after;
        if (collect(n, &after))
            *items += after;
        else
            m_gathered.insert(transform, Dataset());
    }
    return true;
}

bool StreamedRun::run(int blockRows, int chunkChars)
{
    if (!canStream())
        return false;
    m_input->beginProcessing();
    const bool read = m_input->readInBlocks(
        [this] { return passBlock(); }, blockRows > 0 ? blockRows : DefaultBlockRows, chunkChars);
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
    finishAll();
    return true;
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
    for (Node* n : qAsConst(m_items)) {
        bool passed = false;
        if (auto* transform = qobject_cast<TransformNode*>(n)) {
            // Started only now: its column options bind to the columns of
            // the items before it.
            if (first)
                transform->startBlocks();
            passed = m_consumers.contains(transform) ? transform->takeBlock()
                                                     : transform->processBlock();
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
        if (!passed) {
            m_refused = true;
            return false;
        }
    }
    m_input->runContext().addStreamedBlock();
    return !m_input->runContext().stopRequested();
}

void StreamedRun::finishAll()
{
    m_input->endProcessing(StatusUpToDate);
    for (Node* n : qAsConst(m_items)) {
        if (auto* transform = qobject_cast<TransformNode*>(n)) {
            const auto gathered = m_gathered.find(transform);
            if (gathered != m_gathered.end()) {
                transform->m_dataset = std::move(*gathered);
                transform->m_streamedRows = -1;
            }
            transform->finishBlocks();
            // Its result is whole.
            if (m_consumers.contains(transform))
                transform->m_streamedRows = -1;
        } else
            static_cast<OutputNode*>(n)->finishBlocks(true);
    }
}

// Drops whatever was written and sets every item back as it was before the
// run, so that the usual run starts from the same place.
void StreamedRun::giveUp()
{
    QList<Node*> all = m_items;
    all.prepend(m_input);
    for (Node* n : qAsConst(all)) {
        if (auto* output = qobject_cast<OutputNode*>(n))
            output->finishBlocks(false);
        n->m_dataset.clear();
        n->m_streamedRows = -1;
        n->onGraphThread([n] { n->setStatus(StatusNeedsUpdating, false); });
    }
}
