#include "graph/transformnode.h"

#include "core/runcontext.h"
#include "graph/graphmodel.h"
#include "graph/missingupstream.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUrl>

#include <limits>

TransformNode::TransformNode(Transform* transform, QObject* parent) : Node(parent)
{
    setTransform(transform);
}

TransformNode::~TransformNode()
{
    delete m_transform;
}

void TransformNode::setTransform(Transform* transform)
{
    if (transform == m_transform)
        return;
    delete m_transform;
    m_transform = transform;
    if (m_transform)
        // Direct: a run on the worker reports from there, and the report
        // checks the memory limit before the loop goes on.
        connect(m_transform, &Transform::processed, this, &Node::onProcessed, Qt::DirectConnection);
}

QString TransformNode::displayName() const
{
    if (!name().isEmpty() || !m_transform)
        return name();
    return m_transform->displayName();
}

int TransformNode::maxUpstream() const
{
    return m_transform ? m_transform->maxInputs() : 0;
}

int TransformNode::minUpstream() const
{
    return m_transform ? m_transform->minInputs() : 0;
}

void TransformNode::process(bool processDownstream, bool force)
{
    if (runContext().stopRequested())
        return;
    if (status() != StatusUpToDate) {
        if (!canProcess() || !m_transform)
            return;
        const QList<Node*> upstream = upstreamNodes(false);
        for (const Node* n : upstream) {
            if (n->status() == StatusNeedsUpdating || n->status() == StatusError)
                return;
        }
        runTransform();
    }
    if (status() == StatusUpToDate && processDownstream) {
        const QList<Node*> downstream = downstreamNodes(true);
        for (Node* n : downstream)
            n->process(processDownstream, force);
    }
}

void TransformNode::runTransform()
{
    startRun();
    QElapsedTimer timer;
    timer.start();
    const bool error = processUpstream();
    m_processingTime = timer.elapsed();
    finishRun(error);
}

void TransformNode::startRun()
{
    m_consumer.reset();
    beginProcessing();
    m_dataset.clear();
    m_dataset.setPooling(runContext().settings().poolValues());
    m_warnings.clear();
    m_information.clear();
    // The column bindings are options the window shows: they change on its
    // thread.
    onGraphThread([this] {
        upstreamProcessed();
        m_transform->reconnectColumns(&m_information, &m_warnings);
    });
}

// Runs the transform on the upstream items' tables; true on an error.
bool TransformNode::processUpstream()
{
    const QList<Node*> upstream = upstreamNodes(true);
    m_transform->clearMessages();
    m_transform->reportOutOfRangeOptions();
    bool error = false;
    m_transform->setRunContext(&runContext());
    const auto* graph = this->graph();
    QVector<bool> disposable(upstream.size(), false);
    for (int i = 0; graph && i < upstream.size(); ++i) {
        // An item connected twice (a join with itself) is read twice.
        disposable[i]
            = upstream.count(upstream.at(i)) == 1 && graph->isLastReader(upstream.at(i), this);
    }
    m_transform->setDisposableUpstream(disposable);
    m_dataset.clear();
    m_transform->process(m_dataset, tablesOf(upstream), error);
    m_transform->setDisposableUpstream({});
    m_transform->setRunContext(nullptr);
    if (!m_transform->keepsDrilldown())
        m_dataset.clearDrilldown();
    if (!m_transform->keepsVerification())
        m_dataset.clearVerification();
    m_dataset.assignColumnIds(id());
    runContext().addRowsProcessed(m_dataset.rowCount());
    return error;
}

void TransformNode::finishRun(bool error)
{
    m_transform->validate();
    m_lastProcessed = QDateTime::currentDateTime();
    checkUpstreamCount(upstreamNodes(false).size());
    m_warnings << MissingUpstream::notes(this);
    m_dataset.dropPools();
    endProcessing(error ? StatusError : StatusUpToDate);
}

bool TransformNode::streamsRows() const
{
    return m_transform && m_transform->streamsRows() && upstreamNodes(false).size() == 1;
}

void TransformNode::startBlocks()
{
    startRun();
    m_blockTime = 0;
    m_blocks = 0;
    m_blockCounts.clear();
    m_firstInformation.clear();
    m_consumer.reset();
}

