#include "transforms/support/statistics.h"

#include "core/dataset.h"
#include "core/values.h"
#include "transforms/transform.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace Stats {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

double sum(const QVector<double>& values)
{
    // Kahan summation keeps long columns of cents from drifting.
    double total = 0.0;
    double carry = 0.0;
    for (double v : values) {
        const double y = v - carry;
        const double t = total + y;
        carry = (t - total) - y;
        total = t;
    }
    return total;
}

double mean(const QVector<double>& values)
{
    return values.isEmpty() ? NaN : sum(values) / values.size();
}

double sampleStdDev(const QVector<double>& values)
{
    if (values.size() < 2)
        return NaN;
    const double m = mean(values);
    double squares = 0.0;
    for (double v : values)
        squares += (v - m) * (v - m);
    return std::sqrt(squares / (values.size() - 1));
}

double quantileSorted(const QVector<double>& sorted, double q)
{
    if (sorted.isEmpty())
        return NaN;
    const double position = q * (sorted.size() - 1);
    const int below = int(std::floor(position));
    const int above = qMin(below + 1, sorted.size() - 1);
    const double fraction = position - below;
    return sorted.at(below) + (sorted.at(above) - sorted.at(below)) * fraction;
}

double quantile(QVector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    return quantileSorted(values, q);
}

double median(QVector<double> values)
{
    return quantile(std::move(values), 0.5);
}

double medianAbsoluteDeviation(const QVector<double>& values)
{
    const double m = median(values);
    QVector<double> deviations;
    deviations.reserve(values.size());
    for (double v : values)
        deviations.append(std::fabs(v - m));
    return median(deviations);
}

QVector<double> averageRanks(const QVector<double>& values)
{
    QVector<int> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(
        order.begin(), order.end(), [&](int a, int b) { return values.at(a) < values.at(b); });
    QVector<double> ranks(values.size());
    int i = 0;
    while (i < order.size()) {
        int j = i;
        while (j + 1 < order.size() && values.at(order.at(j + 1)) == values.at(order.at(i)))
            ++j;
        const double rank = (i + j) / 2.0 + 1.0;
        for (int k = i; k <= j; ++k)
            ranks[order.at(k)] = rank;
        i = j + 1;
    }
    return ranks;
}

double pearson(const QVector<double>& x, const QVector<double>& y)
{
    if (x.size() < 2 || x.size() != y.size())
        return NaN;
    const double mx = mean(x);
    const double my = mean(y);
    double sxy = 0.0, sxx = 0.0, syy = 0.0;
    for (int i = 0; i < x.size(); ++i) {
        const double dx = x.at(i) - mx;
        const double dy = y.at(i) - my;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    if (sxx == 0.0 || syy == 0.0)
        return NaN;
    return qBound(-1.0, sxy / std::sqrt(sxx * syy), 1.0);
}

double spearman(const QVector<double>& x, const QVector<double>& y)
{
    return pearson(averageRanks(x), averageRanks(y));
}

QString cellText(double value)
{
    return std::isfinite(value) ? formatNumber(value, false, -1, true) : QString();
}

double cellNumber(const QString& text, bool* ok)
{
    return toNumber(text, false, true, ok);
}

NumericColumn readNumbers(const Dataset& data, int column)
{
    NumericColumn result;
    result.values.reserve(data.rowCount());
    result.rows.reserve(data.rowCount());
    for (int r = 0; r < data.rowCount(); ++r) {
        const QString& text = data.value(r, column);
        if (isBlank(text)) {
            ++result.blankCount;
            continue;
        }
        bool ok = false;
        const double v = cellNumber(text, &ok);
        if (ok) {
            result.values.append(v);
            result.rows.append(r);
        } else {
            result.unreadableRows.append(r);
        }
    }
    return result;
}

bool holdsDates(const Dataset& data, int column)
{
    int numbers = 0;
    int dates = 0;
    for (int r = 0; r < data.rowCount() && numbers + dates < 1000; ++r) {
        const QString& text = data.value(r, column);
        if (isBlank(text))
            continue;
        bool ok = false;
        cellNumber(text, &ok);
        if (ok)
            ++numbers;
        else if (toDateWithFormats(text.trimmed()).isValid())
            ++dates;
    }
    return dates > numbers;
}

bool readNumberOrDate(const QString& text, bool dates, double* value)
{
    if (!dates) {
        bool ok = false;
        *value = cellNumber(text, &ok);
        return ok;
    }
    const QDate date = toDateWithFormats(text.trimmed());
    *value = double(date.toJulianDay());
    return date.isValid();
}

CellValues readCells(const Dataset& data, int column, bool dates)
{
    CellValues cells;
    cells.values.resize(data.rowCount());
    cells.known.resize(data.rowCount());
    for (int r = 0; r < data.rowCount(); ++r) {
        const QString& text = data.value(r, column);
        cells.known[r] = readNumberOrDate(text, dates, &cells.values[r]);
        if (!cells.known.at(r) && !isBlank(text) && ++cells.unreadable <= 5)
            cells.examples.append(example(text, r));
    }
    return cells;
}

QString numberOrDateText(double value, bool dates)
{
    if (!dates || !std::isfinite(value))
        return cellText(value);
    return formatDate(
        QDate::fromJulianDay(qint64(std::floor(value + 0.5))), QStringLiteral("yyyy-MM-dd"));
}

QVector<QVector<int>> groupRows(const Dataset& data, const QVector<int>& keyColumns)
{
    QVector<QVector<int>> groups;
    if (keyColumns.isEmpty()) {
        QVector<int> all(data.rowCount());
        std::iota(all.begin(), all.end(), 0);
        groups.append(all);
        return groups;
    }
    QHash<QStringList, int> index;
    for (int r = 0; r < data.rowCount(); ++r) {
        QStringList key;
        key.reserve(keyColumns.size());
        for (int c : keyColumns)
            key.append(data.value(r, c));
        auto it = index.find(key);
        if (it == index.end()) {
            it = index.insert(key, groups.size());
            groups.append(QVector<int>());
        }
        groups[it.value()].append(r);
    }
    return groups;
}

QString mostFrequent(const QStringList& texts)
{
    QHash<QString, int> counts;
    QString best;
    int bestCount = 0;
    for (const QString& t : texts)
        ++counts[t];
    // A second pass in order lets the first-met text win a tie.
    for (const QString& t : texts) {
        const int n = counts.value(t);
        if (n > bestCount) {
            best = t;
            bestCount = n;
        }
    }
    return best;
}

QString example(const QString& text, int row)
{
    return QStringLiteral("'%1' (row %2)").arg(elide(text, 40), formatInteger(row + 1, true));
}

void reportExamples(
    Transform& transform, const QString& heading, const QStringList& examples, qint64 total)
{
    if (total <= 0)
        return;
    transform.addWarning(heading);
    for (int i = 0; i < examples.size() && i < 5; ++i)
        transform.addWarning(examples.at(i));
    const qint64 more = total - qMin<qint64>(5, examples.size());
    if (more > 0)
        transform.addWarning(QStringLiteral("+ %1 %2").arg(formatInteger(more, true),
            more == 1 ? QStringLiteral("other") : QStringLiteral("others")));
}

} // namespace Stats
