// Unique over rows that come in blocks when almost every row is a group of
// its own: keeping a group per row costs more than the rows, so the rows are
// held and grouped whole at the end, as process() groups them. Past their
// share of the memory limit they go to disk instead, each row to one of a
// number of partitions by the hash of its key: every row of a group lands
// in one partition, in the file's order. Each partition is then grouped on
// its own (a group's rows and its aggregates are the whole table's), its
// groups written out with the number of their first row, and the
// partitions' groups merged by that number: the groups come in the order of
// their first rows, as in the whole table, for a file larger than memory.

#include "core/dataset.h"
#include "core/spillfile.h"
#include "core/values.h"
#include "transforms/row/transformunique.h"
#include "transforms/support/spillrows.h"

#include <QFile>

#include <vector>

namespace {

constexpr int Partitions = SpillPartitionCount;
constexpr int StopRows = SpillStopRows;

// The share of the memory limit, in percent, the rows may take in memory:
// grouping them whole makes the unique rows beside them, as many again when
// every key differs.
constexpr int MemoryShare = 30;

} // namespace

class UniqueSpill : public SpillingConsumer
{
public:
    UniqueSpill(TransformUnique* transform, const Dataset& first, QVector<int> options,
        QVector<int> keys, const KeyOptions& keyOptions)
        : SpillingConsumer(transform, transform->runContext()),
          m_transform(transform),
          m_names(first.columnNames()),
          m_options(std::move(options)),
          m_keys(std::move(keys)),
          m_keyOptions(keyOptions),
          m_dates(m_options.size(), 0),
          m_budget(transform->runContext(), MemoryShare),
          m_rowParts(Partitions),
          m_groupParts(Partitions)
    {
        // The first rows of the file say whether a column holds dates, as
        // they do for the whole table; a partition's first rows might not.
        for (int c = 0; c < m_options.size(); ++c) {
            const int a = m_options.at(c);
            if (a == TransformUnique::Maximum || a == TransformUnique::Minimum)
                m_dates[c] = first.isDateColumn(c, defaultDateFormats()) ? 1 : 0;
        }
        m_rowShape.setShape(first);
    }

    bool take(const Dataset& rows) override;
    bool finishInBlocks(
        Dataset& output, int blockRows, const std::function<bool()>& passOn) override;

private:
    bool spill(const Dataset& rows);
    bool finishInMemory(Dataset& output, const std::function<bool()>& passOn);
    bool finishOnDisk(Dataset& output, int blockRows, const std::function<bool()>& passOn);
    bool groupPartition(int partition);
    bool readPartition(int partition, Dataset& rows, std::vector<qint64>& rowNumbers);
    bool mergeGroups(Dataset& output, int blockRows, const std::function<bool()>& passOn);

    TransformUnique* m_transform;
    QStringList m_names;
    QVector<int> m_options;
    QVector<int> m_keys;
    KeyOptions m_keyOptions;
    QVector<int> m_dates;
    SpillBudget m_budget;
    // The rows held in memory, until they go to disk.
    Dataset m_rows;
    qint64 m_rowsOnDisk = 0;
    SpilledBlocks m_rowShape;
    SpillPartitions m_rowParts;
    // Each partition's groups, numbered by their first rows.
    SpillPartitions m_groupParts;
    SpilledBlocks m_blocks;
    qint64 m_groups = 0;
    std::vector<int> m_withoutNumber;
    qint64 m_spilledBytes = 0;
};

std::unique_ptr<RowBlockConsumer> TransformUnique::spillingConsumer(
    const Dataset& first, const QVector<int>& options, const QVector<int>& keys)
{
    KeyOptions keyOptions;
    keyOptions.caseSensitive = boolParameter(QStringLiteral("Case_Sensitive"));
    return std::make_unique<UniqueSpill>(this, first, options, keys, keyOptions);
}

bool UniqueSpill::take(const Dataset& rows)
{
    if (rows.columnCount() != m_options.size())
        return false;
    // Once rows are on disk, every later row goes there too.
    if (m_rowParts.isOpen())
        return spill(rows);
    if (!m_budget.hold(m_rows, rows))
        return true;
    const bool spilled = spill(m_rows);
    m_rows.clear();
    return spilled;
}

// Writes each row, with its number in the file, to the partition of its key
// as the grouping sees it.
bool UniqueSpill::spill(const Dataset& rows)
{
    if (!m_rowParts.isOpen()) {
        if (!m_rowParts.open(m_budget.folder()) || !m_groupParts.open(m_budget.folder()))
            return fail(m_rowParts.errorText() + m_groupParts.errorText());
        m_budget.addRun();
    }
    RowReader reader(rows);
    const int count = rows.rowCount();
    for (int r = 0; r < count; ++r) {
        reader.setRow(r);
        uint hash = 0;
        for (int k : qAsConst(m_keys))
            hash = qHash(keyValue(reader.at(k), m_keyOptions), hash);
        SpillWriter::encodeRow(m_rowParts.queued(int(hash % Partitions)), m_rowsOnDisk + r, reader);
        if (r % StopRows == StopRows - 1 && (stopped() || !m_rowParts.flush()))
            return fail(m_rowParts.errorText());
    }
    m_rowsOnDisk += count;
    return m_rowParts.flush() || fail(m_rowParts.errorText());
}

