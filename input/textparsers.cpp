#include "input/textparsers.h"

#include "input/charscan.h"

#include <cstring>

namespace {

// No UTF-16 code unit has this value; used to switch a character class off.
constexpr uint NoCharacter = 0x10000;

inline ushort unit(QChar c)
{
    return c.unicode();
}

inline ushort unit(char c)
{
    return uchar(c);
}

inline const QChar* findQuote(const QChar* p, const QChar* end)
{
    const qsizetype at = QStringView(p, end - p).indexOf(QLatin1Char('"'));
    return at < 0 ? end : p + at;
}

inline const char* findQuote(const char* p, const char* end)
{
    const void* at = std::memchr(p, '"', size_t(end - p));
    return at ? static_cast<const char*>(at) : end;
}

} // namespace

QuotedParser::QuotedParser(QChar delimiter, bool ignoreRepeatedDelimiters, RowSink* sink)
    : m_delimiter(delimiter.unicode()),
      m_quote(delimiter == QLatin1Char('"') ? NoCharacter : uint('"')),
      m_ignoreRepeated(ignoreRepeatedDelimiters),
      m_sink(sink)
{
}

// Unquoted field: data runs up to a delimiter or a line break; a quote here
// is ordinary data.
template <typename Char> const Char* QuotedParser::scanUnquoted(const Char* p, const Char* end)
{
    return findFirstOf(p, end, m_delimiter, '\n', '\r');
}

template <typename Char>
QuotedParser::CharClass QuotedParser::classify(const Char* p, const Char* end) const
{
    const ushort u = unit(*p);
    if (u == m_delimiter)
        return Delimiter;
    if (u == m_quote)
        return Quote;
    if (u == '\n')
        return LineFeed;
    if (u == '\r') {
        // Outside quotes the CR of a CR LF pair is skipped and the LF does
        // the work; a bare CR (or one that ends the input) is a LF.
        return p + 1 < end && unit(p[1]) == '\n' ? Skipped : LineFeed;
    }
    return Other;
}

template <typename Char>
bool QuotedParser::feedRange(
    const Char* begin, qsizetype size, qint64 blockStart, ProgressTracker* tracker)
{
    // The transition table: row is the current state, column the class of
    // the character. Start is never re-entered.
    static constexpr State next[7][4] = {
        { FieldEnded, QuoteOpened, RowEnded, Unquoted }, // Start
        { FieldEnded, Unquoted, RowEnded, Unquoted }, // Unquoted
        { Quoted, QuoteInQuoted, Quoted, Quoted }, // QuoteOpened
        { Quoted, QuoteInQuoted, Quoted, Quoted }, // Quoted
        { FieldEnded, Quoted, RowEnded, Quoted }, // QuoteInQuoted
        { FieldEnded, QuoteOpened, RowEnded, Unquoted }, // FieldEnded
        { FieldEnded, QuoteOpened, RowEnded, Unquoted }, // RowEnded
    };
    const Char* const end = begin + size;
    const Char* p = begin;
    while (p < end) {
        if (m_state == QuoteOpened || m_state == Quoted) {
            // Inside quotes everything but the quote is data, line breaks
            // included (a CR stays a CR).
            const Char* q = m_quote == NoCharacter ? end : findQuote(p, end);
            m_field.append(p, int(q - p));
            if (q == end)
                break;
            m_state = QuoteInQuoted;
            p = q + 1;
            continue;
        }
        if (m_state == Unquoted) {
            const Char* q = scanUnquoted(p, end);
            m_field.append(p, int(q - p));
            p = q;
            if (p == end)
                break;
        }
        const CharClass cls = classify(p, end);
        if (cls == Skipped) {
            ++p;
            continue;
        }
        const State state = next[m_state][cls];
        if (state == Unquoted && m_state != Unquoted) {
            // A field that starts with ordinary data: take its whole run.
            m_state = Unquoted;
            const Char* q = scanUnquoted(p + 1, end);
            m_field.append(p, int(q - p));
            p = q;
            continue;
        }
        enter(state, p);
        ++p;
        if (state == RowEnded && !tracker->at(blockStart + (p - begin))) {
            releaseBlock();
            return false;
        }
    }
    releaseBlock();
    return tracker->at(blockStart + size);
}

