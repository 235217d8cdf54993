#include "transforms/column/transformspread.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "transforms/support/rowgroups.h"
#include "transforms/support/shapesummary.h"

#include <QHash>

QString TransformSpread::description() const
{
    return QStringLiteral("Turn the values of a key column into new columns filled from a value "
                          "column (long to wide).");
}

void TransformSpread::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::SingleColumn, QStringLiteral("Key_Column"), QStringLiteral("key column"))
        ->setTooltip(QStringLiteral("Its values become the new column headings."));
    addParameter(
        ParameterType::SingleColumn, QStringLiteral("Value_Column"), QStringLiteral("value column"))
        ->setTooltip(QStringLiteral("Its values fill the new columns."));
    TransformParameter* missing = addParameter(
        ParameterType::Text, QStringLiteral("Missing_Value"), QStringLiteral("missing value"));
    missing->setTextRequired(false);
    missing->setTooltip(QStringLiteral("The value where a combination has no value."));
    addParameter(
        ParameterType::Int, QStringLiteral("Min_New_Cols"), QStringLiteral("Min. columns"), 0)
        ->setTooltip(QStringLiteral("The least number of new columns; empty ones are added."));
    addParameter(
        ParameterType::Int, QStringLiteral("Max_New_Cols"), QStringLiteral("Max. columns"), 100)
        ->setTooltip(QStringLiteral("The largest number of new columns. Ignored if less than the "
                                    "minimum."));
}

// The distinct keys, in order of first appearance, that become new columns
// within the limits, each with its position among them; and the number of
// new columns, empty ones added to reach the minimum included.
QStringList TransformSpread::newKeys(
    const Dataset& input, int key, QHash<QString, int>& position, int& newColumns)
{
    QStringList keys;
    for (int r = 0; r < input.rowCount(); ++r) {
        const QString& k = input.value(r, key);
        if (!position.contains(k)) {
            position.insert(k, keys.size());
            keys.append(k);
        }
    }
    const int minimum = intParameter(QStringLiteral("Min_New_Cols"));
    int maximum = intParameter(QStringLiteral("Max_New_Cols"));
    if (maximum < minimum) {
        addWarning(QStringLiteral("'%1' < '%2'")
                       .arg(parameter(QStringLiteral("Max_New_Cols"))->label(),
                           parameter(QStringLiteral("Min_New_Cols"))->label()));
        maximum = minimum;
    }
    if (keys.size() > maximum) {
        addWarning(QStringLiteral("%1 key value(s) found, so %2 column(s) left out to keep to the "
                                  "maximum of %3")
                       .arg(keys.size())
                       .arg(keys.size() - maximum)
                       .arg(maximum));
        keys = keys.mid(0, maximum);
    }
    newColumns = qMax(keys.size(), minimum);
    return keys;
}

void TransformSpread::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!requireParameters(
            { "Key_Column", "Value_Column", "Missing_Value", "Min_New_Cols", "Max_New_Cols" }))
        return;
    Dataset input = upstream.first()->dataset();
    int key = columnIndex(QStringLiteral("Key_Column"));
    const int value = columnIndex(QStringLiteral("Value_Column"));
    if (!input.hasRows() || key < 0 || value < 0) {
        output = input;
        setSummary(QStringLiteral("No changes"));
        return;
    }
    if (input.columnCount() <= 2) {
        output = input;
        addWarning(QStringLiteral("An input needs more than 2 columns to be spread."));
        setSummary(QStringLiteral("No changes"));
        return;
    }
    if (key == value) {
        // The column is both: a copy at the end serves as the key.
        key = input.columnCount();
        input.appendColumn();
        input.setColumnName(key, input.columnName(value));
        for (int r = 0; r < input.rowCount(); ++r)
            input.setValue(r, key, input.value(r, value));
    }
    QVector<int> identifying;
    for (int c = 0; c < input.columnCount(); ++c) {
        if (c != key && c != value)
            identifying.append(c);
    }
    QHash<QString, int> keyColumn;
    int newColumns = 0;
    const QStringList keys = newKeys(input, key, keyColumn, newColumns);

    RowGroups groups;
    groupRows(input, identifying, KeyOptions(), groups,
        [this](int row, int rows) { return reportProgress(row, rows); });
    QStringList header;
    for (int c : qAsConst(identifying))
        header.append(input.columnName(c));
    header << keys;
    while (header.size() < identifying.size() + newColumns)
        header.append(QString());
    output.setColumnCount(header.size());
    output.setHeader(header);
    const QString missing = textParameter(QStringLiteral("Missing_Value"));
    QVector<QStringList> rows(groups.groupCount());
    for (int g = 0; g < groups.groupCount(); ++g) {
        QStringList& row = rows[g];
        for (int c : qAsConst(identifying))
            row.append(input.value(groups.firstRow.at(g), c));
        for (int k = 0; k < newColumns; ++k)
            row.append(k < keys.size() ? missing : QString());
    }
    QVector<QVector<bool>> filled(groups.groupCount(), QVector<bool>(keys.size(), false));
    for (int r = 0; r < input.rowCount(); ++r) {
        const int k = keyColumn.value(input.value(r, key));
        if (k >= keys.size())
            continue;
        const int g = groups.group.at(r);
        QString& cell = rows[g][identifying.size() + k];
        cell = filled[g][k] ? QStringLiteral("Error: multiple values") : input.value(r, value);
        filled[g][k] = true;
    }
    for (const QStringList& row : qAsConst(rows))
        output.appendRow(row);
    setSummary(shapeSummary(upstream.first()->dataset(), output));
}
