#include "transforms/row/transformrownum.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

QString TransformRowNum::description() const
{
    return QStringLiteral("Add a new column of row numbers.");
}

QSet<QString> TransformRowNum::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("numbering") << QStringLiteral("rownum") << QStringLiteral("id")
          << QStringLiteral("serial") << QStringLiteral("enumerate") << QStringLiteral("increment");
    return words;
}

void TransformRowNum::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("New column name"));
    addParameter(ParameterType::Int, QStringLiteral("Start_At"), QStringLiteral("Start at"), 1)
        ->setIntRange(-999999999, 999999999);
    addParameter(ParameterType::Int, QStringLiteral("Increment"), QStringLiteral("Increment"), 1)
        ->setIntRange(-999999, 999999);
    TransformParameter* every
        = addParameter(ParameterType::Int, QStringLiteral("Every"), QStringLiteral("Every"), 1);
    every->setIntRange(1, 999999999);
    every->setTooltip(
        QStringLiteral("How often to increment (e.g. set to 5 to increment once every 5 rows."));
}

qint64 TransformRowNum::numberOf(int row, qint64 start, qint64 increment, qint64 every)
{
    return start + (row / qMax<qint64>(1, every)) * increment;
}

void TransformRowNum::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "New_Name", "Start_At", "Increment", "Every" }))
        return;
    output = upstream.first()->dataset();
    const qint64 start = intParameter(QStringLiteral("Start_At"));
    const qint64 increment = intParameter(QStringLiteral("Increment"));
    const qint64 every = intParameter(QStringLiteral("Every"));
    const int column = output.columnCount();
    output.setColumnCount(column + 1);
    output.setColumnName(column, textParameter(QStringLiteral("New_Name")));
    const int rows = output.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        output.setValue(r, column, QString::number(numberOf(r, start, increment, every)));
    }
    setSummary(QStringLiteral("%1 %2 numbered")
                   .arg(formatInteger(rows, true),
                       rows == 1 ? QStringLiteral("row") : QStringLiteral("rows")));
}
