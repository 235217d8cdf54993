#pragma once

// Pieces shared by the text writers: a chunked sink in front of the stream,
// the every-1000-rows progress report and the escaping rules of each format.

#include "output/writer.h"

#include <QString>
#include <QTextStream>

#include <string_view>

// Collects lines in one reusable buffer and hands them to the stream in large
// chunks: a QTextStream call per value costs far more than appending to a
// QString, and million-row outputs are dominated by that overhead.
class TextSink
{
public:
    TextSink(QTextStream& stream, int lineEnding);
    ~TextSink() { flush(); }

    TextSink& operator<<(const QString& text)
    {
        m_text += text;
        return *this;
    }
    TextSink& operator<<(QLatin1String text)
    {
        m_text += text;
        return *this;
    }
    TextSink& operator<<(QChar c)
    {
        m_text += c;
        return *this;
    }
    // Two spaces per depth, without building a temporary string each time.
    void indent(int depth)
    {
        static const char spaces[] = "                                ";
        constexpr int available = int(sizeof(spaces)) - 1;
        for (int n = depth * 2; n > 0; n -= available)
            m_text += QLatin1String(spaces, qMin(n, available));
    }
    void endLine()
    {
        m_text += m_eol;
        if (m_text.size() >= FlushSize)
            flush();
    }
    // Text already made in a large piece goes to the stream as it is, after
    // what is buffered, without a copy into the buffer.
    void writeLarge(const QString& text)
    {
        flush();
        m_stream << text;
        m_streamHasText = true;
        m_wroteText = true;
    }
    // Writes what is buffered and flushes the stream itself.
    void finish();
    void flush();

    // Whether text made as UTF-8 bytes may go straight to the stream's
    // device (writeBytes()): the stream writes UTF-8 to a device, and a
    // byte-order mark it is asked for has been made with the text before.
    bool takesUtf8Bytes() const;
    // Bytes after what is buffered, to the device; a failure marks the
    // stream, as its own failed write would.
    void writeBytes(const QByteArray& bytes);

private:
    static constexpr int FlushSize = 1 << 16;
    QTextStream& m_stream;
    QString m_eol;
    QString m_text;
    // Text has gone to the stream since its last flush.
    bool m_streamHasText = false;
    bool m_wroteText = false;
};

// Calls the progress callback every 1000 rows and remembers a stop request.
class RowProgress
{
public:
    RowProgress(const WriteProgress& progress, int rowCount)
        : m_progress(progress), m_rowCount(rowCount)
    {
    }
    // False once the callback has asked to stop.
    bool report(int row)
    {
        if (!m_progress || row % 1000 != 0 || row == 0)
            return true;
        if (!m_progress(qreal(row) / qreal(qMax(1, m_rowCount))))
            m_stopped = true;
        return !m_stopped;
    }
    bool stopped() const { return m_stopped; }
    // Marks the result of a stopped write.
    void apply(TextWriteResult& result) const;

private:
    const WriteProgress& m_progress;
    int m_rowCount;
    bool m_stopped = false;
};

// &, <, > and " as entities.
QString htmlEscaped(const QString& text);
// The JSON string escapes, without the surrounding quotes.
QString jsonEscaped(const QString& text);
// Whether jsonEscaped() would change the text; a writer that appends the
// text itself when not spares the copy of a returned text.
bool jsonEscapes(const QString& text);
// &, ", ', <, > as entities, the ampersand first; also a carriage return as a
// character reference, because XML readers turn a literal one into a line
// feed and the value would not survive a round trip. Control characters that
// XML cannot hold at all are dropped.
QString xmlEscaped(const QString& text);
// Whether xmlEscaped() would change the text.
bool xmlEscapes(const QString& text);
// Whether Latin-1 bytes are printable ASCII that XML escaping leaves as it
// is, so that they can be written as UTF-8 unchanged.
bool isPlainXmlAscii(std::string_view bytes);
// Leading '!' removed and spaces turned into '-'.
QString xmlTagName(const QString& name);
// Empty when the name is a valid tag; otherwise why not.
QString xmlTagProblem(const QString& name);

// The text escaped for JSON or XML into any sink, appended as it is (no copy
// of a returned text) when nothing in it needs escaping, as most values.
template <class Sink> void appendJsonText(Sink& sink, const QString& text)
{
    if (jsonEscapes(text))
        sink << jsonEscaped(text);
    else
        sink << text;
}
template <class Sink> void appendXmlText(Sink& sink, const QString& text)
{
    if (xmlEscapes(text))
        sink << xmlEscaped(text);
    else
        sink << text;
}
