#pragma once

// The storage of a TextColumn, shared by the files that implement it: the
// blocks its plain texts lie in, the codes of a repeating column, and how a
// text is written into a block. Included by the column's own sources only.

#include "core/codeindex.h"
#include "core/codevector.h"
#include "core/prefetch.h"
#include "core/storedtexttable.h"
#include "core/textcolumn.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace TextStore {

// Copies of a static text share it without counting references, so every
// empty cell handed out costs nothing.
inline const QString& emptyText()
{
    static const QString empty = QStringLiteral("");
    return empty;
}

// A column offered this many values while most of them were new is taken
// for one of mostly different values and stops looking for repeats.
constexpr int TrialValues = 20000;

// Blocks grow from small (a table of three rows should not take a megabyte
// per column) to this size; a longer text gets a block of its own size.
constexpr size_t SmallestBlock = 256;
// Slots of the look-up by storage (see TextColumn::Data::byStorage).
constexpr int StorageBits = 12;
constexpr int StorageAfter = 64;
// A chunk's column starts small: a wide file has many.
constexpr size_t PooledFirstSlots = 16;
constexpr size_t LargestBlock = size_t(1) << 20;

// A place is the block (counted from 1, so that 0 is the empty text) and
// the position of the text in it.
constexpr int PositionBits = PlaceVector::PositionBits;
constexpr quint64 PositionMask = (quint64(1) << PositionBits) - 1;

// A text in a block starts with its length and width (length * 2 + 1 for
// two bytes per character) written 7 bits per byte, lowest first.
inline int headerSize(quint64 header)
{
    int n = 1;
    while (header >= 0x80) {
        header >>= 7;
        ++n;
    }
    return n;
}

inline char* writeHeader(char* out, quint64 header)
{
    while (header >= 0x80) {
        *out++ = char(quint8(header) | 0x80);
        header >>= 7;
    }
    *out++ = char(header);
    return out;
}

inline const char* readHeader(const char* in, quint64* header)
{
    quint64 value = 0;
    int shift = 0;
    quint8 byte;
    do {
        byte = quint8(*in++);
        value |= quint64(byte & 0x7f) << shift;
        shift += 7;
    } while (byte & 0x80);
    *header = value;
    return in;
}

// Room for more at the end of a list that keeps growing: reserving just
// enough each time would copy the whole list at every step.
template <typename List> inline void grow(List& list, size_t more)
{
    if (list.size() + more > list.capacity())
        list.reserve(std::max(list.size() + more, list.capacity() * 2));
}

inline QString textOf(const QChar* chars, int count)
{
    return QString(chars, count);
}

inline QString textOf(const char* latin1, int count)
{
    return QString::fromLatin1(latin1, count);
}

inline bool isNarrow(const QChar* chars, int count)
{
    const ushort* units = reinterpret_cast<const ushort*>(chars);
    ushort any = 0;
    for (int i = 0; i < count; ++i)
        any |= units[i];
    return any < 0x100;
}

// The bytes of a plain text that starts at the address, header included.
inline size_t entryBytes(const char* start)
{
    quint64 header = 0;
    const char* chars = readHeader(start, &header);
    return size_t(chars - start) + size_t(header >> 1) * ((header & 1) ? 2 : 1);
}

} // namespace TextStore

struct TextColumn::Block
{
    explicit Block(size_t size) : bytes(static_cast<char*>(std::malloc(size))), capacity(size)
    {
        if (!bytes)
            throw std::bad_alloc();
    }
    ~Block() { std::free(bytes); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    // Gives the room after the texts back (in place, by the allocator).
    void shrink()
    {
        if (used == capacity || used == 0)
            return;
        if (char* smaller = static_cast<char*>(std::realloc(bytes, used))) {
            bytes = smaller;
            capacity = used;
        }
    }
    char* bytes;
    size_t used = 0;
    size_t capacity;
};

struct TextColumn::Data : public QSharedData
{
    bool pooling = true;
    bool coded = true;
    int rows = 0;

