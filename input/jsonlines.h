#pragma once

// JSON lines input: one JSON value per line, each an object or an array
// that becomes one record. Lines are independent, so a large text is cut
// into chunks at line feeds and the chunks are parsed on several threads;
// the columns (in the order in which their names first occur) and the rows
// are then taken in text order, so the table and the warnings are the same
// on any number of threads.

#include "input/chunkedparse.h"
#include "input/reader.h"

#include <QChar>
#include <QString>

#include <rapidjson/error/error.h>

class TextSource;

// Reads the source from its start as JSON lines into result->dataset (the
// column names as its first row, as RecordFlattener leaves them). A line
// that is no record ends the read there with the warning "Error parsing
// JSON lines: ..."; the rows before it stay. False when a line failed or
// when stopped.
bool parseJsonLines(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
    const ParseThreads& threads, ReadResult* result);

// The parser's own text for an error, without its full stop, since a
// position follows.
QString jsonErrorText(rapidjson::ParseErrorCode code);

// Shapes a number as written the way every number is shown: less the zeros
// that end a fraction, with the locale's decimal point, "-0" as "0". Works
// in place: the text is the range of count characters from *start. False
// for a number with an exponent, which must be worked out instead.
// The same for the bytes of an ASCII text (and a decimal point in ASCII).
template <typename Char>
bool shapeJsonNumber(Char* chars, int* start, int* count, Char decimalPoint);
