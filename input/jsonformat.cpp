// JSON and JSON lines input.
//
// The parser is RapidJSON's event reader rather than QJsonDocument: a
// QJsonObject keeps its members sorted by key, but the columns must follow
// the member order of the file. The event reader also lets records of a
// top-level array be flattened and dropped one by one instead of holding the
// whole document as a tree, and its iterative mode never recurses, so deeply
// nested input cannot exhaust the stack. Its error kinds map onto the two
// cases that matter here: a document followed by more values, or a value
// that is not JSON at all, means the text may be JSON lines.

#include "core/values.h"
#include "input/inputformat.h"
#include "input/recordtree.h"
#include "input/rowsink.h"
#include "input/textparsers.h"
#include "input/textsource.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>

namespace {

using Utf16 = rapidjson::UTF16<char16_t>;

constexpr qint64 ProgressInterval = 50000;
constexpr unsigned ParseFlags = rapidjson::kParseIterativeFlag
    | rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseStopWhenDoneFlag;

// A stream over text already in memory that knows its length, so that a NUL
// character inside the text is not taken for its end.
struct TextStream
{
    using Ch = char16_t;
    const Ch* begin;
    const Ch* cur;
    const Ch* end;

    Ch Peek() const { return cur < end ? *cur : Ch(0); }
    Ch Take() { return cur < end ? *cur++ : Ch(0); }
    size_t Tell() const { return size_t(cur - begin); }
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) { }
    void Flush() { }
    size_t PutEnd(Ch*) { return 0; }
};

QString numberText(const char16_t* chars, rapidjson::SizeType length)
{
    const QString raw = QString::fromUtf16(chars, int(length));
    // Whole numbers keep every digit, however long; others are read and
    // written back the way every number is shown.
    if (!raw.contains(QLatin1Char('.')) && !raw.contains(QLatin1Char('e'))
        && !raw.contains(QLatin1Char('E')))
        return raw == QLatin1String("-0") ? QStringLiteral("0") : raw;
    return formatNumber(raw.toDouble());
}

// The keys met so far, with their column-safe text. Records repeat the same
// keys in the same order: the next key is most likely the one after the
// last found, and a hit reuses its text instead of making a new one for
// every member of every record. Shared by all lines of JSON lines.
struct KeyCache
{
    static constexpr int MaxKeys = 256;
    QVector<QPair<QString, QString>> keys;
    int hint = 0;

    QString text(QStringView key)
    {
        const int count = keys.size();
        for (int i = 0; i < count; ++i) {
            const int k = (hint + i) % count;
            if (keys.at(k).first == key) {
                hint = k + 1;
                return keys.at(k).second;
            }
        }
        QString safe = key.toString();
        safe.replace(QLatin1Char('.'), QLatin1Char('-'));
        if (count < MaxKeys)
            keys.append(qMakePair(key.toString(), safe));
        return safe;
    }
};

// Builds the tree of each record from the reader's events.
class TreeHandler : public rapidjson::BaseReaderHandler<Utf16, TreeHandler>
{
public:
    enum Top { TopNone, TopPlain, TopObject, TopArray };

