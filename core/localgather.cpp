#include "core/localgather.h"

namespace {

// Fewer rows are gathered quickly enough as they come.
constexpr int LeastRows = 1 << 16;
// Bytes of a column's texts from which they are copied a stretch at a time.
constexpr qint64 LeastBytes = qint64(64) << 20;
// A stretch is at least this many source rows: a megabyte or two of a
// column's texts, whose page translations the processor keeps while the
// stretch is read. There are at most MostStretches of them, so that sorting a
// chunk by stretch stays a count over a small table.
constexpr int StretchBits = 16;
constexpr qint64 MostStretches = 1 << 14;

} // namespace

bool LocalGather::worthIt(const int* rows, int count)
{
    return count >= LeastRows && !std::is_sorted(rows, rows + count);
}

bool LocalGather::suits(qint64 columnBytes)
{
    return columnBytes >= LeastBytes;
}

LocalGather::LocalGather(const int* rows, int count, int sourceRows)
    : m_rows(rows), m_count(qMax(0, count)), m_moves(size_t(m_count))
{
    int shift = StretchBits;
    while ((qint64(sourceRows) >> shift) >= MostStretches)
        ++shift;
    const size_t stretches = size_t(qint64(sourceRows) >> shift) + 1;
    const auto stretchOf = [shift](int row) { return row < 0 ? size_t(0) : size_t(row >> shift); };
    // A counting sort of each chunk by stretch, which keeps the chunk's order
    // within a stretch.
    std::vector<quint32> next(stretches + 1);
    for (int k = 0; k < chunkCount(); ++k) {
        const int first = chunkStart(k);
        const int n = chunkSize(k);
        std::fill(next.begin(), next.end(), 0);
        for (int i = 0; i < n; ++i)
            ++next[stretchOf(rows[first + i]) + 1];
        for (size_t s = 1; s < next.size(); ++s)
            next[s] += next[s - 1];
        Move* moves = m_moves.data() + first;
        for (int i = 0; i < n; ++i)
            moves[next[stretchOf(rows[first + i])]++] = Move { rows[first + i], first + i };
    }
}
