#pragma once

// Texts that live as long as a run that keeps no results (the command line).
//
// A repeated value read from a file is one text shared by every cell that
// holds it, and each copy of a cell (a joined row, a sorted table, a row
// handed to a writer) counts one more reference in that text, and each row
// let go one less: two atomic writes per cell and step, on a few hot cache
// lines that both cores keep taking from each other. The readers' pools make
// their texts here instead, as texts that count no references, the way
// Qt's own literals do: copying and dropping them writes nothing. They are
// freed together when the run's item graph goes away.
//
// Only for a graph whose tables all go away with it: a text copied into
// something that outlives the graph would point at freed memory. The window
// keeps its tables for browsing and editing and never asks for these.

#include <QChar>
#include <QString>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// Texts made one after another into large blocks, by one thread at a time.
class TextArena
{
public:
    TextArena() = default;
    TextArena(const TextArena&) = delete;
    TextArena& operator=(const TextArena&) = delete;
    ~TextArena();

    QString make(const QChar* chars, int count);
    // Latin-1 bytes, widened.
    QString make(const char* bytes, int count);

private:
    ushort* allocate(int count, QString* text);

    std::vector<void*> m_blocks;
    char* m_next = nullptr;
    char* m_end = nullptr;
    size_t m_blockSize = 0;
};

class RunTexts
{
public:
    RunTexts() = default;
    RunTexts(const RunTexts&) = delete;
    RunTexts& operator=(const RunTexts&) = delete;
    ~RunTexts() = default;

    // An arena for one reader or one chunk of a read, used by one thread at a
    // time; it lives as long as this.
    TextArena* newArena();

private:
    std::mutex m_guard;
    std::deque<TextArena> m_arenas;
};
