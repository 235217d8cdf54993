#pragma once

#include <QStringList>

#include <cstdio>

// Catches what a C library prints on the standard error stream while it
// works (the workbook library reports a failed close that way), so that it
// becomes the item's warnings instead of stray console lines. The stream is
// one per process: keep the captured stretch short.
class LibraryMessages
{
public:
    LibraryMessages();
    ~LibraryMessages();
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    // Ends the capture and gives its non-empty lines.
    QStringList take();

private:
    std::FILE* m_file = nullptr;
    int m_saved = -1;
};
