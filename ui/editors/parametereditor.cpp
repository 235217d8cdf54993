#include "ui/editors/parametereditor.h"

#include "core/dataset.h"
#include "transforms/transformparameter.h"
#include "ui/editors/columneditors.h"
#include "ui/editors/simpleeditors.h"
#include "ui/editors/termeditors.h"
#include "ui/editors/verifyruleseditor.h"

#include <QComboBox>

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

ParameterEditor* createParameterEditor(TransformParameter* parameter, QWidget* parent)
{
    ParameterEditor* editor = nullptr;
    switch (parameter->type()) {
    case ParameterType::SingleColumn: editor = new SingleColumnEditor(parameter, parent); break;
    case ParameterType::MultipleColumns:
    case ParameterType::CheckedColumns:
    case ParameterType::ReorderColumns: editor = new ColumnListEditor(parameter, parent); break;
    case ParameterType::SortColumns:
    case ParameterType::OrderedColumns: editor = new SortColumnsEditor(parameter, parent); break;
    case ParameterType::RenameColumns: editor = new RenameColumnsEditor(parameter, parent); break;
    case ParameterType::Unique: editor = new UniqueColumnsEditor(parameter, parent); break;
    case ParameterType::FilterColumns: editor = new FilterTermsEditor(parameter, parent); break;
    case ParameterType::If: editor = new IfEditor(parameter, parent); break;
    case ParameterType::ReplaceTerms: editor = new ReplaceTermsEditor(parameter, parent); break;
    case ParameterType::SplitRows: editor = new SplitRowsEditor(parameter, parent); break;
    case ParameterType::VerifyRules: editor = new VerifyRulesEditor(parameter, parent); break;
    case ParameterType::Bool: editor = new BoolEditor(parameter, parent); break;
    case ParameterType::Selection: editor = new SelectionEditor(parameter, parent); break;
    case ParameterType::Text: editor = new TextEditor(parameter, parent); break;
    case ParameterType::Int: editor = new IntEditor(parameter, parent); break;
    case ParameterType::Real: editor = new RealEditor(parameter, parent); break;
    case ParameterType::Char: editor = new CharEditor(parameter, parent); break;
    case ParameterType::Script: editor = new ScriptEditor(parameter, parent); break;
    case ParameterType::LongText: editor = new LongTextEditor(parameter, parent); break;
    case ParameterType::Label: editor = new LabelEditor(parameter, parent); break;
    case ParameterType::Date: editor = new DateEditor(parameter, parent); break;
    case ParameterType::Locale: editor = new LocaleEditor(parameter, parent); break;
    }
    if (editor)
        editor->load();
    return editor;
}
