#pragma once

// One column's pool of distinct values while a reader builds a Dataset.
// Repeated values are looked up by their characters before any text is
// made, so a repeat costs one probe and no allocation, and all cells with
// the same value share one text. The table is flat (open addressing), so a
// probe is usually one memory access and the whole pool goes in one free.
//
// A column whose values are mostly different (identifiers, e-mail addresses)
// gains little from pooling and pays a large table and a cache miss per
// value. The pool weighs this at every doubling of the values it has seen
// (from RetireCheckValues on): when nearly all of the first values were new,
// or later the new values of the latest stretch cost more in table slots
// than its repeats saved in texts, it retires, lets its table go and hands
// out plain texts from then on.

#include <QChar>
#include <QString>

#include <vector>

class ValuePool
{
public:
    static constexpr int RetireCheckValues = 1 << 16;

    // The pooled text with these characters, made on first sight.
    QString intern(const QChar* chars, int count);
    // The same with the characters' hash already known.
    QString intern(const QChar* chars, int count, uint hash);
    // The same for a text that already exists; it becomes the pooled one.
    QString intern(const QString& text);
    // The same with the text's hash already known (taken from another pool).
    QString intern(const QString& text, uint hash);
    // The first two also give the value's number in this pool (0, 1, ... in
    // the order values were first seen), or -1 when the value is not pooled.
    // A pool that retires later forgets its numbers.
    QString intern(const QChar* chars, int count, uint hash, int* id);
    QString intern(const QString& text, int* id);

    // Stops pooling from now on, as if the pool had judged itself not worth it.
    void retire();
    // Calls f(id, text, hash) for every value held.
    template <typename F> void forEachValue(F f) const
    {
        for (const Slot& slot : m_slots) {
            if (!slot.text.isNull())
                f(slot.id, slot.text, slot.hash);
        }
    }

    // Asks the processor to fetch the slot of a hash ahead of its lookup.
    void prefetch(uint hash) const
    {
        if (m_slots.empty())
            return;
        const Slot* slot = &m_slots[hash & (m_slots.size() - 1)];
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(slot);
#else
        (void)slot;
#endif
    }

    // Asks for the text in the first slot of a hash, once that slot itself
    // has been fetched (prefetch() a while before): a repeat is confirmed by
    // comparing characters, and that text is a second miss that would
    // otherwise come only after the first.
    void prefetchText(uint hash) const
    {
        if (m_slots.empty())
            return;
        const Slot& slot = m_slots[hash & (m_slots.size() - 1)];
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(const_cast<QString&>(slot.text).data_ptr());
#else
        (void)slot;
#endif
    }

    // Distinct values held.
    int size() const
    {
        return m_count;
    }
    bool isRetired() const
    {
        return m_retired;
    }

private:
    struct Slot
    {
        QString text;
        uint hash = 0;
        int id = -1;
    };

    size_t findSlot(const QChar* chars, int count, uint hash) const;
    Slot& slotFor(const QChar* chars, int count, uint hash);
    bool countLookup();
    QString internText(const QString& text, uint hash, int* id);
    void grow();
    void checkWorth();

    std::vector<Slot> m_slots;
    int m_count = 0;
    int m_lookups = 0;
    bool m_retired = false;
    // The stretch of values since the last check: where it started, the
    // distinct count then, and the characters of the new values in it.
    int m_nextCheck = RetireCheckValues;
    int m_stretchStart = 0;
    int m_countAtStretchStart = 0;
    qint64 m_newCharacters = 0;
};

// A well-mixed hash of the characters; the pools of every column use it.
uint hashCharacters(const QChar* chars, int count);
