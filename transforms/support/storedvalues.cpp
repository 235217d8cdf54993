#include "transforms/support/storedvalues.h"

void StoredTextIndex::insert(const void* storage, int index)
{
    if (2 * (m_count + 1) > m_slots.size())
        grow();
    place(storage, index);
    ++m_count;
}

void StoredTextIndex::place(const void* storage, int index)
{
    size_t i = slotOf(storage);
    while (m_slots[i].storage)
        i = (i + 1) & (m_slots.size() - 1);
    m_slots[i] = Slot { storage, index };
}

void StoredTextIndex::grow()
{
    std::vector<Slot> old(m_slots.size() * 2, Slot());
    old.swap(m_slots);
    for (const Slot& s : old) {
        if (s.storage)
            place(s.storage, s.index);
    }
}
