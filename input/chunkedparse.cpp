#include "input/chunkedparse.h"

#include "input/charscan.h"
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
// options call for.
class ChunkParser
{
public:
    virtual ~ChunkParser() = default;
    virtual void feed(const TextChunk& text) = 0;
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
    void feed(const TextChunk& text) override
    {
        static const ReadProgress silent;
        ProgressTracker never(silent, 1, std::numeric_limits<qint64>::max());
        if (text.isBytes)
            m_parser.feed(QLatin1String(text.bytes.constData(), text.bytes.size()), 0, &never);
        else
            m_parser.feed(QStringView(text.chars), 0, &never);
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

struct Chunk : ChunkTask
{
    Chunk(const RowSink& target, ValueSeed chunkSeed, int index, const ParserChoice& choice,
        TextChunk chunkText)
        : seed(std::move(chunkSeed)),
          sink(RowSink::collectorFor(target, seed.get(), index == 0)),
          parser(makeParser(choice, &sink)),
          text(std::move(chunkText)),
          keepPools(chunkGrowsSeed(index))
    {
    }
    void parse() override
    {
        parser->feed(text);
        sink.finishChunk();
        if (!keepPools)
            sink.dropPools();
    }

    ValueSeed seed;
    RowSink sink;
    std::unique_ptr<ChunkParser> parser;
    TextChunk text;
    bool keepPools;
};

// A task with the promise of its result.
struct Job
{
    std::unique_ptr<ChunkTask> task;
    std::promise<void> done;
    std::future<void> parsed = done.get_future();

    void run()
    {
        try {
            task->parse();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    }
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
    // Jobs not yet started are dropped; those being parsed are finished.
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

    void post(Job* job)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(job);
        }
        m_wake.notify_one();
    }

private:
    void run()
    {
        for (;;) {
            Job* job = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
                if (m_queue.empty())
                    return;
                job = m_queue.front();
                m_queue.pop_front();
            }
            job->run();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job*> m_queue;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
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
        m_position += chunk->text.size();
        if (m_tail && !m_tail->parser->atRowStart()) {
            // The cut before this chunk fell inside a record: its rows are
            // wrong, and its text continues the record of the one before.
            m_tail->parser->feed(chunk->text);
            m_sink->takeRowsOf(&m_tail->sink);
        } else {
            m_sink->takeRowsOf(&chunk->sink);
            reserveOnce();
            if (chunk->keepPools) {
                m_seed = grownSeed(
                    m_seed, chunk->sink.takePools(), !chunk->seed, m_sink->plainColumns());
            }
            m_tail = std::move(chunk);
        }
        m_tail->text = TextChunk();
        if (m_sink->handOverRefused())
            return false;
        return m_progress.report(qreal(qMin(m_position, m_total)) / qreal(m_total));
    }

    // The seed for new chunks (none before the first chunk is taken).
    ValueSeed seed() const { return m_seed; }

    void finish()
    {
        if (!m_tail)
            return;
        m_tail->parser->finish();
        m_sink->takeRowsOf(&m_tail->sink);
    }

private:
    // Once a few chunks are in, the table's columns make room for the rows
    // the rest of the text is expected to hold (a little more): grown by
    // doubling instead, their lists would end with up to twice the room
    // they need, most of it at the read's peak.
    void reserveOnce()
    {
        // Rows handed over as they come need no room for the whole text.
        if (m_reserved || m_sink->handsOver()
            || m_position < 4 * qint64(ParseThreads::DefaultChunkChars) || m_position >= m_total)
            return;
        m_reserved = true;
        const double rowsPerChar = double(m_sink->physicalRows()) / double(m_position);
        const qint64 expected = qint64(rowsPerChar * double(m_total) * 1.02) + 1024;
        m_sink->reserveRows(int(qMin<qint64>(expected, std::numeric_limits<int>::max())));
    }

    const ReadProgress& m_progress;
    qint64 m_total;
    bool m_reserved = false;
    RowSink* m_sink;
    ValueSeed m_seed;
    // The chunk whose parser has read the text up to here.
    std::unique_ptr<Chunk> m_tail;
    qint64 m_position = 0;
};

} // namespace

