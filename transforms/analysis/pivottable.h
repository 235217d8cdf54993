#pragma once

// The parts of a pivot table that the whole-table way and the way over
// blocks of rows share: the two sides' headings in order, the layout of the
// output, and the cells summed up as the rows go by.

#include "core/dataset.h"
#include "transforms/support/aggregates.h"
#include "transforms/support/columnnumbers.h"
#include "transforms/support/failurelist.h"
#include "transforms/support/rowgroups.h"

#include <vector>

namespace pivot {

// One side of the table: the groups of one set of key columns in heading
// order.
struct Side
{
    RowGroups groups;
    QVector<int> rank; // per group: its position among the headings
    QVector<int> order; // per position: its group
    QStringList headings;
};

// Orders the side's groups, given their key values (a row per group, in
// group order), as Sort would sort them, and makes their headings. Without
// key columns, one group headed noKeyHeading.
void orderSide(Side& side, const Dataset& keys, bool noKeys, const QString& delimiter,
    const QString& noKeyHeading);

struct Layout
{
    bool totalRow = false;
    bool totalColumn = false;
    bool drilldown = false;
    QString grand; // the heading of the totals
    QString nonCalc; // a cell with nothing to summarise
};

// What the options ask for, against the upstream table's columns.
struct Plan
{
    QVector<int> rowKeys;
    QVector<int> columnKeys;
    int value = -1;
    int function = 0;
    QString delimiter;
    QString valueName; // the heading of a side without key columns
    QString rowHeading;
    Layout layout;
};

// The headings, and every cell holding what a cell without values holds.
void layOut(Dataset& output, const QString& rowHeading, const Side& rows, const Side& cols,
    const Layout& layout);

// The column's non-empty cells read as numbers (an empty cell is no number).
ColumnNumbers readColumn(const Dataset& input, int column);

// Reports a cell that is no number, unless it is empty: an empty cell is
// skipped without a word. The row is counted from firstRow.
void reportNotNumber(
    const Dataset& input, int row, int column, FailureList& failures, qint64 firstRow = 0);

// A cell's summary kept up to date row by row, for the functions that need
// no more than a sum, a count, the extremes and the spread. Values are added
// in row order, the order in which the stored-rows way sums a cell, so the
// figures are the same to the last digit; no per-row list is held.
struct RunningCell
{
    KahanSum sum;
    int count = 0;
    double least = 0.0;
    double most = 0.0;
    // The running mean and sum of squared differences of the sample
    // deviation, updated as sampleStdDev() updates them.
    double mean = 0.0;
    double m2 = 0.0;

    void addSpread(double v)
    {
        const double n = double(count) + 1.0;
        const double delta = v - mean;
        mean += delta / n;
        m2 += delta * (v - mean);
    }

    void add(double v)
    {
        // Strict comparisons keep the first of equal extremes, as
        // std::min_element and std::max_element do.
        if (count == 0 || v < least)
            least = v;
        if (count == 0 || most < v)
            most = v;
        sum.add(v);
        ++count;
    }
    QString text(int function) const;
};

// Every cell and total of the table, by row and column group (not heading
// position): groups may still be found as rows come.
class RunningTable
{
public:
    // spread: the cells keep what the deviation needs (a division per
    // value and group, which the other functions do without).
    explicit RunningTable(bool spread = false) : m_spread(spread) { }
    void add(int rowGroup, int columnGroup, double v);
    qint64 cellCount() const { return m_cellCount; }
    // Puts the figures in the table layOut() made; a cell without a value
    // keeps what is there.
    void fill(Dataset& output, int function, const Side& rows, const Side& cols,
        const Layout& layout) const;

private:
    std::vector<std::vector<RunningCell>> m_cells;
    std::vector<RunningCell> m_rowTotals;
    std::vector<RunningCell> m_columnTotals;
    RunningCell m_grand;
    qint64 m_cellCount = 0;
    bool m_spread = false;
};

} // namespace pivot
