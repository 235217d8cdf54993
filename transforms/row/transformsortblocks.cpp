// Sort taking a file's rows in blocks. While the rows fit in its share of
// the memory limit they are sorted whole at the end, as process() sorts
// them. Past that share they go to disk in sorted runs and the runs are
// merged, block by block, into the same order the whole table would get: a
// file larger than memory sorts.

#include "core/dataset.h"
#include "core/enginesettings.h"
#include "core/memorylimit.h"
#include "core/runcontext.h"
#include "core/spillfile.h"
#include "transforms/row/transformsort.h"
#include "transforms/support/datasetsort.h"
#include "transforms/support/parallel.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <memory>
#include <queue>

namespace {

// Whether a column holds numbers or dates is read from its first 100 rows
// and first 50 values: no run may be sorted before the rows seen hold them.
constexpr int KindRows = 100;
constexpr int KindValues = 50;

// The share of the memory limit, in percent, the rows may take in memory.
// Writing a run needs about as much again as its rows (the rows encoded for
// the disk, the ranks, the order), and other items hold memory too. Below
// it a sort keeps everything in memory, as it always did, at its fastest.
constexpr int MemoryShare = 30;

} // namespace

class SortBlocks : public RowBlockConsumer
{
public:
    SortBlocks(TransformSort* transform, const QVector<int>& keys, const SortOptions& options)
        : m_transform(transform), m_keys(keys), m_options(options)
    {
        RunContext* context = transform->runContext();
        const double gigabytes = context ? context->settings().maxMemoryUsage() : 4.0;
        m_budget = qint64(gigabytes * (1 << 30) * MemoryShare / 100);
        m_valuesSeen = QVector<int>(keys.size(), 0);
        m_rowsLookedAt = QVector<int>(keys.size(), 0);
    }

    bool take(const Dataset& rows) override;
    QString failure() const override { return m_failure; }
    void finish(Dataset& output) override;
    bool finishInBlocks(
        Dataset& output, int blockRows, const std::function<bool()>& passOn) override;

private:
    bool kindsKnown();
    bool nearLimit() const;
    bool spill();
    bool writeRun(const QVector<int>& order, SpillWriter* writer);
    bool merge(Dataset& output, int blockRows, const std::function<bool()>& passOn);

    TransformSort* m_transform;
    QVector<int> m_keys;
    SortOptions m_options;
    qint64 m_budget = 0;
    // The rows not yet on disk, the first of them the table's row m_firstRow.
    Dataset m_rows;
    qint64 m_firstRow = 0;
    // The columns of the output, without rows.
    Dataset m_shape;
    // Per key, the values seen in the rows looked at so far, until the
    // kinds are settled.
    QVector<int> m_valuesSeen;
    QVector<int> m_rowsLookedAt;
    bool m_kindsSettled = false;
    QVector<SortKeyInfo> m_kinds;
    QStringList m_information;
    std::unique_ptr<SpillFolder> m_folder;
    QStringList m_runs;
    qint64 m_spilledBytes = 0;
    QString m_failure;
};

std::unique_ptr<RowBlockConsumer> TransformSort::blockConsumer(const Dataset& firstRows)
{
    Q_UNUSED(firstRows)
    if (!requireParameters({ "Columns", "Rank_Add", "Rank_Types", "Rank_By", "Intelligent_Sort",
            "Locale_Aware_Sort", "Case_Sensitive" })
        || boolParameter(QStringLiteral("Rank_Add")))
        return nullptr;
    const QVector<int> keys = sortKeys();
    if (keys.isEmpty())
        return nullptr;
    return std::make_unique<SortBlocks>(this, keys, sortOptions());
}

bool SortBlocks::take(const Dataset& rows)
{
    if (!m_shape.hasColumns()) {
        // The merged blocks go straight to the items after the sort: their
        // texts are not worth pooling.
        m_shape.setPooling(false);
        m_shape.setColumnCount(rows.columnCount());
        m_shape.setHasHeader(rows.hasHeader());
        m_shape.setHeader(rows.header());
        m_shape.setColumnIds(rows.columnIds());
    }
    if (m_rows.hasColumns())
        m_rows.appendRows(rows);
    else
        m_rows = rows;
    // Near the limit because of other items, a run of a sixteenth of the
    // share still spills, not a file of every block.
    const qint64 bytes = m_rows.bytesUsed();
    if (bytes < m_budget && !(bytes >= m_budget / 16 && nearLimit()))
        return true;
    return !kindsKnown() || spill();
}

