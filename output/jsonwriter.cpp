#include "core/dataset.h"
#include "core/optionmap.h"
#include "core/values.h"
#include "output/fieldtree.h"
#include "output/outputformat.h"
#include "output/parallelrows.h"
#include "output/valuebytescache.h"
#include "output/writer.h"
#include "output/writerutil.h"

#include <QLocale>

#include <vector>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Advances over a run of digits; false when there is none.
bool skipDigits(const QString& text, int& i)
{
    const int start = i;
    while (i < text.size() && isDigit(text.at(i)))
        ++i;
    return i > start;
}

bool isJsonBoolean(const QString& text)
{
    return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
        || text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;
}

constexpr int MaxMismatchWarnings = 5;

// Each member's key as written before its value, made once rather than for
// every row.
void prepareJsonTree(FieldNode& node)
{
    for (FieldNode& child : node.children) {
        child.tag = QLatin1Char('"') + jsonEscaped(child.key) + QLatin1String("\": ");
        prepareJsonTree(child);
    }
}

// Writes rows into any sink (the file's, or a block made on another thread);
// the type mismatches go to its own result.
class JsonRowWriter
{
public:
    JsonRowWriter(
        const FieldNode& tree, const QVector<int>& types, bool removeEmpty, TextWriteResult& result)
        : m_tree(tree), m_types(types), m_removeEmpty(removeEmpty), m_result(result)
    {
    }

    template <class Sink> void writeRow(Sink& sink, const RowReader& row, bool more)
    {
        m_row = &row;
        sink.indent(1);
        sink << QLatin1Char('{');
        sink.endLine();
        writeMembers(sink, m_tree, row, 2);
        sink.indent(1);
        sink << QLatin1Char('}');
        if (more)
            sink << QLatin1Char(',');
        sink.endLine();
    }

private:
    template <class Sink>
    void writeMembers(Sink& sink, const FieldNode& node, const RowReader& row, int depth)
    {
        int last = -1;
        for (int i = 0; i < node.children.size(); ++i) {
            if (fieldPresent(node.children.at(i), row, m_removeEmpty))
                last = i;
        }
        for (int i = 0; i <= last; ++i) {
            const FieldNode& child = node.children.at(i);
            if (!fieldPresent(child, row, m_removeEmpty))
                continue;
            sink.indent(depth);
            sink << child.tag;
            if (child.isLeaf()) {
                writeValue(sink, fieldValue(row, child.column), child.column);
            } else {
                sink << QLatin1Char('{');
                sink.endLine();
                writeMembers(sink, child, row, depth + 1);
                sink.indent(depth);
                sink << QLatin1Char('}');
            }
            if (i < last)
                sink << QLatin1Char(',');
            sink.endLine();
        }
    }

    template <class Sink> void writeValue(Sink& sink, const QString& value, int column)
    {
        const int type = m_types.value(column, JsonTypeString);
        if (type == JsonTypeString) {
            sink << QLatin1Char('"');
            appendEscaped(sink, value, column);
            sink << QLatin1Char('"');
            return;
        }
        // An empty cell is a missing value rather than a wrong one.
        if (value.isEmpty()) {
            sink << QLatin1String("null");
            return;
        }
        const bool literal = type == JsonTypeNumber
            ? isJsonNumber(value)
            : value == QLatin1String("true") || value == QLatin1String("false");
        if (type == JsonTypeRaw || literal) {
            sink << value;
            return;
        }
        sink << convertedValue(value, type, column);
    }

    template <class Sink> void appendEscaped(Sink& sink, const QString& value, int)
    {
        appendJsonText(sink, value);
    }
    void appendEscaped(Utf8Block& block, const QString& value, int column)
    {
        m_cache.append(block, *m_row, column, [&] { appendJsonText(block, value); });
    }

    // The slow path: values that are not already written as JSON wants them.
    QString convertedValue(const QString& value, int type, int column)
    {
        bool ok = false;
        if (type == JsonTypeBoolean) {
            const bool flag = toBool(value, false, false, &ok);
            if (ok)
                return flag ? QStringLiteral("true") : QStringLiteral("false");
        } else {
            const double number = toNumber(value, false, false, &ok);
            // Written without group separators and with a '.' whatever the
            // locale, so that the document stays valid JSON.
            if (ok)
                return QLocale::c().toString(number, 'g', QLocale::FloatingPointShortest);
        }
        addMismatch(value, type, column);
        return QStringLiteral("null");
    }

    void addMismatch(const QString& value, int type, int column)
    {
        if (++m_result.jsonTypeMismatches <= MaxMismatchWarnings) {
            m_result.warnings << QStringLiteral("'%1' not of type %2 in column %3.")
                                     .arg(value, jsonTypeName(type))
                                     .arg(column + 1);
        }
    }

    const FieldNode& m_tree;
    const QVector<int>& m_types;
    bool m_removeEmpty;
    TextWriteResult& m_result;
    ValueBytesCache m_cache;
    const RowReader* m_row = nullptr;
};

