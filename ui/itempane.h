#pragma once

#include "graph/node.h"

#include <QPointer>
#include <QWidget>

class QLabel;

// The right pane: options and data of the selected item. For now it shows
// the item's name and status; the option editors and the data table fill it
// in later.
class ItemPane : public QWidget
{
    Q_OBJECT

public:
    explicit ItemPane(QWidget* parent = nullptr);

    // The item whose options and data are shown; null shows nothing.
    void setNode(Node* node);
    Node* node() const { return m_node; }

public slots:
    // Re-reads the shown item (after processing or a change of its options).
    void refresh();

private:
    QPointer<Node> m_node;
    QLabel* m_title = nullptr;
    QLabel* m_status = nullptr;
};