// Where the status bar's gauge warns.
bool SortBlocks::nearLimit() const
{
    const RunContext* context = m_transform->runContext();
    return context
        && MemoryLimit::gaugeWarns(
            context->measureMemoryGB(), context->settings().maxMemoryUsage());
}

// Settles the kinds once the rows held (the table's first) show them as the
// whole table would.
bool SortBlocks::kindsKnown()
{
    if (m_kindsSettled)
        return true;
    if (m_options.intelligent) {
        if (m_rows.rowCount() < KindRows)
            return false;
        // Each key's rows are looked at once, however many blocks it takes
        // a sparse column to show its values.
        for (int k = 0; k < m_keys.size(); ++k) {
            const TextColumn& column = m_rows.column(std::abs(m_keys.at(k)) - 1);
            int& seen = m_valuesSeen[k];
            for (int& r = m_rowsLookedAt[k]; r < m_rows.rowCount() && seen < KindValues; ++r)
                seen += column.isEmpty(r) ? 0 : 1;
            if (seen < KindValues)
                return false;
        }
    }
    DatasetSorter head(m_rows, m_keys, m_options);
    head.settleKinds();
    m_kinds = head.keys();
    m_information = head.information();
    m_kindsSettled = true;
    return true;
}

// Writes the rows held to disk in sorted order as one run.
bool SortBlocks::spill()
{
    if (!m_folder) {
        RunContext* context = m_transform->runContext();
        m_folder = std::make_unique<SpillFolder>(context ? context->tempFolder() : QString());
        if (context)
            m_folder->setCapacity(context->spillCapacity());
    }
    DatasetSorter sorter(m_rows, m_keys, m_options);
    sorter.useKinds(m_kinds);
    if (!sorter.sort([this](int, int) { return !m_transform->stopRequested(); }))
        return false;
    SpillWriter writer(m_folder.get());
    bool written = writer.open() && writeRun(sorter.order(), &writer);
    if (!written || !writer.close()) {
        m_failure = writer.errorText();
        return false;
    }
    m_runs.append(writer.path());
    m_spilledBytes += QFileInfo(writer.path()).size();
    if (RunContext* context = m_transform->runContext())
        context->addSpilledRun();
    m_firstRow += m_rows.rowCount();
    m_rows.clear();
    return true;
}

// The rows are encoded in the table's order, slices of them on both cores,
// where their texts lie one after another in memory; then the encoded rows
// are copied out in sorted order, one jump per row instead of one per cell
// (reading the texts themselves in sorted order, from all over the table,
// took several times as long).
bool SortBlocks::writeRun(const QVector<int>& order, SpillWriter* writer)
{
    constexpr int SliceRows = 1 << 16;
    const int rows = m_rows.rowCount();
    const int slices = (rows + SliceRows - 1) / SliceRows;
    std::vector<QByteArray> encoded(static_cast<size_t>(slices));
    std::vector<int> starts(static_cast<size_t>(rows));
    RowReader readers[2] = { RowReader(m_rows), RowReader(m_rows) };
    const auto encodeSlice = [&](int half, int slice) {
        RowReader& reader = readers[half];
        QByteArray& out = encoded[size_t(slice)];
        const int to = qMin(rows, (slice + 1) * SliceRows);
        for (int r = slice * SliceRows; r < to; ++r) {
            starts[size_t(r)] = out.size();
            reader.setRow(r);
            SpillWriter::encodeRow(out, m_firstRow + r, reader);
        }
    };
    for (int slice = 0; slice < slices; slice += 2) {
        const bool pair = slice + 1 < slices;
        Parallel::both(
            pair, [&] { encodeSlice(0, slice); },
            [&] {
                if (pair)
                    encodeSlice(1, slice + 1);
            });
        if (m_transform->stopRequested())
            return false;
    }
    for (int i = 0; i < order.size(); ++i) {
        const int r = order.at(i);
        const QByteArray& slice = encoded[size_t(r / SliceRows)];
        const bool lastOfSlice = r + 1 == rows || (r + 1) % SliceRows == 0;
        const int begin = starts[size_t(r)];
        const int end = lastOfSlice ? slice.size() : starts[size_t(r) + 1];
        if (!writer->append(slice.constData() + begin, end - begin))
            return false;
        if (i % SliceRows == 0 && m_transform->stopRequested())
            return false;
    }
    return true;
}

