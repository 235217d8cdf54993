#pragma once

// The pieces shared by the text parsers: building one field from runs of
// characters, and taking finished rows (ignored first rows, trimming,
// simplifying, empty rows, statistics for the reports) into a Dataset.

#include "core/columnuse.h"
#include "core/dataset.h"
#include "input/reader.h"
#include "input/valuepool.h"

#include <QChar>
#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

// One value cleaned as the options say, by the same rules as the rows of
// delimited text: trimming removes white space at both ends; simplifying
// turns tabs, line feeds and other white space into spaces and drops
// carriage returns.
QString cleanValue(const QString& text, bool trim, bool simplify);
// The same in steps, for values still in the text: the characters without
// white space at both ends; where simplifying would first change something
// (count when nothing); the simplified text from there on.
void trimRange(const QChar** chars, int* count);
int firstToSimplify(const QChar* chars, int count);
QString simplified(const QChar* chars, int count, int from);
// The same for ASCII bytes.
void trimRange(const char** bytes, int* count);
int firstToSimplify(const char* bytes, int count);
QString simplified(const char* bytes, int count, int from);

// Builds one value. Most fields are a single run of characters inside the
// current block, so the builder only remembers where the run is and makes
// the value in one allocation when the field ends; only fields broken up by
// doubled quotes or block ends are copied into a buffer first. A run is of
// UTF-16 characters or of ASCII bytes, as the block is.
class FieldBuilder
{
public:
    template <typename Char> void append(const Char* chars, int count)
    {
        if (count <= 0)
            return;
        constexpr bool bytes = sizeof(Char) == 1;
        if (!m_buffered) {
            if (m_runLength == 0) {
                m_run = chars;
                m_runLength = count;
                m_runBytes = bytes;
                return;
            }
            if (m_runBytes == bytes && static_cast<const Char*>(m_run) + m_runLength == chars) {
                m_runLength += count;
                return;
            }
            moveRunToBuffer();
        }
        appendToBuffer(chars, count);
    }
    bool isEmpty() const { return size() == 0; }
    bool isBuffered() const { return m_buffered; }
    // The field is a run of ASCII bytes (bytes()), not of characters (data()).
    bool isBytes() const { return !m_buffered && m_runBytes && m_runLength > 0; }
    const char* bytes() const { return static_cast<const char*>(m_run); }
    const QChar* data() const
    {
        return m_buffered ? m_buffer.constData() : static_cast<const QChar*>(m_run);
    }
    int size() const { return m_buffered ? m_buffer.size() : m_runLength; }
    void clear();
    // Must be called before the block that the run points into goes away.
    void detach()
    {
        if (!m_buffered && m_runLength > 0)
            moveRunToBuffer();
    }

private:
    void moveRunToBuffer();
    void appendToBuffer(const QChar* chars, int count) { m_buffer.append(chars, count); }
    void appendToBuffer(const char* bytes, int count)
    {
        m_buffer.append(QLatin1String(bytes, count));
    }

    const void* m_run = nullptr;
    int m_runLength = 0;
    bool m_runBytes = false;
    bool m_buffered = false;
    QString m_buffer;
};

// Collects the fields of each row, cleans them as the options say and takes
// finished rows into the Dataset: trimming removes white space at both ends;
// simplifying turns tabs, line feeds and other white space into plain spaces
// and drops carriage returns, without collapsing runs.
//
// With pooling on, a field is not looked up in its column's pool at once:
// its slot is fetched ahead as the field ends, its text once the next row
// has ended, and the lookups are made when the row after that has ended.
// So the cache misses of all columns overlap with parsing instead of coming
// one after the other, and rows reach the Dataset two rows late (all of
// them by the time the parser releases its block or finishes).
class RowSink
{
public:
    RowSink(Dataset* dataset, const ReadOptions& options);
    // A sink for one stretch of a text parsed beside others: it builds rows
    // as the target would but only collects them, for takeRowsOf() in text
    // order. Its pools look at the seed pools first (one per column, when
    // given: see ValuePool::setSeed) and do not pool the seed's retired
    // columns.
    static RowSink collectorFor(
        const RowSink& target, const std::vector<ValuePool>* seed, bool atTextStart);

