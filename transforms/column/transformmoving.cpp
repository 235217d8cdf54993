#include "transforms/column/transformmoving.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QStringList& statisticChoices()
{
    static const QStringList choices = { QStringLiteral("Average"), QStringLiteral("Sum"),
        QStringLiteral("Minimum"), QStringLiteral("Maximum"), QStringLiteral("Median"),
        QStringLiteral("Standard deviation") };
    return choices;
}

} // namespace

void TransformMoving::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::SingleColumn, QStringLiteral("Column"), QStringLiteral("column"))
        ->setTooltip(QStringLiteral("The column of numbers to calculate over. Values that are "
                                    "not numbers count as missing."));
    addParameter(ParameterType::Selection, QStringLiteral("Statistic"), QStringLiteral("statistic"),
        statisticChoices().first(), statisticChoices())
        ->setTooltip(QStringLiteral("What to calculate over the numbers in each window. The "
                                    "standard deviation is the sample one (divided by n - 1)."));
    TransformParameter* window
        = addParameter(ParameterType::Int, QStringLiteral("Window"), QStringLiteral("window"), 3);
    window->setIntRange(1, 1000000);
    window->setSuffix(QStringLiteral(" rows"));
    window->setTooltip(QStringLiteral("How many rows each window spans."));
    addParameter(ParameterType::Selection, QStringLiteral("Alignment"),
        QStringLiteral("window position"), QStringLiteral("Trailing"),
        QStringList { QStringLiteral("Trailing"), QStringLiteral("Centred") })
        ->setTooltip(QStringLiteral("Trailing: the row and the rows before it.\nCentred: the "
                                    "rows around the row (one more before it when the window "
                                    "is even)."));
    addParameter(ParameterType::Bool, QStringLiteral("Partial"),
        QStringLiteral("calculate incomplete windows"), false)
        ->setTooltip(QStringLiteral("Calculate from the numbers there are when a window is cut "
                                    "short at the start or end, or holds missing values. "
                                    "Unchecked, such rows are left empty."));
    addParameter(
        ParameterType::Bool, QStringLiteral("By_Group"), QStringLiteral("restart per group"), false)
        ->setTooltip(QStringLiteral("Start the windows afresh for each group of rows with the "
                                    "same values in the group columns."));
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Group_By"), QStringLiteral("group columns"))
        ->setTooltip(QStringLiteral("Rows with the same values in these columns form a group."));
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("new column name"),
        QStringLiteral("Moving"))
        ->setTooltip(QStringLiteral("The name of the column that receives the results."));
}

QList<QPair<QString, bool>> TransformMoving::optionStates() const
{
    return { { QStringLiteral("Group_By"), boolParameter(QStringLiteral("By_Group")) } };
}

double TransformMoving::statistic(Statistic which, const QVector<double>& values)
{
    if (values.isEmpty())
        return std::numeric_limits<double>::quiet_NaN();
    switch (which) {
    case Average:
        return Stats::mean(values);
    case Sum:
        return Stats::sum(values);
    case Minimum:
        return *std::min_element(values.begin(), values.end());
    case Maximum:
        return *std::max_element(values.begin(), values.end());
    case Median:
        return Stats::median(values);
    case StdDev:
        return Stats::sampleStdDev(values);
    }
    return std::numeric_limits<double>::quiet_NaN();
}

void TransformMoving::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Column", "Statistic", "Window", "Alignment", "Partial", "By_Group",
            "Group_By", "New_Name" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const int column = columnIndex(QStringLiteral("Column"));
    if (column < 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const auto which = Statistic(selectionParameter(QStringLiteral("Statistic")));
    const int window = qMax(1, intParameter(QStringLiteral("Window"), 3));
    // A centred window of n rows reaches n / 2 rows back and (n - 1) / 2 ahead.
    const bool centred = selectionParameter(QStringLiteral("Alignment")) == 1;
    const int back = centred ? window / 2 : window - 1;
    const int ahead = centred ? (window - 1) / 2 : 0;
    const bool partial = boolParameter(QStringLiteral("Partial"));
    const QVector<int> keys = boolParameter(QStringLiteral("By_Group"))
        ? columnIndexes(QStringLiteral("Group_By"))
        : QVector<int>();
    const int target = output.columnCount();
    output.appendColumn();
    output.setColumnName(target, textParameter(QStringLiteral("New_Name")));
    QVector<double> numbers(input.rowCount());
    QVector<bool> known(input.rowCount());
    for (int r = 0; r < input.rowCount(); ++r) {
        bool ok = false;
        numbers[r] = Stats::cellNumber(input.value(r, column), &ok);
        known[r] = ok;
    }
    int done = 0;
    int computed = 0;
    QVector<double> values;
    for (const QVector<int>& rows : Stats::groupRows(input, keys)) {
        for (int i = 0; i < rows.size(); ++i) {
            if (!reportProgress(done++, input.rowCount()))
                break;
            values.clear();
            for (int k = qMax(0, i - back); k <= qMin(rows.size() - 1, i + ahead); ++k) {
                if (known.at(rows.at(k)))
                    values.append(numbers.at(rows.at(k)));
            }
            if (!partial && values.size() < window)
                continue;
            const QString text = Stats::cellText(statistic(which, values));
            output.setValue(rows.at(i), target, text);
            computed += text.isEmpty() ? 0 : 1;
        }
    }
    const int empty = input.rowCount() - computed;
    setSummary(QStringLiteral("%1 calculated, %2 left empty")
                   .arg(countText(computed, QStringLiteral("value"), QStringLiteral("values")),
                       formatInteger(empty, true)));
}
