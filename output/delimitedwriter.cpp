#include "core/dataset.h"
#include "core/optionmap.h"
#include "core/values.h"
#include "output/outputformat.h"
#include "output/parallelrows.h"
#include "output/valuebytescache.h"
#include "output/writer.h"
#include "output/writerutil.h"

#include <algorithm>
#include <string_view>

namespace {

const QString KeyDelimiter = QStringLiteral("delimiter");
const QString KeyQuote = QStringLiteral("quote");

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

    template <class Sink, class Row> void appendLine(Sink& sink, const Row& values)
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
    void appendLine(Utf8Block& block, const RowReader& values)
    {
        if (m_quoting == QuotingAlways || m_quoting == QuotingNever) {
            appendLine<Utf8Block, RowReader>(block, values);
            return;
        }
        std::string_view chars;
        for (int i = 0; i < values.size(); ++i) {
            if (i > 0)
                block << m_delimiter;
            // A text kept in bytes that needs neither quotes nor encoding
            // goes out as it is kept, without being made a text first.
            if (values.narrowAt(i, &chars) && isPlainAscii(chars, m_delimiter)) {
                block.appendAscii(chars.data(), int(chars.size()));
                continue;
            }
            m_cache.append(block, values, i, [&] { appendValue(block, values.at(i)); });
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
void appendRows(DelimitedLineBuilder& builder, Block& block, const Dataset& data, int from, int to)
{
    RowReader row(data, RowReader::NarrowBytes | RowReader::ByCode, from, to);
    for (int r = from; r < to; ++r) {
        row.setRow(r);
        builder.appendLine(block, row);
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
    if (data.rowCount() >= ParallelRows) {
        const QChar delimiter = outputDelimiterChar(own.delimiter, options.customDelimiter);
        DelimitedLineBuilder builders[2] = { DelimitedLineBuilder(delimiter, own.quoting),
            DelimitedLineBuilder(delimiter, own.quoting) };
        writeRowsInParallel(
            sink, data.rowCount(), rowProgress, lineEndingText(options.lineEnding),
            [&](auto& block, int part, int from, int to) {
                appendRows(builders[part], block, data, from, to);
            },
            [] {});
        builder.addChanged(builders[0].changedCount() + builders[1].changedCount());
    } else {
        RowReader row(data);
        for (int r = 0; r < data.rowCount() && rowProgress.report(r); ++r) {
            row.setRow(r);
            builder.appendLine(sink, row);
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
