#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class GraphModel;
class ItemDefaultsBar;
class QBoxLayout;
class Node;
class ParameterEditor;
class QFormLayout;
class QLabel;
class Transform;
class TransformNode;

// The options form of the selected item. For a Transform item it holds one
// editor per option; other item kinds (Input, Output) bring their own form
// through registerFormFactory() (the Input and Output forms are built in);
// a form with a load() slot or invokable is reloaded on every refresh.
//
// An edit is stored into the option at once, recorded for undo (one
// snapshot per run of edits to the same option) and handed to the scene as
// a delayed change, so processing waits until the user pauses.
class ItemPaneOptions : public QWidget
{
    Q_OBJECT

public:
    // Builds the options form for an item of one kind (its graphics item
    // type); the form refreshes itself from the Node it was given.
    using FormFactory = std::function<QWidget*(Node* node, QWidget* parent)>;
    static void registerFormFactory(int nodeType, FormFactory factory);

    explicit ItemPaneOptions(QWidget* parent = nullptr);

    void setNode(Node* node);
    Node* node() const { return m_node; }
    // Re-reads the values and upstream column names into the editors.
    void refresh();

    // Whether the item has any options to show.
    bool hasForm() const { return m_form && (!m_editors.isEmpty() || m_hasCustomForm); }
    const QList<ParameterEditor*>& editors() const { return m_editors; }
    ParameterEditor* editor(const QString& key) const;
    // "Save as default" and "Reset to defaults" of the shown item, or null.
    ItemDefaultsBar* defaultsBar() const;
    // Where that bar goes: a row outside the options (the pane's header),
    // at the index given; without one it goes under the options.
    void setDefaultsBarHost(QBoxLayout* row, int index);
    QLabel* label(const QString& key) const { return m_labels.value(key); }

signals:
    // An option of the shown item was changed by the user.
    void optionsChanged(Node* node);

private:
    void build();
    void addDefaultsBar();
    void addPivotLayout(Transform* transform, QFormLayout* form);
    void clearForm();
    void onEdited(ParameterEditor* editor);
    void applyOptionStates();
    TransformNode* transformNode() const;
    GraphModel* scene() const;

    QPointer<Node> m_node;
    QWidget* m_form = nullptr;
    QList<ParameterEditor*> m_editors;
    QHash<QString, QLabel*> m_labels;
    // The option whose edits the newest undo snapshot covers; any other
    // change to the history (another item moved, a comment, an undo) ends
    // that run of edits.
    QString m_undoKey;
    bool m_recording = false;
    QMetaObject::Connection m_historyWatch;
    bool m_hasCustomForm = false;
    QWidget* m_customForm = nullptr;
    QPointer<ItemDefaultsBar> m_defaultsBar;
    QBoxLayout* m_defaultsHost = nullptr;
    int m_defaultsHostIndex = 0;
};
