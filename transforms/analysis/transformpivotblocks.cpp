// Pivot over rows that come in blocks (a run that streams a file): each row
// finds its row and column headings' groups as it comes and adds its value
// to its cell and totals, so a file of any size holds only the table it
// makes. The figures are the whole table's to the last digit (values are
// added in row order); functions that need a cell's values together
// (median, mode, deviation, distinct counts) and a drilldown take the whole
// table.

#include "core/dataset.h"
#include "transforms/analysis/pivottable.h"
#include "transforms/analysis/transformpivot.h"

namespace {

using namespace pivot;

// Beyond this many cells the whole table costs less than the cells (and
// the output would be no summary).
constexpr qint64 MaxCells = 1000000;

} // namespace

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
        return std::make_unique<PivotBlocks>(this, firstRows, std::move(plan));
    default:
        return nullptr;
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
    const qint64 cells = qint64(m_rowGroups.groupCount()) * m_columnGroups.groupCount();
    return cells <= MaxCells && !m_rowGroups.mostlyDistinct() && !m_columnGroups.mostlyDistinct();
}

void PivotBlocks::finish(Dataset& output)
{
    Side rows;
    Side cols;
    orderSide(rows, m_rowKeys, m_plan.rowKeys.isEmpty(), m_plan.delimiter, m_plan.valueName);
    orderSide(cols, m_columnKeys, m_plan.columnKeys.isEmpty(), m_plan.delimiter, m_plan.valueName);
    layOut(output, m_plan.rowHeading, rows, cols, m_plan.layout);
    m_table.fill(output, m_plan.function, rows, cols, m_plan.layout);
    m_transform->setMessages(m_failures);
}
