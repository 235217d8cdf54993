#include "transforms/analysis/transformpivot.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/aggregates.h"
#include "transforms/support/columnnumbers.h"
#include "transforms/support/datasetsort.h"
#include "transforms/support/failurelist.h"
#include "transforms/support/parallel.h"
#include "transforms/support/rowgroups.h"

#include <QSet>

#include <algorithm>
#include <numeric>

// Choices where a pivot table could go either way, made as the usual data
// frame library's pivot table makes them: empty values are missing values
// (neither counted nor warned about), "Standard deviation" is the sample
// deviation (a single value gives an empty cell), "Median" of an even count
// is the mean of the middle two, "Mode" breaks ties by the smallest value,
// and "Count distinct" compares texts case-sensitively. Headings are sorted
// as Sort sorts the key columns ascending (numbers as numbers, dates as
// dates). "Total_Type" "Rows" adds the total row, "Columns" the total column.

namespace {

// One side of the table: the groups of one set of key columns in heading
// order.
struct Side
{
    RowGroups groups;
    QVector<int> rank; // per group: its position among the headings
    QVector<int> order; // per position: its group
    QStringList headings;
};

Side makeSide(const Dataset& input, const QVector<int>& columns, const QString& delimiter,
    const QString& noKeyHeading)
{
    Side side;
    groupRows(input, columns, KeyOptions(), side.groups);
    const int n = side.groups.groupCount();
    // The distinct keys as a small table, sorted as Sort would sort it.
    Dataset keys;
    keys.setColumnCount(columns.size());
    for (int g = 0; g < n; ++g) {
        QStringList values;
        for (int c : columns)
            values.append(input.value(side.groups.firstRow.at(g), c));
        keys.appendRow(values);
    }
    QVector<int> sortKeys;
    for (int k = 0; k < columns.size(); ++k)
        sortKeys.append(k + 1);
    DatasetSorter sorter(keys, sortKeys);
    sorter.sort();
    side.order = columns.isEmpty() ? QVector<int>(n, 0) : sorter.order();
    side.rank.resize(n);
    for (int i = 0; i < n; ++i) {
        const int g = side.order.at(i);
        side.rank[g] = i;
        QStringList parts;
        for (const QString& v : keys.row(g))
            parts.append(v.isEmpty() ? QStringLiteral("(Empty)") : v);
        side.headings.append(columns.isEmpty() ? noKeyHeading : parts.join(delimiter));
    }
    return side;
}

// The column's non-empty cells read as numbers (an empty cell is no number).
ColumnNumbers readColumn(const Dataset& input, int column)
{
    return readColumnNumbers(input, column, [](const QString& t, const QLocale& locale) {
        ReadNumber number;
        if (!t.isEmpty())
            number.value = toNumber(locale, t, false, true, &number.ok);
        return number;
    });
}

// Reports a cell that is no number, unless it is empty: an empty cell is
// skipped without a word.
void reportNotNumber(const Dataset& input, int row, int column, FailureList& failures)
{
    const QString& text = input.value(row, column);
    if (text.isEmpty())
        return;
    failures.add([&] {
        return QStringLiteral("'%1' is not a numerical value in column '%2' at row %3")
            .arg(text, input.columnName(column))
            .arg(row + 1);
    });
}

// The cell figures: the function over a set of upstream rows.
class Summariser
{
public:
    Summariser(const Dataset& input, int column, int function, const QString& nonCalc)
        : m_input(input), m_column(column), m_function(function), m_nonCalc(nonCalc)
    {
    }

    // Reads the column's numbers; non-numbers are reported to the list.
    void readNumbers(FailureList& failures, const std::function<bool(int, int)>& progress);
    QString summarise(const int* rows, int n) const;

private:
    QString countCell(const int* rows, int n) const;

