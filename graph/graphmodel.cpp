#include "graph/graphmodel.h"

#include "core/userprompt.h"
#include "graph/connection.h"
#include "graph/itemdefaults.h"
#include "graph/missingupstream.h"
#include "graph/node.h"
#include "graph/outputnode.h"
#include "graph/runworker.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QVector>

#include <algorithm>

namespace {

// Only the outermost of nested changes records a snapshot.
bool g_takingSnapshot = false;

// Whether the target lies downstream of the start. A document is read
// upstream first, so the new end of a connection has nothing downstream yet
// and the search ends at once, where gathering every ancestor of the new
// start walked the whole chain above it for every connection.
bool reachesDownstream(const Node* start, const Node* target)
{
    QSet<const Node*> seen { start };
    QVector<const Node*> pending { start };
    while (!pending.isEmpty()) {
        const Node* n = pending.takeLast();
        if (n == target)
            return true;
        for (const Node* d : n->downstreamNodes(false)) {
            if (!seen.contains(d)) {
                seen.insert(d);
                pending.append(d);
            }
        }
    }
    return false;
}

} // namespace

GraphModel::GraphModel(QObject* parent)
    : QObject(parent), m_defaultPrompt(new NonInteractivePrompt(true))
{
    m_snapshotMaker = &MemorySnapshot::capture;
    m_runContext.setAliasSource([this] { return fileNameAliases(this); });
    m_delayTimer.setSingleShot(true);
    connect(&m_delayTimer, &QTimer::timeout, this, &GraphModel::onDelayTimeout);
}

GraphModel::~GraphModel()
{
    if (m_worker && m_worker->isBusy()) {
        // Whoever listened may be gone already, and nothing is to follow
        // the run.
        blockSignals(true);
        m_autoRun = false;
        m_whenIdle.clear();
        m_runContext.requestStop();
    }
    delete m_worker;
    m_worker = nullptr;
    clearGraph();
}

std::shared_ptr<RunTexts> GraphModel::runTexts()
{
    if (!m_runTexts)
        m_runTexts = std::make_shared<RunTexts>();
    return m_runTexts;
}

// Items

QList<Node*> GraphModel::nodes(bool selectedOnly) const
{
    QList<Node*> list;
    for (Node* n : m_nodes) {
        if (!selectedOnly || n->isSelected())
            list.append(n);
    }
    Node::sortInCanvasOrder(list);
    return list;
}

QList<Connection*> GraphModel::connections(bool selectedOnly) const
{
    if (!selectedOnly)
        return m_connections;
    QList<Connection*> list;
    for (Connection* c : m_connections) {
        if (c->isSelected())
            list.append(c);
    }
    return list;
}

QList<Node*> GraphModel::nodesWithStatus(int status) const
{
    QList<Node*> list;
    const QList<Node*> all = nodes();
    for (Node* n : all) {
        if (n->status() == status)
            list.append(n);
    }
    return list;
}

Node* GraphModel::nodeWithId(qint32 id) const
{
    const QList<Node*> all = nodes();
    for (Node* n : all) {
        if (n->id() == id)
            return n;
    }
    return nullptr;
}

void GraphModel::wireNode(Node* node)
{
    connect(
        node, &Node::processingStart, this, &GraphModel::onProcessingStart, Qt::UniqueConnection);
    connect(node, &Node::processingEnd, this, &GraphModel::onProcessingEnd, Qt::UniqueConnection);
    // The progress window counts on a beat as each item starts and ends and
    // as it reports progress (at most every 250 ms per item).
    connect(node, &Node::processed, this, &GraphModel::heartBeat, Qt::UniqueConnection);
    connect(node, &Node::nodePosChanged, this, &GraphModel::onPosChanged, Qt::UniqueConnection);
    connect(
        node, &Node::selectedChanged, this, &GraphModel::onSelectedChanged, Qt::UniqueConnection);
}

void GraphModel::insertNode(Node* node)
{
    // Loaded and restored items keep their ids; the counter moves past them
    // so that a new item never takes an id another one in this document has.
    if (node->id() < 0)
        node->setId(m_nextId++);
    else
        reserveId(node->id());
    node->setGraph(this);
    m_nodes.append(node);
    wireNode(node);
    emit nodeInserted(node);
}