    // From physical row fromRow on (counted from where this sink's text
    // starts), only the values read after the read are made (see
    // ColumnUse): a value left out is nothing, or unreadValue() where it was
    // not empty, so that empty rows are still told apart. The values of a
    // row that a row test may drop wait until the test has seen the row.
    // Collectors of chunks take it over from their target.
    void useColumns(const ColumnUse& use, qint64 fromRow);
    static const QString& unreadValue() { return s_unread; }

    // The next value of the current row; the field is cleared.
    void addField(FieldBuilder* field);
    // The next value as ASCII bytes still in the block, taken with no
    // builder; false for an empty value, which must go through one. A
    // value of a column left out (see useColumns) is taken here at once:
    // most fields of a wide file grouped on two columns are such. The
    // parser may know the bytes hold no white space that simplifying
    // changes.
    bool addBytes(const char* bytes, int count, bool nothingToSimplify)
    {
        if (leavesOut(column()))
            addUnread(bytes, count);
        else if (count > 0)
            addRun(bytes, count, false, nothingToSimplify);
        else
            return false;
        return true;
    }
    int fieldCount() const { return column(); }
    // The block that fields point into is about to be reused.
    void releaseBlock();
    // Looks up and takes the rows still waiting (see above).
    void flush();
    // One physical row ended.
    void endRow();
    // Takes the rows a collector built, as if they had been parsed here:
    // they count in this sink's reports.
    void takeRowsOf(RowSink* collector);
    // A collector puts its rows into columns as they end (on the thread
    // that parses them), so that taking them is a matter of joining
    // columns; this finishes the rows parsed so far.
    void finishChunk();
    // The pools, for use as seeds; the sink starts new ones.
    std::vector<ValuePool> takePools();
    // By column, whether the table this sink fills keeps plain texts there
    // (none without a table): its values are not worth pooling any more.
    QVector<bool> plainColumns() const;
    // Lets the pools go once their rows are made (values made later are
    // pooled anew): the thread that filled them frees them.
    void dropPools() { std::vector<ValuePool>().swap(m_pools); }

    // Rows handed over while reading (see RowHandOver): the header option
    // as settled then, or -1 when none were.
    int handedHeader() const { return m_handedHeader; }
    bool handsOver() const { return m_handOver.isOn(); }
    // The taker of handed rows asked the read to end.
    bool handOverRefused() const { return m_handOverRefused; }

    qint64 physicalRows() const { return m_physicalRows; }
    // Rows the row test left out of the table (see useColumns).
    qint64 droppedRows() const { return m_droppedRows; }
    // Room in the table for this many rows in all.
    void reserveRows(int rows)
    {
        if (m_dataset)
            m_dataset->reserveRows(rows);
    }
    qint64 emptyRowsIgnored() const { return m_emptyRows; }
    // The physical row of the first row taken into the Dataset (the header
    // when there is one), or -1.
    qint64 firstTakenRow() const { return m_firstTakenRow; }
    // "%1 empty row(s) ignored", when rows were dropped.
    void addEmptyRowReport(QStringList* information) const;
    // The "Number of columns per row vary:" block, when the row lengths differ.
    void addRaggedRowReport(QStringList* warnings) const;

private:
    struct LengthStats
    {
        qint64 rows = 0;
        qint64 firstRow = 0;
    };
    // A field waiting for its pool: characters still in the block, or (with
    // chars null) a text already made and held in the row.
    //
    // Laid out in 32 bytes: the field's column is its place in the row's
    // list of them, which a power of two makes a shift to find.
    struct PendingField
    {
        const void* chars = nullptr;
        int count = 0;
        uint hash = 0;
        // A collector's pooled value: its pool entry, which keeps the
        // value's code in the collector's column.
        ValuePool::Entry* entry = nullptr;
        // In a lean row, the place of the value made for the field in the
        // row's list, which holds nothing else (-1: none made).
        int value = -1;
        bool bytes = false;
        // Made only if the row test keeps the row.
        bool deferred = false;
        // Left out: nothing to look up.
        bool unread = false;
        // A collector's value that its pool does not keep: its characters
        // go into the column as they are, without a text made first.
        bool plain = false;

