#include "transforms/other/transformsubstitute.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/columnvariables.h"

QString TransformSubstitute::description() const
{
    return QStringLiteral("Add a column made from a text with column variables, such as $(1), "
                          "filled in from each row.");
}

QSet<QString> TransformSubstitute::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("format") << QStringLiteral("combine") << QStringLiteral("text")
          << QStringLiteral("interpolate") << QStringLiteral("placeholder")
          << QStringLiteral("new");
    return words;
}

void TransformSubstitute::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("New column name"),
        QStringLiteral("Substitute"))
        ->setTooltip(QStringLiteral("The name of the new column."));
    addParameter(ParameterType::LongText, QStringLiteral("Script"),
        QStringLiteral("Substitution script"), QStringLiteral("First column value is $(1)"))
        ->setTooltip(QStringLiteral("The text of the new column.\nUse column variables, e.g. $(1) "
                                    "for the first column value or $(name) for the value of the "
                                    "column called name.\nSee 'Column variables' in the help."));
}

void TransformSubstitute::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "New_Name", "Script" }))
        return;

    const Dataset& input = upstream.first()->dataset();
    const ColumnVariables script(textParameter(QStringLiteral("Script")), input);
    output = input;
    // The new column is filled as a whole, so each row is copied once.
    const int rowCount = input.rowCount();
    QStringList values;
    values.reserve(rowCount);
    int evaluated = 0;
    for (int r = 0; r < rowCount; ++r) {
        if (!reportProgress(r, rowCount))
            break;
        values.append(script.expand(input.row(r)));
        ++evaluated;
    }
    const int column = output.columnCount();
    const QString name = textParameter(QStringLiteral("New_Name"));
    output.insertColumn(column, name);
    // A table without a header gets one, so that the new column bears its
    // name; the other columns keep their default names.
    output.setColumnName(column, name);
    for (int r = evaluated; r < rowCount; ++r)
        values.append(QString());
    output.setColumnValues(column, values);

    if (!script.ambiguousNames().isEmpty())
        addWarning(QStringLiteral("Ambiguous column name(s): %1, first column with name used")
                       .arg(script.ambiguousNames().join(QStringLiteral(", "))));
    setSummary(QStringLiteral("%1 evaluated").arg(formatInteger(evaluated, true)));
}
