#include "core/spillfile.h"

#include "core/dataset.h"

#include <QDir>

#include <cerrno>

namespace {

// Bytes gathered before each write and read: large enough that the disk sees
// long sequential transfers, small beside any memory limit.
constexpr int BufferBytes = 1 << 20;

void appendNumber(QByteArray& out, quint64 value)
{
    while (value >= 0x80) {
        out.append(char(value & 0x7f) | char(0x80));
        value >>= 7;
    }
    out.append(char(value));
}

// Most cells are plain ASCII: their bytes are their code units, with no
// conversion to a text of its own.
void appendCell(QByteArray& out, const QString& text)
{
    const QChar* chars = text.constData();
    const int n = text.size();
    bool ascii = true;
    for (int i = 0; i < n && ascii; ++i)
        ascii = chars[i].unicode() < 0x80;
    if (!ascii) {
        const QByteArray utf8 = text.toUtf8();
        appendNumber(out, quint64(utf8.size()));
        out.append(utf8);
        return;
    }
    appendNumber(out, quint64(n));
    const int at = out.size();
    out.resize(at + n);
    char* bytes = out.data() + at;
    for (int i = 0; i < n; ++i)
        bytes[i] = char(chars[i].unicode());
}

} // namespace

SpillFolder::SpillFolder(const QString& parent)
    : m_parent(parent.isEmpty() ? QDir::tempPath() : QDir::cleanPath(parent))
{
}

SpillFolder::~SpillFolder() = default;

QString SpillFolder::newFilePath()
{
    if (!m_dir) {
        m_dir = std::make_unique<QTemporaryDir>(
            QDir(m_parent).filePath(QStringLiteral("varnix-spill-XXXXXX")));
        if (!m_dir->isValid()) {
            m_error = QStringLiteral("Unable to create a temporary folder in '%1': %2")
                          .arg(QDir::toNativeSeparators(m_parent), m_dir->errorString());
            m_dir.reset();
            return QString();
        }
    }
    return m_dir->filePath(QStringLiteral("run%1.rows").arg(++m_files));
}

bool SpillFolder::claim(qint64 bytes)
{
    if (m_capacity < 0)
        return true;
    if (bytes > m_capacity)
        return false;
    m_capacity -= bytes;
    return true;
}

SpillWriter::SpillWriter(SpillFolder* folder) : m_folder(folder)
{
}

SpillWriter::~SpillWriter()
{
    // A file not closed whole is of no use to anyone.
    if (m_file.isOpen()) {
        m_file.close();
        m_file.remove();
    }
}

bool SpillWriter::open()
{
    m_path = m_folder->newFilePath();
    if (m_path.isEmpty()) {
        m_error = m_folder->errorText();
        return false;
    }
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::WriteOnly)) {
        fail(m_file.errorString());
        return false;
    }
    m_buffer.reserve(BufferBytes + 4096);
    return true;
}

void SpillWriter::fail(const QString& reason)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("Unable to write to the temporary folder '%1': %2")
                      .arg(QDir::toNativeSeparators(m_folder->parentPath()), reason);
}

void SpillWriter::encodeRow(QByteArray& out, qint64 rowNumber, const RowReader& row)
{
    appendNumber(out, quint64(rowNumber));
    appendNumber(out, quint64(row.size()));
    for (int c = 0; c < row.size(); ++c)
        appendCell(out, row.at(c));
}

void SpillWriter::encodeCells(QByteArray& out, qint64 rowNumber, const QString* cells, int count)
{
    appendNumber(out, quint64(rowNumber));
    appendNumber(out, quint64(count));
    for (int c = 0; c < count; ++c)
        appendCell(out, cells[c]);
}

bool SpillWriter::append(const char* rows, int size)
{
    if (!m_error.isEmpty())
        return false;
    m_buffer.append(rows, size);
    return m_buffer.size() < BufferBytes || flush();
}

bool SpillWriter::flush()
{
    if (!m_error.isEmpty())
        return false;
    if (!m_folder->claim(m_buffer.size())) {
        fail(qt_error_string(ENOSPC));
        return false;
    }
    if (m_file.write(m_buffer) != m_buffer.size()) {
        fail(m_file.errorString());
        return false;
    }
    m_buffer.resize(0);
    return true;
}

bool SpillWriter::close()
{
    const bool written = flush() && m_file.flush();
    if (!written)
        fail(m_file.errorString());
    m_file.close();
    return written;
}

SpillReader::SpillReader(const QString& path) : m_file(path)
{
}

bool SpillReader::open()
{
    if (m_file.open(QIODevice::ReadOnly))
        return true;
    m_error = QStringLiteral("Unable to read the temporary file '%1': %2")
                  .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
    return false;
}

// Makes at least wanted bytes available from m_at, keeping the row being
// read; false at the end.
bool SpillReader::fill(qint64 wanted)
{
    if (m_buffer.size() - m_at >= wanted)
        return true;
    m_buffer.remove(0, int(m_rowStart));
    m_at -= m_rowStart;
    m_rowStart = 0;
    const qint64 missing = wanted - (m_buffer.size() - m_at);
    m_buffer.append(m_file.read(qMax<qint64>(missing, BufferBytes)));
    return m_buffer.size() - m_at >= wanted;
}

bool SpillReader::readNumber(quint64* value)
{
    *value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (!fill(1))
            return false;
        const auto byte = quint8(m_buffer.at(int(m_at++)));
        *value |= quint64(byte & 0x7f) << shift;
        if (byte < 0x80)
            return true;
    }
    return false;
}

bool SpillReader::next(qint64* rowNumber, QVector<Cell>* cells)
{
    m_rowStart = m_at;
    quint64 number = 0;
    if (!readNumber(&number))
        return false; // the end
    quint64 count = 0;
    bool whole = readNumber(&count);
    // Offsets from the row's start: the buffer may move while it is read.
    m_offsets.resize(0);
    for (quint64 c = 0; whole && c < count; ++c) {
        quint64 length = 0;
        whole = readNumber(&length) && fill(qint64(length));
        m_offsets.append(m_at - m_rowStart);
        m_offsets.append(qint64(length));
        m_at += qint64(length);
    }
    if (!whole) {
        m_error = QStringLiteral("The temporary file '%1' ends in the middle of a row")
                      .arg(QDir::toNativeSeparators(m_file.fileName()));
        return false;
    }
    const char* row = m_buffer.constData() + m_rowStart;
    cells->resize(int(count));
    for (int c = 0; c < int(count); ++c)
        (*cells)[c] = Cell { row + m_offsets.at(2 * c), int(m_offsets.at(2 * c + 1)) };
    *rowNumber = qint64(number);
    return true;
}

void SpillReader::Cell::appendTo(TextColumn& column) const
{
    for (int i = 0; i < size; ++i) {
        if (quint8(bytes[i]) >= 0x80) {
            column.append(text());
            return;
        }
    }
    column.appendLatin1(bytes, size);
}
