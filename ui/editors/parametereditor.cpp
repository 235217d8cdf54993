#include "ui/editors/parametereditor.h"

#include "core/dataset.h"
#include "transforms/transformparameter.h"
#include "ui/editors/columneditors.h"
#include "ui/editors/simpleeditors.h"
#include "ui/editors/termeditors.h"
#include "ui/editors/verifyruleseditor.h"

#include <QComboBox>
#include <QHash>

ParameterEditor::ParameterEditor(TransformParameter* parameter, QWidget* parent)
    : QWidget(parent), m_parameter(parameter)
{
    setToolTip(parameter->tooltip());
}

void ParameterEditor::load()
{
    m_loading = true;
    loadValue();
    m_loading = false;
}

void ParameterEditor::notifyEdited()
{
    if (!m_loading)
        emit edited(this);
}

void ParameterEditor::collectColumns(const ColumnRefList& current)
{
    m_columns.clear();
    const Dataset& ds = m_parameter->sourceDataset();
    for (int c = 0; c < ds.columnCount(); ++c)
        m_columns.append(m_parameter->referenceAt(c));
    for (const ColumnRef& ref : current) {
        if (!ref.isEmpty() && m_parameter->resolve(ref) < 0 && columnIndexOf(ref) < 0)
            m_columns.append(ref);
    }
}

QString ParameterEditor::columnLabel(const ColumnRef& ref) const
{
    const int index = m_parameter->resolve(ref);
    if (index >= 0)
        return m_parameter->sourceDataset().columnName(index);
    if (!ref.name.isEmpty())
        return ref.name;
    return ref.position >= 0 ? Dataset::defaultColumnName(ref.position) : QString();
}

int ParameterEditor::columnIndexOf(const ColumnRef& ref) const
{
    if (ref.isEmpty())
        return -1;
    const int resolved = m_parameter->resolve(ref);
    for (int i = 0; i < m_columns.size(); ++i) {
        const ColumnRef& c = m_columns.at(i);
        if (resolved >= 0 ? m_parameter->resolve(c) == resolved : c == ref)
            return i;
    }
    return -1;
}

void ParameterEditor::fillColumnCombo(QComboBox* combo, const QString& noneText) const
{
    combo->clear();
    if (!noneText.isNull())
        combo->addItem(noneText, -1);
    for (int i = 0; i < m_columns.size(); ++i)
        combo->addItem(columnLabel(m_columns.at(i)), i);
}

ColumnRef ParameterEditor::comboColumn(const QComboBox* combo) const
{
    const int index = combo->currentData().toInt();
    if (combo->currentIndex() < 0 || index < 0 || index >= m_columns.size())
        return ColumnRef();
    return m_columns.at(index);
}

void ParameterEditor::selectComboColumn(QComboBox* combo, const ColumnRef& ref) const
{
    const int found = combo->findData(columnIndexOf(ref));
    combo->setCurrentIndex(found >= 0 ? found : 0);
}

namespace {

using EditorMaker = ParameterEditor* (*)(TransformParameter*, QWidget*);

template <class T> ParameterEditor* make(TransformParameter* parameter, QWidget* parent)
{
    return new T(parameter, parent);
}

EditorMaker editorMaker(ParameterType type)
{
    static const QHash<int, EditorMaker> makers {
        { int(ParameterType::SingleColumn), &make<SingleColumnEditor> },
        { int(ParameterType::MultipleColumns), &make<ColumnListEditor> },
        { int(ParameterType::CheckedColumns), &make<ColumnListEditor> },
        { int(ParameterType::ReorderColumns), &make<ColumnListEditor> },
        { int(ParameterType::SortColumns), &make<SortColumnsEditor> },
        { int(ParameterType::OrderedColumns), &make<SortColumnsEditor> },
        { int(ParameterType::RenameColumns), &make<RenameColumnsEditor> },
        { int(ParameterType::Unique), &make<UniqueColumnsEditor> },
        { int(ParameterType::FilterColumns), &make<FilterTermsEditor> },
        { int(ParameterType::If), &make<IfEditor> },
        { int(ParameterType::ReplaceTerms), &make<ReplaceTermsEditor> },
        { int(ParameterType::SplitRows), &make<SplitRowsEditor> },
        { int(ParameterType::VerifyRules), &make<VerifyRulesEditor> },
        { int(ParameterType::Bool), &make<BoolEditor> },
        { int(ParameterType::Selection), &make<SelectionEditor> },
        { int(ParameterType::Text), &make<TextEditor> },
        { int(ParameterType::Int), &make<IntEditor> },
        { int(ParameterType::Real), &make<RealEditor> },
        { int(ParameterType::Char), &make<CharEditor> },
        { int(ParameterType::Script), &make<ScriptEditor> },
        { int(ParameterType::LongText), &make<LongTextEditor> },
        { int(ParameterType::Label), &make<LabelEditor> },
        { int(ParameterType::Date), &make<DateEditor> },
        { int(ParameterType::Locale), &make<LocaleEditor> },
    };
    return makers.value(int(type), nullptr);
}

} // namespace

ParameterEditor* createParameterEditor(TransformParameter* parameter, QWidget* parent)
{
    const EditorMaker maker = editorMaker(parameter->type());
    if (!maker)
        return nullptr;
    ParameterEditor* editor = maker(parameter, parent);
    editor->load();
    return editor;
}
