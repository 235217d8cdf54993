#include "transforms/support/valuefrequencies.h"

#include "core/dataset.h"
#include "core/textcolumn.h"
#include "core/values.h"

#include <QHash>
#include <QVector>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

constexpr int ProgressStep = 4096;

} // namespace

DistinctKeys::DistinctKeys() : m_slots(1024)
{
}

int DistinctKeys::find(const QString& key, bool* added)
{
    if (m_keys.size() * 2 >= int(m_slots.size()))
        grow();
    const uint hash = qHash(key);
    const size_t mask = m_slots.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        Slot& slot = m_slots[at];
        if (slot.position < 0) {
            slot = { hash, m_keys.size() };
            m_keys.append(key);
            *added = true;
            return slot.position;
        }
        // The hash first: most slots passed hold another key.
        if (slot.hash == hash && m_keys.at(slot.position) == key) {
            *added = false;
            return slot.position;
        }
    }
}

void DistinctKeys::grow()
{
    std::vector<Slot> wider(m_slots.size() * 2);
    const size_t mask = wider.size() - 1;
    for (const Slot& slot : m_slots) {
        if (slot.position < 0)
            continue;
        size_t at = slot.hash & mask;
        while (wider[at].position >= 0)
            at = (at + 1) & mask;
        wider[at] = slot;
    }
    m_slots.swap(wider);
}

QString frequencyKey(const QString& value, const FrequencyOptions& options)
{
    const QString spaced = options.whitespaceSensitive ? value : value.simplified();
    return options.caseSensitive ? spaced : spaced.toLower();
}

namespace {

// A column that keeps each distinct text once already knows which rows are
// equal: counting its codes needs no hashing of texts. Only when values are
// compared as they stand (a code is one exact text).
void countCodes(
    const TextColumn& cells, const FrequencyProgress& progress, ValueFrequencies& result)
{
    QVector<int> positionOfCode(cells.codeCount(), -1);
    int* position = positionOfCode.data(); // detached once, before the loop
    const int rows = cells.size();
    for (int r = 0; r < rows; ++r) {
        if (progress && r % ProgressStep == 0 && !progress(r, rows)) {
            result.complete = false;
            break;
        }
        const quint32 code = cells.code(r);
        if (code == 0)
            ++result.emptyCells;
        if (position[code] < 0) {
            position[code] = result.values.size();
            result.values.append({ cells.value(r), 1 });
        } else {
            ++result.values[position[code]].count;
        }
    }
    if (progress && result.complete)
        progress(rows, rows);
}

} // namespace

ValueFrequencies countValues(const Dataset& data, int column, const FrequencyOptions& options,
    const FrequencyProgress& progress)
{
    ValueFrequencies result;
    result.rows = data.rowCount();
    if (!data.isValidColumn(column))
        return result;
    const TextColumn& cells = data.column(column);
    if (options.caseSensitive && options.whitespaceSensitive && cells.isCoded()) {
        countCodes(cells, progress, result);
        return result;
    }
    DistinctKeys positions;
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
        bool added = false;
        const int position = positions.find(key, &added);
        if (added)
            result.values.append({ options.whitespaceSensitive ? cell : cell.simplified(), 1 });
        else
            ++result.values[position].count;
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
