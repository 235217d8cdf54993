#include "transforms/format/transformscale.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/statistics.h"

#include <algorithm>
#include <cmath>

namespace {

const QStringList& methodChoices()
{
    static const QStringList choices = { QStringLiteral("Min-max to a range"),
        QStringLiteral("Z-score"), QStringLiteral("Divide by largest absolute value"),
        QStringLiteral("Robust (median and IQR)"), QStringLiteral("Log10"),
        QStringLiteral("Natural log"), QStringLiteral("Percent of column total") };
    return choices;
}

// A spread of 0 leaves values unscaled rather than dividing by it, so a
// constant column becomes 0 (or the start of the range) instead of errors.
double safeSpread(double spread)
{
    return std::isfinite(spread) && spread != 0.0 ? spread : 1.0;
}

} // namespace

void TransformScale::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("columns"))
        ->setTooltip(QStringLiteral("The columns to rescale. Each column is scaled on its own; "
                                    "values that are not numbers are left as they are."));
    addParameter(ParameterType::Selection, QStringLiteral("Method"), QStringLiteral("scale by"),
        methodChoices().first(), methodChoices())
        ->setTooltip(QStringLiteral(
            "Min-max: the smallest value becomes 'from', the largest 'to'.\n"
            "Z-score: (value - mean) / sample standard deviation.\n"
            "Divide by largest absolute value: values between -1 and 1.\n"
            "Robust: (value - median) / interquartile range, little moved by outliers.\n"
            "Log10, Natural log: the logarithm; zero and negative values are emptied.\n"
            "Percent of column total: value * 100 / sum of the column."));
    TransformParameter* from = addParameter(
        ParameterType::Real, QStringLiteral("Range_From"), QStringLiteral("range from"), 0.0);
    from->setRealRange(-1e12, 1e12);
    from->setTooltip(QStringLiteral("Min-max: what the smallest value becomes."));
    TransformParameter* to = addParameter(
        ParameterType::Real, QStringLiteral("Range_To"), QStringLiteral("range to"), 1.0);
    to->setRealRange(-1e12, 1e12);
    to->setTooltip(QStringLiteral("Min-max: what the largest value becomes."));
    TransformParameter* decimals = addParameter(
        ParameterType::Int, QStringLiteral("Decimals"), QStringLiteral("decimals"), -1);
    decimals->setIntRange(-1, 15);
    decimals->setSpecialValueText(QStringLiteral("All"));
    decimals->setTooltip(QStringLiteral("Round the results to this many decimal places. 'All' "
                                        "keeps every significant digit."));
}

QList<QPair<QString, bool>> TransformScale::optionStates() const
{
    const bool range = selectionParameter(QStringLiteral("Method")) == MinMax;
    return { { QStringLiteral("Range_From"), range }, { QStringLiteral("Range_To"), range } };
}

bool TransformScale::linearMap(Method method, const QVector<double>& values, double from, double to,
    double* factor, double* offset)
{
    double centre = 0.0;
    double spread = 1.0;
    switch (method) {
    case MinMax: {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        const double range = values.isEmpty() ? 0.0 : *high - *low;
        *factor = range == 0.0 ? 0.0 : (to - from) / range;
        *offset = from - (values.isEmpty() ? 0.0 : *low) * *factor;
        return true;
    }
    case ZScore:
        centre = Stats::mean(values);
        spread = Stats::sampleStdDev(values);
        break;
    case MaxAbsolute:
        spread = 0.0;
        for (double v : values)
            spread = qMax(spread, std::fabs(v));
        break;
    case Robust:
        centre = Stats::median(values);
        spread = Stats::quantile(values, 0.75) - Stats::quantile(values, 0.25);
        break;
    case PercentOfTotal:
        spread = Stats::sum(values) / 100.0;
        break;
    default:
        return false;
    }
    *factor = 1.0 / safeSpread(spread);
    *offset = -centre * *factor;
    return true;
}

void TransformScale::scaleColumn(Dataset& output, int column, qint64& changed, qint64& unchanged)
{
    const auto method = Method(selectionParameter(QStringLiteral("Method")));
    const int decimals = intParameter(QStringLiteral("Decimals"), -1);
    const QString name = output.columnName(column);
    const Stats::NumericColumn numbers = Stats::readNumbers(output, column);
    double factor = 1.0;
    double offset = 0.0;
    const bool linear
        = linearMap(method, numbers.values, realParameter(QStringLiteral("Range_From")),
            realParameter(QStringLiteral("Range_To"), 1.0), &factor, &offset);
    if (method == PercentOfTotal && Stats::sum(numbers.values) == 0.0
        && !numbers.values.isEmpty()) {
        addWarning(QStringLiteral("The numbers in '%1' add up to 0: left as they are.").arg(name));
        unchanged += numbers.values.size();
        return;
    }
    QStringList nonPositive;
    int nonPositiveCount = 0;
    for (int i = 0; i < numbers.values.size(); ++i) {
        const int row = numbers.rows.at(i);
        const double v = numbers.values.at(i);
        QString text;
        if (linear) {
            text = formatNumber(v * factor + offset, false, decimals, true);
        } else if (v > 0.0) {
            text = formatNumber(
                method == Log10 ? std::log10(v) : std::log(v), false, decimals, true);
        } else if (++nonPositiveCount <= 5) {
            nonPositive.append(Stats::example(output.value(row, column), row));
        }
        if (text == output.value(row, column)) {
            ++unchanged;
        } else {
            output.setValue(row, column, text);
            ++changed;
        }
    }
    unchanged += numbers.unreadableRows.size() + numbers.blankCount;
    Stats::reportExamples(*this,
        QStringLiteral("%1 in '%2' emptied (no logarithm for zero or less):")
            .arg(countText(nonPositiveCount, QStringLiteral("value"), QStringLiteral("values")),
                name),
        nonPositive, nonPositiveCount);
    QStringList unreadable;
    for (int i = 0; i < numbers.unreadableRows.size() && i < 5; ++i) {
        const int row = numbers.unreadableRows.at(i);
        unreadable.append(Stats::example(output.value(row, column), row));
    }
    const int count = numbers.unreadableRows.size();
    Stats::reportExamples(*this,
        QStringLiteral("%1 in '%2' left unchanged (%3):")
            .arg(countText(count, QStringLiteral("value"), QStringLiteral("values")), name,
                count == 1 ? QStringLiteral("not a number") : QStringLiteral("not numbers")),
        unreadable, count);
}

void TransformScale::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Columns", "Method", "Range_From", "Range_To", "Decimals" }))
        return;
    output = upstream.first()->dataset();
    const QVector<int> columns = columnIndexes(QStringLiteral("Columns"));
    qint64 changed = 0;
    qint64 unchanged = 0;
    for (int i = 0; i < columns.size(); ++i) {
        if (!reportProgress(i, columns.size()))
            break;
        scaleColumn(output, columns.at(i), changed, unchanged);
    }
    setChangeSummary(changed, unchanged);
}
