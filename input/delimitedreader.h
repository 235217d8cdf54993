#pragma once

// The reader of delimited text (CSV, TSV, any single-character delimiter)
// and of plain text (one value per row), from a file or from text the user
// pasted. Guesses the delimiter and the quoting when they are automatic and
// reports what it guessed and what it found.

#include "input/chunkedparse.h"
#include "input/reader.h"

#include <QChar>
#include <QString>

#include <QVariantMap>

class TextSource;

// The options of delimited input, stored in documents as "delimiter",
// "quote" and "ignore_repeated_delim". The custom delimiter character is the
// item's own (ReadOptions::customDelimiter).
struct DelimitedReadOptions
{
    int delimiter = DelimiterAutomatic;
    int quoting = QuotingAutomatic;
    bool ignoreRepeatedDelimiters = false;

    // Keys that are missing or out of range give the defaults above, or
    // the delimiter given (documents without one were written with commas).
    static DelimitedReadOptions from(
        const QVariantMap& map, int missingDelimiter = DelimiterAutomatic);
    void store(QVariantMap* map) const;
};

struct DelimiterGuess
{
    int delimiter = DelimiterComma;
    QChar character = QLatin1Char(',');
    // "Delimiter=Automatic guesses ..." and the counts behind the guess.
    QString information;
};

// Characters of the start of the input looked at by the delimiter guess.
constexpr int DelimiterSampleChars = 4096;

// The candidate that occurs most often in the sample (Comma, Semicolon,
// Pipe, Caret, Tab, Unit separator; the first of them on a tie). Colon,
// Space and Custom are never guessed.
DelimiterGuess guessDelimiter(const QString& sample);

// Quoting as applied: automatic means unquoted for tab-separated input and
// quoted otherwise.
int resolveQuoting(int quoting, QChar delimiter);

// Parses the whole source into result->dataset as delimited text or plain
// text (by options.fileType), adding the guesses and reports to the result.
// False on failure (with the reason among the warnings) or when stopped.
// Large texts are parsed on several threads, with the same result.
bool parseDelimitedText(TextSource& source, const ReadOptions& options,
    const ReadProgress& progress, ReadResult* result, const ParseThreads& threads = ParseThreads());

// A file of any registered type (readFormatFile() of inputformat.h):
// opening, decoding, parsing and the header option.
ReadResult readTextFile(
    const QString& path, const ReadOptions& options, const ReadProgress& progress = ReadProgress());

// Text taken from the clipboard: no decoding step, otherwise as a file
// (readFormatText()).
ReadResult readPastedText(
    const QString& text, const ReadOptions& options, const ReadProgress& progress = ReadProgress());