void QuotedParser::releaseBlock()
{
    m_field.detach();
    m_sink->releaseBlock();
}

template <typename Char> inline void QuotedParser::enter(State state, const Char* c)
{
    m_state = state;
    switch (state) {
    case Start:
    case Unquoted:
    case Quoted:
        m_field.append(c, 1);
        break;
    case QuoteOpened:
        m_field.clear();
        break;
    case QuoteInQuoted:
        // The quote is held back: it either closes the field or, doubled,
        // stands for one quote.
        break;
    case FieldEnded:
        endField();
        break;
    case RowEnded:
        endRow();
        break;
    }
}

void QuotedParser::endField()
{
    if (m_ignoreRepeated && m_field.isEmpty())
        m_field.clear();
    else
        m_sink->addField(&m_field);
}

void QuotedParser::endRow()
{
    m_sink->addField(&m_field);
    m_sink->endRow();
}

void QuotedParser::finish()
{
    // Input that does not end with a line break keeps its last row.
    if (!m_field.isEmpty() || m_sink->fieldCount() > 0)
        m_sink->addField(&m_field);
    if (m_sink->fieldCount() > 0)
        m_sink->endRow();
    m_sink->flush();
    m_state = Start;
}

LineParser::LineParser(QChar delimiter, bool ignoreRepeatedDelimiters, RowSink* sink)
    : m_delimiter(delimiter.isNull() ? ushort('\n') : delimiter.unicode()),
      m_split(!delimiter.isNull()),
      m_collapse(!delimiter.isNull() && ignoreRepeatedDelimiters),
      m_sink(sink)
{
}

template <typename Char>
bool LineParser::feedRange(
    const Char* begin, qsizetype size, qint64 blockStart, ProgressTracker* tracker)
{
    const Char* const end = begin + size;
    const Char* p = begin;
    const ushort d = m_delimiter;
    while (p < end) {
        const Char* q = findFirstOf(p, end, d, '\n', '\r');
        if (q > p) {
            m_field.append(p, int(q - p));
            m_afterDelimiter = false;
            m_lineHasChars = true;
        }
        p = q;
        if (p == end)
            break;
        const ushort u = unit(*p);
        ++p;
        if (m_split && u == d) {
            m_lineHasChars = true;
            if (!(m_collapse && m_afterDelimiter))
                endField();
            m_afterDelimiter = true;
            continue;
        }
        if (u == '\r' && p < end && unit(*p) == '\n') {
            ++p;
            m_lineHasChars = false;
        } else {
            // A bare CR splits the line but does not end it.
            m_lineHasChars = u == '\r';
        }
        m_afterDelimiter = false;
        endPart();
        if (!tracker->at(blockStart + (p - begin))) {
            releaseBlock();
            return false;
        }
    }
    releaseBlock();
    return tracker->at(blockStart + size);
}

void LineParser::releaseBlock()
{
    m_field.detach();
    m_sink->releaseBlock();
}

void LineParser::endField()
{
    m_sink->addField(&m_field);
}

void LineParser::endPart()
{
    endField();
    m_sink->endRow();
}

void LineParser::finish()
{
    if (m_lineHasChars)
        endPart();
    m_sink->flush();
    m_lineHasChars = false;
    m_afterDelimiter = false;
}

template bool QuotedParser::feedRange(const QChar*, qsizetype, qint64, ProgressTracker*);
template bool QuotedParser::feedRange(const char*, qsizetype, qint64, ProgressTracker*);
template bool LineParser::feedRange(const QChar*, qsizetype, qint64, ProgressTracker*);
template bool LineParser::feedRange(const char*, qsizetype, qint64, ProgressTracker*);
