// JSON and JSON lines input.
//
// The parser is RapidJSON's event reader rather than QJsonDocument: a
// QJsonObject keeps its members sorted by key, but the columns must follow
// the member order of the file. The event reader also lets records of a
// top-level array be flattened and dropped one by one instead of holding the
// whole document as a tree, and its iterative mode never recurses, so deeply
// nested input cannot exhaust the stack. Its error kinds map onto the two
// cases that matter here: a document followed by more values, or a value
// that is not JSON at all, means the text may be JSON lines, which
// jsonlines.cpp reads.

#include "input/jsonformat.h"

#include "core/values.h"
#include "input/inputformat.h"
#include "input/jsonkeys.h"
#include "input/jsonlines.h"
#include "input/recordtree.h"
#include "input/rowsink.h"
#include "input/textparsers.h"
#include "input/textsource.h"

#include <QLocale>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <rapidjson/reader.h>

namespace {

using Utf16 = rapidjson::UTF16<char16_t>;

constexpr qint64 ProgressInterval = 50000;
constexpr unsigned ParseFlags = rapidjson::kParseIterativeFlag
    | rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseStopWhenDoneFlag;

// A stream over the blocks of a source, so that a file is never held whole:
// only the current block and the tail of the one before, for a number that
// starts there.
class BlockStream
{
public:
    using Ch = char16_t;

    explicit BlockStream(TextSource* source) : m_source(source) { }

    Ch Peek() const { return (m_cur < m_end || fill()) ? *m_cur : Ch(0); }
    Ch Take()
    {
        if (m_cur >= m_end && !fill())
            return Ch(0);
        ++m_position;
        return *m_cur++;
    }
    size_t Tell() const { return size_t(m_position); }
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) { }
    void Flush() { }
    size_t PutEnd(Ch*) { return 0; }

    bool atEnd() const { return m_cur >= m_end && !fill(); }
    // The number just read, as written; it may have begun blocks ago.
    QString justTaken(int length) const
    {
        const int inBlock = int(m_cur - m_blockBegin);
        if (length <= inBlock)
            return QString(reinterpret_cast<const QChar*>(m_cur - length), length);
        QString joined = m_tail.right(length - inBlock);
        // Nothing of the block yet: its start may be no address at all.
        if (inBlock > 0)
            joined.append(reinterpret_cast<const QChar*>(m_blockBegin), inBlock);
        return joined;
    }

private:
    static bool inNumber(QChar c)
    {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')
            || c == QLatin1Char('+') || c == QLatin1Char('.') || c == QLatin1Char('e')
            || c == QLatin1Char('E');
    }

    bool fill() const
    {
        if (m_blockBegin) {
            // Keeps the characters at the end of the block that may belong to
            // a number going on in the next one, however long it is.
            const QStringView block(
                reinterpret_cast<const QChar*>(m_blockBegin), int(m_end - m_blockBegin));
            int run = 0;
            while (run < block.size() && inNumber(block.at(block.size() - 1 - run)))
                ++run;
            m_tail = run == block.size() ? m_tail + block.toString() : block.right(run).toString();
        }
        QStringView block;
        while (m_source->next(&block)) {
            if (block.isEmpty())
                continue;
            m_blockBegin = m_cur = reinterpret_cast<const Ch*>(block.utf16());
            m_end = m_cur + block.size();
            return true;
        }
        m_blockBegin = m_cur = m_end = nullptr;
        return false;
    }

    TextSource* m_source;
    mutable const Ch* m_blockBegin = nullptr;
    mutable const Ch* m_cur = nullptr;
    mutable const Ch* m_end = nullptr;
    mutable QString m_tail;
    qint64 m_position = 0;
};

QString numberText(QString raw, QChar decimalPoint)
{
    int start = 0;
    int count = raw.size();
    if (!shapeJsonNumber(raw.data(), &start, &count, decimalPoint))
        return formatNumber(raw.toDouble());
    return raw.mid(start, count);
}

enum Top { TopNone, TopPlain, TopObject, TopArray };

// Builds the tree of each record from the reader's events.
template <typename Stream>
class TreeHandler : public rapidjson::BaseReaderHandler<Utf16, TreeHandler<Stream>>
{
public:
    TreeHandler(const ReadOptions& options, RecordFlattener* flattener, const Stream* stream,
        ProgressTracker* tracker, KeyTable* keys)
        : m_options(options),
          m_flattener(flattener),
          m_stream(stream),
          m_tracker(tracker),
          m_keys(keys)
    {
    }

    Top top() const { return m_top; }
    // The value when it was not split into records, once it is complete.
    const RecordNode* wholeRecord() const
    {
        return m_stack.empty() && (m_top == TopObject || m_top == TopArray) && !splitting()
            ? &m_root
            : nullptr;
    }
    bool tooDeep() const { return m_tooDeep; }
    bool stopped() const { return m_stopped; }

