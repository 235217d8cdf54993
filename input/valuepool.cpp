#include "input/valuepool.h"

#include "input/charscan.h"

#include <cstring>

namespace {

// Small, because a very wide input (a binary file read as text) has a pool
// per column with a single value in most of them.
constexpr size_t InitialSlots = 4;

inline quint64 mix(quint64 h, quint64 v)
{
    h = (h ^ v) * 0xff51afd7ed558ccdULL;
    return h ^ (h >> 32);
}

inline uint finish(quint64 h)
{
    h ^= h >> 29;
    h *= 0xc4ceb9fe1a85ec53ULL;
    return uint(h ^ (h >> 32));
}

// Four Latin-1 bytes as the eight bytes of their UTF-16 code units.
inline quint64 widen4(const char* p)
{
    quint32 narrow;
    std::memcpy(&narrow, p, 4);
    quint64 x = narrow;
    x = (x | (x << 16)) & 0x0000ffff0000ffffULL;
    return (x | (x << 8)) & 0x00ff00ff00ff00ffULL;
}

// Two Latin-1 bytes as the four bytes of their code units.
inline quint32 widen2(const char* p)
{
    return quint32(uchar(p[0])) | (quint32(uchar(p[1])) << 16);
}

inline bool sameText(const QString& text, const QChar* chars, int count)
{
    return std::memcmp(text.constData(), chars, size_t(count) * sizeof(QChar)) == 0;
}

inline bool sameText(const QString& text, const char* bytes, int count)
{
    return equalsLatin1(text.constData(), bytes, count);
}

// Whether a slot holds the characters: by its short copy where it keeps one.
inline bool holds(const ValuePool::Entry& slot, const char* bytes, int count)
{
    if (slot.shortLength != ValuePool::Entry::NotShort)
        return slot.shortLength == count && sameBytes(slot.shortBytes, bytes, count);
    return slot.text.size() == count && sameText(slot.text, bytes, count);
}

inline bool holds(const ValuePool::Entry& slot, const QChar* chars, int count)
{
    if (slot.shortLength != ValuePool::Entry::NotShort)
        return slot.shortLength == count && equalsLatin1(chars, slot.shortBytes, count);
    return slot.text.size() == count && sameText(slot.text, chars, count);
}

static_assert(sizeof(ValuePool::Entry) == 32, "a slot is half a cache line");

} // namespace

uint hashCharacters(const QChar* chars, int count)
{
    // Eight bytes at a time: values are short, so the per-step cost counts
    // more than the last bit of distribution quality.
    const uchar* p = reinterpret_cast<const uchar*>(chars);
    size_t n = size_t(count) * sizeof(QChar);
    quint64 h = 0x9e3779b97f4a7c15ULL ^ n;
    for (; n >= 8; n -= 8, p += 8) {
        quint64 v;
        std::memcpy(&v, p, 8);
        h = mix(h, v);
    }
    // The last two to six bytes without a copy of variable length (a call
    // into the library for every value): two fixed loads that may overlap.
    if (n >= 4) {
        quint32 a;
        quint32 b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + n - 4, 4);
        h = mix(h, (quint64(b) << 32) | a);
    } else if (n > 0) {
        quint16 a;
        std::memcpy(&a, p, 2);
        h = mix(h, a);
    }
    return finish(h);
}

uint hashLatin1(const char* bytes, int count)
{
    // Step for step as hashCharacters() over the widened text.
    const char* p = bytes;
    int n = count;
    quint64 h = 0x9e3779b97f4a7c15ULL ^ (size_t(count) * sizeof(QChar));
    for (; n >= 4; n -= 4, p += 4)
        h = mix(h, widen4(p));
    if (n >= 2)
        h = mix(h, (quint64(widen2(p + n - 2)) << 32) | widen2(p));
    else if (n > 0)
        h = mix(h, uchar(*p));
    return finish(h);
}

