#pragma once

// The options, results and entry points shared by the text format writers.
// A writer turns one Dataset into the characters of one file through an open
// QTextStream; deciding how the file is opened, whether a byte-order mark and
// a header belong in it and what the comment says is done before (see
// outputfile.h), so the writers themselves never fail once the stream is open.

#include "core/filetypes.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <functional>

class Dataset;
class QTextStream;

enum WriteMode : int {
    WriteModeDisabled = 0,
    WriteModeOverwrite = 1,
    WriteModeAppend = 2,
    WriteModeNew = 3
};

enum OutputQuoting : int { QuotingAsNeeded = 0, QuotingAlways = 1, QuotingNever = 2 };

enum LineEnding : int {
    LineEndingAutomatic = 0,
    LineEndingWindows = 1,
    LineEndingUnix = 2,
    LineEndingOldMac = 3,
    LineEndingRecordSeparator = 4
};

// The "Value types" option of JSON output.
enum JsonValueTypes : int {
    JsonValueTypesAutomatic = 0,
    JsonValueTypesString = 1,
    JsonValueTypesManual = 2
};

// The type of one JSON column; these integers are what documents store for
// the manual per-column choice.
enum JsonType : int {
    JsonTypeAutomatic = 0,
    JsonTypeBoolean = 1,
    JsonTypeNumber = 2,
    JsonTypeString = 3,
    JsonTypeRaw = 4
};

// The "Formatting" option of workbook output.
enum ExcelFormatting : int {
    ExcelFormattingAutomatic = 0,
    ExcelFormattingGeneral = 1,
    ExcelFormattingManual = 2
};

// Told the fraction done every 1000 rows; returning false stops the write.
using WriteProgress = std::function<bool(qreal)>;

struct TextWriteOptions
{
    int fileType = FileTypeDelimited;
    QString encoding = QStringLiteral("UTF-8");
    // For writeText() the decisions themselves; for writeTextFile() the
    // user's options, which it turns into decisions by the write mode and the
    // state of the file.
    bool byteOrderMark = false;
    bool writeHeader = true;
    int lineEnding = LineEndingAutomatic;
    // Variables already replaced; empty means no comment.
    QString comment;

    // The item's custom delimiter character.
    QChar customDelimiter = QLatin1Char('*');
    QString title; // HTML page title; the file path when empty

    // The format's own options under the keys documents store them with;
    // each writer reads its typed options (DelimitedWriteOptions and the
    // like below) from here, so that a new format needs no field here.
    QVariantMap formatOptions;
};

// The options of delimited (and fixed-width) output: "delimiter", "quote".
struct DelimitedWriteOptions
{
    int delimiter = DelimiterComma;
    int quoting = QuotingAsNeeded;

    // What the map lacks follows the path, as for a new output to it.
    static DelimitedWriteOptions from(const QVariantMap& map, const QString& path = QString());
    void store(QVariantMap* map) const;
};

// The options of JSON output: "remove_empty", "json_types",
// "json_manual_col_types".
struct JsonWriteOptions
{
    bool removeEmpty = true;
    int valueTypes = JsonValueTypesAutomatic;
    QVector<int> columnTypes; // JsonType per column, for Manual

    static JsonWriteOptions from(const QVariantMap& map);
    void store(QVariantMap* map) const;
};

// The options of XML output: "remove_empty", "xml_above_root", "xml_root",
// "xml_below_root", "xml_row".
struct XmlWriteOptions
{
    bool removeEmpty = true;
    QString aboveRoot;
    QString rootName = QStringLiteral("root");
    QString belowRoot;
    QString rowName = QStringLiteral("record");

    static XmlWriteOptions from(const QVariantMap& map);
    void store(QVariantMap* map) const;
};

// The options of HTML output: "html_encode".
struct HtmlWriteOptions
{
    bool escapeSpecial = true;

    static HtmlWriteOptions from(const QVariantMap& map);
    void store(QVariantMap* map) const;
};

struct TextWriteResult
{
    bool error = false; // the file could not be written (or the write was stopped)
    bool stopped = false; // the progress callback asked to stop
    bool fileWritten = false; // a file was created, replaced or appended to
    QStringList warnings;
    QStringList information;
    int jsonTypeMismatches = 0; // every JSON value not of its column's type
};

// "\r\n", "\n", "\r" or U+001E.
QString lineEndingText(int lineEnding);
QString lineEndingName(int lineEnding);

// The delimiter character written for a delimiter option (Custom gives the
// custom character; Automatic, which outputs do not offer, gives a comma).
QChar outputDelimiterChar(int delimiter, QChar customDelimiter);

// Defaults that depend on the output path: a ".t..." extension (tsv, tab,
// txt) means Tab and no quoting, anything else Comma and quoting as needed.
int defaultOutputDelimiter(const QString& path);
int defaultOutputQuoting(const QString& path);

// The names written by Markdown, vCard, YAML, JSON and XML: the column names,
// or "value1", "value2" ... when the Dataset has no header.
QStringList outputColumnNames(const Dataset& data);

// Writes the whole Dataset as the file type of the options, then flushes.
// Excel types are not text and give an error.
TextWriteResult writeText(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
    const WriteProgress& progress = WriteProgress());

// One writer per type, as dispatched by writeText().
TextWriteResult writeDelimitedText(QTextStream& stream, const Dataset& data,
    const TextWriteOptions& options, const WriteProgress& progress = WriteProgress());
TextWriteResult writeHtml(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
    const WriteProgress& progress = WriteProgress());
TextWriteResult writeMarkdown(QTextStream& stream, const Dataset& data,
    const TextWriteOptions& options, const WriteProgress& progress = WriteProgress());
TextWriteResult writePlainText(QTextStream& stream, const Dataset& data,
    const TextWriteOptions& options, const WriteProgress& progress = WriteProgress());
TextWriteResult writeVCard(QTextStream& stream, const Dataset& data,
    const TextWriteOptions& options, const WriteProgress& progress = WriteProgress());
TextWriteResult writeYaml(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
    const WriteProgress& progress = WriteProgress());
// JSON also reports its type mismatches (the first 5 and a count of the
// rest) and, with Automatic value types, the types it chose.
TextWriteResult writeJson(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
    const WriteProgress& progress = WriteProgress());
TextWriteResult writeXml(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
    const WriteProgress& progress = WriteProgress());

// JSON value types. The automatic type of a column is Number when it has a
// non-empty value and every non-empty value is a JSON number exactly as
// written (so "007" and "1,234" stay strings and the output stays valid),
// Boolean likewise for true/false in any letter case, else String.
int jsonAutomaticType(const Dataset& data, int column);
// The type each column is written as, by the "Value types" option: never
// JsonTypeAutomatic.
QVector<int> jsonColumnTypes(const Dataset& data, const JsonWriteOptions& options);
QString jsonTypeName(int type);
bool isJsonNumber(const QString& text);

// The message given when a writer's progress callback asks it to stop.
QString writeStoppedMessage();
