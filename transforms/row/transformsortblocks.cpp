// Sort taking a file's rows in blocks. While the rows fit in its share of
// the memory limit they are sorted whole at the end, as process() sorts
// them. Past that share they go to disk in sorted runs and the runs are
// merged, block by block, into the same order the whole table would get: a
// file larger than memory sorts.

#include "core/dataset.h"
#include "core/runcontext.h"
#include "core/spillfile.h"
#include "transforms/row/transformsort.h"
#include "transforms/support/datasetsort.h"
#include "transforms/support/spillrows.h"

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

// The share of the memory limit, in percent, the rows may take in memory:
// writing a run needs about as much again (the rows encoded for the disk,
// the ranks, the order), and other items hold memory too. A sort held in
// memory takes about half the time of one that spills: ten million rows of
// the benchmark's file (1.1 GB) fit under the default limit, and a hundred
// million spill with the process under 3 GB.
constexpr int MemoryShare = 35;

} // namespace

class SortBlocks : public RowBlockConsumer
{
public:
    SortBlocks(TransformSort* transform, const QVector<int>& keys, const SortOptions& options)
        : m_transform(transform),
          m_keys(keys),
          m_options(options),
          m_budget(transform->runContext(), MemoryShare)
    {
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
    bool spill();
    bool merge(Dataset& output, int blockRows, const std::function<bool()>& passOn);

    TransformSort* m_transform;
    QVector<int> m_keys;
    SortOptions m_options;
    SpillBudget m_budget;
    // The rows not yet on disk, the first of them the table's row m_firstRow.
    Dataset m_rows;
    qint64 m_firstRow = 0;
    // The merged blocks.
    SpilledBlocks m_blocks;
    // Per key, the values seen in the rows looked at so far, until the
    // kinds are settled.
    QVector<int> m_valuesSeen;
    QVector<int> m_rowsLookedAt;
    bool m_kindsSettled = false;
    QVector<SortKeyInfo> m_kinds;
    QStringList m_information;
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
    if (!m_blocks.hasShape())
        m_blocks.setShape(rows);
    if (!m_budget.hold(m_rows, rows))
        return true;
    return !kindsKnown() || spill();
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
    DatasetSorter sorter(m_rows, m_keys, m_options);
    sorter.useKinds(m_kinds);
    if (!sorter.sort([this](int, int) { return !m_transform->stopRequested(); }))
        return false;
    SpillWriter writer(m_budget.folder());
    const bool written = writer.open()
        && writeSpillRows(m_rows, m_firstRow, sorter.order(), &writer,
            [this] { return m_transform->stopRequested(); });
    if (!written || !writer.close()) {
        m_failure = writer.errorText();
        return false;
    }
    m_runs.append(writer.path());
    m_spilledBytes += QFileInfo(writer.path()).size();
    m_budget.addRun();
    m_firstRow += m_rows.rowCount();
    m_rows.clear();
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
            m_transform->setStopped(output, m_blocks.shape());
        return false;
    }
    m_rows.clear();
    const bool merged = merge(output, blockRows, passOn);
    m_budget.dropFolder();
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
    const int columnCount = m_blocks.shape().columnCount();
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
    const int total = int(m_firstRow);
    qint64 expected = 0;
    bool changed = false;
    bool passed = true;
    int done = 0;
    m_blocks.start(qMin(blockRows, int(m_firstRow)));
    while (!queue.empty() && passed) {
        const int run = queue.top();
        queue.pop();
        Head& head = heads[size_t(run)];
        changed = changed || head.key.row != expected;
        expected = head.key.row + 1;
        m_blocks.append(head.cells);
        if (!advance(run)) {
            m_failure = readers[size_t(run)]->errorText();
            return false;
        }
        if (!m_transform->reportProgress(++done, total)) {
            m_transform->setStopped(output, m_blocks.shape());
            return false;
        }
        if (m_blocks.rows() >= blockRows && !queue.empty()) {
            m_blocks.end(output);
            passed = passOn();
            m_blocks.start(qMin(blockRows, int(m_firstRow)));
        }
    }
    if (!passed) {
        if (m_transform->stopRequested())
            m_transform->setStopped(output, m_blocks.shape());
        return false;
    }
    m_blocks.end(output);
    m_transform->setSortMessages(m_information, changed);
    // Said because the user did not choose it, and it is why the sort took
    // longer than one in memory.
    m_transform->addInformation(
        QStringLiteral("The rows took more than %1% of the memory limit: sorted in %2 runs on "
                       "disk (%3 MB in '%4')")
            .arg(MemoryShare)
            .arg(m_runs.size())
            .arg(qMax<qint64>(1, m_spilledBytes >> 20))
            .arg(m_budget.where()));
    return passOn();
}
