#pragma once

// Making the lines of a long table on two threads, a block of rows at a
// time, written in order. The text writers whose rows need nothing from the
// rows before them (delimited, JSON, XML) share this.

#include "output/utf8block.h"
#include "output/writerutil.h"

#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// Lines of a block of rows, made away from the stream so that two blocks can
// be made at once. Characters are copied straight into a buffer kept at its
// full size: a text append per value, with its checks, cost as much as
// deciding the value's quoting.
class BlockText
{
public:
    explicit BlockText(const QString& eol) : m_eol(eol) { }
    BlockText& operator<<(const QString& text)
    {
        append(text.constData(), text.size());
        return *this;
    }
    BlockText& operator<<(QLatin1String text)
    {
        if (m_used + text.size() > m_text.size())
            grow(text.size());
        for (int i = 0; i < text.size(); ++i)
            m_out[m_used++] = QLatin1Char(text.data()[i]);
        return *this;
    }
    BlockText& operator<<(QChar c)
    {
        if (m_used == m_text.size())
            grow(1);
        m_out[m_used++] = c;
        return *this;
    }
    // Two spaces per depth.
    void indent(int depth)
    {
        const int n = depth * 2;
        if (m_used + n > m_text.size())
            grow(n);
        for (int i = 0; i < n; ++i)
            m_out[m_used++] = QLatin1Char(' ');
    }
    void endLine() { append(m_eol.constData(), m_eol.size()); }
    void clear()
    {
        m_used = 0;
        m_text.resize(m_text.capacity());
        m_out = m_text.data();
    }
    // The lines made since clear().
    const QString& text()
    {
        m_text.resize(m_used);
        return m_text;
    }

private:
    void append(const QChar* chars, int count)
    {
        if (m_used + count > m_text.size())
            grow(count);
        std::memcpy(static_cast<void*>(m_out + m_used), chars, size_t(count) * sizeof(QChar));
        m_used += count;
    }
    void grow(int count)
    {
        m_text.resize(qMax(m_used + count, m_text.size() * 2 + 4096));
        m_out = m_text.data();
    }

    QString m_eol;
    QString m_text;
    QChar* m_out = nullptr;
    int m_used = 0;
};

// A table this long has its lines made on two threads; shorter ones are not
// worth the thread.
constexpr int ParallelRows = 20000;
constexpr int BlockRows = 8000;

// The second thread of a parallel write, kept for the whole table: a thread
// started per block cost more than the wait for its part.
class BlockWorker
{
public:
    BlockWorker() : m_thread([this] { run(); }) { }
    ~BlockWorker()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    // Runs the task on the worker; it must not throw.
    void start(std::function<void()> task)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_task = std::move(task);
        }
        m_wake.notify_one();
    }
    // Until the task given last has ended.
    void wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this] { return !m_task; });
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_quit || m_task; });
            if (!m_task)
                return;
            lock.unlock();
            m_task();
            lock.lock();
            m_task = nullptr;
            m_done.notify_one();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::function<void()> m_task;
    bool m_quit = false;
    std::thread m_thread;
};

// Runs other() on the worker while this thread runs own(). Running out of
// memory on either reaches the caller as it would without the thread, not
// end the program.
template <typename Other, typename Own> void runBoth(BlockWorker& worker, Other other, Own own)
{
    std::exception_ptr otherFailure;
    worker.start([&] {
        try {
            other();
        } catch (...) {
            otherFailure = std::current_exception();
        }
    });
    try {
        own();
    } catch (...) {
        worker.wait();
        throw;
    }
    worker.wait();
    if (otherFailure)
        std::rethrow_exception(otherFailure);
}

// Makes rows [0, rowCount) with make(Block&, part, from, to) and hands each
// half of a block to write() in order. Each block is made in two parts: while
// this thread makes part 0, the other writes the block before and then makes
// part 1. A part's own state (a line builder, warnings) belongs to its
// part number; blockDone() runs on this thread after each block, in row
// order, to gather it. Progress and the stop request are taken every 1000
// rows on this thread, before the block they fall in, so a stop leaves out
// the same rows as a plain loop.
template <typename Block, typename Write, typename Make, typename BlockDone>
void makeBlocksInParallel(const QString& eol, Write write, int rowCount, RowProgress& rowProgress,
    Make& make, BlockDone& blockDone)
{
    Block blocks[2][2] = { { Block(eol), Block(eol) }, { Block(eol), Block(eol) } };
    BlockWorker worker;
    Block* previous = nullptr;
    int start = 0;
    for (int current = 0; start < rowCount; current = 1 - current) {
        int end = qMin(rowCount, start + BlockRows);
        for (int r = (start + 999) / 1000 * 1000; r < end; r += 1000) {
            if (!rowProgress.report(r)) {
                end = r;
                break;
            }
        }
        // Writing costs about half as much as making the lines.
        const int middle = start + (end - start) * 2 / 3;
        Block* halves = blocks[current];
        halves[0].clear();
        halves[1].clear();
        runBoth(
            worker,
            [&] {
                if (previous) {
                    write(previous[0]);
                    write(previous[1]);
                }
                make(halves[1], 1, middle, end);
            },
            [&] { make(halves[0], 0, start, middle); });
        blockDone();
        previous = halves;
        if (rowProgress.stopped())
            break;
        start = end;
    }
    if (previous) {
        write(previous[0]);
        write(previous[1]);
    }
}

// The same into the sink: as UTF-8 bytes straight to its device when it
// takes them, else as text. make() is called with a Utf8Block or a BlockText.
template <typename Make, typename BlockDone>
void writeRowsInParallel(TextSink& sink, int rowCount, RowProgress& rowProgress, const QString& eol,
    Make make, BlockDone blockDone)
{
    if (sink.takesUtf8Bytes()) {
        makeBlocksInParallel<Utf8Block>(
            eol, [&sink](Utf8Block& half) { sink.writeBytes(half.bytes()); }, rowCount, rowProgress,
            make, blockDone);
    } else {
        makeBlocksInParallel<BlockText>(
            eol, [&sink](BlockText& half) { sink.writeLarge(half.text()); }, rowCount, rowProgress,
            make, blockDone);
    }
}
