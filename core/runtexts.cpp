#include "core/runtexts.h"

#include "core/dataset.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Blocks grow from small (a short file, or a chunk of a large one that finds
// nearly all its values among those met before) to a size where the space
// left at the end of each is no concern.
constexpr size_t FirstBlock = 16 * 1024;
constexpr size_t LargestBlock = 1024 * 1024;

size_t bytesFor(int count)
{
    // The header, the characters and the closing null, kept 8-byte aligned.
    const size_t bytes = sizeof(QStringData) + (size_t(count) + 1) * sizeof(ushort);
    return (bytes + 7) & ~size_t(7);
}

} // namespace

TextArena::~TextArena()
{
    for (void* block : m_blocks)
        std::free(block);
}

ushort* TextArena::allocate(int count, QString* text)
{
    const size_t bytes = bytesFor(count);
    if (size_t(m_end - m_next) < bytes) {
        m_blockSize = qMin(LargestBlock, m_blockSize == 0 ? FirstBlock : m_blockSize * 2);
        // A text longer than a block gets one of its own.
        const size_t size = qMax(m_blockSize, bytes);
        void* block = std::malloc(size);
        if (!block)
            throw std::bad_alloc();
        m_blocks.push_back(block);
        m_next = static_cast<char*>(block);
        m_end = m_next + size;
    }
    auto* d = reinterpret_cast<QStringData*>(m_next);
    m_next += bytes;
    // A reference count of -1 and no capacity: a literal's header. Copies
    // share it without counting, and a change makes a text of its own.
    d->ref.atomic.storeRelaxed(-1);
    d->size = count;
    d->alloc = 0;
    d->capacityReserved = 0;
    d->offset = sizeof(QStringData);
    ushort* chars = d->data();
    chars[count] = 0;
    *text = QString(QStringDataPtr { d });
    return chars;
}

QString TextArena::make(const QChar* chars, int count)
{
    QString text;
    std::memcpy(allocate(count, &text), chars, size_t(count) * sizeof(QChar));
    return text;
}

QString TextArena::make(const char* bytes, int count)
{
    QString text;
    ushort* out = allocate(count, &text);
    for (int i = 0; i < count; ++i)
        out[i] = uchar(bytes[i]);
    return text;
}

TextArena* RunTexts::newArena()
{
    const std::lock_guard<std::mutex> guard(m_guard);
    m_arenas.emplace_back();
    return &m_arenas.back();
}
