#include "transforms/analysis/transformstats.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/statistics.h"

#include <algorithm>

const QVector<TransformStats::Statistic>& TransformStats::statistics()
{
    static const QVector<Statistic> list = {
        { "Count", "Count", "The number of cells that are not empty." },
        { "Numeric_Count", "Numeric Count", "The number of values that read as numbers." },
        { "Sum", "Sum", "The sum of the numbers." },
        { "Mean", "Mean", "The average of the numbers." },
        { "Median", "Median", "The middle value of the numbers." },
        { "Std_Dev", "Std Dev",
            "The sample standard deviation of the numbers (divided by count - 1)." },
        { "Minimum", "Minimum", "The smallest number." },
        { "Maximum", "Maximum", "The largest number." },
        { "Percentile_25", "25th Percentile",
            "The number below which a quarter of the numbers lie (interpolated between the two "
            "nearest)." },
        { "Percentile_75", "75th Percentile",
            "The number below which three quarters of the numbers lie (interpolated between the "
            "two nearest)." },
        { "Shortest", "Shortest", "The length in characters of the shortest non-empty value." },
        { "Longest", "Longest", "The length in characters of the longest value." },
        { "Most_Frequent", "Most Frequent",
            "The non-empty value that occurs most often (the first one met on a tie)." },
    };
    return list;
}

void TransformStats::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("columns"))
        ->setTooltip(QStringLiteral("The columns to describe, one output row each. Numeric "
                                    "statistics use the values that read as numbers."));
    for (const Statistic& s : statistics()) {
        const QString name = QString::fromLatin1(s.name);
        addParameter(ParameterType::Bool, QString::fromLatin1(s.key), name.toLower(), true)
            ->setTooltip(QStringLiteral("Add a '%1' column: %2")
                             .arg(name, QString::fromLatin1(s.tooltip).toLower()));
    }
}

QStringList TransformStats::describe(const Dataset& data, int column)
{
    const Stats::NumericColumn numbers = Stats::readNumbers(data, column);
    QVector<double> sorted = numbers.values;
    std::sort(sorted.begin(), sorted.end());
    QStringList filled;
    int shortest = -1;
    int longest = -1;
    for (int r = 0; r < data.rowCount(); ++r) {
        const QString& text = data.value(r, column);
        if (Stats::isBlank(text))
            continue;
        filled.append(text);
        shortest = shortest < 0 ? text.size() : qMin(shortest, text.size());
        longest = qMax(longest, text.size());
    }
    const auto whole = [](int n) { return n < 0 ? QString() : QString::number(n); };
    const bool any = !sorted.isEmpty();
    return { QString::number(filled.size()), QString::number(sorted.size()),
        any ? Stats::cellText(Stats::sum(sorted)) : QString(), Stats::cellText(Stats::mean(sorted)),
        Stats::cellText(Stats::quantileSorted(sorted, 0.5)),
        Stats::cellText(Stats::sampleStdDev(sorted)),
        any ? Stats::cellText(sorted.first()) : QString(),
        any ? Stats::cellText(sorted.last()) : QString(),
        Stats::cellText(Stats::quantileSorted(sorted, 0.25)),
        Stats::cellText(Stats::quantileSorted(sorted, 0.75)), whole(shortest), whole(longest),
        Stats::mostFrequent(filled) };
}

void TransformStats::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "Columns" }))
        return;
    QVector<int> chosen;
    QStringList header = { QStringLiteral("Column") };
    for (int i = 0; i < statistics().size(); ++i) {
        if (boolParameter(QString::fromLatin1(statistics().at(i).key))) {
            chosen.append(i);
            header.append(QString::fromLatin1(statistics().at(i).name));
        }
    }
    const Dataset& input = upstream.first()->dataset();
    const QVector<int> columns = columnIndexes(QStringLiteral("Columns"));
    output.setColumnCount(header.size());
    output.setHeader(header);
    for (int i = 0; i < columns.size(); ++i) {
        if (!reportProgress(i, columns.size()))
            break;
        const QStringList all = describe(input, columns.at(i));
        QStringList row = { input.columnName(columns.at(i)) };
        for (int s : qAsConst(chosen))
            row.append(all.at(s));
        output.appendRow(row);
    }
    if (chosen.isEmpty())
        addWarning(QStringLiteral("No statistic is checked: check at least one."));
    setSummary(QStringLiteral("%1 described")
                   .arg(countText(
                       output.rowCount(), QStringLiteral("column"), QStringLiteral("columns"))));
}
