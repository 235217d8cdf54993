#include "input/delimitedreader.h"

#include "core/optionmap.h"
#include "input/inputformat.h"
#include "input/rowsink.h"
#include "input/textparsers.h"
#include "input/textsource.h"

#include <new>

namespace {

// Progress is reported about this often, counted in characters.
constexpr qint64 QuotedProgressInterval = 50000;
constexpr qint64 LineProgressInterval = 10000;

// Runs the parser that the options call for; false when stopped.
bool runParsers(TextSource& source, const ParserChoice& choice, const ReadProgress& progress,
    const ParseThreads& threads, RowSink* sink)
{
    const qint64 total = source.estimatedTotal();
    // A text of a few chunks gains little from threads.
    if (threads.resolvedThreads() > 1 && total >= 8 * qint64(threads.chunkChars))
        return parseInChunks(source, choice, threads, progress, sink);
    // Plain text is read as lines of one field each.
    if (!choice.plain && choice.quoting == QuotingQuoted) {
        ProgressTracker tracker(progress, total, QuotedProgressInterval);
        QuotedParser parser(choice.delimiter, choice.ignoreRepeated, sink);
        return runParser(source, parser, &tracker);
    }
    ProgressTracker tracker(progress, total, LineProgressInterval);
    LineParser parser(
        choice.plain ? QChar() : choice.delimiter, !choice.plain && choice.ignoreRepeated, sink);
    return runParser(source, parser, &tracker);
}

const QString KeyDelimiter = QStringLiteral("delimiter");
const QString KeyQuote = QStringLiteral("quote");
const QString KeyRepeatedDelim = QStringLiteral("ignore_repeated_delim");

} // namespace

DelimitedReadOptions DelimitedReadOptions::from(const QVariantMap& map, int missingDelimiter)
{
    using namespace OptionMap;
    DelimitedReadOptions o;
    o.delimiter
        = readInt(map, KeyDelimiter, missingDelimiter, DelimiterAutomatic, DelimiterUnitSeparator);
    o.quoting = readInt(map, KeyQuote, QuotingAutomatic, QuotingAutomatic, QuotingUnquoted);
    o.ignoreRepeatedDelimiters = readBool(map, KeyRepeatedDelim, false);
    return o;
}

void DelimitedReadOptions::store(QVariantMap* map) const
{
    map->insert(KeyDelimiter, delimiter);
    map->insert(KeyQuote, quoting);
    map->insert(KeyRepeatedDelim, int(ignoreRepeatedDelimiters));
}

DelimiterGuess guessDelimiter(const QString& sample)
{
    static const int candidates[] = { DelimiterComma, DelimiterSemicolon, DelimiterPipe,
        DelimiterCaret, DelimiterTab, DelimiterUnitSeparator };
    DelimiterGuess guess;
    int best = -1;
    QStringList counts;
    for (int delimiter : candidates) {
        const QChar c = delimiterCharacter(delimiter, QString());
        const int count = int(sample.count(c));
        if (count > best) {
            best = count;
            guess.delimiter = delimiter;
            guess.character = c;
        }
        counts.append(QStringLiteral("%1 %2").arg(count).arg(delimiterLabel(delimiter)));
    }
    guess.information
        = QStringLiteral("Delimiter=Automatic guesses '%1', set 'Delimiter' option to change")
              .arg(delimiterLabel(guess.delimiter))
        + QLatin1Char('\n')
        + QStringLiteral("First %1 characters contain: %2")
              .arg(sample.size())
              .arg(counts.join(QStringLiteral(", ")));
    return guess;
}

int resolveQuoting(int quoting, QChar delimiter)
{
    if (quoting == QuotingQuoted || quoting == QuotingUnquoted)
        return quoting;
    return delimiter == QLatin1Char('\t') ? QuotingUnquoted : QuotingQuoted;
}

namespace {

// The text looked at for the header before a read that leaves columns out.
constexpr int HeaderSampleChars = 1 << 16;

// What a read makes of the rows (see ReadOptions::usedColumns), from which
// physical row, and the column count it was chosen for.
struct LeftOutColumns
{
    ColumnUse use;
    qint64 fromRow = 0;
    int columnCount = 0;

