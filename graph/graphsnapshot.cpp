#include "graph/graphsnapshot.h"
#include "graph/graphcopy.h"

#include "graph/connection.h"
#include "graph/graphmodel.h"
#include "graph/node.h"
#include "graph/nodefactory.h"

#include <QHash>

std::unique_ptr<UndoSnapshot> MemorySnapshot::capture(const GraphModel& scene, const QString& label)
{
    std::unique_ptr<MemorySnapshot> snapshot(new MemorySnapshot(label));
    const QList<Node*> nodes = scene.nodes();
    for (const Node* n : nodes) {
        snapshot->m_nodes.append(
            NodeRecord { n->type(), n->id(), n->pos(), n->name(), n->comment(), n->saveOptions() });
    }
    const QList<Connection*> connections = scene.connections();
    for (const Connection* c : connections)
        snapshot->m_connections.append(qMakePair(c->startNode()->id(), c->endNode()->id()));
    return snapshot;
}

bool MemorySnapshot::restore(GraphModel& scene) const
{
    scene.clearGraph();
    QHash<qint32, Node*> byId;
    bool complete = true;
    for (const NodeRecord& record : m_nodes) {
        Node* n = NodeFactory::create(record.kind);
        if (!n) {
            complete = false;
            continue;
        }
        n->setId(record.id);
        n->setPos(record.pos);
        n->setName(record.name);
        n->setComment(record.comment);
        n->restoreOptions(record.options);
        scene.insertNode(n);
        byId.insert(record.id, n);
    }
    for (const QPair<qint32, qint32>& c : m_connections) {
        Node* from = byId.value(c.first);
        Node* to = byId.value(c.second);
        if (from && to)
            scene.insertConnection(from, to);
        else
            complete = false;
    }
    scene.rebindAll();
    return complete;
}

void copyGraph(const GraphModel& from, GraphModel& to)
{
    to.runContext().setSettings(&from.runContext().settings());
    to.setDocumentPath(from.documentPath());
    MemorySnapshot::capture(from, QString())->restore(to);
}
