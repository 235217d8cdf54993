// JSON lines, parsed a chunk of lines at a time.
//
// Most records are flat objects of plain values, so a record is not turned
// into a tree first: its values wait as ranges of the chunk's text and go
// straight into a row when the record ends. Parsing is in place (RapidJSON's
// in-situ mode): strings are unescaped where they stand and numbers are
// handed over where they are written, so a value costs no copy until it
// becomes a cell, and a repeated one (looked up in its column's pool) not
// even then. A record that holds an object or an array becomes a tree at
// that point and is flattened as the single-document reader does.

#include "input/jsonlines.h"

#include "core/values.h"
#include "input/jsonkeys.h"
#include "input/recordtree.h"
#include "input/rowsink.h"
#include "input/textsource.h"

#include <QHash>
#include <QLocale>

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

using Utf16 = rapidjson::UTF16<char16_t>;

// One line of a chunk as an in-situ stream: it knows its end, so that a NUL
// character inside the text is not taken for it.
struct InsituLine
{
    using Ch = char16_t;
    Ch* begin;
    Ch* src;
    Ch* dst;
    Ch* end;

    Ch Peek() const { return src < end ? *src : Ch(0); }
    Ch Take() { return src < end ? *src++ : Ch(0); }
    size_t Tell() const { return size_t(src - begin); }
    Ch* PutBegin() { return dst = src; }
    void Put(Ch c) { *dst++ = c; }
    size_t PutEnd(Ch* from) { return size_t(dst - from); }
    void Flush() { }
};

} // namespace

// The reader works on a copy of the stream (kept in registers) and hands a
// number over from where the stream stood before the number.
namespace rapidjson {
template <> struct StreamTraits<InsituLine>
{
    enum { copyOptimization = 1 };
};

// The run of a string up to its closing quote, an escape or a control
// character, found eight characters at a time and moved in one piece (only
// after an escape is there anything to move). The parser would otherwise
// take each character on its own; it copies code units as they are, so
// nothing else needs a look here.
template <>
template <>
inline void GenericReader<UTF16<char16_t>, UTF16<char16_t>, CrtAllocator>::ScanCopyUnescapedString(
    InsituLine& is, InsituLine& os)
{
    const char16_t* p = is.src;
    const char16_t* const end = is.end;
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi16('"');
    const __m128i backslash = _mm_set1_epi16('\\');
    const __m128i lastControl = _mm_set1_epi16(0x1F);
    const __m128i zero = _mm_setzero_si128();
    for (; end - p >= 8; p += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Unsigned c <= 0x1F exactly when c - 0x1F saturates to zero.
        const __m128i stops = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(chars, quote), _mm_cmpeq_epi16(chars, backslash)),
            _mm_cmpeq_epi16(_mm_subs_epu16(chars, lastControl), zero));
        const int mask = _mm_movemask_epi8(stops);
        if (mask != 0) {
            p += __builtin_ctz(unsigned(mask)) / 2;
            break;
        }
    }
#endif
    while (p < end && *p != '"' && *p != '\\' && *p >= 0x20)
        ++p;
    const size_t count = size_t(p - is.src);
    if (os.dst != is.src)
        std::memmove(os.dst, is.src, count * sizeof(char16_t));
    os.dst += count;
    is.src += count;
}
} // namespace rapidjson

namespace {

// Parsed by recursion (faster than rapidjson's iterative parser): the
// handler refuses to go deeper than MaxRecordDepth, which bounds the stack.
constexpr unsigned LineParseFlags = rapidjson::kParseInsituFlag
    | rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseStopWhenDoneFlag;

const QString& literal(int which)
{
    static const QString texts[]
        = { QStringLiteral("null"), QStringLiteral("false"), QStringLiteral("true") };
    return texts[which];
}

enum class LineTop { None, Plain, Record };

// Turns the events of one line into a row (a flat object) or a tree that
// the flattener turns into rows.
class LineHandler : public rapidjson::BaseReaderHandler<Utf16, LineHandler>
{
public:
    LineHandler(const ReadOptions& options, RecordFlattener* flattener,
        std::vector<ValuePool>* pools, TextArena* arena)
        : m_trim(options.trimWhitespace),
          m_simplify(options.simplifyWhitespace),
          m_ignoreEmptyRows(options.ignoreEmptyRows),
          m_pooling(options.pooling),
          m_flattener(flattener),
          m_pools(pools),
          m_arena(arena)
    {
    }

