#pragma once

// The codes of a column that keeps each distinct text once: a code per row,
// stored in as few bytes as the largest code so far needs (one byte for a
// column of up to 255 distinct values, such as countries, yes/no or the
// values a run leaves out; two up to 65,535; four beyond). A code that no
// longer fits widens every code in one pass, which happens at most twice.
// Our own because the one thing it adds to std::vector is that choice.
// PlaceVector does the same for the places of a column's plain texts.

#include "core/prefetch.h"

#include <QtGlobal>

#include <algorithm>
#include <type_traits>
#include <vector>

// Copies from[rows[i]] into to[i] for count rows, a negative row giving 0.
// The rows of a sort or join lie all over the source, so each read is a
// cache miss: the reads a few dozen rows ahead are asked for first, which
// lets the misses overlap instead of coming one after the other.
template <typename T>
void gatherAhead(std::vector<T>* to, const std::vector<T>& from, const int* rows, int count)
{
    constexpr int Ahead = 32;
    to->resize(size_t(count));
    T* out = to->data();
    const T* in = from.data();
    for (int i = 0; i < count; ++i) {
        if (i + Ahead < count && rows[i + Ahead] >= 0)
            prefetchLine(in + rows[i + Ahead]);
        out[i] = rows[i] < 0 ? T(0) : in[rows[i]];
    }
}

