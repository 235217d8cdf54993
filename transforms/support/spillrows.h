#pragma once

// What the steps that take a file's rows in blocks (Sort, Dedupe, Unique, Count, Join) share when
// the rows outgrow memory: how much they may hold before they put rows on
// disk, the folder the rows go to, and writing a table's rows to a spill
// file on both cores.

#include "core/dataset.h"
#include "core/spillfile.h"
#include "transforms/transform.h"

#include <QString>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

class RunContext;
class SpilledBlocks;

// Keys of a file larger than memory are split this many ways by their hash:
// the parts of a file twice the memory limit each fit in memory with room
// to spare.
constexpr int SpillPartitionCount = 64;

// Rows between two looks at a Stop while rows go to or come from disk.
constexpr int SpillStopRows = 1 << 16;

class SpillBudget
{
public:
    // A step's rows may take share percent of the memory limit in memory;
    // below it the step keeps everything in memory, at its fastest. The
    // share leaves room for what the step needs beside its rows, and for
    // other items. Without a run (a transform on its own), the default
    // limit.
    SpillBudget(RunContext* context, int share);
    ~SpillBudget();

    // Whether rows taking this many bytes go to disk. Near the limit
    // because of other items, a sixteenth of the share still goes, not a
    // file of every block.
    bool exceeded(qint64 bytes) const;
    // Adds the rows to those held; true once the held rows are past the
    // share (exceeded()).
    bool hold(Dataset& held, const Dataset& rows) const;
    // The folder for the step's files, made at the first use; removed with
    // the budget or by dropFolder().
    SpillFolder* folder();
    void dropFolder();
    // Counts a file written for the run's record.
    void addRun();
    // The chosen temporary folder, as messages name it.
    QString where();
    // The information line of a step that put its rows in partitions on
    // disk: what took more than its share, and what was done with it there.
    QString partitionsLine(const QString& what, const QString& done, int parts, qint64 bytes);

private:
    RunContext* m_context;
    int m_share;
    qint64 m_bytes = 0;
    std::unique_ptr<SpillFolder> m_folder;
};

// What a step that may put its rows on disk does beside its work: it fails
// with the disk's error (none when stopped), reports its progress through
// its transform, and says so when a Stop ended it.
class SpillStep
{
public:
    // The transform's run, which a Stop ends.
    SpillStep(Transform* transform, const RunContext* context)
        : m_step(transform), m_context(context)
    {
    }

protected:
    bool fail(const QString& error)
    {
        m_failure = error;
        return false;
    }
    bool stopped() const;
    // False when stopped.
    bool progress(qreal fraction);
    // done; when a Stop rather than a failure ended the step, it first
    // warns with stoppedLine.
    bool ended(bool done, const QString& stoppedLine);

    QString m_failure;

private:
    Transform* m_step;
    const RunContext* m_context;
};

// A step over blocks that may put its rows on disk, which finishes whole as
// it finishes in blocks, in one block.
class SpillingConsumer : public RowBlockConsumer, protected SpillStep
{
public:
    using SpillStep::SpillStep;
    QString failure() const override { return m_failure; }
    void finish(Dataset& output) override;
};

// Writes rows of a table, in the given order (every row in the table's
// order when empty), numbered from firstRow, to the writer. False when
// stopped() says so or a write failed (the writer's errorText()).
bool writeSpillRows(const Dataset& rows, qint64 firstRow, const QVector<int>& order,
    SpillWriter* writer, const std::function<bool()>& stopped);

// Rows (or their keys) split between files by a hash of their keys: all rows
// of a key land in one file, in the order they were added, so a file read
// back on its own holds every row of its keys.
class SpillPartitions
{
public:
    explicit SpillPartitions(int count) : m_queued(size_t(count)) { }

    int count() const { return int(m_queued.size()); }
    bool isOpen() const { return !m_files.empty(); }
    // False, with errorText(), when a file cannot be made.
    bool open(SpillFolder* folder);
    // The encoded rows waiting for partition p.
    QByteArray& queued(int p) { return m_queued[size_t(p)]; }
    // Hands the waiting rows to the files; false once a write failed.
    bool flush();
    // Flushes and closes every file; false when a write failed.
    bool close();
    const QString& path(int p) const { return m_paths.at(p); }
    // The bytes of the closed files on disk.
    qint64 bytesOnDisk() const;
    const QString& errorText() const { return m_error; }

private:
    std::vector<std::unique_ptr<SpillWriter>> m_files;
    std::vector<QByteArray> m_queued;
    QStringList m_paths;
    QString m_error;
};

// Reads the rows of partitions, each in the order wanted, back together:
// the first of the partitions' next rows at every step.
class PartitionMerge
{
public:
    struct Head
    {
        std::unique_ptr<SpillReader> reader;
        qint64 row = 0;
        QVector<SpillReader::Cell> cells;
        // What the order compares, read from the cells by prepare.
        QString text;
        qint64 number = 0;
    };
    // Whether a's row comes before b's.
    using Before = std::function<bool(const Head& a, const Head& b)>;
    using Prepare = std::function<void(Head& head)>;
    PartitionMerge(Before before, Prepare prepare = Prepare())
        : m_before(std::move(before)), m_prepare(std::move(prepare))
    {
    }
    // Hands the total rows of the partitions on through blocks, as
    // SpilledBlocks::appendAfterFull does; progress(fraction of the rows)
    // every thousand rows. False when stopped or failed (errorText()).
    bool merge(const SpillPartitions& parts, qint64 total, SpilledBlocks& blocks, int blockRows,
        Dataset& output, const std::function<bool()>& passOn,
        const std::function<bool(qreal)>& progress);
    const QString& errorText() const { return m_error; }

private:
    bool next(Head& head);

    Before m_before;
    Prepare m_prepare;
    QString m_error;
};

// The blocks a step hands on from rows read back from disk: the columns of
// its first block, without pooling (the blocks go straight to the items
// after the step), filled column by column from the rows' bytes.
class SpilledBlocks
{
public:
    bool hasShape() const { return m_shape.hasColumns(); }
    // Called with the step's first block.
    void setShape(const Dataset& rows);
    const Dataset& shape() const { return m_shape; }
    // A new block of up to reserve rows.
    void start(int reserve);
    void append(const QVector<SpillReader::Cell>& cells);
    // Appends a row to the block, first handing a full block on (to output,
    // then passOn(), and a new block of up to reserve rows): a block goes
    // on only once a row follows it, so the last block is never an empty
    // one. False when passOn() says stop.
    bool appendAfterFull(const QVector<SpillReader::Cell>& cells, int blockRows, int reserve,
        Dataset& output, const std::function<bool()>& passOn);
    int rows() const { return m_rows; }
    // The block made, as output.
    void end(Dataset& output);

private:
    Dataset m_shape;
    QVector<TextColumn> m_columns;
    int m_rows = 0;
};
