// Counting rows that come in blocks (a streamed run): each value's first
// text and its count, nothing of the rows. When the values outgrow their
// share of the memory limit (a column of mostly different values in a file
// larger than memory), the counts so far go to disk, each value to one of a
// number of partitions by the hash of its key, and the counting starts
// afresh. At the end each partition's counts are added up per value (the
// earliest text of a value standing for it, as in memory), put in the
// result's order, and the partitions merged in that order.

#include "core/dataset.h"
#include "core/spillfile.h"
#include "transforms/analysis/transformcount.h"
#include "transforms/support/rowgroups.h"
#include "transforms/support/spillrows.h"

#include <QFile>

namespace {

constexpr int Partitions = SpillPartitionCount;
constexpr int StopRows = SpillStopRows;

// The share of the memory limit, in percent, the counts may take: putting
// them in order takes as much again.
constexpr int MemoryShare = 30;

// What a value costs in memory beside its text, kept twice (as the key and
// as the text shown): the hash's entry, two texts' headers, its count.
constexpr qint64 BytesPerValue = 180;

} // namespace

class CountBlocks : public SpillingConsumer
{
public:
    CountBlocks(
        TransformCount* transform, const Dataset& first, int column, const KeyOptions& options)
        : SpillingConsumer(transform, transform->runContext()),
          m_transform(transform),
          m_first(first),
          m_column(column),
          m_groups({ column }, options),
          m_budget(transform->runContext(), MemoryShare),
          m_counts(Partitions),
          m_ordered(Partitions)
    {
        // Only the names are kept of the first block.
        m_first.releaseRows();
    }

    bool take(const Dataset& rows) override;
    bool finishInBlocks(
        Dataset& output, int blockRows, const std::function<bool()>& passOn) override;

private:
    bool flush();
    bool finishOnDisk(Dataset& output, int blockRows, const std::function<bool()>& passOn);
    bool orderPartition(int partition);
    bool merge(Dataset& output, int blockRows, const std::function<bool()>& passOn);

    TransformCount* m_transform;
    Dataset m_first;
    int m_column;
    BlockGroups m_groups;
    QStringList m_values;
    QVector<int> m_sizes;
    qint64 m_chars = 0;
    qint64 m_rows = 0;
    SpillBudget m_budget;
    // The counts put aside, by key; then each partition's values in order.
    SpillPartitions m_counts;
    SpillPartitions m_ordered;
    qint64 m_entries = 0;
    qint64 m_distinct = 0;
    qint64 m_spilledBytes = 0;
    SpilledBlocks m_blocks;
};

std::unique_ptr<RowBlockConsumer> TransformCount::blockConsumer(const Dataset& firstRows)
{
    for (const char* key :
        { "Auto_New_Name", "New_Name", "Column", "Sort", "Order", "Case_Sensitive", "Drilldown" }) {
        if (!parameter(QLatin1String(key)))
            return nullptr;
    }
    const int column = columnIndex(QStringLiteral("Column"));
    if (boolParameter(QStringLiteral("Drilldown")) || column < 0
        || column >= firstRows.columnCount())
        return nullptr;
    KeyOptions options;
    options.caseSensitive = boolParameter(QStringLiteral("Case_Sensitive"));
    return std::make_unique<CountBlocks>(this, firstRows, column, options);
}

bool CountBlocks::take(const Dataset& rows)
{
    if (m_column >= rows.columnCount())
        return false;
    m_groups.startBlock(rows);
    for (int r = 0; r < rows.rowCount(); ++r) {
        bool isNew = false;
        const int g = m_groups.groupOf(rows, r, &isNew);
        if (isNew) {
            m_values.append(rows.value(r, m_column));
            m_chars += m_values.last().size();
            m_sizes.append(0);
        }
        ++m_sizes[g];
    }
    m_rows += rows.rowCount();
    const qint64 bytes = m_sizes.size() * BytesPerValue + m_chars * 4;
    return !m_budget.exceeded(bytes) || flush();
}