ChunkCutter::ChunkCutter(TextSource& source, int chunkChars, bool wholeLines, bool asciiBytes)
    : m_source(source),
      m_left(source.estimatedTotal()),
      m_chunkChars(qMax(1, chunkChars) * FirstChunkFactor),
      m_laterChunkChars(qMax(1, chunkChars)),
      m_wholeLines(wholeLines),
      m_asciiBytes(asciiBytes)
{
}

void ChunkCutter::toCharacters(TextChunk* text) const
{
    QString chars;
    chars.reserve(text->bytes.capacity());
    chars.append(QLatin1String(text->bytes));
    text->chars = std::move(chars);
    text->bytes = QByteArray();
    text->isBytes = false;
}

void ChunkCutter::append(TextChunk* text, const TextBlock& block)
{
    m_left -= block.size();
    if (text->isBytes) {
        if (block.isBytes) {
            text->bytes.append(block.bytes.data(), block.bytes.size());
            return;
        }
        // Characters of ASCII only: the start of a file (decoded while
        // looking for a byte-order mark), and text given as characters.
        if (isAscii(block.chars.data(), int(block.chars.size()))) {
            text->bytes.append(block.chars.toLatin1());
            return;
        }
        toCharacters(text);
    }
    if (block.isBytes)
        text->chars.append(block.bytes);
    else
        text->chars.append(block.chars);
}

int ChunkCutter::indexOfLineFeed(const TextChunk& text, int from) const
{
    return text.isBytes ? text.bytes.indexOf('\n', from)
                        : text.chars.indexOf(QLatin1Char('\n'), from);
}

void ChunkCutter::cutAfter(TextChunk* text, int at)
{
    m_rest.isBytes = text->isBytes;
    if (text->isBytes) {
        m_rest.bytes = text->bytes.mid(at + 1);
        text->bytes.truncate(at + 1);
    } else {
        m_rest.chars = text->chars.mid(at + 1);
        text->chars.truncate(at + 1);
    }
}

bool ChunkCutter::next(TextChunk* chunk)
{
    TextChunk text = std::move(m_rest);
    m_rest = TextChunk();
    if (m_asciiBytes && !text.isBytes && isAscii(text.chars.constData(), text.chars.size())) {
        text.bytes = text.chars.toLatin1();
        text.chars = QString();
        text.isBytes = true;
    }
    const int room = int(qMin<qint64>(m_chunkChars, text.size() + qMax<qint64>(0, m_left)))
        + TextSource::BlockChars;
    if (text.isBytes)
        text.bytes.reserve(room);
    else
        text.chars.reserve(room);
    TextBlock block;
    int searchFrom = m_chunkChars - 1;
    for (;;) {
        while (text.size() < m_chunkChars && m_source.next(&block))
            append(&text, block);
        if (searchFrom < text.size()) {
            const int at = indexOfLineFeed(text, searchFrom);
            if (at >= 0) {
                cutAfter(&text, at);
                break;
            }
            // A line without a line feed for a long way is searched once.
            searchFrom = text.size();
        }
        // The chunk before such a cut ends inside a record, and the one
        // after continues it.
        if (!m_wholeLines && text.size() >= m_chunkChars * LongLineFactor)
            break;
        if (!m_source.next(&block))
            break; // the end of the text
        append(&text, block);
    }
    *chunk = std::move(text);
    m_chunkChars = m_laterChunkChars;
    return !chunk->isEmpty();
}

