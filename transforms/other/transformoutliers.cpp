#include "transforms/other/transformoutliers.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The modified z-score scales the median absolute deviation by this factor,
// so that it matches the standard deviation of normally distributed data.
constexpr double MadScale = 0.6745;

const QStringList& methodChoices()
{
    static const QStringList choices = { QStringLiteral("Z-score"),
        QStringLiteral("Modified z-score"), QStringLiteral("IQR fences") };
    return choices;
}

const QStringList& actionChoices()
{
    static const QStringList choices = { QStringLiteral("Mark in a new column"),
        QStringLiteral("Remove their rows"), QStringLiteral("Keep only their rows"),
        QStringLiteral("Empty them"), QStringLiteral("Clamp them to the fence") };
    return choices;
}

void addThreshold(TransformParameter* p, const QString& tooltip)
{
    p->setRealRange(0.0, 1000.0);
    p->setTooltip(tooltip);
}

} // namespace

void TransformOutliers::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("columns"))
        ->setTooltip(QStringLiteral("The numeric columns to search. A row is an outlier row when "
                                    "any of its values is an outlier in its column."));
    addParameter(ParameterType::Selection, QStringLiteral("Method"), QStringLiteral("find by"),
        methodChoices().first(), methodChoices())
        ->setTooltip(QStringLiteral(
            "Z-score: further from the mean than 'z-score limit' standard deviations.\n"
            "Modified z-score: 0.6745 x distance from the median / median absolute deviation "
            "above the limit; little moved by the outliers themselves.\n"
            "IQR fences: below Q1 - factor x IQR or above Q3 + factor x IQR."));
    addThreshold(addParameter(ParameterType::Real, QStringLiteral("Z_Limit"),
                     QStringLiteral("z-score limit"), 3.0),
        QStringLiteral("Z-score: values with a z-score above this (in either direction) are "
                       "outliers. 3 is usual."));
    addThreshold(addParameter(ParameterType::Real, QStringLiteral("Modified_Z_Limit"),
                     QStringLiteral("modified z-score limit"), 3.5),
        QStringLiteral("Modified z-score: values with a modified z-score above this are "
                       "outliers. 3.5 is usual."));
    addThreshold(addParameter(ParameterType::Real, QStringLiteral("IQR_Factor"),
                     QStringLiteral("IQR factor"), 1.5),
        QStringLiteral("IQR fences: how many interquartile ranges beyond the quartiles a value "
                       "must lie to be an outlier. 1.5 is usual, 3 finds only extreme ones."));
    addParameter(ParameterType::Selection, QStringLiteral("Action"), QStringLiteral("then"),
        actionChoices().first(), actionChoices())
        ->setTooltip(QStringLiteral("What to do with the outliers: mark their rows True in a new "
                                    "column, remove or keep their rows, empty the outlying "
                                    "values, or replace them by the nearest fence."));
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("new column name"),
        QStringLiteral("Outlier"))
        ->setTooltip(QStringLiteral("The name of the True/False column that marks outlier rows."));
}

QList<QPair<QString, bool>> TransformOutliers::optionStates() const
{
    const int method = selectionParameter(QStringLiteral("Method"));
    return { { QStringLiteral("Z_Limit"), method == ZScore },
        { QStringLiteral("Modified_Z_Limit"), method == ModifiedZScore },
        { QStringLiteral("IQR_Factor"), method == IqrFences },
        { QStringLiteral("New_Name"), selectionParameter(QStringLiteral("Action")) == Mark } };
}

TransformOutliers::Fences TransformOutliers::fences(
    Method method, const QVector<double>& values, double threshold)
{
    constexpr double Inf = std::numeric_limits<double>::infinity();
    double centre = 0.0;
    double reach = 0.0;
    switch (method) {
    case ZScore:
        centre = Stats::mean(values);
        reach = threshold * Stats::sampleStdDev(values);
        break;
    case ModifiedZScore:
        centre = Stats::median(values);
        reach = threshold * Stats::medianAbsoluteDeviation(values) / MadScale;
        break;
    case IqrFences: {
        const double q1 = Stats::quantile(values, 0.25);
        const double q3 = Stats::quantile(values, 0.75);
        const double spread = (q3 - q1) * threshold;
        if (values.size() < 2)
            return { -Inf, Inf };
        return { q1 - spread, q3 + spread };
    }
    }
    if (!std::isfinite(reach) || reach <= 0.0)
        return { -Inf, Inf };
    return { centre - reach, centre + reach };
}