bool UniqueSpill::finishInBlocks(
    Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    const bool done = m_rowParts.isOpen() ? finishOnDisk(output, blockRows, passOn)
                                          : finishInMemory(output, passOn);
    return ended(done, QStringLiteral("Unique was stopped before it finished."));
}

bool UniqueSpill::finishInMemory(Dataset& output, const std::function<bool()>& passOn)
{
    UniqueGroups groups;
    const bool made = m_transform->uniqueTable(m_rows, m_options, m_keys, m_dates, output, groups,
        [this](int step, int steps) { return m_transform->reportProgress(step, steps); });
    if (!made)
        return false;
    m_transform->setMessages(m_names, groups.withoutNumber, m_rows.rowCount() - output.rowCount());
    m_rows.clear();
    return passOn();
}

bool UniqueSpill::finishOnDisk(Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    bool done = m_rowParts.close() || fail(m_rowParts.errorText());
    m_spilledBytes = m_rowParts.bytesOnDisk();
    for (int p = 0; done && p < Partitions; ++p)
        done = groupPartition(p) && progress(qreal(p + 1) / (2 * Partitions));
    done = done && (m_groupParts.close() || fail(m_groupParts.errorText()));
    m_spilledBytes += m_groupParts.bytesOnDisk();
    done = done && mergeGroups(output, blockRows, passOn);
    m_rowParts = SpillPartitions(Partitions);
    m_groupParts = SpillPartitions(Partitions);
    m_budget.dropFolder();
    return done;
}

bool UniqueSpill::readPartition(int partition, Dataset& rows, std::vector<qint64>& rowNumbers)
{
    SpillReader reader(m_rowParts.path(partition));
    if (!reader.open())
        return fail(reader.errorText());
    QVector<SpillReader::Cell> cells;
    qint64 row = 0;
    m_rowShape.start(0);
    while (reader.next(&row, &cells)) {
        m_rowShape.append(cells);
        rowNumbers.push_back(row);
        if (rowNumbers.size() % StopRows == 0 && stopped())
            return false;
    }
    if (!reader.errorText().isEmpty())
        return fail(reader.errorText());
    m_rowShape.end(rows);
    // The disk it took is free again for the rest.
    QFile::remove(m_rowParts.path(partition));
    return true;
}

// Groups one partition's rows and writes its groups, each numbered by its
// first row in the file.
bool UniqueSpill::groupPartition(int partition)
{
    Dataset rows;
    std::vector<qint64> rowNumbers;
    if (!readPartition(partition, rows, rowNumbers))
        return false;
    Dataset groups;
    UniqueGroups made;
    if (!m_transform->uniqueTable(rows, m_options, m_keys, m_dates, groups, made,
            [this](int step, int) { return step % StopRows != 0 || !stopped(); }))
        return false;
    if (!m_blocks.hasShape())
        m_blocks.setShape(groups);
    m_withoutNumber.resize(made.withoutNumber.size(), 0);
    for (size_t c = 0; c < made.withoutNumber.size(); ++c)
        m_withoutNumber[c] += made.withoutNumber[c];
    m_groups += groups.rowCount();
    RowReader reader(groups);
    QByteArray& out = m_groupParts.queued(partition);
    for (int g = 0; g < groups.rowCount(); ++g) {
        reader.setRow(g);
        SpillWriter::encodeRow(out, rowNumbers[size_t(made.rows.firstRow.at(g))], reader);
        if (g % StopRows == StopRows - 1 && !m_groupParts.flush())
            return fail(m_groupParts.errorText());
    }
    return m_groupParts.flush() || fail(m_groupParts.errorText());
}

// Reads the partitions' groups back together, the group of the earliest
// first row next, and hands them on in blocks.
bool UniqueSpill::mergeGroups(Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    PartitionMerge merge(
        [](const PartitionMerge::Head& a, const PartitionMerge::Head& b) { return a.row < b.row; });
    if (!merge.merge(m_groupParts, m_groups, m_blocks, blockRows, output, passOn,
            [this](qreal fraction) { return progress(0.5 + 0.5 * fraction); }))
        return fail(merge.errorText());
    m_transform->setMessages(m_names, m_withoutNumber, m_rowsOnDisk - m_groups);
    // Said because the user did not choose it, and it is why the step took
    // longer than one in memory.
    m_transform->addInformation(m_budget.partitionsLine(
        QStringLiteral("rows"), QStringLiteral("grouped"), Partitions, m_spilledBytes));
    return passOn();
}
