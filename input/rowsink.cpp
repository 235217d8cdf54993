#include "input/rowsink.h"

#include "core/values.h"
#include "input/charscan.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

bool allEmpty(const QStringList& row)
{
    return std::all_of(
        row.cbegin(), row.cend(), [](const QString& value) { return value.isEmpty(); });
}

// A field buffer that once held a huge value gives its memory back rather
// than keeping it for the rest of the read.
constexpr int KeptBufferCapacity = 1 << 16;

inline bool isOtherSpace(QChar c)
{
    const ushort u = c.unicode();
    if (u == ' ')
        return false;
    if (u < 0x80)
        return u >= 0x09 && u <= 0x0d;
    return c.isSpace();
}

inline bool isAsciiSpace(char c)
{
    return c == ' ' || (c >= 0x09 && c <= 0x0d);
}

// The high bit of each byte of the word that is a tab, line feed, vertical
// tab, form feed or carriage return (0x09 to 0x0d), and of no other: each
// byte is worked out on its own seven low bits, so no carry crosses bytes.
inline quint64 controlSpaceBytes(quint64 word)
{
    constexpr quint64 ones = ~quint64(0) / 255;
    constexpr quint64 high = ones * 128;
    const quint64 low = word & (ones * 127);
    return (ones * (127 + 0x0e) - low) & ~word & (low + ones * (127 - 0x08)) & high;
}

} // namespace

// The byte forms of the cleaning steps, for ASCII text.
void trimRange(const char** bytes, int* count)
{
    while (*count > 0 && isAsciiSpace(**bytes)) {
        ++*bytes;
        --*count;
    }
    while (*count > 0 && isAsciiSpace((*bytes)[*count - 1]))
        --*count;
}

// Every value goes through here: eight bytes at a time, the last eight of a
// longer value read once more rather than one by one.
int firstToSimplify(const char* bytes, int count)
{
    int i = 0;
    quint64 word;
    for (; i + 8 <= count; i += 8) {
        std::memcpy(&word, bytes + i, 8);
        if (const quint64 found = controlSpaceBytes(qFromLittleEndian(word)))
            return i + qCountTrailingZeroBits(found) / 8;
    }
    if (i == count)
        return count;
    if (count >= 8) {
        std::memcpy(&word, bytes + count - 8, 8);
        const quint64 found = controlSpaceBytes(qFromLittleEndian(word));
        return found ? count - 8 + int(qCountTrailingZeroBits(found) / 8) : count;
    }
    while (i < count && uchar(bytes[i] - 0x09) > 0x04)
        ++i;
    return i;
}

QString simplified(const char* bytes, int count, int from)
{
    const QString wide = QString::fromLatin1(bytes, count);
    return simplified(wide.constData(), count, from);
}

void trimRange(const QChar** chars, int* count)
{
    while (*count > 0 && (*chars)->isSpace()) {
        ++*chars;
        --*count;
    }
    while (*count > 0 && (*chars)[*count - 1].isSpace())
        --*count;
}

// Where simplifying would change something, or count when it would not.
int firstToSimplify(const QChar* chars, int count)
{
    // Printable ASCII needs no change, and it is nearly all there is; only
    // the rest is looked at closely.
    int i = int(findNonPrintableAscii(chars, chars + count) - chars);
    while (i < count && !isOtherSpace(chars[i]))
        ++i;
    return i;
}

QString simplified(const QChar* chars, int count, int from)
{
    QString value;
    value.reserve(count);
    value.append(chars, from);
    for (int i = from; i < count; ++i) {
        const QChar c = chars[i];
        if (c == QLatin1Char('\r'))
            continue;
        value.append(isOtherSpace(c) ? QChar(QLatin1Char(' ')) : c);
    }
    return value;
}

void FieldBuilder::clear()
{
    m_run = nullptr;
    m_runLength = 0;
    if (!m_buffered)
        return;
    m_buffered = false;
    if (m_buffer.capacity() > KeptBufferCapacity)
        m_buffer = QString();
    else
        m_buffer.resize(0);
}

