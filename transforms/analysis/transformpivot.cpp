#include "transforms/analysis/transformpivot.h"

#include "transforms/analysis/pivottable.h"

#include "core/dataset.h"
#include "core/parallel.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/aggregates.h"
#include "transforms/support/columnnumbers.h"
#include "transforms/support/datasetsort.h"
#include "transforms/support/failurelist.h"
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

using namespace pivot;

Side makeSide(const Dataset& input, const QVector<int>& columns, const QString& delimiter,
    const QString& noKeyHeading)
{
    Side side;
    groupRows(input, columns, KeyOptions(), side.groups);
    // The distinct keys as a small table.
    Dataset keys;
    keys.setColumnCount(columns.size());
    for (int g = 0; g < side.groups.groupCount(); ++g) {
        QStringList values;
        for (int c : columns)
            values.append(input.value(side.groups.firstRow.at(g), c));
        keys.appendRow(values);
    }
    orderSide(side, keys, columns.isEmpty(), delimiter, noKeyHeading);
    return side;
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
    RunningTable table;
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
        table.add(rows.groups.group.at(r), cols.groups.group.at(r), v);
    }
    table.fill(output, function, rows, cols, layout);
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

bool TransformPivot::planFor(const Dataset& input, Plan& plan)
{
    if (!requireParameters({ "Rows", "Columns", "Values", "Summarize_As", "Non_Calc", "Totals",
            "Total_Type", "Delimiter", "Drilldown" }))
        return false;
    plan.rowKeys = columnIndexes(QStringLiteral("Columns"));
    plan.columnKeys = columnIndexes(QStringLiteral("Rows"));
    plan.value = columnIndex(QStringLiteral("Values"));
    if (plan.value < 0 || (plan.rowKeys.isEmpty() && plan.columnKeys.isEmpty())) {
        setSummary(QStringLiteral("No changes"));
        return false;
    }
    plan.function = selectionParameter(QStringLiteral("Summarize_As"));
    plan.delimiter = textParameter(QStringLiteral("Delimiter"));
    plan.valueName = input.columnName(plan.value);
    Layout& layout = plan.layout;
    const int totalType = selectionParameter(QStringLiteral("Total_Type"));
    layout.totalRow = boolParameter(QStringLiteral("Totals")) && totalType != 2;
    layout.totalColumn = boolParameter(QStringLiteral("Totals")) && totalType != 1;
    layout.drilldown = boolParameter(QStringLiteral("Drilldown"));
    layout.grand = QStringLiteral("Grand %1").arg(functionNames().value(plan.function));
    layout.nonCalc
        = selectionParameter(QStringLiteral("Non_Calc")) == 0 ? QStringLiteral("0") : QString();
    QStringList rowKeyNames;
    for (int c : qAsConst(plan.rowKeys))
        rowKeyNames.append(input.columnName(c));
    plan.rowHeading = rowKeyNames.join(plan.delimiter);
    return true;
}

void TransformPivot::setMessages(const FailureList& failures)
{
    for (const QString& line : failures.lines())
        addWarning(line);
    emit processed(1.0);
    setSummary(QStringLiteral("Pivot table created"));
}

void TransformPivot::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    const Dataset& input = upstream.first()->dataset();
    Plan plan;
    if (planFor(input, plan))
        pivotTable(output, input, plan);
}

void TransformPivot::pivotTable(Dataset& output, const Dataset& input, const Plan& plan)
{
    // The two sides group the same rows apart from each other: a large
    // table has them grouped on two threads.
    Side rows;
    Side cols;
    const auto makeRows
        = [&] { rows = makeSide(input, plan.rowKeys, plan.delimiter, plan.valueName); };
    const auto makeColumns
        = [&] { cols = makeSide(input, plan.columnKeys, plan.delimiter, plan.valueName); };
    Parallel::both(Parallel::worthSplitting(input.rowCount()), makeRows, makeColumns);
    const Layout& layout = plan.layout;
    layOut(output, plan.rowHeading, rows, cols, layout);
    const auto progress = [this](int row, int rows) { return reportProgress(row, rows * 2); };
    FailureList failures;
    const qint64 cells = qint64(rows.headings.size()) * cols.headings.size();
    if (summedInOnePass(plan.function, layout, cells, input.rowCount())) {
        sumInOnePass(
            output, input, plan.value, plan.function, rows, cols, layout, failures, progress);
    } else {
        Summariser summariser(input, plan.value, plan.function, layout.nonCalc);
        if (plan.function != Count && plan.function != CountDistinct)
            summariser.readNumbers(failures, progress);
        fillCells(output, summariser, rows, cols, layout);
    }
    setMessages(failures);
}

// The table is made from the key and value columns alone.
QVector<bool> TransformPivot::usedUpstreamColumns(
    const Dataset& input, const QVector<bool>& usedOutput) const
{
    Q_UNUSED(usedOutput)
    return usedInPlace(input, {});
}
