#include "transforms/support/duplicategroups.h"

#include "core/dataset.h"
#include "transforms/support/closeness.h"
#include "transforms/support/rowgroups.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

KeyOptions keyOptions(const DuplicateOptions& options)
{
    KeyOptions key;
    key.caseSensitive = options.caseSensitive;
    key.ignoreSpaces = options.ignoreSpaces;
    key.ignorePunctuation = options.ignorePunctuation;
    return key;
}

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

bool exactGroups(const Dataset& dataset, const QVector<int>& columns,
    const DuplicateOptions& options, DuplicateGroups& groups, const DuplicateProgress& progress)
{
    RowGroups rowGroups;
    const bool done = groupRows(dataset, columns, keyOptions(options), rowGroups, progress);
    groups = DuplicateGroups();
    groups.group = rowGroups.group;
    groups.sizes = rowGroups.sizes;
    groups.closeness.fill(100, rowGroups.group.size());
    for (int first : qAsConst(rowGroups.firstRow))
        groups.closeness[first] = -1;
    return done;
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
    return keyValue(value, keyOptions(options));
}

bool findDuplicates(const Dataset& dataset, const QVector<int>& columns,
    const DuplicateOptions& options, DuplicateGroups& groups, const DuplicateProgress& progress)
{
    if (options.fuzzy)
        return fuzzyGroups(dataset, columns, options, groups, progress);
    return exactGroups(dataset, columns, options, groups, progress);
}
