#pragma once

// Parsing a large delimited or plain text on several threads. The text is
// cut into chunks after line feeds; each chunk is parsed on a thread of its
// own into rows of its own, as if a record began there, and the rows are
// taken in text order. A line feed inside a quoted value cannot be told
// from a record end without reading everything before it, so each cut is a
// guess: it is checked when the chunk before it has been parsed, and a wrong
// one (the chunk before ended inside a record) has the chunk parsed again,
// in order, as the continuation of that record. Files with a quoted line
// end here and there lose nothing but that chunk's share of the work.
//
// The reading and decoding of the file go on while the chunks are parsed,
// and the result is the same as parsing the text in one piece, whatever
// the number of threads.

#include "input/reader.h"

#include <QChar>

class RowSink;
class TextSource;

struct ParseThreads
{
    // Characters per chunk: large enough that each thread has a good share
    // of work and the repeated values of a chunk are found once per chunk,
    // small enough that a stop is seen soon and only a few chunks are held.
    static constexpr int DefaultChunkChars = 1 << 21;

    // Threads parsing at once; 0 takes one per processor core (at most four),
    // 1 parses on the calling thread alone.
    int threads = 0;
    int chunkChars = DefaultChunkChars;

    int resolvedThreads() const;
};

// The parser that the options call for, as chosen by the reader.
struct ParserChoice
{
    bool plain = false;
    bool ignoreRepeated = false;
    QChar delimiter;
    int quoting = 0;
};

// Parses the rest of the source into the sink on the given threads;
// false when stopped through the progress report.
bool parseInChunks(TextSource& source, const ParserChoice& choice, const ParseThreads& threads,
    const ReadProgress& progress, RowSink* sink);
