#include "output/writer.h"

#include "core/dataset.h"
#include "output/outputformat.h"
#include "output/writerutil.h"

#include <QFileInfo>
#include <QTextCodec>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VARNIX_WRITER_SSE2 1
#endif

namespace {

// How far from the start of a text escaping surely changes nothing: the
// characters before the returned count are none of the given ASCII ones,
// not below a space and not U+FFFE or U+FFFF. Eight characters are looked at
// per step, since the JSON and XML writers ask this of every value and
// nearly all values need no escape; the rest is left to the exact test.
template <size_t N> int plainPrefix(const QString& text, const char (&specials)[N])
{
    int i = 0;
#ifdef VARNIX_WRITER_SSE2
    const ushort* p = reinterpret_cast<const ushort*>(text.constData());
    const __m128i space = _mm_set1_epi16(0x20);
    const __m128i one = _mm_set1_epi16(1);
    const __m128i top = _mm_set1_epi16(short(0xFFFF));
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // Unsigned: a space minus the character stays above zero only for
        // control characters; one more saturates only U+FFFE and U+FFFF.
        __m128i hits = _mm_or_si128(
            _mm_xor_si128(_mm_cmpeq_epi16(_mm_subs_epu16(space, chunk), _mm_setzero_si128()), top),
            _mm_cmpeq_epi16(_mm_adds_epu16(chunk, one), top));
        for (size_t k = 0; k + 1 < N; ++k)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi16(chunk, _mm_set1_epi16(specials[k])));
        if (_mm_movemask_epi8(hits) != 0)
            break;
    }
#else
    Q_UNUSED(specials)
#endif
    return i;
}

} // namespace

TextSink::TextSink(QTextStream& stream, int lineEnding)
    : m_stream(stream), m_eol(lineEndingText(lineEnding))
{
    m_text.reserve(FlushSize + 4096);
}

void TextSink::flush()
{
    if (m_text.isEmpty())
        return;
    m_stream << m_text;
    m_streamHasText = true;
    m_wroteText = true;
    // resize() rather than clear() keeps the allocation for the next chunk.
    m_text.resize(0);
}

void TextSink::finish()
{
    flush();
    m_stream.flush();
}

bool TextSink::takesUtf8Bytes() const
{
    const QTextCodec* codec = m_stream.codec();
    // 106 is UTF-8's number in the registry of character sets.
    return m_stream.device() && codec && codec->mibEnum() == 106
        && (!m_stream.generateByteOrderMark() || m_wroteText || !m_text.isEmpty());
}

void TextSink::writeBytes(const QByteArray& bytes)
{
    flush();
    if (m_streamHasText) {
        m_stream.flush();
        m_streamHasText = false;
    }
    if (!bytes.isEmpty() && m_stream.device()->write(bytes) != bytes.size())
        m_stream.setStatus(QTextStream::WriteFailed);
}

void RowProgress::apply(TextWriteResult& result) const
{
    if (!m_stopped)
        return;
    result.stopped = true;
    result.error = true;
    result.warnings << writeStoppedMessage();
}

QString writeStoppedMessage()
{
    return QStringLiteral("Stopped by user");
}

QString lineEndingText(int lineEnding)
{
    switch (lineEnding) {
    case LineEndingUnix:
        return QStringLiteral("\n");
    case LineEndingOldMac:
        return QStringLiteral("\r");
    case LineEndingRecordSeparator:
        return QString(QChar(0x1E));
    default:
        return QStringLiteral("\r\n");
    }
}

QString lineEndingName(int lineEnding)
{
    switch (lineEnding) {
    case LineEndingAutomatic:
        return QStringLiteral("Automatic");
    case LineEndingWindows:
        return QStringLiteral("Windows (CRLF)");
    case LineEndingUnix:
        return QStringLiteral("Mac\\Unix (LF)");
    case LineEndingOldMac:
        return QStringLiteral("Old Mac (CR)");
    case LineEndingRecordSeparator:
        return QStringLiteral("Record separator (0x1E)");
    default:
        return QString();
    }
}

QChar outputDelimiterChar(int delimiter, QChar customDelimiter)
{
    switch (delimiter) {
    case DelimiterSemicolon:
        return QLatin1Char(';');
    case DelimiterColon:
        return QLatin1Char(':');
    case DelimiterTab:
        return QLatin1Char('\t');
    case DelimiterPipe:
        return QLatin1Char('|');
    case DelimiterCaret:
        return QLatin1Char('^');
    case DelimiterSpace:
        return QLatin1Char(' ');
    case DelimiterCustom:
        return customDelimiter;
    case DelimiterUnitSeparator:
        return QChar(0x1F);
    default:
        return QLatin1Char(',');
    }
}

static bool extensionStartsWithT(const QString& path)
{
    return QFileInfo(path).suffix().startsWith(QLatin1Char('t'), Qt::CaseInsensitive);
}

