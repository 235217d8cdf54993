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
#include "input/valuepool.h"

#include <QByteArray>
#include <QChar>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class RowSink;
class TextSource;
struct TextBlock;

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

// A chunk of text: ASCII as bytes, or characters.
struct TextChunk
{
    QByteArray bytes;
    QString chars;
    bool isBytes = false;

    int size() const { return isBytes ? bytes.size() : chars.size(); }
    bool isEmpty() const { return size() == 0; }
};

// Hands out the source's text in chunks that end just after the first line
// feed from the given size on (the last one ends where the text does). A
// line longer than many chunks is cut anyway unless whole lines are asked
// for, so that a chunk never holds a whole huge file. With ASCII bytes
// allowed, a chunk that is all ASCII is kept in bytes (half the memory to
// copy and scan); otherwise, and always without, it is in characters.
class ChunkCutter
{
public:
    // The first chunk is larger: its values are the seed of all others
    // (see grownSeed()), and a column shows whether its values repeat only
    // over tens of thousands of rows. Not larger still: the chunks parsed
    // beside it have no seed, so each of their values is new to them and
    // pooled with a text of its own. Twice the size held a million-row
    // read's peak 11 MB lower than four times, in less time, with the
    // same columns pooled.
    static constexpr int FirstChunkFactor = 2;
    static constexpr int LongLineFactor = 8;

    ChunkCutter(
        TextSource& source, int chunkChars, bool wholeLines = false, bool asciiBytes = false);
    bool next(TextChunk* chunk);

private:
    void append(TextChunk* text, const TextBlock& block);
    void toCharacters(TextChunk* text) const;
    int indexOfLineFeed(const TextChunk& text, int from) const;
    void cutAfter(TextChunk* text, int at);

    TextSource& m_source;
    // Characters still to come from the source, as far as its estimate
    // tells: a small text needs no chunk-sized room.
    qint64 m_left;
    int m_chunkChars;
    int m_laterChunkChars;
    bool m_wholeLines;
    bool m_asciiBytes;
    TextChunk m_rest;
};

// The work on one chunk, done on a parsing thread. Threads other than the
// caller's never report progress: the report may let events through, which
// only the caller's thread may do.
class ChunkTask
{
public:
    virtual ~ChunkTask() = default;
    virtual void parse() = 0;
};

// Cuts the rest of the text, has each chunk made into a task (on the
// calling thread, in text order, after the chunks before all but the last
// few have been taken) and parsed on the given number of threads (one: on
// the calling thread alone), and hands the parsed tasks to take() in text
// order. Running out of memory on a thread reaches the caller as it would
// without threads. False when take() returns false, which stops the rest.
using MakeChunkTask = std::function<std::unique_ptr<ChunkTask>(TextChunk text)>;
using TakeChunkTask = std::function<bool(std::unique_ptr<ChunkTask> task)>;
bool runChunkTasks(
    ChunkCutter& cutter, int threads, const MakeChunkTask& make, const TakeChunkTask& take);

// Pools, one per column, shared read-only by the threads: a version is
// never changed once made, and lives while a chunk uses it.
using ValueSeed = std::shared_ptr<const std::vector<ValuePool>>;

// Whether the chunk of this index keeps its pools to grow the seed: chunks
// 0, 1, 3, 7, 15, ... do, often enough to find most repeated values, seldom
// enough that copying the seed costs little.
inline bool chunkGrowsSeed(int index)
{
    return (index & (index + 1)) == 0;
}

// A new version of the seed with the values that a chunk found outside it
// (pools by column as in the seed). A chunk parsed without a seed (lenient)
// decides leniently which columns are not worth pooling, as a pool does at
// its first check; later ones by the stricter rule of the later checks,
// their seed's values counting as repeats.
// Columns the table keeps in plain texts (plainColumns) are retired in the
// new seed: their values are not worth pooling.
ValueSeed grownSeed(const ValueSeed& seed, std::vector<ValuePool> found, bool lenient,
    const QVector<bool>& plainColumns = {});

// Parses the rest of the source into the sink on the given threads;
// false when stopped through the progress report.
bool parseInChunks(TextSource& source, const ParserChoice& choice, const ParseThreads& threads,
    const ReadProgress& progress, RowSink* sink);