namespace {

// Chunks parsed ahead of the one taken. Taking a chunk while rows are
// handed over can mean running the items after the read on a block of
// rows (writing it, say); with one chunk ahead the parsing threads soon
// wait for that, and a tenth of the cores' time went idle in a copy of ten
// million rows. Eight more chunks (some 45 MB) keep them busy through it. A
// read into a whole table takes its chunks at once, and keeps the one.
constexpr size_t HandOverChunksAhead = 8;

// With othersAheadOfFirst, while the first chunk (larger than the others)
// is parsed, the other threads go on with as many chunks as it is larger,
// made without the seed it will give: they would otherwise wait for it.
// Delimited text gains; JSON lines, whose chunks would then also lack the
// first chunk's columns, lose. `ahead` chunks more than threads are cut and
// parsed before this thread takes the oldest.
bool runTasks(ChunkCutter& cutter, int threads, const MakeChunkTask& make,
    const TakeChunkTask& take, bool othersAheadOfFirst, size_t ahead = 1)
{
    TextChunk text;
    if (threads <= 1) {
        while (cutter.next(&text)) {
            std::unique_ptr<ChunkTask> task = make(std::move(text));
            task->parse();
            if (!take(std::move(task)))
                return false;
        }
        return true;
    }
    const size_t parallel = size_t(threads);
    size_t made = 0;
    std::deque<std::unique_ptr<Job>> parsing;
    const auto takeOldest = [&] {
        std::unique_ptr<Job> oldest = std::move(parsing.front());
        parsing.pop_front();
        oldest->parsed.get();
        return take(std::move(oldest->task));
    };
    // Declared last, so that on the way out the threads still parsing are
    // waited for before anything they use goes away.
    ParseWorkers workers { threads };
    while (cutter.next(&text)) {
        const size_t extra = othersAheadOfFirst && made <= ChunkCutter::FirstChunkFactor
            ? qMax<size_t>(ahead, ChunkCutter::FirstChunkFactor)
            : ahead;
        if (parsing.size() >= parallel + extra && !takeOldest())
            return false;
        ++made;
        // Made here, not on a thread: what a chunk starts from does not
        // depend on timing.
        auto job = std::make_unique<Job>();
        job->task = make(std::move(text));
        workers.post(job.get());
        parsing.push_back(std::move(job));
    }
    while (!parsing.empty()) {
        if (!takeOldest())
            return false;
    }
    return true;
}

} // namespace

bool runChunkTasks(
    ChunkCutter& cutter, int threads, const MakeChunkTask& make, const TakeChunkTask& take)
{
    return runTasks(cutter, threads, make, take, false);
}

ValueSeed grownSeed(const ValueSeed& seed, std::vector<ValuePool> found, bool lenient,
    const QVector<bool>& plainColumns)
{
    if (!seed) {
        // The first seed is the pools as found: copying them value by value
        // into new tables would hold up every chunk that waits for it.
        for (ValuePool& pool : found)
            pool.judge(lenient);
        retirePools(&found, plainColumns);
        return std::make_shared<const std::vector<ValuePool>>(std::move(found));
    }
    auto grown = std::make_shared<std::vector<ValuePool>>();
    grown->reserve(qMax(seed->size(), found.size()));
    // A plain column's pool is not copied only to be let go (retired below).
    for (size_t c = 0; c < seed->size(); ++c) {
        const bool plain = int(c) < plainColumns.size() && plainColumns.at(int(c));
        grown->push_back(plain ? ValuePool() : (*seed)[c]);
    }
    grown->resize(qMax(grown->size(), found.size()));
    retirePools(grown.get(), plainColumns);
    for (size_t c = 0; c < found.size(); ++c) {
        found[c].judge(lenient);
        // A retired pool takes nothing in.
        if (found[c].isRetired())
            (*grown)[c].retire();
        else
            (*grown)[c].absorb(found[c]);
    }
    return grown;
}

int ParseThreads::resolvedThreads() const
{
    if (threads > 0)
        return threads;
    return qBound(1, QThread::idealThreadCount(), 4);
}

bool parseInChunks(TextSource& source, const ParserChoice& choice, const ParseThreads& threads,
    const ReadProgress& progress, RowSink* sink)
{
    ChunkCutter cutter(source, threads.chunkChars, false, true);
    ChunkJoiner joiner(source, progress, sink);
    int index = 0;
    const bool completed = runTasks(
        cutter, threads.resolvedThreads(),
        [&](TextChunk text) {
            return std::make_unique<Chunk>(*sink, joiner.seed(), index++, choice, std::move(text));
        },
        [&](std::unique_ptr<ChunkTask> task) {
            return joiner.take(std::unique_ptr<Chunk>(static_cast<Chunk*>(task.release())));
        },
        true, sink->handsOver() ? HandOverChunksAhead : 1);
    if (completed)
        joiner.finish();
    return completed;
}
