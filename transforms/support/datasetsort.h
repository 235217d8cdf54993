#pragma once

// Ordering the rows of a Dataset by several key columns, each ascending or
// descending, comparing each column as dates, numbers or text as its
// contents suggest. Sort, Join and other transforms share it.
//
// Keys are signed column numbers, most significant first: the column's index
// plus 1, positive for ascending and negative for descending.
//
// Every key value is read once into a rank (an integer that orders like the
// value), so the sort itself compares integers only; values that repeat are
// read once. The order is stable: rows that tie on every key keep their
// upstream order.
//
// In a numeric or date column, values that read as numbers (dates) come
// first, then other non-empty texts in text order, then empty values, in
// either direction: descending reverses the numbers and the texts among
// themselves but keeps unreadable and empty values at the end, where they
// bother nobody. In a text column, descending is the exact reverse.

#include "core/values.h"

#include <QCollator>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <vector>

class Dataset;

enum class SortKind { Text, Numeric, Date };

struct SortOptions
{
    // Sort date columns as dates and numeric columns as numbers; when off
    // every column is text.
    bool intelligent = true;
    // Order text by the collation of the default locale (the one chosen in
    // the preferences) instead of by UTF-16 code units.
    bool localeAware = false;
    // When off, text compares as if lower-cased.
    bool caseSensitive = true;
};

// How one key column was compared.
struct SortKeyInfo
{
    int column = -1;
    bool ascending = true;
    SortKind kind = SortKind::Text;
    QString dateFormat; // the format that read the column, for Date
};

// Called with (work done, total work) during the sort; returning false stops
// it.
using SortProgress = std::function<bool(int, int)>;

class DatasetSorter
{
public:
    // Keys that name no column of the dataset are ignored. The dataset must
    // outlive the sorter.
    DatasetSorter(const Dataset& dataset, const QVector<int>& keys,
        const SortOptions& options = SortOptions());

    // Reads the keys and works out the order; false when stopped.
    bool sort(const SortProgress& progress = SortProgress());
    // Reads each key column's kind from the table's first rows, as sort()
    // does, and keeps it.
    void settleKinds();
    // Sorts with the kinds of another sorter's keys: a part of a table
    // sorted apart must compare its values as the whole table would.
    void useKinds(const QVector<SortKeyInfo>& keys);

    // The upstream row positions in sorted order.
    const QVector<int>& order() const { return m_order; }
    // True when the sorted order is the upstream order.
    bool isUnchanged() const;
    // True when two rows compare equal on every key.
    bool tied(int rowA, int rowB) const;
    const QVector<SortKeyInfo>& keys() const { return m_keys; }
    // One line per key: "Column '%1' sorted %2 as %3".
    QStringList information() const;

private:
    bool rankColumn(int key, const SortProgress& progress);
    void orderByRanks();
    SortKind kindOf(int column, QString* dateFormat) const;

    const Dataset& m_dataset;
    SortOptions m_options;
    QVector<SortKeyInfo> m_keys;
    // Row-major: the rank of row r on key k is at r * keyCount + k.
    QVector<int> m_ranks;
    // Distinct ranks per key.
    QVector<int> m_rankCounts;
    QVector<int> m_order;
    int m_done = 0;
    int m_total = 0;
    bool m_kindsSettled = false;
};

// Compares rows one at a time in exactly the order DatasetSorter gives them,
// for the keys (and kinds) it settled: parts of a table sorted apart then
// merge into the order of the whole, rows that tie on every key by their
// place in the table.
class SortRowComparer
{
public:
    SortRowComparer(const QVector<SortKeyInfo>& keys, const SortOptions& options);

    struct Value
    {
        int valueClass = 0;
        double number = 0.0;
        QString text;
    };
    struct Key
    {
        std::vector<Value> values;
        qint64 row = 0;
    };
    // The key of a row given by its cells, all of the table's columns.
    void makeKey(const QStringList& cells, qint64 row, Key* key) const;
    bool less(const Key& a, const Key& b) const;

private:
    int compareTexts(const QString& a, const QString& b) const;

    QVector<SortKeyInfo> m_keys;
    std::vector<DateFormat> m_formats;
    SortOptions m_options;
    QLocale m_locale;
    QCollator m_collator;
};

// Sorts the rows of the dataset in place; the rows are moved, not copied.
// Appends the information lines when asked. Returns false when stopped (the
// dataset is then unchanged).
bool sortDataset(Dataset& dataset, const QVector<int>& keys,
    const SortOptions& options = SortOptions(), QStringList* information = nullptr,
    const SortProgress& progress = SortProgress());