void FieldBuilder::moveRunToBuffer()
{
    m_buffer.resize(0);
    if (m_buffer.capacity() < 256)
        m_buffer.reserve(256);
    if (m_runBytes)
        appendToBuffer(static_cast<const char*>(m_run), m_runLength);
    else
        appendToBuffer(static_cast<const QChar*>(m_run), m_runLength);
    m_run = nullptr;
    m_runLength = 0;
    m_buffered = true;
}

RowSink::RowSink(Dataset* dataset, const ReadOptions& options)
    : m_dataset(dataset),
      m_ignoredFirstRows(qMax(0, options.ignoredFirstRows)),
      m_ignoreEmptyRows(options.ignoreEmptyRows),
      m_trim(options.trimWhitespace),
      m_simplify(options.simplifyWhitespace),
      m_pooling(options.pooling),
      m_runTexts(options.runTexts),
      m_arena(m_runTexts ? m_runTexts->newArena() : nullptr),
      m_handOver(options.handOver),
      m_poolValues(options.handOver.isOn() ? options.handOver.poolValues : 0),
      m_headerOption(options.hasHeader),
      m_firstRows(options.firstRows)
{
    // A chunk's collector has no Dataset of its own.
    if (m_dataset)
        m_dataset->setPooling(options.pooling);
}

RowSink RowSink::collectorFor(
    const RowSink& target, const std::vector<ValuePool>* seed, bool atTextStart)
{
    // Rows are counted, ignored or kept where they are taken, in text order.
    ReadOptions options;
    options.ignoredFirstRows = 0;
    options.ignoreEmptyRows = false;
    options.trimWhitespace = target.m_trim;
    options.simplifyWhitespace = target.m_simplify;
    // Each chunk's thread makes texts in an arena of its own.
    options.runTexts = target.m_runTexts;
    RowSink collector(nullptr, options);
    collector.m_pooling = target.m_pooling;
    // Only the first chunk holds the rows before the header and the header.
    collector.useColumns(target.m_use, atTextStart ? target.m_leaveOutFrom : 0);
    collector.m_lean = collector.m_pooling && !collector.m_rowTest;
    collector.m_poolValues = target.m_poolValues;
    if (seed)
        seedPools(&collector.m_pools, *seed, collector.m_arena, collector.m_poolValues);
    collector.m_plainColumns = target.plainColumns();
    retirePools(&collector.m_pools, collector.m_plainColumns);
    return collector;
}

QVector<bool> RowSink::plainColumns() const
{
    return m_dataset ? m_dataset->plainColumns() : QVector<bool>();
}

void RowSink::addPools(int lastColumn)
{
    growPools(&m_pools, size_t(lastColumn) + 1, m_arena, m_poolValues);
    retirePools(&m_pools, m_plainColumns);
}

void RowSink::addField(FieldBuilder* field)
{
    if (field->isBytes())
        addRun(field->bytes(), field->size(), false);
    else
        addRun(field->data(), field->size(), field->isBuffered());
    field->clear();
}

void RowSink::useColumns(const ColumnUse& use, qint64 fromRow)
{
    m_use = use;
    m_leaveOutFrom = fromRow;
    m_leftOut.clear();
    m_deferred.clear();
    m_rowTest = nullptr;
    if (use.everyColumn())
        return;
    const QVector<bool> anyRow = use.anyRow();
    for (bool read : anyRow)
        m_leftOut.append(!read);
    // Values wait for the test only where they are pooled: elsewhere they
    // are made as they are parsed.
    if (!use.makeRowTest || !m_pooling)
        return;
    m_rowTest = use.makeRowTest();
    for (int c = 0; c < anyRow.size(); ++c)
        m_deferred.append(anyRow.at(c) && !use.columns.at(c));
}

// Static text: copies of it share it without counting references.
const QString RowSink::s_unread = QStringLiteral("<not read>");

template <typename Char> QString RowSink::cleanText(const Char* chars, int count) const
{
    const int from = m_simplify ? firstToSimplify(chars, count) : count;
    return from < count ? simplified(chars, count, from) : makeText(chars, count);
}

