#include "ui/editors/rowtableeditor.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Marks a combo box that lists the upstream columns, with the text of its
// "no column" entry (a null text when it has none).
const char* const ColumnComboNone = "columnComboNone";

} // namespace

RowTableEditor::RowTableEditor(
    TransformParameter* parameter, const QStringList& headers, QWidget* parent)
    : ParameterEditor(parameter, parent), m_table(new QTableWidget(0, headers.size(), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_table->setHorizontalHeaderLabels(headers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->setVisible(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_table);

    auto* buttons = new QHBoxLayout;
    auto makeButton = [&](const QString& text, const QString& tip) {
        auto* button = new QToolButton(this);
        button->setText(text);
        button->setToolTip(tip);
        buttons->addWidget(button);
        return button;
    };
    m_add = makeButton(QStringLiteral("+"), tr("Add a row."));
    m_remove = makeButton(QStringLiteral("-"), tr("Remove the selected row."));
    m_up = makeButton(QStringLiteral("\u25B2"), tr("Move the selected row up."));
    m_down = makeButton(QStringLiteral("\u25BC"), tr("Move the selected row down."));
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_add, &QToolButton::clicked, this, &RowTableEditor::onAdd);
    connect(m_remove, &QToolButton::clicked, this, &RowTableEditor::onRemove);
    connect(m_up, &QToolButton::clicked, this, [this] { onMove(-1); });
    connect(m_down, &QToolButton::clicked, this, [this] { onMove(1); });
    adjustHeight();
}

int RowTableEditor::rowCount() const
{
    return m_table->rowCount();
}

int RowTableEditor::appendRow()
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    createRow(row);
    rowsChanged();
    adjustHeight();
    return row;
}

void RowTableEditor::removeRow(int row)
{
    if (row < 0 || row >= m_table->rowCount())
        return;
    m_table->removeRow(row);
    rowsChanged();
    adjustHeight();
}

void RowTableEditor::moveRow(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= rowCount() || to >= rowCount())
        return;
    const QVariantList a = rowData(from);
    const QVariantList b = rowData(to);
    setRowData(from, b);
    setRowData(to, a);
    m_table->selectRow(to);
    rowsChanged();
}

void RowTableEditor::setRowsFixed(bool fixed)
{
    for (QToolButton* button : { m_add, m_remove, m_up, m_down })
        button->setVisible(!fixed);
}

void RowTableEditor::setColumnsFitContent()
{
    QHeaderView* header = m_table->horizontalHeader();
    const int last = m_table->columnCount() - 1;
    for (int c = 0; c < last; ++c)
        header->setSectionResizeMode(c, QHeaderView::Interactive);
    header->setSectionResizeMode(last, QHeaderView::Stretch);
    // The last column keeps room for its heading and a few characters.
    header->setMinimumSectionSize(
        qMax(header->minimumSectionSize(), fontMetrics().horizontalAdvance(QLatin1Char('x')) * 12));
    m_fitContent = true;
    connect(m_table->horizontalScrollBar(), &QScrollBar::rangeChanged, this,
        &RowTableEditor::adjustHeight);
    adjustHeight();
}

namespace {

// The width a combo box needs to show this text whole, with its frame and
// arrow as the style draws them.
int comboWidthFor(const QComboBox* combo, const QString& text)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.frame = combo->hasFrame();
    const QFontMetrics metrics = combo->fontMetrics();
    const QSize content(metrics.horizontalAdvance(text), metrics.height());
    return combo->style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, combo).width();
}

} // namespace

// The columns before the last are as wide as their heading and the choices
// made in them (not the longest choice offered: the operators' list would
// push the value out of sight), so what was chosen reads whole.
void RowTableEditor::fitColumns()
{
    if (!m_fitContent)
        return;
    QHeaderView* header = m_table->horizontalHeader();
    for (int c = 0; c + 1 < m_table->columnCount(); ++c) {
        int width = header->sectionSizeHint(c);
        for (int r = 0; r < m_table->rowCount(); ++r) {
            if (const QComboBox* combo = comboAt(r, c))
                width = qMax(width, comboWidthFor(combo, combo->currentText()));
            else if (const QWidget* cell = m_table->cellWidget(r, c))
                width = qMax(width, cell->sizeHint().width());
            else if (const QTableWidgetItem* item = m_table->item(r, c))
                width = qMax(width, fontMetrics().horizontalAdvance(item->text()) + 12);
        }
        header->resizeSection(c, width);
    }
}

