#pragma once

// Writing one whole text file: opening it by the write mode, deciding the
// byte-order mark and the header from the state of the file, running the
// writer, and making sure a failed write never leaves a half-written file in
// place of the old one.

#include "core/filenamevariables.h"
#include "core/paths.h"
#include "output/writer.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <memory>

class Dataset;
class QSaveFile;
class QTextStream;

struct FileWriteOptions
{
    int writeMode = WriteModeOverwrite;
    bool headerOnlyIfEmpty = true;
    // Here byteOrderMark and writeHeader are the user's options; the
    // decisions follow from them, the write mode and the existing file.
    TextWriteOptions text;
};

// The file's size, or -1 when there is no such file.
qint64 existingFileSize(const QString& path);

// A byte-order mark only for UTF encodings and only at the start of a file:
// never when appending to a file that already holds something.
bool shouldWriteByteOrderMark(
    bool option, const QString& encoding, int writeMode, qint64 existingSize);

// When appending with header-only-if-empty, a file of at most 3 bytes counts
// as empty, since it can hold no more than a byte-order mark.
bool shouldWriteHeader(bool option, int writeMode, bool headerOnlyIfEmpty, qint64 existingSize);

QString writeModeName(int writeMode);

// Writes the Dataset to the file. Overwrite and New write a temporary file
// beside the target and rename it into place only when everything was
// written; Append appends and, on failure, cuts the file back to its old
// length. Errors name the file. New on an existing file changes nothing and
// only warns. Disabled writes nothing.
TextWriteResult writeTextFile(const QString& path, const Dataset& data,
    const FileWriteOptions& options, const WriteProgress& progress = WriteProgress());

// One text file written block by block (writeTextFile() writes it in one
// block; a run that passes a file's rows through in blocks, in many): a
// scratch file beside it, the header and the byte-order mark going with the
// first block. The old file is replaced only when finish()
// commits; a cancelled or failed write leaves it as it was.
class TextFileInBlocks
{
public:
    TextFileInBlocks();
    ~TextFileInBlocks();
    TextFileInBlocks(const TextFileInBlocks&) = delete;
    TextFileInBlocks& operator=(const TextFileInBlocks&) = delete;

    // The Overwrite and New write modes (New on a file not there): false for
    // others, and when the file cannot be opened (the result says why).
    bool open(const QString& path, const FileWriteOptions& options);
    // False once a write failed (see result(), which also holds the
    // writer's warnings).
    bool write(const Dataset& rows, const WriteProgress& progress = WriteProgress());
    // Commits the file (false when that fails), or drops it.
    bool finish(bool commit);
    const TextWriteResult& result() const { return m_result; }

private:
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QTextStream> m_stream;
    TextWriteOptions m_text;
    TextWriteResult m_result;
    QString m_path;
    bool m_existed = false;
};