// The mismatches of a later stretch of rows after those already found.
void addMismatches(TextWriteResult& result, const TextWriteResult& later)
{
    for (const QString& warning : later.warnings) {
        if (result.warnings.size() < MaxMismatchWarnings)
            result.warnings << warning;
    }
    result.jsonTypeMismatches += later.jsonTypeMismatches;
}

void reportAutomaticTypes(
    TextWriteResult& result, const QStringList& names, const QVector<int>& types)
{
    result.information << QStringLiteral("Value types=Automatic sets JSON column types as:");
    for (int c = 0; c < names.size(); ++c)
        result.information << QStringLiteral("%1: %2").arg(names.at(c), jsonTypeName(types.at(c)));
    result.information << QStringLiteral("Set 'Value types' option to change");
}

} // namespace

bool isJsonNumber(const QString& text)
{
    int i = 0;
    if (i < text.size() && text.at(i) == QLatin1Char('-'))
        ++i;
    if (i < text.size() && text.at(i) == QLatin1Char('0'))
        ++i;
    else if (!skipDigits(text, i))
        return false;
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        if (!skipDigits(text, i))
            return false;
    }
    if (i < text.size() && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            ++i;
        if (!skipDigits(text, i))
            return false;
    }
    return i == text.size();
}

QString jsonTypeName(int type)
{
    switch (type) {
    case JsonTypeAutomatic:
        return QStringLiteral("Automatic");
    case JsonTypeBoolean:
        return QStringLiteral("Boolean");
    case JsonTypeNumber:
        return QStringLiteral("Number");
    case JsonTypeString:
        return QStringLiteral("String");
    case JsonTypeRaw:
        return QStringLiteral("Raw data");
    default:
        return QString();
    }
}

namespace {

// What the values of a column seen so far allow it to be.
struct ColumnKinds
{
    bool anyValue = false;
    bool allNumbers = true;
    bool allBooleans = true;
};

// Rows [from, to) for the columns: one pass over the rows for all of them
// (a pass per column fetched every row again), leaving out a column once it
// can only be text.
std::vector<ColumnKinds> scanColumnKinds(
    const Dataset& data, const QVector<int>& columns, int from, int to)
{
    std::vector<ColumnKinds> kinds(size_t(columns.size()));
    std::vector<int> open(size_t(columns.size()));
    for (size_t i = 0; i < open.size(); ++i)
        open[i] = int(i);
    QString scratch;
    for (int r = from; r < to && !open.empty(); ++r) {
        for (size_t k = 0; k < open.size();) {
            const int column = columns.at(open[k]);
            static const QString missing;
            const QString& value
                = column < data.columnCount() ? data.text(r, column, scratch) : missing;
            ColumnKinds& kind = kinds[size_t(open[k])];
            if (!value.isEmpty()) {
                kind.anyValue = true;
                kind.allNumbers = kind.allNumbers && isJsonNumber(value);
                kind.allBooleans = kind.allBooleans && isJsonBoolean(value);
            }
            if (!kind.allNumbers && !kind.allBooleans) {
                open.erase(open.begin() + std::ptrdiff_t(k));
                continue;
            }
            ++k;
        }
    }
    return kinds;
}

// The automatic type of each of the columns; a long table is looked at in
// two halves at once.
QVector<int> jsonAutomaticTypes(const Dataset& data, const QVector<int>& columns)
{
    std::vector<ColumnKinds> kinds;
    if (data.rowCount() >= ParallelRows && !columns.isEmpty()) {
        const int middle = data.rowCount() / 2;
        std::vector<ColumnKinds> second;
        BlockWorker worker;
        runBoth(
            worker, [&] { second = scanColumnKinds(data, columns, middle, data.rowCount()); },
            [&] { kinds = scanColumnKinds(data, columns, 0, middle); });
        for (size_t i = 0; i < kinds.size(); ++i) {
            kinds[i].anyValue = kinds[i].anyValue || second[i].anyValue;
            kinds[i].allNumbers = kinds[i].allNumbers && second[i].allNumbers;
            kinds[i].allBooleans = kinds[i].allBooleans && second[i].allBooleans;
        }
    } else {
        kinds = scanColumnKinds(data, columns, 0, data.rowCount());
    }
    QVector<int> types;
    for (const ColumnKinds& kind : kinds) {
        if (!kind.anyValue || (!kind.allNumbers && !kind.allBooleans))
            types << JsonTypeString;
        else
            types << (kind.allNumbers ? JsonTypeNumber : JsonTypeBoolean);
    }
    return types;
}

} // namespace

int jsonAutomaticType(const Dataset& data, int column)
{
    return jsonAutomaticTypes(data, { column }).value(0);
}