// Reloading after every run must not replace the table's widgets: a combo
// box made anew does not open on the first click that reaches it (the view
// takes that click to make its cell current), so the rows there are kept,
// their column lists refilled, and only the missing ones made.
void RowTableEditor::resetRows(int count)
{
    const int kept = std::min(count, m_table->rowCount());
    m_table->setRowCount(kept);
    for (int r = 0; r < kept; ++r) {
        for (int c = 0; c < m_table->columnCount(); ++c) {
            QComboBox* combo = comboAt(r, c);
            if (combo && combo->property(ColumnComboNone).isValid()) {
                const QSignalBlocker block(combo);
                fillColumnCombo(combo, combo->property(ColumnComboNone).toString());
            }
        }
    }
    for (int r = kept; r < count; ++r)
        appendRow();
    adjustHeight();
}

void RowTableEditor::onAdd()
{
    m_table->selectRow(appendRow());
    notifyEdited();
}

void RowTableEditor::onRemove()
{
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    removeRow(row);
    notifyEdited();
}

void RowTableEditor::onMove(int step)
{
    const int row = m_table->currentRow();
    if (row < 0 || row + step < 0 || row + step >= rowCount())
        return;
    moveRow(row, row + step);
    notifyEdited();
}

void RowTableEditor::adjustHeight()
{
    fitColumns();
    // Show every row up to a dozen without an inner scroll bar, so the form
    // scrolls as a whole.
    const int rows = std::min(std::max(rowCount(), 1), 12);
    const int rowHeight = m_table->verticalHeader()->defaultSectionSize();
    // Room for the sideways scroll bar when it shows, so it never hides the
    // last row.
    const QScrollBar* sideways = m_table->horizontalScrollBar();
    const int scrollBar
        = m_fitContent && sideways->maximum() > 0 ? sideways->sizeHint().height() : 0;
    m_table->setFixedHeight(m_table->horizontalHeader()->sizeHint().height() + rows * rowHeight
        + scrollBar + 2 * m_table->frameWidth() + 2);
}

QComboBox* RowTableEditor::makeCombo(int row, int column, const QStringList& items)
{
    auto* combo = new QComboBox;
    combo->addItems(items);
    combo->setFrame(false);
    m_table->setCellWidget(row, column, combo);
    connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &RowTableEditor::notifyEdited);
    connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &RowTableEditor::fitColumns);
    return combo;
}

QComboBox* RowTableEditor::makeColumnCombo(int row, int column, const QString& noneText)
{
    QComboBox* combo = makeCombo(row, column, {});
    QSignalBlocker block(combo);
    fillColumnCombo(combo, noneText);
    combo->setProperty(ColumnComboNone, noneText);
    return combo;
}

QLineEdit* RowTableEditor::makeEdit(int row, int column)
{
    auto* edit = new QLineEdit;
    edit->setFrame(false);
    m_table->setCellWidget(row, column, edit);
    connect(edit, &QLineEdit::textEdited, this, &RowTableEditor::notifyEdited);
    return edit;
}

QComboBox* RowTableEditor::comboAt(int row, int column) const
{
    return qobject_cast<QComboBox*>(m_table->cellWidget(row, column));
}

QLineEdit* RowTableEditor::editAt(int row, int column) const
{
    return qobject_cast<QLineEdit*>(m_table->cellWidget(row, column));
}

ColumnRef RowTableEditor::columnAt(int row, int column) const
{
    const QComboBox* combo = comboAt(row, column);
    return combo ? comboColumn(combo) : ColumnRef();
}
