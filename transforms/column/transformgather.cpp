#include "transforms/column/transformgather.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "transforms/support/shapesummary.h"

QString TransformGather::description() const
{
    return QStringLiteral("Turn columns into key and value rows (wide to long).");
}

void TransformGather::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("columns"))
        ->setTooltip(QStringLiteral("The columns to gather into key and value rows."));
    addParameter(ParameterType::Text, QStringLiteral("Key_Column"),
        QStringLiteral("key column name"), QStringLiteral("Key"))
        ->setTooltip(QStringLiteral("The name of the new column holding the gathered columns' "
                                    "names."));
    addParameter(ParameterType::Text, QStringLiteral("Value_Column"),
        QStringLiteral("value column name"), QStringLiteral("Value"))
        ->setTooltip(QStringLiteral("The name of the new column holding the gathered values."));
}

void TransformGather::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!requireParameters({ "Columns", "Key_Column", "Value_Column" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    const QVector<int> gathered = columnIndexes(QStringLiteral("Columns"), true);
    if (gathered.isEmpty()) {
        output = input;
        setSummary(QStringLiteral("No changes"));
        return;
    }
    QVector<int> kept;
    QStringList header;
    for (int c = 0; c < input.columnCount(); ++c) {
        if (!gathered.contains(c)) {
            kept.append(c);
            header.append(input.columnName(c));
        }
    }
    header << textParameter(QStringLiteral("Key_Column"))
           << textParameter(QStringLiteral("Value_Column"));
    output.setColumnCount(header.size());
    output.setHeader(header);
    output.reserveRows(input.rowCount() * gathered.size());
    const int rows = input.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        QStringList base;
        for (int c : qAsConst(kept))
            base.append(input.value(r, c));
        for (int c : gathered)
            output.appendRow(base + QStringList { input.columnName(c), input.value(r, c) });
    }
    setSummary(shapeSummary(input, output));
}
