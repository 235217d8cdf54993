#include "core/dataset.h"
#include "core/values.h"
#include "graph/optionmap.h"
#include "output/outputformat.h"
#include "output/parallelrows.h"
#include "output/writer.h"
#include "output/writerutil.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

const QString KeyDelimiter = QStringLiteral("delimiter");
const QString KeyQuote = QStringLiteral("quote");

// The bytes of values written before, found by their storage: values read
// from a file share one text per distinct value, so most cells of a column
// such as a country or a date repeat bytes already made, and taking them
// from here spares the first touch of the text itself, a cache miss for
// each cell of a table whose rows are in a new order. A column whose values
// rarely repeat stops asking, since for it a lookup is only extra work.
class ValueBytesCache
{
public:
    bool usedFor(int column)
    {
        if (size_t(column) >= m_columns.size()) {
            // Made on first use: most builders write a header or a short table.
            m_entries.resize(size_t(1) << Bits);
            m_columns.resize(size_t(column) + 1);
        }
        return !m_columns[size_t(column)].off;
    }
    // Appends the bytes stored for the text's storage, if any.
    bool append(Utf8Block& block, int column, const void* key)
    {
        const Entry& entry = m_entries[slot(key)];
        ColumnUse& use = m_columns[size_t(column)];
        const bool hit = entry.key == key;
        if (hit) {
            block.appendShort<sizeof entry.bytes>(entry.bytes, entry.count);
            ++use.hits;
        }
        if (++use.lookups == Window) {
            use.off = use.hits * 4 < Window;
            use.lookups = use.hits = 0;
        }
        return hit;
    }
    void store(const void* key, const char* bytes, int count)
    {
        if (count > int(sizeof(Entry::bytes)))
            return;
        Entry& entry = m_entries[slot(key)];
        entry.key = key;
        entry.count = quint8(count);
        std::memcpy(entry.bytes, bytes, size_t(count));
    }

private:
    static constexpr int Bits = 14;
    static constexpr int Window = 4096;
    struct Entry
    {
        const void* key = nullptr;
        char bytes[23];
        quint8 count = 0;
    };
    struct ColumnUse
    {
        int lookups = 0;
        int hits = 0;
        bool off = false;
    };
    static size_t slot(const void* key)
    {
        return size_t((quint64(quintptr(key)) * 0x9E3779B97F4A7C15ull) >> (64 - Bits));
    }

    std::vector<Entry> m_entries;
    std::vector<ColumnUse> m_columns;
};

// Builds delimited lines by one quoting mode and counts, for the Never mode,
// the values that lost characters.
class DelimitedLineBuilder
{
public:
    DelimitedLineBuilder(QChar delimiter, int quoting)
        : m_delimiter(delimiter),
          m_quoting(quoting),
          m_replacement(delimiter == QLatin1Char(' ') ? QLatin1Char('_') : QLatin1Char(' '))
    {
    }

    template <class Sink> void appendLine(Sink& sink, const QStringList& values)
    {
        for (int i = 0; i < values.size(); ++i) {
            if (i > 0)
                sink << m_delimiter;
            appendValue(sink, values.at(i));
        }
        sink.endLine();
    }

    // The same as UTF-8, with the bytes of repeated values from the cache
    // when values are quoted as needed (the other modes make a new text for
    // every value anyway).
    void appendLine(Utf8Block& block, const QStringList& values)
    {
        if (m_quoting == QuotingAlways || m_quoting == QuotingNever) {
            appendLine<Utf8Block>(block, values);
            return;
        }
        for (int i = 0; i < values.size(); ++i) {
            if (i > 0)
                block << m_delimiter;
            const QString& value = values.at(i);
            if (!m_cache.usedFor(i)) {
                appendValue(block, value);
                continue;
            }
            const void* key = const_cast<QString&>(value).data_ptr();
            if (m_cache.append(block, i, key))
                continue;
            const int start = block.size();
            appendValue(block, value);
            if (!block.waiting())
                m_cache.store(key, block.data() + start, block.size() - start);
        }
        block.endLine();
    }

    int changedCount() const { return m_changed; }
    void addChanged(int count) { m_changed += count; }
    QChar replacement() const { return m_replacement; }

private:
    bool isSpecial(QChar c) const
    {
        return c == m_delimiter || c == QLatin1Char('\n') || c == QLatin1Char('\r');
    }

    template <class Sink> void appendValue(Sink& sink, const QString& value)
    {
        switch (m_quoting) {
        case QuotingAlways: {
            QString quoted = value;
            quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
            sink << QLatin1Char('"') << quoted << QLatin1Char('"');
            break;
        }
        case QuotingNever:
            sink << unquoted(value);
            break;
        default:
            // Most values go out as they are: appended straight from the
            // table, without the copy (and its reference count) a returned
            // text would cost for each of millions of cells.
            if (needsQuoting(value, m_delimiter))
                sink << quoteAsNeeded(value, m_delimiter);
            else
                sink << value;
            break;
        }
    }

