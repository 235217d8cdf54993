#include "ui/schemaeditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

QComboBox* makeCombo(const QStringList& items, int current, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->addItems(items);
    combo->setCurrentIndex(qBound(0, current, items.size() - 1));
    return combo;
}

QString cellText(const QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

SchemaEditorDialog::SchemaEditorDialog(
    const InputSchema& schema, const QStringList& currentColumns, QWidget* parent)
    : QDialog(parent), m_currentColumns(currentColumns)
{
    setWindowTitle(tr("Schema"));
    auto* layout = new QVBoxLayout(this);
    m_inUse = new QCheckBox(tr("Check each read against this schema"), this);
    // Opening the editor on an empty schema is how a user starts one.
    m_inUse->setChecked(schema.inUse || schema.columnNames.isEmpty());
    layout->addWidget(m_inUse);
    layout->addWidget(new QLabel(tr("Expected columns, in order:"), this));

    auto* middle = new QHBoxLayout;
    m_table = new QTableWidget(0, 2, this);
    m_table->setHorizontalHeaderLabels({ tr("Column name"), tr("Value if missing") });
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    middle->addWidget(m_table, 1);
    middle->addWidget(makeButtons());
    layout->addLayout(middle, 1);

    auto* actions = new QFormLayout;
    m_missing = makeCombo(
        { tr("Add as in schema"), tr("Treat as an error") }, schema.missingColumns, this);
    m_order = makeCombo(
        { tr("Re-order as in schema"), tr("Treat as an error") }, schema.outOfOrder, this);
    m_extra = makeCombo(
        { tr("Add to end"), tr("Ignore"), tr("Treat as an error") }, schema.extraColumns, this);
    actions->addRow(tr("Missing columns"), m_missing);
    actions->addRow(tr("Columns out of order"), m_order);
    actions->addRow(tr("Extra columns"), m_extra);
    layout->addLayout(actions);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setStyleSheet(QStringLiteral("color: #c0392b;"));
    m_problem->hide();
    layout->addWidget(m_problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SchemaEditorDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SchemaEditorDialog::reject);
    layout->addWidget(buttons);

    for (int i = 0; i < schema.columnNames.size(); ++i)
        addColumn(schema.columnNames.at(i), schema.missingValues.value(i));
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &SchemaEditorDialog::updateButtons);
    updateButtons();
    resize(560, 460);
}

QWidget* SchemaEditorDialog::makeButtons()
{
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    auto* add = new QPushButton(tr("Add"), box);
    m_remove = new QPushButton(tr("Remove"), box);
    m_up = new QPushButton(tr("Move Up"), box);
    m_down = new QPushButton(tr("Move Down"), box);
    m_take = new QPushButton(tr("Take Current Columns"), box);
    m_take->setToolTip(tr("Expect the columns of the item's most recent read."));
    m_take->setEnabled(!m_currentColumns.isEmpty());
    for (QPushButton* b : { add, m_remove, m_up, m_down, m_take }) {
        b->setAutoDefault(false);
        column->addWidget(b);
    }
    column->addStretch(1);
    connect(add, &QPushButton::clicked, this, [this] {
        addColumn();
        m_table->setCurrentCell(m_table->rowCount() - 1, 0);
        m_table->editItem(m_table->item(m_table->rowCount() - 1, 0));
    });
    connect(m_remove, &QPushButton::clicked, this, &SchemaEditorDialog::removeSelectedColumns);
    connect(m_up, &QPushButton::clicked, this, [this] { moveCurrentColumn(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { moveCurrentColumn(1); });
    connect(m_take, &QPushButton::clicked, this, &SchemaEditorDialog::takeCurrentColumns);
    return box;
}

void SchemaEditorDialog::updateButtons()
{
    const int row = m_table->currentRow();
    const bool selected = !m_table->selectedItems().isEmpty();
    m_remove->setEnabled(selected);
    m_up->setEnabled(selected && row > 0);
    m_down->setEnabled(selected && row >= 0 && row < m_table->rowCount() - 1);
}

void SchemaEditorDialog::addColumn(const QString& name, const QString& missingValue)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, 0, new QTableWidgetItem(name));
    m_table->setItem(row, 1, new QTableWidgetItem(missingValue));
    updateButtons();
}

void SchemaEditorDialog::removeSelectedColumns()
{
    QList<int> rows;
    for (const QTableWidgetItem* item : m_table->selectedItems()) {
        if (!rows.contains(item->row()))
            rows.append(item->row());
    }
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        m_table->removeRow(row);
    updateButtons();
}

void SchemaEditorDialog::moveCurrentColumn(int step)
{
    const int row = m_table->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= m_table->rowCount())
        return;
    for (int column = 0; column < 2; ++column) {
        QTableWidgetItem* a = m_table->takeItem(row, column);
        QTableWidgetItem* b = m_table->takeItem(target, column);
        m_table->setItem(row, column, b);
        m_table->setItem(target, column, a);
    }
    m_table->setCurrentCell(target, m_table->currentColumn() < 0 ? 0 : m_table->currentColumn());
    updateButtons();
}

void SchemaEditorDialog::takeCurrentColumns()
{
    m_table->setRowCount(0);
    for (const QString& name : m_currentColumns)
        addColumn(name);
}

InputSchema SchemaEditorDialog::schema() const
{
    InputSchema s;
    s.inUse = m_inUse->isChecked();
    for (int row = 0; row < m_table->rowCount(); ++row) {
        s.columnNames << cellText(m_table, row, 0);
        s.missingValues << cellText(m_table, row, 1);
    }
    s.missingColumns = m_missing->currentIndex();
    s.outOfOrder = m_order->currentIndex();
    s.extraColumns = m_extra->currentIndex();
    return s;
}

void SchemaEditorDialog::accept()
{
    const QString problem = schema().problem();
    if (!problem.isEmpty()) {
        m_problem->setText(problem);
        m_problem->show();
        return;
    }
    QDialog::accept();
}
