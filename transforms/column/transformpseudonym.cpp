#include "transforms/column/transformpseudonym.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/seededrandom.h"

#include <utility>

QString TransformPseudonym::description() const
{
    return QStringLiteral("Add a column that replaces each different value of a column by a "
                          "pseudonym, e.g. ID-17.");
}

void TransformPseudonym::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Bool, QStringLiteral("Auto_New_Name"),
        QStringLiteral("automatic new column name"), true);
    // Only the prefix may be empty: a blank name with the automatic name off
    // is an unset option, as in the other types that add a column.
    addParameter(
        ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("New column name"));
    addParameter(ParameterType::SingleColumn, QStringLiteral("Column"), QStringLiteral("Column"))
        ->setTooltip(QStringLiteral("The column whose values are pseudonymized."));
    addParameter(ParameterType::Text, QStringLiteral("Prefix"), QStringLiteral("Prefix"),
        QStringLiteral("ID-"))
        ->setTextRequired(false);
    addParameter(ParameterType::Int, QStringLiteral("Start_At"), QStringLiteral("Start at"), 1)
        ->setIntRange(0, 999999999);
    TransformParameter* seed = addParameter(
        ParameterType::Int, QStringLiteral("Seed"), QStringLiteral("Random seed"), 1);
    seed->setIntRange(0, 999999);
    seed->setTooltip(QStringLiteral("The same seed gives the same pseudonyms every time; change it "
                                    "for a different assignment."));
}

QList<QPair<QString, bool>> TransformPseudonym::optionStates() const
{
    return { qMakePair(
        QStringLiteral("New_Name"), !boolParameter(QStringLiteral("Auto_New_Name"))) };
}

QVector<qint64> TransformPseudonym::numbering(int count, qint64 start, quint64 seed)
{
    QVector<qint64> numbers(count);
    for (int i = 0; i < count; ++i)
        numbers[i] = start + i;
    // Fisher-Yates with the portable range mapping.
    SeededRandom random(seed);
    for (int i = count - 1; i > 0; --i)
        std::swap(numbers[i], numbers[int(random.below(quint64(i) + 1))]);
    return numbers;
}

void TransformPseudonym::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters(
            { "Auto_New_Name", "New_Name", "Column", "Prefix", "Start_At", "Seed" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const int source = columnIndex(QStringLiteral("Column"));
    if (!input.isValidColumn(source)) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    // Empty cells stay empty: a blank is no value to hide.
    QHash<QString, int> order;
    for (int r = 0; r < input.rowCount(); ++r) {
        const QString& value = input.value(r, source);
        if (!value.isEmpty() && !order.contains(value))
            order.insert(value, order.size());
    }
    const QVector<qint64> numbers = numbering(order.size(),
        intParameter(QStringLiteral("Start_At")), quint64(intParameter(QStringLiteral("Seed"))));
    const QString prefix = textParameter(QStringLiteral("Prefix"));

    const int column = output.columnCount();
    output.appendColumn();
    const QString name = boolParameter(QStringLiteral("Auto_New_Name"))
        ? QStringLiteral("%1-%2").arg(input.columnName(source), QStringLiteral("Pseudonym"))
        : textParameter(QStringLiteral("New_Name"));
    if (!name.isEmpty())
        output.setColumnName(column, name);
    const int rows = input.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        const auto it = order.constFind(input.value(r, source));
        if (it != order.constEnd())
            output.setValue(r, column, prefix + QString::number(numbers.at(it.value())));
    }
    const QString rowText = QStringLiteral("%1 %2").arg(
        formatInteger(rows, true), rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"));
    if (order.isEmpty())
        setSummary(QStringLiteral("%1 pseudonymized").arg(rowText));
    else
        setSummary(QStringLiteral("%1 pseudonymized with %2 %3 ")
                       .arg(rowText, formatInteger(order.size(), true),
                           order.size() == 1 ? QStringLiteral("pseudonym")
                                             : QStringLiteral("pseudonyms")));
}
