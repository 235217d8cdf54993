// Pivot over rows that come in blocks (a run that streams a file): each row
// finds its row and column headings' groups as it comes and adds its value
// to its cell and totals, so a file of any size holds only the table it
// makes. The figures are the whole table's to the last digit (values are
// added in row order). Functions that need a cell's values together
// (median, mode, distinct counts) hold the values with their groups, on
// disk once they take more than their share of the memory limit. Keys that
// make a group of most rows hold the key and value columns alone; a
// drilldown takes the whole table.

#include "core/dataset.h"
#include "core/textcolumn.h"
#include "transforms/analysis/pivottable.h"
#include "transforms/analysis/pivotvalues.h"
#include "transforms/analysis/transformpivot.h"
#include "transforms/support/spillrows.h"

#include <limits>

namespace {

using namespace pivot;

// Beyond this many cells the whole table costs less than the cells (and
// the output would be no summary).
constexpr qint64 MaxCells = 1000000;

// The share of the memory limit, in percent, the held values may take.
constexpr int HeldShare = 30;

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

class PivotBlocks : public RowBlockConsumer, protected SpillStep
{
public:
    PivotBlocks(TransformPivot* transform, const Dataset& first, Plan plan)
        : SpillStep(transform, transform->runContext()),
          m_transform(transform),
          m_plan(std::move(plan)),
          m_columnCount(first.columnCount()),
          m_rowGroups(m_plan.rowKeys, KeyOptions()),
          m_columnGroups(m_plan.columnKeys, KeyOptions()),
          m_budget(transform->runContext(), HeldShare)
    {
        m_rowKeys.setColumnCount(m_plan.rowKeys.size());
        m_columnKeys.setColumnCount(m_plan.columnKeys.size());
        startFigures();
    }

    bool take(const Dataset& rows) override;
    QString failure() const override { return m_failure; }
    void finish(Dataset& output) override;
    bool finishInBlocks(
        Dataset& output, int blockRows, const std::function<bool()>& passOn) override;

private:
    void startFigures();
    bool takeRunning(const Dataset& rows);
    bool endBlock();
    HeldProgress heldProgress();
    // The values held, for the functions that need a cell's values together.
    HeldValues* heldValues() const
    {
        return m_sorted ? static_cast<HeldValues*>(m_sorted.get()) : m_distinct.get();
    }
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
    // The figures: kept up to date, or from the values held.
    RunningTable m_table;
    SpillBudget m_budget;
    std::unique_ptr<SortedValues> m_sorted;
    std::unique_ptr<DistinctValues> m_distinct;
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
    if (!takeBlocksAgain())
        return std::make_unique<PivotBlocks>(this, firstRows, std::move(plan));
    // Said because the user did not choose it.
    addInformation(QStringLiteral("The keys stopped repeating after the first rows: the file "
                                  "was read again, its key and value columns held"));
    return std::make_unique<PivotHeld>(this, firstRows, plan);
}

void PivotBlocks::startFigures()
{
    using P = TransformPivot;
    m_table = RunningTable(m_plan.function == P::StandardDeviation);
    m_sorted.reset();
    m_distinct.reset();
    if (m_plan.function == P::Median || m_plan.function == P::Mode)
        m_sorted = std::make_unique<SortedValues>(m_plan.layout, &m_budget);
    else if (m_plan.function == P::CountDistinct)
        m_distinct = std::make_unique<DistinctValues>(m_plan.layout, &m_budget);
}

HeldProgress PivotBlocks::heldProgress()
{
    return { [this] { return stopped(); }, [this](qreal fraction) { return progress(fraction); } };
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
        startFigures();
        return m_held->take(rows);
    }
    const qint64 cells = qint64(m_rowGroups.groupCount()) * m_columnGroups.groupCount();
    if (!taken)
        return false;
    if (cells <= MaxCells && !m_rowGroups.mostlyDistinct() && !m_columnGroups.mostlyDistinct())
        return endBlock();
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
    const bool counting = m_plan.function == TransformPivot::Count || m_distinct;
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
            if (m_distinct) {
                m_distinct->add(rowGroup, columnGroup, rows.value(r, column));
                continue;
            }
        } else if (!numbers.ok[size_t(r)]) {
            reportNotNumber(rows, r, column, m_failures, m_rows);
            continue;
        } else {
            v = numbers.values[size_t(r)];
        }
        if (m_sorted)
            m_sorted->add(rowGroup, columnGroup, v);
        else
            m_table.add(rowGroup, columnGroup, v);
    }
    m_rows += count;
    return true;
}

// The values held go to disk once they take more than their share.
bool PivotBlocks::endBlock()
{
    HeldValues* values = heldValues();
    return !values || values->endBlock(heldProgress()) || fail(values->errorText());
}

void PivotBlocks::finish(Dataset& output)
{
    finishInBlocks(output, std::numeric_limits<int>::max(), [] { return true; });
}

bool PivotBlocks::finishInBlocks(
    Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    Q_UNUSED(blockRows)
    if (m_held) {
        m_held->finish(output);
        return passOn();
    }
    Side rows;
    Side cols;
    orderSide(rows, m_rowKeys, m_plan.rowKeys.isEmpty(), m_plan.delimiter, m_plan.valueName);
    orderSide(cols, m_columnKeys, m_plan.columnKeys.isEmpty(), m_plan.delimiter, m_plan.valueName);
    layOut(output, m_plan.rowHeading, rows, cols, m_plan.layout);
    HeldValues* values = heldValues();
    if (!values) {
        m_table.fill(output, m_plan.function, rows, cols, m_plan.layout);
        m_transform->setMessages(m_failures);
        return passOn();
    }
    const bool filled = values->fill(output, m_plan.function, rows, cols, heldProgress());
    m_budget.dropFolder();
    if (!filled) {
        fail(values->errorText());
        output.clear();
        return ended(false, QStringLiteral("Pivot was stopped before it finished."));
    }
    m_transform->setMessages(m_failures);
    // Said because the user did not choose it, and it is why the pivot took
    // longer than one in memory.
    if (values->wentToDisk())
        m_transform->addInformation(values->diskLine());
    return passOn();
}
