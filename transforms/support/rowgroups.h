#pragma once

// Grouping the rows of a Dataset by their values in key columns: the one
// routine behind Pivot, Count, Unique and Dedupe's exact matching.
//
// A row's key is the list of its values in the key columns, each normalised
// by the options (lower case unless case counts, whitespace and punctuation
// dropped when asked). Rows are visited in order in one hashed pass; groups
// are numbered from 0 in the order of their first rows. Only key hashes and
// first rows are kept, never key texts: a matching hash is confirmed against
// the first row's own values.

#include <QHash>
#include <QString>
#include <QVector>

#include <functional>
#include <vector>

class Dataset;

struct KeyOptions
{
    bool caseSensitive = true;
    bool ignoreSpaces = false;
    bool ignorePunctuation = false;
};

struct RowGroups
{
    // Per upstream row: its group.
    QVector<int> group;
    // Per group: its first upstream row and its number of rows.
    QVector<int> firstRow;
    QVector<int> sizes;

    int groupCount() const { return sizes.size(); }
    // The rows of every group in upstream order, groups one after another in
    // group order, and where each group starts in that list (groupCount() + 1
    // entries). Two flat lists instead of a list per group keep a million
    // small groups cheap.
    void members(QVector<int>& rows, QVector<int>& starts) const;
};

// Called with (row, row count) before each row; returning false stops.
using GroupProgress = std::function<bool(int, int)>;

// One value as the key sees it.
QString keyValue(const QString& value, const KeyOptions& options);

// Groups the rows by their values in the columns. With no column every row
// falls in one group. Returns false when stopped.
bool groupRows(const Dataset& dataset, const QVector<int>& columns, const KeyOptions& options,
    RowGroups& groups, const GroupProgress& progress = GroupProgress());

// The same grouping over rows that come in blocks (a streamed run), with the
// groups numbered in the order of their first rows over all blocks. The
// earlier rows are gone, so a group is known by its key texts, kept once per
// group; a single repeating key column finds a block's rows by their codes.
class BlockGroups
{
public:
    BlockGroups(const QVector<int>& columns, const KeyOptions& options)
        : m_columns(columns), m_options(options)
    {
    }
    // Called before the rows of each block.
    void startBlock(const Dataset& rows);
    // The group of a row of the block; isNew tells whether the row starts it.
    int groupOf(const Dataset& rows, int row, bool* isNew);
    int groupCount() const { return m_groupOf.size(); }
    // Every group's key, by group.
    QVector<QString> keys() const;
    // Forgets the groups (not the rows seen): the next rows start at 0.
    void clearGroups();
    // Whether most of the rows so far started a group of their own: their
    // keys then cost as much memory as the rows, and more time than grouping
    // them whole, so the caller takes the rows whole instead. Looked at
    // after the first block.
    bool mostlyDistinct() const { return m_groupOf.size() > m_rows / 2; }

private:
    QVector<int> m_columns;
    KeyOptions m_options;
    QHash<QString, int> m_groupOf;
    qint64 m_rows = 0;
    std::vector<int> m_byCode;
    QString m_scratch;
};