    QString unquoted(const QString& value)
    {
        const auto special = [this](QChar c) { return isSpecial(c); };
        if (std::none_of(value.cbegin(), value.cend(), special))
            return value;
        ++m_changed;
        QString replaced = value;
        for (QChar& c : replaced) {
            if (isSpecial(c))
                c = m_replacement;
        }
        return replaced;
    }

    QChar m_delimiter;
    int m_quoting;
    QChar m_replacement;
    int m_changed = 0;
    ValueBytesCache m_cache;
};

// The lines of rows [from, to) into the block.
template <class Block>
void appendRows(DelimitedLineBuilder& builder, Block& block, const QVector<Dataset::Row>& rows,
    int from, int to)
{
    for (int r = from; r < to; ++r) {
        prefetchRows(rows, r);
        builder.appendLine(block, rows.at(r));
    }
}

} // namespace

TextWriteResult writeDelimitedText(QTextStream& stream, const Dataset& data,
    const TextWriteOptions& options, const WriteProgress& progress)
{
    TextWriteResult result;
    const DelimitedWriteOptions own = DelimitedWriteOptions::from(options.formatOptions);
    TextSink sink(stream, options.lineEnding);
    DelimitedLineBuilder builder(
        outputDelimiterChar(own.delimiter, options.customDelimiter), own.quoting);
    if (options.writeHeader)
        builder.appendLine(sink, data.columnNames());

    RowProgress rowProgress(progress, data.rowCount());
    const QVector<Dataset::Row>& rows = data.rows();
    if (rows.size() >= ParallelRows) {
        const QChar delimiter = outputDelimiterChar(own.delimiter, options.customDelimiter);
        DelimitedLineBuilder builders[2] = { DelimitedLineBuilder(delimiter, own.quoting),
            DelimitedLineBuilder(delimiter, own.quoting) };
        writeRowsInParallel(
            sink, rows.size(), rowProgress, lineEndingText(options.lineEnding),
            [&](auto& block, int part, int from, int to) {
                appendRows(builders[part], block, rows, from, to);
            },
            [] {});
        builder.addChanged(builders[0].changedCount() + builders[1].changedCount());
    } else {
        for (int r = 0; r < rows.size() && rowProgress.report(r); ++r) {
            prefetchRows(rows, r);
            builder.appendLine(sink, rows.at(r));
        }
    }
    sink.finish();

    if (own.quoting == QuotingNever && builder.changedCount() > 0) {
        result.warnings << QStringLiteral(
            "Delimiter, Line Feed or Carriage Return characters were found "
            "within %1 unquoted data value(s). These have been replaced with "
            "'%2'. You may want to use a 'Replace' transform to replace these "
            "characters or output the file with 'Quoting' set to '%3'.")
                               .arg(formatInteger(builder.changedCount()))
                               .arg(builder.replacement())
                               .arg(QStringLiteral("As needed"));
    }
    rowProgress.apply(result);
    return result;
}

DelimitedWriteOptions DelimitedWriteOptions::from(const QVariantMap& map, const QString& path)
{
    using namespace OptionMap;
    DelimitedWriteOptions o;
    o.delimiter = readInt(
        map, KeyDelimiter, defaultOutputDelimiter(path), DelimiterComma, DelimiterUnitSeparator);
    o.quoting = readInt(map, KeyQuote, defaultOutputQuoting(path), QuotingAsNeeded, QuotingNever);
    return o;
}

void DelimitedWriteOptions::store(QVariantMap* map) const
{
    map->insert(KeyDelimiter, delimiter);
    map->insert(KeyQuote, quoting);
}

namespace {

class DelimitedFormat : public OutputFormat
{
public:
    int fileType() const override { return FileTypeDelimited; }

    void saveOptions(const QVariantMap& options, QVariantMap* stored) const override
    {
        DelimitedWriteOptions::from(options).store(stored);
    }
    void restoreOptions(
        const QVariantMap& stored, const QString& path, QVariantMap* options) const override
    {
        // Documents without a delimiter were written with commas.
        DelimitedWriteOptions o = DelimitedWriteOptions::from(stored, path);
        if (!stored.contains(KeyDelimiter))
            o.delimiter = DelimiterComma;
        o.store(options);
    }
    OutputSummaryRows leadingSummary(const TextWriteOptions& options) const override
    {
        const DelimitedWriteOptions o = DelimitedWriteOptions::from(options.formatOptions);
        return { qMakePair(QStringLiteral("Delimiter"),
                     outputDelimiterLabel(o.delimiter, options.customDelimiter)),
            qMakePair(QStringLiteral("Quoting"), outputQuotingLabel(o.quoting)) };
    }

    TextWriteResult write(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
        const WriteProgress& progress) const override
    {
        return writeDelimitedText(stream, data, options, progress);
    }
};

} // namespace

const OutputFormat& delimitedOutputFormat()
{
    static const DelimitedFormat format;
    return format;
}
