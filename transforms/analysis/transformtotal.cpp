#include "transforms/analysis/transformtotal.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/failurelist.h"

#include <QHash>

QString TransformTotal::description() const
{
    return QStringLiteral("Add a running total of a numeric column, optionally kept separately "
                          "for each value of another column.");
}

void TransformTotal::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Bool, QStringLiteral("Auto_New_Name"),
        QStringLiteral("automatic column name"), true)
        ->setTooltip(QStringLiteral("Name the total column after the totalled column."));
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("new column name"),
        displayName())
        ->setTooltip(QStringLiteral("The name of the total column."));
    addParameter(ParameterType::SingleColumn, QStringLiteral("Column"), QStringLiteral("column"))
        ->setTooltip(QStringLiteral("The column to total."));
    TransformParameter* by
        = addParameter(ParameterType::SingleColumn, QStringLiteral("By"), QStringLiteral("by"));
    by->setColumnRequired(false);
    by->setTooltip(QStringLiteral("Keep a separate running total for each value of this column."));
}

QList<QPair<QString, bool>> TransformTotal::optionStates() const
{
    return { { QStringLiteral("New_Name"), !boolParameter(QStringLiteral("Auto_New_Name")) } };
}

void TransformTotal::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!requireParameters({ "Auto_New_Name", "New_Name", "Column", "By" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const int column = columnIndex(QStringLiteral("Column"));
    if (column < 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const int by = columnIndex(QStringLiteral("By"));
    const int totalColumn = output.columnCount();
    output.appendColumn();
    output.setColumnName(totalColumn,
        boolParameter(QStringLiteral("Auto_New_Name"))
            ? QStringLiteral("Total %1").arg(input.columnName(column))
            : textParameter(QStringLiteral("New_Name")));
    // A plain running sum, added in row order: the figure a spreadsheet's
    // running total shows, to the last digit.
    double sum = 0.0;
    QHash<QString, double> sums;
    FailureList failures;
    int totalled = 0;
    const int rows = input.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        const QString& text = input.value(r, column);
        bool ok = false;
        const double value = toNumber(text, false, true, &ok);
        double* running = by < 0 ? &sum : &sums[input.value(r, by)];
        if (ok) {
            *running += value;
            ++totalled;
        } else {
            failures.add([&] {
                return QStringLiteral("'%1' is not a numerical value in row %2")
                    .arg(text)
                    .arg(r + 1);
            });
        }
        output.setValue(r, totalColumn, formatNumber(*running));
    }
    for (const QString& line : failures.lines())
        addWarning(line);
    setSummary(QStringLiteral("%1 totalled")
                   .arg(countText(totalled, QStringLiteral("row"), QStringLiteral("rows"))));
}
