#include "ui/editors/termeditors.h"

#include "transforms/format/replacematcher.h"
#include "transforms/support/conditions.h"
#include "transforms/transformparameter.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QVariant refVariant(const ColumnRef& ref)
{
    return QVariant::fromValue(ref);
}

QString anyText()
{
    return QStringLiteral("<Any>");
}

} // namespace

QStringList conditionOperatorTexts()
{
    return conditionOperatorNames();
}

// Filter terms

FilterTermsEditor::FilterTermsEditor(TransformParameter* parameter, QWidget* parent)
    : RowTableEditor(parameter, { tr("Column"), tr("Operator"), tr("Value") }, parent),
      m_keepRemove(new QComboBox(this)),
      m_allAny(new QComboBox(this))
{
    m_keepRemove->addItems({ tr("Keep"), tr("Remove") });
    m_keepRemove->setToolTip(tr("Choose whether to keep or remove matches."));
    m_allAny->addItems({ tr("Matching all (AND)"), tr("Matching any (OR)") });
    auto* top = new QHBoxLayout;
    top->addWidget(m_keepRemove);
    top->addWidget(m_allAny);
    top->addStretch(1);
    static_cast<QVBoxLayout*>(layout())->insertLayout(0, top);
    setColumnsFitContent();
    for (QComboBox* combo : { m_keepRemove, m_allAny })
        connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &FilterTermsEditor::notifyEdited);
}

void FilterTermsEditor::createRow(int row)
{
    makeColumnCombo(row, 0, anyText());
    makeCombo(row, 1, conditionOperatorTexts());
    makeEdit(row, 2);
}

QVariantList FilterTermsEditor::rowData(int row) const
{
    return { refVariant(columnAt(row, 0)), comboAt(row, 1)->currentIndex(),
        editAt(row, 2)->text() };
}

void FilterTermsEditor::setRowData(int row, const QVariantList& data)
{
    selectComboColumn(comboAt(row, 0), data.value(0).value<ColumnRef>());
    comboAt(row, 1)->setCurrentIndex(data.value(1).toInt());
    editAt(row, 2)->setText(data.value(2).toString());
}

void FilterTermsEditor::loadValue()
{
    const FilterList value = parameter()->filterList();
    ColumnRefList refs;
    for (const ConditionTerm& t : value.terms)
        refs.append(t.column);
    collectColumns(refs);
    m_keepRemove->setCurrentIndex(value.keepRemove);
    m_allAny->setCurrentIndex(value.allAny);
    resetRows(value.terms.size());
    for (int r = 0; r < value.terms.size(); ++r) {
        const ConditionTerm& t = value.terms.at(r);
        setRowData(r, { refVariant(t.column), t.op, t.text });
    }
}

QVariant FilterTermsEditor::editedValue() const
{
    FilterList value;
    value.keepRemove = m_keepRemove->currentIndex();
    value.allAny = m_allAny->currentIndex();
    for (int r = 0; r < rowCount(); ++r) {
        const QVariantList d = rowData(r);
        value.terms.append(
            { d.value(0).value<ColumnRef>(), d.value(1).toInt(), d.value(2).toString() });
    }
    return QVariant::fromValue(value);
}

// If

