#include "graph/graphscene.h"

#include "graph/connection.h"
#include "graph/itemdefaults.h"
#include "graph/missingupstream.h"
#include "graph/node.h"
#include "graph/transformnode.h"
#include "graph/userprompt.h"
#include "transforms/transform.h"

#include <QGraphicsLineItem>
#include <QPen>
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

GraphScene::GraphScene(QObject* parent)
    : QGraphicsScene(parent), m_defaultPrompt(new NonInteractivePrompt(true))
{
    m_snapshotMaker = &MemorySnapshot::capture;
    // The items change size and status all the time and are few enough to
    // find without an index; keeping a BSP index up to date made every pump
    // of a run re-file the whole graph.
    setItemIndexMethod(QGraphicsScene::NoIndex);
    m_delayTimer.setSingleShot(true);
    connect(&m_delayTimer, &QTimer::timeout, this, &GraphScene::onDelayTimeout);
}

GraphScene::~GraphScene()
{
    clearGraph();
}

std::shared_ptr<RunTexts> GraphScene::runTexts()
{
    if (!m_runTexts)
        m_runTexts = std::make_shared<RunTexts>();
    return m_runTexts;
}

// Items

QList<Node*> GraphScene::nodes(bool selectedOnly) const
{
    QList<Node*> list;
    const QList<QGraphicsItem*> all = items(Qt::AscendingOrder);
    for (QGraphicsItem* item : all) {
        if (item->type() < InputNodeType || item->type() > ChartNodeType)
            continue;
        if (!selectedOnly || item->isSelected())
            list.append(static_cast<Node*>(item));
    }
    Node::sortInCanvasOrder(list);
    return list;
}

QList<Connection*> GraphScene::connections(bool selectedOnly) const
{
    QList<Connection*> list;
    const QList<QGraphicsItem*> all = items(Qt::AscendingOrder);
    for (QGraphicsItem* item : all) {
        if (item->type() == Connection::ConnectionType && (!selectedOnly || item->isSelected()))
            list.append(static_cast<Connection*>(item));
    }
    return list;
}

QList<Node*> GraphScene::nodesWithStatus(int status) const
{
    QList<Node*> list;
    const QList<Node*> all = nodes();
    for (Node* n : all) {
        if (n->status() == status)
            list.append(n);
    }
    return list;
}

Node* GraphScene::nodeWithId(qint32 id) const
{
    const QList<Node*> all = nodes();
    for (Node* n : all) {
        if (n->id() == id)
            return n;
    }
    return nullptr;
}

void GraphScene::wireNode(Node* node)
{
    connect(
        node, &Node::processingStart, this, &GraphScene::onProcessingStart, Qt::UniqueConnection);
    connect(node, &Node::processingEnd, this, &GraphScene::onProcessingEnd, Qt::UniqueConnection);
    connect(node, &Node::processed, this, &GraphScene::onProcessed, Qt::UniqueConnection);
    connect(node, &Node::nodePosChanged, this, &GraphScene::onPosChanged, Qt::UniqueConnection);
}

void GraphScene::insertNode(Node* node)
{
    // Loaded and restored items keep their ids; the counter moves past them
    // so that a new item never takes an id another one in this document has.
    if (node->id() < 0)
        node->setId(m_nextId++);
    else
        reserveId(node->id());
    addItem(node);
    wireNode(node);
}

void GraphScene::reserveId(qint32 id)
{
    m_nextId = std::max(m_nextId, id + 1);
}

void GraphScene::addNode(Node* node, const QString& undoLabel)
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

Connection* GraphScene::insertConnection(Node* from, Node* to)
{
    auto* c = new Connection(from, to);
    addItem(c);
    return c;
}

void GraphScene::clearGraph()
{
    m_connectionStart = nullptr;
    const QList<Connection*> allConnections = connections();
    for (Connection* c : allConnections)
        delete c;
    const QList<Node*> allNodes = nodes();
    for (Node* n : allNodes)
        delete n;
}