    TreeHandler(const ReadOptions& options, RecordFlattener* flattener, bool splitTopArray,
        const TextStream* stream, ProgressTracker* tracker, KeyCache* keyCache)
        : m_options(options),
          m_flattener(flattener),
          m_splitTopArray(splitTopArray),
          m_stream(stream),
          m_tracker(tracker),
          m_keyCache(keyCache)
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
    // The number as written. The reader hands it over in a buffer that it
    // fills wrongly for 16-bit text, but the number's characters are the
    // ones just consumed from the stream.
    bool RawNumber(const char16_t*, rapidjson::SizeType length, bool)
    {
        return plain(numberText(m_stream->cur - length, length));
    }
    bool String(const char16_t* chars, rapidjson::SizeType length, bool)
    {
        return plain(QString::fromUtf16(chars, int(length)));
    }
    bool Key(const char16_t* chars, rapidjson::SizeType length, bool)
    {
        m_key = m_keyCache->text(QStringView(chars, int(length)));
        return true;
    }
    bool StartObject() { return open(RecordNode::Object); }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool StartArray() { return open(RecordNode::Array); }
    bool EndArray(rapidjson::SizeType) { return close(); }

private:
    RecordNode* add(RecordNode::Kind kind)
    {
        RecordNode* parent = m_stack.back();
        parent->children.emplace_back();
        RecordNode* node = &parent->children.back();
        node->kind = kind;
        if (parent->kind == RecordNode::Object)
            node->name = m_key;
        return node;
    }

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
            m_stack.push_back(&m_root);
            return true;
        }
        if (int(m_stack.size()) >= MaxRecordDepth) {
            m_tooDeep = true;
            return false;
        }
        m_stack.push_back(add(kind));
        return true;
    }

    bool close()
    {
        RecordNode* node = m_stack.back();
        m_stack.pop_back();
        if (node->kind == RecordNode::Object) {
            // Plain members first, then objects, then arrays, each in the
            // order of the file.
            auto& c = node->children;
            const auto plain = [](const RecordNode& n) { return n.kind == RecordNode::Plain; };
            const auto object = [](const RecordNode& n) { return n.kind == RecordNode::Object; };
            // Most records are in order already; sorting costs only when not.
            if (!std::is_partitioned(c.begin(), c.end(), plain))
                std::stable_partition(c.begin(), c.end(), plain);
            const auto objectsAt = std::partition_point(c.begin(), c.end(), plain);
            if (!std::is_partitioned(objectsAt, c.end(), object))
                std::stable_partition(objectsAt, c.end(), object);
        }
        // A whole value as one record waits until the text after it is
        // known to be clean.
        if (m_stack.empty())
            return progress();
        return recordDone();
    }

    bool splitting() const { return m_splitTopArray && m_root.kind == RecordNode::Array; }

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
        if (m_tracker && !m_tracker->at(qint64(m_stream->Tell()))) {
            m_stopped = true;
            return false;
        }
        return true;
    }

    const ReadOptions& m_options;
    RecordFlattener* m_flattener;
    bool m_splitTopArray;
    const TextStream* m_stream;
    ProgressTracker* m_tracker;
    RecordNode m_root;
    std::vector<RecordNode*> m_stack;
    KeyCache* m_keyCache;
    QString m_key;
    Top m_top = TopNone;
    bool m_tooDeep = false;
    bool m_stopped = false;
};

struct ParseOutcome
{
    rapidjson::ParseErrorCode code = rapidjson::kParseErrorNone;
    size_t offset = 0;
    TreeHandler::Top top = TreeHandler::TopNone;
    bool tooDeep = false;
    bool stopped = false;
    // Characters after the value that are not white space.
    bool trailing = false;
};

ParseOutcome parseValue(QStringView text, const ReadOptions& options, RecordFlattener* flattener,
    bool splitTopArray, ProgressTracker* tracker, KeyCache* keyCache)
{
    const auto* chars = reinterpret_cast<const char16_t*>(text.utf16());
    TextStream stream { chars, chars, chars + text.size() };
    TreeHandler handler(options, flattener, splitTopArray, &stream, tracker, keyCache);
    rapidjson::GenericReader<Utf16, Utf16> reader;
    const rapidjson::ParseResult parsed = reader.Parse<ParseFlags>(stream, handler);
    ParseOutcome outcome;
    outcome.code = parsed.Code();
    outcome.offset = parsed.Offset();
    outcome.top = handler.top();
    outcome.tooDeep = handler.tooDeep();
    outcome.stopped = handler.stopped();
    if (!parsed.IsError()) {
        // Stopping when done leaves the rest to look at: anything but white
        // space is what a reader without that flag calls a second root.
        while (stream.cur < stream.end && QChar(ushort(*stream.cur)).isSpace())
            ++stream.cur;
        if (stream.cur < stream.end) {
            outcome.trailing = true;
            outcome.code = rapidjson::kParseErrorDocumentRootNotSingular;
            outcome.offset = stream.Tell();
        } else if (const RecordNode* record = handler.wholeRecord()) {
            flattener->addRecord(*record);
        }
    }
    return outcome;
}