void GraphModel::forgetNode(Node* node)
{
    if (m_connectionStart == node)
        m_connectionStart = nullptr;
    if (m_nodes.removeOne(node)) {
        const bool wasSelected = node->isSelected();
        emit nodeRemoved(node);
        if (wasSelected)
            emit selectionChanged();
    }
}

void GraphModel::takeNode(Node* node)
{
    Q_ASSERT(node->connections().isEmpty());
    forgetNode(node);
    disconnect(node, nullptr, this, nullptr);
    node->setGraph(nullptr);
}

void GraphModel::forgetConnection(Connection* connection)
{
    if (m_connections.removeOne(connection)) {
        emit connectionRemoved(connection);
        if (connection->isSelected())
            emit selectionChanged();
    }
}

void GraphModel::onSelectedChanged(Node* node)
{
    Q_UNUSED(node)
    emit selectionChanged();
}

void GraphModel::connectionSelectionChanged(Connection* connection)
{
    emit connectionSelected(connection);
    emit selectionChanged();
}

void GraphModel::clearSelection()
{
    for (Node* n : qAsConst(m_nodes))
        n->setSelected(false);
    for (Connection* c : qAsConst(m_connections))
        c->setSelected(false);
}

void GraphModel::selectAll()
{
    for (Node* n : qAsConst(m_nodes))
        n->setSelected(true);
    for (Connection* c : qAsConst(m_connections))
        c->setSelected(true);
}

bool GraphModel::hasSelection() const
{
    return std::any_of(
               m_nodes.begin(), m_nodes.end(), [](const Node* n) { return n->isSelected(); })
        || std::any_of(m_connections.begin(), m_connections.end(),
            [](const Connection* c) { return c->isSelected(); });
}

QRectF GraphModel::itemsBoundingRect() const
{
    QRectF area;
    for (const Node* n : m_nodes)
        area = area.united(n->bounds());
    return area;
}

void GraphModel::reserveId(qint32 id)
{
    m_nextId = std::max(m_nextId, id + 1);
}

void GraphModel::addNode(Node* node, const QString& undoLabel)
{
    // Items the user adds take the saved defaults of their kind; pasted and
    // loaded items keep the options they were saved with.
    ItemDefaults::apply(*node, m_runContext.settings());
    {
        UndoScope scope(*this, undoLabel);
        insertNode(node);
    }
    emit nodesAdded();
    if (m_autoRun)
        process(RunUnprocessed, false);
}

Connection* GraphModel::insertConnection(Node* from, Node* to)
{
    auto* c = new Connection(from, to);
    m_connections.append(c);
    emit connectionInserted(c);
    return c;
}

void GraphModel::clearGraph()
{
    m_connectionStart = nullptr;
    const QList<Connection*> allConnections = connections();
    for (Connection* c : allConnections)
        delete c;
    const QList<Node*> allNodes = nodes();
    for (Node* n : allNodes)
        delete n;
}

void GraphModel::rebindAll()
{
    const QList<Node*> all = nodes();
    for (Node* n : all) {
        if (auto* t = qobject_cast<TransformNode*>(n))
            t->upstreamChanged();
    }
}

// Connections

bool GraphModel::canConnect(const Node* from, const Node* to) const
{
    if (!from || !to || from == to)
        return false;
    if (to->connections(Incoming).size() >= to->maxUpstream()
        || from->connections(Outgoing).size() >= from->maxDownstream())
        return false;
    // A connection into an ancestor would close a cycle.
    return !to->isConnectedFrom(from) && !reachesDownstream(to, from);
}

QList<Node*> GraphModel::connectableTargets(Node* from) const
{
    QList<Node*> targets;
    const QList<Node*> all = nodes();
    for (Node* n : all) {
        if (canConnect(from, n))
            targets.append(n);
    }
    return targets;
}

void GraphModel::startConnection(Node* from)
{
    m_connectionStart = from;
}