template <typename Char> size_t ValuePool::findSlot(const Char* chars, int count, uint hash) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.text.isNull())
            return i;
        if (slot.hash == hash && holds(slot, chars, count))
            return i;
    }
}

void ValuePool::grow()
{
    std::vector<Slot> old;
    old.swap(m_slots);
    m_slots.resize(old.empty() ? InitialSlots : old.size() * 2);
    const size_t mask = m_slots.size() - 1;
    for (Slot& slot : old) {
        if (slot.text.isNull())
            continue;
        size_t i = slot.hash & mask;
        while (!m_slots[i].text.isNull())
            i = (i + 1) & mask;
        m_slots[i] = std::move(slot);
    }
}

bool ValuePool::notWorth(bool lenient) const
{
    const qint64 seen = m_lookups - m_stretchStart;
    const qint64 added = m_count - m_countAtStretchStart;
    const qint64 repeats = seen - added;
    // A distinct value costs two to four slots of the table (it is kept at
    // most half full); a repeat saves one text: its header, its characters
    // and the allocator's own overhead.
    // Weighed at the 16 bytes a slot needs for its text, hash and code: the
    // short copy beside them is for speed, and is not to make a column that
    // pooled before stop pooling.
    const qint64 slotCost = 3 * 16;
    const qint64 averageLength = added > 0 ? m_newCharacters / added : 0;
    const qint64 textCost = 32 + 2 * averageLength;
    return lenient ? added * 10 > seen * 9 : added * slotCost > repeats * textCost;
}

void ValuePool::checkWorth()
{
    if (m_lookups == EarlyCheckValues) {
        if (m_count == m_lookups)
            retire();
        else
            m_nextCheck = RetireCheckValues;
        return;
    }
    // Repeats show only as a column grows (a value seen once early is often
    // seen again later), so the first stretch alone is judged leniently:
    // only a column of nearly all new values retires then.
    if (notWorth(m_stretchStart == 0)) {
        retire();
        return;
    }
    m_stretchStart = m_lookups;
    m_countAtStretchStart = m_count;
    m_newCharacters = 0;
    // Past half a billion values the column has shown what it is; the
    // doubling would overflow, so no further check comes.
    m_nextCheck = m_lookups > (1 << 29) ? 0 : m_lookups * 2;
}

template <typename Char>
ValuePool::Slot& ValuePool::slotFor(const Char* chars, int count, uint hash)
{
    // Kept at most half full, so that probes stay short.
    if (size_t(m_used) * 2 >= m_slots.size())
        grow();
    return m_slots[findSlot(chars, count, hash)];
}

void ValuePool::retire()
{
    m_retired = true;
    std::vector<Slot>().swap(m_slots);
    m_count = 0;
    m_used = 0;
}

void ValuePool::judge(bool lenient)
{
    // Too few values say nothing about a column.
    constexpr int EnoughValues = 1000;
    if (!m_retired && m_lookups - m_stretchStart >= EnoughValues && notWorth(lenient))
        retire();
}

void ValuePool::absorb(const ValuePool& other)
{
    if (m_retired)
        return;
    for (const Slot& from : other.m_slots) {
        if (from.text.isNull())
            continue;
        Slot& slot = slotFor(from.text.constData(), from.text.size(), from.hash);
        if (slot.text.isNull()) {
            // The code belongs to the other pool's user.
            slot = from;
            slot.code = 0;
            ++m_count;
            ++m_used;
        }
    }
    if (m_maxValues > 0 && m_used > m_maxValues)
        retire();
}

// Counts one more lookup and weighs the pool when its time has come; false
// once the pool has retired.
bool ValuePool::countLookup()
{
    if (m_retired)
        return false;
    if (++m_lookups == m_nextCheck)
        checkWorth();
    if (m_maxValues > 0 && m_used > m_maxValues)
        retire();
    return !m_retired;
}

