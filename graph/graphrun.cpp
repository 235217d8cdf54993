// The processing run of a GraphModel: which Nodes process, in which order,
// and what the user is told about it.

#include "graph/graphmodel.h"

#include "core/userprompt.h"
#include "core/values.h"
#include "graph/connection.h"
#include "graph/node.h"
#include "graph/runworker.h"
#include "graph/streamedrun.h"
#include "graph/transformnode.h"

#include <QDateTime>

#include <algorithm>
#include <utility>

namespace {

// Whether every item downstream of source but reader has run in this run.
bool othersHaveRead(const Node* source, const Node* reader)
{
    const QList<Node*> downstream = source->downstreamNodes(false);
    return std::all_of(downstream.begin(), downstream.end(),
        [reader](const Node* d) { return d == reader || d->isProcessed(); });
}

QString now()
{
    return formatTimestamp(QDateTime::currentDateTime());
}

} // namespace

void GraphModel::runCommand(int mode)
{
    if (m_processing)
        return;
    m_runContext.clearStop();
    process(mode, false);
    // A run on the worker is still going: its Stop must hold until it ends.
    if (!m_processing)
        m_runContext.clearStop();
}

void GraphModel::stop()
{
    emit showStatusBarMessage(QStringLiteral("Run stopped by user"), 2000);
    m_runContext.requestStop();
    if (m_autoRun) {
        m_autoRun = false;
        emit autoRunStoppedTip(
            QStringLiteral("Click here to go back to auto running changes."), 4000);
    }
}

void GraphModel::process(int mode, bool quiet)
{
    if (m_processing)
        return;
    m_processing = true;
    emit allowUserInteraction(false);
    emit showLogMessage(QStringLiteral("Started: %1").arg(now()));
    m_runTimer.start();
    m_processedCount = 0;
    emit showProgress(0);
    // The statuses change before the run starts, on this thread: from then
    // on the run changes them only through onModelThread().
    std::function<void()> body;
    if (mode == RunSelected) {
        const QList<Node*> work = prepareSelected();
        body = [this, work] { runSelected(work); };
    } else {
        const QList<Node*> roots = prepareFromRoots(mode);
        body = [this, roots, mode] { runFromRoots(roots, mode == RunAllForced); };
    }
    if (m_runsOnWorker) {
        if (!m_worker)
            m_worker = new RunWorker(this);
        m_worker->start(body, [this, quiet] { finishRun(m_runTimer.elapsed(), quiet); });
        return;
    }
    body();
    finishRun(m_runTimer.elapsed(), quiet);
}

QList<Node*> GraphModel::prepareSelected()
{
    const QList<Node*> selected = nodes(true);
    for (Node* n : selected)
        n->setStatus(StatusNeedsUpdating, true);
    QList<Node*> work;
    for (Node* n : selected) {
        if (!work.contains(n))
            work.append(n);
        const QSet<Node*> ancestors = n->ancestors();
        for (Node* a : ancestors) {
            if (a->status() != StatusNeedsUpdating && a->status() != StatusError)
                continue;
            if (a->status() == StatusError)
                n->setStatus(StatusNeedsUpdating, false);
            if (!work.contains(a))
                work.append(a);
        }
    }
    m_toProcess = work.size();
    Node::sortInCanvasOrder(work);
    return work;
}

void GraphModel::runSelected(QList<Node*> work)
{
    while (!work.isEmpty()) {
        if (m_runContext.stopRequested()) {
            logStop();
            break;
        }
        bool progressed = false;
        const QList<Node*> pass = work;
        for (Node* n : pass) {
            const QList<Node*> upstream = n->upstreamNodes(false);
            const bool ready = std::none_of(upstream.begin(), upstream.end(),
                [](const Node* u) { return u->status() == StatusNeedsUpdating; });
            if (!ready)
                continue;
            n->process(false, false);
            work.removeOne(n);
            progressed = true;
        }
        // An item that could not process leaves its downstream waiting for
        // ever; they stay "Needs updating".
        if (!progressed)
            break;
    }
}

QList<Node*> GraphModel::prepareFromRoots(int mode)
{
    const QList<Node*> all = nodes();
    QList<Node*> roots;
    for (Node* n : all) {
        if (mode == RunAll || mode == RunAllForced || n->status() == StatusError)
            n->setStatus(StatusNeedsUpdating, false);
        if (n->connections(Incoming).isEmpty())
            roots.append(n);
    }
    m_toProcess = 0;
    for (const Node* n : all)
        m_toProcess += n->takesPartInRuns() && n->status() != StatusUpToDate ? 1 : 0;
    return roots;
}

