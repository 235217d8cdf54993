#include "transforms/analysis/pivotvalues.h"

#include "core/radixsort.h"
#include "core/spillfile.h"
#include "core/values.h"
#include "transforms/analysis/transformpivot.h"
#include "transforms/support/spillrows.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <numeric>
#include <queue>

namespace pivot {

namespace {

using Entry = SortedValues::Entry;

// What a held number costs: its entry, and its copy while a batch is sorted.
constexpr qint64 BytesPerNumber = 2 * qint64(sizeof(SortedValues::Held));
// What a held text costs beside its characters: its entries in the
// numbering and the list, and the text's header.
constexpr qint64 BytesPerText = 96;
// A value's pair, and the two keys per pair that sorting a kind's pairs
// takes.
constexpr qint64 BytesPerPair = 24;
// Entries a run is read in at a time (64 KiB), and merged between two
// reports of progress.
constexpr int ReadEntries = 4096;
// Bytes handed to a run's file at a time, between looks at a Stop.
constexpr qint64 WriteBytes = qint64(SpillStopRows) * qint64(sizeof(Entry));

// A run of entries sorted by group and value, read back a buffer at a time.
class RunReader
{
public:
    explicit RunReader(const QString& path) : m_file(path), m_entries(ReadEntries) { }

    bool open(QString* error)
    {
        if (m_file.open(QIODevice::ReadOnly))
            return next(error);
        *error = readError();
        return false;
    }
    // Moves to the next entry; false at the end, or with error set when
    // the file cannot be read.
    bool next(QString* error)
    {
        if (++m_at < m_size)
            return true;
        const qint64 read = m_file.read(
            reinterpret_cast<char*>(m_entries.data()), qint64(m_entries.size() * sizeof(Entry)));
        if (read < 0 || read % qint64(sizeof(Entry)) != 0) {
            *error = readError();
            return false;
        }
        m_at = 0;
        m_size = size_t(read) / sizeof(Entry);
        return m_size > 0;
    }
    const Entry& head() const { return m_entries[m_at]; }

private:
    QString readError() const
    {
        return QStringLiteral("Unable to read the temporary file '%1': %2")
            .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
    }

    QFile m_file;
    std::vector<Entry> m_entries;
    size_t m_at = 0;
    size_t m_size = 0;
};

// A kind's groups' figures, from their values in order of group and value:
// the median is read at the middle of a group's values (its count is
// known), the mode from its longest run of equal values, the smallest of
// equally long runs winning as it comes first.
class GroupFigures
{
public:
    GroupFigures(int kind, int function, const QHash<quint64, qint64>& counts, Dataset& output,
        const Side& rows, const Side& cols)
        : m_kind(kind),
          m_median(function == TransformPivot::Median),
          m_counts(counts),
          m_output(output),
          m_rows(rows),
          m_cols(cols)
    {
    }

    void add(const Entry& e)
    {
        if (m_index == 0 || e.key != m_key)
            start(e.key);
        if (m_index == (m_count - 1) / 2)
            m_low = e.value;
        if (m_index == m_count / 2)
            m_high = e.value;
        if (m_index == 0 || e.value != m_runValue) {
            m_runValue = e.value;
            m_run = 0;
        }
        if (++m_run > m_bestRun) {
            m_bestRun = m_run;
            m_best = e.value;
        }
        ++m_index;
    }
    void end()
    {
        if (m_index == 0)
            return;
        int row = 0;
        int column = 0;
        placeOf(m_kind, m_key, m_rows, m_cols, &row, &column);
        const double median = m_count % 2 ? m_high : (m_low + m_high) / 2.0;
        m_output.setValue(row, column, formatNumber(m_median ? median : m_best));
        m_index = 0;
    }

private:
    void start(quint64 key)
    {
        end();
        m_key = key;
        m_count = m_counts.value(key);
        m_bestRun = 0;
    }