    void startLine()
    {
        m_top = LineTop::None;
        m_tree = false;
        m_tooDeep = false;
        m_pending.clear();
        m_stack.clear();
    }
    LineTop top() const { return m_top; }
    bool tooDeep() const { return m_tooDeep; }
    // The pool entries of the values of the flat row the line made last, by
    // column (null where a value has none), once: false when the line made
    // no flat row. They hold until the pools are next looked in.
    bool takeFlatRow(const std::vector<ValuePool::Entry*>** entries)
    {
        *entries = &m_flatEntries;
        const bool made = m_flatRow;
        m_flatRow = false;
        return made;
    }
    // The record of the line, once nothing but white space follows it.
    void commit()
    {
        if (m_tree)
            m_flattener->addRecord(m_root);
        else
            addFlatRow();
    }

    bool Null() { return literalValue(0); }
    bool Bool(bool b) { return literalValue(b ? 2 : 1); }
    bool RawNumber(const Ch* chars, rapidjson::SizeType length, bool)
    {
        // In place: the characters are the chunk's own.
        auto* text = reinterpret_cast<QChar*>(const_cast<Ch*>(chars));
        int start = 0;
        int count = int(length);
        if (!shapeJsonNumber(text, &start, &count, m_decimalPoint))
            return value(nullptr, 0, formatNumber(QString(text, count).toDouble()));
        return value(text + start, count, QString());
    }
    bool String(const Ch* chars, rapidjson::SizeType length, bool)
    {
        return value(reinterpret_cast<const QChar*>(chars), int(length), QString());
    }
    bool Key(const Ch* chars, rapidjson::SizeType length, bool)
    {
        m_key = m_keys.find(QStringView(chars, int(length)));
        return true;
    }
    bool StartObject() { return open(RecordNode::Object); }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool StartArray() { return open(RecordNode::Array); }
    bool EndArray(rapidjson::SizeType) { return close(); }

private:
    // A value of a flat record: characters of the chunk, or a text made
    // when they could not be used as they are. The pool's slot for the
    // characters is fetched ahead, as RowSink does, so that the lookups of
    // a record's values overlap their cache misses at its end.
    struct Pending
    {
        int key;
        const QChar* chars;
        int count;
        QString made;
        uint hash = 0;
        bool hashed = false;
    };

    bool literalValue(int which)
    {
        const QString& text = literal(which);
        return value(text.constData(), text.size(), QString());
    }

    bool value(const QChar* chars, int count, const QString& made)
    {
        if (m_top == LineTop::None) {
            m_top = LineTop::Plain;
            return true;
        }
        if (!made.isNull()) {
            chars = made.constData();
            count = made.size();
        }
        if (m_trim)
            trimRange(&chars, &count);
        const int from = m_simplify ? firstToSimplify(chars, count) : count;
        QString text = from < count ? simplified(chars, count, from)
            : made.isNull()         ? QString()
                                    : QString(chars, count);
        if (!m_tree) {
            m_pending.push_back({ m_key, chars, count, std::move(text) });
            fetchAhead(&m_pending.back());
            return true;
        }
        if (text.isNull())
            text = QString(chars, count);
        add(RecordNode::Plain)->value = std::move(text);
        return true;
    }

    // The key last met names the node under an object; an array's
    // elements may come before any key.
    RecordNode* add(RecordNode::Kind kind)
    {
        static const QString none;
        return appendChild(m_stack.back(), kind, m_key < 0 ? none : m_keys.at(m_key).safe);
    }

