#pragma once

// The values of a pivot whose figures need a cell's values together
// (median, mode, distinct count), held as the blocks of a streamed run go
// by: a few bytes a row beside the groups found, and put on disk once they
// take more than their share of the memory limit, so that a file larger
// than memory is summarised too. A total is a group of its own (a row's
// values, a column's, all of them), so that its figure is worked out from
// its values as a cell's is.

#include "transforms/analysis/pivottable.h"

#include <QHash>
#include <QSet>

#include <functional>
#include <memory>
#include <vector>

class SpillBudget;
class SpillPartitions;

namespace pivot {

// What a held value counts towards.
enum GroupKind { CellGroup, RowTotalGroup, ColumnTotalGroup, GrandGroup, GroupKinds };

// A group of one kind: its row group and column group, each 0 where the
// kind has none.
inline quint64 groupKey(int kind, int rowGroup, int columnGroup)
{
    switch (kind) {
    case CellGroup:
        return (quint64(quint32(rowGroup)) << 32) | quint32(columnGroup);
    case RowTotalGroup:
        return quint64(quint32(rowGroup)) << 32;
    case ColumnTotalGroup:
        return quint32(columnGroup);
    default:
        return 0;
    }
}

// Where a group's figure goes in the table layOut() made.
void placeOf(int kind, quint64 key, const Side& rows, const Side& cols, int* row, int* column);

// The kinds of groups the layout shows.
std::vector<int> shownKinds(const Layout& layout);

// A step's stop and progress, and its failures' text.
struct HeldProgress
{
    std::function<bool()> stopped;
    // False when stopped.
    std::function<bool(qreal)> progress;
};

// What the two stores of held values share: the kinds of groups shown, the
// budget that says when they go to disk, and what they put there.
class HeldValues
{
public:
    HeldValues(const Layout& layout, SpillBudget* budget);
    virtual ~HeldValues();

    // Called after each block: puts the values on disk once they take more
    // than their share. False when a write failed (errorText()) or stopped.
    virtual bool endBlock(const HeldProgress& held) = 0;
    // Puts each group's figure for the function in output; a group without
    // values keeps what is there. False when stopped or failed.
    virtual bool fill(
        Dataset& output, int function, const Side& rows, const Side& cols, const HeldProgress& held)
        = 0;
    // The times the values went to disk.
    int runs() const { return m_runs; }
    bool wentToDisk() const { return m_runs > 0; }
    // The information line of values that went to disk.
    QString diskLine() const;
    const QString& errorText() const { return m_error; }

protected:
    // What was done with the values on disk, and in how many parts.
    virtual QString doneOnDisk() const = 0;
    virtual int diskParts() const = 0;

    std::vector<int> m_kinds;
    SpillBudget* m_budget;
    int m_runs = 0;
    qint64 m_bytesOnDisk = 0;
    QString m_error;
};

// The numbers of a median or mode pivot. A value's groups are sorted by
// value before they go to disk, as runs merged at the end, so that a
// group's values come back in order without being held together.
class SortedValues : public HeldValues
{
public:
    using HeldValues::HeldValues;

    void add(int rowGroup, int columnGroup, double v)
    {
        m_batch.push_back({ rowGroup, columnGroup, v });
    }
    bool endBlock(const HeldProgress& held) override;
    bool fill(Dataset& output, int function, const Side& rows, const Side& cols,
        const HeldProgress& held) override;

    struct Held
    {
        int rowGroup;
        int columnGroup;
        double value;
    };
    struct Entry
    {
        quint64 key;
        double value;
    };

private:
    QString doneOnDisk() const override { return QStringLiteral("sorted"); }
    int diskParts() const override { return m_runs; }
    std::vector<Entry> sortedBy(int kind);
    bool writeRuns(const HeldProgress& held);
    bool fillFromDisk(Dataset& output, int function, const Side& rows, const Side& cols,
        const HeldProgress& held);

    std::vector<Held> m_batch;
    // Per kind: each group's count of values, and the runs' files.
    std::vector<QHash<quint64, qint64>> m_counts = std::vector<QHash<quint64, qint64>>(GroupKinds);
    std::vector<QStringList> m_files = std::vector<QStringList>(GroupKinds);
    qint64 m_values = 0;
};

// The texts of a distinct-count pivot: each text once, numbered, and a
// number pair per value (its cell, its text). A group's distinct texts are
// counted once its pairs are sorted. On disk the pairs go to partitions by
// their text's hash, so that a text is in one partition only and a group's
// distinct count is the sum of its partitions' counts.
class DistinctValues : public HeldValues
{
public:
    using HeldValues::HeldValues;

    void add(int rowGroup, int columnGroup, const QString& text);
    bool endBlock(const HeldProgress& held) override;
    // The function is the distinct count.
    bool fill(Dataset& output, int function, const Side& rows, const Side& cols,
        const HeldProgress& held) override;

private:
    QString doneOnDisk() const override { return QStringLiteral("counted"); }
    int diskParts() const override;
    // A kind's (group, text) pairs held, each once, in order: the group in
    // the high half.
    std::vector<quint64> pairs(int kind) const;
    quint64 groupKeyOf(int kind, quint32 group) const;
    bool flush(const HeldProgress& held);
    bool countPartitions(const HeldProgress& held);

    struct Pair
    {
        quint32 cell;
        quint32 text;
    };

    QHash<QString, quint32> m_textIds;
    QVector<QString> m_texts;
    QHash<quint64, quint32> m_cellIds;
    std::vector<quint64> m_cells;
    std::vector<Pair> m_pairs;
    qint64 m_bytes = 0;
    // Per kind, by group key: the distinct counts.
    std::vector<QHash<quint64, qint64>> m_counts = std::vector<QHash<quint64, qint64>>(GroupKinds);
    qint64 m_entries = 0;
    std::unique_ptr<SpillPartitions> m_parts;
};

} // namespace pivot
