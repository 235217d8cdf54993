#include "transforms/support/spillrows.h"

#include "core/enginesettings.h"
#include "core/memorylimit.h"
#include "core/parallel.h"
#include "core/runcontext.h"

#include <QDir>
#include <QFileInfo>

#include <limits>
#include <queue>
#include <vector>

SpillBudget::SpillBudget(RunContext* context, int share) : m_context(context), m_share(share)
{
    const double gigabytes = context ? context->settings().maxMemoryUsage() : 4.0;
    m_bytes = qint64(gigabytes * (1 << 30) * share / 100);
}

SpillBudget::~SpillBudget() = default;

bool SpillBudget::exceeded(qint64 bytes) const
{
    if (bytes >= m_bytes)
        return true;
    // Where the status bar's gauge warns.
    return bytes >= m_bytes / 16 && m_context
        && MemoryLimit::gaugeWarns(
            m_context->measureMemoryGB(), m_context->settings().maxMemoryUsage());
}

void SpillingConsumer::finish(Dataset& output)
{
    finishInBlocks(output, std::numeric_limits<int>::max(), [] { return true; });
}

bool SpillStep::stopped() const
{
    return m_context && m_context->stopRequested();
}

bool SpillStep::progress(qreal fraction)
{
    emit m_step->processed(fraction);
    return !stopped();
}

bool SpillStep::ended(bool done, const QString& stoppedLine)
{
    if (!done && m_failure.isEmpty() && stopped())
        m_step->addWarning(stoppedLine);
    return done;
}

bool SpillBudget::hold(Dataset& held, const Dataset& rows) const
{
    if (held.hasColumns())
        held.appendRows(rows);
    else
        held = rows;
    return exceeded(held.bytesUsed());
}

SpillFolder* SpillBudget::folder()
{
    if (!m_folder) {
        m_folder = std::make_unique<SpillFolder>(m_context ? m_context->tempFolder() : QString());
        if (m_context)
            m_folder->setCapacity(m_context->spillCapacity());
    }
    return m_folder.get();
}

void SpillBudget::dropFolder()
{
    m_folder.reset();
}

void SpillBudget::addRun()
{
    if (m_context)
        m_context->addSpilledRun();
}

QString SpillBudget::where()
{
    return QDir::toNativeSeparators(folder()->parentPath());
}

QString SpillBudget::partitionsLine(
    const QString& what, const QString& done, int parts, qint64 bytes)
{
    return QStringLiteral("The %1 took more than %2% of the memory limit: %3 on disk in %4 parts "
                          "(%5 MB in '%6')")
        .arg(what)
        .arg(m_share)
        .arg(done)
        .arg(parts)
        .arg(qMax<qint64>(1, bytes >> 20))
        .arg(where());
}