    bool open(RecordNode::Kind kind)
    {
        if (m_top == LineTop::None) {
            m_top = LineTop::Record;
            m_keys.startRecord();
            m_root = RecordNode();
            m_root.kind = kind;
            // An array record is never flat.
            m_tree = kind == RecordNode::Array;
            m_stack.push_back(&m_root);
            return true;
        }
        if (!m_tree)
            becomeTree();
        if (int(m_stack.size()) >= MaxRecordDepth) {
            m_tooDeep = true;
            return false;
        }
        m_stack.push_back(add(kind));
        return true;
    }

    // The record holds more than plain values: the values so far become
    // the first members of its tree.
    void becomeTree()
    {
        m_tree = true;
        m_root.children.reserve(m_pending.size() + 4);
        for (Pending& p : m_pending) {
            m_root.children.emplace_back();
            RecordNode& node = m_root.children.back();
            node.name = m_keys.at(p.key).safe;
            node.value = p.made.isNull() ? QString(p.chars, p.count) : std::move(p.made);
        }
        m_pending.clear();
    }

    bool close()
    {
        RecordNode* node = m_stack.back();
        m_stack.pop_back();
        if (node->kind == RecordNode::Object && m_tree)
            orderMembers(node);
        return true;
    }

    // Only for a column met before; a new one has no pool yet.
    void fetchAhead(Pending* p) const
    {
        if (!m_pooling || !p->made.isNull() || p->count == 0)
            return;
        const int column = m_keys.at(p->key).column;
        if (column < 0 || size_t(column) >= m_pools->size())
            return;
        const ValuePool& pool = (*m_pools)[size_t(column)];
        if (pool.isRetired())
            return;
        p->hash = hashCharacters(p->chars, p->count);
        p->hashed = true;
        pool.prefetch(p->hash);
    }

    QString cell(int column, const Pending& p, ValuePool::Entry** entry)
    {
        if (!m_pooling || (p.made.isNull() ? p.count == 0 : p.made.isEmpty()))
            return p.made.isNull() ? QString(p.chars, p.count) : p.made;
        growPools(m_pools, size_t(column) + 1, m_arena);
        ValuePool& pool = (*m_pools)[size_t(column)];
        // A retired pool hands a made text back as it is, and has no entries.
        if (!p.made.isNull())
            return pool.intern(p.made);
        if (!pool.isRetired())
            *entry = pool.entry(
                p.chars, p.count, p.hashed ? p.hash : hashCharacters(p.chars, p.count));
        return *entry ? (*entry)->text : QString(p.chars, p.count);
    }

    void addFlatRow()
    {
        // Columns are made in member order once the record is complete, as
        // the flattener makes them: a line that fails half-way adds none.
        bool empty = true;
        for (const Pending& p : m_pending) {
            KeyTable::Key& key = m_keys.at(p.key);
            if (key.column < 0)
                key.column = m_flattener->column(key.safe);
            empty = empty && (p.made.isNull() ? p.count == 0 : p.made.isEmpty());
        }
        if (empty && m_ignoreEmptyRows)
            return;
        for (const Pending& p : m_pending) {
            if (p.hashed)
                (*m_pools)[size_t(m_keys.at(p.key).column)].prefetchText(p.hash);
        }
        const int width = m_flattener->names().size();
        QStringList row;
        row.reserve(width);
        for (int c = 0; c < width; ++c)
            row.append(QString());
        m_flatEntries.assign(size_t(width), nullptr);
        for (const Pending& p : m_pending) {
            const int column = m_keys.at(p.key).column;
            ValuePool::Entry* entry = nullptr;
            row[column] = cell(column, p, &entry);
            // A key given twice keeps its last value, and the entry of the
            // pool's last look-up.
            m_flatEntries[size_t(column)] = entry;
        }
        m_flattener->collected().push_back(std::move(row));
        m_flatRow = true;
    }

