#include "input/chunkedparse.h"

#include "input/rowsink.h"
#include "input/textparsers.h"
#include "input/textsource.h"

#include <QThread>

#include <condition_variable>
#include <deque>
#include <exception>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The parsers behind one interface, so that a chunk holds whichever the
// options call for. Threads other than the caller's never report progress:
// the report may let events through, which only the caller's thread may do.
class ChunkParser
{
public:
    virtual ~ChunkParser() = default;
    virtual void feed(QStringView text) = 0;
    virtual void finish() = 0;
    virtual bool atRowStart() const = 0;
};

template <typename Parser> class ChunkParserOf : public ChunkParser
{
public:
    ChunkParserOf(QChar delimiter, bool ignoreRepeated, RowSink* sink)
        : m_parser(delimiter, ignoreRepeated, sink)
    {
    }
    void feed(QStringView text) override
    {
        static const ReadProgress silent;
        ProgressTracker never(silent, 1, std::numeric_limits<qint64>::max());
        m_parser.feed(text, 0, &never);
    }
    void finish() override { m_parser.finish(); }
    bool atRowStart() const override { return m_parser.atRowStart(); }

private:
    Parser m_parser;
};

std::unique_ptr<ChunkParser> makeParser(const ParserChoice& choice, RowSink* sink)
{
    if (!choice.plain && choice.quoting == QuotingQuoted)
        return std::make_unique<ChunkParserOf<QuotedParser>>(
            choice.delimiter, choice.ignoreRepeated, sink);
    return std::make_unique<ChunkParserOf<LineParser>>(
        choice.plain ? QChar() : choice.delimiter, !choice.plain && choice.ignoreRepeated, sink);
}

// Pools, one per column, shared read-only by the threads: a version is
// never changed once made, and lives while a chunk uses it.
using Seed = std::shared_ptr<const std::vector<ValuePool>>;

struct Chunk
{
    Chunk(const RowSink& target, Seed chunkSeed, int index, const ParserChoice& choice,
        QString chunkText)
        : seed(std::move(chunkSeed)),
          sink(RowSink::collectorFor(target, seed.get())),
          parser(makeParser(choice, &sink)),
          text(std::move(chunkText)),
          keepPools((index & (index + 1)) == 0)
    {
    }
    void parse()
    {
        parser->feed(text);
        if (!keepPools)
            sink.dropPools();
    }

    Seed seed;
    RowSink sink;
    std::unique_ptr<ChunkParser> parser;
    QString text;
    // Chunks 0, 1, 3, 7, 15, ... keep their pools, which grow the seed of
    // the chunks after them: often enough to find most repeated values,
    // seldom enough that copying the seed costs little.
    bool keepPools;
    std::promise<void> done;
    std::future<void> parsed = done.get_future();
};

// The threads that parse chunks, started once per read: a thread per chunk
// would also spread the chunks' memory over as many allocator arenas, each
// taking fresh pages from the system.
class ParseWorkers
{
public:
    explicit ParseWorkers(int count)
    {
        for (int i = 0; i < count; ++i)
            m_threads.emplace_back([this] { run(); });
    }
    // Chunks not yet started are dropped; those being parsed are finished.
    ~ParseWorkers()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
            m_queue.clear();
        }
        m_wake.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
    }
    ParseWorkers(const ParseWorkers&) = delete;
    ParseWorkers& operator=(const ParseWorkers&) = delete;

    void post(Chunk* chunk)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(chunk);
        }
        m_wake.notify_one();
    }

