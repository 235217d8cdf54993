#pragma once

// The progress window of the transforms that can run for a long time
// (Dedupe, whose fuzzy grouping grows with the square of the distinct
// keys). It follows the item in progress through the scene's signals, shows
// the item's progress at every pump of the run, and its Stop button stops
// the run as the Run menu's command does. The engine knows nothing of it.

#include "graph/graphmodel.h"
#include <QElapsedTimer>
#include <QObject>

#include <QPointer>
#include <QProgressDialog>

class GraphModel;
class Node;
class QWidget;

class ProgressWindow : public QObject
{
    Q_OBJECT

public:
    explicit ProgressWindow(QWidget* parent);
    ~ProgressWindow() override;

    void setGraph(GraphModel* graph);
    // Items that run quickly never show the window: it appears only once
    // the item has run this long (milliseconds).
    void setShowAfter(int milliseconds) { m_showAfter = milliseconds; }
    static bool wantsWindow(const Node* node);
    QProgressDialog* dialog() const { return m_dialog; }

signals:
    void stopRequested();

private:
    void onNodeDataChanged(Node* node);
    void onHeartBeat();
    void finish();

    QWidget* m_parent;
    QPointer<GraphModel> m_graph;
    QPointer<Node> m_node;
    QPointer<QProgressDialog> m_dialog;
    QElapsedTimer m_started;
    int m_showAfter = 400;
};
