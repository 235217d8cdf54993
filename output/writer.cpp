#include "output/writer.h"

#include "core/dataset.h"
#include "output/outputformat.h"
#include "output/writerutil.h"

#include <QFileInfo>

#include <algorithm>

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
    // resize() rather than clear() keeps the allocation for the next chunk.
    m_text.resize(0);
}

void TextSink::finish()
{
    flush();
    m_stream.flush();
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

QString jsonEscaped(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), needsJsonEscape))
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

QString xmlEscaped(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), needsXmlEscape))
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