private:
    void run()
    {
        for (;;) {
            Chunk* chunk = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
                if (m_queue.empty())
                    return;
                chunk = m_queue.front();
                m_queue.pop_front();
            }
            // Running out of memory reaches the reader as it would without
            // the threads.
            try {
                chunk->parse();
                chunk->done.set_value();
            } catch (...) {
                chunk->done.set_exception(std::current_exception());
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Chunk*> m_queue;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

// Hands out the source's text in chunks that end just after the first line
// feed from the given size on (the last one ends where the text does; one
// in a very long line ends where a block does).
class ChunkCutter
{
public:
    // The first chunk is larger: its values are the seed of all others
    // (see ChunkJoiner), and a column shows whether its values repeat only
    // over tens of thousands of rows.
    static constexpr int FirstChunkFactor = 4;
    static constexpr int LongLineFactor = 8;

    ChunkCutter(TextSource& source, int chunkChars)
        : m_source(source),
          m_chunkChars(chunkChars * FirstChunkFactor),
          m_laterChunkChars(chunkChars)
    {
    }

    bool next(QString* chunk)
    {
        QString text = std::move(m_rest);
        m_rest = QString();
        text.reserve(qMax(text.size(), m_chunkChars) + TextSource::BlockChars);
        QStringView block;
        int searchFrom = m_chunkChars - 1;
        for (;;) {
            while (text.size() < m_chunkChars && m_source.next(&block))
                text.append(block);
            if (searchFrom < text.size()) {
                const int at = text.indexOf(QLatin1Char('\n'), searchFrom);
                if (at >= 0) {
                    m_rest = text.mid(at + 1);
                    text.truncate(at + 1);
                    break;
                }
                // A line without a line feed for a long way is searched once.
                searchFrom = text.size();
            }
            // A line longer than many chunks is cut anyway, so that a chunk
            // never holds a whole huge file: the chunk before such a cut ends
            // inside a record, and the one after continues it.
            if (text.size() >= m_chunkChars * LongLineFactor)
                break;
            if (!m_source.next(&block))
                break; // the end of the text
            text.append(block);
        }
        *chunk = std::move(text);
        m_chunkChars = m_laterChunkChars;
        return !chunk->isEmpty();
    }

private:
    TextSource& m_source;
    int m_chunkChars;
    int m_laterChunkChars;
    QString m_rest;
};

// Takes finished chunks in text order and checks each guessed cut.
class ChunkJoiner
{
public:
    ChunkJoiner(TextSource& source, const ReadProgress& progress, RowSink* sink)
        : m_progress(progress), m_total(qMax<qint64>(1, source.estimatedTotal())), m_sink(sink)
    {
    }

    // False when stopped.
    bool take(std::unique_ptr<Chunk> chunk)
    {
        chunk->parsed.get();
        m_position += chunk->text.size();
        if (m_tail && !m_tail->parser->atRowStart()) {
            // The cut before this chunk fell inside a record: its rows are
            // wrong, and its text continues the record of the one before.
            m_tail->parser->feed(chunk->text);
            m_sink->takeRowsOf(&m_tail->sink);
        } else {
            m_sink->takeRowsOf(&chunk->sink);
            if (chunk->keepPools)
                growSeed(chunk->sink.takePools(), !chunk->seed);
            m_tail = std::move(chunk);
        }
        m_tail->text = QString();
        return m_progress.report(qreal(qMin(m_position, m_total)) / qreal(m_total));
    }

    // The seed for new chunks (none before the first chunk is taken).
    Seed seed() const { return m_seed; }

    void finish()
    {
        if (!m_tail)
            return;
        m_tail->parser->finish();
        m_sink->takeRowsOf(&m_tail->sink);
    }

private:
    // A new version of the seed with the values that a chunk found outside
    // it. A chunk parsed without a seed decides leniently which columns are
    // not worth pooling, as a pool does at its first check; later ones by
    // the stricter rule of the later checks, their seed's values counting
    // as repeats.
    void growSeed(std::vector<ValuePool> found, bool lenient)
    {
        auto seed = m_seed ? std::make_shared<std::vector<ValuePool>>(*m_seed)
                           : std::make_shared<std::vector<ValuePool>>();
        seed->resize(qMax(seed->size(), found.size()));
        for (size_t c = 0; c < found.size(); ++c) {
            found[c].judge(lenient);
            if (found[c].isRetired())
                (*seed)[c].retire();
            else
                (*seed)[c].absorb(found[c]);
        }
        m_seed = std::move(seed);
    }

    const ReadProgress& m_progress;
    qint64 m_total;
    RowSink* m_sink;
    Seed m_seed;
    // The chunk whose parser has read the text up to here.
    std::unique_ptr<Chunk> m_tail;
    qint64 m_position = 0;
};

} // namespace

int ParseThreads::resolvedThreads() const
{
    if (threads > 0)
        return threads;
    return qBound(1, QThread::idealThreadCount(), 4);
}

bool parseInChunks(TextSource& source, const ParserChoice& choice, const ParseThreads& threads,
    const ReadProgress& progress, RowSink* sink)
{
    const size_t parallel = size_t(threads.resolvedThreads());
    ChunkCutter cutter(source, qMax(1, threads.chunkChars));
    ChunkJoiner joiner(source, progress, sink);
    std::deque<std::unique_ptr<Chunk>> parsing;
    // Declared last, so that on the way out the threads still parsing are
    // waited for before anything they use goes away.
    ParseWorkers workers { int(parallel) };
    QString text;
    int index = 0;
    while (cutter.next(&text)) {
        // One chunk more than threads, so that none waits while this thread
        // takes the oldest and cuts the next.
        if (parsing.size() > parallel) {
            std::unique_ptr<Chunk> oldest = std::move(parsing.front());
            parsing.pop_front();
            if (!joiner.take(std::move(oldest)))
                return false;
        }
        // Made here, not on a thread: which chunks have the seed does not
        // depend on timing.
        auto chunk
            = std::make_unique<Chunk>(*sink, joiner.seed(), index++, choice, std::move(text));
        workers.post(chunk.get());
        parsing.push_back(std::move(chunk));
    }
    while (!parsing.empty()) {
        std::unique_ptr<Chunk> oldest = std::move(parsing.front());
        parsing.pop_front();
        if (!joiner.take(std::move(oldest)))
            return false;
    }
    joiner.finish();
    return true;
}
