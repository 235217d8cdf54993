#include "ui/editors/columneditors.h"

#include "transforms/transformparameter.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int ColumnRole = Qt::UserRole + 1;

QVariant refVariant(const ColumnRef& ref)
{
    return QVariant::fromValue(ref);
}

} // namespace

// Single column

SingleColumnEditor::SingleColumnEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent),
      m_filter(new QLineEdit(this)),
      m_combo(new QComboBox(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_filter->setPlaceholderText(tr("Filter"));
    m_filter->setToolTip(tr("Show only the columns whose names contain this text."));
    m_filter->setClearButtonEnabled(true);
    m_filter->setMaximumWidth(90);
    m_combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_combo->setMinimumContentsLength(12);
    layout->addWidget(m_combo, 1);
    layout->addWidget(m_filter);
    connect(m_filter, &QLineEdit::textChanged, this, &SingleColumnEditor::onFilterChanged);
    connect(m_combo, QOverload<int>::of(&QComboBox::activated), this,
        &SingleColumnEditor::notifyEdited);
}

QVariant SingleColumnEditor::editedValue() const
{
    return refVariant(comboColumn(m_combo));
}

void SingleColumnEditor::loadValue()
{
    const ColumnRef current = parameter()->columnRef();
    collectColumns({ current });
    fillColumnCombo(m_combo, parameter()->noneText());
    selectComboColumn(m_combo, current);
    if (!m_filter->text().isEmpty())
        onFilterChanged(m_filter->text());
}

void SingleColumnEditor::onFilterChanged(const QString& text)
{
    // Rebuild the entries rather than hide them: a drop-down cannot hide
    // items. The chosen column stays listed so the choice does not change.
    const ColumnRef chosen = comboColumn(m_combo);
    QSignalBlocker block(m_combo);
    m_combo->clear();
    m_combo->addItem(parameter()->noneText(), -1);
    for (int i = 0; i < columns().size(); ++i) {
        const QString name = columnLabel(columns().at(i));
        if (text.isEmpty() || name.contains(text, Qt::CaseInsensitive)
            || i == columnIndexOf(chosen))
            m_combo->addItem(name, i);
    }
    selectComboColumn(m_combo, chosen);
}

// Column lists

ColumnListEditor::ColumnListEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_list(new QListWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    if (isOrdered()) {
        m_list->setDragDropMode(QAbstractItemView::InternalMove);
        m_list->setDefaultDropAction(Qt::MoveAction);
        m_list->setToolTip(
            parameter->tooltip().isEmpty() ? tr("Drag columns into order.") : parameter->tooltip());
        m_up = new QToolButton(this);
        m_up->setText(QStringLiteral("\u25B2"));
        m_up->setToolTip(tr("Move the selected column up."));
        m_down = new QToolButton(this);
        m_down->setText(QStringLiteral("\u25BC"));
        m_down->setToolTip(tr("Move the selected column down."));
        buttons->addWidget(m_up);
        buttons->addWidget(m_down);
        connect(m_up, &QToolButton::clicked, this, [this] { moveCurrent(-1); });
        connect(m_down, &QToolButton::clicked, this, [this] { moveCurrent(1); });
    }
    if (isCheckable()) {
        auto* all = new QPushButton(tr("All"), this);
        auto* none = new QPushButton(tr("None"), this);
        buttons->addWidget(all);
        buttons->addWidget(none);
        connect(all, &QPushButton::clicked, this, [this] { setAllChecked(true); });
        connect(none, &QPushButton::clicked, this, [this] { setAllChecked(false); });
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_list, &QListWidget::itemChanged, this, &ColumnListEditor::notifyEdited);
    // A drag is a removal and an insertion; report once the move is whole.
    connect(m_list->model(), &QAbstractItemModel::rowsMoved, this,
        [this] { QTimer::singleShot(0, this, &ColumnListEditor::notifyEdited); });
    connect(m_list->model(), &QAbstractItemModel::rowsRemoved, this, [this] {
        if (!isLoading() && !m_moving)
            QTimer::singleShot(0, this, &ColumnListEditor::notifyEdited);
    });
}

bool ColumnListEditor::isOrdered() const
{
    return parameter()->type() != ParameterType::CheckedColumns;
}

void ColumnListEditor::moveCurrent(int step)
{
    const int from = m_list->currentRow();
    const int to = from + step;
    if (from < 0 || to < 0 || to >= m_list->count())
        return;
    m_moving = true;
    QListWidgetItem* item = m_list->takeItem(from);
    m_list->insertItem(to, item);
    m_moving = false;
    m_list->setCurrentRow(to);
    notifyEdited();
}

bool ColumnListEditor::isCheckable() const
{
    return parameter()->type() != ParameterType::ReorderColumns;
}

void ColumnListEditor::addItem(int columnIndex, bool checked)
{
    auto* item = new QListWidgetItem(columnLabel(columns().at(columnIndex)));
    item->setData(ColumnRole, columnIndex);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (isCheckable()) {
        flags |= Qt::ItemIsUserCheckable;
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    item->setFlags(flags);
    m_list->addItem(item);
}

void ColumnListEditor::loadValue()
{
    QStringList shown;
    for (int r = 0; r < m_list->count(); ++r)
        shown << m_list->item(r)->text();
    m_list->clear();
    QVector<bool> listed;
    if (parameter()->type() == ParameterType::CheckedColumns) {
        const CheckedColumnList value = parameter()->checkedColumns();
        ColumnRefList refs;
        for (const CheckedColumn& c : value)
            refs.append(c.column);
        collectColumns(refs);
        // Upstream order; a column the value does not mention is unchecked.
        for (int i = 0; i < columns().size(); ++i) {
            bool checked = false;
            for (const CheckedColumn& c : value) {
                if (columnIndexOf(c.column) == i)
                    checked = c.checked;
            }
            addItem(i, checked);
        }
        fitHeight();
        return;
    }
    const ColumnRefList value = parameter()->value().value<ColumnRefList>();
    collectColumns(value);
    listed.fill(false, columns().size());
    QVector<int> chosen;
    for (const ColumnRef& ref : value) {
        const int i = columnIndexOf(ref);
        if (i >= 0 && !listed.at(i)) {
            listed[i] = true;
            chosen.append(i);
        }
    }
    // The chosen columns take the places of the upstream columns they are,
    // in their chosen order, so that a document opened again shows its list
    // as it was left instead of with the chosen columns moved to the top.
    int next = 0;
    for (int i = 0; i < columns().size(); ++i) {
        if (listed.at(i))
            addItem(chosen.at(next++), true);
        else
            addItem(i, false);
    }
    keepShownOrder(shown);
    fitHeight();
}

// Reloading after a run lists the checked columns first, which moves rows
// under the pointer. When the checked columns still come in the order the
// list showed them, the list keeps the order the user was looking at.
void ColumnListEditor::keepShownOrder(const QStringList& shown)
{
    if (shown.isEmpty() || !isCheckable())
        return;
    QList<QListWidgetItem*> items;
    while (m_list->count() > 0)
        items << m_list->takeItem(0);
    QList<QListWidgetItem*> ordered;
    for (const QString& label : shown) {
        for (QListWidgetItem* item : qAsConst(items)) {
            if (item->text() == label && !ordered.contains(item)) {
                ordered << item;
                break;
            }
        }
    }
    for (QListWidgetItem* item : qAsConst(items)) {
        if (!ordered.contains(item))
            ordered << item;
    }
    auto checkedOf = [](const QList<QListWidgetItem*>& list) {
        QList<QListWidgetItem*> checked;
        for (QListWidgetItem* item : list) {
            if (item->checkState() == Qt::Checked)
                checked << item;
        }
        return checked;
    };
    const bool sameChecked = checkedOf(ordered) == checkedOf(items);
    for (QListWidgetItem* item : sameChecked ? ordered : items)
        m_list->addItem(item);
}

void ColumnListEditor::fitHeight()
{
    // Tall enough for a dozen columns; wider datasets scroll inside the list.
    const int rows = qBound(3, m_list->count(), 12);
    const int rowHeight
        = m_list->count() > 0 ? m_list->sizeHintForRow(0) : fontMetrics().height() + 4;
    m_list->setFixedHeight(rows * rowHeight + 2 * m_list->frameWidth() + 4);
}

QVariant ColumnListEditor::editedValue() const
{
    if (parameter()->type() == ParameterType::CheckedColumns) {
        CheckedColumnList value;
        for (int r = 0; r < m_list->count(); ++r) {
            const QListWidgetItem* item = m_list->item(r);
            value.append({ columns().at(item->data(ColumnRole).toInt()),
                item->checkState() == Qt::Checked });
        }
        return QVariant::fromValue(value);
    }
    ColumnRefList value;
    for (int r = 0; r < m_list->count(); ++r) {
        const QListWidgetItem* item = m_list->item(r);
        if (!isCheckable() || item->checkState() == Qt::Checked)
            value.append(columns().at(item->data(ColumnRole).toInt()));
    }
    return QVariant::fromValue(value);
}

void ColumnListEditor::setAllChecked(bool checked)
{
    {
        QSignalBlocker block(m_list);
        for (int r = 0; r < m_list->count(); ++r)
            m_list->item(r)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    notifyEdited();
}

// Sort columns

SortColumnsEditor::SortColumnsEditor(TransformParameter* parameter, QWidget* parent)
    : RowTableEditor(parameter,
        parameter->type() == ParameterType::SortColumns
            ? QStringList { tr("Column"), tr("Direction") }
            : QStringList { tr("Column") },
        parent),
      m_withDirection(parameter->type() == ParameterType::SortColumns)
{
}

void SortColumnsEditor::createRow(int row)
{
    makeColumnCombo(row, 0, parameter()->noneText());
    if (m_withDirection)
        makeCombo(row, 1, { tr("Ascending \u25B2"), tr("Descending \u25BC") });
}

QVariantList SortColumnsEditor::rowData(int row) const
{
    QVariantList data { refVariant(columnAt(row, 0)) };
    if (m_withDirection)
        data.append(comboAt(row, 1)->currentIndex() == 0);
    return data;
}

void SortColumnsEditor::setRowData(int row, const QVariantList& data)
{
    selectComboColumn(comboAt(row, 0), data.value(0).value<ColumnRef>());
    if (m_withDirection)
        comboAt(row, 1)->setCurrentIndex(data.value(1).toBool() ? 0 : 1);
}

void SortColumnsEditor::loadValue()
{
    // A row just added has no column yet, so the value does not hold it;
    // reloading after the item ran must not take it from under the user.
    int awaiting = 0;
    for (int r = 0; r < rowCount(); ++r) {
        if (columnAt(r, 0).isEmpty())
            ++awaiting;
    }
    QVector<QVariantList> rows;
    if (m_withDirection) {
        const SortColumnList value = parameter()->sortColumns();
        ColumnRefList refs;
        for (const SortColumn& s : value)
            refs.append(s.column);
        collectColumns(refs);
        for (const SortColumn& s : value)
            rows.append({ refVariant(s.column), s.ascending });
    } else {
        const ColumnRefList value = parameter()->value().value<ColumnRefList>();
        collectColumns(value);
        for (const ColumnRef& ref : value)
            rows.append({ refVariant(ref) });
    }
    for (int i = 0; i < awaiting; ++i)
        rows.append({ refVariant(ColumnRef()), true });
    resetRows(rows.size());
    for (int r = 0; r < rows.size(); ++r)
        setRowData(r, rows.at(r));
}

QVariant SortColumnsEditor::editedValue() const
{
    SortColumnList sorts;
    ColumnRefList refs;
    for (int r = 0; r < rowCount(); ++r) {
        const QVariantList data = rowData(r);
        const ColumnRef ref = data.value(0).value<ColumnRef>();
        if (ref.isEmpty())
            continue; // a row still waiting for its column
        sorts.append({ ref, data.value(1).toBool() });
        refs.append(ref);
    }
    return m_withDirection ? QVariant::fromValue(sorts) : QVariant::fromValue(refs);
}

// Rename columns

RenameColumnsEditor::RenameColumnsEditor(TransformParameter* parameter, QWidget* parent)
    : RowTableEditor(parameter, { tr("Column"), tr("New name") }, parent)
{
    setRowsFixed(true);
}

void RenameColumnsEditor::createRow(int row)
{
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled);
    table()->setItem(row, 0, item);
    makeEdit(row, 1);
}

QVariantList RenameColumnsEditor::rowData(int row) const
{
    return { table()->item(row, 0)->data(ColumnRole), editAt(row, 1)->text() };
}

void RenameColumnsEditor::setRowData(int row, const QVariantList& data)
{
    const int index = data.value(0).toInt();
    table()->item(row, 0)->setData(ColumnRole, index);
    table()->item(row, 0)->setText(columnLabel(columns().at(index)));
    editAt(row, 1)->setText(data.value(1).toString());
}

void RenameColumnsEditor::loadValue()
{
    const RenameColumnList value = parameter()->renameColumns();
    ColumnRefList refs;
    for (const RenameColumn& r : value)
        refs.append(r.column);
    collectColumns(refs);
    resetRows(columns().size());
    for (int i = 0; i < columns().size(); ++i) {
        QString newName;
        for (const RenameColumn& r : value) {
            if (columnIndexOf(r.column) == i)
                newName = r.newName;
        }
        setRowData(i, { i, newName });
    }
}

QVariant RenameColumnsEditor::editedValue() const
{
    RenameColumnList value;
    for (int r = 0; r < rowCount(); ++r) {
        const QVariantList data = rowData(r);
        if (!data.value(1).toString().isEmpty())
            value.append({ columns().at(data.value(0).toInt()), data.value(1).toString() });
    }
    return QVariant::fromValue(value);
}

// Unique

UniqueColumnsEditor::UniqueColumnsEditor(TransformParameter* parameter, QWidget* parent)
    : RowTableEditor(parameter, { tr("Column"), tr("Keep") }, parent)
{
    setRowsFixed(true);
}

QStringList UniqueColumnsEditor::aggregationNames()
{
    return { tr("Keep unique"), tr("Keep first"), tr("Keep last"), tr("Sum"), tr("Maximum"),
        tr("Minimum"), tr("Average"), tr("Concat"), tr("Concat distinct"),
        tr("Keep first non-empty"), tr("Keep last non-empty"), tr("Count distinct"),
        tr("Count unique"), tr("Count duplicate"), tr("Count empty"), tr("Count non-empty"),
        tr("Set empty") };
}

void UniqueColumnsEditor::createRow(int row)
{
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled);
    table()->setItem(row, 0, item);
    makeCombo(row, 1, aggregationNames());
}

QVariantList UniqueColumnsEditor::rowData(int row) const
{
    return { table()->item(row, 0)->data(ColumnRole), comboAt(row, 1)->currentIndex(),
        table()->item(row, 0)->data(ColumnRole + 1) };
}

void UniqueColumnsEditor::setRowData(int row, const QVariantList& data)
{
    const int index = data.value(0).toInt();
    table()->item(row, 0)->setData(ColumnRole, index);
    table()->item(row, 0)->setData(ColumnRole + 1, data.value(2));
    table()->item(row, 0)->setText(columnLabel(columns().at(index)));
    comboAt(row, 1)->setCurrentIndex(data.value(1).toInt());
}

void UniqueColumnsEditor::loadValue()
{
    const UniqueColumnList value = parameter()->uniqueColumns();
    ColumnRefList refs;
    for (const UniqueColumn& u : value)
        refs.append(u.column);
    collectColumns(refs);
    resetRows(columns().size());
    for (int i = 0; i < columns().size(); ++i) {
        UniqueColumn entry; // a column the value does not mention keeps its first value
        for (const UniqueColumn& u : value) {
            if (columnIndexOf(u.column) == i)
                entry = u;
        }
        setRowData(i, { i, entry.aggregation, entry.text });
    }
}

QVariant UniqueColumnsEditor::editedValue() const
{
    UniqueColumnList value;
    for (int r = 0; r < rowCount(); ++r) {
        const QVariantList data = rowData(r);
        value.append({ columns().at(data.value(0).toInt()), data.value(1).toInt(),
            data.value(2).toString() });
    }
    return QVariant::fromValue(value);
}
