// The registry of input formats and the reads that go through it.

#include "input/inputformat.h"

#include "core/optionmap.h"
#include "input/textsource.h"

#include <QFileInfo>

// One line per format: the function in the format's own file that gives it.
#define VARNIX_INPUT_FORMATS(X)                                                                    \
    X(delimitedInputFormat)                                                                        \
    X(fixedWidthInputFormat)                                                                       \
    X(jsonInputFormat)                                                                             \
    X(xmlInputFormat)                                                                              \
    X(vCardInputFormat)                                                                            \
    X(plainTextInputFormat)                                                                        \
    X(xlsxInputFormat)                                                                             \
    X(xlsInputFormat)

#define VARNIX_DECLARE_FORMAT(name) const InputFormat& name();
VARNIX_INPUT_FORMATS(VARNIX_DECLARE_FORMAT)
#undef VARNIX_DECLARE_FORMAT

const QList<const InputFormat*>& inputFormats()
{
#define VARNIX_LIST_FORMAT(name) &name(),
    static const QList<const InputFormat*> formats { VARNIX_INPUT_FORMATS(VARNIX_LIST_FORMAT) };
#undef VARNIX_LIST_FORMAT
    return formats;
}

const InputFormat* inputFormat(int fileType)
{
    for (const InputFormat* format : inputFormats()) {
        if (format->fileType() == fileType)
            return format;
    }
    return nullptr;
}

void InputFormat::saveOptions(const QVariantMap&, QVariantMap*) const
{
}

void InputFormat::restoreOptions(const QVariantMap&, QVariantMap*) const
{
}

void InputFormat::keepWorkedOut(const ReadResult&, QVariantMap*) const
{
}

bool InputFormat::readFile(
    const QString&, const QString&, const ReadOptions&, const ReadProgress&, ReadResult*) const
{
    return false;
}

QStringList InputFormat::listSheets(const QString&, const QString&) const
{
    return {};
}

SummaryRows InputFormat::optionSummary(const ReadOptions& options) const
{
    if (!usesEncoding())
        return {};
    return { qMakePair(QStringLiteral("Encoding"), options.encoding) };
}

SummaryRows InputFormat::trailingSummary(const ReadOptions&) const
{
    return {};
}

QString inputSourceName(const TextSource& source)
{
    return source.isFile() ? QStringLiteral("'%1'").arg(displayPath(source.path()))
                           : QStringLiteral("The pasted text");
}

QString tooBigMessage(const TextSource& source)
{
    return QStringLiteral("%1 is too big for Varnix to read").arg(inputSourceName(source));
}

ReadResult readFormatFile(const QString& path, const ReadOptions& options,
    const ReadProgress& progress, const QString& sheet)
{
    ReadResult result;
    const InputFormat* format = inputFormat(options.fileType);
    if (!format) {
        result.fail(QStringLiteral("'%1' cannot be read as %2")
                        .arg(displayPath(path), fileTypeName(options.fileType)));
        return result;
    }
    if (format->readsFile()) {
        if (format->readFile(path, sheet, options, progress, &result))
            applyHeaderOption(result, options.hasHeader);
        return result;
    }
    TextSource source;
    if (!openTextFile(path, options, &source, &result))
        return result;
    source.setHashing(options.hashContent);
    if (format->parse(source, options, progress, &result))
        applyHeaderOption(result, format->namesColumns() ? HeaderYes : options.hasHeader);
    result.contentHash = source.contentHash();
    return result;
}

ReadResult readFormatText(
    const QString& text, const ReadOptions& options, const ReadProgress& progress)
{
    ReadResult result;
    const InputFormat* format = inputFormat(options.fileType);
    ReadOptions used = options;
    if (!format || format->readsFile()) {
        used.fileType = FileTypeDelimited;
        format = inputFormat(FileTypeDelimited);
    }
    TextSource source(text);
    if (format->parse(source, used, progress, &result))
        applyHeaderOption(result, format->namesColumns() ? HeaderYes : used.hasHeader);
    return result;
}
