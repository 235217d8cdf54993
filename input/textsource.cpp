#include "input/textsource.h"

#include "core/contenthash.h"
#include "core/values.h"

#include "input/charscan.h"
#include "input/inputformat.h"

#include <QFileInfo>
#include <QTextCodec>
#include <QTextDecoder>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Bytes read from the file per decoding step.
constexpr qint64 RawBlockBytes = TextSource::BlockChars;

QTextCodec* utf8Codec()
{
    static QTextCodec* codec = QTextCodec::codecForMib(106);
    return codec;
}

bool isAutomatic(const QString& encoding)
{
    return encoding.isEmpty()
        || encoding.compare(QLatin1String("Automatic"), Qt::CaseInsensitive) == 0;
}

} // namespace

TextSource::TextSource() = default;

TextSource::TextSource(const QString& text) : m_text(text)
{
}

TextSource::~TextSource() = default;

bool TextSource::open(const QString& path, const QString& encoding)
{
    m_isFile = true;
    m_path = path;
    m_file.setFileName(path);
    if (!isAutomatic(encoding)) {
        m_namedCodec = codecForEncoding(encoding);
        m_unknownEncoding = m_namedCodec == nullptr;
    }
    return m_file.open(QIODevice::ReadOnly);
}

QString TextSource::codecName() const
{
    if (m_codec)
        return QString::fromLatin1(m_codec->name());
    if (m_namedCodec)
        return QString::fromLatin1(m_namedCodec->name());
    return QStringLiteral("UTF-8");
}

qint64 TextSource::estimatedTotal()
{
    if (!m_isFile)
        return m_text.size();
    // Before the first block the byte-order mark has not chosen the codec
    // yet; look at it without consuming anything.
    QString name = codecName();
    if (!m_codec && !m_namedCodec && !m_file.isSequential())
        name
            = QString::fromLatin1(QTextCodec::codecForUtfText(m_file.peek(4), utf8Codec())->name());
    const qint64 bytes = m_file.size();
    if (name.contains(QLatin1String("-16")))
        return bytes / 2;
    if (name.contains(QLatin1String("-32")))
        return bytes / 4;
    return bytes;
}

QString TextSource::peek(int maxChars)
{
    rewind();
    QString sample;
    QStringView block;
    while (sample.size() < maxChars && next(&block))
        sample.append(block.left(maxChars - sample.size()));
    rewind();
    return sample;
}

bool TextSource::next(QStringView* block)
{
    if (!m_isFile) {
        const int size = m_text.size();
        if (m_textPos >= size)
            return false;
        int end = int(qMin<qint64>(qint64(m_textPos) + BlockChars, size));
        while (end < size && m_text.at(end - 1) == QLatin1Char('\r'))
            ++end;
        *block = QStringView(m_text).mid(m_textPos, end - m_textPos);
        m_textPos = end;
        return true;
    }
    if (!m_blockPending && !decodeNext())
        return false;
    m_blockPending = false;
    *block = QStringView(m_block);
    return true;
}

bool TextSource::next(TextBlock* block)
{
    block->isBytes = false;
    if (!m_isFile || m_blockPending)
        return next(&block->chars);
    if (!decodeNext(true))
        return false;
    if (m_rawBlock) {
        block->isBytes = true;
        block->bytes = QLatin1String(m_raw.constData(), m_raw.size());
    } else {
        block->chars = QStringView(m_block);
    }
    return true;
}

bool TextSource::rewind()
{
    if (!m_isFile) {
        m_textPos = 0;
        return true;
    }
    // Looking at the start and then parsing from it is the usual order; the
    // first block is kept so that the file is not decoded twice.
    if (m_blocksDecoded <= 1 && !m_rawBlock) {
        m_blockPending = m_blocksDecoded == 1;
        return true;
    }
    m_decoder.reset();
    m_decoderClean = false;
    m_codec = nullptr;
    m_block.clear();
    m_rawBlock = false;
    m_blockPending = false;
    m_carryCr = false;
    m_blocksDecoded = 0;
    m_nulCount = 0;
    m_invalidBytes = false;
    if (m_hash)
        m_hash->reset();
    return m_file.seek(0);
}

void TextSource::setHashing(bool on)
{
    m_hash.reset(on && m_isFile ? new ContentHash : nullptr);
}

QString TextSource::contentHash()
{
    if (!m_hash || !m_file.atEnd() || m_hash->bytesAdded() != m_file.size())
        return QString();
    return m_hash->hex();
}

QString TextSource::readAll()
{
    if (!m_isFile) {
        const QString rest = m_text.mid(m_textPos);
        m_textPos = m_text.size();
        return rest;
    }
    QString all;
    // Growing by doubling would copy the text again and again and, at the
    // end, hold it twice; a UTF-8 file has at most as many characters as
    // bytes.
    all.reserve(int(qBound<qint64>(0, estimatedTotal(), std::numeric_limits<int>::max() / 2)));
    QStringView block;
    while (next(&block))
        all.append(block);
    return all;
}

bool TextSource::hadInvalidBytes() const
{
    return m_invalidBytes || (m_decoder && m_decoder->hasFailure());
}

bool TextSource::readRaw(QByteArray* bytes)
{
    bytes->resize(int(RawBlockBytes));
    const qint64 n = m_file.read(bytes->data(), RawBlockBytes);
    if (n < 0) {
        m_readError = true;
        bytes->clear();
        return false;
    }
    bytes->resize(int(n));
    if (m_hash)
        m_hash->add(*bytes);
    return true;
}