Connection* GraphModel::connectTo(Node* to)
{
    Node* from = m_connectionStart;
    m_connectionStart = nullptr;
    if (!canConnect(from, to))
        return nullptr;
    Connection* c = nullptr;
    {
        UndoScope scope(*this, QStringLiteral("add connection"));
        c = insertConnection(from, to);
        // The user has given the item a new upstream item.
        MissingUpstream::clear(to);
        if (auto* t = qobject_cast<TransformNode*>(to)) {
            t->upstreamChanged();
            emit nodeParametersChanged(t);
        }
        to->setStatus(StatusNeedsUpdating, true);
    }
    if (m_autoRun && !m_processing)
        process(RunUnprocessed, false);
    return c;
}

Connection* GraphModel::connectNodes(Node* from, Node* to)
{
    m_connectionStart = from;
    return connectTo(to);
}

// Editing

void GraphModel::removeConnection(Connection* connection)
{
    Node* end = connection->endNode();
    delete connection;
    if (auto* t = qobject_cast<TransformNode*>(end))
        t->upstreamChanged();
}

void GraphModel::bridge(Node* node)
{
    node->setStatus(StatusNeedsUpdating, true);
    Connection* incoming = node->connections(Incoming).first();
    Node* upstream = incoming->startNode();
    delete incoming;
    const QList<Connection*> outgoing = node->connections(Outgoing);
    for (Connection* c : outgoing) {
        Node* downstream = c->endNode();
        if (auto* t = qobject_cast<TransformNode*>(downstream)) {
            // The deleted item passed its upstream columns through, so the
            // options keep resolving against the item above it.
            const QList<TransformParameter*> bound = t->transform()
                ? t->transform()->parametersBoundTo(node)
                : QList<TransformParameter*>();
            for (TransformParameter* p : bound)
                p->setSourceItem(upstream);
        }
        if (!downstream->isConnectedFrom(upstream))
            insertConnection(upstream, downstream);
    }
}

void GraphModel::removeNode(Node* node)
{
    QList<QPointer<Node>> downstream;
    const QList<Node*> below = node->downstreamNodes(false);
    for (Node* d : below) {
        d->setStatus(StatusNeedsUpdating, true);
        downstream.append(d);
    }
    if (m_connectionStart == node)
        m_connectionStart = nullptr;
    delete node;
    for (const QPointer<Node>& d : qAsConst(downstream)) {
        if (auto* t = qobject_cast<TransformNode*>(d.data()))
            t->upstreamChanged();
    }
}

void GraphModel::deleteSelection()
{
    if (m_processing)
        return;
    const QList<Connection*> selectedConnections = connections(true);
    const QList<Node*> selectedNodes = nodes(true);
    if (selectedConnections.isEmpty() && selectedNodes.isEmpty())
        return;
    {
        UndoScope scope(*this, QStringLiteral("delete"));
        for (Connection* c : selectedConnections) {
            c->endNode()->setStatus(StatusNeedsUpdating, true);
            removeConnection(c);
        }
        for (Node* n : selectedNodes) {
            const QList<Connection*> incoming = n->connections(Incoming);
            if (incoming.size() == 1 && !incoming.first()->startNode()->isSelected()
                && !n->connections(Outgoing).isEmpty())
                bridge(n);
        }
        QList<QPointer<Node>> doomed;
        for (Node* n : selectedNodes)
            doomed.append(n);
        for (const QPointer<Node>& n : qAsConst(doomed)) {
            if (n)
                removeNode(n);
        }
    }
    emit nodesDeleted();
    if (m_autoRun)
        process(RunUnprocessed, false);
}

int GraphModel::columnOptionsReset(const QList<Connection*>& list) const
{
    int count = 0;
    for (const Connection* c : list) {
        auto* t = qobject_cast<TransformNode*>(c->endNode());
        if (t && t->transform())
            count += t->transform()->columnOptionCount(c->startNode());
    }
    return count;
}