    const Dataset& m_input;
    int m_column;
    int m_function;
    QString m_nonCalc;
    std::vector<double> m_numbers;
    std::vector<char> m_isNumber;
};

void Summariser::readNumbers(FailureList& failures, const std::function<bool(int, int)>& progress)
{
    ColumnNumbers numbers = readColumn(m_input, m_column);
    m_numbers.swap(numbers.values);
    m_isNumber.swap(numbers.ok);
    const int rows = m_input.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (!progress(r, rows))
            return;
        if (!m_isNumber[size_t(r)])
            reportNotNumber(m_input, r, m_column, failures);
    }
}

QString Summariser::countCell(const int* rows, int n) const
{
    QSet<QString> distinct;
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const QString& v = m_input.value(rows[i], m_column);
        if (v.isEmpty())
            continue;
        ++count;
        if (m_function == TransformPivot::CountDistinct)
            distinct.insert(v);
    }
    const int result = m_function == TransformPivot::CountDistinct ? distinct.size() : count;
    return result == 0 ? m_nonCalc : QString::number(result);
}

QString Summariser::summarise(const int* rows, int n) const
{
    using P = TransformPivot;
    if (m_function == P::Count || m_function == P::CountDistinct)
        return countCell(rows, n);
    std::vector<double> values;
    values.reserve(n);
    for (int i = 0; i < n; ++i) {
        if (m_isNumber[rows[i]])
            values.push_back(m_numbers[rows[i]]);
    }
    if (values.empty())
        return m_nonCalc;
    double result = 0.0;
    switch (m_function) {
    case P::Sum:
    case P::Average: {
        KahanSum sum;
        for (double v : values)
            sum.add(v);
        result = m_function == P::Sum ? sum.value() : sum.value() / double(values.size());
        break;
    }
    case P::Minimum:
        result = *std::min_element(values.begin(), values.end());
        break;
    case P::Maximum:
        result = *std::max_element(values.begin(), values.end());
        break;
    case P::Median:
        result = medianOf(values);
        break;
    case P::Mode:
        result = modeOf(values);
        break;
    default:
        if (!sampleStdDev(values, &result))
            return QString();
    }
    return formatNumber(result);
}

// The rows ordered by a key per row (0 to keyCount - 1), stable, and each
// key's run handed on. Keys are cells or headings, far fewer than rows in a
// summary table, so a counting sort orders a million rows in two passes; a
// table with more cells than rows falls back to a comparison sort.
template <typename Key, typename Run>
void forEachRun(int rowCount, qint64 keyCount, const Key& keyOf, const Run& run)
{
    QVector<int> rows(rowCount);
    if (keyCount <= qint64(rowCount) + 1024) {
        std::vector<int> next(size_t(keyCount) + 1, 0);
        for (int r = 0; r < rowCount; ++r)
            ++next[size_t(keyOf(r)) + 1];
        std::partial_sum(next.begin(), next.end(), next.begin());
        for (int r = 0; r < rowCount; ++r)
            rows[next[size_t(keyOf(r))]++] = r;
    } else {
        std::iota(rows.begin(), rows.end(), 0);
        std::stable_sort(
            rows.begin(), rows.end(), [&](int a, int b) { return keyOf(a) < keyOf(b); });
    }
    for (int i = 0; i < rows.size();) {
        int j = i;
        const auto key = keyOf(rows.at(i));
        while (j < rows.size() && keyOf(rows.at(j)) == key)
            ++j;
        run(key, rows.constData() + i, j - i);
        i = j;
    }
}

struct Layout
{
    bool totalRow = false;
    bool totalColumn = false;
    bool drilldown = false;
    QString grand; // the heading of the totals
    QString nonCalc; // a cell with nothing to summarise
};

// The headings, and every cell holding what a cell without values holds.
void layOut(Dataset& output, const QString& rowHeading, const Side& rows, const Side& cols,
    const Layout& layout)
{
    QStringList header = QStringList { rowHeading } + cols.headings;
    if (layout.totalColumn)
        header << layout.grand;
    output.setColumnCount(header.size());
    output.setHeader(header);
    QStringList blank;
    for (int c = 1; c < header.size(); ++c)
        blank.append(layout.nonCalc);
    for (const QString& heading : rows.headings)
        output.appendRow(QStringList { heading } + blank);
    if (layout.totalRow)
        output.appendRow(QStringList { layout.grand } + blank);
}

