#pragma once

class Node;

// A directed edge from an upstream Node (its start) to a downstream Node
// (its end). Registers itself with both Nodes, and with their graph, on
// construction and removes itself from them when deleted.
class Connection
{
public:
    static constexpr int ConnectionType = 65536 + 10;

    Connection(Node* start, Node* end);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // 0 the start, 1 the end.
    Node* node(int which) const { return which == 0 ? m_start : m_end; }
    Node* startNode() const { return m_start; }
    Node* endNode() const { return m_end; }

    bool isSelected() const { return m_selected; }
    void setSelected(bool on);

private:
    Node* m_start;
    Node* m_end;
    bool m_selected = false;
};