    int m_kind;
    bool m_median;
    const QHash<quint64, qint64>& m_counts;
    Dataset& m_output;
    const Side& m_rows;
    const Side& m_cols;
    quint64 m_key = 0;
    qint64 m_count = 0;
    qint64 m_index = 0;
    double m_low = 0.0;
    double m_high = 0.0;
    double m_runValue = 0.0;
    qint64 m_run = 0;
    qint64 m_bestRun = 0;
    double m_best = 0.0;
};

} // namespace

void placeOf(int kind, quint64 key, const Side& rows, const Side& cols, int* row, int* column)
{
    const int r = int(key >> 32);
    const int c = int(key & 0xffffffffu);
    *row = kind == CellGroup || kind == RowTotalGroup ? rows.rank.at(r) : rows.headings.size();
    *column = kind == CellGroup || kind == ColumnTotalGroup ? cols.rank.at(c) + 1
                                                            : cols.headings.size() + 1;
}

std::vector<int> shownKinds(const Layout& layout)
{
    std::vector<int> kinds { CellGroup };
    // The total column holds each row's total, the total row each column's.
    if (layout.totalColumn)
        kinds.push_back(RowTotalGroup);
    if (layout.totalRow)
        kinds.push_back(ColumnTotalGroup);
    if (layout.totalRow && layout.totalColumn)
        kinds.push_back(GrandGroup);
    return kinds;
}

HeldValues::HeldValues(const Layout& layout, SpillBudget* budget)
    : m_kinds(shownKinds(layout)), m_budget(budget)
{
}

HeldValues::~HeldValues() = default;

QString HeldValues::diskLine() const
{
    return m_budget->partitionsLine(
        QStringLiteral("values"), doneOnDisk(), diskParts(), m_bytesOnDisk);
}

// Groups are far fewer than values: a counting sort puts each group's
// values together, in the order of the groups' keys, then each group's are
// sorted. Each group's count is added to those of earlier batches.
std::vector<Entry> SortedValues::sortedBy(int kind)
{
    const bool byRow = kind == CellGroup || kind == RowTotalGroup;
    const bool byColumn = kind == CellGroup || kind == ColumnTotalGroup;
    qint64 rowGroups = 1;
    qint64 width = 1;
    for (const Held& h : m_batch) {
        rowGroups = byRow ? qMax<qint64>(rowGroups, h.rowGroup + 1) : 1;
        width = byColumn ? qMax<qint64>(width, h.columnGroup + 1) : 1;
    }
    const auto indexOf = [&](const Held& h) {
        return size_t((byRow ? h.rowGroup : 0) * width + (byColumn ? h.columnGroup : 0));
    };
    std::vector<size_t> start(size_t(rowGroups * width) + 1, 0);
    for (const Held& h : m_batch)
        ++start[indexOf(h) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<Entry> sorted(m_batch.size());
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (const Held& h : m_batch)
        sorted[next[indexOf(h)]++] = { groupKey(kind, h.rowGroup, h.columnGroup), h.value };
    QHash<quint64, qint64>& counts = m_counts[size_t(kind)];
    for (size_t g = 0; g + 1 < start.size(); ++g) {
        if (start[g] == start[g + 1])
            continue;
        const auto from = sorted.begin() + qint64(start[g]);
        const auto to = sorted.begin() + qint64(start[g + 1]);
        std::sort(from, to, [](const Entry& a, const Entry& b) { return a.value < b.value; });
        counts[from->key] += qint64(start[g + 1] - start[g]);
    }
    return sorted;
}

bool SortedValues::endBlock(const HeldProgress& held)
{
    return !m_budget->exceeded(qint64(m_batch.size()) * BytesPerNumber) || writeRuns(held);
}

// The values so far as a run per kind of group, each sorted by group and
// value, and the values held start afresh.
bool SortedValues::writeRuns(const HeldProgress& held)
{
    if (m_batch.empty())
        return true;
    for (int kind : m_kinds) {
        const std::vector<Entry> sorted = sortedBy(kind);
        SpillWriter writer(m_budget->folder());
        if (!writer.open()) {
            m_error = writer.errorText();
            return false;
        }
        const char* bytes = reinterpret_cast<const char*>(sorted.data());
        const qint64 size = qint64(sorted.size() * sizeof(Entry));
        for (qint64 at = 0; at < size; at += WriteBytes) {
            if (held.stopped())
                return false;
            if (!writer.append(bytes + at, int(qMin(WriteBytes, size - at)))) {
                m_error = writer.errorText();
                return false;
            }
        }
        if (!writer.close()) {
            m_error = writer.errorText();
            return false;
        }
        m_files[size_t(kind)].append(writer.path());
        m_bytesOnDisk += size;
    }
    m_values += qint64(m_batch.size());
    m_batch.clear();
    ++m_runs;
    m_budget->addRun();
    return true;
}

bool SortedValues::fill(
    Dataset& output, int function, const Side& rows, const Side& cols, const HeldProgress& held)
{
    if (m_runs > 0) {
        if (!writeRuns(held))
            return false;
        std::vector<Held>().swap(m_batch);
        return fillFromDisk(output, function, rows, cols, held);
    }
    for (size_t k = 0; k < m_kinds.size(); ++k) {
        const int kind = m_kinds[k];
        const std::vector<Entry> sorted = sortedBy(kind);
        GroupFigures figures(kind, function, m_counts[size_t(kind)], output, rows, cols);
        for (const Entry& e : sorted)
            figures.add(e);
        figures.end();
        if (!held.progress(qreal(k + 1) / qreal(m_kinds.size())))
            return false;
    }
    return true;
}

// Each kind's runs merged: the least of the runs' next entries at every
// step, so that a group's values come in order whatever run they are in.
bool SortedValues::fillFromDisk(
    Dataset& output, int function, const Side& rows, const Side& cols, const HeldProgress& held)
{
    const qint64 total = qMax<qint64>(1, m_values * qint64(m_kinds.size()));
    qint64 merged = 0;
    for (int kind : m_kinds) {
        std::vector<std::unique_ptr<RunReader>> runs;
        const auto after = [&](size_t a, size_t b) {
            const Entry& x = runs[a]->head();
            const Entry& y = runs[b]->head();
            return y.key < x.key || (y.key == x.key && y.value < x.value);
        };
        std::priority_queue<size_t, std::vector<size_t>, decltype(after)> queue(after);
        for (const QString& path : qAsConst(m_files[size_t(kind)])) {
            runs.push_back(std::make_unique<RunReader>(path));
            if (runs.back()->open(&m_error))
                queue.push(runs.size() - 1);
            else if (!m_error.isEmpty())
                return false;
        }
        GroupFigures figures(kind, function, m_counts[size_t(kind)], output, rows, cols);
        while (!queue.empty()) {
            const size_t r = queue.top();
            queue.pop();
            figures.add(runs[r]->head());
            if (++merged % ReadEntries == 0 && !held.progress(qreal(merged) / total))
                return false;
            if (runs[r]->next(&m_error))
                queue.push(r);
            else if (!m_error.isEmpty())
                return false;
        }
        figures.end();
    }
    return true;
}

int DistinctValues::diskParts() const
{
    return SpillPartitionCount;
}

void DistinctValues::add(int rowGroup, int columnGroup, const QString& text)
{
    auto textId = m_textIds.find(text);
    if (textId == m_textIds.end()) {
        textId = m_textIds.insert(text, quint32(m_texts.size()));
        m_texts.append(text);
        m_bytes += BytesPerText + 2 * qint64(text.size());
    }
    const quint64 key = groupKey(CellGroup, rowGroup, columnGroup);
    auto cellId = m_cellIds.find(key);
    if (cellId == m_cellIds.end()) {
        cellId = m_cellIds.insert(key, quint32(m_cells.size()));
        m_cells.push_back(key);
    }
    m_pairs.push_back({ cellId.value(), textId.value() });
    m_bytes += BytesPerPair;
}

quint64 DistinctValues::groupKeyOf(int kind, quint32 group) const
{
    switch (kind) {
    case CellGroup:
        return m_cells[group];
    case RowTotalGroup:
        return groupKey(kind, int(group), 0);
    case ColumnTotalGroup:
        return groupKey(kind, 0, int(group));
    default:
        return 0;
    }
}

std::vector<quint64> DistinctValues::pairs(int kind) const
{
    // The text in the low bits, as few as the texts need: a radix sort of
    // keys of a few tens of bits takes a few passes.
    const int textBits = bitsFor(quint64(qMax(1, m_texts.size()) - 1));
    quint64 largest = 0;
    std::vector<quint64> pairs;
    pairs.reserve(m_pairs.size());
    for (const Pair& p : m_pairs) {
        const quint64 cell = m_cells[p.cell];
        quint64 group = 0;
        if (kind == CellGroup)
            group = p.cell;
        else if (kind == RowTotalGroup)
            group = cell >> 32;
        else if (kind == ColumnTotalGroup)
            group = cell & 0xffffffffu;
        pairs.push_back((group << textBits) | p.text);
        largest = qMax(largest, pairs.back());
    }
    radixSort(pairs, bitsFor(largest), [](quint64 pair) { return pair; });
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    for (quint64& pair : pairs) {
        const quint64 text = pair & ((quint64(1) << textBits) - 1);
        pair = ((pair >> textBits) << 32) | text;
    }
    return pairs;
}

bool DistinctValues::endBlock(const HeldProgress& held)
{
    return !m_budget->exceeded(m_bytes) || flush(held);
}

// The pairs so far go to their partitions, each once, with the text, and
// the texts held start afresh.
bool DistinctValues::flush(const HeldProgress& held)
{
    if (!m_parts) {
        m_parts = std::make_unique<SpillPartitions>(SpillPartitionCount);
        if (!m_parts->open(m_budget->folder())) {
            m_error = m_parts->errorText();
            return false;
        }
    }
    for (int kind : m_kinds) {
        for (const quint64 pair : pairs(kind)) {
            const QString& text = m_texts.at(int(pair & 0xffffffffu));
            const QString cells[3] = { QString::number(kind),
                QString::number(groupKeyOf(kind, quint32(pair >> 32))), text };
            const int part = int(qHash(text) % uint(SpillPartitionCount));
            SpillWriter::encodeCells(m_parts->queued(part), m_entries, cells, 3);
            if (++m_entries % SpillStopRows == 0 && (held.stopped() || !m_parts->flush())) {
                m_error = m_parts->errorText();
                return false;
            }
        }
    }
    m_textIds.clear();
    m_texts.clear();
    m_cellIds.clear();
    m_cells.clear();
    m_pairs.clear();
    m_bytes = 0;
    ++m_runs;
    m_budget->addRun();
    if (m_parts->flush())
        return true;
    m_error = m_parts->errorText();
    return false;
}

// A partition's texts counted once per group: a text met in several
// flushes is one text.
bool DistinctValues::countPartitions(const HeldProgress& held)
{
    if (!flush(held))
        return false;
    if (!m_parts->close()) {
        m_error = m_parts->errorText();
        return false;
    }
    m_bytesOnDisk = m_parts->bytesOnDisk();
    for (int p = 0; p < m_parts->count(); ++p) {
        SpillReader reader(m_parts->path(p));
        if (!reader.open()) {
            m_error = reader.errorText();
            return false;
        }
        std::vector<QHash<quint64, QSet<QString>>> texts(GroupKinds);
        qint64 entry = 0;
        QVector<SpillReader::Cell> cells;
        while (reader.next(&entry, &cells)) {
            texts[size_t(cells.at(0).text().toInt())][cells.at(1).text().toULongLong()].insert(
                cells.at(2).text());
        }
        if (!reader.errorText().isEmpty()) {
            m_error = reader.errorText();
            return false;
        }
        QFile::remove(m_parts->path(p));
        for (int kind : m_kinds) {
            const QHash<quint64, QSet<QString>>& groups = texts[size_t(kind)];
            for (auto it = groups.cbegin(); it != groups.cend(); ++it)
                m_counts[size_t(kind)][it.key()] += it.value().size();
        }
        if (!held.progress(qreal(p + 1) / m_parts->count()))
            return false;
    }
    return true;
}

bool DistinctValues::fill(
    Dataset& output, int function, const Side& rows, const Side& cols, const HeldProgress& held)
{
    Q_UNUSED(function)
    if (m_parts) {
        if (!countPartitions(held))
            return false;
    } else {
        for (int kind : m_kinds) {
            QHash<quint64, qint64>& counts = m_counts[size_t(kind)];
            for (const quint64 pair : pairs(kind))
                ++counts[groupKeyOf(kind, quint32(pair >> 32))];
        }
    }
    for (int kind : m_kinds) {
        const QHash<quint64, qint64>& counts = m_counts[size_t(kind)];
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            int row = 0;
            int column = 0;
            placeOf(kind, it.key(), rows, cols, &row, &column);
            output.setValue(row, column, QString::number(it.value()));
        }
    }
    return true;
}

} // namespace pivot
