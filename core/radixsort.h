#pragma once

// Sorts items by unsigned keys of the given number of bits, least
// significant digit first with one counting pass per digit. A pass is
// stable, so items of equal keys keep their order, exactly as comparing
// (key, position) whole would order them. A few passes over compact items
// beat a comparison sort of a million items several times over.

#include <QtGlobal>

#include <algorithm>
#include <vector>

template <typename Item, typename KeyOf>
void radixSort(std::vector<Item>& items, int bits, const KeyOf& keyOf)
{
    constexpr int DigitBits = 11;
    constexpr quint64 Mask = (quint64(1) << DigitBits) - 1;
    std::vector<Item> sorted(items.size());
    std::vector<size_t> starts(size_t(Mask + 1));
    for (int shift = 0; shift < bits; shift += DigitBits) {
        std::fill(starts.begin(), starts.end(), 0);
        for (const Item& item : items)
            ++starts[size_t((keyOf(item) >> shift) & Mask)];
        // A digit that every key shares (the high bits of numbers in a
        // narrow range) leaves the order as it is.
        if (!items.empty()
            && starts[size_t((keyOf(items.front()) >> shift) & Mask)] == items.size())
            continue;
        size_t start = 0;
        for (size_t& s : starts) {
            const size_t n = s;
            s = start;
            start += n;
        }
        for (const Item& item : items)
            sorted[starts[size_t((keyOf(item) >> shift) & Mask)]++] = item;
        items.swap(sorted);
    }
}

// The bits a key up to largest takes.
inline int bitsFor(quint64 largest)
{
    int bits = 0;
    while (bits < 64 && (largest >> bits) != 0)
        ++bits;
    return bits;
}