void SortBlocks::finish(Dataset& output)
{
    finishInBlocks(output, std::numeric_limits<int>::max(), [] { return true; });
}

bool SortBlocks::finishInBlocks(Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    if (m_runs.isEmpty()) {
        bool error = false;
        m_transform->sortTable(output, m_rows, error);
        m_rows.clear();
        return !error && passOn();
    }
    if (m_rows.hasRows() && !spill()) {
        if (m_failure.isEmpty())
            m_transform->setStopped(output, m_shape);
        return false;
    }
    m_rows.clear();
    const bool merged = merge(output, blockRows, passOn);
    m_folder.reset();
    return merged;
}

// Merges the runs, the smallest head first; rows that tie on every key come
// in the table's order, as in a whole sort.
bool SortBlocks::merge(Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    const SortRowComparer comparer(m_kinds, m_options);
    struct Head
    {
        SortRowComparer::Key key;
        QVector<SpillReader::Cell> cells;
    };
    const int columnCount = m_shape.columnCount();
    std::vector<std::unique_ptr<SpillReader>> readers;
    std::vector<Head> heads(size_t(m_runs.size()));
    const auto later = [&heads, &comparer](int a, int b) {
        return comparer.less(heads[size_t(b)].key, heads[size_t(a)].key);
    };
    std::priority_queue<int, std::vector<int>, decltype(later)> queue(later);
    // Only the key columns are made texts, for the comparisons.
    QStringList keyCells;
    for (int c = 0; c < columnCount; ++c)
        keyCells.append(QString());
    const auto advance = [&](int run) {
        Head& head = heads[size_t(run)];
        qint64 row = 0;
        if (!readers[size_t(run)]->next(&row, &head.cells))
            return readers[size_t(run)]->errorText().isEmpty();
        for (const SortKeyInfo& info : qAsConst(m_kinds)) {
            const int c = info.column;
            keyCells[c] = c < head.cells.size() ? head.cells.at(c).text() : QString();
        }
        comparer.makeKey(keyCells, row, &head.key);
        queue.push(run);
        return true;
    };
    for (const QString& path : qAsConst(m_runs)) {
        readers.push_back(std::make_unique<SpillReader>(path));
        if (!readers.back()->open() || !advance(int(readers.size()) - 1)) {
            m_failure = readers.back()->errorText();
            return false;
        }
    }
    QVector<TextColumn> columns;
    int rows = 0;
    const auto startBlock = [&] {
        columns = QVector<TextColumn>(columnCount, TextColumn(false));
        for (TextColumn& column : columns)
            column.reserve(qMin(blockRows, int(m_firstRow)));
        rows = 0;
    };
    const auto endBlock = [&] {
        output = m_shape;
        output.setColumns(std::move(columns), rows);
    };
    const int total = int(m_firstRow);
    qint64 expected = 0;
    bool changed = false;
    bool passed = true;
    int done = 0;
    startBlock();
    while (!queue.empty() && passed) {
        const int run = queue.top();
        queue.pop();
        Head& head = heads[size_t(run)];
        changed = changed || head.key.row != expected;
        expected = head.key.row + 1;
        for (int c = 0; c < columnCount; ++c) {
            if (c < head.cells.size())
                head.cells.at(c).appendTo(columns[c]);
            else
                columns[c].appendEmpty(1);
        }
        ++rows;
        if (!advance(run)) {
            m_failure = readers[size_t(run)]->errorText();
            return false;
        }
        if (!m_transform->reportProgress(++done, total)) {
            m_transform->setStopped(output, m_shape);
            return false;
        }
        if (rows >= blockRows && !queue.empty()) {
            endBlock();
            passed = passOn();
            startBlock();
        }
    }
    if (!passed) {
        if (m_transform->stopRequested())
            m_transform->setStopped(output, m_shape);
        return false;
    }
    endBlock();
    m_transform->setSortMessages(m_information, changed);
    // Said because the user did not choose it, and it is why the sort took
    // longer than one in memory.
    m_transform->addInformation(
        QStringLiteral("The rows took more than %1% of the memory limit: sorted in %2 runs on "
                       "disk (%3 MB in '%4')")
            .arg(MemoryShare)
            .arg(m_runs.size())
            .arg(qMax<qint64>(1, m_spilledBytes >> 20))
            .arg(QDir::toNativeSeparators(m_folder->parentPath())));
    return passOn();
}