        // Calls f with the characters as they are held: ASCII bytes or
        // UTF-16 characters.
        template <typename F> decltype(auto) withChars(F&& f) const
        {
            return bytes ? f(static_cast<const char*>(chars), count)
                         : f(static_cast<const QChar*>(chars), count);
        }
    };
    static_assert(sizeof(PendingField) == 32, "see PendingField");

    // The column of the next field: a lean row's list holds only the values
    // made (see m_lean), but with pooling every field has its pending entry.
    int column() const { return m_pooling ? int(m_pending.size()) : m_row.size(); }
    PendingField& addMade(QString&& text);
    // Puts a value made for the field into the row's list.
    void keepMade(PendingField* field, QString&& text);
    static int madePlace(const PendingField& field, int column)
    {
        return field.value >= 0 ? field.value : column;
    }
    // Called for every field: the check stays inline and the rare growth
    // (a row longer than any before) out of line.
    ValuePool& poolFor(int column)
    {
        if (size_t(column) >= m_pools.size())
            addPools(column);
        return m_pools[size_t(column)];
    }
    // A row that has ended and waits for its lookups.
    struct WaitingRow
    {
        QStringList row;
        std::vector<PendingField> pending;
    };
    static constexpr int WaitingRows = 3;

    void addPools(int lastColumn);
    void startRow();
    void prefetchTexts(const WaitingRow& waiting) const;
    void takeFirstWaiting();
    // False when the row test drops the row.
    bool internRow(WaitingRow* waiting);
    // A row the test dropped only counts (see useColumns).
    void deliver(QStringList* row, const std::vector<PendingField>& pending, bool dropped);
    // A collector takes its values into columns without the row's texts
    // (see PendingField), but for those a row test reads.
    bool writesColumns() const { return !m_dataset; }
    bool testReads(int column) const
    {
        return m_rowTest && column < m_use.columns.size() && m_use.columns.at(column);
    }
    template <typename Char>
    void addRun(const Char* chars, int count, bool buffered, bool nothingToSimplify = false);
    // A value left in the text for now: a null text in the row, and its
    // characters in the field returned.
    template <typename Char> PendingField& addWaiting(const Char* chars, int count);
    bool leavesOut(int column) const
    {
        return column < m_leftOut.size() && m_leftOut.at(column) && m_rowsEnded >= m_leaveOutFrom;
    }
    bool defers(int column) const
    {
        return column < m_deferred.size() && m_deferred.at(column) && m_rowsEnded >= m_leaveOutFrom;
    }
    // Whether characters already trimmed (when trimming) make a value.
    template <typename Char> bool holdsValue(const Char* chars, int count) const
    {
        if (count == 0)
            return false;
        // Simplifying alone drops carriage returns, which may leave nothing.
        if (!m_simplify || m_trim)
            return true;
        const int from = firstToSimplify(chars, count);
        return from == count || !simplified(chars, count, from).isEmpty();
    }
    // Trimmed characters simplified when the options say so.
    template <typename Char> QString cleanText(const Char* chars, int count) const;
    // Inline: the parsers take most fields of a column left out through
    // addBytes().
    template <typename Char> void addUnread(const Char* chars, int count)
    {
        if (m_trim)
            trimRange(&chars, &count);
        const bool holds = holdsValue(chars, count);
        if (!m_lean)
            m_row.append(holds ? unreadValue() : QString());
        if (m_pooling) {
            PendingField& pending = m_pending.emplace_back();
            pending.unread = true;
            // Whether the placeholder stands for a value (see encodeRow).
            pending.count = holds ? 1 : 0;
        }
    }
    bool settleDeferred(QStringList* row, std::vector<PendingField>* pending);
    template <typename Char> QString settled(const Char* chars, int count, int column);
    template <typename Char> bool settleInPlace(PendingField* field, const Char* chars, int column);
    void appendValue(QString&& text);
    void takeRow(QStringList&& row, bool dropped);
    // Counts a row in the reports; false when it is not kept.
    bool countRow(int length, bool empty);
    void takeEncodedRows(RowSink* collector);
    void encodeRow(const QStringList& row, const std::vector<PendingField>& pending);
    void addEncodedColumns(int count);
    // A collector's row as it ended: a row the test dropped is counted with
    // the others but not put into the columns.
    struct EndedRow
    {
        int length;
        bool empty;
        bool dropped;
    };
    // Filled in place: a record built on the stack and copied is read back
    // whole before its parts are stored, which stalls.
    void addEndedRow(int length, bool empty, bool dropped)
    {
        EndedRow& ended = m_endedRows.emplace_back();
        ended.length = length;
        ended.empty = empty;
        ended.dropped = dropped;
    }
    struct UnreadRun
    {
        quint32 code = 0;
        int rows = 0;
    };
    void appendUnread(TextColumn* column, int c, bool holds);
    void endUnreadRun(TextColumn* column, UnreadRun* run);
    void endUnreadRuns();
    void handOverIfDue();
    void showFirstRows();
    // The header option as the first rows settle it.
    int settledHeader() const;

