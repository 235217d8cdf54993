#include "batch/driftwatch.h"

#include "batch/drift.h"
#include "batch/runrecordbuilder.h"
#include "core/enginesettings.h"
#include "core/runcontext.h"
#include "core/values.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"

#include <QFileInfo>

DriftWatch::DriftWatch(GraphModel* graph) : QObject(graph), m_graph(graph)
{
    connect(graph, &GraphModel::nodeProcessed, this, &DriftWatch::onNodeProcessed);
    connect(graph, &GraphModel::processingComplete, this, [this] {
        m_finished = QDateTime::currentDateTime();
        m_running = false;
    });
}

DriftWatch::~DriftWatch()
{
    // The tasks call back into this object.
    wait();
}

void DriftWatch::onNodeProcessed(Node* node)
{
    if (!m_running) {
        m_running = true;
        m_started = QDateTime::currentDateTime();
    }
    // Other kinds may take the Input type (a test's stand-ins).
    const auto* input = qobject_cast<const InputNode*>(node);
    if (!input || node->status() != StatusUpToDate || input->medium() != MediumFile)
        return;
    const QFileInfo info(input->sourcePath());
    const FileStamp stamp { info.absoluteFilePath(), info.size(), info.lastModified() };
    const auto known = m_entries.constFind(input->id());
    if (known != m_entries.constEnd() && known->stamp == stamp)
        return;
    const DateFormatList dates(m_graph->runContext().settings().dateFormatList());
    // A thread of its own per read: its start hands the task over in a way
    // the thread checker sees, which a pool's queue does not.
    const int serial = ++m_lastTask;
    m_tasks.emplace(serial,
        std::thread([this, serial, stamp, id = input->id(),
                        task = inputFactsTask(*input, dates)]() mutable {
            InputFacts facts = task();
            // The table copy goes here, so that joining this thread is quick.
            task = nullptr;
            {
                const std::lock_guard<std::mutex> lock(m_readyGuard);
                m_ready.append({ serial, id, stamp, std::move(facts) });
            }
            // By name: the call carries nothing, the facts wait under the lock.
            QMetaObject::invokeMethod(this, "takeReadyFacts", Qt::QueuedConnection);
        }));
}

void DriftWatch::wait()
{
    for (auto& task : m_tasks)
        task.second.join();
    m_tasks.clear();
}

void DriftWatch::takeReadyFacts()
{
    QVector<Ready> ready;
    {
        const std::lock_guard<std::mutex> lock(m_readyGuard);
        ready.swap(m_ready);
    }
    for (const Ready& r : qAsConst(ready)) {
        // Its work is done: what is left of the thread ends at once.
        const auto task = m_tasks.find(r.serial);
        if (task != m_tasks.end()) {
            task->second.join();
            m_tasks.erase(task);
        }
        onFacts(r.id, r.stamp, r.facts);
    }
}

void DriftWatch::onFacts(qint32 id, const FileStamp& stamp, const InputFacts& facts)
{
    const auto known = m_entries.constFind(id);
    if (known != m_entries.constEnd() && !(known->stamp == stamp)) {
        const QStringList lines = driftLines({ known->facts }, { facts });
        for (const QString& line : lines)
            emit m_graph->showLogMessage(line);
    }
    m_entries.insert(id, { stamp, facts });
}

RunRecord DriftWatch::lastRunRecord()
{
    wait();
    takeReadyFacts();
    QVector<InputFacts> inputs;
    for (const Node* n : m_graph->nodes()) {
        const auto entry = m_entries.constFind(n->id());
        if (entry != m_entries.constEnd())
            inputs.append(entry->facts);
    }
    return buildRunRecord(*m_graph, inputs, m_started, m_finished);
}
