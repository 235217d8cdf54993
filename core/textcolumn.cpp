#include "core/textcolumn.h"

#include "core/codeindex.h"
#include "core/codevector.h"
#include "core/prefetch.h"
#include "core/storedtexttable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Copies of a static text share it without counting references, so every
// empty cell handed out costs nothing.
const QString& emptyText()
{
    static const QString empty = QStringLiteral("");
    return empty;
}

// A column offered this many values while most of them were new is taken
// for one of mostly different values and stops looking for repeats.
constexpr int TrialValues = 20000;

// Blocks grow from small (a table of three rows should not take a megabyte
// per column) to this size; a longer text gets a block of its own size.
constexpr size_t SmallestBlock = 256;
// Slots of the look-up by storage (see TextColumn::Data::byStorage).
constexpr int StorageBits = 12;
constexpr int StorageAfter = 64;
// A chunk's column starts small: a wide file has many.
constexpr size_t PooledFirstSlots = 16;
constexpr size_t LargestBlock = size_t(1) << 20;

// A place is the block (counted from 1, so that 0 is the empty text) and
// the position of the text in it.
constexpr int PositionBits = PlaceVector::PositionBits;
constexpr quint64 PositionMask = (quint64(1) << PositionBits) - 1;

// A text in a block starts with its length and width (length * 2 + 1 for
// two bytes per character) written 7 bits per byte, lowest first.
int headerSize(quint64 header)
{
    int n = 1;
    while (header >= 0x80) {
        header >>= 7;
        ++n;
    }
    return n;
}

char* writeHeader(char* out, quint64 header)
{
    while (header >= 0x80) {
        *out++ = char(quint8(header) | 0x80);
        header >>= 7;
    }
    *out++ = char(header);
    return out;
}

const char* readHeader(const char* in, quint64* header)
{
    quint64 value = 0;
    int shift = 0;
    quint8 byte;
    do {
        byte = quint8(*in++);
        value |= quint64(byte & 0x7f) << shift;
        shift += 7;
    } while (byte & 0x80);
    *header = value;
    return in;
}

// Room for more at the end of a list that keeps growing: reserving just
// enough each time would copy the whole list at every step.
template <typename List> void grow(List& list, size_t more)
{
    if (list.size() + more > list.capacity())
        list.reserve(std::max(list.size() + more, list.capacity() * 2));
}

QString textOf(const QChar* chars, int count)
{
    return QString(chars, count);
}

QString textOf(const char* latin1, int count)
{
    return QString::fromLatin1(latin1, count);
}

bool isNarrow(const QChar* chars, int count)
{
    const ushort* units = reinterpret_cast<const ushort*>(chars);
    ushort any = 0;
    for (int i = 0; i < count; ++i)
        any |= units[i];
    return any < 0x100;
}

} // namespace

struct TextColumn::Block
{
    explicit Block(size_t size) : bytes(static_cast<char*>(std::malloc(size))), capacity(size)
    {
        if (!bytes)
            throw std::bad_alloc();
    }
    ~Block() { std::free(bytes); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    // Gives the room after the texts back (in place, by the allocator).
    void shrink()
    {
        if (used == capacity || used == 0)
            return;
        if (char* smaller = static_cast<char*>(std::realloc(bytes, used))) {
            bytes = smaller;
            capacity = used;
        }
    }
    char* bytes;
    size_t used = 0;
    size_t capacity;
};

struct TextColumn::Data : public QSharedData
{
    bool pooling = true;
    bool coded = true;
    int rows = 0;

    // A coded column: a code per row into the distinct texts (code 0 is the
    // empty text), and the look-up from text to code used to add values.
    CodeVector codes;
    QVector<QString> dictionary { emptyText() };
    CodeIndex index;
    bool indexed = true;
    int offered = 0;
    // Codes by the storage of texts added before: a reader hands its
    // repeated values over as one shared text each, found here without
    // hashing its characters. A slot is trusted only when the dictionary's
    // text still has that storage (it holds on to it).
    std::vector<quint32> byStorage;
    // For texts of a pool (see appendPooled): codes by storage alone. Not
    // copied with the column (a copy that adds pooled texts starts anew).
    struct PooledCodes
    {
        PooledCodes() = default;
        PooledCodes(const PooledCodes&) { }
        PooledCodes& operator=(const PooledCodes&)
        {
            map.reset();
            return *this;
        }
        std::unique_ptr<StoredTextTable<quint32>> map;
    } pooled;