void fillCells(Dataset& output, const Summariser& summariser, const Side& rows, const Side& cols,
    const Layout& layout)
{
    const int nr = rows.headings.size();
    const int nc = cols.headings.size();
    const int count = rows.groups.group.size();
    const auto fill = [&](int row, int column, const int* members, int n) {
        output.setValue(row, column, summariser.summarise(members, n));
        if (layout.drilldown) {
            for (int i = 0; i < n; ++i)
                output.addDrilldown(row, column, members[i]);
        }
    };
    const auto rowOf = [&](int r) { return rows.rank.at(rows.groups.group.at(r)); };
    const auto columnOf = [&](int r) { return cols.rank.at(cols.groups.group.at(r)); };
    forEachRun(
        count, qint64(nr) * nc, [&](int r) { return qint64(rowOf(r)) * nc + columnOf(r); },
        [&](qint64 cell, const int* members, int n) {
            fill(int(cell / nc), 1 + int(cell % nc), members, n);
        });
    if (layout.totalColumn) {
        forEachRun(count, nr, rowOf,
            [&](int row, const int* members, int n) { fill(row, nc + 1, members, n); });
    }
    if (layout.totalRow) {
        forEachRun(count, nc, columnOf,
            [&](int column, const int* members, int n) { fill(nr, column + 1, members, n); });
    }
    if (layout.totalRow && layout.totalColumn) {
        forEachRun(
            count, 1, [](int) { return 0; },
            [&](int, const int* members, int n) { fill(nr, nc + 1, members, n); });
    }
}

// A cell's summary kept up to date row by row, for the functions that need
// no more than a sum, a count and the extremes. Values are added in row
// order, the order in which the stored-rows way sums a cell, so the figures
// are the same to the last digit; no per-row list is held.
struct RunningCell
{
    KahanSum sum;
    int count = 0;
    double least = 0.0;
    double most = 0.0;

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
    QString text(int function) const
    {
        using P = TransformPivot;
        if (function == P::Count)
            return QString::number(count);
        if (function == P::Minimum || function == P::Maximum)
            return formatNumber(function == P::Minimum ? least : most);
        return formatNumber(function == P::Sum ? sum.value() : sum.value() / double(count));
    }
};

// Whether the cells are summed up in one pass over the rows: for these
// functions, and when the cells are few next to the rows (a cell costs more
// than the per-row lists it saves).
bool summedInOnePass(int function, const Layout& layout, qint64 cells, int rowCount)
{
    using P = TransformPivot;
    const bool running = function == P::Sum || function == P::Average || function == P::Minimum
        || function == P::Maximum || function == P::Count;
    return running && !layout.drilldown && cells <= rowCount / 8 + 1024;
}