IfEditor::IfEditor(TransformParameter* parameter, QWidget* parent)
    : RowTableEditor(parameter,
        { QString(), tr("Column"), tr("Operator"), tr("Value"), QStringLiteral("  THEN=") },
        parent),
      m_else(new QLineEdit(this))
{
    auto* elseRow = new QHBoxLayout;
    elseRow->addWidget(new QLabel(QStringLiteral("  ELSE="), this));
    elseRow->addWidget(m_else, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(elseRow);
    setColumnsFitContent();
    connect(m_else, &QLineEdit::textEdited, this, &IfEditor::notifyEdited);
}

void IfEditor::createRow(int row)
{
    makeCombo(row, 0, {});
    makeColumnCombo(row, 1, anyText());
    makeCombo(row, 2, conditionOperatorTexts());
    makeEdit(row, 3);
    makeEdit(row, 4);
    updateRowLabel(row, false);
    connect(comboAt(row, 0), QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        [this] { rowsChanged(); });
}

void IfEditor::updateRowLabel(int row, bool joins)
{
    // Rebuilt only when the row changed between first and later, so a
    // drop-down is never emptied while it reports its own change.
    QComboBox* combo = comboAt(row, 0);
    QSignalBlocker block(combo);
    if (row == 0 && combo->count() != 1) {
        combo->clear();
        combo->addItem(QStringLiteral("IF"));
    } else if (row > 0 && combo->count() != 2) {
        combo->clear();
        combo->addItems({ QStringLiteral("ELSE IF"), QStringLiteral("AND") });
    }
    combo->setEnabled(row > 0);
    if (row > 0)
        combo->setCurrentIndex(joins ? 1 : 0);
    // Only the first condition of a branch has a THEN value.
    editAt(row, 4)->setEnabled(row == 0 || !joins);
}

void IfEditor::setRowJoinsAbove(int row, bool joins)
{
    if (row > 0 && row < rowCount())
        comboAt(row, 0)->setCurrentIndex(joins ? 1 : 0);
}

void IfEditor::rowsChanged()
{
    for (int r = 0; r < rowCount(); ++r)
        updateRowLabel(r, r > 0 && comboAt(r, 0)->currentIndex() == 1);
}

QVariantList IfEditor::rowData(int row) const
{
    const bool joins = row > 0 && comboAt(row, 0)->currentIndex() == 1;
    return { joins, refVariant(columnAt(row, 1)), comboAt(row, 2)->currentIndex(),
        editAt(row, 3)->text(), editAt(row, 4)->text() };
}

void IfEditor::setRowData(int row, const QVariantList& data)
{
    updateRowLabel(row, data.value(0).toBool());
    selectComboColumn(comboAt(row, 1), data.value(1).value<ColumnRef>());
    comboAt(row, 2)->setCurrentIndex(data.value(2).toInt());
    editAt(row, 3)->setText(data.value(3).toString());
    editAt(row, 4)->setText(data.value(4).toString());
}

void IfEditor::loadValue()
{
    const IfList value = parameter()->ifList();
    ColumnRefList refs;
    for (const IfBranch& b : value.branches) {
        for (const ConditionTerm& t : b.conditions)
            refs.append(t.column);
    }
    collectColumns(refs);
    QVector<QVariantList> rows;
    for (const IfBranch& b : value.branches) {
        const ConditionTermList conditions
            = b.conditions.isEmpty() ? ConditionTermList { ConditionTerm() } : b.conditions;
        for (int i = 0; i < conditions.size(); ++i) {
            const ConditionTerm& t = conditions.at(i);
            rows.append(
                { i > 0, refVariant(t.column), t.op, t.text, i == 0 ? b.thenValue : QString() });
        }
    }
    resetRows(rows.size());
    for (int r = 0; r < rows.size(); ++r)
        setRowData(r, rows.at(r));
    m_else->setText(value.elseValue);
}

QVariant IfEditor::editedValue() const
{
    IfList value;
    for (int r = 0; r < rowCount(); ++r) {
        const QVariantList d = rowData(r);
        const ConditionTerm term { d.value(1).value<ColumnRef>(), d.value(2).toInt(),
            d.value(3).toString() };
        if (d.value(0).toBool() && !value.branches.isEmpty()) {
            value.branches.last().conditions.append(term);
            continue;
        }
        value.branches.append({ { term }, d.value(4).toString() });
    }
    value.elseValue = m_else->text();
    return QVariant::fromValue(value);
}

// Replace terms

ReplaceTermsEditor::ReplaceTermsEditor(TransformParameter* parameter, QWidget* parent)
    : RowTableEditor(parameter, { tr("Match"), tr("Find"), tr("Replace") }, parent)
{
    setColumnsFitContent();
}

void ReplaceTermsEditor::createRow(int row)
{
    makeCombo(row, 0, ReplaceMatcher::matchTypeNames());
    makeEdit(row, 1);
    makeEdit(row, 2);
}

QVariantList ReplaceTermsEditor::rowData(int row) const
{
    return { comboAt(row, 0)->currentIndex(), editAt(row, 1)->text(), editAt(row, 2)->text() };
}

void ReplaceTermsEditor::setRowData(int row, const QVariantList& data)
{
    comboAt(row, 0)->setCurrentIndex(data.value(0).toInt());
    editAt(row, 1)->setText(data.value(1).toString());
    editAt(row, 2)->setText(data.value(2).toString());
}

void ReplaceTermsEditor::loadValue()
{
    const ReplaceTermList terms = parameter()->replaceTerms();
    resetRows(terms.size());
    for (int r = 0; r < terms.size(); ++r)
        setRowData(r, { terms.at(r).matchType, terms.at(r).find, terms.at(r).replace });
}

QVariant ReplaceTermsEditor::editedValue() const
{
    ReplaceTermList value;
    for (int r = 0; r < rowCount(); ++r) {
        const QVariantList d = rowData(r);
        value.append({ d.value(0).toInt(), d.value(1).toString(), d.value(2).toString() });
    }
    return QVariant::fromValue(value);
}

// Split rows

SplitRowsEditor::SplitRowsEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent),
      m_mode(new QComboBox(this)),
      m_text(new QLineEdit(this)),
      m_times(new QSpinBox(this)),
      m_every(new QSpinBox(this))
{
    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    m_mode->addItems({ tr("By matching column names"), tr("Automatically by column names"),
        tr("By number of columns") });
    m_times->setRange(0, 999999);
    m_every->setRange(0, 999999);
    form->addRow(m_mode);
    form->addRow(tr("Separator"), m_text);
    form->addRow(tr("Every (columns)"), m_every);
    form->addRow(tr("Times"), m_times);
    connect(m_mode, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        updateEnabled();
        notifyEdited();
    });
    connect(m_text, &QLineEdit::textEdited, this, &SplitRowsEditor::notifyEdited);
    for (QSpinBox* spin : { m_times, m_every })
        connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &SplitRowsEditor::notifyEdited);
}

void SplitRowsEditor::updateEnabled()
{
    m_text->setEnabled(m_mode->currentIndex() == 0);
    m_times->setEnabled(m_mode->currentIndex() == 2);
    m_every->setEnabled(m_mode->currentIndex() == 2);
}

void SplitRowsEditor::loadValue()
{
    const SplitRowsSpec spec = parameter()->splitRows();
    m_mode->setCurrentIndex(qBound(0, spec.mode, 2));
    m_text->setText(spec.text);
    m_times->setValue(spec.times);
    m_every->setValue(spec.every);
    updateEnabled();
}

QVariant SplitRowsEditor::editedValue() const
{
    SplitRowsSpec spec;
    spec.mode = m_mode->currentIndex();
    spec.text = m_text->text();
    spec.times = m_times->value();
    spec.every = m_every->value();
    return QVariant::fromValue(spec);
}