    // A coded column: a code per row into the distinct texts (code 0 is the
    // empty text), and the look-up from text to code used to add values.
    CodeVector codes;
    QVector<QString> dictionary { TextStore::emptyText() };
    CodeIndex index;
    bool indexed = true;
    int offered = 0;
    // Codes by the storage of texts added before: a reader hands its
    // repeated values over as one shared text each, found here without
    // hashing its characters. A slot is trusted only when the dictionary's
    // text still has that storage (it holds on to it).
    std::vector<quint32> byStorage;
    // For texts of a pool (see appendPooled): codes by storage alone. Not
    // copied with the column (a copy that adds pooled texts starts anew).
    struct PooledCodes
    {
        PooledCodes() = default;
        PooledCodes(const PooledCodes&) { }
        PooledCodes& operator=(const PooledCodes&)
        {
            map.reset();
            return *this;
        }
        std::unique_ptr<StoredTextTable<quint32>> map;
    } pooled;

    // A column of plain texts: a place per row into the blocks.
    PlaceVector places;
    std::vector<std::shared_ptr<Block>> blocks;
    qint64 written = 0;
    qint64 unused = 0;

    // Where a plain text lies: its first character and its header.
    const char* entry(quint64 place, quint64* header) const
    {
        const Block& block = *blocks[size_t((place >> TextStore::PositionBits) - 1)];
        return TextStore::readHeader(block.bytes + (place & TextStore::PositionMask), header);
    }
    // The bytes of a plain text, header included.
    size_t entrySize(quint64 place) const { return TextStore::entryBytes(entryStart(place)); }
    const char* entryStart(quint64 place) const
    {
        return blocks[size_t((place >> TextStore::PositionBits) - 1)]->bytes
            + (place & TextStore::PositionMask);
    }

    // Room for bytes more at the end of the last block, which is written
    // only while this column alone holds it.
    char* room(size_t bytes, quint64* place)
    {
        Block* last = blocks.empty() ? nullptr : blocks.back().get();
        if (!last || blocks.back().use_count() != 1 || last->capacity - last->used < bytes) {
            const size_t previous = last ? last->capacity : TextStore::SmallestBlock / 2;
            const size_t size = std::max(bytes,
                std::min(
                    TextStore::LargestBlock, std::max(TextStore::SmallestBlock, previous * 2)));
            blocks.push_back(std::make_shared<Block>(size));
            last = blocks.back().get();
        }
        *place = (quint64(blocks.size()) << TextStore::PositionBits) | quint64(last->used);
        char* out = last->bytes + last->used;
        last->used += bytes;
        written += qint64(bytes);
        return out;
    }

    quint64 writeText(const QChar* chars, int count)
    {
        if (count == 0)
            return 0;
        const bool narrow = TextStore::isNarrow(chars, count);
        const quint64 header = (quint64(count) << 1) | (narrow ? 0 : 1);
        const size_t size
            = size_t(TextStore::headerSize(header)) + size_t(count) * (narrow ? 1 : 2);
        quint64 place = 0;
        char* out = TextStore::writeHeader(room(size, &place), header);
        if (narrow) {
            for (int i = 0; i < count; ++i)
                out[i] = char(chars[i].unicode());
        } else {
            std::memcpy(out, chars, size_t(count) * 2);
        }
        return place;
    }

    // The same for Latin-1 text still in its bytes (a reader's buffer).
    quint64 writeText(const char* bytes, int count)
    {
        if (count == 0)
            return 0;
        const quint64 header = quint64(count) << 1;
        quint64 place = 0;
        char* out = TextStore::writeHeader(
            room(size_t(TextStore::headerSize(header)) + size_t(count), &place), header);
        std::memcpy(out, bytes, size_t(count));
        return place;
    }

