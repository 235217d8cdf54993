#pragma once

// The document file held open while its document is open: other programs
// may read it but not write it, and saves rewrite it in place.

#include <QFile>
#include <QString>

class UserPrompt;

class HeldDocumentFile
{
public:
    HeldDocumentFile() = default;
    ~HeldDocumentFile();
    HeldDocumentFile(const HeldDocumentFile&) = delete;
    HeldDocumentFile& operator=(const HeldDocumentFile&) = delete;

    // Opens the file for reading and writing (creating it when absent) and
    // takes an exclusive advisory lock; false when either fails, leaving
    // nothing held.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    // The open file for DocumentWriter::save(), or null.
    QFile* file() { return isOpen() ? &m_file : nullptr; }
    QString path() const { return m_file.fileName(); }

    // The question asked when the file cannot be held.
    static QString cannotHoldQuestion(const QString& path);

    // What an interactive load does before reading: releases the previous
    // file and holds the new one. When that fails the user may go on
    // read-only (true, nothing held) or abandon the load (false).
    bool openForEditing(const QString& path, UserPrompt& prompt);

private:
    QFile m_file;
};
