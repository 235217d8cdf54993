#pragma once

// Keys of the two-input transforms (Join, Lookup, Intersect, Subtract): how a
// key cell becomes a key, a hashed index of one key column, and the reports
// on key problems (misses, duplicates, stray whitespace) that they share.

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class Dataset;
class Transform;

// The key of a cell: the text itself, lower-cased when case is ignored.
// Whitespace is never trimmed; the whitespace report says so instead.
inline QString keyText(const QString& cell, bool caseSensitive)
{
    return caseSensitive ? cell : cell.toLower();
}

// The set of keys of one key column.
QSet<QString> keySet(const Dataset& data, int column, bool caseSensitive);

// How often each key occurs in one key column.
QHash<QString, int> keyCounts(const Dataset& data, int column, bool caseSensitive);

// The rows of one key column grouped by key, in ascending row order. Built in
// one pass from the last row to the first: each key maps to its first row
// and every row links to the next row with the same key, so a look-up costs
// one hash probe and walking the rows of a key allocates nothing.
class KeyIndex
{
public:
    // rowVisited is called before each row (with the number of rows visited
    // so far); building stops early when it returns false.
    KeyIndex(const Dataset& data, int column, bool caseSensitive,
        const std::function<bool(int)>& rowVisited = nullptr);

    // The first row holding the key, or -1.
    int first(const QString& key) const { return m_first.value(key, 0) - 1; }
    // The next row after a row with the same key, or -1.
    int next(int row) const { return m_next.at(row); }
    // How many rows hold the key of the chain starting at a first row.
    int chainLength(int firstRow) const { return m_length.at(firstRow); }
    int distinctKeys() const { return m_first.size(); }

private:
    QHash<QString, int> m_first; // row + 1, so that 0 means absent
    QVector<int> m_next;
    QVector<int> m_length; // set at first rows only
};

// Key cells of one kind met one by one (misses, or cells with stray
// whitespace): their number and the first few, as the reports list them. A
// transform that takes its rows in blocks tallies them as they come.
struct KeyTally
{
    qint64 count = 0;
    QStringList listed;
    // The cell at 0-based row.
    void add(const QString& cell, qint64 row);
};

// The key reports. Each appends its block of information lines to the
// transform; label is the key column option's label, as the user sees it.
namespace KeyReport {

// Whether a key cell begins with whitespace, or ends with it while at least
// 2 characters long.
bool hasOuterWhitespace(const QString& text);
// The reports of tallies made apart.
void misses(Transform& transform, const KeyTally& tally, const QString& label);
void whitespace(Transform& transform, const KeyTally& tally, const QString& label);

// Rows whose key has no partner in the other dataset (hasPartner(row) is
// false): the count, then up to 5 of them by key and 1-based row.
int misses(Transform& transform, const Dataset& data, int column, const QString& label,
    const std::function<bool(int)>& hasPartner);

// Keys that occur more than once, in the order of their first row, with how
// often they occur. Returns the number of such keys.
int duplicates(Transform& transform, const Dataset& data, int column, const QString& label,
    bool caseSensitive);

// Key cells that begin with whitespace, or end with it while at least 2
// characters long. Returns their number.
int whitespace(Transform& transform, const Dataset& data, int column, const QString& label);

} // namespace KeyReport
