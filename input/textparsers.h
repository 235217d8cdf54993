#pragma once

// The record parsers of delimited and plain text. They are fed the blocks of
// a TextSource one after the other; a block never ends with a carriage
// return unless the input ends there, so a CR can always look at the
// character after it. Each character is looked at once, and runs of
// ordinary characters are taken as a whole. A block of ASCII bytes is
// parsed as the same characters would be, without widening it.

#include "input/reader.h"
#include "input/rowsink.h"
#include "input/textsource.h"

#include <QChar>
#include <QStringList>
#include <QStringView>

// Calls the progress report when the number of characters consumed passes
// the next multiple of the interval.
class ProgressTracker
{
public:
    ProgressTracker(const ReadProgress& progress, qint64 total, qint64 interval)
        : m_progress(progress),
          m_total(qMax<qint64>(1, total)),
          m_interval(interval),
          m_next(interval)
    {
    }
    // False when a stop has been requested.
    bool at(qint64 position)
    {
        if (position < m_next)
            return true;
        m_next = (position / m_interval + 1) * m_interval;
        return m_progress.report(qreal(qMin(position, m_total)) / qreal(m_total));
    }

private:
    const ReadProgress& m_progress;
    qint64 m_total;
    qint64 m_interval;
    qint64 m_next;
};

// Fields may be quoted with double quotes; delimiters and line breaks inside
// quotes are data and a doubled quote stands for one quote.
class QuotedParser
{
public:
    QuotedParser(QChar delimiter, bool ignoreRepeatedDelimiters, RowSink* sink);

    // False when a stop was requested through the tracker. A block of ASCII
    // bytes reads as the same characters would.
    bool feed(QStringView block, qint64 blockStart, ProgressTracker* tracker)
    {
        return feedRange(block.data(), block.size(), blockStart, tracker);
    }
    bool feed(QLatin1String block, qint64 blockStart, ProgressTracker* tracker)
    {
        return feedRange(block.data(), block.size(), blockStart, tracker);
    }
    void finish();
    // Nothing of a record is pending: the text so far ended with a line end
    // outside quotes (or was empty).
    bool atRowStart() const
    {
        return (m_state == Start || m_state == RowEnded) && m_field.isEmpty()
            && m_sink->fieldCount() == 0;
    }

private:
    enum State { Start = 0, Unquoted, QuoteOpened, Quoted, QuoteInQuoted, FieldEnded, RowEnded };
    // Skipped: the CR of a CR LF pair outside quotes, which changes nothing.
    enum CharClass { Delimiter = 0, Quote, LineFeed, Other, Skipped };

    template <typename Char>
    bool feedRange(const Char* begin, qsizetype size, qint64 blockStart, ProgressTracker* tracker);
    template <typename Char> CharClass classify(const Char* p, const Char* end) const;
    template <typename Char> const Char* scanUnquoted(const Char* p, const Char* end);
    template <typename Char> void enter(State state, const Char* c);
    const char* plainFields(const char* p, const char* end, const char* begin, qint64 blockStart,
        ProgressTracker* tracker);
    void endField();
    void endRow();
    void releaseBlock();

    ushort m_delimiter;
    // The quote character, or a value no character has when the delimiter
    // itself is the double quote.
    uint m_quote;
    bool m_ignoreRepeated;
    RowSink* m_sink;
    State m_state = Start;
    FieldBuilder m_field;
    // Fields of ASCII bytes are taken a window at a time while they hold no
    // quote (see plainFields()), when the delimiter is an ASCII character
    // other than the quote and the line breaks.
    bool m_windows;
    // Where the last window met a quote or a bare carriage return: no window
    // is tried again before it.
    const char* m_noWindowBefore = nullptr;
};

// One row per line; a line ends at a line feed, a CR LF pair or a bare
// carriage return. With a delimiter each row is split at every delimiter,
// without one (plain text) the row is a single value. Quotes mean nothing.
class LineParser
{
public:
    // A null delimiter reads plain text.
    LineParser(QChar delimiter, bool ignoreRepeatedDelimiters, RowSink* sink);

    bool feed(QStringView block, qint64 blockStart, ProgressTracker* tracker)
    {
        return feedRange(block.data(), block.size(), blockStart, tracker);
    }
    bool feed(QLatin1String block, qint64 blockStart, ProgressTracker* tracker)
    {
        return feedRange(block.data(), block.size(), blockStart, tracker);
    }
    void finish();
    bool atRowStart() const
    {
        return !m_lineHasChars && !m_afterDelimiter && m_field.isEmpty()
            && m_sink->fieldCount() == 0;
    }

private:
    template <typename Char>
    bool feedRange(const Char* begin, qsizetype size, qint64 blockStart, ProgressTracker* tracker);
    void endField();
    void endPart();
    void releaseBlock();

    ushort m_delimiter;
    bool m_split;
    bool m_collapse;
    RowSink* m_sink;
    FieldBuilder m_field;
    bool m_afterDelimiter = false;
    // Characters seen since the last line feed: a last line that ends in a
    // bare CR still has an (empty) part after it.
    bool m_lineHasChars = false;
};

// Runs a parser over every block of the source; false when stopped.
template <typename Parser>
bool runParser(TextSource& source, Parser& parser, ProgressTracker* tracker)
{
    QStringView block;
    qint64 position = 0;
    while (source.next(&block)) {
        if (!parser.feed(block, position, tracker))
            return false;
        position += block.size();
    }
    parser.finish();
    return true;
}
