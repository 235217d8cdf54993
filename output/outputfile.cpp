#include "output/outputfile.h"

#include "core/dataset.h"
#include "core/values.h"
#include "core/writebacksavefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextCodec>
#include <QTextStream>

namespace {

void fail(TextWriteResult& result, const QString& message, const QIODevice& device)
{
    result.error = true;
    result.warnings << message;
    const QString reason = device.errorString();
    if (!reason.isEmpty() && reason != QLatin1String("Unknown error"))
        result.warnings << reason;
}

// Sets the codec and the byte-order mark; an unknown encoding falls back to
// UTF-8 with a warning rather than failing the whole output.
void prepareStream(QTextStream& stream, TextWriteOptions& text, TextWriteResult& result)
{
    QTextCodec* codec = codecForEncoding(text.encoding);
    if (!codec) {
        result.warnings
            << QStringLiteral("Encoding '%1' not available, UTF-8 used instead").arg(text.encoding);
        text.encoding = QStringLiteral("UTF-8");
        codec = QTextCodec::codecForName("UTF-8");
    }
    stream.setCodec(codec);
    stream.setGenerateByteOrderMark(text.byteOrderMark);
}

// Runs the writer and folds its messages into the result; false when the
// stream could not take everything.
bool runWriter(QTextStream& stream, const Dataset& data, const TextWriteOptions& text,
    const WriteProgress& progress, TextWriteResult& result)
{
    const TextWriteResult written = writeText(stream, data, text, progress);
    result.warnings << written.warnings;
    result.information << written.information;
    result.jsonTypeMismatches = written.jsonTypeMismatches;
    result.stopped = written.stopped;
    if (written.error)
        result.error = true;
    stream.flush();
    return stream.status() == QTextStream::Ok;
}

// The options as the file's state decides them: the byte-order mark and
// the header, and the title a format shows.
TextWriteOptions decidedText(
    const FileWriteOptions& options, const QString& path, qint64 existingSize)
{
    TextWriteOptions text = options.text;
    text.byteOrderMark = shouldWriteByteOrderMark(
        text.byteOrderMark, text.encoding, options.writeMode, existingSize);
    text.writeHeader = shouldWriteHeader(
        text.writeHeader, options.writeMode, options.headerOnlyIfEmpty, existingSize);
    if (text.title.isEmpty())
        text.title = displayPath(path);
    return text;
}

TextWriteResult writeAppending(const QString& path, const Dataset& data, TextWriteOptions text,
    qint64 existingSize, const WriteProgress& progress)
{
    TextWriteResult result;
    const QString name = displayPath(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        fail(result, QStringLiteral("Unable to append to '%1'").arg(name), file);
        return result;
    }
    QTextStream stream(&file);
    prepareStream(stream, text, result);
    const bool streamOk = runWriter(stream, data, text, progress, result);
    const bool deviceOk = streamOk && file.error() == QFileDevice::NoError && file.flush();
    if (!result.error && deviceOk) {
        file.close();
        result.fileWritten = true;
        result.information << QStringLiteral("Appended file '%1'").arg(name);
        return result;
    }
    if (!deviceOk)
        fail(result, QStringLiteral("Unable to append to '%1'").arg(name), file);
    // Whatever got through is cut off again, so the file is as it was.
    if (existingSize < 0) {
        file.close();
        file.remove();
    } else {
        if (!file.isSequential())
            file.resize(existingSize);
        file.close();
    }
    return result;
}

} // namespace

qint64 existingFileSize(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? info.size() : -1;
}

bool shouldWriteByteOrderMark(
    bool option, const QString& encoding, int writeMode, qint64 existingSize)
{
    if (!option || !encoding.contains(QLatin1String("utf"), Qt::CaseInsensitive))
        return false;
    return writeMode != WriteModeAppend || existingSize <= 0;
}

bool shouldWriteHeader(bool option, int writeMode, bool headerOnlyIfEmpty, qint64 existingSize)
{
    if (!option)
        return false;
    return writeMode != WriteModeAppend || !headerOnlyIfEmpty || existingSize <= 3;
}

QString writeModeName(int writeMode)
{
    switch (writeMode) {
    case WriteModeDisabled:
        return QStringLiteral("Disabled");
    case WriteModeOverwrite:
        return QStringLiteral("Overwrite");
    case WriteModeAppend:
        return QStringLiteral("Append");
    case WriteModeNew:
        return QStringLiteral("New");
    default:
        return QString();
    }
}

TextWriteResult writeTextFile(const QString& path, const Dataset& data,
    const FileWriteOptions& options, const WriteProgress& progress)
{
    const int mode = options.writeMode;
    if (mode == WriteModeDisabled)
        return TextWriteResult();
    const qint64 existingSize = existingFileSize(path);
    if (mode == WriteModeNew && existingSize >= 0) {
        TextWriteResult result;
        result.warnings << QStringLiteral("Write mode='%1' and '%2' already exists")
                               .arg(writeModeName(mode), displayPath(path));
        return result;
    }
    if (mode == WriteModeAppend)
        return writeAppending(
            path, data, decidedText(options, path, existingSize), existingSize, progress);
    // Overwrite and New: a scratch file replaces the old one only when whole.
    TextFileInBlocks file;
    if (file.open(path, options)) {
        file.write(data, progress);
        file.finish(true);
    }
    return file.result();
}

TextFileInBlocks::TextFileInBlocks() = default;

TextFileInBlocks::~TextFileInBlocks()
{
    finish(false);
}

bool TextFileInBlocks::open(const QString& path, const FileWriteOptions& options)
{
    if (options.writeMode != WriteModeOverwrite && options.writeMode != WriteModeNew)
        return false;
    m_path = path;
    const qint64 existingSize = existingFileSize(path);
    m_existed = existingSize >= 0;
    m_text = decidedText(options, path, existingSize);
    m_file = std::make_unique<WritebackSaveFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        const QString failure = options.writeMode == WriteModeNew
            ? QStringLiteral("Unable to create '%1'")
            : QStringLiteral("Unable to write '%1'");
        fail(m_result, failure.arg(displayPath(path)), *m_file);
        m_file.reset();
        return false;
    }
    m_stream = std::make_unique<QTextStream>(m_file.get());
    prepareStream(*m_stream, m_text, m_result);
    return true;
}

bool TextFileInBlocks::write(const Dataset& rows, const WriteProgress& progress)
{
    if (!m_stream || m_result.error)
        return false;
    const bool streamOk = runWriter(*m_stream, rows, m_text, progress, m_result);
    // The header and the byte-order mark lead the file only.
    m_text.writeHeader = false;
    if (!m_result.error && (!streamOk || m_file->error() != QFileDevice::NoError))
        fail(m_result, QStringLiteral("Unable to write '%1'").arg(displayPath(m_path)), *m_file);
    return !m_result.error;
}

bool TextFileInBlocks::finish(bool commit)
{
    if (!m_file)
        return false;
    m_stream.reset();
    const std::unique_ptr<QSaveFile> file = std::move(m_file);
    if (!commit || m_result.error) {
        file->cancelWriting();
        return false;
    }
    if (!file->commit()) {
        // A failed commit leaves the old file as it was.
        fail(m_result, QStringLiteral("Unable to write '%1'").arg(displayPath(m_path)), *file);
        return false;
    }
    m_result.fileWritten = true;
    m_result.information << (m_existed ? QStringLiteral("Overwrote file '%1'")
                                       : QStringLiteral("Created file '%1'"))
                                .arg(displayPath(m_path));
    return true;
}
