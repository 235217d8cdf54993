#include "transforms/support/valuefrequencies.h"

#include "core/dataset.h"
#include "core/values.h"

#include <QHash>

#include <algorithm>
#include <numeric>

namespace {
constexpr int ProgressStep = 4096;
}

QString frequencyKey(const QString& value, const FrequencyOptions& options)
{
    const QString spaced = options.whitespaceSensitive ? value : value.simplified();
    return options.caseSensitive ? spaced : spaced.toLower();
}

ValueFrequencies countValues(const Dataset& data, int column, const FrequencyOptions& options,
    const FrequencyProgress& progress)
{
    ValueFrequencies result;
    result.rows = data.rowCount();
    if (!data.isValidColumn(column))
        return result;
    QHash<QString, int> positions;
    const int rows = data.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (progress && r % ProgressStep == 0 && !progress(r, rows)) {
            result.complete = false;
            break;
        }
        const QString& cell = data.value(r, column);
        const QString key = frequencyKey(cell, options);
        if (key.isEmpty())
            ++result.emptyCells;
        auto it = positions.find(key);
        if (it == positions.end()) {
            positions.insert(key, result.values.size());
            result.values.append({ options.whitespaceSensitive ? cell : cell.simplified(), 1 });
        } else {
            ++result.values[*it].count;
        }
    }
    if (progress && result.complete)
        progress(rows, rows);
    return result;
}

QVector<int> ValueFrequencies::order(bool byCount, bool descending) const
{
    QVector<int> positions(values.size());
    std::iota(positions.begin(), positions.end(), 0);
    const auto& v = values;
    auto less = [&](int a, int b) {
        if (byCount)
            return v.at(a).count < v.at(b).count;
        return smartLessThan(v.at(a).value, v.at(b).value);
    };
    std::stable_sort(positions.begin(), positions.end(),
        [&](int a, int b) { return descending ? less(b, a) : less(a, b); });
    return positions;
}