void TextSource::startDecoding(const QByteArray& firstBytes)
{
    m_codec = m_namedCodec ? m_namedCodec : QTextCodec::codecForUtfText(firstBytes, utf8Codec());
    m_decoder.reset(m_codec->makeDecoder());
}

void TextSource::appendDecoded()
{
    // ASCII reads the same in UTF-8, and widening it is far cheaper than the
    // decoder's general path. That is only right when the decoder holds no
    // partial sequence from the block before (whose last byte was ASCII) and
    // has seen the start of the file, where it looks for a byte-order mark.
    if (m_decoderClean && isAscii(m_raw.constData(), m_raw.size())) {
        m_block.append(QLatin1String(m_raw.constData(), m_raw.size()));
        return;
    }
    m_decoder->toUnicode(&m_block, m_raw.constData(), m_raw.size());
    m_decoderClean = m_codec->mibEnum() == 106 && uchar(m_raw.back()) < 0x80;
}

// The raw block as it is, when it is ASCII that the decoder would only
// widen (see appendDecoded()), with a carried CR before it and a last CR
// held back as for decoded blocks; false when it needs decoding.
bool TextSource::takeAsciiBytes()
{
    if (!m_decoderClean || !isAscii(m_raw.constData(), m_raw.size()))
        return false;
    if (m_carryCr) {
        m_raw.prepend('\r');
        m_carryCr = false;
    }
    if (m_raw.endsWith('\r') && !m_file.atEnd()) {
        m_raw.chop(1);
        m_carryCr = true;
    }
    return true;
}

bool TextSource::decodeNext(bool asciiBytes)
{
    // The raw and decoded buffers are reused from block to block.
    for (;;) {
        if (!readRaw(&m_raw))
            return false;
        if (m_raw.isEmpty() && !m_carryCr)
            return false;
        if (!m_raw.isEmpty() && !m_decoder)
            startDecoding(m_raw);
        m_rawBlock = asciiBytes && takeAsciiBytes();
        if (m_rawBlock) {
            if (m_raw.isEmpty())
                continue;
            if (std::memchr(m_raw.constData(), 0, size_t(m_raw.size())))
                m_nulCount += std::count(m_raw.cbegin(), m_raw.cend(), '\0');
            ++m_blocksDecoded;
            return true;
        }
        // The decoder appends to its target.
        m_block.resize(0);
        if (m_carryCr) {
            m_block.append(QLatin1Char('\r'));
            m_carryCr = false;
        }
        if (!m_raw.isEmpty())
            appendDecoded();
        // Hold a trailing CR back until the next character is known.
        if (m_block.endsWith(QLatin1Char('\r')) && !m_file.atEnd()) {
            m_block.chop(1);
            m_carryCr = true;
        }
        if (m_block.isEmpty())
            continue;
        // Text files have no NUL characters; count them only when there are.
        if (QStringView(m_block).indexOf(QChar(0)) >= 0)
            m_nulCount += std::count(m_block.cbegin(), m_block.cend(), QChar(0));
        ++m_blocksDecoded;
        return true;
    }
}

bool openTextFile(
    const QString& path, const ReadOptions& options, TextSource* source, ReadResult* result)
{
    const QString shown = displayPath(path);
    if (!QFileInfo::exists(path)) {
        result->fail(QStringLiteral("File '%1' not found").arg(shown));
        return false;
    }
    // Formats without an encoding option (JSON is UTF-8 by definition) never
    // consult it.
    const InputFormat* format = inputFormat(options.fileType);
    const bool usesEncoding = !format || format->usesEncoding();
    const QString encoding = usesEncoding ? options.encoding : QStringLiteral("Automatic");
    if (!source->open(path, encoding)) {
        result->fail(QStringLiteral("Unable to read '%1'").arg(shown));
        return false;
    }
    result->information.append(QStringLiteral("Read file '%1'").arg(shown));
    if (source->unknownEncoding())
        result->warnings.append(
            QStringLiteral("Encoding '%1' is not available, reading as UTF-8").arg(encoding));
    if (isAutomatic(options.encoding) && usesEncoding)
        result->information.append(
            QStringLiteral("Encoding=Automatic guesses '%1', set 'Encoding' option to change")
                .arg(QStringLiteral("UTF-8")));
    return true;
}

QStringList availableEncodings()
{
    QStringList names;
    const QList<QByteArray> codecs = QTextCodec::availableCodecs();
    for (const QByteArray& name : codecs)
        names.append(QString::fromLatin1(name));
    names.removeDuplicates();
    names.removeAll(QStringLiteral("UTF-8"));
    names.sort(Qt::CaseInsensitive);
    names.prepend(QStringLiteral("UTF-8"));
    names.prepend(QStringLiteral("Automatic"));
    return names;
}

void addDecodingWarnings(const TextSource& source, ReadResult* result)
{
    const QString name = source.isFile() ? QStringLiteral("'%1'").arg(displayPath(source.path()))
                                         : QStringLiteral("The text");
    if (source.hadInvalidBytes())
        result->warnings.append(
            QStringLiteral("%1 has bytes that are not valid %2 (shown as \uFFFD), set 'Encoding' "
                           "option to change")
                .arg(name, source.codecName()));
    if (source.nulCount() > 0)
        result->warnings.append(
            QStringLiteral("%1 contains %2 NUL character(s); it may not be a text file or may "
                           "need another 'Encoding' option")
                .arg(name)
                .arg(source.nulCount()));
}
