// Dedupe taking a file's rows in blocks, when it removes the duplicates of
// exact keys or keeps only them. While the rows fit in their share of the
// memory limit they are deduplicated whole at the end, as process() does.
// Past that share every row goes to disk in the file's order, and each row's
// key, as the comparison sees it, to one of a number of partitions by its
// hash: all rows of a key land in one partition, in the file's order, so a
// partition read back on its own tells which rows come first for their key.
// The rows are then read back and the first (or the later) rows of each key
// handed on in blocks: a file larger than memory dedupes, in its own order.

#include "core/dataset.h"
#include "core/parallel.h"
#include "core/spillfile.h"
#include "core/values.h"
#include "transforms/row/transformdedupe.h"
#include "transforms/support/rowgroups.h"
#include "transforms/support/spillrows.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <memory>
#include <vector>

namespace {

// A partition is read back whole, with a set of its distinct keys, two at
// a time.
constexpr int Partitions = SpillPartitionCount;
constexpr int StopRows = SpillStopRows;

// The share of the memory limit, in percent, the rows may take in memory:
// deduplicating them whole needs half as much again (the groups, the rows
// kept), and the Input's reading some more.
constexpr int MemoryShare = 40;

} // namespace

class DedupeBlocks : public SpillingConsumer
{
public:
    DedupeBlocks(TransformDedupe* transform, const QVector<int>& columns, const KeyOptions& options,
        bool keepFirst)
        : SpillingConsumer(transform, transform->runContext()),
          m_transform(transform),
          m_columns(columns),
          m_options(options),
          m_keepFirst(keepFirst),
          m_budget(transform->runContext(), MemoryShare),
          m_keyFiles(Partitions)
    {
    }

    bool take(const Dataset& rows) override;
    bool finishInBlocks(
        Dataset& output, int blockRows, const std::function<bool()>& passOn) override;

private:
    bool spill(const Dataset& rows);
    bool openFiles();
    bool writeKeys(const Dataset& rows);
    bool closeFiles();
    // Half the work (the progress) is in marking the first rows, half in
    // reading the rows back.
    bool markFirstRows(std::vector<char>& first);
    bool markPartition(int partition, std::vector<char>& first, QString* error) const;
    bool passRows(const std::vector<char>& first, Dataset& output, int blockRows,
        const std::function<bool()>& passOn);

    TransformDedupe* m_transform;
    QVector<int> m_columns;
    KeyOptions m_options;
    bool m_keepFirst;
    SpillBudget m_budget;
    // The rows held in memory, until they go to disk.
    Dataset m_rows;
    // The blocks read back.
    SpilledBlocks m_blocks;
    // Rows on disk so far.
    qint64 m_rowsOnDisk = 0;
    std::unique_ptr<SpillWriter> m_rowFile;
    SpillPartitions m_keyFiles;
    QString m_rowPath;
    qint64 m_spilledBytes = 0;
};

std::unique_ptr<RowBlockConsumer> TransformDedupe::blockConsumer(const Dataset& firstRows)
{
    Q_UNUSED(firstRows)
    if (!hasOptions())
        return nullptr;
    // Fuzzy matching compares every distinct key with the others, and the
    // duplicate information puts a group's rows together: both need the
    // whole table, as does a drilldown.
    const auto mode = Mode(selectionParameter(QStringLiteral("Dedupe_Mode")));
    if (mode == AddDuplicateInformation || selectionParameter(QStringLiteral("Match_Type")) != 0
        || boolParameter(QStringLiteral("Drilldown")))
        return nullptr;
    const QVector<int> columns = columnIndexes(QStringLiteral("Columns"), true);
    if (columns.isEmpty())
        return nullptr;
    KeyOptions options;
    options.caseSensitive = boolParameter(QStringLiteral("Case_Sensitive"));
    options.ignoreSpaces = boolParameter(QStringLiteral("Ignore_Spaces"));
    options.ignorePunctuation = boolParameter(QStringLiteral("Ignore_Punctuation"));
    return std::make_unique<DedupeBlocks>(this, columns, options, mode == RemoveDuplicates);
}

bool DedupeBlocks::take(const Dataset& rows)
{
    if (!m_blocks.hasShape())
        m_blocks.setShape(rows);
    else if (rows.columnCount() != m_blocks.shape().columnCount())
        return false;
    // Once rows are on disk, every later row goes there too.
    if (m_rowFile)
        return spill(rows);
    if (!m_budget.hold(m_rows, rows))
        return true;
    const bool spilled = spill(m_rows);
    m_rows.clear();
    return spilled;
}

// Writes the rows to disk, and their keys to the partitions.
bool DedupeBlocks::spill(const Dataset& rows)
{
    if (!m_rowFile && !openFiles())
        return false;
    if (!writeSpillRows(
            rows, m_rowsOnDisk, QVector<int>(), m_rowFile.get(), [this] { return stopped(); })) {
        m_failure = m_rowFile->errorText();
        return false;
    }
    if (!writeKeys(rows))
        return false;
    m_rowsOnDisk += rows.rowCount();
    return true;
}

bool DedupeBlocks::openFiles()
{
    m_rowFile = std::make_unique<SpillWriter>(m_budget.folder());
    if (!m_rowFile->open()) {
        m_failure = m_rowFile->errorText();
        return false;
    }
    m_rowPath = m_rowFile->path();
    if (!m_keyFiles.open(m_budget.folder())) {
        m_failure = m_keyFiles.errorText();
        return false;
    }
    m_budget.addRun();
    return true;
}

