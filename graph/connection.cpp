#include "graph/connection.h"

#include "graph/graphmodel.h"
#include "graph/node.h"

Connection::Connection(Node* start, Node* end) : m_start(start), m_end(end)
{
    start->addConnection(this);
    end->addConnection(this);
}

Connection::~Connection()
{
    m_start->removeConnection(this);
    m_end->removeConnection(this);
    if (GraphModel* graph = m_start->graph())
        graph->forgetConnection(this);
}

void Connection::setSelected(bool on)
{
    if (on == m_selected)
        return;
    m_selected = on;
    if (GraphModel* graph = m_start->graph())
        graph->connectionSelectionChanged(this);
}
