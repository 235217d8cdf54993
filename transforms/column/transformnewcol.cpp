#include "transforms/column/transformnewcol.h"

#include "core/dataset.h"
#include "core/tablesource.h"

QString TransformNewCol::description() const
{
    return QStringLiteral("Add a new column with the same value in every row.");
}

QSet<QString> TransformNewCol::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("create") << QStringLiteral("insert") << QStringLiteral("fixed")
          << QStringLiteral("value") << QStringLiteral("literal");
    return words;
}

void TransformNewCol::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("New column name"),
        displayName());
    TransformParameter* value = addParameter(ParameterType::Text, QStringLiteral("New_Value"),
        QStringLiteral("New column value"), QString());
    // A column of empty cells is a legitimate thing to add.
    value->setTextRequired(false);
    value->setTooltip(QStringLiteral("Value to populate the new column."));
}

void TransformNewCol::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "New_Name", "New_Value" }))
        return;
    takeUpstreamTable(output, upstream);
    const int column = output.columnCount();
    output.setColumnCount(column + 1);
    output.setColumnName(column, textParameter(QStringLiteral("New_Name")));
    const QString value = textParameter(QStringLiteral("New_Value"));
    const int rows = output.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        output.setValue(r, column, value);
    }
    setSummary(QStringLiteral("1 col added"));
}