double TransformOutliers::threshold(Method method) const
{
    switch (method) {
    case ZScore:
        return realParameter(QStringLiteral("Z_Limit"), 3.0);
    case ModifiedZScore:
        return realParameter(QStringLiteral("Modified_Z_Limit"), 3.5);
    case IqrFences:
        return realParameter(QStringLiteral("IQR_Factor"), 1.5);
    }
    return 3.0;
}

int TransformOutliers::searchColumn(
    const Dataset& input, int column, Dataset& output, QVector<bool>& outlierRow)
{
    const auto method = Method(selectionParameter(QStringLiteral("Method")));
    const auto action = Action(selectionParameter(QStringLiteral("Action")));
    const Stats::NumericColumn numbers = Stats::readNumbers(input, column);
    const Fences f = fences(method, numbers.values, threshold(method));
    int found = 0;
    for (int k = 0; k < numbers.values.size(); ++k) {
        const double v = numbers.values.at(k);
        if (v >= f.low && v <= f.high)
            continue;
        const int row = numbers.rows.at(k);
        ++found;
        outlierRow[row] = true;
        // Where the rows stay in place the data table colours each outlier
        // like a verification warning, with the fences in its tooltip.
        if (action == Mark || action == Clamp || action == EmptyCells) {
            const CellPos cell { row, column };
            VerificationResults& marks = output.verification();
            marks.cellStatus.insert(cell, 1);
            marks.cellMessages[cell]
                << QStringLiteral("Outlier: %1 outside %2 to %3")
                       .arg(Stats::cellText(v), Stats::cellText(f.low), Stats::cellText(f.high));
            ++marks.failuresByRow[row];
            ++marks.failuresByColumn[column];
            ++marks.totalFailures;
        }
        if (action == Clamp)
            output.setValue(row, column, Stats::cellText(v < f.low ? f.low : f.high));
        else if (action == EmptyCells)
            output.setValue(row, column, QString());
    }
    QString line = QStringLiteral("'%1': %2")
                       .arg(input.columnName(column),
                           countText(found, QStringLiteral("outlier"), QStringLiteral("outliers")));
    if (std::isfinite(f.low))
        line += QStringLiteral(" outside %1 to %2")
                    .arg(Stats::cellText(f.low), Stats::cellText(f.high));
    else if (!numbers.values.isEmpty())
        line += QStringLiteral(" (the values do not vary)");
    addInformation(line + QLatin1Char('.'));
    return found;
}

void TransformOutliers::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Columns", "Method", "Z_Limit", "Modified_Z_Limit", "IQR_Factor",
            "Action", "New_Name" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    output.clearVerification();
    const auto action = Action(selectionParameter(QStringLiteral("Action")));
    const QVector<int> columns = columnIndexes(QStringLiteral("Columns"));
    QVector<bool> outlierRow(input.rowCount(), false);
    qint64 outliers = 0;
    for (int i = 0; i < columns.size(); ++i) {
        if (!reportProgress(i, columns.size()))
            break;
        outliers += searchColumn(input, columns.at(i), output, outlierRow);
    }
    const int rows = int(std::count(outlierRow.begin(), outlierRow.end(), true));
    const QString found
        = QStringLiteral("%1 found in %2")
              .arg(countText(outliers, QStringLiteral("outlier"), QStringLiteral("outliers")),
                  countText(rows, QStringLiteral("row"), QStringLiteral("rows")));
    if (action == EmptyCells || action == Clamp) {
        setChangeSummary(outliers, qint64(input.rowCount()) * columns.size() - outliers);
    } else if (action == Mark) {
        const int target = output.columnCount();
        output.appendColumn();
        output.setColumnName(target, textParameter(QStringLiteral("New_Name")));
        for (int r = 0; r < output.rowCount(); ++r)
            output.setValue(
                r, target, outlierRow.at(r) ? QStringLiteral("True") : QStringLiteral("False"));
        setSummary(found);
    } else {
        QVector<int> selected;
        for (int r = 0; r < input.rowCount(); ++r) {
            if (outlierRow.at(r) == (action == KeepRows))
                selected.append(r);
        }
        if (selected.size() != input.rowCount())
            output.selectRows(selected);
        setSummary(
            QStringLiteral("%1, %2 %3")
                .arg(found,
                    countText(action == RemoveRows ? rows : selected.size(), QStringLiteral("row"),
                        QStringLiteral("rows")),
                    action == RemoveRows ? QStringLiteral("removed") : QStringLiteral("kept")));
    }
}