// The one-pass way: every row's number read (once per stored value) and
// added to its cell and its totals. Non-numbers are reported in row order.
bool sumInOnePass(Dataset& output, const Dataset& input, int column, int function, const Side& rows,
    const Side& cols, const Layout& layout, FailureList& failures,
    const std::function<bool(int, int)>& progress)
{
    const int nr = rows.headings.size();
    const int nc = cols.headings.size();
    std::vector<RunningCell> cells(size_t(nr) * size_t(nc));
    std::vector<RunningCell> rowTotals(static_cast<size_t>(nr));
    std::vector<RunningCell> columnTotals(static_cast<size_t>(nc));
    RunningCell grand;
    const bool counting = function == TransformPivot::Count;
    const ColumnNumbers numbers = counting ? ColumnNumbers() : readColumn(input, column);
    const int count = input.rowCount();
    for (int r = 0; r < count; ++r) {
        if (!progress(r, count))
            return false;
        double v = 0.0;
        if (counting) {
            if (input.value(r, column).isEmpty())
                continue;
        } else if (!numbers.ok[size_t(r)]) {
            reportNotNumber(input, r, column, failures);
            continue;
        } else {
            v = numbers.values[size_t(r)];
        }
        const int row = rows.rank.at(rows.groups.group.at(r));
        const int col = cols.rank.at(cols.groups.group.at(r));
        cells[size_t(row) * size_t(nc) + size_t(col)].add(v);
        rowTotals[size_t(row)].add(v);
        columnTotals[size_t(col)].add(v);
        grand.add(v);
    }
    // Cells without a value keep what layOut() put there.
    const auto fill = [&](int row, int column, const RunningCell& cell) {
        if (cell.count > 0)
            output.setValue(row, column, cell.text(function));
    };
    for (int row = 0; row < nr; ++row) {
        for (int col = 0; col < nc; ++col)
            fill(row, col + 1, cells[size_t(row) * size_t(nc) + size_t(col)]);
        if (layout.totalColumn)
            fill(row, nc + 1, rowTotals[size_t(row)]);
    }
    for (int col = 0; layout.totalRow && col < nc; ++col)
        fill(nr, col + 1, columnTotals[size_t(col)]);
    if (layout.totalRow && layout.totalColumn)
        fill(nr, nc + 1, grand);
    return true;
}

} // namespace

const QStringList& TransformPivot::functionNames()
{
    static const QStringList names = { "Sum", "Minimum", "Maximum", "Average", "Median", "Mode",
        "Standard deviation", "Count", "Count distinct" };
    return names;
}

QString TransformPivot::description() const
{
    return QStringLiteral("Summarise a column in a table with a row per combination of some "
                          "columns' values and a column per combination of others'.");
}

void TransformPivot::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    TransformParameter* p = addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Rows"), QStringLiteral("Pivot columns"));
    p->setTooltip(QStringLiteral("The columns whose values make the pivot table's columns."));
    p->setPivotEditorFlag(false);
    p = addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("Pivot rows"));
    p->setTooltip(QStringLiteral("The columns whose values make the pivot table's rows."));
    p->setPivotEditorFlag(false);
    p = addParameter(
        ParameterType::SingleColumn, QStringLiteral("Values"), QStringLiteral("Values"));
    p->setTooltip(QStringLiteral("The column summarised."));
    p->setPivotEditorFlag(false);
    addParameter(ParameterType::Selection, QStringLiteral("Summarize_As"),
        QStringLiteral("summarize as"), functionNames().first(), functionNames())
        ->setTooltip(QStringLiteral("The summary function."));
    addParameter(ParameterType::Selection, QStringLiteral("Non_Calc"),
        QStringLiteral("empty cells"), QStringLiteral("Zero"), QStringList { "Zero", "Empty" })
        ->setTooltip(QStringLiteral("What a cell with nothing to summarise holds."));
    addParameter(ParameterType::Bool, QStringLiteral("Totals"), QStringLiteral("totals"), true)
        ->setTooltip(QStringLiteral("Add totals."));
    addParameter(ParameterType::Selection, QStringLiteral("Total_Type"),
        QStringLiteral("total type"), QStringLiteral("Rows and columns"),
        QStringList { "Rows and columns", "Rows", "Columns" })
        ->setTooltip(QStringLiteral("Rows: a total row. Columns: a total column."));
    TransformParameter* delimiter = addParameter(
        ParameterType::Text, QStringLiteral("Delimiter"), QStringLiteral("delimiter"), "/");
    delimiter->setTextRequired(false);
    delimiter->setTooltip(
        QStringLiteral("Separates the values of several key columns in one heading."));
    addParameter(
        ParameterType::Bool, QStringLiteral("Drilldown"), QStringLiteral("allow drilldown"), false)
        ->setTooltip(QStringLiteral("Allow double click to drilldown in the data table."));
}

