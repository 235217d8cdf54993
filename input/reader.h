#pragma once

// The common face of the text readers: the options an Input item hands to a
// reader, how a reader reports progress, and what it gives back. A reader
// never touches the graph; the Input item copies the result into its node.

#include "core/columnuse.h"
#include "core/dataset.h"
#include "core/filetypes.h"
#include "core/paths.h"
#include "core/runtexts.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <functional>
#include <memory>

// Quoting choices of delimited input. The integers are stored in documents.
enum Quoting : int { QuotingAutomatic = 0, QuotingQuoted = 1, QuotingUnquoted = 2 };

// The "has header" option; automatic is resolved on the next read.
enum HeaderOption : int { HeaderNo = 0, HeaderYes = 1, HeaderAutomatic = 2 };

// The "format" option of JSON and XML input. The integers are stored.
enum InputLayout : int { LayoutWide = 0, LayoutLong = 1 };

// A streamed run's hand-over of rows while a read goes on: once the table
// read so far holds at least blockRows rows (its header settled first),
// take() is given them and the read goes on with none; the rows left when
// the text ends stay in the result. False from take() ends the read as a
// stop does. Only the delimited and plain text readers hand rows over, and
// only when they parse the text in chunks (a smaller text is one block).
struct RowHandOver
{
    std::function<bool(Dataset&& rows)> take;
    int blockRows = 100000;
    // Characters per parsed chunk, 0 for the usual size: small ones make a
    // small text stream (tests).
    int chunkChars = 0;
    // A column's values stay pooled only while they are fewer than this: a
    // block is dropped once passed on, so a pool of many values saves no
    // memory, and its look-ups miss the processor's cache.
    int poolValues = 1 << 15;

    bool isOn() const { return bool(take); }
};

// The options every reader takes. A format's own options (the delimiter,
// the fixed widths, Wide or Long ...) travel in formatOptions under the keys
// documents store them with; each format reads its own typed options from
// there (DelimitedReadOptions, FixedWidthReadOptions, LayoutReadOptions,
// WorkbookReadOptions), so that a new format needs no field here.
struct ReadOptions
{
    int fileType = FileTypeDelimited;
    // "Automatic" or the name of a text codec ("UTF-8", "ISO-8859-1", ...).
    QString encoding = QStringLiteral("Automatic");
    // The item's custom delimiter character (only its first character
    // counts), shared by every format that splits at a delimiter.
    QString customDelimiter = QStringLiteral("*");
    // Physical rows skipped at the start, empty ones included.
    int ignoredFirstRows = 0;
    int hasHeader = HeaderYes;
    bool trimWhitespace = true;
    bool simplifyWhitespace = true;
    bool ignoreEmptyRows = true;
    // Share repeated values (less memory); off when the run optimises for speed.
    bool pooling = true;
    // Hash the file's bytes while reading it (a run that keeps a record).
    bool hashContent = false;
    QVariantMap formatOptions;
    // Given the table's columns and first rows (a sample), what is read of
    // it after this read; the values of the rest may be left out (see
    // RowSink::useColumns). Only runs that keep no results ask, and only
    // the delimited and plain text readers answer.
    std::function<ColumnUse(const Dataset& header)> usedColumns;
    // Where repeated values' texts are made, in a run whose tables all go
    // away with its graph (see RunTexts); none otherwise.
    std::shared_ptr<RunTexts> runTexts;
    RowHandOver handOver;
    // A look at the first rows while a long read goes on: given once, as soon
    // as the table read holds FirstRows rows past its header (a copy of
    // them, the header settled as the whole read will settle it), by the
    // readers that parse in chunks.
    static constexpr int FirstRows = 1000;
    std::function<void(Dataset&& rows)> firstRows;
};

// Called with the fraction done of the whole job; returning false asks the
// reader to stop as soon as it can.
using ProgressCallback = std::function<bool(qreal)>;

// One read's share of a larger job: a folder read gives file i of n the
// range (i-1)/n .. i/n so that the bar moves steadily over all files.
struct ReadProgress
{
    ProgressCallback callback;
    qreal from = 0.0;
    qreal to = 1.0;

    // fraction is this read's own progress (0 to 1). False: stop requested.
    bool report(qreal fraction) const;
};

struct ReadResult
{
    Dataset dataset;
    QStringList warnings;
    QStringList information;
    bool error = false;
    // The progress callback asked to stop; error is set as well.
    bool stopped = false;
    // The header option as applied: never HeaderAutomatic after a read, so
    // that an Input item can store the answer of the guess.
    int hasHeader = HeaderYes;
    // Rows were handed over while reading (see RowHandOver): the header was
    // settled then, and hasHeader holds the answer.
    bool rowsHandedOver = false;
    // Rows that a filter after the read drops, left out of the table (see
    // ColumnUse): the text had that many more rows than the table holds.
    qint64 rowsLeftOut = 0;
    // Fixed width: the widths the read used (worked out when automatic) and
    // the first lines as rows, for the widths preview.
    QVector<int> fixedWidths;
    QStringList preview;
    // The SHA-256 of the file's bytes when the options asked for it and the
    // reader saw every byte once; empty otherwise.
    QString contentHash;

    bool ok() const { return !error; }
    void fail(const QString& warning)
    {
        error = true;
        warnings.append(warning);
    }
};

// The delimiter character for a delimiter option; values outside the known
// range read as Comma, an empty custom delimiter as "*".
QChar delimiterCharacter(int delimiter, const QString& customDelimiter);
// The label shown in the delimiter list ("Comma (,)", "Tab (\t)", ...).
QString delimiterLabel(int delimiter);
QString quotingLabel(int quoting);

// The first row is a header unless the table has fewer than 2 rows or one of
// the row's values reads as a number or as a date in the user's formats.
// moreRows: the read left rows out of the table (see ReadResult).
bool guessHasHeader(const Dataset& dataset, bool moreRows = false);

// Resolves HeaderAutomatic, stores the answer in result.hasHeader and, for a
// header, turns the first row of the dataset into the column names.
void applyHeaderOption(ReadResult& result, int hasHeader);