template <typename Char>
void RowSink::addRun(const Char* chars, int count, bool buffered, bool nothingToSimplify)
{
    const int column = this->column();
    if (leavesOut(column)) {
        addUnread(chars, count);
        return;
    }
    if (m_trim)
        trimRange(&chars, &count);
    // A value the row test may drop waits as it is: most are never made, so
    // looking for characters to simplify would be wasted on them.
    if (!buffered && count > 0 && defers(column)) {
        addWaiting(chars, count).deferred = true;
        return;
    }
    const int from = m_simplify && !nothingToSimplify ? firstToSimplify(chars, count) : count;
    if (!m_pooling) {
        appendValue(from < count ? simplified(chars, count, from) : makeText(chars, count));
    } else if (from < count || count == 0 || buffered) {
        // Made now: the characters will not stay where they are.
        addMade(from < count ? simplified(chars, count, from) : makeText(chars, count)).deferred
            = defers(column);
    } else if (ValuePool& pool = poolFor(column); pool.isRetired()) {
        if (!writesColumns() || testReads(column)) {
            addMade(makeText(chars, count));
            return;
        }
        addWaiting(chars, count).plain = true;
    } else {
        const uint hash = hashOf(chars, count);
        pool.prefetch(hash);
        addWaiting(chars, count).hash = hash;
    }
}

template <typename Char> RowSink::PendingField& RowSink::addWaiting(const Char* chars, int count)
{
    if (!m_lean)
        m_row.append(QString());
    // Filled in place: a copy of a field built on the stack is read back
    // before its stores have landed, which stalls.
    PendingField& pending = m_pending.emplace_back();
    pending.chars = chars;
    pending.count = count;
    pending.bytes = sizeof(Char) == 1;
    return pending;
}

void RowSink::appendValue(QString&& text)
{
    // The list only copies, and a copy of a text is an atomic increment
    // and the temporary's destruction a decrement: a null one costs
    // neither.
    m_row.append(QString());
    m_row.last().swap(text);
}

RowSink::PendingField& RowSink::addMade(QString&& text)
{
    PendingField& pending = m_pending.emplace_back();
    keepMade(&pending, std::move(text));
    return pending;
}

// In the field's own place when the list has one (a field made later, see
// releaseBlock), else after the values before.
void RowSink::keepMade(PendingField* field, QString&& text)
{
    const int place = int(field - m_pending.data());
    if (!m_lean && place < m_row.size()) {
        m_row[place].swap(text);
        return;
    }
    appendValue(std::move(text));
    if (m_lean)
        field->value = m_row.size() - 1;
}

void RowSink::releaseBlock()
{
    flush();
    // Only the fields since the last release can point into the block; a
    // row of a million fields spans many blocks.
    for (size_t i = m_released; i < m_pending.size(); ++i) {
        PendingField& pending = m_pending[i];
        if (pending.chars) {
            // A value waiting for the row test is not simplified yet.
            keepMade(&pending, pending.withChars([this](auto* chars, int count) {
                return cleanText(chars, count);
            }));
            pending.chars = nullptr;
            pending.bytes = false;
            pending.plain = false;
        }
    }
    m_released = m_pending.size();
}

void RowSink::prefetchTexts(const WaitingRow& waiting) const
{
    for (size_t i = 0; i < waiting.pending.size(); ++i) {
        const PendingField& pending = waiting.pending[i];
        if (pending.chars && !pending.deferred && !pending.plain)
            m_pools[i].prefetchText(pending.hash);
    }
}

