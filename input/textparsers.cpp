#include "input/textparsers.h"

#include "input/charscan.h"

namespace {

// No UTF-16 code unit has this value; used to switch a character class off.
constexpr uint NoCharacter = 0x10000;

#ifdef VARNIX_HAVE_SSE2
// The 64 bytes from p as bits (bit i for byte i): where a field ends (a
// delimiter or a line feed), where the plain way of reading stops (a
// quote, or a carriage return that is not the first of a CR LF pair), and
// where a field holds white space that simplifying changes (a tab, vertical
// tab or form feed: the other two such are line ends).
inline void windowBits(
    const char* p, char delimiter, quint64* fieldEnds, quint64* stops, quint64* otherSpaces)
{
    const __m128i delimiters = _mm_set1_epi8(delimiter);
    const __m128i lineFeeds = _mm_set1_epi8('\n');
    const __m128i quotes = _mm_set1_epi8('"');
    const __m128i returns = _mm_set1_epi8('\r');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i lastSpace = _mm_set1_epi8('\r' - '\t');
    quint64 d = 0;
    quint64 l = 0;
    quint64 q = 0;
    quint64 r = 0;
    quint64 s = 0;
    const auto bits
        = [](__m128i hits, int k) { return quint64(uint(_mm_movemask_epi8(hits))) << (16 * k); };
    for (int k = 0; k < 4; ++k) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        d |= bits(_mm_cmpeq_epi8(bytes, delimiters), k);
        l |= bits(_mm_cmpeq_epi8(bytes, lineFeeds), k);
        q |= bits(_mm_cmpeq_epi8(bytes, quotes), k);
        r |= bits(_mm_cmpeq_epi8(bytes, returns), k);
        // Bytes from tab to carriage return: unsigned b - tab <= CR - tab.
        const __m128i fromTab = _mm_sub_epi8(bytes, tab);
        s |= bits(_mm_cmpeq_epi8(_mm_min_epu8(fromTab, lastSpace), fromTab), k);
    }
    *fieldEnds = d | l;
    *stops = q | (r & ~(l >> 1));
    *otherSpaces = s & ~l & ~r;
}
#endif

} // namespace

QuotedParser::QuotedParser(QChar delimiter, bool ignoreRepeatedDelimiters, RowSink* sink)
    : m_delimiter(delimiter.unicode()),
      m_quote(delimiter == QLatin1Char('"') ? NoCharacter : uint('"')),
      m_ignoreRepeated(ignoreRepeatedDelimiters),
      m_sink(sink),
      m_windows(m_quote != NoCharacter && m_delimiter < 0x80 && m_delimiter != '\n'
          && m_delimiter != '\r')
{
}

// From a field's start, the fields up to the first quote or bare carriage
// return, 64 bytes at a time: the ends of a window's fields are found at
// once, as bits, rather than by a search per field (most fields are a few
// bytes long). They end as the state machine would end them: at a
// delimiter or a line feed, less the carriage return of a CR LF pair. Gives
// where the state machine goes on, at a field's start, or null when a stop
// was asked for.
const char* QuotedParser::plainFields(
    const char* p, const char* end, const char* begin, qint64 blockStart, ProgressTracker* tracker)
{
#ifdef VARNIX_HAVE_SSE2
    while (end - p >= 64) {
        quint64 fieldEnds = 0;
        quint64 stops = 0;
        quint64 otherSpaces = 0;
        windowBits(p, char(m_delimiter), &fieldEnds, &stops, &otherSpaces);
        // A window of fields without such white space needs no look for it
        // field by field. (A carriage return in a field is one of a CR LF
        // pair, which the field leaves out, or a stop, which ends the
        // fields taken here.)
        const bool nothingToSimplify = otherSpaces == 0;
        if (stops != 0) {
            fieldEnds &= (quint64(1) << qCountTrailingZeroBits(stops)) - 1;
            m_noWindowBefore = p + qCountTrailingZeroBits(stops) + 1;
        }
        const char* fieldStart = p;
        for (; fieldEnds != 0; fieldEnds &= fieldEnds - 1) {
            const char* at = p + qCountTrailingZeroBits(fieldEnds);
            const bool lineFeed = *at == '\n';
            const bool pairedReturn = lineFeed && at > fieldStart && at[-1] == '\r';
            const int length = int(at - fieldStart) - int(pairedReturn);
            // A field wholly in the window needs neither the builder nor
            // the state machine's steps. (Windows start where a field does,
            // with the builder empty.)
            if (!m_ignoreRepeated && m_sink->addBytes(fieldStart, length, nothingToSimplify)) {
                m_state = lineFeed ? RowEnded : FieldEnded;
                if (lineFeed)
                    m_sink->endRow();
            } else {
                m_field.append(fieldStart, length);
                enter(lineFeed ? RowEnded : FieldEnded, at);
            }
            fieldStart = at + 1;
            if (lineFeed && !tracker->at(blockStart + (fieldStart - begin)))
                return nullptr;
        }
        if (fieldStart == p || stops != 0)
            return fieldStart;
        p = fieldStart;
    }
#else
    Q_UNUSED(end)
    Q_UNUSED(begin)
    Q_UNUSED(blockStart)
    Q_UNUSED(tracker)
#endif
    return p;
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
    const ushort u = codeUnit(*p);
    if (u == m_delimiter)
        return Delimiter;
    if (u == m_quote)
        return Quote;
    if (u == '\n')
        return LineFeed;
    if (u == '\r') {
        // Outside quotes the CR of a CR LF pair is skipped and the LF does
        // the work; a bare CR (or one that ends the input) is a LF.
        return p + 1 < end && codeUnit(p[1]) == '\n' ? Skipped : LineFeed;
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
    if constexpr (sizeof(Char) == 1)
        m_noWindowBefore = nullptr;
    while (p < end) {
        if constexpr (sizeof(Char) == 1) {
            if (m_windows && p >= m_noWindowBefore
                && (m_state == FieldEnded || m_state == RowEnded || m_state == Start)) {
                p = plainFields(p, end, begin, blockStart, tracker);
                if (!p) {
                    releaseBlock();
                    return false;
                }
                if (p == end)
                    break;
            }
        }
        if (m_state == QuoteOpened || m_state == Quoted) {
            // Inside quotes everything but the quote is data, line breaks
            // included (a CR stays a CR).
            const Char* q = m_quote == NoCharacter ? end : findCodeUnit(p, end, '"');
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
        const ushort u = codeUnit(*p);
        ++p;
        if (m_split && u == d) {
            m_lineHasChars = true;
            if (!(m_collapse && m_afterDelimiter))
                endField();
            m_afterDelimiter = true;
            continue;
        }
        if (u == '\r' && p < end && codeUnit(*p) == '\n') {
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
