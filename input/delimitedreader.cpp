#include "input/delimitedreader.h"

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
bool runParsers(TextSource& source, const ReadOptions& options, QChar delimiter, int quoting,
    const ReadProgress& progress, const ParseThreads& threads, RowSink* sink)
{
    const qint64 total = source.estimatedTotal();
    // A text of a few chunks gains little from threads.
    if (threads.resolvedThreads() > 1 && total >= 8 * qint64(threads.chunkChars))
        return parseInChunks(
            source, ParserChoice { &options, delimiter, quoting }, threads, progress, sink);
    if (options.fileType == FileTypePlainText) {
        ProgressTracker tracker(progress, total, LineProgressInterval);
        LineParser parser(QChar(), options, sink);
        return runParser(source, parser, &tracker);
    }
    if (quoting == QuotingQuoted) {
        ProgressTracker tracker(progress, total, QuotedProgressInterval);
        QuotedParser parser(delimiter, options, sink);
        return runParser(source, parser, &tracker);
    }
    ProgressTracker tracker(progress, total, LineProgressInterval);
    LineParser parser(delimiter, options, sink);
    return runParser(source, parser, &tracker);
}

} // namespace

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

bool parseDelimitedText(TextSource& source, const ReadOptions& options,
    const ReadProgress& progress, ReadResult* result, const ParseThreads& threads)
{
    const bool plain = options.fileType == FileTypePlainText;
    QChar delimiter = delimiterCharacter(options.delimiter, options.customDelimiter);
    int quoting = QuotingUnquoted;
    if (!plain) {
        if (options.delimiter == DelimiterAutomatic) {
            const DelimiterGuess guess = guessDelimiter(source.peek(DelimiterSampleChars));
            delimiter = guess.character;
            result->information.append(guess.information);
        }
        quoting = resolveQuoting(options.quoting, delimiter);
        if (options.quoting != QuotingQuoted && options.quoting != QuotingUnquoted)
            result->information.append(
                QStringLiteral("Quoting=Automatic guesses '%1', set 'Quoting' option to change")
                    .arg(quotingLabel(quoting)));
    }

    RowSink sink(&result->dataset, options);
    bool completed = false;
    try {
        source.rewind();
        completed = runParsers(source, options, delimiter, quoting, progress, threads, &sink);
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
    sink.addEmptyRowReport(&result->information);
    if (!plain)
        sink.addRaggedRowReport(&result->warnings);
    addDecodingWarnings(source, result);
    if (!completed) {
        result->stopped = true;
        result->fail(QStringLiteral("Stopped by user"));
        return false;
    }
    return true;
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
