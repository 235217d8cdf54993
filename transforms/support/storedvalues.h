#pragma once

// Working something out once per distinct stored value of a column instead
// of once per cell.
//
// Values repeated in a column share their text (the value pools see to
// that), so the text's storage identifies the value: a country, a date or a
// year read once stands for every cell that holds it. The storage is known
// from the cell alone, without touching the text, which for millions of
// values scattered in memory is most of the cost. Equal texts stored apart
// are merely worked out twice.
//
// A column that hardly repeats (ids, amounts) gains nothing from the index
// and pays for its look-ups, so once enough cells have been seen and most
// were new, the index is dropped and every cell is simply worked out.
//
// The cache holds on to each text it has seen, so that its storage cannot be
// freed and reused by another text while the cache lives: cells may come
// from rows made and dropped one at a time.

#include <QString>
#include <QVector>

#include <vector>

// A cell read as a number.
struct ReadNumber
{
    double value = 0.0;
    bool ok = false;
};

// Storage of texts to small integers, in a flat open-addressed table: a
// million distinct values stay cheap to index.
class StoredTextIndex
{
public:
    StoredTextIndex() : m_slots(1024, Slot()) { }

    // The text's shared block, read from the QString itself: its address
    // needs no visit to the block, which for a value not seen before would
    // be one more trip to memory.
    static const void* storageOf(const QString& value)
    {
        return const_cast<QString&>(value).data_ptr();
    }

    // The index stored for the storage, or -1.
    int find(const void* storage) const
    {
        for (size_t i = slotOf(storage);; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i].storage == storage)
                return m_slots[i].index;
            if (!m_slots[i].storage)
                return -1;
        }
    }
    void insert(const void* storage, int index);
    int size() const { return int(m_count); }

private:
    struct Slot
    {
        const void* storage = nullptr;
        int index = -1;
    };
    size_t slotOf(const void* storage) const
    {
        const quint64 h = (quint64(quintptr(storage)) >> 3) * 0x9E3779B97F4A7C15ull;
        return size_t(h >> 20) & (m_slots.size() - 1);
    }
    void place(const void* storage, int index);
    void grow();

    std::vector<Slot> m_slots;
    size_t m_count = 0;
};

// Decides when an index of stored texts stops paying: after TrialLookups
// look-ups of which nine in ten found nothing.
class StoredTextTrial
{
public:
    static constexpr int TrialLookups = 1 << 16;
    // Counts one look-up; true when the index should be given up now.
    bool givesUp(int distinct)
    {
        return ++m_lookups == TrialLookups && qint64(distinct) * 10 > qint64(TrialLookups) * 9;
    }

private:
    int m_lookups = 0;
};

// The result of a function of one cell, worked out once per stored value.
template <typename T> class PerStoredValue
{
public:
    template <typename Compute> T get(const QString& value, const Compute& compute)
    {
        if (!m_indexing)
            return compute(value);
        const void* storage = StoredTextIndex::storageOf(value);
        const int known = m_index.find(storage);
        T result = known >= 0 ? m_results.at(known) : compute(value);
        if (known < 0) {
            m_index.insert(storage, m_results.size());
            m_results.append(result);
            m_texts.append(value);
        }
        if (m_trial.givesUp(m_index.size())) {
            m_indexing = false;
            m_index = StoredTextIndex();
            m_results = QVector<T>();
            m_texts = QVector<QString>();
        }
        return result;
    }

private:
    StoredTextIndex m_index;
    QVector<T> m_results;
    QVector<QString> m_texts;
    StoredTextTrial m_trial;
    bool m_indexing = true;
};
