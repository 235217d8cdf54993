#pragma once

// Characters for the text readers, from a file or from text already in
// memory (the clipboard). A file is read and decoded in large blocks so that
// the parsers never hold the whole file twice. Only ASCII from a UTF-8 file
// may reach them as its bytes (next(TextBlock*)), since it reads the same.

#include "input/reader.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

class ContentHash;
class QTextCodec;
class QTextDecoder;

// A block as the chunked parsers take it: the ASCII blocks of a UTF-8 file
// as their bytes, which saves widening them; anything else decoded.
struct TextBlock
{
    QLatin1String bytes;
    QStringView chars;
    bool isBytes = false;
    int size() const { return isBytes ? bytes.size() : int(chars.size()); }
};

class TextSource
{
public:
    // Characters handed out per block, and bytes read from a file per block.
    // Nothing depends on the exact size; blocks this small stay in the
    // processor's cache between decoding and parsing.
    static constexpr int BlockChars = 1 << 15;

    TextSource();
    explicit TextSource(const QString& text);
    ~TextSource();
    TextSource(const TextSource&) = delete;
    TextSource& operator=(const TextSource&) = delete;

    // Opens a file. An encoding of "Automatic" decodes as UTF-8 and lets a
    // UTF-8, UTF-16 or UTF-32 byte-order mark choose instead; a codec name
    // decodes with that codec. A name that matches no codec keeps the
    // automatic decoding and sets unknownEncoding().
    bool open(const QString& path, const QString& encoding);

    bool isFile() const { return m_isFile; }
    QString path() const { return m_path; }
    QString codecName() const;
    bool unknownEncoding() const { return m_unknownEncoding; }
    // Characters expected in total, for progress only: bytes divided by the
    // code unit size of the codec.
    qint64 estimatedTotal();

    // Up to maxChars characters from the start, without consuming them.
    QString peek(int maxChars);
    // The next block of characters, valid until the next call. A block never
    // ends with a carriage return unless the input ends there, so a CR LF
    // pair is never split. False at the end or after a read error.
    bool next(QStringView* block);
    // The same, leaving ASCII as bytes where the decoding allows.
    bool next(TextBlock* block);
    // Back to the first character.
    bool rewind();
    // Everything that is left, in one text.
    QString readAll();

    // Hashes the file's bytes as they are read, for a run record; call
    // before reading. contentHash() gives the digest once the whole file
    // has been read exactly once from its start, and is empty otherwise.
    void setHashing(bool on);
    QString contentHash();

    bool hasReadError() const { return m_readError; }
    // Bytes that the codec could not decode (shown as U+FFFD).
    bool hadInvalidBytes() const;
    qint64 nulCount() const { return m_nulCount; }

private:
    bool decodeNext(bool asciiBytes = false);
    bool takeAsciiBytes();
    void appendDecoded();
    bool readRaw(QByteArray* bytes);
    void startDecoding(const QByteArray& firstBytes);

    bool m_isFile = false;
    QString m_path;
    QString m_text;
    int m_textPos = 0;

    QFile m_file;
    QTextCodec* m_namedCodec = nullptr;
    QTextCodec* m_codec = nullptr;
    std::unique_ptr<QTextDecoder> m_decoder;
    // UTF-8 decoding with nothing pending: ASCII blocks may bypass the decoder.
    bool m_decoderClean = false;
    bool m_unknownEncoding = false;
    bool m_readError = false;
    bool m_invalidBytes = false;
    qint64 m_nulCount = 0;

    std::unique_ptr<ContentHash> m_hash;
    QByteArray m_raw;
    QString m_block;
    // The last block is m_raw itself, ASCII left undecoded.
    bool m_rawBlock = false;
    bool m_blockPending = false;
    bool m_carryCr = false;
    int m_blocksDecoded = 0;
};

// Opens a text file for a reader of the given options: checks that it can be
// read, chooses the decoding and adds "Read file" and the encoding guess to
// the result. On failure the result holds the error and false is returned.
bool openTextFile(
    const QString& path, const ReadOptions& options, TextSource* source, ReadResult* result);

// The choices of the encoding option: "Automatic", "UTF-8", then every other
// codec name the text-codec library offers, sorted.
QStringList availableEncodings();

// Warnings about characters that suggest the wrong encoding or a file that
// is not text at all; added once the whole source has been read.
void addDecodingWarnings(const TextSource& source, ReadResult* result);
