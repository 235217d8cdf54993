#include "transforms/support/valuefrequencies.h"

#include "core/dataset.h"
#include "core/prefetch.h"
#include "core/textcolumn.h"
#include "core/values.h"

#include <QHash>
#include <QVector>

#include <algorithm>
#include <array>
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
// equal: counting its codes needs no hashing of texts.
bool countCodes(
    const TextColumn& cells, const FrequencyProgress& progress, QVector<RowFrequency>& counted)
{
    QVector<int> positionOfCode(cells.codeCount(), -1);
    int* position = positionOfCode.data(); // detached once, before the loop
    const int rows = cells.size();
    for (int r = 0; r < rows; ++r) {
        if (progress && r % ProgressStep == 0 && !progress(r, rows))
            return false;
        int& at = position[cells.code(r)];
        if (at < 0) {
            at = counted.size();
            counted.append({ r, 1 });
        } else {
            ++counted[at].count;
        }
    }
    return true;
}

// The same for plain texts, by their stored bytes in an open-addressed
// table whose slots keep the hash, so that most slots passed are told apart
// without reading another row's bytes.
bool countPlain(
    const TextColumn& cells, const FrequencyProgress& progress, QVector<RowFrequency>& counted)
{
    struct Slot
    {
        uint hash = 0;
        int position = -1;
    };
    const int rows = cells.size();
    // A column keeps plain texts because its values hardly repeat: the
    // table is made wide enough for a value per row at once, rather than
    // widened step by step with every slot placed again each time.
    size_t width = 1024;
    while (width < size_t(rows) * 2)
        width *= 2;
    std::vector<Slot> table(width);
    const size_t mask = width - 1;
    counted.reserve(rows);
    // The slots of a row some rows ahead are asked for while this row is
    // placed: at millions of values the table is far larger than the cache.
    struct Hashed
    {
        std::string_view bytes;
        uint hash = 0;
    };
    const auto hashed = [&cells](int row) {
        const std::string_view bytes = cells.storedBytes(row);
        return Hashed { bytes, uint(qHashBits(bytes.data(), bytes.size())) };
    };
    constexpr int Ahead = 8;
    std::array<Hashed, Ahead> ahead {};
    for (int r = 0; r < std::min(Ahead, rows); ++r)
        ahead[size_t(r)] = hashed(r);
    for (int r = 0; r < rows; ++r) {
        if (progress && r % ProgressStep == 0 && !progress(r, rows))
            return false;
        const Hashed cell = ahead[size_t(r % Ahead)];
        if (r + Ahead < rows) {
            ahead[size_t(r % Ahead)] = hashed(r + Ahead);
            prefetchLine(&table[ahead[size_t(r % Ahead)].hash & mask]);
        }
        for (size_t at = cell.hash & mask;; at = (at + 1) & mask) {
            Slot& slot = table[at];
            if (slot.position < 0) {
                slot = { cell.hash, counted.size() };
                counted.append({ r, 1 });
                break;
            }
            if (slot.hash == cell.hash
                && cells.storedBytes(counted.at(slot.position).row) == cell.bytes) {
                ++counted[slot.position].count;
                break;
            }
        }
    }
    return true;
}

} // namespace

bool countRows(
    const TextColumn& cells, QVector<RowFrequency>& counted, const FrequencyProgress& progress)
{
    counted.clear();
    const bool done = cells.isCoded() ? countCodes(cells, progress, counted)
                                      : countPlain(cells, progress, counted);
    if (done && progress)
        progress(cells.size(), cells.size());
    return done;
}

ValueFrequencies countValues(const Dataset& data, int column, const FrequencyOptions& options,
    const FrequencyProgress& progress)
{
    ValueFrequencies result;
    result.rows = data.rowCount();
    if (!data.isValidColumn(column))
        return result;
    const TextColumn& cells = data.column(column);
    if (options.caseSensitive && options.whitespaceSensitive) {
        QVector<RowFrequency> counted;
        result.complete = countRows(cells, counted, progress);
        result.values.reserve(counted.size());
        for (const RowFrequency& f : counted) {
            if (cells.isEmpty(f.row))
                result.emptyCells += f.count;
            result.values.append({ cells.value(f.row), f.count });
        }
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
