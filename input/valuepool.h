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
// out plain texts from then on. A column whose first EarlyCheckValues
// values were all new (identifiers, e-mail addresses) retires at once,
// before its table has grown large.

#include "core/prefetch.h"
#include "core/runtexts.h"
#include "core/textcolumn.h"
#include "input/charscan.h"

#include <QChar>
#include <QString>
#include <QVector>

#include <vector>

class ValuePool
{
public:
    static constexpr int RetireCheckValues = 1 << 16;
    static constexpr int EarlyCheckValues = 1 << 13;

    // A value held: its text, and a code that the pool's user may keep with
    // it (0 until the user sets one), such as the value's code in the column
    // it is put into, so that a repeat needs no second look-up there.
    struct Entry
    {
        static constexpr int ShortBytes = 15;
        static constexpr quint8 NotShort = 0xFF;

        QString text;
        uint hash = 0;
        quint32 code = 0;
        // A short text of Latin-1 characters again, as bytes beside the rest:
        // a look-up confirms a repeat without reading the text itself, which
        // lies somewhere in the arena and costs a cache miss of its own.
        // Its length, or NotShort for a text kept only as itself.
        quint8 shortLength = NotShort;
        char shortBytes[ShortBytes];

        // Keeps the characters of the entry's text, which they equal.
        template <typename Char> void keepShort(const Char* chars, int count)
        {
            shortLength = NotShort;
            if (count > ShortBytes)
                return;
            for (int i = 0; i < count; ++i) {
                const ushort c = codeUnit(chars[i]);
                if (c > 0xFF)
                    return;
                shortBytes[i] = char(c);
            }
            shortLength = quint8(count);
        }

        // Appends the value to the column its code is kept for: a repeat by
        // the code alone.
        void appendTo(TextColumn* column)
        {
            if (code == 0 || !column->appendCode(code))
                code = column->appendPooled(text);
        }
    };

    // The entry of the value with these characters (hashOf() of them), made
    // on first sight; null once the pool has retired. It stays where it is
    // until the next value is looked up.
    Entry* entry(const QChar* chars, int count, uint hash);
    Entry* entry(const char* bytes, int count, uint hash);
    // Sets every entry's code back to 0 (the columns they were for are gone).
    void clearCodes();

    // The pooled text with these characters, made on first sight.
    QString intern(const QChar* chars, int count);
    // The same with the characters' hash already known.
    QString intern(const QChar* chars, int count, uint hash);
    // The same for ASCII text still in its bytes (hashLatin1() of them): a
    // repeat is found without making the text at all.
    QString intern(const char* bytes, int count, uint hash);
    // The same for a text that already exists; it becomes the pooled one.
    QString intern(const QString& text);
    // Stops pooling from now on, as if the pool had judged itself not worth it.
    void retire();
    // Weighs the values since the last check now, when there are enough of
    // them to tell: by the lenient rule of the first check, or by the rule
    // of the later ones.
    void judge(bool lenient);
    // Takes in the values of another pool without counting them as looked
    // up (they were, there). Nothing when this pool has retired.
    void absorb(const ValuePool& other);
    // A pool that is no longer changed, looked at before this one: its texts
    // are handed out for the values it holds, so that pools filled on
    // different threads still share one text for most repeated values. It
    // must outlive this pool and stay unchanged while this pool is used.
    void setSeed(const ValuePool* seed) { m_seed = seed; }
    // New pooled texts are made in the arena (see RunTexts), which must
    // outlive every copy of them; without one they are ordinary texts.
    void keepTextsIn(TextArena* arena) { m_arena = arena; }

    // Asks the processor to fetch the slot of a hash ahead of its lookup.
    void prefetch(uint hash) const
    {
        if (m_seed)
            m_seed->prefetch(hash);
        if (m_slots.empty())
            return;
        const Slot* slot = &m_slots[hash & (m_slots.size() - 1)];
        prefetchLine(slot);
    }