QList<QPair<QString, bool>> TransformPivot::optionStates() const
{
    return { { QStringLiteral("Total_Type"), boolParameter(QStringLiteral("Totals")) } };
}

void TransformPivot::validate()
{
    // One side of keys is enough: the empty one is not an option left unset.
    const TransformParameter* rows = parameter(QStringLiteral("Rows"));
    const TransformParameter* columns = parameter(QStringLiteral("Columns"));
    if (!rows || !columns || rows->isUnset() == columns->isUnset()) {
        Transform::validate();
        return;
    }
    QStringList labels;
    for (const TransformParameter* p : parameters()) {
        if (p != rows && p != columns && p->isUnset())
            labels.append(QStringLiteral("'%1'").arg(p->label()));
    }
    if (!labels.isEmpty()) {
        addWarning(
            QStringLiteral("%1 %2 not set (%3)")
                .arg(labels.size())
                .arg(labels.size() == 1 ? QStringLiteral("option") : QStringLiteral("options"),
                    labels.join(QLatin1Char(','))));
    }
}

void TransformPivot::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!requireParameters({ "Rows", "Columns", "Values", "Summarize_As", "Non_Calc", "Totals",
            "Total_Type", "Delimiter", "Drilldown" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    const QVector<int> rowKeys = columnIndexes(QStringLiteral("Columns"));
    const QVector<int> columnKeys = columnIndexes(QStringLiteral("Rows"));
    const int value = columnIndex(QStringLiteral("Values"));
    if (value < 0 || (rowKeys.isEmpty() && columnKeys.isEmpty())) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const int function = selectionParameter(QStringLiteral("Summarize_As"));
    const QString nonCalc
        = selectionParameter(QStringLiteral("Non_Calc")) == 0 ? QStringLiteral("0") : QString();
    const QString delimiter = textParameter(QStringLiteral("Delimiter"));
    const QString valueName = input.columnName(value);
    // The two sides group the same rows apart from each other: a large
    // table has them grouped on two threads.
    Side rows;
    Side cols;
    const auto makeRows = [&] { rows = makeSide(input, rowKeys, delimiter, valueName); };
    const auto makeColumns = [&] { cols = makeSide(input, columnKeys, delimiter, valueName); };
    Parallel::both(Parallel::worthSplitting(input.rowCount()), makeRows, makeColumns);
    Layout layout;
    const int totalType = selectionParameter(QStringLiteral("Total_Type"));
    layout.totalRow = boolParameter(QStringLiteral("Totals")) && totalType != 2;
    layout.totalColumn = boolParameter(QStringLiteral("Totals")) && totalType != 1;
    layout.drilldown = boolParameter(QStringLiteral("Drilldown"));
    layout.grand = QStringLiteral("Grand %1").arg(functionNames().value(function));
    layout.nonCalc = nonCalc;
    QStringList rowKeyNames;
    for (int c : rowKeys)
        rowKeyNames.append(input.columnName(c));
    layOut(output, rowKeyNames.join(delimiter), rows, cols, layout);
    const auto progress = [this](int row, int rows) { return reportProgress(row, rows * 2); };
    FailureList failures;
    const qint64 cells = qint64(rows.headings.size()) * cols.headings.size();
    if (summedInOnePass(function, layout, cells, input.rowCount())) {
        sumInOnePass(output, input, value, function, rows, cols, layout, failures, progress);
    } else {
        Summariser summariser(input, value, function, nonCalc);
        if (function != Count && function != CountDistinct)
            summariser.readNumbers(failures, progress);
        fillCells(output, summariser, rows, cols, layout);
    }
    for (const QString& line : failures.lines())
        addWarning(line);
    emit processed(1.0);
    setSummary(QStringLiteral("Pivot table created"));
}

// The table is made from the key and value columns alone.
QVector<bool> TransformPivot::usedUpstreamColumns(
    const Dataset& input, const QVector<bool>& usedOutput) const
{
    Q_UNUSED(usedOutput)
    return usedInPlace(input, {});
}
