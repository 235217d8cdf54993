#pragma once

// Shared by the reader targets: the first byte chooses the common read
// options, the rest is the file, written to disk so that opening and
// decoding run as they do for a user's file.

#include "core/memorylimit.h"
#include "input/inputformat.h"

#include <QDir>
#include <QTemporaryFile>

// The memory limit as a run has it, at half a GB: an input that asks for more is
// stopped at a progress point, as the program stops it, rather than being
// reported as running out of memory.
inline ReadProgress fuzzProgress()
{
    ReadProgress progress;
    progress.callback = [](qreal) { return MemoryLimit::currentMemoryGB() < 0.5; };
    return progress;
}

inline ReadOptions fuzzedReadOptions(int fileType, uint8_t choice)
{
    ReadOptions options;
    options.fileType = fileType;
    options.hasHeader = choice % 3;
    options.trimWhitespace = choice & 0x04;
    options.simplifyWhitespace = choice & 0x08;
    options.ignoreEmptyRows = choice & 0x10;
    options.ignoredFirstRows = (choice >> 6) % 3;
    return options;
}

// The bytes as the content of one reused scratch file; its path, or empty.
// In the temporary folder: a run that ends in a crash leaves the file behind,
// and it must not land in the working copy.
inline QString fuzzFile(const uint8_t* data, size_t size, const QString& suffix)
{
    static QTemporaryFile file(QDir::temp().filePath(QStringLiteral("fuzz-XXXXXX") + suffix));
    if (!file.isOpen() && !file.open())
        return QString();
    file.resize(0);
    file.seek(0);
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.flush();
    return file.fileName();
}

// A text format: read from a file and, the same bytes, as pasted text.
inline void fuzzTextFormat(int fileType, const uint8_t* data, size_t size, const QString& suffix,
    void (*extra)(ReadOptions&, uint8_t) = nullptr)
{
    if (size < 2)
        return;
    ReadOptions options = fuzzedReadOptions(fileType, data[0]);
    if (extra)
        extra(options, data[1]);
    const QString path = fuzzFile(data + 2, size - 2, suffix);
    if (!path.isEmpty())
        (void)readFormatFile(path, options, fuzzProgress());
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), int(size - 2));
    (void)readFormatText(text, options, fuzzProgress());
}