    // A column of plain texts: a place per row into the blocks.
    PlaceVector places;
    std::vector<std::shared_ptr<Block>> blocks;
    qint64 written = 0;
    qint64 unused = 0;

    // Where a plain text lies: its first character and its header.
    const char* entry(quint64 place, quint64* header) const
    {
        const Block& block = *blocks[size_t((place >> PositionBits) - 1)];
        return readHeader(block.bytes + (place & PositionMask), header);
    }
    // The bytes of a plain text, header included.
    size_t entrySize(quint64 place) const
    {
        quint64 header = 0;
        const char* chars = entry(place, &header);
        const size_t count = size_t(header >> 1) * ((header & 1) ? 2 : 1);
        return size_t(chars - entryStart(place)) + count;
    }
    const char* entryStart(quint64 place) const
    {
        return blocks[size_t((place >> PositionBits) - 1)]->bytes + (place & PositionMask);
    }

    // Room for bytes more at the end of the last block, which is written
    // only while this column alone holds it.
    char* room(size_t bytes, quint64* place)
    {
        Block* last = blocks.empty() ? nullptr : blocks.back().get();
        if (!last || blocks.back().use_count() != 1 || last->capacity - last->used < bytes) {
            const size_t previous = last ? last->capacity : SmallestBlock / 2;
            const size_t size
                = std::max(bytes, std::min(LargestBlock, std::max(SmallestBlock, previous * 2)));
            blocks.push_back(std::make_shared<Block>(size));
            last = blocks.back().get();
        }
        *place = (quint64(blocks.size()) << PositionBits) | quint64(last->used);
        char* out = last->bytes + last->used;
        last->used += bytes;
        written += qint64(bytes);
        return out;
    }

    quint64 writeText(const QChar* chars, int count)
    {
        if (count == 0)
            return 0;
        const bool narrow = isNarrow(chars, count);
        const quint64 header = (quint64(count) << 1) | (narrow ? 0 : 1);
        const size_t size = size_t(headerSize(header)) + size_t(count) * (narrow ? 1 : 2);
        quint64 place = 0;
        char* out = writeHeader(room(size, &place), header);
        if (narrow) {
            for (int i = 0; i < count; ++i)
                out[i] = char(chars[i].unicode());
        } else {
            std::memcpy(out, chars, size_t(count) * 2);
        }
        return place;
    }

    // The same for Latin-1 text still in its bytes (a reader's buffer).
    quint64 writeText(const char* bytes, int count)
    {
        if (count == 0)
            return 0;
        const quint64 header = quint64(count) << 1;
        quint64 place = 0;
        char* out = writeHeader(room(size_t(headerSize(header)) + size_t(count), &place), header);
        std::memcpy(out, bytes, size_t(count));
        return place;
    }

    // A plain text of another column copied as it lies.
    quint64 copyEntry(const Data& from, quint64 place)
    {
        if (place == 0)
            return 0;
        const size_t size = from.entrySize(place);
        quint64 mine = 0;
        std::memcpy(room(size, &mine), from.entryStart(place), size);
        return mine;
    }

    void fillText(quint64 place, QString& out) const
    {
        if (place == 0) {
            out.resize(0);
            return;
        }
        quint64 header = 0;
        const char* chars = entry(place, &header);
        const int count = int(header >> 1);
        out.resize(count);
        QChar* target = out.data();
        if (header & 1) {
            std::memcpy(static_cast<void*>(target), chars, size_t(count) * 2);
        } else {
            ushort* units = reinterpret_cast<ushort*>(target);
            for (int i = 0; i < count; ++i)
                units[i] = quint8(chars[i]);
        }
    }