void GraphModel::runFromRoots(const QList<Node*>& roots, bool force)
{
    // Tables kept for the window, or described in a run record, are whole.
    const RunContext::Blocks& blocks = m_runContext.blocks();
    const bool streams = blocks.on && !m_keepsResults && !m_runContext.recordsRun();
    QList<Node*> order = roots;
    QSet<Node*> deferred;
    for (int i = 0; i < order.size(); ++i) {
        Node* n = order.at(i);
        bool failed = false;
        if (streams) {
            StreamedRun streamed(n);
            // A file joined with a table another root makes streams once
            // that table is made: the other roots go first.
            if (streamed.waitsForOthers() && !deferred.contains(n)) {
                deferred.insert(n);
                order.append(n);
                continue;
            }
            bool ran = streamed.run(blocks.rows, blocks.chunkChars);
            failed = streamed.failed();
            if (!ran && streamed.startsAgain()) {
                // Read once more rather than held whole: the item now
                // knows how its rows run.
                StreamedRun again(n);
                ran = again.run(blocks.rows, blocks.chunkChars);
                failed = again.failed();
            }
            if (ran && n->status() == StatusUpToDate)
                m_runContext.addStreamedInput();
        }
        if (!failed)
            n->process(true, force);
        if (m_runContext.stopRequested()) {
            logStop();
            break;
        }
    }
}

void GraphModel::whenIdle(QObject* context, const std::function<void()>& work)
{
    if (m_processing)
        m_whenIdle.append({ context, work });
    else
        work();
}

void GraphModel::onModelThread(const std::function<void()>& work)
{
    if (m_worker && m_worker->onWorker())
        m_worker->call(work);
    else
        work();
}

void GraphModel::postToModelThread(const std::function<void()>& work)
{
    if (m_worker && m_worker->onWorker())
        m_worker->post(work);
    else
        work();
}

void GraphModel::finishRun(qint64 elapsed, bool quiet)
{
    emit showLogMessage(QStringLiteral("Finished: %1").arg(now()));
    emit processingComplete();
    emit showProgress(100);
    if (m_processedCount > 0) {
        const QString done = QStringLiteral("%1 item(s) processed in %2")
                                 .arg(m_processedCount)
                                 .arg(formatDuration(elapsed));
        emit showTempMessage(done);
        emit showLogMessage(done);
    }
    const QList<Node*> all = nodes();
    int withWarnings = 0;
    QMap<int, int> byStatus;
    for (const Node* n : all) {
        if (!n->takesPartInRuns())
            continue;
        withWarnings += n->warningCount() > 0 ? 1 : 0;
        byStatus[n->status()] += 1;
    }
    if (withWarnings > 0)
        emit showLogMessage(QStringLiteral("%1 item(s) with warnings").arg(withWarnings));
    QStringList counts;
    for (int status : { int(StatusUpToDate), int(StatusNeedsUpdating), int(StatusError) }) {
        if (byStatus.value(status) > 0)
            counts << QStringLiteral("%1: %2").arg(statusName(status)).arg(byStatus.value(status));
    }
    emit showLogMessage(QStringLiteral("%1\n").arg(counts.join(QStringLiteral(", "))));

    emit appearanceChanged();
    if (!quiet)
        prompt().runFinished();
    emit allowUserInteraction(true);
    m_processing = false;
    const auto pending = std::exchange(m_whenIdle, {});
    for (const auto& edit : pending) {
        if (edit.first)
            edit.second();
    }
    // Changes made while the run went on are taken up now.
    if (!m_movedDuringRun.isEmpty() || (!m_delayedNodes.isEmpty() && !m_delayTimer.isActive()))
        m_delayTimer.start(0);
    if (m_runContext.stopReason() == RunContext::MemoryExceeded)
        endOverMemory();
}

void GraphModel::logStop()
{
    if (m_runContext.stopReason() == RunContext::MemoryExceeded)
        emit showLogMessage(QStringLiteral("  Stopped: maximum memory exceeded"));
    else
        emit showLogMessage(QStringLiteral("  Stopped by user"));
}

// Past the memory maximum with no leave to go on: every result is let go
// and every item set back to "Needs updating" before anyone is told, so
// that the memory is free by the time a message box or the auto-recovery
// copy needs some.
void GraphModel::endOverMemory()
{
    const QList<Node*> all = nodes();
    for (Node* n : all) {
        n->clearResults();
        n->setStatus(StatusNeedsUpdating, false);
    }
    m_runContext.clearStop();
    qWarning("Maximum memory exceeded");
    emit memoryLimitExceeded();
}

