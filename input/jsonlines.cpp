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
#include "input/charscan.h"
#include "input/jsonflatline.h"
#include "input/jsonkeys.h"
#include "input/jsonlinestream.h"
#include "input/recordtree.h"
#include "input/rowsink.h"
#include "input/textsource.h"

#include <QHash>
#include <QLocale>

#include <rapidjson/error/en.h>

#include <cstring>

namespace {

using Utf16 = rapidjson::UTF16<char16_t>;

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
    struct Pending;

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
        m_made.clear();
        m_stack.clear();
    }
    LineTop top() const { return m_top; }
    bool tooDeep() const { return m_tooDeep; }
    // How a value of a flat row goes into its column: by its pool entry,
    // which keeps the value's code, or (a value its pool does not keep) as
    // the characters still in the chunk, with no text made for them, or
    // else as a text. A flat row is no list of texts: most of its values
    // need none.
    struct FlatCell
    {
        ValuePool::Entry* entry = nullptr;
        const Pending* plain = nullptr;
        // Neither of the three: an empty cell.
        const QString* text = nullptr;

        void appendTo(TextColumn* column, bool pooling) const;
    };
    // The cells of the flat row the line made last, by column, once: false
    // when the line made no flat row. They hold until the pools are next
    // looked in and the next line is parsed.
    bool takeFlatRow(const std::vector<FlatCell>** cells)
    {
        *cells = &m_flatCells;
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
    // In place: the characters are the chunk's own.
    bool RawNumber(const char16_t* chars, rapidjson::SizeType length, bool)
    {
        return number(
            reinterpret_cast<QChar*>(const_cast<char16_t*>(chars)), int(length), m_decimalPoint);
    }
    bool RawNumber(const char* chars, rapidjson::SizeType length, bool)
    {
        if (m_decimalPoint.unicode() < 0x80)
            return number(const_cast<char*>(chars), int(length), char(m_decimalPoint.unicode()));
        // A decimal point beyond ASCII does not fit in the chunk's bytes.
        QString wide = QString::fromLatin1(chars, int(length));
        return number(wide.data(), wide.size(), m_decimalPoint, true);
    }
    bool String(const char16_t* chars, rapidjson::SizeType length, bool)
    {
        return value(reinterpret_cast<const QChar*>(chars), int(length));
    }
    bool String(const char* chars, rapidjson::SizeType length, bool)
    {
        // An ASCII chunk holds other characters only where the parser wrote
        // an escape out.
        if (!isAscii(chars, int(length)))
            return madeValue(fromEscapedUtf8(chars, int(length)));
        return value(chars, int(length));
    }
    // A string of the quicker way (see scanFlatRecord): ASCII even with its
    // escapes written out, which are the only control characters it holds.
    bool FlatString(const char* chars, rapidjson::SizeType length, bool escaped)
    {
        return value(chars, int(length), false, escaped ? Full : TrimOnly);
    }
    // A key of the quicker way: ASCII, as its chunk is. Returns the key,
    // which stands for it in lines of the same layout.
    int FlatKey(const char* chars, rapidjson::SizeType length)
    {
        m_key = m_keys.find(QLatin1String(chars, int(length)));
        return m_key;
    }
    // The key of a line laid out as one before it (see FlatShape).
    void ShapedKey(int key) { m_key = key; }
    bool Key(const char16_t* chars, rapidjson::SizeType length, bool)
    {
        m_key = m_keys.find(QStringView(chars, int(length)));
        return true;
    }
    bool Key(const char* chars, rapidjson::SizeType length, bool)
    {
        if (isAscii(chars, int(length)))
            m_key = m_keys.find(QLatin1String(chars, int(length)));
        else
            m_key = m_keys.find(QStringView(fromEscapedUtf8(chars, int(length))));
        return true;
    }
    bool StartObject() { return open(RecordNode::Object); }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool StartArray() { return open(RecordNode::Array); }
    bool EndArray(rapidjson::SizeType) { return close(); }

private:
    // A value of a flat record: characters (or ASCII bytes) of the chunk,
    // or a text made when they could not be used as they are. The pool's
    // slot for the characters is fetched ahead, as RowSink does, so that
    // the lookups of a record's values overlap their cache misses at its
    // end.
    struct Pending
    {
        int key;
        const void* chars;
        int count;
        bool bytes;
        // The text made for the value, if one was (see m_made): -1 when
        // its characters can be used as they are.
        int made;
        uint hash = 0;
        bool hashed = false;

        template <typename F> decltype(auto) withChars(F&& f) const
        {
            return bytes ? f(static_cast<const char*>(chars), count)
                         : f(static_cast<const QChar*>(chars), count);
        }
        QString text() const
        {
            return withChars([](auto* from, int size) { return makeText(from, size); });
        }
    };

    bool literalValue(int which)
    {
        const QString& text = literal(which);
        return value(text.constData(), text.size(), false, Clean);
    }

    // Made: the characters are not the chunk's, and go away.
    template <typename Char>
    bool number(Char* text, int count, Char decimalPoint, bool made = false)
    {
        int start = 0;
        if (!shapeJsonNumber(text, &start, &count, decimalPoint))
            return madeValue(formatNumber(makeText(text, count).toDouble()));
        return value(static_cast<const Char*>(text) + start, count, made, Clean);
    }

    bool madeValue(const QString& made) { return value(made.constData(), made.size(), true); }

    // How much of the cleaning (trimming, then simplifying white space) a
    // value may need: a number or a literal has no white space at all, and
    // a JSON string holds control characters only where it escapes them.
    enum Cleaning { Clean, TrimOnly, Full };

    // A made value is copied (cleaned) at once: its characters go away.
    template <typename Char>
    bool value(const Char* chars, int count, bool made = false, Cleaning cleaning = Full)
    {
        if (m_top == LineTop::None) {
            m_top = LineTop::Plain;
            return true;
        }
        if (m_trim && cleaning != Clean)
            trimRange(&chars, &count);
        const int from = m_simplify && cleaning == Full ? firstToSimplify(chars, count) : count;
        QString text = from < count ? simplified(chars, count, from)
            : made                  ? makeText(chars, count)
                                    : QString();
        if (!m_tree) {
            int madeAt = -1;
            if (!text.isNull()) {
                madeAt = int(m_made.size());
                m_made.push_back(std::move(text));
            }
            // Written where it stays: a record built beside it and copied in
            // stalled on its partly written bytes.
            Pending& pending = m_pending.emplace_back();
            pending.key = m_key;
            pending.chars = chars;
            pending.count = count;
            pending.bytes = sizeof(Char) == 1;
            pending.made = madeAt;
            fetchAhead(&pending);
            return true;
        }
        if (text.isNull())
            text = makeText(chars, count);
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
            node.value = p.made < 0 ? p.text() : std::move(m_made[size_t(p.made)]);
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
        if (!m_pooling || p->made >= 0 || p->count == 0)
            return;
        const int column = m_keys.at(p->key).column;
        if (column < 0 || size_t(column) >= m_pools->size())
            return;
        const ValuePool& pool = (*m_pools)[size_t(column)];
        if (pool.isRetired())
            return;
        p->hash = p->withChars([](auto* chars, int count) { return hashOf(chars, count); });
        p->hashed = true;
        pool.prefetch(p->hash);
    }

    // A pooled value goes into its column by its entry, a value that is
    // not kept by its characters, an empty one as nothing: no copy of the
    // text is made, whose count the chunks on both threads would otherwise
    // raise and lower for every cell.
    void setCell(int column, const Pending& p, FlatCell* out)
    {
        if (p.made >= 0) {
            QString& made = m_made[size_t(p.made)];
            if (m_pooling)
                made = cellOfMade(column, made);
            out->text = &made;
        } else if (p.count > 0 && !(out->entry = poolEntry(column, p))) {
            out->plain = &p;
        }
    }

    // The entry of the column's pool for the value; null without one.
    ValuePool::Entry* poolEntry(int column, const Pending& p)
    {
        if (!m_pooling)
            return nullptr;
        ValuePool& pool = poolOf(column);
        if (pool.isRetired())
            return nullptr;
        return p.withChars([&](auto* chars, int count) {
            return pool.entry(chars, count, p.hashed ? p.hash : hashOf(chars, count));
        });
    }

    // The column's pool, made when the column is new.
    ValuePool& poolOf(int column)
    {
        if (size_t(column) >= m_pools->size())
            growPools(m_pools, size_t(column) + 1, m_arena);
        return (*m_pools)[size_t(column)];
    }

    // A retired pool hands a made text back as it is.
    QString cellOfMade(int column, const QString& made)
    {
        if (made.isEmpty())
            return made;
        return poolOf(column).intern(made);
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
            empty = empty && (p.made < 0 ? p.count == 0 : m_made[size_t(p.made)].isEmpty());
        }
        if (empty && m_ignoreEmptyRows)
            return;
        for (const Pending& p : m_pending) {
            if (p.hashed)
                (*m_pools)[size_t(m_keys.at(p.key).column)].prefetchText(p.hash);
        }
        m_flatCells.assign(size_t(m_flattener->names().size()), FlatCell());
        for (const Pending& p : m_pending) {
            const int column = m_keys.at(p.key).column;
            // A key given twice keeps its last value, and the entry of the
            // pool's last look-up.
            m_flatCells[size_t(column)] = FlatCell();
            setCell(column, p, &m_flatCells[size_t(column)]);
        }
        m_flatRow = true;
    }

    const bool m_trim;
    const bool m_simplify;
    const bool m_ignoreEmptyRows;
    const bool m_pooling;
    std::vector<FlatCell> m_flatCells;
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
    // The texts made for the line's values (see Pending::made): seldom any,
    // so that a value costs no text of its own to make and let go.
    std::vector<QString> m_made;
    RecordNode m_root;
    std::vector<RecordNode*> m_stack;
};