    // Whether a new value now shows that the column's values hardly repeat.
    bool givesUp() const { return offered >= TrialValues && dictionary.size() * 2 > offered; }

    void buildIndex()
    {
        index.rebuild(dictionary);
        indexed = true;
    }

    static size_t storageSlot(const void* storage)
    {
        return size_t((quint64(quintptr(storage)) * 0x9E3779B97F4A7C15ull) >> (64 - StorageBits));
    }

    // The code of a text, added when new; false when the column has shown
    // that its values hardly repeat (it should then keep plain texts).
    bool codeOf(const QString& text, quint32* code)
    {
        if (text.isEmpty()) {
            *code = 0;
            return true;
        }
        const void* storage = const_cast<QString&>(text).data_ptr();
        // Made once the column has had a few values: a table of very many
        // columns and few rows would otherwise pay its size per column.
        if (byStorage.empty() && offered >= StorageAfter)
            byStorage.resize(size_t(1) << StorageBits, 0);
        quint32 none = 0;
        quint32& slot = byStorage.empty() ? none : byStorage[storageSlot(storage)];
        if (slot != 0 && const_cast<QString&>(dictionary.at(int(slot))).data_ptr() == storage) {
            ++offered;
            *code = slot;
            return true;
        }
        if (!indexed)
            buildIndex();
        ++offered;
        if (const quint32 found = index.find(text, dictionary)) {
            *code = found;
            if (const_cast<QString&>(dictionary.at(int(*code))).data_ptr() == storage)
                slot = *code;
            return true;
        }
        if (givesUp())
            return false;
        QString stored = text;
        // A text as a cell keeps it: without spare capacity.
        if (stored.capacity() > stored.size())
            stored.squeeze();
        *code = quint32(dictionary.size());
        dictionary.append(stored);
        index.insert(*code, dictionary);
        if (const_cast<QString&>(stored).data_ptr() == storage)
            slot = *code;
        return true;
    }
};

TextColumn::TextColumn(bool pooling) : d(new Data)
{
    d->pooling = pooling;
    d->coded = pooling;
}

TextColumn::~TextColumn() = default;
TextColumn::TextColumn(const TextColumn& other) = default;
TextColumn::TextColumn(TextColumn&& other) noexcept = default;
TextColumn& TextColumn::operator=(const TextColumn& other) = default;
TextColumn& TextColumn::operator=(TextColumn&& other) noexcept = default;

int TextColumn::size() const
{
    return d->rows;
}

bool TextColumn::isCoded() const
{
    return d->coded;
}

QString TextColumn::value(int row) const
{
    if (d->coded)
        return d->dictionary.at(int(d->codes[size_t(row)]));
    const quint64 place = d->places[size_t(row)];
    if (place == 0)
        return emptyText();
    QString text;
    d->fillText(place, text);
    return text;
}

bool TextColumn::isEmpty(int row) const
{
    return d->coded ? d->codes[size_t(row)] == 0 : d->places[size_t(row)] == 0;
}

int TextColumn::length(int row) const
{
    if (d->coded)
        return d->dictionary.at(int(d->codes[size_t(row)])).size();
    const quint64 place = d->places[size_t(row)];
    if (place == 0)
        return 0;
    quint64 header = 0;
    d->entry(place, &header);
    return int(header >> 1);
}

const QString& TextColumn::text(int row, QString& scratch) const
{
    if (d->coded)
        return d->dictionary.at(int(d->codes[size_t(row)]));
    d->fillText(d->places[size_t(row)], scratch);
    return scratch;
}

const QString* TextColumn::storedText(int row) const
{
    return d->coded ? &d->dictionary.at(int(d->codes[size_t(row)])) : nullptr;
}

std::string_view TextColumn::storedBytes(int row) const
{
    if (d->coded)
        return {};
    const quint64 place = d->places[size_t(row)];
    if (place == 0)
        return {};
    return { d->entryStart(place), d->entrySize(place) };
}

bool TextColumn::narrowText(int row, std::string_view* chars) const
{
    if (d->coded)
        return false;
    const quint64 place = d->places[size_t(row)];
    if (place == 0) {
        *chars = {};
        return true;
    }
    quint64 header = 0;
    const char* start = d->entry(place, &header);
    if (header & 1)
        return false;
    *chars = { start, size_t(header >> 1) };
    return true;
}

quint32 TextColumn::code(int row) const
{
    return d->coded ? d->codes[size_t(row)] : quint32(row) + 1;
}

int TextColumn::codeCount() const
{
    return d->coded ? d->dictionary.size() : d->rows + 1;
}

void TextColumn::prefetch(int row) const
{
    if (row >= d->rows)
        return;
    if (d->coded) {
        prefetchLine(const_cast<QString&>(d->dictionary.at(int(d->codes[size_t(row)]))).data_ptr());
        return;
    }
    const quint64 place = d->places[size_t(row)];
    if (place != 0)
        prefetchLine(d->entryStart(place));
}

bool TextColumn::inReadOrder(int from, int to) const
{
    const Data& data = *d;
    to = qMin(to, data.rows);
    if (data.coded || from < 0 || to - from < 2)
        return false;
    constexpr qint64 Samples = 32;
    const qint64 step = qMax<qint64>(1, (qint64(to) - from) / Samples);
    quint64 last = 0;
    for (qint64 r = from; r < to; r += step) {
        const quint64 place = data.places[size_t(r)];
        // An empty cell has no place.
        if (place == 0)
            continue;
        if (place < last)
            return false;
        last = place;
    }
    return true;
}

void TextColumn::prefetchEntry(int row) const
{
    if (row < d->rows && d->coded)
        prefetchLine(d->dictionary.constData() + d->codes[size_t(row)]);
}

void TextColumn::reserve(int rows)
{
    if (d->coded)
        d->codes.reserve(size_t(rows));
    else
        d->places.reserve(size_t(rows));
}

void TextColumn::append(const QString& text)
{
    if (d->coded) {
        quint32 code = 0;
        if (d->codeOf(text, &code)) {
            d->codes.push_back(code);
            ++d->rows;
            return;
        }
        toPlain();
    }
    d->places.push_back(d->writeText(text.constData(), text.size()));
    ++d->rows;
}

template <typename Char> void TextColumn::appendChars(const Char* chars, int count)
{
    // A column still finding out whether its values repeat needs the text.
    if (d->coded) {
        append(textOf(chars, count));
        return;
    }
    d->places.push_back(d->writeText(chars, count));
    ++d->rows;
}

void TextColumn::append(const QChar* chars, int count)
{
    appendChars(chars, count);
}

void TextColumn::appendLatin1(const char* bytes, int count)
{
    appendChars(bytes, count);
}

quint32 TextColumn::appendPooled(const QString& text)
{
    if (!d->coded || text.isEmpty()) {
        append(text);
        return 0;
    }
    Data& data = *d;
    if (!data.pooled.map)
        data.pooled.map = std::make_unique<StoredTextTable<quint32>>(PooledFirstSlots);
    const void* storage = const_cast<QString&>(text).data_ptr();
    ++data.offered;
    const quint32* known = data.pooled.map->find(storage);
    quint32 code = known ? *known : 0;
    if (code == 0) {
        if (data.givesUp()) {
            toPlain();
            append(text);
            return 0;
        }
        code = quint32(data.dictionary.size());
        data.dictionary.append(text);
        data.pooled.map->insert(storage, code);
        // The look-up by text no longer holds every code.
        data.index.clear();
        data.indexed = false;
    }
    data.codes.push_back(code);
    ++data.rows;
    return code;
}

bool TextColumn::appendCode(quint32 code, int count)
{
    Data& data = *d;
    if (!data.coded)
        return false;
    data.offered += count;
    data.codes.append(code, size_t(count));
    data.rows += count;
    return true;
}

void TextColumn::appendEmpty(int count)
{
    if (count <= 0)
        return;
    // One cell at a time is how readers add a row's missing values, and a
    // resize costs a call where a push does not.
    if (d->coded)
        count == 1 ? d->codes.push_back(0) : d->codes.resize(d->codes.size() + size_t(count));
    else
        count == 1 ? d->places.push_back(0) : d->places.resize(d->places.size() + size_t(count));
    d->rows += count;
}

void TextColumn::appendColumn(const TextColumn& other)
{
    const Data& from = *other.d;
    if (from.rows == 0)
        return;
    if (d->rows == 0 && d->pooling == from.pooling) {
        d = other.d;
        return;
    }
    // The other column has shown its values hardly repeat: so will this.
    if (d->coded && !from.coded)
        toPlain();
    Data& to = *d;
    if (to.coded) {
        // Each distinct value is looked up once.
        std::vector<quint32> codeOf(size_t(from.dictionary.size()), 0);
        for (int i = 1; i < from.dictionary.size(); ++i) {
            if (!to.codeOf(from.dictionary.at(i), &codeOf[size_t(i)])) {
                toPlain();
                appendColumn(other);
                return;
            }
        }
        grow(to.codes, from.codes.size());
        for (size_t r = 0; r < from.codes.size(); ++r)
            to.codes.push_back(codeOf[from.codes[r]]);
    } else if (!from.coded) {
        const quint64 shift = quint64(to.blocks.size()) << PositionBits;
        to.blocks.insert(to.blocks.end(), from.blocks.begin(), from.blocks.end());
        grow(to.places, from.places.size());
        for (size_t r = 0; r < from.places.size(); ++r) {
            const quint64 place = from.places[r];
            to.places.push_back(place == 0 ? 0 : place + shift);
        }
        to.written += from.written;
        to.unused += from.unused;
    } else {
        // Plain texts from codes: each distinct text written once.
        std::vector<quint64> placeOf(size_t(from.dictionary.size()), 0);
        for (int i = 1; i < from.dictionary.size(); ++i) {
            const QString& text = from.dictionary.at(i);
            placeOf[size_t(i)] = to.writeText(text.constData(), text.size());
        }
        grow(to.places, from.codes.size());
        for (size_t r = 0; r < from.codes.size(); ++r)
            to.places.push_back(placeOf[from.codes[r]]);
    }
    to.rows += from.rows;
}

void TextColumn::set(int row, const QString& text)
{
    if (d->coded) {
        quint32 code = 0;
        if (d->codeOf(text, &code)) {
            d->codes.set(size_t(row), code);
            return;
        }
        toPlain();
    }
    const quint64 old = d->places[size_t(row)];
    if (old != 0)
        d->unused += qint64(d->entrySize(old));
    d->places.set(size_t(row), d->writeText(text.constData(), text.size()));
    compactIfWasteful();
}

void TextColumn::insert(int row, const QString& text)
{
    append(text);
    if (d->coded)
        d->codes.moveLastTo(size_t(row));
    else
        d->places.moveLastTo(size_t(row));
}

void TextColumn::remove(int row)
{
    if (d->coded) {
        d->codes.erase(size_t(row));
    } else {
        const quint64 old = d->places[size_t(row)];
        if (old != 0)
            d->unused += qint64(d->entrySize(old));
        d->places.erase(size_t(row));
    }
    --d->rows;
}

void TextColumn::resize(int rows)
{
    if (rows >= d->rows) {
        appendEmpty(rows - d->rows);
        return;
    }
    if (d->coded) {
        d->codes.resize(size_t(rows));
    } else {
        for (size_t r = size_t(rows); r < d->places.size(); ++r) {
            if (d->places[r] != 0)
                d->unused += qint64(d->entrySize(d->places[r]));
        }
        d->places.resize(size_t(rows));
    }
    d->rows = rows;
}

TextColumn TextColumn::gathered(const int* rows, int count) const
{
    TextColumn out(d->pooling);
    Data& to = *out.d;
    to.rows = count;
    to.coded = d->coded;
    if (d->coded) {
        to.dictionary = d->dictionary;
        // Rebuilt if the copy is ever added to: most never are, and it
        // would double the index of every coded column a sort or join copies.
        to.indexed = false;
        to.offered = d->offered;
        to.codes.gather(d->codes, rows, count);
        return out;
    }
    // Most rows kept (a sort, a join): the texts are shared. A few kept (a
    // filter): they are copied, so that the rest can be let go.
    if (qint64(count) * 2 >= d->rows) {
        to.blocks = d->blocks;
        to.written = d->written;
        to.unused = d->unused;
        to.places.gather(d->places, rows, count);
    } else {
        to.places.resize(size_t(count));
        for (int i = 0; i < count; ++i)
            to.places.set(
                size_t(i), rows[i] < 0 ? 0 : to.copyEntry(*d, d->places[size_t(rows[i])]));
    }
    return out;
}

void TextColumn::squeeze()
{
    const Data* data = d.constData();
    const bool lastBlockOwned = !data->blocks.empty() && data->blocks.back().use_count() == 1
        && data->blocks.back()->used < data->blocks.back()->capacity;
    const bool spare = data->codes.capacity() > data->codes.size()
        || data->places.capacity() > data->places.size();
    if (!lastBlockOwned && !spare)
        return;
    Data& own = *d;
    if (lastBlockOwned && own.blocks.back().use_count() == 1)
        own.blocks.back()->shrink();
    own.codes.shrink_to_fit();
    own.places.shrink_to_fit();
}

void TextColumn::dropIndex()
{
    // A column shared with another table is left as it is: a copy of its
    // codes to let go of a look-up table would cost more than it frees.
    const Data* data = d.constData();
    if (!data->coded || !data->indexed || data->ref.loadRelaxed() > 1)
        return;
    d->index.clear();
    d->indexed = false;
}

bool TextColumn::sameValues(const TextColumn& other) const
{
    if (d == other.d)
        return true;
    if (d->rows != other.d->rows)
        return false;
    QString a;
    QString b;
    for (int r = 0; r < d->rows; ++r) {
        if (text(r, a) != other.text(r, b))
            return false;
    }
    return true;
}

qint64 TextColumn::bytesUsed() const
{
    qint64 bytes = qint64(d->codes.capacity()) * d->codes.width()
        + qint64(d->places.capacity()) * d->places.width();
    for (const auto& block : d->blocks)
        bytes += qint64(block->capacity);
    for (const QString& text : d->dictionary)
        bytes += 24 + qint64(text.size()) * 2;
    return bytes;
}

void TextColumn::keepPlainTexts()
{
    if (d->coded)
        toPlain();
}

// A column that has shown its values hardly repeat keeps plain texts from
// now on: the codes so far become places.
void TextColumn::toPlain()
{
    Data& data = *d;
    data.places.reserve(std::max(data.codes.capacity(), data.codes.size() * 2));
    for (size_t r = 0; r < data.codes.size(); ++r) {
        const QString& text = data.dictionary.at(int(data.codes[r]));
        data.places.push_back(data.writeText(text.constData(), text.size()));
    }
    data.codes.release();
    std::vector<quint32>().swap(data.byStorage);
    data.pooled.map.reset();
    data.dictionary = QVector<QString> { emptyText() };
    data.index.clear();
    data.coded = false;
}

// Changed cells leave their old texts behind; once those are most of the
// blocks, the live texts are copied into new ones.
void TextColumn::compactIfWasteful()
{
    Data& data = *d;
    if (data.unused < qint64(LargestBlock) || data.unused * 2 < data.written)
        return;
    Data fresh;
    fresh.pooling = data.pooling;
    fresh.coded = false;
    fresh.rows = data.rows;
    fresh.places.reserve(data.places.size());
    for (size_t r = 0; r < data.places.size(); ++r)
        fresh.places.push_back(fresh.copyEntry(data, data.places[r]));
    data.places.swap(fresh.places);
    data.blocks.swap(fresh.blocks);
    data.written = fresh.written;
    data.unused = 0;
}