// A row's key is the list of its values as the comparison sees them; the
// same key always hashes to the same partition.
bool DedupeBlocks::writeKeys(const Dataset& rows)
{
    // Handed to the writers every so many rows: the keys of the rows held
    // when the budget ran out would take as much memory again.
    const auto flush = [&] {
        if (m_keyFiles.flush())
            return true;
        m_failure = m_keyFiles.errorText();
        return false;
    };
    QVector<QString> key(m_columns.size());
    const int count = rows.rowCount();
    for (int r = 0; r < count; ++r) {
        uint hash = 0;
        for (int k = 0; k < m_columns.size(); ++k) {
            key[k] = keyValue(rows.value(r, m_columns.at(k)), m_options);
            hash = qHash(key.at(k), hash);
        }
        SpillWriter::encodeCells(m_keyFiles.queued(int(hash % Partitions)), m_rowsOnDisk + r,
            key.constData(), key.size());
        if (r % StopRows == StopRows - 1 && (stopped() || !flush()))
            return false;
    }
    return flush();
}

bool DedupeBlocks::closeFiles()
{
    bool closed = m_rowFile->close();
    if (!closed)
        m_failure = m_rowFile->errorText();
    if (!m_keyFiles.close() && closed) {
        m_failure = m_keyFiles.errorText();
        closed = false;
    }
    m_spilledBytes += m_keyFiles.bytesOnDisk() + QFileInfo(m_rowPath).size();
    return closed;
}

bool DedupeBlocks::finishInBlocks(
    Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    if (!m_rowFile) {
        bool error = false;
        m_transform->dedupeTable(output, m_rows, error);
        m_rows.clear();
        return !error && passOn();
    }
    std::vector<char> first;
    const bool done
        = closeFiles() && markFirstRows(first) && passRows(first, output, blockRows, passOn);
    if (!done && m_failure.isEmpty() && stopped())
        m_transform->setStopped(output, m_blocks.shape());
    m_rowFile.reset();
    m_keyFiles = SpillPartitions(Partitions);
    m_budget.dropFolder();
    return done;
}

// Marks each row that is the first of its key, the partitions two at a
// time on both cores: each row is one partition's, so the two never write
// the same entry.
bool DedupeBlocks::markFirstRows(std::vector<char>& first)
{
    first.assign(size_t(m_rowsOnDisk), 0);
    for (int p = 0; p < Partitions; p += 2) {
        QString errors[2];
        bool marked[2] = { true, true };
        Parallel::both([&] { marked[0] = markPartition(p, first, &errors[0]); },
            [&] { marked[1] = markPartition(p + 1, first, &errors[1]); });
        if (!marked[0] || !marked[1]) {
            m_failure = errors[marked[0] ? 1 : 0];
            return false;
        }
        if (!progress(qreal(p + 2) / (2 * Partitions)))
            return false;
    }
    return true;
}

bool DedupeBlocks::markPartition(int partition, std::vector<char>& first, QString* error) const
{
    const QString path = m_keyFiles.path(partition);
    SpillReader reader(path);
    if (!reader.open()) {
        *error = reader.errorText();
        return false;
    }
    QSet<QByteArray> seen;
    QVector<SpillReader::Cell> cells;
    QByteArray key;
    qint64 row = 0;
    qint64 rows = 0;
    while (reader.next(&row, &cells)) {
        // Each value with its length before it: no two lists of values
        // give the same bytes.
        key.resize(0);
        for (const SpillReader::Cell& cell : qAsConst(cells)) {
            key.append(reinterpret_cast<const char*>(&cell.size), sizeof cell.size);
            key.append(cell.bytes, cell.size);
        }
        if (!seen.contains(key)) {
            seen.insert(key);
            first[size_t(row)] = 1;
        }
        if (++rows % StopRows == 0 && stopped())
            return false;
    }
    *error = reader.errorText();
    // The disk it took is free again for the rest.
    QFile::remove(path);
    return error->isEmpty();
}

// Reads the rows back in the file's order and hands on those kept.
bool DedupeBlocks::passRows(const std::vector<char>& first, Dataset& output, int blockRows,
    const std::function<bool()>& passOn)
{
    SpillReader reader(m_rowPath);
    if (!reader.open()) {
        m_failure = reader.errorText();
        return false;
    }
    const int reserve = int(qMin<qint64>(blockRows, m_rowsOnDisk));
    QVector<SpillReader::Cell> cells;
    qint64 row = 0;
    qint64 kept = 0;
    m_blocks.start(reserve);
    while (reader.next(&row, &cells)) {
        // Every thousand rows, and at the last, which a Stop still ends.
        const qint64 done = row + 1;
        if ((done % 1000 == 0 || done == m_rowsOnDisk)
            && !progress(0.5 + 0.5 * qreal(done) / m_rowsOnDisk))
            return false;
        if (bool(first[size_t(row)]) != m_keepFirst)
            continue;
        if (!m_blocks.appendAfterFull(cells, blockRows, reserve, output, passOn))
            return false;
        ++kept;
    }
    if (!reader.errorText().isEmpty()) {
        m_failure = reader.errorText();
        return false;
    }
    m_blocks.end(output);
    m_transform->setRemovedSummary(
        m_keepFirst ? TransformDedupe::RemoveDuplicates : TransformDedupe::KeepOnlyDuplicates,
        m_rowsOnDisk - kept);
    // Said because the user did not choose it, and it is why the dedupe took
    // longer than one in memory.
    m_transform->addInformation(m_budget.partitionsLine(
        QStringLiteral("rows"), QStringLiteral("compared"), Partitions, m_spilledBytes));
    return passOn();
}
