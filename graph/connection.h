#pragma once

#include <QGraphicsPathItem>
#include <QPolygonF>

class Node;

// A directed edge from an upstream Node (its start) to a downstream Node
// (its end). Registers itself with both Nodes on construction and removes
// itself from them when deleted.
class Connection : public QGraphicsPathItem
{
public:
    static constexpr int ConnectionType = QGraphicsItem::UserType + 10;

    Connection(Node* start, Node* end);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // 0 the start, 1 the end.
    Node* node(int which) const { return which == 0 ? m_start : m_end; }
    Node* startNode() const { return m_start; }
    Node* endNode() const { return m_end; }

    int type() const override { return ConnectionType; }
    // Follows the Nodes after they move.
    void updatePath();
    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    Node* m_start;
    Node* m_end;
    QPolygonF m_arrowHead;
    bool m_hovered = false;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;
};
