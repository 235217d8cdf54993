#pragma once

// The codes of a column's distinct texts, found by their characters: an
// open-addressed table of the codes alone, four bytes a slot and at most half
// full, each code's text read from the dictionary it indexes. A table of
// nodes (QHash) takes about ten times that per distinct value, and a read's
// table keeps this index for as long as it is added to: for a column of a
// hundred thousand prices, megabytes at the read's peak.

#include <QString>
#include <QVector>

#include <utility>
#include <vector>

class CodeIndex
{
public:
    // The code whose text in the dictionary equals text, or 0 (the code of
    // the empty text, which is never indexed).
    quint32 find(const QString& text, const QVector<QString>& dictionary) const
    {
        if (m_slots.empty())
            return 0;
        for (size_t i = slotOf(qHash(text));; i = (i + 1) & (m_slots.size() - 1)) {
            const quint32 code = m_slots[i];
            if (code == 0 || dictionary.at(int(code)) == text)
                return code;
        }
    }

    // Indexes the code, whose text is already in the dictionary.
    void insert(quint32 code, const QVector<QString>& dictionary)
    {
        if (2 * (m_count + 1) > m_slots.size())
            resize(m_slots.empty() ? 16 : m_slots.size() * 2, dictionary);
        place(code, dictionary);
        ++m_count;
    }

    // Indexes every code of the dictionary but the empty text's.
    void rebuild(const QVector<QString>& dictionary)
    {
        size_t size = 16;
        while (size < 2 * size_t(dictionary.size()))
            size *= 2;
        setSize(size);
        m_count = 0;
        for (int code = 1; code < dictionary.size(); ++code) {
            place(quint32(code), dictionary);
            ++m_count;
        }
    }

    void clear()
    {
        std::vector<quint32>().swap(m_slots);
        m_count = 0;
    }

private:
    size_t slotOf(uint hash) const
    {
        // The high bits of a multiplied hash: qHash() of texts that differ in
        // their last characters differ mostly in the low bits.
        return size_t((quint64(hash) * 0x9E3779B97F4A7C15ull) >> m_shift);
    }

    void place(quint32 code, const QVector<QString>& dictionary)
    {
        size_t i = slotOf(qHash(dictionary.at(int(code))));
        while (m_slots[i] != 0)
            i = (i + 1) & (m_slots.size() - 1);
        m_slots[i] = code;
    }

    // Empty slots, a power of two of them.
    void setSize(size_t size)
    {
        m_slots.assign(size, 0);
        m_shift = 64;
        for (size_t s = size; s > 1; s /= 2)
            --m_shift;
    }

    void resize(size_t size, const QVector<QString>& dictionary)
    {
        const std::vector<quint32> old = std::move(m_slots);
        setSize(size);
        for (quint32 code : old) {
            if (code != 0)
                place(code, dictionary);
        }
    }

    std::vector<quint32> m_slots;
    size_t m_count = 0;
    int m_shift = 64;
};