void LineHandler::FlatCell::appendTo(TextColumn* column, bool pooling) const
{
    if (entry) {
        entry->appendTo(column);
    } else if (plain) {
        plain->withChars([column](auto* chars, int count) {
            if constexpr (sizeof(*chars) == 1)
                column->appendLatin1(chars, count);
            else
                column->append(chars, count);
        });
    } else if (text) {
        pooling ? void(column->appendPooled(*text)) : column->append(*text);
    } else {
        column->appendEmpty(1);
    }
}

// The lines of one chunk and what they gave: rows whose cells follow the
// chunk's own columns, which start with the columns known when the chunk
// was made (so that mostly they are the table's columns already), and the
// first line that failed, which ends the chunk.
class LinesChunk : public ChunkTask
{
public:
    LinesChunk(TextChunk chunkText, const ReadOptions& options, const QStringList& knownNames,
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
        // A chunk of ASCII only is parsed in its bytes: half the memory to
        // go through, and its values go into the columns without widening.
        if (text.isBytes)
            parseLines(text.bytes.data(), text.bytes.size());
        else
            parseLines(reinterpret_cast<char16_t*>(text.chars.data()), text.chars.size());
        finishColumns();
        if (!keepsPools)
            std::vector<ValuePool>().swap(pools);
        text = TextChunk();
    }