bool RowSink::internRow(WaitingRow* waiting)
{
    const bool direct = writesColumns();
    for (size_t i = 0; i < waiting->pending.size(); ++i) {
        PendingField& pending = waiting->pending[i];
        if (pending.deferred || pending.unread || pending.plain)
            continue;
        const uint hash = pending.hash;
        if (direct && pending.chars) {
            // The characters stay where they are until the row is encoded.
            pending.entry = pending.withChars(
                [&](auto* chars, int count) { return m_pools[i].entry(chars, count, hash); });
            pending.plain = !pending.entry;
            // The row test reads its columns' values as texts.
            if (testReads(int(i)))
                waiting->row[int(i)] = pending.entry
                    ? pending.entry->text
                    : pending.withChars(
                        [](auto* chars, int count) { return makeText(chars, count); });
        } else if (pending.chars) {
            waiting->row[int(i)] = pending.withChars(
                [&](auto* chars, int count) { return m_pools[i].intern(chars, count, hash); });
        } else if (QString& value = waiting->row[madePlace(pending, int(i))]; !value.isEmpty()) {
            value = poolFor(int(i)).intern(value);
        }
    }
    return !m_rowTest || settleDeferred(&waiting->row, &waiting->pending);
}

// The row's other values are all made by now, the test's among them. False
// when the test drops the row: its waiting values are then made only as far
// as telling an empty row apart takes.
bool RowSink::settleDeferred(QStringList* row, std::vector<PendingField>* pending)
{
    bool tested = false;
    bool kept = false;
    for (size_t i = 0; i < pending->size(); ++i) {
        PendingField& field = (*pending)[i];
        if (!field.deferred)
            continue;
        if (!tested) {
            kept = m_rowTest(*row);
            tested = true;
        }
        const int column = int(i);
        if (!kept && field.chars) {
            // A dropped row only counts: its waiting value stays unmade, the
            // placeholder standing in where it held something.
            if (field.withChars(
                    [this](auto* chars, int count) { return holdsValue(chars, count); }))
                (*row)[column] = unreadValue();
            field.deferred = false;
            field.chars = nullptr;
            continue;
        }
        QString& value = (*row)[column];
        // Past here a value still waiting is one of a kept row.
        if (field.chars && writesColumns() && field.withChars([&](auto* chars, int) {
                return settleInPlace(&field, chars, column);
            })) {
            field.deferred = false;
            continue;
        }
        if (!field.chars) {
            // Made already, as the characters could not wait.
            if (!kept)
                value = value.isEmpty() ? QString() : unreadValue();
            else if (!value.isEmpty())
                value = poolFor(column).intern(value);
        } else {
            value = field.withChars(
                [&](auto* chars, int count) { return settled(chars, count, column); });
        }
        field.deferred = false;
        field.chars = nullptr;
    }
    return !tested || kept;
}

// A kept row's waiting value that a collector takes into its column from the
// characters (see PendingField); false when the value must be made first
// (simplifying changes it).
template <typename Char>
bool RowSink::settleInPlace(PendingField* field, const Char* chars, int column)
{
    const int count = field->count;
    if (m_simplify && firstToSimplify(chars, count) < count)
        return false;
    ValuePool& pool = poolFor(column);
    field->entry = pool.isRetired() ? nullptr : pool.entry(chars, count, hashOf(chars, count));
    field->plain = !field->entry;
    return true;
}

// A waiting value (trimmed, not yet simplified) once the test keeps its row.
template <typename Char> QString RowSink::settled(const Char* chars, int count, int column)
{
    ValuePool& pool = poolFor(column);
    const int from = m_simplify ? firstToSimplify(chars, count) : count;
    if (from < count) {
        const QString value = simplified(chars, count, from);
        return value.isEmpty() ? value : pool.intern(value);
    }
    return pool.isRetired() ? makeText(chars, count)
                            : pool.intern(chars, count, hashOf(chars, count));
}

void RowSink::takeFirstWaiting()
{
    WaitingRow& first = m_waiting[m_firstWaiting];
    const bool kept = internRow(&first);
    deliver(&first.row, first.pending, !kept);
    first.pending.clear();
    m_firstWaiting = (m_firstWaiting + 1) % WaitingRows;
    --m_waitingCount;
}

void RowSink::flush()
{
    while (m_waitingCount > 0)
        takeFirstWaiting();
}

