#pragma once

// One entry of the registry of output formats: the writer of one file type,
// the options it uses, how they are stored in the output element of a
// document and how the item summary shows them. The Output item looks a
// format up by its file type; a new format is one file with its
// OutputFormat and one line in outputformats.cpp.

#include "output/outputfile.h"

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

    // The format's own options between an item's format options
    // (TextWriteOptions::formatOptions) and the attributes of the output
    // element of a document. Every format stores its options whatever the
    // item's type, so that the stored documents keep every key. The path
    // gives the defaults that depend on the extension.
    virtual void saveOptions(const QVariantMap& formatOptions, QVariantMap* stored) const;
    virtual void restoreOptions(
        const QVariantMap& stored, const QString& path, QVariantMap* formatOptions) const;
    // The summary rows of the format's own options: those shown before the
    // line endings, and those shown after the byte-order mark.
    virtual OutputSummaryRows leadingSummary(const TextWriteOptions& options) const;
    virtual OutputSummaryRows trailingSummary(const TextWriteOptions& options) const;

    // The value of the "Write mode" summary row.
    virtual QString writeModeSummary(int writeMode, const TextWriteOptions& options) const;

    // Workbooks hold named sheets: their paths may end in "[sheet]", and
    // several sheets of one multi-file output may go into one file.
    virtual bool hasSheets() const { return false; }
    // Whether the line ending, encoding and byte-order mark options apply.
    virtual bool writesText() const { return true; }

    // Writes one whole file, opened as the write mode says. Text formats go
    // through writeTextFile() and write(); workbooks write their files
    // themselves, into the named sheet.
    virtual TextWriteResult writeFile(const QString& path, const QString& sheet,
        const Dataset& data, const FileWriteOptions& options, const WriteProgress& progress) const;

    virtual TextWriteResult write(QTextStream& stream, const Dataset& data,
        const TextWriteOptions& options, const WriteProgress& progress) const = 0;
};

// The format that writes a file type, or null.
const OutputFormat* outputFormat(int fileType);
const QList<const OutputFormat*>& outputFormats();

// The summary labels shared by the formats that write delimiters.
QString outputDelimiterLabel(int delimiter, QChar customDelimiter);
QString outputQuotingLabel(int quoting);