    const bool m_trim;
    const bool m_simplify;
    const bool m_ignoreEmptyRows;
    const bool m_pooling;
    std::vector<ValuePool::Entry*> m_flatEntries;
    bool m_flatRow = false;
    RecordFlattener* m_flattener;
    std::vector<ValuePool>* m_pools;
    TextArena* m_arena;
    const QChar m_decimalPoint = QLocale().decimalPoint();
    KeyTable m_keys;
    int m_key = -1;
    LineTop m_top = LineTop::None;
    bool m_tree = false;
    bool m_tooDeep = false;
    std::vector<Pending> m_pending;
    RecordNode m_root;
    std::vector<RecordNode*> m_stack;
};

// The lines of one chunk and what they gave: rows whose cells follow the
// chunk's own columns, which start with the columns known when the chunk
// was made (so that mostly they are the table's columns already), and the
// first line that failed, which ends the chunk.
class LinesChunk : public ChunkTask
{
public:
    LinesChunk(QString chunkText, const ReadOptions& options, const QStringList& knownNames,
        ValueSeed chunkSeed, bool keepPools)
        : text(std::move(chunkText)),
          textSize(text.size()),
          known(knownNames.size()),
          seed(std::move(chunkSeed)),
          keepsPools(keepPools),
          flattener(nullptr, LayoutReadOptions::from(options.formatOptions).layout,
              options.ignoreEmptyRows),
          arena(options.runTexts ? options.runTexts->newArena() : nullptr),
          pooling(options.pooling),
          m_handler(options, &flattener, &pools, arena)
    {
        flattener.setNames(knownNames);
        if (options.pooling)
            flattener.setPools(&pools, arena);
        if (seed && options.pooling)
            seedPools(&pools, *seed, arena);
    }

    void parse() override
    {
        auto* chars = reinterpret_cast<char16_t*>(text.data());
        const int size = text.size();
        rapidjson::GenericReader<Utf16, Utf16> reader;
        for (int start = 0; start < size && !failed;) {
            int end = text.indexOf(QLatin1Char('\n'), start);
            if (end < 0)
                end = size;
            ++lines;
            if (!QStringView(text).mid(start, end - start).trimmed().isEmpty())
                parseLine(reader, chars + start, chars + end);
            encodeRows();
            start = end + 1;
        }
        finishColumns();
        if (!keepsPools)
            std::vector<ValuePool>().swap(pools);
        text = QString();
    }

    QString text;
    const int textSize;
    const int known;
    ValueSeed seed;
    const bool keepsPools;
    RecordFlattener flattener;
    std::vector<ValuePool> pools;
    // This chunk's thread makes its pools' texts here.
    TextArena* arena;
    const bool pooling;
    // The rows put into the chunk's columns on its own thread, so that
    // taking them is a matter of joining columns; which rows were made
    // before any column was known.
    QVector<TextColumn> columns;
    int rowCount = 0;
    std::vector<bool> emptyRows;
    int lines = 0;
    bool failed = false;
    // The failing line's offset and reason, for the warning.
    size_t failedOffset = 0;
    QString failure;

private:
    // The rows of the line just parsed into the chunk's columns: a flat
    // row's pooled values by the codes their pool entries keep.
    void encodeRows()
    {
        std::vector<QStringList>& rows = flattener.collected();
        if (rows.empty())
            return;
        addColumns(flattener.names().size());
        const std::vector<ValuePool::Entry*>* entries = nullptr;
        const bool flat = m_handler.takeFlatRow(&entries);
        TextColumn* out = columns.data();
        for (size_t r = 0; r < rows.size(); ++r) {
            const QStringList& row = rows[r];
            const bool byEntry = flat && r + 1 == rows.size();
            emptyRows.push_back(row.isEmpty());
            for (int c = 0; c < columns.size(); ++c) {
                ValuePool::Entry* entry
                    = byEntry && size_t(c) < entries->size() ? (*entries)[size_t(c)] : nullptr;
                if (c >= row.size())
                    out[c].appendEmpty(1);
                else if (entry)
                    entry->appendTo(&out[c]);
                else if (pooling)
                    out[c].appendPooled(row.at(c));
                else
                    out[c].append(row.at(c));
            }
        }
        rowCount += int(rows.size());
        rows.clear();
    }