    // Asks for the text in the first slot of a hash, once that slot itself
    // has been fetched (prefetch() a while before): a repeat of a text not
    // kept short is confirmed by comparing characters, and that text is a
    // second miss that would otherwise come only after the first.
    void prefetchText(uint hash) const
    {
        // A value first met in this pool is found in its seed's table, and
        // the text found there is copied, short or not.
        if (m_seed && !m_seed->m_slots.empty())
            prefetchLine(storageOf(m_seed->firstSlot(hash).text));
        if (m_slots.empty())
            return;
        const Slot& slot = firstSlot(hash);
        if (slot.shortLength == Entry::NotShort)
            prefetchLine(storageOf(slot.text));
    }

    // Retires the pool once it holds more values than this (0: no cap). A
    // read that hands its rows over in blocks keeps no table to save memory
    // in, and a large pool's look-ups miss the cache at every value.
    void setMaxValues(int values) { m_maxValues = values; }

    // Distinct values this pool added (those it took from its seed aside).
    int size() const { return m_count; }
    bool isRetired() const { return m_retired; }

private:
    using Slot = Entry;

    const Slot& firstSlot(uint hash) const { return m_slots[hash & (m_slots.size() - 1)]; }
    // Where a text's header and characters are, without reading them.
    static const void* storageOf(const QString& text)
    {
        return const_cast<QString&>(text).data_ptr();
    }

    template <typename Char> size_t findSlot(const Char* chars, int count, uint hash) const;
    template <typename Char> Slot& slotFor(const Char* chars, int count, uint hash);
    template <typename Char> Entry* entryOf(const Char* chars, int count, uint hash);
    template <typename Char> QString internChars(const Char* chars, int count, uint hash);
    bool countLookup();
    bool notWorth(bool lenient) const;
    template <typename Char> const QString* seeded(const Char* chars, int count, uint hash) const;
    void grow();
    void checkWorth();
    template <typename Char> QString newText(const Char* chars, int count) const;

    std::vector<Slot> m_slots;
    const ValuePool* m_seed = nullptr;
    TextArena* m_arena = nullptr;
    int m_count = 0;
    // Slots filled: the values added and those taken from the seed.
    int m_used = 0;
    int m_lookups = 0;
    bool m_retired = false;
    int m_maxValues = 0;
    // The stretch of values since the last check: where it started, the
    // distinct count then, and the characters of the new values in it.
    int m_nextCheck = EarlyCheckValues;
    int m_stretchStart = 0;
    int m_countAtStretchStart = 0;
    qint64 m_newCharacters = 0;
};

// Pools for columns up to count, the new ones making their texts in the
// arena (none: ordinary texts).
void growPools(std::vector<ValuePool>* pools, size_t count, TextArena* arena, int maxValues = 0);
// Pools for the columns of a seed, each looking at the seed's pool first
// (see ValuePool::setSeed) or retired where the seed's has.
void seedPools(std::vector<ValuePool>* pools, const std::vector<ValuePool>& seed, TextArena* arena,
    int maxValues = 0);

// Retires the pools of the columns marked (a column past the marks is left
// as it is): a column kept in plain texts writes every value's characters
// anyway, so its pool would only hold a second copy of each.
void retirePools(std::vector<ValuePool>* pools, const QVector<bool>& columns);

// A well-mixed hash of the characters; the pools of every column use it.
uint hashCharacters(const QChar* chars, int count);
// The same hash for Latin-1 text in its bytes, as if it were widened first,
// so that a value finds its pooled text whichever way it was read.
uint hashLatin1(const char* bytes, int count);

// The hash and the text of a value as a parser holds it: UTF-16 characters
// or ASCII bytes.
inline uint hashOf(const QChar* chars, int count)
{
    return hashCharacters(chars, count);
}
inline uint hashOf(const char* bytes, int count)
{
    return hashLatin1(bytes, count);
}
inline QString makeText(const QChar* chars, int count)
{
    return QString(chars, count);
}
inline QString makeText(const char* bytes, int count)
{
    return QString::fromLatin1(bytes, count);
}