    bool leavesOut() const { return !use.everyColumn(); }
};

// Reads the first rows of the text as the read will, to give the caller the
// header and first rows it will have; nothing is left out when the sample
// holds fewer than two whole rows after the header or every column is used.
LeftOutColumns columnsToLeaveOut(
    TextSource& source, const ParserChoice& choice, const ReadOptions& options)
{
    if (!options.usedColumns)
        return {};
    TextSource sample(source.peek(HeaderSampleChars));
    ReadResult probe;
    ReadOptions probeOptions = options;
    probeOptions.usedColumns = nullptr;
    probeOptions.handOver = RowHandOver();
    probeOptions.firstRows = nullptr;
    RowSink sink(&probe.dataset, probeOptions);
    runParsers(
        sample, choice, ReadProgress(), ParseThreads { 1, ParseThreads::DefaultChunkChars }, &sink);
    // The sample may end inside the last row.
    if (probe.dataset.rowCount() < 3)
        return {};
    probe.dataset.setRowCount(probe.dataset.rowCount() - 1);
    applyHeaderOption(probe, options.hasHeader);
    LeftOutColumns left;
    left.use = options.usedColumns(probe.dataset);
    if (left.use.columns.size() != probe.dataset.columnCount()
        || (!left.use.anyRow().contains(false) && !left.use.makeRowTest))
        return {};
    left.fromRow = sink.firstTakenRow() + 1;
    left.columnCount = probe.dataset.columnCount();
    return left;
}

// The rows of the text into result, with the reports of the read.
bool parseRows(TextSource& source, const ParserChoice& choice, const ReadOptions& options,
    const LeftOutColumns& leftOut, const ReadProgress& progress, ReadResult* result,
    const ParseThreads& threads)
{
    RowSink sink(&result->dataset, options);
    sink.useColumns(leftOut.use, leftOut.fromRow);
    bool completed = false;
    try {
        source.rewind();
        completed = runParsers(source, choice, progress, threads, &sink);
    } catch (const std::bad_alloc&) {
        // Give the memory back before anything else tries to use it.
        result->dataset.clear();
        result->fail(tooBigMessage(source));
        return false;
    }
    if (source.hasReadError()) {
        result->fail(QStringLiteral("Unable to read '%1'").arg(displayPath(source.path())));
        return false;
    }
    result->rowsLeftOut = sink.droppedRows();
    if (sink.handedHeader() >= 0) {
        result->hasHeader = sink.handedHeader();
        result->rowsHandedOver = true;
    }
    sink.addEmptyRowReport(&result->information);
    if (!choice.plain)
        sink.addRaggedRowReport(&result->warnings);
    addDecodingWarnings(source, result);
    if (!completed) {
        result->stopped = true;
        result->fail(QStringLiteral("Stopped by user"));
        return false;
    }
    return true;
}

} // namespace

bool parseDelimitedText(TextSource& source, const ReadOptions& options,
    const ReadProgress& progress, ReadResult* result, const ParseThreads& threads)
{
    const bool plain = options.fileType == FileTypePlainText;
    const DelimitedReadOptions own = DelimitedReadOptions::from(options.formatOptions);
    QChar delimiter = delimiterCharacter(own.delimiter, options.customDelimiter);
    int quoting = QuotingUnquoted;
    if (!plain) {
        if (own.delimiter == DelimiterAutomatic) {
            const DelimiterGuess guess = guessDelimiter(source.peek(DelimiterSampleChars));
            delimiter = guess.character;
            result->information.append(guess.information);
        }
        quoting = resolveQuoting(own.quoting, delimiter);
        if (own.quoting != QuotingQuoted && own.quoting != QuotingUnquoted)
            result->information.append(
                QStringLiteral("Quoting=Automatic guesses '%1', set 'Quoting' option to change")
                    .arg(quotingLabel(quoting)));
    }
    const ParserChoice choice { plain, own.ignoreRepeatedDelimiters, delimiter, quoting };
    const LeftOutColumns leftOut = columnsToLeaveOut(source, choice, options);
    ParseThreads parseThreads = threads;
    // Small chunks are asked for to see a small text handed over in many
    // blocks, which takes chunks, and so threads, on any machine.
    if (options.handOver.chunkChars > 0) {
        parseThreads.chunkChars = options.handOver.chunkChars;
        parseThreads.threads = qMax(2, parseThreads.resolvedThreads());
    }
    const ReadResult before = *result;
    if (!parseRows(source, choice, options, leftOut, progress, result, parseThreads))
        return false;
    if (!leftOut.leavesOut() || result->dataset.columnCount() == leftOut.columnCount)
        return true;
    // A row longer than the header added columns after the choice was made,
    // and the choice was for positions: read every column again.
    *result = before;
    return parseRows(source, choice, options, {}, progress, result, parseThreads);
}

ReadResult readTextFile(
    const QString& path, const ReadOptions& options, const ReadProgress& progress)
{
    return readFormatFile(path, options, progress);
}

ReadResult readPastedText(
    const QString& text, const ReadOptions& options, const ReadProgress& progress)
{
    return readFormatText(text, options, progress);
}