    void addColumns(int width)
    {
        for (int c = columns.size(); c < width; ++c) {
            columns.append(TextColumn(pooling));
            columns.last().appendEmpty(rowCount);
        }
        // A column whose pool has retired holds mostly different values:
        // looking for repeats would only build a dictionary to give up.
        for (int c = 0; c < columns.size() && size_t(c) < pools.size(); ++c) {
            if (columns.at(c).isCoded() && pools[size_t(c)].isRetired())
                columns[c].keepPlainTexts();
        }
    }

    void finishColumns()
    {
        std::vector<QStringList>().swap(flattener.collected());
        for (TextColumn& column : columns) {
            column.dropIndex();
            column.squeeze();
        }
    }

    void parseLine(rapidjson::GenericReader<Utf16, Utf16>& reader, char16_t* from, char16_t* to)
    {
        InsituLine stream { from, from, from, to };
        m_handler.startLine();
        const rapidjson::ParseResult parsed = reader.Parse<LineParseFlags>(stream, m_handler);
        rapidjson::ParseErrorCode code = parsed.Code();
        failedOffset = parsed.Offset();
        // The parser stops after the bracket that goes too deep: the
        // message points at the bracket itself.
        if (m_handler.tooDeep() && failedOffset > 0)
            --failedOffset;
        if (!parsed.IsError()) {
            while (stream.src < to && QChar(ushort(*stream.src)).isSpace())
                ++stream.src;
            // What a reader that does not stop when done calls a second root.
            if (stream.src < to) {
                code = rapidjson::kParseErrorDocumentRootNotSingular;
                failedOffset = stream.Tell();
            } else if (m_handler.top() == LineTop::Record) {
                m_handler.commit();
                return;
            }
        }
        failed = true;
        failure = m_handler.tooDeep()
            ? QStringLiteral("nested more than %1 levels deep").arg(MaxRecordDepth)
            : code == rapidjson::kParseErrorNone ? QStringLiteral("Array or object expected")
                                                 : jsonErrorText(code);
    }

    LineHandler m_handler;
};

// Takes the chunks in text order into the dataset: their new columns, in
// the order they met them, after the ones known; their rows under the
// table's columns; the warning of a failed line with its number in the
// whole text.
class LinesJoiner
{
public:
    LinesJoiner(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result)
        : m_progress(progress),
          m_total(qMax<qint64>(1, source.estimatedTotal())),
          m_pooling(options.pooling),
          m_result(result)
    {
    }

    const QStringList& names() const { return m_names; }
    ValueSeed seed() const { return m_seed; }
    bool failed() const { return m_failed; }

    // False when a line failed or a stop was asked for.
    bool take(LinesChunk& chunk)
    {
        const QVector<int> columns = columnsOf(chunk);
        addRows(chunk, columns);
        if (chunk.keepsPools && !chunk.pools.empty()) {
            std::vector<ValuePool> found(size_t(m_names.size()));
            for (size_t c = 0; c < chunk.pools.size() && int(c) < columns.size(); ++c)
                found[size_t(columns.at(int(c)))] = std::move(chunk.pools[c]);
            m_seed = grownSeed(m_seed, std::move(found), !chunk.seed);
        }
        if (chunk.failed) {
            m_failed = true;
            m_result->warnings.append(
                QStringLiteral("Error parsing JSON lines: at line %1 offset %2: %3")
                    .arg(m_lines + chunk.lines)
                    .arg(chunk.failedOffset)
                    .arg(chunk.failure));
            return false;
        }
        m_lines += chunk.lines;
        m_position += chunk.textSize;
        return m_progress.report(qreal(qMin(m_position, m_total)) / qreal(m_total));
    }

    void finish()
    {
        if (m_rows > 0)
            m_result->dataset.setRow(0, m_names);
    }

private:
    // The table's column of each of the chunk's columns.
    QVector<int> columnsOf(const LinesChunk& chunk)
    {
        const QStringList& names = chunk.flattener.names();
        QVector<int> columns(names.size());
        for (int c = 0; c < names.size(); ++c) {
            if (c < chunk.known) {
                columns[c] = c;
                continue;
            }
            const auto it = m_columns.constFind(names.at(c));
            if (it != m_columns.constEnd()) {
                columns[c] = *it;
                continue;
            }
            columns[c] = m_names.size();
            m_columns.insert(names.at(c), m_names.size());
            m_names.append(names.at(c));
        }
        return columns;
    }

