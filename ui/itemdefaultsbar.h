#pragma once

#include <QPointer>
#include <QWidget>

class ItemPaneOptions;
class Node;
class QAction;
class QLabel;
class QToolButton;

// Beside the item's comment: says when options came from the user's saved
// defaults, and offers "Save as default" and "Reset to defaults" for items
// like it. It sits in the pane's header so that it costs the options no
// room.
class ItemDefaultsBar : public QWidget
{
    Q_OBJECT

public:
    ItemDefaultsBar(Node* node, ItemPaneOptions* options, QWidget* parent = nullptr);

    QAction* saveAction() const { return m_save; }
    QAction* resetAction() const { return m_reset; }
    // Shown when defaults were applied; the tool tip names the options.
    QLabel* note() const { return m_note; }

private:
    void showApplied();
    void showMessage(const QString& text);
    void onSave();
    void onReset();

    QPointer<Node> m_node;
    ItemPaneOptions* m_options;
    QLabel* m_note = nullptr;
    QToolButton* m_button = nullptr;
    QAction* m_save = nullptr;
    QAction* m_reset = nullptr;
};
