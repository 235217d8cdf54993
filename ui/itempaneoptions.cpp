#include "ui/itempaneoptions.h"

#include "graph/graphmodel.h"
#include "graph/itemdefaults.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"
#include "ui/chartpane.h"
#include "ui/editors/parametereditor.h"
#include "ui/itemdefaultsbar.h"
#include "ui/itempaneio.h"
#include "ui/pivotfields.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QHash<int, ItemPaneOptions::FormFactory>& formFactories()
{
    static QHash<int, ItemPaneOptions::FormFactory> factories;
    return factories;
}

// The built-in forms go in first, so that a later registration replaces
// them.
void ensureBuiltInForms()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    registerIoOptionsForms();
    registerChartOptionsForm();
}

} // namespace

void ItemPaneOptions::registerFormFactory(int nodeType, FormFactory factory)
{
    ensureBuiltInForms();
    formFactories().insert(nodeType, std::move(factory));
}

ItemPaneOptions::ItemPaneOptions(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

TransformNode* ItemPaneOptions::transformNode() const
{
    return m_node && m_node->type() == TransformNodeType
        ? static_cast<TransformNode*>(m_node.data())
        : nullptr;
}

GraphModel* ItemPaneOptions::scene() const
{
    return m_node ? m_node->graph() : nullptr;
}

void ItemPaneOptions::setNode(Node* node)
{
    // A null item is never "the same": the item shown may have been deleted
    // (an undo rebuilds every item), and its editors must go with it.
    if (node && node == m_node && m_form)
        return;
    m_node = node;
    m_undoKey.clear();
    disconnect(m_historyWatch);
    if (GraphModel* graph = scene()) {
        m_historyWatch = connect(graph, &GraphModel::undoHistoryChanged, this, [this] {
            if (!m_recording)
                m_undoKey.clear();
        });
    }
    build();
}

void ItemPaneOptions::clearForm()
{
    m_editors.clear();
    m_labels.clear();
    m_hasCustomForm = false;
    m_customForm = nullptr;
    delete m_defaultsBar;
    delete m_form;
    m_form = nullptr;
}

void ItemPaneOptions::build()
{
    clearForm();
    if (!m_node)
        return;
    m_form = new QWidget(this);
    layout()->addWidget(m_form);
    TransformNode* tnode = transformNode();
    if (!tnode || !tnode->transform()) {
        auto* layout = new QVBoxLayout(m_form);
        layout->setContentsMargins(0, 0, 0, 0);
        ensureBuiltInForms();
        const auto factory = formFactories().constFind(m_node->type());
        if (factory != formFactories().constEnd())
            m_customForm = factory.value()(m_node, m_form);
        if (m_customForm) {
            layout->addWidget(m_customForm);
            m_hasCustomForm = true;
        }
        addDefaultsBar();
        return;
    }
    Transform* transform = tnode->transform();
    transform->updateChoices();
    // Types that ask for it get their labels above the editors, which suits
    // forms made mostly of wide tables.
    const bool stacked = transform->optionLayoutFlag();
    auto* form = new QFormLayout(m_form);
    form->setContentsMargins(0, 0, 0, 0);
    form->setRowWrapPolicy(stacked ? QFormLayout::WrapAllRows : QFormLayout::DontWrapRows);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    addPivotLayout(transform, form);
    for (TransformParameter* parameter : transform->parameters()) {
        if (!parameter->pivotEditorFlag())
            continue;
        ParameterEditor* editor = createParameterEditor(parameter, m_form);
        if (!editor)
            continue;
        m_editors.append(editor);
        connect(editor, &ParameterEditor::edited, this, &ItemPaneOptions::onEdited);
        if (editor->showsOwnLabel()) {
            form->addRow(editor);
            continue;
        }
        auto* label = new QLabel(optionLabel(parameter->label()), m_form);
        label->setToolTip(parameter->tooltip());
        label->setBuddy(editor);
        m_labels.insert(parameter->key(), label);
        form->addRow(label, editor);
    }
    applyOptionStates();
    addDefaultsBar();
}

ItemDefaultsBar* ItemPaneOptions::defaultsBar() const
{
    return m_defaultsBar;
}

void ItemPaneOptions::addDefaultsBar()
{
    if (!ItemDefaults::canSave(*m_node))
        return;
    m_defaultsBar = new ItemDefaultsBar(m_node, this, this);
    if (m_defaultsHost)
        m_defaultsHost->insertWidget(m_defaultsHostIndex, m_defaultsBar);
    else
        layout()->addWidget(m_defaultsBar);
}

void ItemPaneOptions::setDefaultsBarHost(QBoxLayout* row, int index)
{
    m_defaultsHost = row;
    m_defaultsHostIndex = index;
}

// The options that lay out a pivot table (those without the pivot editor
// flag: the row keys, the column keys and the value) go together at the top,
// each headed by its label, the way a pivot table's fields are laid out,
// rather than one under another in the form.
void ItemPaneOptions::addPivotLayout(Transform* transform, QFormLayout* form)
{
    auto* pivot = new PivotFields(m_form);
    for (TransformParameter* parameter : transform->parameters()) {
        if (parameter->pivotEditorFlag())
            continue;
        ParameterEditor* editor = createParameterEditor(parameter, pivot);
        if (!editor)
            continue;
        m_editors.append(editor);
        connect(editor, &ParameterEditor::edited, this, &ItemPaneOptions::onEdited);
        auto* label = new QLabel(optionLabel(parameter->label()), pivot);
        label->setToolTip(parameter->tooltip());
        label->setBuddy(editor);
        m_labels.insert(parameter->key(), label);
        pivot->addField(label, editor);
    }
    if (pivot->fieldCount() == 0) {
        delete pivot;
        return;
    }
    pivot->setObjectName(QStringLiteral("pivotLayout"));
    form->addRow(pivot);
}

ParameterEditor* ItemPaneOptions::editor(const QString& key) const
{
    for (ParameterEditor* e : m_editors) {
        if (e->parameter()->key() == key)
            return e;
    }
    return nullptr;
}

void ItemPaneOptions::refresh()
{
    if (!m_node) {
        clearForm();
        return;
    }
    TransformNode* tnode = transformNode();
    // A different set of options (an undo restored other parameters, or the
    // transform was replaced) needs a new form.
    if (tnode && tnode->transform()) {
        const QList<TransformParameter*> parameters = tnode->transform()->parameters();
        bool same = m_editors.size() == parameters.size();
        for (ParameterEditor* e : m_editors)
            same = same && parameters.contains(e->parameter());
        if (!same || !m_form) {
            build();
            return;
        }
    }
    const QWidget* focus = QApplication::focusWidget();
    // Forms of other item kinds reload through their load() when they have
    // one (Input items learn their header on the first read).
    if (m_customForm && m_customForm->metaObject()->indexOfMethod("load()") >= 0
        && (!focus || !m_customForm->isAncestorOf(focus)))
        QMetaObject::invokeMethod(m_customForm, "load");
    for (ParameterEditor* e : m_editors) {
        // Leave the editor being typed in alone: reloading would move the
        // cursor under the user's fingers.
        if (!focus || !e->isAncestorOf(focus))
            e->load();
    }
    applyOptionStates();
}

void ItemPaneOptions::applyOptionStates()
{
    TransformNode* tnode = transformNode();
    if (!tnode || !tnode->transform())
        return;
    QHash<QString, bool> enabled;
    for (const auto& state : tnode->transform()->optionStates())
        enabled.insert(state.first, state.second);
    for (ParameterEditor* e : m_editors) {
        const bool on = enabled.value(e->parameter()->key(), true);
        e->setEnabled(on);
        if (QLabel* l = m_labels.value(e->parameter()->key()))
            l->setEnabled(on);
    }
}

void ItemPaneOptions::onEdited(ParameterEditor* editor)
{
    if (!m_node)
        return;
    TransformParameter* parameter = editor->parameter();
    GraphModel* graph = scene();
    if (graph && graph->isProcessing()) {
        // The run may be reading the options: the edit waits for its end.
        graph->whenIdle(editor, [this, editor] { onEdited(editor); });
        return;
    }
    if (graph && m_undoKey != parameter->key()) {
        m_recording = true;
        graph->recordSnapshot(tr("change '%1'").arg(parameter->label()));
        m_recording = false;
        m_undoKey = parameter->key();
    }
    parameter->setValue(editor->editedValue());
    TransformNode* tnode = transformNode();
    if (tnode && tnode->transform() && tnode->transform()->updateChoices()) {
        for (ParameterEditor* e : m_editors) {
            if (e != editor)
                e->load();
        }
    }
    applyOptionStates();
    emit optionsChanged(m_node);
    if (graph)
        graph->onSourceChangedDelayed(m_node);
}
