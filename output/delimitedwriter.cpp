#include "core/dataset.h"
#include "core/values.h"
#include "graph/optionmap.h"
#include "output/outputformat.h"
#include "output/writer.h"
#include "output/writerutil.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>

namespace {

const QString KeyDelimiter = QStringLiteral("delimiter");
const QString KeyQuote = QStringLiteral("quote");

// Lines of a block of rows, made away from the stream so that two blocks can
// be made at once. Characters are copied straight into a buffer kept at its
// full size: a text append per value, with its checks, cost as much as
// deciding the value's quoting.
class BlockText
{
public:
    explicit BlockText(const QString& eol) : m_eol(eol) { }
    BlockText& operator<<(const QString& text)
    {
        append(text.constData(), text.size());
        return *this;
    }
    BlockText& operator<<(QChar c)
    {
        if (m_used == m_text.size())
            grow(1);
        m_out[m_used++] = c;
        return *this;
    }
    void endLine() { append(m_eol.constData(), m_eol.size()); }
    void clear()
    {
        m_used = 0;
        m_text.resize(m_text.capacity());
        m_out = m_text.data();
    }
    // The lines made since clear().
    const QString& text()
    {
        m_text.resize(m_used);
        return m_text;
    }

private:
    void append(const QChar* chars, int count)
    {
        if (m_used + count > m_text.size())
            grow(count);
        std::memcpy(static_cast<void*>(m_out + m_used), chars, size_t(count) * sizeof(QChar));
        m_used += count;
    }
    void grow(int count)
    {
        m_text.resize(qMax(m_used + count, m_text.size() * 2 + 4096));
        m_out = m_text.data();
    }

    QString m_eol;
    QString m_text;
    QChar* m_out = nullptr;
    int m_used = 0;
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
};

// A table this long has its lines made on two threads, a block at a time,
// and written in order; shorter ones are not worth the thread.
constexpr int ParallelRows = 20000;
constexpr int BlockRows = 8000;

// The lines of rows [from, to) into the block.
void appendRows(DelimitedLineBuilder& builder, BlockText& block, const QVector<Dataset::Row>& rows,
    int from, int to)
{
    block.clear();
    for (int r = from; r < to; ++r) {
        prefetchAhead(rows, r);
        builder.appendLine(block, rows.at(r));
    }
}

// Writes the rows in blocks of BlockRows, made on two threads: while this
// thread makes most of a block, the other writes the block before it to the
// stream and then makes the rest of this one. Progress and the stop request
// are still taken every 1000 rows on this thread, before the block they fall
// in, so a stop leaves out the same rows as the plain loop.
void writeRowsInParallel(TextSink& sink, DelimitedLineBuilder& builder,
    const QVector<Dataset::Row>& rows, RowProgress& rowProgress, const QString& eol)
{
    DelimitedLineBuilder otherBuilder = builder;
    BlockText blocks[2][2]
        = { { BlockText(eol), BlockText(eol) }, { BlockText(eol), BlockText(eol) } };
    const auto writeBlock = [&sink](BlockText* halves) {
        sink.writeLarge(halves[0].text());
        sink.writeLarge(halves[1].text());
    };
    BlockText* previous = nullptr;
    int start = 0;
    for (int current = 0; start < rows.size(); current = 1 - current) {
        int end = qMin(int(rows.size()), start + BlockRows);
        for (int r = (start + 999) / 1000 * 1000; r < end; r += 1000) {
            if (!rowProgress.report(r)) {
                end = r;
                break;
            }
        }
        // Writing costs about half as much as making the lines.
        const int middle = start + (end - start) * 2 / 3;
        BlockText* halves = blocks[current];
        // Running out of memory must reach the caller as it would without
        // the thread, not end the program.
        std::exception_ptr otherFailure;
        std::thread other([&, previous] {
            try {
                if (previous)
                    writeBlock(previous);
                appendRows(otherBuilder, halves[1], rows, middle, end);
            } catch (...) {
                otherFailure = std::current_exception();
            }
        });
        try {
            appendRows(builder, halves[0], rows, start, middle);
        } catch (...) {
            other.join();
            throw;
        }
        other.join();
        if (otherFailure)
            std::rethrow_exception(otherFailure);
        previous = halves;
        if (rowProgress.stopped())
            break;
        start = end;
    }
    if (previous)
        writeBlock(previous);
    builder.addChanged(otherBuilder.changedCount());
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
        writeRowsInParallel(sink, builder, rows, rowProgress, lineEndingText(options.lineEnding));
    } else {
        for (int r = 0; r < rows.size() && rowProgress.report(r); ++r) {
            prefetchAhead(rows, r);
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
