// A column's rows taken in a new order a stretch of the source at a time (see
// LocalGather). The texts of a chunk of new rows are first copied, in the
// order the source is read, into a few partitions by where they go; each
// partition, a few megabytes, is then put in order in the caches. Every
// memory access is then near the one before: the source a stretch at a
// time, the partitions and the new blocks one after another.

#include "core/localgather.h"
#include "core/prefetch.h"
#include "core/textcolumn.h"
#include "core/textcolumndata.h"

#include <utility>

using namespace TextStore;

namespace {

// New rows of a chunk whose texts share a partition.
constexpr int PartBits = 16;
constexpr int PartRows = 1 << PartBits;
constexpr int PartMask = PartRows - 1;
// A column whose texts are longer than this on average copies them in the
// new order as they are: each text is several cache lines of its own, so a
// miss costs little beside the copy, and a chunk's partitions would hold
// hundreds of megabytes.
constexpr qint64 LongestPartitioned = 64;
// A record in a partition: the new row (in the partition) and the text as
// it lies in its block, header included.
constexpr size_t RowBytes = sizeof(quint32);

// Bytes added piece after piece (a std::vector would set every byte it
// grows by first). Kept from chunk to chunk.
class Pieces
{
public:
    Pieces() = default;
    Pieces(const Pieces&) = delete;
    Pieces& operator=(const Pieces&) = delete;
    Pieces(Pieces&& other) noexcept
        : m_bytes(std::exchange(other.m_bytes, nullptr)),
          m_used(other.m_used),
          m_capacity(other.m_capacity)
    {
    }
    ~Pieces() { std::free(m_bytes); }
    char* take(size_t size)
    {
        if (m_used + size > m_capacity)
            grow(m_used + size);
        char* piece = m_bytes + m_used;
        m_used += size;
        return piece;
    }
    const char* begin() const { return m_bytes; }
    const char* end() const { return m_bytes + m_used; }
    void clear() { m_used = 0; }

private:
    void grow(size_t least)
    {
        const size_t capacity = std::max({ least, m_capacity * 2, size_t(1) << 16 });
        char* bytes = static_cast<char*>(std::realloc(m_bytes, capacity));
        if (!bytes)
            throw std::bad_alloc();
        m_bytes = bytes;
        m_capacity = capacity;
    }

    char* m_bytes = nullptr;
    size_t m_used = 0;
    size_t m_capacity = 0;
};

// A partition's texts, of its rows new rows, into the new blocks in the
// order of those rows; texts is room for a pointer a row.
template <typename Data>
void placePartition(const Pieces& part, int rows, Data& to, std::vector<const char*>& texts)
{
    std::fill(texts.begin(), texts.begin() + rows, nullptr);
    for (const char* record = part.begin(); record < part.end();) {
        quint32 row = 0;
        std::memcpy(&row, record, RowBytes);
        texts[row & PartMask] = record + RowBytes;
        record += RowBytes + entryBytes(record + RowBytes);
    }
    for (int i = 0; i < rows; ++i) {
        if (i + LocalGather::Ahead < rows && texts[size_t(i + LocalGather::Ahead)])
            prefetchLine(texts[size_t(i + LocalGather::Ahead)]);
        quint64 place = 0;
        if (const char* text = texts[size_t(i)]) {
            const size_t size = entryBytes(text);
            std::memcpy(to.room(size, &place), text, size);
        }
        to.places.push_back(place);
    }
}

template <typename Data> void gatherTexts(const Data& from, Data& to, const LocalGather& plan)
{
    to.places.reserve(size_t(plan.count()));
    if (from.rows > 0 && (from.written - from.unused) / from.rows > LongestPartitioned) {
        to.copyRows(from, plan.rows(), plan.count());
        return;
    }
    std::vector<Pieces> parts(size_t(LocalGather::ChunkRows / PartRows));
    std::vector<const char*> texts(static_cast<size_t>(PartRows));
    for (int k = 0; k < plan.chunkCount(); ++k) {
        const int first = plan.chunkStart(k);
        const LocalGather::Move* moves = plan.moves(k);
        const int n = plan.chunkSize(k);
        for (int i = 0; i < n; ++i) {
            // The place two steps ahead, then its text one step ahead: the
            // misses overlap rather than waiting one on another.
            constexpr int Ahead = LocalGather::Ahead;
            if (i + 2 * Ahead < n && moves[i + 2 * Ahead].source >= 0)
                prefetchLine(from.places.address(size_t(moves[i + 2 * Ahead].source)));
            if (i + Ahead < n && moves[i + Ahead].source >= 0)
                if (const quint64 place = from.places[size_t(moves[i + Ahead].source)])
                    prefetchLine(from.entryStart(place));
            const int source = moves[i].source;
            const quint64 place = source < 0 ? 0 : from.places[size_t(source)];
            if (place == 0)
                continue;
            const quint32 row = quint32(moves[i].row - first);
            const char* text = from.entryStart(place);
            const size_t size = entryBytes(text);
            char* record = parts[row >> PartBits].take(RowBytes + size);
            std::memcpy(record, &row, RowBytes);
            std::memcpy(record + RowBytes, text, size);
        }
        for (int p = 0; p * PartRows < plan.chunkSize(k); ++p) {
            placePartition(
                parts[size_t(p)], std::min(PartRows, plan.chunkSize(k) - p * PartRows), to, texts);
            parts[size_t(p)].clear();
        }
    }
}

} // namespace

TextColumn TextColumn::gathered(const LocalGather& plan) const
{
    TextColumn out(d->pooling);
    Data& to = *out.d;
    const Data& from = *d;
    to.startGatherOf(from, plan.count());
    if (from.coded) {
        to.codes.gatherWith(
            from.codes, [&plan](auto* codes, const auto& source) { plan.gather(codes, source); });
    } else {
        gatherTexts(from, to, plan);
    }
    return out;
}