    bool Null() { return plain(QStringLiteral("null")); }
    bool Bool(bool b) { return plain(b ? QStringLiteral("true") : QStringLiteral("false")); }
    // The number as written: the characters just consumed from the stream.
    bool RawNumber(const char16_t*, rapidjson::SizeType length, bool)
    {
        return plain(numberText(m_stream->justTaken(int(length)), m_decimalPoint));
    }
    bool String(const char16_t* chars, rapidjson::SizeType length, bool)
    {
        return plain(QString(reinterpret_cast<const QChar*>(chars), int(length)));
    }
    bool Key(const char16_t* chars, rapidjson::SizeType length, bool)
    {
        m_key = m_keys->at(m_keys->find(QStringView(chars, int(length)))).safe;
        return true;
    }
    bool StartObject() { return open(RecordNode::Object); }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool StartArray() { return open(RecordNode::Array); }
    bool EndArray(rapidjson::SizeType) { return close(); }

private:
    RecordNode* add(RecordNode::Kind kind) { return appendChild(m_stack.back(), kind, m_key); }

    bool plain(const QString& text)
    {
        const QString value
            = cleanValue(text, m_options.trimWhitespace, m_options.simplifyWhitespace);
        if (m_stack.empty()) {
            m_top = TopPlain;
            return true;
        }
        add(RecordNode::Plain)->value = value;
        return recordDone();
    }

    bool open(RecordNode::Kind kind)
    {
        if (m_stack.empty()) {
            m_top = kind == RecordNode::Object ? TopObject : TopArray;
            m_root = RecordNode();
            m_root.kind = kind;
            m_root.children.reserve(16);
            m_stack.push_back(&m_root);
            return true;
        }
        if (int(m_stack.size()) >= MaxRecordDepth) {
            m_tooDeep = true;
            return false;
        }
        RecordNode* node = add(kind);
        // Room for the members of a typical record at once, rather than
        // growing member by member.
        if (kind == RecordNode::Object)
            node->children.reserve(16);
        m_stack.push_back(node);
        return true;
    }

    bool close()
    {
        RecordNode* node = m_stack.back();
        m_stack.pop_back();
        if (node->kind == RecordNode::Object)
            orderMembers(node);
        // A whole value as one record waits until the text after it is
        // known to be clean.
        if (m_stack.empty())
            return progress();
        return recordDone();
    }

    bool splitting() const { return m_root.kind == RecordNode::Array; }

    // Each element of a top-level array is a record of its own, flattened
    // as soon as it is complete.
    bool recordDone()
    {
        if (m_stack.size() != 1 || !splitting())
            return true;
        m_flattener->addRecord(m_root.children.back());
        m_root.children.clear();
        return progress();
    }

    bool progress()
    {
        if (!m_tracker->at(qint64(m_stream->Tell()))) {
            m_stopped = true;
            return false;
        }
        return true;
    }

    const ReadOptions& m_options;
    RecordFlattener* m_flattener;
    const Stream* m_stream;
    ProgressTracker* m_tracker;
    RecordNode m_root;
    std::vector<RecordNode*> m_stack;
    KeyTable* m_keys;
    const QChar m_decimalPoint = QLocale().decimalPoint();
    QString m_key;
    Top m_top = TopNone;
    bool m_tooDeep = false;
    bool m_stopped = false;
};

struct ParseOutcome
{
    rapidjson::ParseErrorCode code = rapidjson::kParseErrorNone;
    size_t offset = 0;
    Top top = TopNone;
    bool tooDeep = false;
    bool stopped = false;
    // Characters after the value that are not white space.
    bool trailing = false;
};

// The reader's stack for strings and numbers. Reading a number as text,
// the reader copies its characters from one stretch of this stack to the
// next while it still reads the first: a stack that grows during that copy
// (a number of 128 digits or more) would be read after it was freed. So the
// blocks it grew out of are kept until the read is over; they are never
// more than the stack's own size put together.
class KeepingAllocator
{
public:
    static const bool kNeedFree = true;

    KeepingAllocator() = default;
    KeepingAllocator(const KeepingAllocator&) = delete;
    KeepingAllocator& operator=(const KeepingAllocator&) = delete;
    ~KeepingAllocator()
    {
        for (void* block : m_retired)
            std::free(block);
    }

    void* Malloc(size_t size) { return size ? std::malloc(size) : nullptr; }
    void* Realloc(void* old, size_t oldSize, size_t newSize)
    {
        void* grown = newSize ? std::malloc(newSize) : nullptr;
        if (grown && old)
            std::memcpy(grown, old, std::min(oldSize, newSize));
        if (old)
            m_retired.push_back(old);
        return grown;
    }
    static void Free(void* block) { std::free(block); }

private:
    std::vector<void*> m_retired;
};

using Reader = rapidjson::GenericReader<Utf16, Utf16, KeepingAllocator>;

