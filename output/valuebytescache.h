#pragma once

// The bytes of values written before, found by their storage: values read
// from a file share one text per distinct value, so most cells of a column
// such as a country or a date repeat bytes already made, and taking them
// from here spares the first touch of the text itself, a cache miss for
// each cell of a table whose rows are in a new order. A column whose values
// rarely repeat stops asking, since for it a lookup is only extra work.
// Only stored texts are looked up (a table's texts do not change or go away
// while it is written), so a storage address stands for its characters.

#include "output/utf8block.h"

#include <QString>

#include <cstring>
#include <vector>

class ValueBytesCache
{
public:
    // The value's bytes from the cache, or made by make() (which appends
    // them to the block) and kept for the next time. Only a stored text (see
    // RowReader::isStored) is looked for: a text made for one row would
    // merely take slots.
    template <typename Make>
    void append(Utf8Block& block, int column, const QString& value, bool stored, Make make)
    {
        if (!stored || !usedFor(column)) {
            make();
            return;
        }
        const void* key = const_cast<QString&>(value).data_ptr();
        if (appendStored(block, column, key))
            return;
        const int start = block.size();
        make();
        // Bytes still waiting for the next character are not all of them.
        if (!block.waiting())
            store(key, block.data() + start, block.size() - start);
    }

private:
    static constexpr int Bits = 14;
    static constexpr int Window = 4096;
    struct Entry
    {
        const void* key = nullptr;
        char bytes[23];
        quint8 count = 0;
    };
    struct ColumnHits
    {
        int lookups = 0;
        int hits = 0;
        bool off = false;
    };

    bool usedFor(int column)
    {
        if (size_t(column) >= m_columns.size()) {
            // Made on first use: most writers make a header or a short table.
            m_entries.resize(size_t(1) << Bits);
            m_columns.resize(size_t(column) + 1);
        }
        return !m_columns[size_t(column)].off;
    }
    bool appendStored(Utf8Block& block, int column, const void* key)
    {
        const Entry& entry = m_entries[slot(key)];
        ColumnHits& use = m_columns[size_t(column)];
        const bool hit = entry.key == key;
        if (hit) {
            block.appendShort<sizeof entry.bytes>(entry.bytes, entry.count);
            ++use.hits;
        }
        if (++use.lookups == Window) {
            use.off = use.hits * 4 < Window;
            use.lookups = use.hits = 0;
        }
        return hit;
    }
    void store(const void* key, const char* bytes, int count)
    {
        if (count > int(sizeof(Entry::bytes)))
            return;
        Entry& entry = m_entries[slot(key)];
        entry.key = key;
        entry.count = quint8(count);
        std::memcpy(entry.bytes, bytes, size_t(count));
    }
    static size_t slot(const void* key)
    {
        return size_t((quint64(quintptr(key)) * 0x9E3779B97F4A7C15ull) >> (64 - Bits));
    }

    std::vector<Entry> m_entries;
    std::vector<ColumnHits> m_columns;
};