void GraphModel::onProcessingStart(Node* node)
{
    emit nodeDataChanged(node);
    emit showStatusBarMessage(QStringLiteral("Processing '%1'").arg(node->displayName()), 0);
}

void GraphModel::onProcessingEnd(Node* node)
{
    node->onProcessed(1.0);
    emit nodeDataChanged(node);
    ++m_processedCount;
    emit showLogMessage(node->logLine(true));
    const QString rows = node->rowFlowText();
    if (!rows.isEmpty())
        emit showLogMessage(QStringLiteral("    Rows: ") + rows);
    if (m_toProcess >= 1 && m_processedCount <= m_toProcess)
        emit showProgress(m_processedCount * 100 / m_toProcess);
    else if (!(m_toProcess < 1 && m_processedCount <= m_toProcess))
        emit showProgress(100);
    emit nodeProcessed(node);
    releaseConsumedResults(node);
}

bool GraphModel::isLastReader(const Node* source, const Node* reader) const
{
    return !m_keepsResults && othersHaveRead(source, reader);
}

// Called as each item ends: its upstream items may now have been read by
// every item downstream of them, and an item with nothing downstream by
// its nature (an Output) has been read by itself.
void GraphModel::releaseConsumedResults(Node* node)
{
    // After the last item there is nothing to make room for, and the
    // process lets everything go at once when it ends.
    if (m_keepsResults || m_processedCount >= m_toProcess)
        return;
    const QList<Node*> upstream = node->upstreamNodes(false);
    for (Node* u : upstream) {
        if (othersHaveRead(u, nullptr))
            u->releaseRows();
    }
    if (node->maxDownstream() == 0)
        node->releaseRows();
}

void GraphModel::onPosChanged(QList<Node*> moved)
{
    emit nodesPosChanged();
    if (m_processing) {
        // The bindings of a transform that may be running are not touched:
        // the move is looked at again once the run ends.
        for (Node* n : qAsConst(moved))
            queueChange(n, true);
        return;
    }
    // "Top" and "bottom" in the two-input types' options follow the items'
    // positions, so moving an upstream item may swap their bindings.
    QSet<TransformNode*> affected;
    for (Node* n : qAsConst(moved)) {
        if (auto* t = qobject_cast<TransformNode*>(n))
            affected.insert(t);
        const QList<Node*> downstream = n->downstreamNodes(false);
        for (Node* d : downstream) {
            if (auto* t = qobject_cast<TransformNode*>(d))
                affected.insert(t);
        }
    }
    for (TransformNode* t : qAsConst(affected)) {
        if (t->reorderInputs()) {
            emit nodeParametersChanged(t);
            onSourceChanged(t);
        }
    }
}

void GraphModel::onSourceChanged(Node* node)
{
    if (m_processing) {
        // The run may already have read the item as it was: it is marked
        // and run again once this run ends, so that the change is not lost.
        queueChange(node, false);
        return;
    }
    node->setStatus(StatusNeedsUpdating, true);
    if (m_autoRun)
        process(RunUnprocessed, false);
}

void GraphModel::onSourceChangedDelayed(Node* node)
{
    if (!m_delayedNodes.contains(node))
        m_delayedNodes.append(node);
    m_delayTimer.start(int(m_runContext.settings().processingDelay() * 1000.0));
}

void GraphModel::queueChange(Node* node, bool moved)
{
    QList<QPointer<Node>>& queue = moved ? m_movedDuringRun : m_delayedNodes;
    if (!queue.contains(node))
        queue.append(node);
}

void GraphModel::onDelayTimeout()
{
    if (m_processing) {
        m_delayTimer.start(int(m_runContext.settings().processingDelay() * 1000.0));
        return;
    }
    QList<Node*> moved;
    for (const QPointer<Node>& n : qAsConst(m_movedDuringRun)) {
        if (n)
            moved.append(n);
    }
    m_movedDuringRun.clear();
    const QList<QPointer<Node>> pending = m_delayedNodes;
    m_delayedNodes.clear();
    for (const QPointer<Node>& n : pending) {
        if (n)
            n->setStatus(StatusNeedsUpdating, true);
    }
    // Rebinding may change options and so start a run of its own.
    if (!moved.isEmpty())
        onPosChanged(moved);
    if (m_autoRun && !m_processing)
        process(RunUnprocessed, false);
}
