#pragma once

// Lines of a block of rows made straight into UTF-8 bytes, for a stream that
// writes UTF-8 to a device: the block goes to the device as it is, without
// the copy into the stream's buffer and the stream's own conversion that
// text made as UTF-16 would cost for every character of a large file.

#include <QByteArray>
#include <QString>

#include <cstring>

class Utf8Block
{
public:
    // Room kept free past the end, so that a short cached value can be
    // copied in one fixed-size move.
    static constexpr int Slack = 32;

    explicit Utf8Block(const QString& eol) : m_eol(eol.toUtf8()) { }
    // Bytes of ASCII characters alone.
    void appendAscii(const char* bytes, int count)
    {
        if (count == 0)
            return;
        reserve(count + 1);
        settle();
        appendBytes(bytes, count);
    }
    // Bytes another block made (see bytes()), as they are.
    void appendBytesOf(const QByteArray& bytes) { appendAscii(bytes.constData(), bytes.size()); }
    Utf8Block& operator<<(const QString& text)
    {
        append(text.constData(), text.size());
        return *this;
    }
    Utf8Block& operator<<(QLatin1String text)
    {
        reserve(text.size() * 2);
        for (int i = 0; i < text.size(); ++i)
            putChar(ushort(uchar(text.data()[i])));
        return *this;
    }
    Utf8Block& operator<<(QChar c)
    {
        reserve(3);
        putChar(c.unicode());
        return *this;
    }
    // Two spaces per depth.
    void indent(int depth)
    {
        const int n = depth * 2;
        reserve(n);
        settle();
        std::memset(m_out + m_used, ' ', size_t(n));
        m_used += n;
    }
    void endLine()
    {
        reserve(m_eol.size());
        settle();
        appendBytes(m_eol.constData(), m_eol.size());
    }
    void clear()
    {
        m_used = 0;
        m_bytes.resize(m_bytes.capacity());
        m_out = m_bytes.data();
    }
    // The bytes made since clear().
    const QByteArray& bytes()
    {
        m_bytes.resize(m_used);
        return m_bytes;
    }

    // Bytes already encoded and followed by at least Slack bytes that may
    // be read, so that a short run goes in one fixed move.
    void appendPadded(const char* bytes, int count)
    {
        reserve(count);
        settle();
        if (count <= Slack)
            std::memcpy(m_out + m_used, bytes, Slack);
        else
            std::memcpy(m_out + m_used, bytes, size_t(count));
        m_used += count;
    }
    int size() const { return m_used; }
    // A high surrogate at the end waits for the character after it, so the
    // bytes so far are not yet all of the text so far.
    bool waiting() const { return m_pendingHigh != 0; }
    const char* data() const { return m_out; }

private:
    void append(const QChar* chars, int count);
    void appendBytes(const char* bytes, int count)
    {
        reserve(count);
        std::memcpy(m_out + m_used, bytes, size_t(count));
        m_used += count;
    }
    // Room for count more bytes and the slack.
    void reserve(int count)
    {
        if (m_used + count + Slack > m_bytes.size())
            grow(count);
    }
    void putChar(ushort c)
    {
        if (c < 0x80 && !m_pendingHigh)
            m_out[m_used++] = char(c);
        else
            putSlow(c);
    }
    void putSlow(ushort c);
    // A high surrogate without its partner, before bytes that are not a
    // character, as the character after it would have it.
    void settle()
    {
        if (m_pendingHigh) {
            m_out[m_used++] = '?';
            m_pendingHigh = 0;
        }
    }
    void grow(int count);

    QByteArray m_eol;
    QByteArray m_bytes;
    char* m_out = nullptr;
    int m_used = 0;
    // A high surrogate waiting for the character after it.
    ushort m_pendingHigh = 0;
};
