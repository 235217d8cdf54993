#pragma once

// One entry of the registry of input formats: the reader of one file type,
// the options it uses and how they are stored in the input element of a
// document. The Input item and the folder and clipboard reads look a format
// up by its file type and know nothing else about it; a new format is one
// file with its InputFormat and one line in inputformats.cpp.

#include "input/reader.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariantMap>

#include <new>

class TextSource;

using SummaryRows = QList<QPair<QString, QString>>;

class InputFormat
{
public:
    virtual ~InputFormat() = default;

    virtual int fileType() const = 0;
    // Whether the encoding option applies, and so is shown and reported as
    // guessed. JSON is UTF-8 by definition.
    virtual bool usesEncoding() const { return true; }
    // Whether the ignored-first-rows option applies.
    virtual bool usesIgnoredRows() const { return false; }
    // Whether the format names its columns itself (keys, elements,
    // properties): the header option then does not apply, and the first row
    // the parse gives is always the names.
    virtual bool namesColumns() const { return false; }
    // Whether pasted text that starts so (white space trimmed) is surely of
    // this format; text no format claims is taken as delimited.
    virtual bool recognises(QStringView start) const
    {
        Q_UNUSED(start)
        return false;
    }

    // The format's own options between an item's format options
    // (ReadOptions::formatOptions) and the attributes of the input element
    // of a document. Every format stores its options whatever the item's
    // type, so that switching type keeps them and the stored documents keep
    // every key; what a document lacks gets its default.
    virtual void saveOptions(const QVariantMap& formatOptions, QVariantMap* stored) const;
    virtual void restoreOptions(const QVariantMap& stored, QVariantMap* formatOptions) const;
    // Options a read worked out that the item keeps as its own (the widths
    // of automatic fixed-width columns), so that turning the automatic
    // choice off starts from them.
    virtual void keepWorkedOut(const ReadResult& result, QVariantMap* formatOptions) const;
    // The rows the item summary shows for the format's own options: those
    // before the common options, and those after them.
    virtual SummaryRows optionSummary(const ReadOptions& options) const;
    virtual SummaryRows trailingSummary(const ReadOptions& options) const;

    // Parses the decoded text into result->dataset, adding what it guessed
    // and found; false on failure (with the reason among the warnings) or
    // when stopped. The header option is applied afterwards.
    virtual bool parse(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result) const = 0;

    // Workbooks are no text: their formats read the file themselves, one
    // sheet chosen by name or number, and list their sheets for a folder
    // read. A path of a format with sheets may name its sheet:
    // "book.xlsx[Sheet 1]".
    virtual bool readsFile() const { return false; }
    virtual bool hasSheets() const { return false; }
    virtual bool readFile(const QString& path, const QString& sheet, const ReadOptions& options,
        const ReadProgress& progress, ReadResult* result) const;
    virtual QStringList listSheets(const QString& path, const QString& wildcard) const;
};

// The format that reads a file type, or null when there is none.
const InputFormat* inputFormat(int fileType);
// Every registered format, in file type order.
const QList<const InputFormat*>& inputFormats();

// Opens the file, decodes it as the options say and parses it with the
// format of options.fileType, then applies the header option. A type without
// a format ends in an error that names the file and the type.
ReadResult readFormatFile(const QString& path, const ReadOptions& options,
    const ReadProgress& progress = ReadProgress(), const QString& sheet = QString());
// The same for text in memory (pasted text), without a decoding step. Types
// without a text format of their own (workbook cells) read as delimited text.
ReadResult readFormatText(
    const QString& text, const ReadOptions& options, const ReadProgress& progress = ReadProgress());

// "'path'" for a file, "The pasted text" otherwise: how messages name the
// input.
QString inputSourceName(const TextSource& source);
// Runs a parse step and turns running out of memory into the "too big"
// failure rather than an abort; the dataset is dropped first so that the
// memory is back before anything else needs it.
template <typename Step> bool guardMemory(const TextSource& source, ReadResult* result, Step step);
QString tooBigMessage(const TextSource& source);

template <typename Step> bool guardMemory(const TextSource& source, ReadResult* result, Step step)
{
    try {
        return step();
    } catch (const std::bad_alloc&) {
        result->dataset.clear();
        result->fail(tooBigMessage(source));
        return false;
    }
}