// Puts the counts so far aside, each with its key and first text, and
// starts counting afresh.
bool CountBlocks::flush()
{
    if (!m_counts.isOpen()) {
        if (!m_counts.open(m_budget.folder()) || !m_ordered.open(m_budget.folder()))
            return fail(m_counts.errorText() + m_ordered.errorText());
        m_budget.addRun();
    }
    const QVector<QString> keys = m_groups.keys();
    for (int g = 0; g < keys.size(); ++g) {
        const QString cells[3] = { keys.at(g), m_values.at(g), QString::number(m_sizes.at(g)) };
        SpillWriter::encodeCells(
            m_counts.queued(int(qHash(keys.at(g)) % Partitions)), m_entries++, cells, 3);
        if (g % StopRows == StopRows - 1 && (stopped() || !m_counts.flush()))
            return fail(m_counts.errorText());
    }
    m_groups.clearGroups();
    m_values.clear();
    m_sizes.clear();
    m_chars = 0;
    return m_counts.flush() || fail(m_counts.errorText());
}

bool CountBlocks::finishInBlocks(
    Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    if (!m_counts.isOpen()) {
        if (m_transform->startOutput(output, m_first, m_column))
            m_transform->appendCounts(output, m_values, m_sizes, m_rows);
        return passOn();
    }
    const bool done = ended(finishOnDisk(output, blockRows, passOn),
        QStringLiteral("Count was stopped before it finished."));
    m_counts = SpillPartitions(Partitions);
    m_ordered = SpillPartitions(Partitions);
    m_budget.dropFolder();
    return done;
}

bool CountBlocks::finishOnDisk(Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    if (!flush())
        return false;
    if (!m_counts.close())
        return fail(m_counts.errorText());
    m_spilledBytes = m_counts.bytesOnDisk();
    for (int p = 0; p < Partitions; ++p) {
        if (!orderPartition(p) || !progress(qreal(p + 1) / (2 * Partitions)))
            return false;
    }
    if (!m_ordered.close())
        return fail(m_ordered.errorText());
    m_spilledBytes += m_ordered.bytesOnDisk();
    return merge(output, blockRows, passOn);
}

// Adds up a partition's counts per value and writes its values in the
// result's order.
bool CountBlocks::orderPartition(int partition)
{
    SpillReader reader(m_counts.path(partition));
    if (!reader.open())
        return fail(reader.errorText());
    QHash<QString, int> index;
    QStringList values;
    QVector<int> sizes;
    QVector<SpillReader::Cell> cells;
    qint64 entry = 0;
    while (reader.next(&entry, &cells)) {
        // Put aside in the file's order: the first text of a key stands.
        const auto it = index.constFind(cells.at(0).text());
        if (it == index.constEnd()) {
            index.insert(cells.at(0).text(), values.size());
            values.append(cells.at(1).text());
            sizes.append(cells.at(2).text().toInt());
        } else {
            sizes[it.value()] += cells.at(2).text().toInt();
        }
    }
    if (!reader.errorText().isEmpty())
        return fail(reader.errorText());
    QFile::remove(m_counts.path(partition));
    Dataset ordered;
    m_transform->startOutput(ordered, m_first, m_column);
    m_transform->appendCounts(ordered, values, sizes, 0);
    if (!m_blocks.hasShape())
        m_blocks.setShape(ordered);
    RowReader row(ordered);
    QByteArray& out = m_ordered.queued(partition);
    for (int r = 0; r < ordered.rowCount(); ++r) {
        row.setRow(r);
        SpillWriter::encodeRow(out, m_distinct++, row);
        if (r % StopRows == StopRows - 1 && (stopped() || !m_ordered.flush()))
            return fail(m_ordered.errorText());
    }
    return m_ordered.flush() || fail(m_ordered.errorText());
}

// Reads the partitions' values back together in the result's order and
// hands them on in blocks.
bool CountBlocks::merge(Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    const TransformCount::CountOrder before = m_transform->countOrder();
    PartitionMerge merge(
        [&](const PartitionMerge::Head& a, const PartitionMerge::Head& b) {
            return before(a.text, a.number, b.text, b.number);
        },
        [](PartitionMerge::Head& head) {
            head.text = head.cells.at(0).text();
            head.number = head.cells.at(1).text().toLongLong();
        });
    if (!merge.merge(m_ordered, m_distinct, m_blocks, blockRows, output, passOn,
            [this](qreal fraction) { return progress(0.5 + 0.5 * fraction); }))
        return fail(merge.errorText());
    m_transform->setCountSummary(m_distinct, m_rows);
    // Said because the user did not choose it, and it is why the count took
    // longer than one in memory.
    m_transform->addInformation(m_budget.partitionsLine(
        QStringLiteral("values"), QStringLiteral("counted"), Partitions, m_spilledBytes));
    return passOn();
}