bool TransformNode::processBlock()
{
    QElapsedTimer timer;
    timer.start();
    const bool error = processUpstream();
    m_blockTime += timer.elapsed();
    m_streamedRows = qMax<qint64>(m_streamedRows, 0) + m_dataset.rowCount();
    if (error || !m_transform->warnings().isEmpty() || !m_warnings.isEmpty())
        return false;
    const QVector<qint64>& counts = m_transform->summaryCounts();
    if (m_blocks++ == 0) {
        m_firstInformation = m_transform->information();
        m_blockCounts = counts;
        return true;
    }
    if (m_transform->information() != m_firstInformation || counts.size() != m_blockCounts.size())
        return false;
    for (int i = 0; i < counts.size(); ++i)
        m_blockCounts[i] += counts.at(i);
    return true;
}

bool TransformNode::takesBlocks() const
{
    return m_transform && m_transform->takesBlocks() && upstreamNodes(false).size() == 1;
}

bool TransformNode::takeBlock()
{
    QElapsedTimer timer;
    timer.start();
    const Dataset& rows = upstreamNodes(false).first()->dataset();
    if (m_blocks++ == 0) {
        m_transform->clearMessages();
        m_transform->reportOutOfRangeOptions();
        // Kept until the blocks are finished: the consumer reads the limits
        // and the Stop request of the run.
        m_transform->setRunContext(&runContext());
        m_consumer = m_transform->blockConsumer(rows);
    }
    const bool taken = m_consumer && m_warnings.isEmpty() && m_transform->warnings().isEmpty()
        && m_consumer->take(rows);
    m_blockTime += timer.elapsed();
    return taken;
}

void TransformNode::finishBlocks()
{
    if (m_consumer) {
        // Its whole result, in one block.
        finishBlocks(std::numeric_limits<int>::max(), [] { return true; });
        m_streamedRows = -1;
        return;
    }
    if (!m_blockCounts.isEmpty())
        m_transform->setSummaryFromCounts(m_blockCounts);
    dropBlocks();
    m_processingTime = m_blockTime;
    finishRun(false);
}

QString TransformNode::blockFailure() const
{
    if (m_consumer)
        return m_consumer->failure();
    return m_stage ? m_stage->failure() : QString();
}

bool TransformNode::wouldJoinBlocksFrom(const Node* top) const
{
    if (!m_transform || !m_transform->takesTopBlocks())
        return false;
    const QList<Node*> upstream = upstreamNodes(true);
    return upstream.size() == 2 && upstream.at(0) == top && upstream.at(1) != top;
}

bool TransformNode::joinsBlocksFrom(const Node* top) const
{
    return wouldJoinBlocksFrom(top) && upstreamNodes(true).at(1)->status() == StatusUpToDate;
}

bool TransformNode::joinBlock()
{
    QElapsedTimer timer;
    timer.start();
    const QList<Node*> upstream = upstreamNodes(true);
    const Dataset& top = upstream.at(0)->dataset();
    if (m_blocks++ == 0) {
        m_transform->clearMessages();
        m_transform->reportOutOfRangeOptions();
        m_transform->setRunContext(&runContext());
        m_stage = m_transform->topBlockStage(*upstream.at(0), *upstream.at(1));
    }
    m_dataset.clear();
    const bool joined = m_stage && m_warnings.isEmpty() && m_transform->warnings().isEmpty()
        && m_stage->process(top, m_dataset);
    m_dataset.assignColumnIds(id());
    m_streamedRows = qMax<qint64>(m_streamedRows, 0) + m_dataset.rowCount();
    runContext().addRowsProcessed(m_dataset.rowCount());
    m_blockTime += timer.elapsed();
    return joined;
}

bool TransformNode::finishJoin(int blockRows, const std::function<bool()>& passOn)
{
    const bool done = handOnBlocks(
        [&](const BlockHandOn& handOn) {
            return m_stage->finishInBlocks(m_dataset, blockRows, handOn);
        },
        passOn);
    if (!done) {
        // Stopped or failed: the item ends in error, with the failure said.
        const QString failure = m_stage->failure();
        dropBlocks();
        if (!failure.isEmpty())
            m_warnings.append(failure);
        m_processingTime = m_blockTime;
        finishRun(true);
    }
    return done;
}

bool TransformNode::handOnBlocks(
    const std::function<bool(const BlockHandOn&)>& finish, const BlockHandOn& passOn)
{
    QElapsedTimer timer;
    timer.start();
    m_dataset.clear();
    const bool done = finish([&] {
        m_dataset.assignColumnIds(id());
        m_streamedRows = qMax<qint64>(m_streamedRows, 0) + m_dataset.rowCount();
        runContext().addRowsProcessed(m_dataset.rowCount());
        // The items after it keep their own time.
        m_blockTime += timer.restart();
        const bool passed = passOn();
        timer.restart();
        return passed;
    });
    m_blockTime += timer.elapsed();
    return done;
}