void RowSink::endRow()
{
    ++m_rowsEnded;
    m_rowRoom = m_row.size();
    if (m_pooling) {
        WaitingRow& last = m_waiting[(m_firstWaiting + m_waitingCount) % WaitingRows];
        last.row.swap(m_row);
        // The emptied vector of a taken row becomes the next one's.
        last.pending.swap(m_pending);
        m_released = 0;
        if (++m_waitingCount >= 2)
            prefetchTexts(m_waiting[(m_firstWaiting + m_waitingCount - 2) % WaitingRows]);
        if (m_waitingCount == WaitingRows)
            takeFirstWaiting();
    } else {
        deliver(&m_row, m_pending, false);
        m_pending.clear();
    }
    startRow();
}

// The lists of rows are made a batch at a time rather than one between each
// row's values. Made together, they fill the allocator's blocks by
// themselves; made one by one, each block would also hold texts of the same
// size class (e-mail addresses beside ten-value rows). When a later step
// grows the rows in place (see Calculate), their old lists free whole
// blocks that go back to the system, not holes between texts that still
// count: the pivot job peaked at 397 MiB instead of 476.
void RowSink::startRow()
{
    // A collector's rows are encoded and emptied, and their lists reused.
    if (!m_dataset)
        return;
    // A row of another length than the batch's gets a list of its own, so
    // that ragged rows do not throw whole batches away; a new length that
    // lasts gets batches of its own.
    if (m_spareLength != m_rowRoom && ++m_otherLengthRows < MinSpareRows) {
        m_row = QStringList();
        m_row.reserve(m_rowRoom);
        return;
    }
    if (m_nextSpare == m_spareRows.size() || m_spareLength != m_rowRoom) {
        // Small files make small batches.
        const size_t batch = qBound<size_t>(MinSpareRows, m_spareRows.size() * 2, MaxSpareRows);
        m_spareRows.resize(batch);
        m_spareLength = m_rowRoom;
        for (QStringList& spare : m_spareRows) {
            spare = QStringList();
            spare.reserve(m_rowRoom);
        }
        m_nextSpare = 0;
    }
    m_otherLengthRows = 0;
    m_row = std::move(m_spareRows[m_nextSpare++]);
}

void RowSink::deliver(QStringList* row, const std::vector<PendingField>& pending, bool dropped)
{
    if (!m_dataset) {
        if (dropped) {
            addEndedRow(row->size(), allEmpty(*row), true);
        } else {
            encodeRow(*row, pending);
        }
        // Emptied in place, so that the list's room serves a later row.
        row->erase(row->begin(), row->end());
        return;
    }
    if (m_physicalRows++ >= m_ignoredFirstRows)
        takeRow(std::move(*row), dropped);
    *row = QStringList();
}

void RowSink::takeRowsOf(RowSink* collector)
{
    collector->flush();
    takeEncodedRows(collector);
}

void RowSink::addEncodedColumns(int count)
{
    for (int c = m_encoded.size(); c < count; ++c) {
        const bool plain = c < m_plainColumns.size() && m_plainColumns.at(c);
        TextColumn column(m_pooling && !plain);
        column.appendEmpty(m_encodedRows);
        m_encoded.append(column);
    }
    m_unreadRuns.resize(size_t(m_encoded.size()));
}

