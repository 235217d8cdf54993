// Pivot over rows that come in blocks (a run that streams a file): each row
// finds its row and column headings' groups as it comes and adds its value
// to its cell and totals, so a file of any size holds only the table it
// makes. The figures are the whole table's to the last digit (values are
// added in row order). Functions that need a cell's values together
// (median, mode, deviation, distinct counts), and keys that make a group
// of most rows, hold the key and value columns alone; a drilldown takes
// the whole table.

#include "core/dataset.h"
#include "core/textcolumn.h"
#include "transforms/analysis/pivottable.h"
#include "transforms/analysis/transformpivot.h"

namespace {

using namespace pivot;

// Beyond this many cells the whole table costs less than the cells (and
// the output would be no summary).
constexpr qint64 MaxCells = 1000000;

} // namespace

// The key and value columns alone, held as the blocks go by (a few bytes a
// row where the file has many columns), and the whole table's pivot made
// from them at the end: headings, figures and warnings are the whole
// table's, row numbers included.
class PivotHeld : public RowBlockConsumer
{
public:
    PivotHeld(TransformPivot* transform, const Dataset& first, const Plan& plan)
        : m_transform(transform), m_plan(plan), m_columnCount(first.columnCount())
    {
        // The held table's columns: the row keys, the column keys, the value
        // (a column may be both a key and the value).
        m_columns = plan.rowKeys + plan.columnKeys;
        m_columns.append(plan.value);
        QStringList names;
        for (int c : qAsConst(m_columns))
            names.append(first.columnName(c));
        m_held.setColumnCount(m_columns.size());
        m_held.setHeader(names);
        const int rowKeys = plan.rowKeys.size();
        for (int i = 0; i < m_plan.rowKeys.size(); ++i)
            m_plan.rowKeys[i] = i;
        for (int i = 0; i < m_plan.columnKeys.size(); ++i)
            m_plan.columnKeys[i] = rowKeys + i;
        m_plan.value = m_columns.size() - 1;
    }

    bool take(const Dataset& rows) override
    {
        if (rows.columnCount() != m_columnCount)
            return false;
        QVector<TextColumn> columns;
        columns.reserve(m_columns.size());
        for (int c : qAsConst(m_columns))
            columns.append(rows.column(c));
        Dataset block;
        block.setColumns(std::move(columns), rows.rowCount());
        m_held.appendRows(block);
        return true;
    }

    void finish(Dataset& output) override
    {
        m_transform->pivotTable(output, m_held, m_plan);
        m_held.clear();
    }

private:
    TransformPivot* m_transform;
    QVector<int> m_columns;
    Plan m_plan;
    int m_columnCount;
    Dataset m_held;
};

class PivotBlocks : public RowBlockConsumer
{
public:
    PivotBlocks(TransformPivot* transform, const Dataset& first, Plan plan)
        : m_transform(transform),
          m_plan(std::move(plan)),
          m_columnCount(first.columnCount()),
          m_rowGroups(m_plan.rowKeys, KeyOptions()),
          m_columnGroups(m_plan.columnKeys, KeyOptions())
    {
        m_rowKeys.setColumnCount(m_plan.rowKeys.size());
        m_columnKeys.setColumnCount(m_plan.columnKeys.size());
    }

    bool take(const Dataset& rows) override;
    void finish(Dataset& output) override;

private:
    bool takeRunning(const Dataset& rows);
    static int groupOf(BlockGroups& groups, Dataset& keys, const QVector<int>& columns,
        const Dataset& rows, int row);

    TransformPivot* m_transform;
    const Plan m_plan;
    int m_columnCount;
    BlockGroups m_rowGroups;
    BlockGroups m_columnGroups;
    // Each side's key values, a row per group in the order groups are found.
    Dataset m_rowKeys;
    Dataset m_columnKeys;
    RunningTable m_table;
    FailureList m_failures;
    qint64 m_rows = 0;
    // Where the rows go once the first block showed a group for most rows.
    std::unique_ptr<PivotHeld> m_held;
};