class CodeVector
{
    // Calls f with the vector of the codes' current width (defined first:
    // the members below deduce their types from it).
    template <typename F> decltype(auto) with(F&& f)
    {
        return m_width == 1 ? f(m_8) : m_width == 2 ? f(m_16) : f(m_32);
    }
    template <typename F> decltype(auto) with(F&& f) const
    {
        return m_width == 1 ? f(m_8) : m_width == 2 ? f(m_16) : f(m_32);
    }

public:
    size_t size() const
    {
        return with([](const auto& v) { return v.size(); });
    }
    size_t capacity() const
    {
        return with([](const auto& v) { return v.capacity(); });
    }
    // Bytes per code: 1, 2 or 4.
    int width() const { return m_width; }
    quint32 operator[](size_t i) const
    {
        switch (m_width) {
        case 1:
            return m_8[i];
        case 2:
            return m_16[i];
        default:
            return m_32[i];
        }
    }
    void push_back(quint32 code)
    {
        if (code > m_max)
            widen(code);
        switch (m_width) {
        case 1:
            m_8.push_back(quint8(code));
            break;
        case 2:
            m_16.push_back(quint16(code));
            break;
        default:
            m_32.push_back(code);
            break;
        }
    }
    // count rows of the same code.
    void append(quint32 code, size_t count)
    {
        if (code > m_max)
            widen(code);
        // One row at a time is the common case, and the fill insert is no
        // inline step.
        with([code, count](auto& v) {
            using Code = typename std::decay_t<decltype(v)>::value_type;
            if (count == 1)
                v.push_back(Code(code));
            else
                v.insert(v.end(), count, Code(code));
        });
    }
    void set(size_t i, quint32 code)
    {
        if (code > m_max)
            widen(code);
        with([i, code](auto& v) { v[i] = typename std::decay_t<decltype(v)>::value_type(code); });
    }
    // New rows get code 0 (the empty text).
    void resize(size_t rows)
    {
        with([rows](auto& v) { v.resize(rows, 0); });
    }
    void reserve(size_t rows)
    {
        with([rows](auto& v) { v.reserve(rows); });
    }
    void shrink_to_fit()
    {
        with([](auto& v) { v.shrink_to_fit(); });
    }
    void erase(size_t i)
    {
        with([i](auto& v) { v.erase(v.begin() + qptrdiff(i)); });
    }
    // Moves the last code to row i, the rows from there on one further.
    void moveLastTo(size_t i)
    {
        with([i](auto& v) { std::rotate(v.begin() + qptrdiff(i), v.end() - 1, v.end()); });
    }
    // This vector becomes from's codes at rows (see gatherAhead).
    void gather(const CodeVector& from, const int* rows, int count)
    {
        gatherWith(from,
            [rows, count](auto* to, const auto& source) { gatherAhead(to, source, rows, count); });
    }
    // The same with a gather of one's own, gather(&to, from) for the
    // vectors of the codes' width (see LocalGather::gather).
    template <typename Gather> void gatherWith(const CodeVector& from, const Gather& gather)
    {
        *this = CodeVector();
        m_width = from.m_width;
        m_max = from.m_max;
        if (m_width == 1)
            gather(&m_8, from.m_8);
        else if (m_width == 2)
            gather(&m_16, from.m_16);
        else
            gather(&m_32, from.m_32);
    }
    // Appends from's codes, each as codeOf[code] (one entry per code of
    // from's dictionary). Joining the chunks of a read does this for every
    // column of every chunk, so it widens once and copies with no per-code
    // width test; an identity map (chunks share their dictionaries) is a
    // plain copy.
    void appendMapped(const CodeVector& from, const std::vector<quint32>& codeOf)
    {
        quint32 largest = 0;
        bool identity = true;
        for (size_t i = 0; i < codeOf.size(); ++i) {
            largest = std::max(largest, codeOf[i]);
            identity = identity && codeOf[i] == i;
        }
        if (largest > m_max)
            widen(largest);
        with([&](auto& to) {
            using Code = typename std::decay_t<decltype(to)>::value_type;
            from.with([&](const auto& source) {
                if (identity) {
                    to.insert(to.end(), source.begin(), source.end());
                    return;
                }
                const size_t start = to.size();
                to.resize(start + source.size());
                Code* out = to.data() + start;
                const quint32* map = codeOf.data();
                for (size_t r = 0; r < source.size(); ++r)
                    out[r] = Code(map[source[r]]);
            });
        });
    }
    // Lets every code and the room for them go.
    void release() { *this = CodeVector(); }

private:
    template <typename To, typename From>
    static void copyInto(std::vector<To>* to, std::vector<From>* from)
    {
        to->reserve(std::max(from->capacity(), from->size() + 1));
        to->assign(from->begin(), from->end());
        std::vector<From>().swap(*from);
    }
    void widen(quint32 code)
    {
        if (code > 0xFFFF) {
            if (m_width == 1)
                copyInto(&m_32, &m_8);
            else
                copyInto(&m_32, &m_16);
            m_width = 4;
            m_max = 0xFFFFFFFF;
        } else {
            copyInto(&m_16, &m_8);
            m_width = 2;
            m_max = 0xFFFF;
        }
    }

    int m_width = 1;
    quint32 m_max = 0xFF;
    std::vector<quint8> m_8;
    std::vector<quint16> m_16;
    std::vector<quint32> m_32;
};

// The places of a column's plain texts: a block number (from 1) above
// PositionBits and an offset in the block below. Blocks hold at most 1 MB
// but for one text longer than that, which starts its own, so while a column
// has fewer than 4,096 blocks a place fits in four bytes (block above bit
// 20); beyond that, or for an offset that does not fit, every place is
// widened to eight bytes in one pass.
class PlaceVector
{
public:
    static constexpr int PositionBits = 40;

    size_t size() const { return m_wide ? m_64.size() : m_32.size(); }
    size_t capacity() const { return m_wide ? m_64.capacity() : m_32.capacity(); }
    int width() const { return m_wide ? 8 : 4; }
    quint64 operator[](size_t i) const { return m_wide ? m_64[i] : wide(m_32[i]); }
    // Where the place of row i lies, to ask for it ahead.
    const void* address(size_t i) const
    {
        return m_wide ? static_cast<const void*>(m_64.data() + i) : m_32.data() + i;
    }

