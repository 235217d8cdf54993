#include "core/textcolumn.h"

#include "core/prefetch.h"
#include "core/textcolumndata.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace TextStore;

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
        to.codes.appendMapped(from.codes, codeOf);
    } else if (!from.coded) {
        const quint64 blocksBefore = to.blocks.size();
        to.blocks.insert(to.blocks.end(), from.blocks.begin(), from.blocks.end());
        to.places.appendShifted(from.places, blocksBefore, to.blocks.size());
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
    to.startGatherOf(*d, count);
    if (d->coded) {
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
        to.copyRows(*d, rows, count);
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
