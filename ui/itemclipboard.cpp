#include "ui/itemclipboard.h"

#include "graph/connection.h"
#include "graph/graphscene.h"
#include "graph/node.h"
#include "graph/node.h"
#include "graph/nodefactory.h"
#include "graph/transformnode.h"

#include <QHash>
#include <QRectF>

ItemClipboard& ItemClipboard::instance()
{
    static ItemClipboard clipboard;
    return clipboard;
}

int ItemClipboard::copySelection(const GraphScene& scene)
{
    const QList<Node*> selected = scene.nodes(true);
    if (selected.isEmpty())
        return 0;
    m_items.clear();
    m_connections.clear();
    for (const Node* n : selected)
        m_items.append({ n->type(), n->id(), n->pos(), n->name(), n->comment(), n->saveOptions() });
    // Only connections whose two ends were copied go with them.
    for (const Connection* c : scene.connections()) {
        if (c->startNode()->isSelected() && c->endNode()->isSelected())
            m_connections.append(qMakePair(c->startNode()->id(), c->endNode()->id()));
    }
    return m_items.size();
}

QList<Node*> ItemClipboard::paste(GraphScene& scene, const QPointF& centre)
{
    QList<Node*> pasted;
    if (m_items.isEmpty() || scene.isProcessing())
        return pasted;
    QRectF area;
    for (const Item& item : qAsConst(m_items))
        area = area.united(QRectF(item.pos, QSizeF(140, 56)));
    const QPointF shift = centre - area.center();
    {
        GraphScene::UndoScope scope(scene, QStringLiteral("paste"));
        scene.clearSelection();
        QHash<qint32, Node*> byOldId;
        for (const Item& item : qAsConst(m_items)) {
            Node* n = NodeFactory::create(item.kind);
            if (!n)
                continue;
            n->setId(-1);
            n->setPos(item.pos + shift);
            n->setName(item.name);
            n->setComment(item.comment);
            n->restoreOptions(item.options);
            scene.insertNode(n);
            n->setSelected(true);
            byOldId.insert(item.id, n);
            pasted.append(n);
        }
        for (const auto& c : qAsConst(m_connections)) {
            Node* from = byOldId.value(c.first);
            Node* to = byOldId.value(c.second);
            if (from && to)
                scene.insertConnection(from, to);
        }
        for (Node* n : qAsConst(pasted)) {
            if (auto* t = qobject_cast<TransformNode*>(n))
                t->upstreamChanged();
        }
    }
    emit scene.nodesAdded();
    if (scene.autoRun())
        scene.process(GraphScene::RunUnprocessed, false);
    return pasted;
}
