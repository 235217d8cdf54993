#pragma once

// Where equal texts are known to share one block (the storage a QString
// shares with its copies), the block's address stands for the characters and
// is looked up without reading the text.

#include "core/prefetch.h"

#include <QtGlobal>

#include <vector>

// Storage of texts to values, in a flat open-addressed table: a million
// distinct texts stay cheap to index, and a value found is in the slot that
// matched, one trip to memory for a table too large for the cache.
template <typename V> class StoredTextTable
{
public:
    // size: a power of two, the slots before the table first grows.
    explicit StoredTextTable(size_t size = 1024) : m_slots(size, Slot()) { }

    // The value stored for the storage, or null.
    const V* find(const void* storage) const
    {
        for (size_t i = slotOf(storage);; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i].storage == storage)
                return &m_slots[i].value;
            if (!m_slots[i].storage)
                return nullptr;
        }
    }
    void insert(const void* storage, const V& value)
    {
        if (2 * (m_count + 1) > m_slots.size())
            grow();
        place(storage, value);
        ++m_count;
    }
    // Asks the processor for the storage's slot, a while before find().
    void prefetch(const void* storage) const { prefetchLine(m_slots.data() + slotOf(storage)); }
    int size() const { return int(m_count); }

private:
    struct Slot
    {
        const void* storage = nullptr;
        V value = V();
    };
    size_t slotOf(const void* storage) const
    {
        const quint64 h = (quint64(quintptr(storage)) >> 3) * 0x9E3779B97F4A7C15ull;
        return size_t(h >> 20) & (m_slots.size() - 1);
    }
    void place(const void* storage, const V& value)
    {
        size_t i = slotOf(storage);
        while (m_slots[i].storage)
            i = (i + 1) & (m_slots.size() - 1);
        m_slots[i] = Slot { storage, value };
    }
    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2, Slot());
        old.swap(m_slots);
        for (const Slot& s : old) {
            if (s.storage)
                place(s.storage, s.value);
        }
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
};