    // A plain text of another column copied as it lies.
    quint64 copyEntry(const Data& from, quint64 place)
    {
        if (place == 0)
            return 0;
        const size_t size = from.entrySize(place);
        quint64 mine = 0;
        std::memcpy(room(size, &mine), from.entryStart(place), size);
        return mine;
    }

    // The texts of from's rows copied one after another in that order (a
    // negative row is an empty cell), each asked for a few rows ahead: the
    // rows of a selection lie apart in from's blocks.
    void copyRows(const Data& from, const int* rowList, int count)
    {
        constexpr int Ahead = 8;
        places.reserve(places.size() + size_t(count));
        for (int i = 0; i < count; ++i) {
            if (i + Ahead < count && rowList[i + Ahead] >= 0)
                if (const quint64 place = from.places[size_t(rowList[i + Ahead])])
                    prefetchLine(from.entryStart(place));
            places.push_back(rowList[i] < 0 ? 0 : copyEntry(from, from.places[size_t(rowList[i])]));
        }
    }

    // A gather's result of count rows starts as from's kind; a coded one
    // shares from's distinct texts.
    void startGatherOf(const Data& from, int count)
    {
        rows = count;
        coded = from.coded;
        if (!coded)
            return;
        dictionary = from.dictionary;
        // Rebuilt if the copy is ever added to: most never are, and it
        // would double the index of every coded column a sort or join copies.
        indexed = false;
        offered = from.offered;
    }

    void fillText(quint64 place, QString& out) const
    {
        if (place == 0) {
            out.resize(0);
            return;
        }
        quint64 header = 0;
        const char* chars = entry(place, &header);
        const int count = int(header >> 1);
        out.resize(count);
        QChar* target = out.data();
        if (header & 1) {
            std::memcpy(static_cast<void*>(target), chars, size_t(count) * 2);
        } else {
            ushort* units = reinterpret_cast<ushort*>(target);
            for (int i = 0; i < count; ++i)
                units[i] = quint8(chars[i]);
        }
    }

    // Whether a new value now shows that the column's values hardly repeat.
    bool givesUp() const
    {
        return offered >= TextStore::TrialValues && dictionary.size() * 2 > offered;
    }

    void buildIndex()
    {
        index.rebuild(dictionary);
        indexed = true;
    }

    static size_t storageSlot(const void* storage)
    {
        return size_t(
            (quint64(quintptr(storage)) * 0x9E3779B97F4A7C15ull) >> (64 - TextStore::StorageBits));
    }

    // The code of a text, added when new; false when the column has shown
    // that its values hardly repeat (it should then keep plain texts).
    bool codeOf(const QString& text, quint32* code)
    {
        if (text.isEmpty()) {
            *code = 0;
            return true;
        }
        const void* storage = const_cast<QString&>(text).data_ptr();
        // Made once the column has had a few values: a table of very many
        // columns and few rows would otherwise pay its size per column.
        if (byStorage.empty() && offered >= TextStore::StorageAfter)
            byStorage.resize(size_t(1) << TextStore::StorageBits, 0);
        quint32 none = 0;
        quint32& slot = byStorage.empty() ? none : byStorage[storageSlot(storage)];
        if (slot != 0 && const_cast<QString&>(dictionary.at(int(slot))).data_ptr() == storage) {
            ++offered;
            *code = slot;
            return true;
        }
        if (!indexed)
            buildIndex();
        ++offered;
        if (const quint32 found = index.find(text, dictionary)) {
            *code = found;
            if (const_cast<QString&>(dictionary.at(int(*code))).data_ptr() == storage)
                slot = *code;
            return true;
        }
        if (givesUp())
            return false;
        QString stored = text;
        // A text as a cell keeps it: without spare capacity.
        if (stored.capacity() > stored.size())
            stored.squeeze();
        *code = quint32(dictionary.size());
        dictionary.append(stored);
        index.insert(*code, dictionary);
        if (const_cast<QString&>(stored).data_ptr() == storage)
            slot = *code;
        return true;
    }
};