void RowSink::encodeRow(const QStringList& row, const std::vector<PendingField>& pending)
{
    // A lean row holds only the values made (see PendingField::value).
    const int length = m_lean ? int(pending.size()) : row.size();
    if (length > m_encoded.size())
        addEncodedColumns(length);
    TextColumn* columns = m_encoded.data();
    UnreadRun* runs = m_unreadRuns.data();
    bool empty = true;
    for (int c = 0; c < length; ++c) {
        const PendingField* field = size_t(c) < pending.size() ? &pending[size_t(c)] : nullptr;
        if (field && field->unread && field->count > 0 && runs[c].code != 0) {
            ++runs[c].rows;
            empty = false;
            continue;
        }
        if (runs[c].rows > 0)
            endUnreadRun(&columns[c], &runs[c]);
        if (field && field->entry) {
            field->entry->appendTo(&columns[c]);
            empty = false;
        } else if (field && field->plain) {
            if (field->bytes)
                columns[c].appendLatin1(static_cast<const char*>(field->chars), field->count);
            else
                columns[c].append(static_cast<const QChar*>(field->chars), field->count);
            empty = false;
        } else if (field && field->unread) {
            const bool holds = field->count > 0;
            appendUnread(&columns[c], c, holds);
            empty = empty && !holds;
        } else {
            const QString& value = row.at(field ? madePlace(*field, c) : c);
            empty = empty && value.isEmpty();
            if (m_pooling)
                columns[c].appendPooled(value);
            else
                columns[c].append(value);
        }
    }
    for (int c = length; c < m_encoded.size(); ++c) {
        if (runs[c].rows > 0)
            endUnreadRun(&columns[c], &runs[c]);
        columns[c].appendEmpty(1);
    }
    ++m_encodedRows;
    addEndedRow(length, empty, false);
}

// Most values of a column left out are its placeholder: once it has a code
// in the column, a run of them goes in at once by the code (see encodeRow).
void RowSink::appendUnread(TextColumn* column, int c, bool holds)
{
    if (holds)
        m_unreadRuns[size_t(c)].code = column->appendPooled(unreadValue());
    else
        column->appendEmpty(1);
}

void RowSink::endUnreadRun(TextColumn* column, UnreadRun* run)
{
    if (!column->appendCode(run->code, run->rows)) {
        // The column keeps plain texts by now.
        for (int i = 0; i < run->rows; ++i)
            column->appendPooled(unreadValue());
        run->code = 0;
    }
    run->rows = 0;
}

void RowSink::endUnreadRuns()
{
    for (int c = 0; c < m_encoded.size(); ++c) {
        if (m_unreadRuns[size_t(c)].rows > 0)
            endUnreadRun(&m_encoded[c], &m_unreadRuns[size_t(c)]);
    }
}

void RowSink::finishChunk()
{
    flush();
    endUnreadRuns();
    for (TextColumn& column : m_encoded) {
        column.dropIndex();
        column.squeeze();
    }
}

void RowSink::takeEncodedRows(RowSink* collector)
{
    if (collector->m_endedRows.empty())
        return;
    collector->endUnreadRuns();
    QVector<int> kept;
    kept.reserve(int(collector->m_endedRows.size()));
    int width = 0;
    int encoded = 0;
    for (const EndedRow& ended : collector->m_endedRows) {
        const int row = ended.dropped ? -1 : encoded++;
        if (m_physicalRows++ < m_ignoredFirstRows)
            continue;
        if (!countRow(ended.length, ended.empty))
            continue;
        // A longer row widens the table, dropped or not.
        width = qMax(width, ended.length);
        if (ended.dropped)
            ++m_droppedRows;
        else
            kept.append(row);
    }
    Dataset rows;
    rows.setColumns(std::move(collector->m_encoded), collector->m_encodedRows);
    if (kept.size() != rows.rowCount())
        rows.selectRows(kept);
    if (width > m_dataset->columnCount())
        m_dataset->setColumnCount(width);
    m_dataset->appendRows(rows);
    if (m_firstRows)
        showFirstRows();
    handOverIfDue();
    collector->m_encoded.clear();
    collector->m_unreadRuns.clear();
    collector->m_encodedRows = 0;
    // A chunk that continues the record of the one before is taken again
    // later, into new columns.
    for (ValuePool& pool : collector->m_pools)
        pool.clearCodes();
    collector->m_endedRows.clear();
}

void RowSink::handOverIfDue()
{
    if (!m_handOver.isOn() || m_handOverRefused)
        return;
    // The first block still holds the header row, if there is one.
    const int headerRows = m_handedHeader < 0 ? 1 : 0;
    if (m_dataset->rowCount() < m_handOver.blockRows + headerRows)
        return;
    if (m_handedHeader < 0) {
        // Settled on the first rows as the whole table would settle it:
        // the rows left at the end are not the first ones.
        m_handedHeader = settledHeader();
        if (m_handedHeader == HeaderYes)
            m_dataset->setHasHeader(true);
    }
    if (!m_handOver.take(m_dataset->takeRows()))
        m_handOverRefused = true;
}

