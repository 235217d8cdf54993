#pragma once

// Taking the rows of a table in a new order (a sort's) so that memory is read
// a stretch at a time. Gathered in the new order, each row's text lies
// anywhere in a column of hundreds of megabytes: every read misses the caches
// and, on a large table, the processor's page translations too, which costs
// several times the miss itself, and each waits for the one before. Here the
// new rows are taken a chunk at a time, and within a chunk in the order of
// the stretch of the source each comes from: a stretch is a megabyte or two
// of a column, whose pages the processor keeps translated while it is read,
// and the reads a few rows ahead are asked for first so that their misses
// overlap. The plan costs 8 bytes a row for the time of the gather.

#include "core/prefetch.h"

#include <QtGlobal>

#include <algorithm>
#include <vector>

class LocalGather
{
public:
    // New rows taken together: their codes fit the caches, and their texts
    // take a few tens of megabytes while they are put in order (see
    // TextColumn::gathered).
    static constexpr int ChunkRows = 1 << 20;

    // Whether a gather of these rows is worth taking so: enough of them, in
    // an order other than the source's (rows kept in order are read forward
    // anyway).
    static bool worthIt(const int* rows, int count);

    // Whether the texts of a column of plain texts holding these bytes (its
    // bytesUsed()) are worth copying so: beyond the caches and the page
    // translations the processor keeps, where the misses of a gather cost
    // the most. A smaller column keeps sharing its texts.
    static bool suits(qint64 columnBytes);

    // rows[i] is the source row of new row i (negative for an empty cell);
    // the rows are not copied and must outlive the plan.
    LocalGather(const int* rows, int count, int sourceRows);

    int count() const { return m_count; }
    const int* rows() const { return m_rows; }
    int chunkCount() const { return (m_count + ChunkRows - 1) / ChunkRows; }
    int chunkStart(int chunk) const { return chunk * ChunkRows; }
    int chunkSize(int chunk) const { return std::min(ChunkRows, m_count - chunkStart(chunk)); }

    // A new row and the source row it takes (negative for an empty cell).
    struct Move
    {
        qint32 source;
        qint32 row;
    };
    // Rows ahead whose memory a loop over moves asks for.
    static constexpr int Ahead = 16;

    // The chunk's moves, chunkSize() of them, in the order of the source's
    // stretches.
    const Move* moves(int chunk) const { return m_moves.data() + chunkStart(chunk); }

    // to[i] becomes from[rows[i]], 0 for a negative row.
    template <typename T> void gather(std::vector<T>* to, const std::vector<T>& from) const
    {
        to->resize(size_t(m_count));
        T* out = to->data();
        const T* in = from.data();
        const Move* move = m_moves.data();
        for (int i = 0; i < m_count; ++i) {
            if (i + Ahead < m_count && move[i + Ahead].source >= 0)
                prefetchLine(in + move[i + Ahead].source);
            out[move[i].row] = move[i].source < 0 ? T(0) : in[move[i].source];
        }
    }

private:
    const int* m_rows;
    int m_count;
    // By chunk, the chunk's moves by source stretch.
    std::vector<Move> m_moves;
};