// The parser's own text, without its full stop, since a position follows.
QString errorText(rapidjson::ParseErrorCode code)
{
    QString text = QString::fromLatin1(rapidjson::GetParseError_En(code));
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

bool mayBeJsonLines(rapidjson::ParseErrorCode code)
{
    return code == rapidjson::kParseErrorDocumentRootNotSingular
        || code == rapidjson::kParseErrorValueInvalid;
}

// Reads one record per line; false when a line fails (after the warning).
bool parseLines(const QString& text, const ReadOptions& options, RecordFlattener* flattener,
    ProgressTracker* tracker, KeyCache* keyCache, ReadResult* result)
{
    int start = 0;
    int lineNumber = 0;
    while (start <= text.size()) {
        int end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        ++lineNumber;
        const QStringView line = QStringView(text).mid(start, end - start);
        start = end + 1;
        if (line.trimmed().isEmpty())
            continue;
        const ParseOutcome outcome = parseValue(line, options, flattener, false, nullptr, keyCache);
        if (outcome.code == rapidjson::kParseErrorNone
            && (outcome.top == TreeHandler::TopObject || outcome.top == TreeHandler::TopArray)) {
            if (tracker && !tracker->at(start))
                return false;
            continue;
        }
        const QString reason = outcome.tooDeep
            ? QStringLiteral("nested more than %1 levels deep").arg(MaxRecordDepth)
            : outcome.code == rapidjson::kParseErrorNone
            ? QStringLiteral("Array or object expected")
            : errorText(outcome.code);
        result->warnings.append(QStringLiteral("Error parsing JSON lines: at line %1 offset %2: %3")
                                    .arg(lineNumber)
                                    .arg(outcome.offset)
                                    .arg(reason));
        return false;
    }
    return true;
}

bool parseJson(const QString& text, const ReadOptions& options, const ReadProgress& progress,
    ReadResult* result)
{
    ProgressTracker tracker(progress, text.size(), ProgressInterval);
    auto flattener = std::make_unique<RecordFlattener>(
        &result->dataset, options.layout, options.ignoreEmptyRows);
    KeyCache keyCache;
    const ParseOutcome outcome
        = parseValue(text, options, flattener.get(), true, &tracker, &keyCache);
    if (outcome.stopped || outcome.tooDeep
        || (outcome.code != rapidjson::kParseErrorNone && !mayBeJsonLines(outcome.code)))
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
        if (outcome.top == TreeHandler::TopPlain)
            result->warnings.append(
                QStringLiteral("Array or object expected at top-level in JSON"));
        flattener->finish();
        return true;
    }
    if (mayBeJsonLines(outcome.code)) {
        // Records taken before the error belong to a parse that failed.
        flattener->reset();
        const bool complete
            = parseLines(text, options, flattener.get(), &tracker, &keyCache, result);
        flattener->finish();
        // A failing line ends the read there; the lines before it stay.
        if (!complete && !result->dataset.hasRows())
            result->error = true;
        return result->ok();
    }
    QString warning = QStringLiteral("Error parsing JSON: %1").arg(errorText(outcome.code));
    if (outcome.offset > 0)
        warning += QStringLiteral(" at offset %1").arg(outcome.offset);
    result->fail(warning);
    return false;
}

class JsonFormat : public InputFormat
{
public:
    int fileType() const override { return FileTypeJson; }
    bool usesEncoding() const override { return false; }

    void saveOptions(const ReadOptions& o, QVariantMap* map) const override
    {
        saveLayoutOption(o, map);
    }
    void restoreOptions(const QVariantMap& map, ReadOptions* o) const override
    {
        restoreLayoutOption(map, o);
    }
    SummaryRows optionSummary(const ReadOptions& o) const override
    {
        return InputFormat::optionSummary(o) + SummaryRows { layoutSummaryRow(o.layout) };
    }

    bool parse(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result) const override
    {
        return guardMemory(source, result, [&] {
            const QString text = source.readAll();
            if (source.hasReadError()) {
                result->fail(QStringLiteral("Unable to read '%1'").arg(displayPath(source.path())));
                return false;
            }
            addDecodingWarnings(source, result);
            return parseJson(text, options, progress, result);
        });
    }
};

} // namespace

const InputFormat& jsonInputFormat()
{
    static const JsonFormat format;
    return format;
}
