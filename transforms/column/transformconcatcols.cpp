#include "transforms/column/transformconcatcols.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

namespace {

const QString kAutoName = QStringLiteral("Auto_New_Name");
const QString kNewName = QStringLiteral("New_Name");
const QString kColumns = QStringLiteral("Columns");
const QString kDelimiter = QStringLiteral("Delimiter");
const QString kKeepEmpty = QStringLiteral("Keep_Empty");

} // namespace

QString TransformConcatCols::description() const
{
    return QStringLiteral("Concatenate the values of selected columns into a new column.");
}

QSet<QString> TransformConcatCols::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("together") << QStringLiteral("paste") << QStringLiteral("strcat")
          << QStringLiteral("unite");
    return words;
}

void TransformConcatCols::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Bool, kAutoName, QStringLiteral("automatic new column name"), true);
    addParameter(ParameterType::Text, kNewName, QStringLiteral("New column name"), QString());
    addParameter(ParameterType::MultipleColumns, kColumns, QStringLiteral("Columns"));
    TransformParameter* delimiter = addParameter(
        ParameterType::Text, kDelimiter, QStringLiteral("Delimiter"), QStringLiteral(","));
    delimiter->setTextRequired(false);
    delimiter->setTooltip(QStringLiteral("Choose the text to place between values concatenated "
                                         "in the new column (optional), e.g. a Comma."));
    addParameter(ParameterType::Bool, kKeepEmpty, QStringLiteral("keep empty values"), false)
        ->setTooltip(QStringLiteral(
            "Check to concatenate empty values. NB/ Values containing whitespace are not empty."));
}

QList<QPair<QString, bool>> TransformConcatCols::optionStates() const
{
    // The typed name matters only when the name is not made automatically.
    return { qMakePair(kNewName, !boolParameter(kAutoName, true)) };
}

void TransformConcatCols::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters(
            { "Auto_New_Name", "New_Name", "Columns", "Delimiter", "Keep_Empty" }))
        return;
    // Taken over, the rows are read from the output, whose new columns only
    // follow the ones read.
    const Dataset& input
        = takeUpstreamTable(output, upstream) ? output : upstream.first()->dataset();
    const QVector<int> columns = columnIndexes(kColumns, true);
    if (columns.isEmpty()) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    QString name = textParameter(kNewName);
    if (boolParameter(kAutoName)) {
        QStringList names;
        for (int c : columns)
            names.append(input.columnName(c));
        name = names.join(QStringLiteral(" + "));
    }
    const QString delimiter = textParameter(kDelimiter);
    const bool keepEmpty = boolParameter(kKeepEmpty);

    const int target = input.columnCount();
    output.setColumnCount(target + 1);
    output.setColumnName(target, name);
    const int rows = input.rowCount();
    QString joined;
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        joined.clear();
        bool first = true;
        for (int c : columns) {
            const QString& value = input.value(r, c);
            if (value.isEmpty() && !keepEmpty)
                continue;
            if (!first)
                joined += delimiter;
            joined += value;
            first = false;
        }
        output.setValue(r, target, joined);
    }
    setSummary(QStringLiteral("Concatenated %1 %2")
                   .arg(formatInteger(columns.size(), true),
                       columns.size() == 1 ? QStringLiteral("col") : QStringLiteral("cols")));
}