void GraphScene::hideItems()
{
    const QList<QGraphicsItem*> all = items();
    for (QGraphicsItem* item : all)
        item->setVisible(false);
}

void GraphScene::rebindAll()
{
    const QList<Node*> all = nodes();
    for (Node* n : all) {
        if (auto* t = qobject_cast<TransformNode*>(n))
            t->upstreamChanged();
    }
}

// Connections

bool GraphScene::canConnect(const Node* from, const Node* to) const
{
    if (!from || !to || from == to)
        return false;
    if (to->connections(Incoming).size() >= to->maxUpstream()
        || from->connections(Outgoing).size() >= from->maxDownstream())
        return false;
    // A connection into an ancestor would close a cycle.
    return !to->isConnectedFrom(from) && !reachesDownstream(to, from);
}

QList<Node*> GraphScene::connectableTargets(Node* from) const
{
    QList<Node*> targets;
    const QList<Node*> all = nodes();
    for (Node* n : all) {
        if (canConnect(from, n))
            targets.append(n);
    }
    return targets;
}

void GraphScene::startConnection(Node* from)
{
    m_connectionStart = from;
    if (!m_connectionGuide) {
        m_connectionGuide = new QGraphicsLineItem;
        m_connectionGuide->setPen(QPen(Qt::darkGray, 2.0, Qt::DashLine));
        m_connectionGuide->setZValue(1000.0);
        addItem(m_connectionGuide);
    }
    m_connectionGuide->setLine(QLineF(from->centre(), from->centre()));
    m_connectionGuide->show();
}

Connection* GraphScene::connectTo(Node* to)
{
    Node* from = m_connectionStart;
    if (m_connectionGuide)
        m_connectionGuide->hide();
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

Connection* GraphScene::connectNodes(Node* from, Node* to)
{
    m_connectionStart = from;
    return connectTo(to);
}

// Editing

void GraphScene::removeConnection(Connection* connection)
{
    Node* end = connection->endNode();
    delete connection;
    if (auto* t = qobject_cast<TransformNode*>(end))
        t->upstreamChanged();
}

void GraphScene::bridge(Node* node)
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

void GraphScene::removeNode(Node* node)
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

void GraphScene::deleteSelection()
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

int GraphScene::columnOptionsReset(const QList<Connection*>& list) const
{
    int count = 0;
    for (const Connection* c : list) {
        auto* t = qobject_cast<TransformNode*>(c->endNode());
        if (t && t->transform())
            count += t->transform()->columnOptionCount(c->startNode());
    }
    return count;
}

bool GraphScene::disconnectSelection()
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

UserPrompt& GraphScene::prompt() const
{
    return m_prompt ? *m_prompt : *m_defaultPrompt;
}

void GraphScene::setPrompt(UserPrompt* prompt)
{
    m_prompt = prompt;
}

// Undo history

GraphScene::UndoScope::UndoScope(GraphScene& scene, const QString& label)
    : m_outermost(!g_takingSnapshot)
{
    if (m_outermost) {
        g_takingSnapshot = true;
        scene.recordSnapshot(label);
    }
}

GraphScene::UndoScope::~UndoScope()
{
    if (m_outermost)
        g_takingSnapshot = false;
}

void GraphScene::setSnapshotMaker(SnapshotMaker maker)
{
    m_snapshotMaker = maker ? std::move(maker) : SnapshotMaker(&MemorySnapshot::capture);
}

void GraphScene::recordSnapshot(const QString& label)
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

bool GraphScene::canUndo() const
{
    return !m_processing && m_undoPosition < int(m_snapshots.size());
}

bool GraphScene::canRedo() const
{
    return !m_processing && m_undoPosition > 0;
}

QString GraphScene::undoLabel() const
{
    return m_undoPosition < int(m_snapshots.size()) ? m_snapshots.at(m_undoPosition)->label()
                                                    : QString();
}

bool GraphScene::undo()
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

bool GraphScene::redo()
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

void GraphScene::restoreSnapshot(const UndoSnapshot& snapshot)
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