int RowSink::settledHeader() const
{
    int header = m_headerOption;
    if (header == HeaderAutomatic)
        header = guessHasHeader(*m_dataset, m_droppedRows > 0) ? HeaderYes : HeaderNo;
    return header == HeaderNo ? HeaderNo : HeaderYes;
}

void RowSink::showFirstRows()
{
    // The header is still the first row, unless rows were handed over.
    const bool headerRow
        = !m_dataset->hasHeader() && m_dataset->rowCount() > 1 && settledHeader() == HeaderYes;
    const int wanted = ReadOptions::FirstRows + (headerRow ? 1 : 0);
    if (m_dataset->rowCount() < wanted)
        return;
    Dataset first = *m_dataset;
    // A selection of a few rows copies them, leaving the table's columns
    // to the read.
    QVector<int> rows(wanted);
    std::iota(rows.begin(), rows.end(), 0);
    first.selectRows(rows);
    if (headerRow)
        first.setHasHeader(true);
    const auto show = std::move(m_firstRows);
    m_firstRows = nullptr;
    show(std::move(first));
}

std::vector<ValuePool> RowSink::takePools()
{
    std::vector<ValuePool> pools;
    pools.swap(m_pools);
    return pools;
}

bool RowSink::countRow(int length, bool empty)
{
    // Rows mostly have the length of the row before.
    if (!m_lastStats || length != m_lastLength)
        m_lastStats = &m_lengths[length];
    if (m_lastStats->rows++ == 0)
        m_lastStats->firstRow = m_processedRows;
    ++m_processedRows;
    m_lastLength = length;
    if (empty && m_ignoreEmptyRows) {
        ++m_emptyRows;
        return false;
    }
    if (m_firstTakenRow < 0)
        m_firstTakenRow = m_physicalRows - 1;
    return true;
}

void RowSink::takeRow(QStringList&& row, bool dropped)
{
    const int length = row.size();
    if (!countRow(length, allEmpty(row)))
        return;
    if (!dropped) {
        m_dataset->addRow(row);
        return;
    }
    ++m_droppedRows;
    if (length > m_dataset->columnCount())
        m_dataset->setColumnCount(length);
}

void RowSink::addEmptyRowReport(QStringList* information) const
{
    if (m_emptyRows > 0)
        information->append(
            QStringLiteral("%1 empty row(s) ignored").arg(formatInteger(m_emptyRows)));
}

void RowSink::addRaggedRowReport(QStringList* warnings) const
{
    if (m_lengths.size() < 2)
        return;
    QStringList lines { QStringLiteral("Number of columns per row vary:") };
    for (auto it = m_lengths.cbegin(); it != m_lengths.cend(); ++it) {
        const LengthStats& stats = it.value();
        lines.append(
            QStringLiteral("%1 input %2 %3 %4: E.g. input row %5")
                .arg(QString::number(stats.rows),
                    stats.rows == 1 ? QStringLiteral("row has") : QStringLiteral("rows have"),
                    QString::number(it.key()),
                    it.key() == 1 ? QStringLiteral("value") : QStringLiteral("values"),
                    QString::number(m_ignoredFirstRows + 1 + stats.firstRow)));
    }
    warnings->append(lines.join(QLatin1Char('\n')));
}

QString cleanValue(const QString& text, bool trim, bool simplify)
{
    const QChar* chars = text.constData();
    int count = text.size();
    if (trim)
        trimRange(&chars, &count);
    const int from = simplify ? firstToSimplify(chars, count) : count;
    if (from < count)
        return simplified(chars, count, from);
    return count == text.size() ? text : QString(chars, count);
}

// The parsers take fields in their bytes through addBytes().
template void RowSink::addRun(const char* chars, int count, bool buffered, bool nothingToSimplify);
