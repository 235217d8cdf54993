#pragma once

#include <QGraphicsObject>
#include <QGraphicsPathItem>
#include <QGraphicsScene>
#include <QHash>
#include <QPointer>

class Connection;
class GraphModel;
class Node;

// The canvas picture of one graph item. It holds nothing of its own: where
// it stands and whether it is selected are the model's, and the pane paints
// it through NodePainter. Moving or selecting it with the mouse changes the
// model, which the item then follows.
class NodeItem : public QGraphicsObject
{
    Q_OBJECT

public:
    explicit NodeItem(Node* node);

    Node* node() const { return m_node; }
    int type() const override;
    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;
    // Takes the model's position and selection.
    void follow();

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    Node* m_node;
    bool m_following = false;
};

// The canvas picture of a connection: a path from edge to edge, so that it
// can be picked where it shows.
class ConnectionItem : public QGraphicsPathItem
{
public:
    explicit ConnectionItem(Connection* connection);

    Connection* connection() const { return m_connection; }
    int type() const override;
    void updatePath();
    void follow();

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    Connection* m_connection;
    bool m_following = false;
};

// The graphics scene of the centre pane: one item per graph item and per
// connection, made, moved, selected and removed as the model says.
class GraphCanvas : public QGraphicsScene
{
    Q_OBJECT

public:
    explicit GraphCanvas(GraphModel* graph, QObject* parent = nullptr);
    ~GraphCanvas() override;

    GraphModel* graph() const { return m_graph; }
    NodeItem* itemOf(const Node* node) const { return m_nodeItems.value(node); }
    ConnectionItem* itemOf(const Connection* connection) const
    {
        return m_connectionItems.value(connection);
    }
    // The graph item a canvas item draws; null for anything else.
    static Node* nodeOf(const QGraphicsItem* item);
    static Connection* connectionOf(const QGraphicsItem* item);

private:
    void onNodeInserted(Node* node);
    void onNodeRemoved(Node* node);
    void onConnectionInserted(Connection* connection);
    void onConnectionRemoved(Connection* connection);
    void onNodeMoved(const QList<Node*>& nodes);
    void onNodeSelected(Node* node);
    void onConnectionSelected(Connection* connection);

    QPointer<GraphModel> m_graph;
    QHash<const Node*, NodeItem*> m_nodeItems;
    QHash<const Connection*, ConnectionItem*> m_connectionItems;
};
