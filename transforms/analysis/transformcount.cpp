#include "transforms/analysis/transformcount.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/rowgroups.h"

#include <algorithm>
#include <numeric>

QString TransformCount::description() const
{
    return QStringLiteral("Count how often each value of a column occurs.");
}

void TransformCount::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Bool, QStringLiteral("Auto_New_Name"),
        QStringLiteral("automatic column name"), true)
        ->setTooltip(QStringLiteral("Name the count column after the counted column."));
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("new column name"),
        displayName())
        ->setTooltip(QStringLiteral("The name of the count column."));
    addParameter(ParameterType::SingleColumn, QStringLiteral("Column"), QStringLiteral("column"))
        ->setTooltip(QStringLiteral("The column whose values are counted."));
    addParameter(ParameterType::Selection, QStringLiteral("Sort"), QStringLiteral("sort by"),
        QStringLiteral("Count"), QStringList { "Count", "Text" })
        ->setTooltip(QStringLiteral("Order the result by the count or by the value."));
    addParameter(ParameterType::Selection, QStringLiteral("Order"), QStringLiteral("order"),
        QStringLiteral("Descending"), QStringList { "Ascending", "Descending" })
        ->setTooltip(QStringLiteral("The direction of the order."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), true)
        ->setTooltip(QStringLiteral("When off, values that differ only in letter case are "
                                    "counted together."));
    addParameter(
        ParameterType::Bool, QStringLiteral("Drilldown"), QStringLiteral("allow drilldown"), false)
        ->setTooltip(QStringLiteral("Allow double click to drilldown in the data table."));
}

QList<QPair<QString, bool>> TransformCount::optionStates() const
{
    return { { QStringLiteral("New_Name"), !boolParameter(QStringLiteral("Auto_New_Name")) } };
}

bool TransformCount::startOutput(Dataset& output, const Dataset& input, int column)
{
    const QString countName = boolParameter(QStringLiteral("Auto_New_Name"))
        ? (column < 0 ? displayName() : QStringLiteral("Count %1").arg(input.columnName(column)))
        : textParameter(QStringLiteral("New_Name"));
    output.setColumnCount(2);
    output.setHeader(
        { column < 0 ? QStringLiteral("<None selected>") : input.columnName(column), countName });
    if (column < 0)
        setSummary(QStringLiteral("No changes"));
    return column >= 0;
}

QVector<int> TransformCount::appendCounts(
    Dataset& output, const QStringList& values, const QVector<int>& sizes, qint64 rows)
{
    QVector<int> order(sizes.size());
    std::iota(order.begin(), order.end(), 0);
    // Sorted by text first, then stably by count: values with the same count
    // read in text order either way, so that the most frequent values come
    // first and ties read alphabetically. countOrder() says the same of two
    // values, for putting counts from disk together.
    std::stable_sort(
        order.begin(), order.end(), [&](int a, int b) { return values.at(a) < values.at(b); });
    const bool descending = selectionParameter(QStringLiteral("Order")) == 1;
    if (selectionParameter(QStringLiteral("Sort")) == 0) {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return descending ? sizes.at(a) > sizes.at(b) : sizes.at(a) < sizes.at(b);
        });
    } else if (descending) {
        std::reverse(order.begin(), order.end());
    }
    output.reserveRows(order.size());
    for (int g : qAsConst(order))
        output.appendRow({ values.at(g), QString::number(sizes.at(g)) });
    setCountSummary(sizes.size(), rows);
    return order;
}

TransformCount::CountOrder TransformCount::countOrder() const
{
    const bool descending = selectionParameter(QStringLiteral("Order")) == 1;
    if (selectionParameter(QStringLiteral("Sort")) == 1) {
        return [descending](const QString& a, qint64, const QString& b, qint64) {
            return descending ? b < a : a < b;
        };
    }
    // The texts of the groups differ: no two values tie.
    return [descending](const QString& a, qint64 countA, const QString& b, qint64 countB) {
        if (countA != countB)
            return descending ? countA > countB : countA < countB;
        return a < b;
    };
}

void TransformCount::setCountSummary(qint64 values, qint64 rows)
{
    setSummary(
        QStringLiteral("%1 counted from %2 rows").arg(formatInteger(values), formatInteger(rows)));
}

void TransformCount::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!requireParameters({ "Auto_New_Name", "New_Name", "Column", "Sort", "Order",
            "Case_Sensitive", "Drilldown" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    const int column = columnIndex(QStringLiteral("Column"));
    if (!startOutput(output, input, column))
        return;
    // Without case, the first text met for a lower-cased form stands for
    // every later cell of that form: that is the group's first row.
    KeyOptions options;
    options.caseSensitive = boolParameter(QStringLiteral("Case_Sensitive"));
    RowGroups groups;
    groupRows(input, { column }, options, groups,
        [this](int row, int rows) { return reportProgress(row, rows); });
    QStringList values;
    values.reserve(groups.groupCount());
    for (int g = 0; g < groups.groupCount(); ++g)
        values.append(input.value(groups.firstRow.at(g), column));
    const QVector<int> order = appendCounts(output, values, groups.sizes, input.rowCount());
    // The rows are recorded on the count cell only: a double click on the
    // value cell finds them there too, and the map stays one entry a row.
    if (boolParameter(QStringLiteral("Drilldown"))) {
        QVector<int> position(groups.groupCount());
        for (int i = 0; i < order.size(); ++i)
            position[order.at(i)] = i;
        for (int r = 0; r < groups.group.size(); ++r) {
            const int i = position.at(groups.group.at(r));
            output.addDrilldown(i, 1, r);
        }
    }
}