template <typename Char>
const QString* ValuePool::seeded(const Char* chars, int count, uint hash) const
{
    if (!m_seed || m_seed->m_slots.empty())
        return nullptr;
    const Slot& slot = m_seed->m_slots[m_seed->findSlot(chars, count, hash)];
    return slot.text.isNull() ? nullptr : &slot.text;
}

void growPools(std::vector<ValuePool>* pools, size_t count, TextArena* arena, int maxValues)
{
    const size_t from = pools->size();
    if (count <= from)
        return;
    pools->resize(count);
    for (size_t i = from; i < count; ++i) {
        (*pools)[i].keepTextsIn(arena);
        (*pools)[i].setMaxValues(maxValues);
    }
}

void seedPools(std::vector<ValuePool>* pools, const std::vector<ValuePool>& seed, TextArena* arena,
    int maxValues)
{
    growPools(pools, seed.size(), arena, maxValues);
    for (size_t c = 0; c < seed.size(); ++c) {
        if (seed[c].isRetired())
            (*pools)[c].retire();
        else
            (*pools)[c].setSeed(&seed[c]);
    }
}

void retirePools(std::vector<ValuePool>* pools, const QVector<bool>& columns)
{
    for (int c = 0; c < columns.size() && size_t(c) < pools->size(); ++c) {
        if (columns.at(c))
            (*pools)[size_t(c)].retire();
    }
}

QString ValuePool::intern(const QChar* chars, int count)
{
    return intern(chars, count, count > 0 ? hashCharacters(chars, count) : 0);
}

QString ValuePool::intern(const QChar* chars, int count, uint hash)
{
    if (count <= 0)
        return QString(chars, 0);
    return internChars(chars, count, hash);
}

QString ValuePool::intern(const char* bytes, int count, uint hash)
{
    if (count <= 0)
        return makeText(bytes, 0);
    return internChars(bytes, count, hash);
}

template <typename Char> QString ValuePool::newText(const Char* chars, int count) const
{
    return m_arena ? m_arena->make(chars, count) : makeText(chars, count);
}

// The pool's own table is looked at first, and a value found in the seed is
// taken into it: its next repeats are then found in one probe, in an entry
// whose code belongs to this pool's user (the seed's entries are shared by
// other pools).
template <typename Char>
ValuePool::Entry* ValuePool::entryOf(const Char* chars, int count, uint hash)
{
    if (!countLookup())
        return nullptr;
    Slot& slot = slotFor(chars, count, hash);
    if (!slot.text.isNull())
        return &slot;
    if (const QString* text = seeded(chars, count, hash)) {
        slot.text = *text;
    } else {
        slot.text = newText(chars, count);
        ++m_count;
        m_newCharacters += count;
    }
    slot.keepShort(chars, count);
    slot.hash = hash;
    ++m_used;
    return &slot;
}

ValuePool::Entry* ValuePool::entry(const QChar* chars, int count, uint hash)
{
    return entryOf(chars, count, hash);
}

ValuePool::Entry* ValuePool::entry(const char* bytes, int count, uint hash)
{
    return entryOf(bytes, count, hash);
}

void ValuePool::clearCodes()
{
    for (Slot& slot : m_slots)
        slot.code = 0;
}

template <typename Char> QString ValuePool::internChars(const Char* chars, int count, uint hash)
{
    const Entry* found = entryOf(chars, count, hash);
    return found ? found->text : makeText(chars, count);
}

QString ValuePool::intern(const QString& text)
{
    if (text.isEmpty() || !countLookup())
        return text;
    const uint hash = hashCharacters(text.constData(), text.size());
    if (const QString* seededText = seeded(text.constData(), text.size(), hash))
        return *seededText;
    Slot& slot = slotFor(text.constData(), text.size(), hash);
    if (slot.text.isNull()) {
        slot.text = text;
        if (slot.text.capacity() > slot.text.size())
            slot.text.squeeze();
        slot.keepShort(slot.text.constData(), slot.text.size());
        slot.hash = hash;
        ++m_count;
        ++m_used;
        m_newCharacters += text.size();
    }
    return slot.text;
}