void TransformNode::dropBlocks()
{
    m_consumer.reset();
    m_stage.reset();
    if (m_transform)
        m_transform->setRunContext(nullptr);
}

void TransformNode::failBlocks()
{
    m_warnings.append(blockFailure());
    dropBlocks();
    m_dataset.clear();
    m_streamedRows = -1;
    m_processingTime = m_blockTime;
    finishRun(true);
}

bool TransformNode::finishBlocks(int blockRows, const std::function<bool()>& passOn)
{
    const bool done = handOnBlocks(
        [&](const BlockHandOn& handOn) {
            return m_consumer->finishInBlocks(m_dataset, blockRows, handOn);
        },
        passOn);
    const QString failure = m_consumer->failure();
    dropBlocks();
    if (!failure.isEmpty())
        m_warnings.append(failure);
    m_processingTime = m_blockTime;
    finishRun(!done);
    return done;
}

void TransformNode::checkUpstreamCount(int upstreamCount)
{
    const int minimum = m_transform->minInputs();
    if (upstreamCount >= minimum)
        return;
    if (minimum != m_transform->maxInputs())
        m_warnings.append(QStringLiteral("At least %1 upstream connections expected").arg(minimum));
    else
        m_warnings.append(
            QStringLiteral("%1 upstream %2 expected")
                .arg(minimum)
                .arg(minimum == 1 ? QStringLiteral("connection") : QStringLiteral("connections")));
}

void TransformNode::upstreamProcessed()
{
    if (m_transform)
        m_transform->refreshColumnNames();
}

QStringList TransformNode::warnings() const
{
    return m_transform ? m_warnings + m_transform->warnings() : m_warnings;
}

QStringList TransformNode::information() const
{
    return m_transform ? m_information + m_transform->information() : m_information;
}

QString TransformNode::resultText() const
{
    if (m_transform && !m_transform->resultSummary().isEmpty())
        return m_transform->resultSummary();
    return Node::resultText();
}

void TransformNode::upstreamChanged()
{
    if (m_transform)
        m_transform->bindUpstream(tablesOf(upstreamNodes(true)), true);
}

bool TransformNode::reorderInputs()
{
    return m_transform && m_transform->reorderInputs(tablesOf(upstreamNodes(true)));
}

QVariantMap TransformNode::saveOptions() const
{
    QVariantMap options;
    if (!m_transform)
        return options;
    options.insert(QStringLiteral("type_key"), m_transform->typeKey());
    QVariantList parameters;
    const QList<TransformParameter*> list = m_transform->parameters();
    for (const TransformParameter* p : list) {
        if (p->type() != ParameterType::Label)
            parameters.append(QVariant(QVariantList { p->key(), p->serialise() }));
    }
    options.insert(QStringLiteral("parameters"), parameters);
    return options;
}

void TransformNode::restoreOptions(const QVariantMap& options)
{
    Transform* transform
        = Catalogue::instance().create(options.value(QStringLiteral("type_key")).toString());
    if (!transform)
        return;
    setTransform(transform);
    // Stored texts are read as a document reader reads them: the whole
    // value percent-decoded once.
    const QVariantList parameters = options.value(QStringLiteral("parameters")).toList();
    for (const QVariant& entry : parameters) {
        const QVariantList pair = entry.toList();
        TransformParameter* p = m_transform->parameter(pair.value(0).toString());
        if (p)
            p->deserialise(QUrl::fromPercentEncoding(pair.value(1).toString().toUtf8()));
    }
}

QList<QPair<QString, QString>> TransformNode::summaryRows() const
{
    QList<QPair<QString, QString>> rows = Node::summaryRows();
    rows << qMakePair(
        QStringLiteral("Connections in"), QString::number(connections(Incoming).size()))
         << qMakePair(
                QStringLiteral("Connections out"), QString::number(connections(Outgoing).size()));
    if (m_transform) {
        rows << qMakePair(QStringLiteral("Transform type"), m_transform->displayName())
             << qMakePair(QStringLiteral("Description"), m_transform->description())
             << qMakePair(QStringLiteral("Result"), m_transform->resultSummary());
    }
    return rows;
}

QString TransformNode::droppedRowsReason() const
{
    return m_transform ? m_transform->droppedRowsReason() : QString();
}
