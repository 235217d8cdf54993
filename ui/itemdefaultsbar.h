#pragma once

#include <QPointer>
#include <QWidget>

class ItemPaneOptions;
class Node;
class QLabel;
class QPushButton;

// Under an item's options: says which options came from the user's saved
// defaults, and offers "Save as default" and "Reset to defaults" for items
// like it.
class ItemDefaultsBar : public QWidget
{
    Q_OBJECT

public:
    ItemDefaultsBar(Node* node, ItemPaneOptions* options, QWidget* parent = nullptr);

    QPushButton* saveButton() const { return m_save; }
    QPushButton* resetButton() const { return m_reset; }
    QLabel* note() const { return m_note; }

private:
    void showApplied();
    void onSave();
    void onReset();

    QPointer<Node> m_node;
    ItemPaneOptions* m_options;
    QLabel* m_note = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_reset = nullptr;
};
