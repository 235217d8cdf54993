#include "ui/progresswindow.h"

#include "graph/graphmodel.h"
#include "graph/node.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"

#include <QProgressDialog>
#include <QSet>

ProgressWindow::ProgressWindow(QWidget* parent) : QObject(parent), m_parent(parent)
{
}

ProgressWindow::~ProgressWindow()
{
    delete m_dialog;
}

void ProgressWindow::setGraph(GraphModel* graph)
{
    if (m_graph)
        disconnect(m_graph, nullptr, this, nullptr);
    finish();
    m_graph = graph;
    if (!graph)
        return;
    connect(graph, &GraphModel::nodeDataChanged, this, &ProgressWindow::onNodeDataChanged);
    connect(graph, &GraphModel::heartBeat, this, &ProgressWindow::onHeartBeat);
    connect(graph, &GraphModel::processingComplete, this, &ProgressWindow::finish);
}

bool ProgressWindow::wantsWindow(const Node* node)
{
    static const QSet<QString> longRunning { QStringLiteral("Dedupe") };
    const auto* transformNode = qobject_cast<const TransformNode*>(node);
    return transformNode && transformNode->transform()
        && longRunning.contains(transformNode->transform()->typeKey());
}

// The scene reports an item's data as it starts (status Updating) and as
// it ends.
void ProgressWindow::onNodeDataChanged(Node* node)
{
    if (node && node->status() == StatusUpdating && wantsWindow(node)) {
        finish();
        m_node = node;
        m_started.start();
    } else if (node && node == m_node) {
        finish();
    }
}

void ProgressWindow::onHeartBeat()
{
    if (!m_node || m_node->status() != StatusUpdating)
        return;
    if (!m_dialog) {
        if (m_started.elapsed() < m_showAfter)
            return;
        m_dialog = new QProgressDialog(m_parent);
        m_dialog->setWindowTitle(m_node->displayName());
        m_dialog->setLabelText(QStringLiteral("Processing '%1'").arg(m_node->displayName()));
        m_dialog->setCancelButtonText(QStringLiteral("Stop"));
        m_dialog->setRange(0, 100);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
        connect(m_dialog, &QProgressDialog::canceled, this, &ProgressWindow::stopRequested);
        m_dialog->show();
    }
    m_dialog->setValue(qBound(0, int(m_node->progress() * 100), 100));
}

void ProgressWindow::finish()
{
    m_node = nullptr;
    if (m_dialog) {
        // Deleted later: the Stop button's own signal may still be on the stack.
        m_dialog->hide();
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
}