std::unique_ptr<RowBlockConsumer> TransformPivot::blockConsumer(const Dataset& firstRows)
{
    pivot::Plan plan;
    if (!planFor(firstRows, plan) || plan.layout.drilldown)
        return nullptr;
    switch (plan.function) {
    case Sum:
    case Average:
    case Minimum:
    case Maximum:
    case Count:
        if (!takeBlocksAgain())
            return std::make_unique<PivotBlocks>(this, firstRows, std::move(plan));
        // Said because the user did not choose it.
        addInformation(QStringLiteral("The keys stopped repeating after the first rows: the file "
                                      "was read again, its key and value columns held"));
        return std::make_unique<PivotHeld>(this, firstRows, plan);
    default:
        return std::make_unique<PivotHeld>(this, firstRows, plan);
    }
}

int PivotBlocks::groupOf(
    BlockGroups& groups, Dataset& keys, const QVector<int>& columns, const Dataset& rows, int row)
{
    bool isNew = false;
    const int group = groups.groupOf(rows, row, &isNew);
    if (isNew) {
        QStringList values;
        values.reserve(columns.size());
        for (int c : columns)
            values.append(rows.value(row, c));
        keys.appendRow(values);
    }
    return group;
}

bool PivotBlocks::take(const Dataset& rows)
{
    if (m_held)
        return m_held->take(rows);
    const bool firstBlock = m_rows == 0;
    const bool taken = takeRunning(rows);
    if (firstBlock && (m_rowGroups.mostlyDistinct() || m_columnGroups.mostlyDistinct())) {
        // Cells for most rows cost more than the key and value columns.
        // Nothing is lost by starting again: these rows are all there is.
        m_held = std::make_unique<PivotHeld>(m_transform, rows, m_plan);
        m_rowGroups.clearGroups();
        m_columnGroups.clearGroups();
        m_rowKeys.clear();
        m_columnKeys.clear();
        m_table = RunningTable();
        return m_held->take(rows);
    }
    const qint64 cells = qint64(m_rowGroups.groupCount()) * m_columnGroups.groupCount();
    if (!taken)
        return false;
    if (cells <= MaxCells && !m_rowGroups.mostlyDistinct() && !m_columnGroups.mostlyDistinct())
        return true;
    // Keys that stopped repeating: the key and value columns are taken
    // again from the start.
    m_transform->askForBlocksAgain();
    return false;
}

bool PivotBlocks::takeRunning(const Dataset& rows)
{
    if (rows.columnCount() != m_columnCount)
        return false;
    const int column = m_plan.value;
    const bool counting = m_plan.function == TransformPivot::Count;
    const ColumnNumbers numbers = counting ? ColumnNumbers() : readColumn(rows, column);
    m_rowGroups.startBlock(rows);
    m_columnGroups.startBlock(rows);
    const int count = rows.rowCount();
    for (int r = 0; r < count; ++r) {
        // Every row makes its headings, whether or not it has a value.
        const int rowGroup = groupOf(m_rowGroups, m_rowKeys, m_plan.rowKeys, rows, r);
        const int columnGroup = groupOf(m_columnGroups, m_columnKeys, m_plan.columnKeys, rows, r);
        double v = 0.0;
        if (counting) {
            if (rows.column(column).isEmpty(r))
                continue;
        } else if (!numbers.ok[size_t(r)]) {
            reportNotNumber(rows, r, column, m_failures, m_rows);
            continue;
        } else {
            v = numbers.values[size_t(r)];
        }
        m_table.add(rowGroup, columnGroup, v);
    }
    m_rows += count;
    return true;
}

void PivotBlocks::finish(Dataset& output)
{
    if (m_held) {
        m_held->finish(output);
        return;
    }
    Side rows;
    Side cols;
    orderSide(rows, m_rowKeys, m_plan.rowKeys.isEmpty(), m_plan.delimiter, m_plan.valueName);
    orderSide(cols, m_columnKeys, m_plan.columnKeys.isEmpty(), m_plan.delimiter, m_plan.valueName);
    layOut(output, m_plan.rowHeading, rows, cols, m_plan.layout);
    m_table.fill(output, m_plan.function, rows, cols, m_plan.layout);
    m_transform->setMessages(m_failures);
}
