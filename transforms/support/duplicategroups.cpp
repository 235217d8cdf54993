#include "transforms/support/duplicategroups.h"

#include "core/dataset.h"
#include "transforms/support/closeness.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

// The comparison values of one row.
QStringList rowKey(
    const Dataset& dataset, int row, const QVector<int>& columns, const DuplicateOptions& options)
{
    QStringList values;
    values.reserve(columns.size());
    for (int c : columns)
        values.append(comparisonValue(dataset.value(row, c), options));
    return values;
}

// One text per key for hashing. Each value is preceded by its length in two
// code units, so that no two different lists of values give the same text.
void appendKeyValue(QString& text, const QString& value)
{
    text.append(QChar(ushort(value.size() & 0xFFFF)));
    text.append(QChar(ushort(uint(value.size()) >> 16)));
    text.append(value);
}

QString keyText(const QStringList& values)
{
    if (values.size() == 1)
        return values.first();
    QString text;
    for (const QString& v : values)
        appendKeyValue(text, v);
    return text;
}

class Grouper
{
public:
    Grouper(DuplicateGroups& groups, int rows) : m_groups(groups)
    {
        m_groups = DuplicateGroups();
        m_groups.group.reserve(rows);
        m_groups.closeness.reserve(rows);
    }
    void startGroup()
    {
        m_groups.group.append(m_groups.sizes.size());
        m_groups.closeness.append(-1);
        m_groups.sizes.append(1);
    }
    void join(int group, int closeness)
    {
        m_groups.group.append(group);
        m_groups.closeness.append(closeness);
        ++m_groups.sizes[group];
    }

private:
    DuplicateGroups& m_groups;
};

// Whether nothing in the options changes a value before it is compared:
// then the row's own values are compared, with no copies made.
bool comparesAsStored(const DuplicateOptions& options)
{
    return options.caseSensitive && !options.ignoreSpaces && !options.ignorePunctuation;
}

uint rowKeyHash(
    const Dataset& dataset, int row, const QVector<int>& columns, const DuplicateOptions& options)
{
    const bool asStored = comparesAsStored(options);
    uint hash = 0;
    for (int c : columns) {
        const QString& value = dataset.value(row, c);
        hash = asStored ? qHash(value, hash) : qHash(comparisonValue(value, options), hash);
    }
    return hash;
}

bool sameRowKey(const Dataset& dataset, int a, int b, const QVector<int>& columns,
    const DuplicateOptions& options)
{
    const bool asStored = comparesAsStored(options);
    for (int c : columns) {
        const QString& x = dataset.value(a, c);
        const QString& y = dataset.value(b, c);
        if (asStored ? x != y : comparisonValue(x, options) != comparisonValue(y, options))
            return false;
    }
    return true;
}

// The first row of every distinct key, found by the key's hash in a flat
// open-addressed table. The keys themselves are not kept: a slot is the hash
// and the row, and a matching hash is confirmed against that row's values.
// A million distinct keys so take 16 MB, where a hash of key texts would
// take hundreds.
class FirstRows
{
public:
    // The first row with the same key as this row, or -1 when the row is the
    // first of its key (it is then recorded as such).
    template <typename Same> int find(uint hash, int row, const Same& sameAs)
    {
        if (size_t(m_count + 1) * 2 > m_slots.size())
            grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t i = spread(hash) & mask;; i = (i + 1) & mask) {
            Slot& slot = m_slots[i];
            if (slot.row < 0) {
                slot = Slot { hash, row };
                ++m_count;
                return -1;
            }
            if (slot.hash == hash && sameAs(slot.row))
                return slot.row;
        }
    }

private:
    struct Slot
    {
        uint hash = 0;
        int row = -1;
    };

    // Linear probing wants the low bits well mixed.
    static size_t spread(uint hash)
    {
        return size_t((quint64(hash) * 0x9E3779B97F4A7C15ULL) >> 32);
    }

    void grow()
    {
        std::vector<Slot> old(std::max<size_t>(1024, m_slots.size() * 2));
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (slot.row < 0)
                continue;
            size_t i = spread(slot.hash) & mask;
            while (m_slots[i].row >= 0)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    int m_count = 0;
};

bool exactGroups(const Dataset& dataset, const QVector<int>& columns,
    const DuplicateOptions& options, DuplicateGroups& groups, const DuplicateProgress& progress)
{
    const int rows = dataset.rowCount();
    Grouper grouper(groups, rows);
    FirstRows firstRows;
    for (int r = 0; r < rows; ++r) {
        if (progress && !progress(r, rows))
            return false;
        const int first = firstRows.find(rowKeyHash(dataset, r, columns, options), r,
            [&](int other) { return sameRowKey(dataset, other, r, columns, options); });
        if (first >= 0)
            grouper.join(groups.group.at(first), 100);
        else
            grouper.startGroup();
    }
    return true;
}

// The distinct keys seen so far, by total length, for the fuzzy search.
class DistinctKeys
{
public:
    explicit DistinctKeys(int fuzziness) : m_least(std::clamp(fuzziness, 0, 100)) { }

