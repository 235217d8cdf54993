// The registry of output formats.

#include "output/outputformat.h"

#include "input/reader.h"

// One line per format: the function in the format's own file that gives it.
#define VARNIX_OUTPUT_FORMATS(X)                                                                   \
    X(delimitedOutputFormat)                                                                       \
    X(fixedWidthOutputFormat)                                                                      \
    X(jsonOutputFormat)                                                                            \
    X(xmlOutputFormat)                                                                             \
    X(vCardOutputFormat)                                                                           \
    X(yamlOutputFormat)                                                                            \
    X(htmlOutputFormat)                                                                            \
    X(markdownOutputFormat)                                                                        \
    X(plainTextOutputFormat)                                                                       \
    X(xlsxOutputFormat)                                                                            \
    X(xlsOutputFormat)

#define VARNIX_DECLARE_FORMAT(name) const OutputFormat& name();
VARNIX_OUTPUT_FORMATS(VARNIX_DECLARE_FORMAT)
#undef VARNIX_DECLARE_FORMAT

const QList<const OutputFormat*>& outputFormats()
{
#define VARNIX_LIST_FORMAT(name) &name(),
    static const QList<const OutputFormat*> formats { VARNIX_OUTPUT_FORMATS(VARNIX_LIST_FORMAT) };
#undef VARNIX_LIST_FORMAT
    return formats;
}

const OutputFormat* outputFormat(int fileType)
{
    for (const OutputFormat* format : outputFormats()) {
        if (format->fileType() == fileType)
            return format;
    }
    return nullptr;
}

void OutputFormat::saveOptions(const QVariantMap&, QVariantMap*) const
{
}

void OutputFormat::restoreOptions(const QVariantMap&, const QString&, QVariantMap*) const
{
}

QString OutputFormat::writeModeSummary(int writeMode, const TextWriteOptions&) const
{
    return writeModeName(writeMode);
}

TextWriteResult OutputFormat::writeFile(const QString& path, const QString&, const Dataset& data,
    const FileWriteOptions& options, const WriteProgress& progress) const
{
    return writeTextFile(path, data, options, progress);
}

OutputSummaryRows OutputFormat::leadingSummary(const TextWriteOptions&) const
{
    return {};
}

OutputSummaryRows OutputFormat::trailingSummary(const TextWriteOptions&) const
{
    return {};
}

QString outputDelimiterLabel(int delimiter, QChar customDelimiter)
{
    // The readers' labels, less Automatic (an output writes commas then) and
    // with the custom character named.
    if (delimiter == DelimiterCustom)
        return QStringLiteral("Custom (%1)").arg(customDelimiter);
    return delimiterLabel(delimiter == DelimiterAutomatic ? int(DelimiterComma) : delimiter);
}

QString outputQuotingLabel(int quoting)
{
    switch (quoting) {
    case QuotingAlways:
        return QStringLiteral("Always");
    case QuotingNever:
        return QStringLiteral("Never");
    default:
        return QStringLiteral("As needed");
    }
}