    void addRows(LinesChunk& chunk, const QVector<int>& columns)
    {
        // A row made before any column was known has a place only when the
        // chunks before brought one.
        QVector<int> kept;
        for (int r = 0; r < chunk.rowCount; ++r) {
            if (!chunk.emptyRows[size_t(r)] || m_namesBefore > 0)
                kept.append(r);
        }
        m_namesBefore = m_names.size();
        if (kept.isEmpty())
            return;
        Dataset& dataset = m_result->dataset;
        if (m_rows == 0)
            dataset.appendRow(QStringList());
        m_rows += kept.size();
        if (m_names.size() > dataset.columnCount())
            dataset.setColumnCount(m_names.size());
        QVector<TextColumn> placed;
        for (int c = 0; c < m_names.size(); ++c) {
            placed.append(TextColumn(m_pooling));
            placed.last().appendEmpty(chunk.rowCount);
        }
        for (int c = 0; c < chunk.columns.size(); ++c)
            placed[columns.at(c)] = chunk.columns.at(c);
        Dataset rows;
        rows.setColumns(std::move(placed), chunk.rowCount);
        if (kept.size() != chunk.rowCount)
            rows.selectRows(kept);
        dataset.appendRows(rows);
        chunk.columns.clear();
    }

    const ReadProgress& m_progress;
    qint64 m_total;
    bool m_pooling;
    ReadResult* m_result;
    QStringList m_names;
    QHash<QString, int> m_columns;
    int m_namesBefore = 0;
    ValueSeed m_seed;
    qint64 m_rows = 0;
    qint64 m_lines = 0;
    qint64 m_position = 0;
    bool m_failed = false;
};

} // namespace

QString jsonErrorText(rapidjson::ParseErrorCode code)
{
    QString text = QString::fromLatin1(rapidjson::GetParseError_En(code));
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

bool shapeJsonNumber(QChar* chars, int* start, int* count, QChar decimalPoint)
{
    int end = *count;
    int point = -1;
    for (int i = 0; i < end; ++i) {
        const ushort c = chars[i].unicode();
        if (c == 'e' || c == 'E')
            return false;
        if (c == '.')
            point = i;
    }
    // Plain decimals keep every digit as written, however many, less the
    // zeros that end a fraction.
    if (point >= 0) {
        while (chars[end - 1] == QLatin1Char('0'))
            --end;
        if (end - 1 == point)
            end = point;
        else
            chars[point] = decimalPoint;
    }
    *start = end == 2 && chars[0] == QLatin1Char('-') && chars[1] == QLatin1Char('0') ? 1 : 0;
    *count = end - *start;
    return true;
}

bool parseJsonLines(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
    const ParseThreads& threads, ReadResult* result)
{
    source.rewind();
    // A text of a few chunks gains little from threads.
    const int chunkChars = qMax(1, threads.chunkChars);
    const bool parallel = source.estimatedTotal() >= 8 * qint64(chunkChars);
    ChunkCutter cutter(source, chunkChars, true);
    LinesJoiner joiner(source, options, progress, result);
    int index = 0;
    const bool completed = runChunkTasks(
        cutter, parallel ? threads.resolvedThreads() : 1,
        [&](TextChunk text) {
            return std::make_unique<LinesChunk>(std::move(text.chars), options, joiner.names(),
                joiner.seed(), chunkGrowsSeed(index++));
        },
        [&](std::unique_ptr<ChunkTask> task) {
            return joiner.take(static_cast<LinesChunk&>(*task));
        });
    joiner.finish();
    if (!completed && !joiner.failed()) {
        result->stopped = true;
        result->fail(QStringLiteral("Stopped by user"));
    }
    return completed;
}
