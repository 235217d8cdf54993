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
    m_pool.setMaxThreadCount(1);
    connect(graph, &GraphModel::nodeProcessed, this, &DriftWatch::onNodeProcessed);
    connect(graph, &GraphModel::processingComplete, this, [this] {
        m_finished = QDateTime::currentDateTime();
        m_running = false;
    });
}

DriftWatch::~DriftWatch()
{
    // The tasks call back into this object. Taking the lock after them
    // orders their last writes before the members go.
    m_pool.waitForDone();
    const std::lock_guard<std::mutex> lock(m_readyGuard);
    m_ready.clear();
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
    const QFileInfo info(input->filePath());
    const FileStamp stamp { info.absoluteFilePath(), info.size(), info.lastModified() };
    const auto known = m_entries.constFind(input->id());
    if (known != m_entries.constEnd() && known->stamp == stamp)
        return;
    const DateFormatList dates(m_graph->runContext().settings().dateFormatList());
    auto work = [this, stamp, id = input->id(), task = inputFactsTask(*input, dates)] {
        InputFacts facts = task();
        {
            const std::lock_guard<std::mutex> lock(m_readyGuard);
            m_ready.append({ id, stamp, std::move(facts) });
        }
        // By name: the call carries nothing, the facts wait under the lock.
        QMetaObject::invokeMethod(this, "takeReadyFacts", Qt::QueuedConnection);
    };
    m_pool.start(work);
}

void DriftWatch::takeReadyFacts()
{
    QVector<Ready> ready;
    {
        const std::lock_guard<std::mutex> lock(m_readyGuard);
        ready.swap(m_ready);
    }
    for (const Ready& r : qAsConst(ready))
        onFacts(r.id, r.stamp, r.facts);
}

void DriftWatch::onFacts(qint32 id, const FileStamp& stamp, const InputFacts& facts)
{
    const auto known = m_entries.constFind(id);
    if (known != m_entries.constEnd() && !(known->stamp == stamp)) {
        const QStringList lines = driftLines({ known->facts }, { facts });
        for (const QString& line : lines)
            emit m_graph->showLogMessage(line);
        if (!lines.isEmpty())
            emit driftFound(lines);
    }
    m_entries.insert(id, { stamp, facts });
}

RunRecord DriftWatch::lastRunRecord(const QString& documentPath)
{
    m_pool.waitForDone();
    takeReadyFacts();
    QVector<InputFacts> inputs;
    for (const Node* n : m_graph->nodes()) {
        const auto entry = m_entries.constFind(n->id());
        if (n->type() == InputNodeType && entry != m_entries.constEnd())
            inputs.append(entry->facts);
    }
    return buildRunRecord(*m_graph, documentPath, inputs, m_started, m_finished);
}