    // Made before main: a local static would be checked at every call,
    // and the row test reads it for most values of most rows.
    static const QString s_unread;

    // Null in a collector.
    Dataset* m_dataset;
    // A collector that pools without a row test keeps in a row's list only
    // the values made before its encoding (buffered, simplified or empty
    // ones): the rest go into the columns from their characters or pool
    // entries, and a list entry per field would be work for nothing.
    bool m_lean = false;
    int m_ignoredFirstRows;
    bool m_ignoreEmptyRows;
    bool m_trim;
    bool m_simplify;
    // Values are pooled here rather than in the Dataset (see takeRow).
    bool m_pooling;
    std::vector<ValuePool> m_pools;
    // Where the pools make their texts, when the run gives a place.
    std::shared_ptr<RunTexts> m_runTexts;
    TextArena* m_arena = nullptr;
    QStringList m_row;
    // Lists made ahead for the next rows (see startRow).
    static constexpr size_t MinSpareRows = 16;
    static constexpr size_t MaxSpareRows = 1024;
    std::vector<QStringList> m_spareRows;
    size_t m_nextSpare = 0;
    int m_spareLength = 0;
    // Rows in a row whose length was not the batch's.
    size_t m_otherLengthRows = 0;
    std::vector<PendingField> m_pending;
    size_t m_released = 0;
    // A ring of rows waiting for their lookups, oldest first.
    WaitingRow m_waiting[WaitingRows];
    int m_firstWaiting = 0;
    int m_waitingCount = 0;
    ColumnUse m_use;
    QVector<bool> m_leftOut;
    QVector<bool> m_deferred;
    RowTest m_rowTest;
    qint64 m_leaveOutFrom = 0;
    qint64 m_rowsEnded = 0;
    // The length of the last row, room for the next.
    int m_rowRoom = 0;
    // A collector's rows put into columns, and each row ended (see
    // EndedRow).
    QVector<TextColumn> m_encoded;
    int m_encodedRows = 0;
    // The placeholder's code in each column, once it has one (0 before),
    // and how many rows of it are still to go into the column.
    std::vector<UnreadRun> m_unreadRuns;
    // The target's columns known to hold mostly different values when the
    // collector was made: put into plain texts at once.
    QVector<bool> m_plainColumns;
    std::vector<EndedRow> m_endedRows;
    qint64 m_droppedRows = 0;
    RowHandOver m_handOver;
    // The values a pool may hold before it retires (0: no cap).
    int m_poolValues = 0;
    int m_headerOption = HeaderYes;
    int m_handedHeader = -1;
    bool m_handOverRefused = false;
    std::function<void(Dataset&& rows)> m_firstRows;
    qint64 m_physicalRows = 0;
    qint64 m_processedRows = 0;
    qint64 m_emptyRows = 0;
    qint64 m_firstTakenRow = -1;
    int m_lastLength = 0;
    // Value count -> number of rows with it and the first of them.
    QMap<int, LengthStats> m_lengths;
    LengthStats* m_lastStats = nullptr;
};