int defaultOutputDelimiter(const QString& path)
{
    return extensionStartsWithT(path) ? DelimiterTab : DelimiterComma;
}

int defaultOutputQuoting(const QString& path)
{
    return extensionStartsWithT(path) ? QuotingNever : QuotingAsNeeded;
}

QStringList outputColumnNames(const Dataset& data)
{
    QStringList names;
    names.reserve(data.columnCount());
    for (int c = 0; c < data.columnCount(); ++c) {
        if (data.hasHeader())
            names << data.columnName(c);
        else
            names << QStringLiteral("value%1").arg(data.columnName(c));
    }
    return names;
}

TextWriteResult writeText(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
    const WriteProgress& progress)
{
    if (const OutputFormat* format = outputFormat(options.fileType))
        return format->write(stream, data, options, progress);
    TextWriteResult result;
    result.error = true;
    result.warnings << QStringLiteral("File type '%1' is not written as text")
                           .arg(fileTypeName(options.fileType));
    return result;
}

// ---------------------------------------------------------------------------
// Escaping

QString htmlEscaped(const QString& text)
{
    return text.toHtmlEscaped();
}

static bool needsJsonEscape(QChar c)
{
    return c.unicode() < 0x20 || c == QLatin1Char('"') || c == QLatin1Char('\\')
        || c == QLatin1Char('/');
}

bool jsonEscapes(const QString& text)
{
    return std::any_of(text.cbegin() + plainPrefix(text, "\"\\/"), text.cend(), needsJsonEscape);
}

QString jsonEscaped(const QString& text)
{
    if (!jsonEscapes(text))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '/':
            out += QLatin1String("\\/");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\b':
            out += QLatin1String("\\b");
            break;
        case '\f':
            out += QLatin1String("\\f");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            // Other control characters are not allowed raw inside a JSON
            // string; the \u form keeps the document valid.
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

// Control characters other than tab, line feed and carriage return cannot
// appear in an XML 1.0 document in any form.
static bool isXmlForbidden(QChar c)
{
    const ushort u = c.unicode();
    return (u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE || u == 0xFFFF;
}

static bool needsXmlEscape(QChar c)
{
    if (isXmlForbidden(c))
        return true;
    switch (c.unicode()) {
    case '&':
    case '"':
    case '\'':
    case '<':
    case '>':
    case '\r':
        return true;
    default:
        return false;
    }
}

bool xmlEscapes(const QString& text)
{
    return std::any_of(text.cbegin() + plainPrefix(text, "&\"'<>"), text.cend(), needsXmlEscape);
}

// Eight bytes at a time where there are eight: a byte below a bound, or
// equal to one sought, shows as a high bit of the word's differences.
bool isPlainXmlAscii(std::string_view bytes)
{
    constexpr quint64 ones = ~quint64(0) / 255;
    constexpr quint64 high = ones * 128;
    const auto below = [](quint64 w, uchar bound) { return (w - ones * bound) & ~w & high; };
    const auto equal = [&](quint64 w, char c) { return below(w ^ (ones * uchar(c)), 1); };
    const char* p = bytes.data();
    size_t n = bytes.size();
    for (; n >= 8; p += 8, n -= 8) {
        quint64 w;
        std::memcpy(&w, p, 8);
        if ((w & high) || below(w, 0x20) || equal(w, 0x7F) || equal(w, '&') || equal(w, '"')
            || equal(w, '\'') || equal(w, '<') || equal(w, '>'))
            return false;
    }
    for (; n > 0; ++p, --n) {
        const uchar c = uchar(*p);
        if (c < 0x20 || c >= 0x7F || c == '&' || c == '"' || c == '\'' || c == '<' || c == '>')
            return false;
    }
    return true;
}

QString xmlEscaped(const QString& text)
{
    if (!xmlEscapes(text))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&apos;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '\r':
            out += QLatin1String("&#13;");
            break;
        default:
            if (!isXmlForbidden(c))
                out += c;
        }
    }
    return out;
}

QString xmlTagName(const QString& name)
{
    int start = 0;
    while (start < name.size() && name.at(start) == QLatin1Char('!'))
        ++start;
    QString tag = name.mid(start);
    tag.replace(QLatin1Char(' '), QLatin1Char('-'));
    return tag;
}

QString xmlTagProblem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("empty name");
    if (name.startsWith(QLatin1String("xml"), Qt::CaseInsensitive))
        return QStringLiteral("starts with 'xml'");
    if (!name.at(0).isLetter())
        return QStringLiteral("doesn't start with a letter");
    for (int i = 1; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isLetter() || c.isDigit() || c == QLatin1Char('_') || c == QLatin1Char('-')
            || c == QLatin1Char('.'))
            continue;
        return QStringLiteral("invalid character '%1'").arg(c);
    }
    return QString();
}