template <typename Stream>
ParseOutcome parseValue(Reader& reader, Stream& stream, const ReadOptions& options,
    RecordFlattener* flattener, ProgressTracker* tracker, KeyTable* keys)
{
    TreeHandler<Stream> handler(options, flattener, &stream, tracker, keys);
    const rapidjson::ParseResult parsed = reader.template Parse<ParseFlags>(stream, handler);
    ParseOutcome outcome;
    outcome.code = parsed.Code();
    outcome.offset = parsed.Offset();
    outcome.top = handler.top();
    outcome.tooDeep = handler.tooDeep();
    outcome.stopped = handler.stopped();
    if (!parsed.IsError()) {
        // Stopping when done leaves the rest to look at: anything but white
        // space is what a reader without that flag calls a second root.
        while (!stream.atEnd() && QChar(ushort(stream.Peek())).isSpace())
            stream.Take();
        if (!stream.atEnd()) {
            outcome.trailing = true;
            outcome.code = rapidjson::kParseErrorDocumentRootNotSingular;
            outcome.offset = stream.Tell();
        } else if (const RecordNode* record = handler.wholeRecord()) {
            flattener->addRecord(*record);
        }
    }
    return outcome;
}

bool mayBeJsonLines(rapidjson::ParseErrorCode code)
{
    return code == rapidjson::kParseErrorDocumentRootNotSingular
        || code == rapidjson::kParseErrorValueInvalid;
}

} // namespace

bool parseJsonText(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
    ReadResult* result, const ParseThreads& threads)
{
    ProgressTracker tracker(progress, source.estimatedTotal(), ProgressInterval);
    auto flattener = std::make_unique<RecordFlattener>(&result->dataset,
        JsonReadOptions::from(options.formatOptions).layout, options.ignoreEmptyRows);
    KeyTable keys;
    source.rewind();
    BlockStream stream(&source);
    KeepingAllocator stackMemory;
    Reader reader(&stackMemory);
    const ParseOutcome outcome
        = parseValue(reader, stream, options, flattener.get(), &tracker, &keys);
    if (outcome.code != rapidjson::kParseErrorNone)
        flattener->reset();
    if (outcome.stopped) {
        result->stopped = true;
        result->fail(QStringLiteral("Stopped by user"));
        return false;
    }
    if (outcome.tooDeep) {
        result->fail(
            QStringLiteral("Error parsing JSON: nested more than %1 levels deep at offset %2")
                .arg(MaxRecordDepth)
                .arg(outcome.offset));
        return false;
    }
    if (outcome.code == rapidjson::kParseErrorNone) {
        if (outcome.top == TopPlain)
            result->warnings.append(
                QStringLiteral("Array or object expected at top-level in JSON"));
        flattener->finish();
        return true;
    }
    if (mayBeJsonLines(outcome.code)) {
        flattener = nullptr;
        const bool complete = parseJsonLines(source, options, progress, threads, result);
        // A failing line ends the read there; the lines before it stay.
        if (!complete && !result->dataset.hasRows())
            result->error = true;
        return result->ok();
    }
    QString warning = QStringLiteral("Error parsing JSON: %1").arg(jsonErrorText(outcome.code));
    if (outcome.offset > 0)
        warning += QStringLiteral(" at offset %1").arg(outcome.offset);
    result->fail(warning);
    return false;
}

namespace {

class JsonFormat : public InputFormat
{
public:
    int fileType() const override { return FileTypeJson; }
    bool namesColumns() const override { return true; }
    bool recognises(QStringView start) const override
    {
        return start.startsWith(QLatin1Char('{')) || start.startsWith(QLatin1Char('['));
    }
    bool usesEncoding() const override { return false; }

    void saveOptions(const QVariantMap& options, QVariantMap* stored) const override
    {
        LayoutReadOptions::from(options).store(stored);
    }
    void restoreOptions(const QVariantMap& stored, QVariantMap* options) const override
    {
        LayoutReadOptions::from(stored, LayoutLong).store(options);
    }
    SummaryRows optionSummary(const ReadOptions& o) const override
    {
        return InputFormat::optionSummary(o)
            + SummaryRows { LayoutReadOptions::from(o.formatOptions).summaryRow() };
    }

    bool parse(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result) const override
    {
        return guardMemory(source, result, [&] {
            const bool parsed = parseJsonText(source, options, progress, result);
            if (source.hasReadError()) {
                result->dataset.clear();
                result->fail(QStringLiteral("Unable to read '%1'").arg(displayPath(source.path())));
                return false;
            }
            // Before the parser's warnings: a wrong encoding explains them.
            QStringList warnings = result->warnings;
            result->warnings.clear();
            addDecodingWarnings(source, result);
            result->warnings += warnings;
            return parsed;
        });
    }
};

} // namespace

const InputFormat& jsonInputFormat()
{
    static const JsonFormat format;
    return format;
}