    // The closest earlier key that reaches the least closeness: its index
    // and closeness, or -1 and NoCloseness.
    QPair<int, int> closest(const FuzzyKey& key) const;
    void add(const FuzzyKey& key, int group, int closeness);
    int group(int index) const { return m_groups.at(index); }
    int closeness(int index) const { return m_closeness.at(index); }

private:
    // What the search looks at before comparing two keys in earnest: the
    // letters of all values together. A letter one key has and the other
    // lacks anywhere costs an edit of its own.
    struct Candidate
    {
        quint64 letters;
        int index;
    };

    int m_least;
    QVector<FuzzyKey> m_keys;
    QVector<int> m_groups;
    QVector<int> m_closeness;
    QVector<QVector<Candidate>> m_byLength;
};

quint64 allLetters(const FuzzyKey& key)
{
    quint64 letters = 0;
    for (int i = 0; i < key.size(); ++i)
        letters |= key.letters(i);
    return letters;
}

// A key of total length S can only reach closeness T with keys whose total
// length lies between S * T / 100 and S * 100 / T: the length difference
// alone costs that many edits. Within a length, the letters rule out most
// keys with two population counts.
QPair<int, int> DistinctKeys::closest(const FuzzyKey& key) const
{
    const int length = key.length();
    const int maximum = m_byLength.size() - 1;
    int low = 0;
    int high = maximum;
    if (m_least > 0) {
        low = int((qint64(length) * m_least + 99) / 100);
        high = int(std::min<qint64>(maximum, qint64(length) * 100 / m_least));
    }
    const ClosenessMatcher matcher(key);
    const quint64 mine = allLetters(key);
    const bool oneValue = key.size() == 1;
    int best = NoCloseness;
    int bestIndex = -1;
    for (int l = low; l <= high; ++l) {
        // The summed length of the pair's longer values is at most this.
        const qint64 longest = oneValue ? std::max(length, l) : qint64(length) + l;
        for (const Candidate& candidate : m_byLength.at(l)) {
            // Past the best so far, only a strictly closer key can win; before
            // it, an equally close key wins as the earlier one.
            const int index = candidate.index;
            const int least = bestIndex < 0 ? m_least : (index < bestIndex ? best : best + 1);
            if (least > 100)
                continue;
            const qint64 budget = (100 - least) * longest / 100;
            if (__builtin_popcountll(mine & ~candidate.letters) > budget
                || __builtin_popcountll(candidate.letters & ~mine) > budget)
                continue;
            const int c = matcher.closeness(m_keys.at(index), least);
            if (c != NoCloseness && c >= least) {
                best = c;
                bestIndex = index;
            }
        }
    }
    return qMakePair(bestIndex, best);
}

void DistinctKeys::add(const FuzzyKey& key, int group, int closeness)
{
    const int index = m_keys.size();
    m_keys.append(key);
    m_groups.append(group);
    m_closeness.append(closeness);
    if (m_byLength.size() <= key.length())
        m_byLength.resize(key.length() + 1);
    m_byLength[key.length()].append(Candidate { allLetters(key), index });
}

bool fuzzyGroups(const Dataset& dataset, const QVector<int>& columns,
    const DuplicateOptions& options, DuplicateGroups& groups, const DuplicateProgress& progress)
{
    const int rows = dataset.rowCount();
    Grouper grouper(groups, rows);
    QHash<QString, int> indexOfKey;
    DistinctKeys distinct(options.fuzziness);
    for (int r = 0; r < rows; ++r) {
        if (progress && !progress(r, rows))
            return false;
        const QStringList values = rowKey(dataset, r, columns, options);
        const QString text = keyText(values);
        const auto it = indexOfKey.constFind(text);
        if (it != indexOfKey.constEnd()) {
            // The same key again: the row stands where that key stands.
            grouper.join(distinct.group(it.value()), distinct.closeness(it.value()));
            continue;
        }
        const FuzzyKey key(values);
        const QPair<int, int> best = distinct.closest(key);
        int group = groups.sizes.size();
        int closeness = 100;
        if (best.first >= 0) {
            group = distinct.group(best.first);
            closeness = best.second;
            grouper.join(group, closeness);
        } else {
            grouper.startGroup();
        }
        indexOfKey.insert(text, indexOfKey.size());
        distinct.add(key, group, closeness);
    }
    return true;
}

} // namespace

QString comparisonValue(const QString& value, const DuplicateOptions& options)
{
    QString v = options.caseSensitive ? value : value.toLower();
    if (!options.ignoreSpaces && !options.ignorePunctuation)
        return v;
    const auto dropped = [&options](QChar c) {
        return (options.ignoreSpaces && c.isSpace()) || (options.ignorePunctuation && c.isPunct());
    };
    if (std::none_of(v.cbegin(), v.cend(), dropped))
        return v;
    QString kept;
    kept.reserve(v.size());
    for (QChar c : qAsConst(v)) {
        if (!dropped(c))
            kept.append(c);
    }
    return kept;
}

bool findDuplicates(const Dataset& dataset, const QVector<int>& columns,
    const DuplicateOptions& options, DuplicateGroups& groups, const DuplicateProgress& progress)
{
    if (options.fuzzy)
        return fuzzyGroups(dataset, columns, options, groups, progress);
    return exactGroups(dataset, columns, options, groups, progress);
}
