#include "input/textparsers.h"

#include "input/charscan.h"

namespace {

// No UTF-16 code unit has this value; used to switch a character class off.
constexpr uint NoCharacter = 0x10000;

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
const QChar* QuotedParser::scanUnquoted(const QChar* p, const QChar* end)
{
    return findFirstOf(p, end, m_delimiter, '\n', '\r');
}

QuotedParser::CharClass QuotedParser::classify(const QChar* p, const QChar* end) const
{
    const ushort u = p->unicode();
    if (u == m_delimiter)
        return Delimiter;
    if (u == m_quote)
        return Quote;
    if (u == '\n')
        return LineFeed;
    if (u == '\r') {
        // Outside quotes the CR of a CR LF pair is skipped and the LF does
        // the work; a bare CR (or one that ends the input) is a LF.
        return p + 1 < end && p[1] == QLatin1Char('\n') ? Skipped : LineFeed;
    }
    return Other;
}

bool QuotedParser::feed(QStringView block, qint64 blockStart, ProgressTracker* tracker)
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
    const QChar* const begin = block.data();
    const QChar* const end = begin + block.size();
    const QChar* p = begin;
    while (p < end) {
        if (m_state == QuoteOpened || m_state == Quoted) {
            // Inside quotes everything but the quote is data, line breaks
            // included (a CR stays a CR).
            const qsizetype at
                = m_quote == NoCharacter ? -1 : QStringView(p, end - p).indexOf(QLatin1Char('"'));
            const QChar* q = at < 0 ? end : p + at;
            m_field.append(p, int(q - p));
            if (q == end)
                break;
            m_state = QuoteInQuoted;
            p = q + 1;
            continue;
        }
        if (m_state == Unquoted) {
            const QChar* q = scanUnquoted(p, end);
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
            const QChar* q = scanUnquoted(p + 1, end);
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
    return tracker->at(blockStart + block.size());
}

void QuotedParser::releaseBlock()
{
    m_field.detach();
    m_sink->releaseBlock();
}

inline void QuotedParser::enter(State state, const QChar* c)
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
    m_state = Start;
}

LineParser::LineParser(QChar delimiter, bool ignoreRepeatedDelimiters, RowSink* sink)
    : m_delimiter(delimiter.isNull() ? ushort('\n') : delimiter.unicode()),
      m_split(!delimiter.isNull()),
      m_collapse(!delimiter.isNull() && ignoreRepeatedDelimiters),
      m_sink(sink)
{
}

bool LineParser::feed(QStringView block, qint64 blockStart, ProgressTracker* tracker)
{
    const QChar* const begin = block.data();
    const QChar* const end = begin + block.size();
    const QChar* p = begin;
    const ushort d = m_delimiter;
    while (p < end) {
        const QChar* q = findFirstOf(p, end, d, '\n', '\r');
        if (q > p) {
            m_field.append(p, int(q - p));
            m_afterDelimiter = false;
            m_lineHasChars = true;
        }
        p = q;
        if (p == end)
            break;
        const ushort u = p->unicode();
        ++p;
        if (m_split && u == d) {
            m_lineHasChars = true;
            if (!(m_collapse && m_afterDelimiter))
                endField();
            m_afterDelimiter = true;
            continue;
        }
        if (u == '\r' && p < end && *p == QLatin1Char('\n')) {
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
    return tracker->at(blockStart + block.size());
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
    m_lineHasChars = false;
    m_afterDelimiter = false;
}
