#include "ui/graphcanvas.h"

#include "graph/connection.h"
#include "graph/graphmodel.h"
#include "graph/node.h"

#include <QPainterPath>

namespace {

// Where the line from the rectangle's centre towards a point leaves it.
QPointF borderPoint(const QRectF& r, const QPointF& towards)
{
    const QPointF c = r.center();
    const QPointF d = towards - c;
    if (qFuzzyIsNull(d.x()) && qFuzzyIsNull(d.y()))
        return c;
    const qreal sx = qFuzzyIsNull(d.x()) ? 1e9 : (r.width() / 2) / qAbs(d.x());
    const qreal sy = qFuzzyIsNull(d.y()) ? 1e9 : (r.height() / 2) / qAbs(d.y());
    return c + d * qMin(qMin(sx, sy), 1.0);
}

} // namespace

// Items

NodeItem::NodeItem(Node* node) : m_node(node)
{
    setFlag(QGraphicsItem::ItemIsSelectable, true);
    setFlag(QGraphicsItem::ItemIsMovable, true);
    setFlag(QGraphicsItem::ItemSendsGeometryChanges, true);
    follow();
}

int NodeItem::type() const
{
    return m_node->type();
}

QRectF NodeItem::boundingRect() const
{
    return Node::itemRect();
}

void NodeItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget)
{
    // The pane paints items itself (GraphPane::drawItems), as markers and
    // comments reach outside the item's rectangle.
    Q_UNUSED(painter)
    Q_UNUSED(option)
    Q_UNUSED(widget)
}

void NodeItem::follow()
{
    m_following = true;
    if (pos() != m_node->pos())
        setPos(m_node->pos());
    if (isSelected() != m_node->isSelected())
        setSelected(m_node->isSelected());
    m_following = false;
}

QVariant NodeItem::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (!m_following) {
        // A run reads the places (two-input bindings, the order items run
        // in): while one goes on, items stay where they are.
        const GraphModel* graph = m_node->graph();
        if (change == ItemPositionChange && graph && graph->isProcessing())
            return pos();
        if (change == ItemPositionHasChanged)
            m_node->setPos(pos());
        else if (change == ItemSelectedHasChanged)
            m_node->setSelected(isSelected());
    }
    return QGraphicsObject::itemChange(change, value);
}

ConnectionItem::ConnectionItem(Connection* connection) : m_connection(connection)
{
    setFlag(QGraphicsItem::ItemIsSelectable, true);
    // Below both items, so a click on an item's body always reaches the item.
    setZValue(-1.0);
    updatePath();
    follow();
}

int ConnectionItem::type() const
{
    return Connection::ConnectionType;
}

void ConnectionItem::updatePath()
{
    // From border to border: the line never crosses an item, so it can be
    // picked only where it is visible.
    const QRectF startRect = m_connection->startNode()->bounds();
    const QRectF endRect = m_connection->endNode()->bounds();
    QPainterPath path(borderPoint(startRect, endRect.center()));
    path.lineTo(borderPoint(endRect, startRect.center()));
    setPath(path);
}

void ConnectionItem::follow()
{
    m_following = true;
    if (isSelected() != m_connection->isSelected())
        setSelected(m_connection->isSelected());
    m_following = false;
}

QVariant ConnectionItem::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (!m_following && change == ItemSelectedHasChanged)
        m_connection->setSelected(isSelected());
    return QGraphicsPathItem::itemChange(change, value);
}

// Canvas

GraphCanvas::GraphCanvas(GraphModel* graph, QObject* parent)
    : QGraphicsScene(parent), m_graph(graph)
{
    // The items are few enough to find without an index, and keeping a BSP
    // index up to date made every repaint of a run re-file the whole graph.
    setItemIndexMethod(QGraphicsScene::NoIndex);
    if (!graph)
        return;
    connect(graph, &GraphModel::nodeInserted, this, &GraphCanvas::onNodeInserted);
    connect(graph, &GraphModel::nodeRemoved, this, &GraphCanvas::onNodeRemoved);
    connect(graph, &GraphModel::connectionInserted, this, &GraphCanvas::onConnectionInserted);
    connect(graph, &GraphModel::connectionRemoved, this, &GraphCanvas::onConnectionRemoved);
    connect(graph, &GraphModel::connectionSelected, this, &GraphCanvas::onConnectionSelected);
    connect(graph, &GraphModel::appearanceChanged, this, [this] { update(); });
    // In the order the graph took them, which is the stacking order.
    for (Node* n : graph->nodesInOrder())
        onNodeInserted(n);
    const QList<Connection*> connections = graph->connections();
    for (Connection* c : connections)
        onConnectionInserted(c);
}

GraphCanvas::~GraphCanvas()
{
    // The items go with the scene; the model's signals must not reach them
    // on the way.
    if (m_graph)
        disconnect(m_graph, nullptr, this, nullptr);
    for (auto it = m_nodeItems.cbegin(); it != m_nodeItems.cend(); ++it)
        disconnect(it.key(), nullptr, this, nullptr);
}

Node* GraphCanvas::nodeOf(const QGraphicsItem* item)
{
    if (!item || item->type() < InputNodeType || item->type() > ChartNodeType)
        return nullptr;
    return static_cast<const NodeItem*>(item)->node();
}

Connection* GraphCanvas::connectionOf(const QGraphicsItem* item)
{
    if (!item || item->type() != Connection::ConnectionType)
        return nullptr;
    return static_cast<const ConnectionItem*>(item)->connection();
}

void GraphCanvas::onNodeInserted(Node* node)
{
    if (m_nodeItems.contains(node))
        return;
    auto* item = new NodeItem(node);
    m_nodeItems.insert(node, item);
    addItem(item);
    connect(node, &Node::nodePosChanged, this, &GraphCanvas::onNodeMoved);
    connect(node, &Node::selectedChanged, this, &GraphCanvas::onNodeSelected);
    connect(node, &Node::appearanceChanged, item, [item] { item->update(); });
}

void GraphCanvas::onNodeRemoved(Node* node)
{
    disconnect(node, nullptr, this, nullptr);
    delete m_nodeItems.take(node);
}

void GraphCanvas::onConnectionInserted(Connection* connection)
{
    if (m_connectionItems.contains(connection))
        return;
    auto* item = new ConnectionItem(connection);
    m_connectionItems.insert(connection, item);
    addItem(item);
}

void GraphCanvas::onConnectionRemoved(Connection* connection)
{
    delete m_connectionItems.take(connection);
}

void GraphCanvas::onNodeMoved(const QList<Node*>& nodes)
{
    for (const Node* n : nodes) {
        if (NodeItem* item = m_nodeItems.value(n))
            item->follow();
        for (const Connection* c : n->connections())
            if (ConnectionItem* line = m_connectionItems.value(c))
                line->updatePath();
    }
}

void GraphCanvas::onNodeSelected(Node* node)
{
    if (NodeItem* item = m_nodeItems.value(node))
        item->follow();
}

void GraphCanvas::onConnectionSelected(Connection* connection)
{
    if (ConnectionItem* item = m_connectionItems.value(connection))
        item->follow();
}