JsonWriteOptions JsonWriteOptions::from(const QVariantMap& map)
{
    using namespace OptionMap;
    JsonWriteOptions o;
    o.valueTypes = readInt(map, QStringLiteral("json_types"), JsonValueTypesAutomatic,
        JsonValueTypesAutomatic, JsonValueTypesManual);
    o.columnTypes = readIntList(map, QStringLiteral("json_manual_col_types"));
    o.removeEmpty = readBool(map, QStringLiteral("remove_empty"), true);
    return o;
}

void JsonWriteOptions::store(QVariantMap* map) const
{
    map->insert(QStringLiteral("json_types"), valueTypes);
    map->insert(QStringLiteral("json_manual_col_types"), OptionMap::intListText(columnTypes));
    map->insert(QStringLiteral("remove_empty"), int(removeEmpty));
}

QVector<int> jsonColumnTypes(const Dataset& data, const JsonWriteOptions& options)
{
    QVector<int> types(data.columnCount(), JsonTypeString);
    if (options.valueTypes == JsonValueTypesString)
        return types;
    QVector<int> automatic;
    for (int c = 0; c < types.size(); ++c) {
        int type = JsonTypeAutomatic;
        if (options.valueTypes == JsonValueTypesManual)
            type = options.columnTypes.value(c, JsonTypeAutomatic);
        if (type < JsonTypeBoolean || type > JsonTypeRaw)
            automatic << c;
        else
            types[c] = type;
    }
    const QVector<int> found = jsonAutomaticTypes(data, automatic);
    for (int i = 0; i < automatic.size(); ++i)
        types[automatic.at(i)] = found.at(i);
    return types;
}

TextWriteResult writeJson(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
    const WriteProgress& progress)
{
    TextWriteResult result;
    const JsonWriteOptions own = JsonWriteOptions::from(options.formatOptions);
    const QStringList names = outputColumnNames(data);
    const QVector<int> types = jsonColumnTypes(data, own);
    FieldNode tree = buildFieldTree(names);
    prepareJsonTree(tree);

    TextSink sink(stream, options.lineEnding);
    sink << QLatin1Char('[');
    sink.endLine();
    RowProgress rowProgress(progress, data.rowCount());
    if (data.rowCount() >= ParallelRows) {
        // Each part has its own mismatches, gathered in row order.
        TextWriteResult parts[2];
        JsonRowWriter writers[2] = { JsonRowWriter(tree, types, own.removeEmpty, parts[0]),
            JsonRowWriter(tree, types, own.removeEmpty, parts[1]) };
        writeRowsInParallel(
            sink, data.rowCount(), rowProgress, lineEndingText(options.lineEnding),
            [&](auto& block, int part, int from, int to) {
                RowReader row(data, 0, from, to);
                for (int r = from; r < to; ++r) {
                    row.setRow(r);
                    writers[part].writeRow(block, row, r + 1 < data.rowCount());
                }
            },
            [&] {
                for (TextWriteResult& part : parts) {
                    addMismatches(result, part);
                    part = TextWriteResult();
                }
            });
    } else {
        JsonRowWriter writer(tree, types, own.removeEmpty, result);
        RowReader row(data);
        for (int r = 0; r < data.rowCount() && rowProgress.report(r); ++r) {
            row.setRow(r);
            writer.writeRow(sink, row, r + 1 < data.rowCount());
        }
    }
    sink << QLatin1Char(']');
    sink.endLine();
    sink.finish();

    const int further = result.jsonTypeMismatches - MaxMismatchWarnings;
    if (further > 0) {
        result.warnings << QStringLiteral("+ %1 other JSON type %2")
                               .arg(formatInteger(further),
                                   further == 1 ? QStringLiteral("issue")
                                                : QStringLiteral("issues"));
    }
    if (own.valueTypes == JsonValueTypesAutomatic)
        reportAutomaticTypes(result, names, types);
    rowProgress.apply(result);
    return result;
}

namespace {

class JsonFormat : public OutputFormat
{
public:
    int fileType() const override { return FileTypeJson; }

    void saveOptions(const QVariantMap& options, QVariantMap* stored) const override
    {
        JsonWriteOptions::from(options).store(stored);
    }
    void restoreOptions(
        const QVariantMap& stored, const QString&, QVariantMap* options) const override
    {
        JsonWriteOptions::from(stored).store(options);
    }
    OutputSummaryRows trailingSummary(const TextWriteOptions& options) const override
    {
        static const QStringList types { QStringLiteral("Automatic"), QStringLiteral("String"),
            QStringLiteral("Manual") };
        const JsonWriteOptions o = JsonWriteOptions::from(options.formatOptions);
        return { qMakePair(QStringLiteral("Remove empty"), OptionMap::yesNo(o.removeEmpty)),
            qMakePair(QStringLiteral("Types"), types.value(o.valueTypes, types.first())) };
    }

    TextWriteResult write(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
        const WriteProgress& progress) const override
    {
        return writeJson(stream, data, options, progress);
    }
};

} // namespace

const OutputFormat& jsonOutputFormat()
{
    static const JsonFormat format;
    return format;
}
