// The main window's command that adds a Chart item below the selected item.

#include "graph/chartnode.h"
#include "graph/graphmodel.h"
#include "ui/graphpane.h"
#include "ui/mainwindow.h"

void MainWindow::onAddChart()
{
    const QList<Node*> selected = m_graph->nodes(true);
    if (m_graph->isProcessing())
        return;
    if (selected.size() != 1 || selected.first()->maxDownstream() == 0) {
        showMessage(tr("To add a Chart you need to first select just 1 Input or Transform "
                       "item in the Center pane."),
            false);
        return;
    }
    Node* from = selected.first();
    GraphModel::UndoScope scope(*m_graph, QStringLiteral("add chart"));
    auto* node = new ChartNode;
    node->setCentre(from->centre() + QPointF(100, 100));
    m_graph->addNode(node, QStringLiteral("add chart"));
    m_graphPane->moveClear(node);
    m_graph->connectNodes(from, node);
    m_graph->clearSelection();
    node->setSelected(true);
}