    TextChunk text;
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
    // row's by its cells, a tree's from the flattener's rows.
    void encodeRows()
    {
        const std::vector<LineHandler::FlatCell>* cells = nullptr;
        if (m_handler.takeFlatRow(&cells)) {
            addColumns(int(cells->size()));
            TextColumn* out = columns.data();
            for (int c = 0; c < columns.size(); ++c) {
                if (size_t(c) < cells->size())
                    (*cells)[size_t(c)].appendTo(&out[c], pooling);
                else
                    out[c].appendEmpty(1);
            }
            emptyRows.push_back(cells->empty());
            ++rowCount;
            return;
        }
        std::vector<QStringList>& rows = flattener.collected();
        if (rows.empty())
            return;
        addColumns(flattener.names().size());
        TextColumn* out = columns.data();
        for (const QStringList& row : rows) {
            emptyRows.push_back(row.isEmpty());
            for (int c = 0; c < columns.size(); ++c) {
                if (c >= row.size())
                    out[c].appendEmpty(1);
                else
                    pooling ? void(out[c].appendPooled(row.at(c))) : out[c].append(row.at(c));
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
        // Pools retire seldom, so the columns are looked at only then and
        // when columns are added.
        const int retired = retiredPools();
        if (retired == m_retiredSeen && columns.size() == m_columnsSeen)
            return;
        m_retiredSeen = retired;
        m_columnsSeen = columns.size();
        for (int c = 0; c < columns.size() && size_t(c) < pools.size(); ++c) {
            if (columns.at(c).isCoded() && pools[size_t(c)].isRetired())
                columns[c].keepPlainTexts();
        }
    }

    int retiredPools() const
    {
        return int(std::count_if(
            pools.cbegin(), pools.cend(), [](const ValuePool& p) { return p.isRetired(); }));
    }

    void finishColumns()
    {
        std::vector<QStringList>().swap(flattener.collected());
        for (TextColumn& column : columns) {
            column.dropIndex();
            column.squeeze();
        }
    }

    template <typename Ch> void parseLines(Ch* chars, int size)
    {
        using Encoding = typename LineEncoding<Ch>::Type;
        rapidjson::GenericReader<Encoding, Encoding> reader;
        for (int start = 0; start < size && !failed;) {
            Ch* const end = findLineFeed(chars + start, chars + size);
            ++lines;
            if (!isBlank(chars + start, end))
                parseLine(reader, chars + start, end);
            encodeRows();
            start = int(end - chars) + 1;
        }
    }

    template <typename Reader, typename Ch> void parseLine(Reader& reader, Ch* from, Ch* to)
    {
        InsituLine<Ch> stream { from, from, from, to };
        m_handler.startLine();
        rapidjson::ParseResult parsed;
        if (Ch* end = scanFlat(from, to))
            stream.src = end;
        else
            parsed = reader.template Parse<LineParseFlags>(stream, m_handler);
        rapidjson::ParseErrorCode code = parsed.Code();
        failedOffset = parsed.Offset();
        // The parser stops after the bracket that goes too deep: the
        // message points at the bracket itself.
        if (m_handler.tooDeep() && failedOffset > 0)
            --failedOffset;
        if (!parsed.IsError()) {
            while (stream.src < to && isLineSpace(*stream.src))
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

    // Most lines of an ASCII chunk are flat records, taken the quicker way.
    char* scanFlat(char* from, char* to)
    {
        return scanFlatRecord(from, to, m_handler, &m_flatScan);
    }
    char16_t* scanFlat(char16_t*, char16_t*) { return nullptr; }

    LineHandler m_handler;
    FlatScan m_flatScan;
    // What addColumns() last saw.
    int m_retiredSeen = -1;
    int m_columnsSeen = -1;
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
            m_seed = grownSeed(
                m_seed, std::move(found), !chunk.seed, m_result->dataset.plainColumns());
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

template <typename Char>
bool shapeJsonNumber(Char* chars, int* start, int* count, Char decimalPoint)
{
    int end = *count;
    int point = -1;
    for (int i = 0; i < end; ++i) {
        const ushort c = codeUnit(chars[i]);
        if (c == 'e' || c == 'E')
            return false;
        if (c == '.')
            point = i;
    }
    // Plain decimals keep every digit as written, however many, less the
    // zeros that end a fraction.
    if (point >= 0) {
        while (codeUnit(chars[end - 1]) == '0')
            --end;
        if (end - 1 == point)
            end = point;
        else
            chars[point] = decimalPoint;
    }
    *start = end == 2 && codeUnit(chars[0]) == '-' && codeUnit(chars[1]) == '0' ? 1 : 0;
    *count = end - *start;
    return true;
}
template bool shapeJsonNumber(QChar*, int*, int*, QChar);
template bool shapeJsonNumber(char*, int*, int*, char);

bool parseJsonLines(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
    const ParseThreads& threads, ReadResult* result)
{
    source.rewind();
    // A text of a few chunks gains little from threads.
    const int chunkChars = qMax(1, threads.chunkChars);
    const bool parallel = source.estimatedTotal() >= 8 * qint64(chunkChars);
    ChunkCutter cutter(source, chunkChars, true, true);
    LinesJoiner joiner(source, options, progress, result);
    int index = 0;
    const bool completed = runChunkTasks(
        cutter, parallel ? threads.resolvedThreads() : 1,
        [&](TextChunk text) {
            return std::make_unique<LinesChunk>(
                std::move(text), options, joiner.names(), joiner.seed(), chunkGrowsSeed(index++));
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