// The rows are encoded in the table's order, slices of them on both cores,
// where their texts lie one after another in memory; then the encoded rows
// are copied out in the order asked for, one jump per row instead of one per
// cell (reading the texts themselves in sorted order, from all over the
// table, took several times as long).
bool writeSpillRows(const Dataset& rows, qint64 firstRow, const QVector<int>& order,
    SpillWriter* writer, const std::function<bool()>& stopped)
{
    constexpr int SliceRows = 1 << 16;
    const int count = rows.rowCount();
    const int slices = (count + SliceRows - 1) / SliceRows;
    std::vector<QByteArray> encoded(static_cast<size_t>(slices));
    std::vector<int> starts(order.isEmpty() ? 0 : static_cast<size_t>(count));
    RowReader readers[2] = { RowReader(rows), RowReader(rows) };
    const auto encodeSlice = [&](int half, int slice) {
        RowReader& reader = readers[half];
        QByteArray& out = encoded[size_t(slice)];
        const int to = qMin(count, (slice + 1) * SliceRows);
        for (int r = slice * SliceRows; r < to; ++r) {
            if (!starts.empty())
                starts[size_t(r)] = out.size();
            reader.setRow(r);
            SpillWriter::encodeRow(out, firstRow + r, reader);
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
        if (stopped())
            return false;
        // In the table's order the slices go out whole, as they are made.
        for (int s = slice; order.isEmpty() && s < slice + (pair ? 2 : 1); ++s) {
            if (!writer->append(encoded[size_t(s)]))
                return false;
            encoded[size_t(s)] = QByteArray();
        }
    }
    for (int i = 0; i < order.size(); ++i) {
        const int r = order.at(i);
        const QByteArray& slice = encoded[size_t(r / SliceRows)];
        const bool lastOfSlice = r + 1 == count || (r + 1) % SliceRows == 0;
        const int begin = starts[size_t(r)];
        const int end = lastOfSlice ? slice.size() : starts[size_t(r) + 1];
        if (!writer->append(slice.constData() + begin, end - begin))
            return false;
        if (i % SliceRows == 0 && stopped())
            return false;
    }
    return true;
}

bool SpillPartitions::open(SpillFolder* folder)
{
    for (int p = 0; p < count(); ++p) {
        m_files.push_back(std::make_unique<SpillWriter>(folder));
        if (!m_files.back()->open()) {
            m_error = m_files.back()->errorText();
            return false;
        }
        m_paths.append(m_files.back()->path());
    }
    return true;
}

bool SpillPartitions::flush()
{
    for (size_t p = 0; p < m_files.size(); ++p) {
        if (!m_files[p]->append(m_queued[p])) {
            m_error = m_files[p]->errorText();
            return false;
        }
        m_queued[p].resize(0);
    }
    return true;
}

bool SpillPartitions::close()
{
    bool closed = flush();
    for (const auto& file : m_files) {
        if (!file->close() && closed) {
            m_error = file->errorText();
            closed = false;
        }
    }
    return closed;
}

qint64 SpillPartitions::bytesOnDisk() const
{
    qint64 bytes = 0;
    for (const QString& path : m_paths)
        bytes += QFileInfo(path).size();
    return bytes;
}

void SpilledBlocks::setShape(const Dataset& rows)
{
    m_shape.setPooling(false);
    m_shape.setColumnCount(rows.columnCount());
    m_shape.setHasHeader(rows.hasHeader());
    m_shape.setHeader(rows.header());
    m_shape.setColumnIds(rows.columnIds());
}

void SpilledBlocks::start(int reserve)
{
    m_columns = QVector<TextColumn>(m_shape.columnCount(), TextColumn(false));
    for (TextColumn& column : m_columns)
        column.reserve(reserve);
    m_rows = 0;
}

void SpilledBlocks::append(const QVector<SpillReader::Cell>& cells)
{
    for (int c = 0; c < m_columns.size(); ++c) {
        if (c < cells.size())
            cells.at(c).appendTo(m_columns[c]);
        else
            m_columns[c].appendEmpty(1);
    }
    ++m_rows;
}

bool SpilledBlocks::appendAfterFull(const QVector<SpillReader::Cell>& cells, int blockRows,
    int reserve, Dataset& output, const std::function<bool()>& passOn)
{
    if (m_rows == blockRows) {
        end(output);
        if (!passOn())
            return false;
        start(reserve);
    }
    append(cells);
    return true;
}

void SpilledBlocks::end(Dataset& output)
{
    output = m_shape;
    output.setColumns(std::move(m_columns), m_rows);
    m_columns.clear();
    m_rows = 0;
}

bool PartitionMerge::next(Head& head)
{
    if (!head.reader->next(&head.row, &head.cells)) {
        m_error = head.reader->errorText();
        return false;
    }
    if (m_prepare)
        m_prepare(head);
    return true;
}

bool PartitionMerge::merge(const SpillPartitions& parts, qint64 total, SpilledBlocks& blocks,
    int blockRows, Dataset& output, const std::function<bool()>& passOn,
    const std::function<bool(qreal)>& progress)
{
    std::vector<Head> heads(static_cast<size_t>(parts.count()));
    const auto after = [&](int a, int b) { return m_before(heads[size_t(b)], heads[size_t(a)]); };
    std::priority_queue<int, std::vector<int>, decltype(after)> queue(after);
    for (int p = 0; p < parts.count(); ++p) {
        Head& head = heads[size_t(p)];
        head.reader = std::make_unique<SpillReader>(parts.path(p));
        if (!head.reader->open()) {
            m_error = head.reader->errorText();
            return false;
        }
        if (next(head))
            queue.push(p);
        else if (!m_error.isEmpty())
            return false;
    }
    const int reserve = int(qMin<qint64>(blockRows, total));
    qint64 merged = 0;
    blocks.start(reserve);
    while (!queue.empty()) {
        const int p = queue.top();
        queue.pop();
        Head& head = heads[size_t(p)];
        if (!blocks.appendAfterFull(head.cells, blockRows, reserve, output, passOn))
            return false;
        if (++merged % 1000 == 0 && !progress(qreal(merged) / total))
            return false;
        if (next(head))
            queue.push(p);
        else if (!m_error.isEmpty())
            return false;
    }
    blocks.end(output);
    return true;
}