    void push_back(quint64 place)
    {
        if (!m_wide && !fits(place))
            widen();
        if (m_wide)
            m_64.push_back(place);
        else
            m_32.push_back(narrow(place));
    }
    void set(size_t i, quint64 place)
    {
        if (!m_wide && !fits(place))
            widen();
        if (m_wide)
            m_64[i] = place;
        else
            m_32[i] = narrow(place);
    }
    // New rows are empty (place 0).
    void resize(size_t rows) { m_wide ? m_64.resize(rows, 0) : m_32.resize(rows, 0); }
    void reserve(size_t rows) { m_wide ? m_64.reserve(rows) : m_32.reserve(rows); }
    void shrink_to_fit() { m_wide ? m_64.shrink_to_fit() : m_32.shrink_to_fit(); }
    void erase(size_t i)
    {
        m_wide ? void(m_64.erase(m_64.begin() + qptrdiff(i)))
               : void(m_32.erase(m_32.begin() + qptrdiff(i)));
    }
    // Moves the last place to row i, the rows from there on one further.
    void moveLastTo(size_t i)
    {
        if (m_wide)
            std::rotate(m_64.begin() + qptrdiff(i), m_64.end() - 1, m_64.end());
        else
            std::rotate(m_32.begin() + qptrdiff(i), m_32.end() - 1, m_32.end());
    }
    // Appends from's places, each but the empty one moved on by `blocks`
    // blocks: another column's places, its blocks joined after this
    // column's. `lastBlock` is the highest block number then. Joining the
    // chunks of a read does this for every plain column of every chunk, so
    // four-byte places are moved in one pass, with no test of each.
    void appendShifted(const PlaceVector& from, quint64 blocks, quint64 lastBlock)
    {
        if (!m_wide && !from.m_wide && lastBlock < (quint64(1) << (32 - NarrowBits))) {
            const quint32 add = quint32(blocks << NarrowBits);
            const size_t start = m_32.size();
            m_32.resize(start + from.m_32.size());
            quint32* out = m_32.data() + start;
            const quint32* in = from.m_32.data();
            for (size_t r = 0; r < from.m_32.size(); ++r)
                out[r] = in[r] == 0 ? 0 : in[r] + add;
            return;
        }
        const quint64 shift = blocks << PositionBits;
        for (size_t r = 0; r < from.size(); ++r) {
            const quint64 place = from[r];
            push_back(place == 0 ? 0 : place + shift);
        }
    }
    // This vector becomes from's places at rows (see gatherAhead).
    void gather(const PlaceVector& from, const int* rows, int count)
    {
        *this = PlaceVector();
        m_wide = from.m_wide;
        if (m_wide)
            gatherAhead(&m_64, from.m_64, rows, count);
        else
            gatherAhead(&m_32, from.m_32, rows, count);
    }
    void swap(PlaceVector& other) noexcept
    {
        std::swap(m_wide, other.m_wide);
        m_32.swap(other.m_32);
        m_64.swap(other.m_64);
    }

private:
    static constexpr int NarrowBits = 20;
    static constexpr quint64 OffsetMask = (quint64(1) << PositionBits) - 1;
    static constexpr quint32 NarrowMask = (quint32(1) << NarrowBits) - 1;

    static bool fits(quint64 place)
    {
        return (place >> PositionBits) < (quint64(1) << (32 - NarrowBits))
            && (place & OffsetMask) <= NarrowMask;
    }
    static quint32 narrow(quint64 place)
    {
        return quint32(((place >> PositionBits) << NarrowBits) | (place & NarrowMask));
    }
    static quint64 wide(quint32 place)
    {
        return (quint64(place >> NarrowBits) << PositionBits) | (place & NarrowMask);
    }
    void widen()
    {
        m_64.reserve(std::max(m_32.capacity(), m_32.size() + 1));
        for (quint32 place : m_32)
            m_64.push_back(wide(place));
        std::vector<quint32>().swap(m_32);
        m_wide = true;
    }

    bool m_wide = false;
    std::vector<quint32> m_32;
    std::vector<quint64> m_64;
};
