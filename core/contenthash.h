#pragma once

// The SHA-256 of a file's bytes, fed in pieces as they are read or written
// so that a run record never reads a file a second time when its reader or
// writer already has the bytes in hand. OpenSSL does the hashing.

#include <QByteArray>
#include <QString>

#include <memory>

class ContentHash
{
public:
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;

    // Starts again from no bytes.
    void reset();
    void add(const char* data, qint64 size);
    void add(const QByteArray& bytes) { add(bytes.constData(), bytes.size()); }
    qint64 bytesAdded() const { return m_bytes; }
    // The digest of everything added, in lower-case hexadecimal. Ends the
    // hash: add nothing more before reset().
    QString hex();

    // The digest of a whole file; empty, with the reason in error, when the
    // file cannot be read.
    static QString ofFile(const QString& path, QString* error = nullptr);

private:
    struct Context;
    std::unique_ptr<Context> m_context;
    qint64 m_bytes = 0;
};
