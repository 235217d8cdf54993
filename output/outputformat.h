#pragma once

// One entry of the registry of output formats: the writer of one file type,
// the options it uses, how they are stored in the output element of a
// document and how the item summary shows them. The Output item looks a
// format up by its file type; a new format is one file with its
// OutputFormat and one line in outputformats.cpp.

#include "output/writer.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariantMap>

using OutputSummaryRows = QList<QPair<QString, QString>>;

class OutputFormat
{
public:
    virtual ~OutputFormat() = default;

    virtual int fileType() const = 0;

    // The format's own options as attributes of the output element, and
    // back. Every format stores its options whatever the item's type, so
    // that the stored documents keep every key. The path gives the defaults
    // that depend on the extension.
    virtual void saveOptions(const TextWriteOptions& options, QVariantMap* map) const;
    virtual void restoreOptions(
        const QVariantMap& map, const QString& path, TextWriteOptions* options) const;
    // The summary rows of the format's own options: those shown before the
    // line endings, and those shown after the byte-order mark.
    virtual OutputSummaryRows leadingSummary(const TextWriteOptions& options) const;
    virtual OutputSummaryRows trailingSummary(const TextWriteOptions& options) const;

    virtual TextWriteResult write(QTextStream& stream, const Dataset& data,
        const TextWriteOptions& options, const WriteProgress& progress) const = 0;
};

// The format that writes a file type as text, or null (the workbook types
// are written elsewhere).
const OutputFormat* outputFormat(int fileType);
const QList<const OutputFormat*>& outputFormats();

// The summary labels shared by the formats that write delimiters.
QString outputDelimiterLabel(int delimiter, QChar customDelimiter);
QString outputQuotingLabel(int quoting);
