#pragma once

// Rows written to disk while a step that needs every row (a sort) holds more
// than memory allows, and read back in order. The files live in a folder of
// their own under the temporary folder the user chose, removed whole when
// the step ends: on success, on failure and on Stop alike, so that no run
// leaves gigabytes behind.
//
// The format is ours and private to one run: per row a number (the row's
// place in the table, which breaks ties in a merge) and its cells, each a
// length and its UTF-8 bytes. A row number and lengths are variable-length
// integers, so a short cell costs one byte beside its text.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QVector>

#include <memory>

class RowReader;
class TextColumn;

class SpillFolder
{
public:
    // A folder made under parent (the system's temporary folder when empty)
    // at the first file asked for.
    explicit SpillFolder(const QString& parent = QString());
    ~SpillFolder();
    SpillFolder(const SpillFolder&) = delete;
    SpillFolder& operator=(const SpillFolder&) = delete;

    // The chosen folder, as messages name it.
    const QString& parentPath() const { return m_parent; }
    // A new file's path in the folder; empty, with errorText() set, when
    // the folder cannot be made.
    QString newFilePath();
    const QString& errorText() const { return m_error; }
    // Bytes the files may take in all, beyond which a write fails as on a
    // full disk: tests make a disk fill up. Negative: no bound.
    void setCapacity(qint64 bytes) { m_capacity = bytes; }
    // Takes bytes from the capacity; false when it is used up.
    bool claim(qint64 bytes);

private:
    QString m_parent;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_error;
    int m_files = 0;
    qint64 m_capacity = -1;
};

class SpillWriter
{
public:
    explicit SpillWriter(SpillFolder* folder);
    ~SpillWriter();

    // False, with errorText() set, when the file cannot be made.
    bool open();
    const QString& path() const { return m_path; }
    // A row as the file holds it, appended to out: threads may encode rows
    // apart and the writer take them in order.
    static void encodeRow(QByteArray& out, qint64 rowNumber, const RowReader& row);
    static void encodeCells(QByteArray& out, qint64 rowNumber, const QString* cells, int count);
    // Queues rows so encoded; written as the buffer fills. False once a
    // write failed.
    bool append(const char* rows, int size);
    bool append(const QByteArray& rows) { return append(rows.constData(), rows.size()); }
    // Writes what is queued and closes the file; false when a write failed.
    bool close();
    // "Unable to write to the temporary folder '%1': %2".
    const QString& errorText() const { return m_error; }

private:
    bool flush();
    void fail(const QString& reason);

    SpillFolder* m_folder;
    QString m_path;
    QFile m_file;
    QByteArray m_buffer;
    QString m_error;
};

class SpillReader
{
public:
    explicit SpillReader(const QString& path);

    bool open();
    // A cell's UTF-8 bytes in the reader's buffer, valid until its next row
    // is read (a merge keeps one row of each run, so it copies each cell
    // once, into the merged table).
    struct Cell
    {
        const char* bytes;
        int size;
        QString text() const { return QString::fromUtf8(bytes, size); }
        // Appended as it is where it is ASCII, with no text made for it.
        void appendTo(TextColumn& column) const;
    };
    // The next row; false at the end or on a damaged file (errorText()).
    bool next(qint64* rowNumber, QVector<Cell>* cells);
    const QString& errorText() const { return m_error; }

private:
    bool fill(qint64 wanted);
    bool readNumber(quint64* value);

    QFile m_file;
    QByteArray m_buffer;
    // Where the row being read starts in the buffer, and the next byte.
    qint64 m_rowStart = 0;
    qint64 m_at = 0;
    QVector<qint64> m_offsets;
    QString m_error;
};