bool GraphModel::disconnectSelection()
{
    if (m_processing)
        return false;
    QList<Connection*> affected;
    const QList<Node*> selected = nodes(true);
    for (Node* n : selected) {
        const QList<Connection*> own = n->connections(AllConnections);
        for (Connection* c : own) {
            if (!affected.contains(c))
                affected.append(c);
        }
    }
    if (affected.isEmpty())
        return false;
    const int reset = columnOptionsReset(affected);
    if (reset > 0
        && !prompt().confirm(
            QStringLiteral("This disconnection may reset %1 column related option(s) downstream. "
                           "Are you sure you want to do that?\n\nNote that you can insert a "
                           "transform by selecting an exiting connection then adding a "
                           "transform.")
                .arg(reset)))
        return false;
    {
        UndoScope scope(*this, QStringLiteral("disconnect"));
        for (Connection* c : qAsConst(affected)) {
            c->endNode()->setStatus(StatusNeedsUpdating, true);
            removeConnection(c);
        }
    }
    if (m_autoRun)
        process(RunUnprocessed, false);
    return true;
}

UserPrompt& GraphModel::prompt() const
{
    return m_prompt ? *m_prompt : *m_defaultPrompt;
}

void GraphModel::setPrompt(UserPrompt* prompt)
{
    m_prompt = prompt;
}

// Undo history

GraphModel::UndoScope::UndoScope(GraphModel& scene, const QString& label)
    : m_outermost(!g_takingSnapshot)
{
    if (m_outermost) {
        g_takingSnapshot = true;
        scene.recordSnapshot(label);
    }
}

GraphModel::UndoScope::~UndoScope()
{
    if (m_outermost)
        g_takingSnapshot = false;
}

void GraphModel::setSnapshotMaker(SnapshotMaker maker)
{
    m_snapshotMaker = maker ? std::move(maker) : SnapshotMaker(&MemorySnapshot::capture);
}

void GraphModel::recordSnapshot(const QString& label)
{
    if (m_restoring)
        return;
    // A new change makes the undone changes unreachable.
    m_snapshots.erase(m_snapshots.begin(), m_snapshots.begin() + m_undoPosition);
    m_undoPosition = 0;
    m_redoTip.reset();
    m_snapshots.insert(m_snapshots.begin(), m_snapshotMaker(*this, label));
    while (int(m_snapshots.size()) > MaxSnapshots)
        m_snapshots.pop_back();
    emit undoHistoryChanged();
}

bool GraphModel::canUndo() const
{
    return !m_processing && m_undoPosition < int(m_snapshots.size());
}

bool GraphModel::canRedo() const
{
    return !m_processing && m_undoPosition > 0;
}

QString GraphModel::undoLabel() const
{
    return m_undoPosition < int(m_snapshots.size()) ? m_snapshots.at(m_undoPosition)->label()
                                                    : QString();
}

bool GraphModel::undo()
{
    if (!canUndo())
        return false;
    if (m_undoPosition == 0)
        m_redoTip = m_snapshotMaker(*this, QStringLiteral("redo"));
    restoreSnapshot(*m_snapshots.at(m_undoPosition));
    ++m_undoPosition;
    emit undoHistoryChanged();
    return true;
}

bool GraphModel::redo()
{
    if (!canRedo())
        return false;
    --m_undoPosition;
    restoreSnapshot(m_undoPosition == 0 ? *m_redoTip : *m_snapshots.at(m_undoPosition - 1));
    if (m_undoPosition == 0)
        m_redoTip.reset();
    emit undoHistoryChanged();
    return true;
}

void GraphModel::restoreSnapshot(const UndoSnapshot& snapshot)
{
    // The items are rebuilt; the ones the user had selected stay selected,
    // so that the right pane keeps showing the item just changed back.
    QSet<qint32> selected;
    for (const Node* n : nodes(true))
        selected.insert(n->id());
    m_restoring = true;
    snapshot.restore(*this);
    m_restoring = false;
    for (Node* n : nodes()) {
        if (selected.contains(n->id()))
            n->setSelected(true);
    }
    emit nodesAdded();
    if (m_autoRun)
        process(RunUnprocessed, false);
}

QString GraphModel::absolutePath(const QString& path) const
{
    if (path.isEmpty() || !QFileInfo(path).isRelative() || documentPath().isEmpty())
        return path;
    return QDir::cleanPath(QFileInfo(documentPath()).absoluteDir().filePath(path));
}
