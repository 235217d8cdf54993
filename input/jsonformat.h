#pragma once

// JSON input: one document (an array of records or one record), or JSON
// lines when the text is more than one value.

#include "input/chunkedparse.h"
#include "input/reader.h"

class TextSource;

// Parses the whole source into result->dataset, adding the warnings; false
// on failure or when stopped. JSON lines of a large text are parsed on the
// given threads, with the same result.
bool parseJsonText(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
    ReadResult* result, const ParseThreads& threads = ParseThreads());
