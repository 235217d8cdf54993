#include "transforms/support/rowgroups.h"

#include "core/dataset.h"
#include "core/prefetch.h"

#include <QHash>

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

// Whether nothing in the options changes a value before it is compared:
// then the row's own values are compared, with no copies made.
bool comparesAsStored(const KeyOptions& options)
{
    return options.caseSensitive && !options.ignoreSpaces && !options.ignorePunctuation;
}

// A row's key columns hashed and compared without copies of their texts: a
// repeating column's value is hashed once per distinct code, the others
// read through a scratch text. Equal texts may have different codes (a
// reader's values stored apart), so codes only ever shortcut a comparison,
// and hashes come from the texts.
class RowKeys
{
public:
    RowKeys(const Dataset& dataset, const QVector<int>& columns, const KeyOptions& options)
        : m_options(options), m_asStored(comparesAsStored(options))
    {
        for (int c : columns) {
            Column& key = m_columns.emplace_back();
            key.column = &dataset.column(c);
            if (key.column->isCoded())
                key.hashOfCode.assign(size_t(key.column->codeCount()), Unknown);
        }
    }

    uint hash(int row)
    {
        quint64 hash = 0x9E3779B97F4A7C15ULL;
        for (Column& key : m_columns) {
            hash = (hash ^ valueHash(key, row)) * 0xff51afd7ed558ccdULL;
            hash ^= hash >> 29;
        }
        return uint(hash ^ (hash >> 32));
    }

    bool same(int a, int b)
    {
        for (Column& key : m_columns) {
            const TextColumn& column = *key.column;
            if (column.isCoded() && column.code(a) == column.code(b))
                continue;
            const QString& x = column.text(a, key.scratch);
            const QString& y = column.text(b, m_otherScratch);
            if (m_asStored ? x != y : keyValue(x, m_options) != keyValue(y, m_options))
                return false;
        }
        return true;
    }

private:
    static constexpr quint64 Unknown = ~quint64(0);
    struct Column
    {
        const TextColumn* column = nullptr;
        std::vector<quint64> hashOfCode;
        QString scratch;
    };

    uint textHash(const QString& text) const
    {
        return m_asStored ? qHash(text) : qHash(keyValue(text, m_options));
    }
    quint64 valueHash(Column& key, int row)
    {
        if (key.hashOfCode.empty()) {
            // Equal texts keep equal bytes in a column of plain texts:
            // compared as stored, they are hashed as kept, not read out.
            if (!m_asStored)
                return textHash(key.column->text(row, key.scratch));
            const std::string_view bytes = key.column->storedBytes(row);
            return qHashBits(bytes.data(), bytes.size());
        }
        quint64& known = key.hashOfCode[key.column->code(row)];
        if (known == Unknown)
            known = textHash(key.column->text(row, key.scratch));
        return known;
    }

    KeyOptions m_options;
    bool m_asStored;
    std::vector<Column> m_columns;
    QString m_otherScratch;
};

// The first row of every distinct key, found by the key's hash in a flat
// open-addressed table. A slot is the hash and the row, so a million
// distinct keys take 16 MB, where a hash of key texts would take hundreds.
class FirstRows
{
public:
    // The first row with the same key as this row, or -1 when the row is the
    // first of its key (it is then recorded as such).
    template <typename Same> int find(uint hash, int row, const Same& sameAs)
    {
        if (size_t(m_count + 1) * 2 > m_slots.size())
            grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t i = spread(hash) & mask;; i = (i + 1) & mask) {
            Slot& slot = m_slots[i];
            if (slot.row < 0) {
                slot = Slot { hash, row };
                ++m_count;
                return -1;
            }
            if (slot.hash == hash && sameAs(slot.row))
                return slot.row;
        }
    }
    // Asks for the slot of a hash a few rows before find().
    void prefetch(uint hash) const
    {
        if (!m_slots.empty())
            prefetchLine(&m_slots[spread(hash) & (m_slots.size() - 1)]);
    }

private:
    struct Slot
    {
        uint hash = 0;
        int row = -1;
    };

    // Linear probing wants the low bits well mixed.
    static size_t spread(uint hash)
    {
        return size_t((quint64(hash) * 0x9E3779B97F4A7C15ULL) >> 32);
    }

    void grow()
    {
        std::vector<Slot> old(std::max<size_t>(1024, m_slots.size() * 2));
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (slot.row < 0)
                continue;
            size_t i = spread(slot.hash) & mask;
            while (m_slots[i].row >= 0)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    int m_count = 0;
};

// Adds the next row to the group; returns the group.
int joinGroup(RowGroups& groups, int g)
{
    groups.group.append(g);
    ++groups.sizes[g];
    return g;
}

} // namespace

void RowGroups::members(QVector<int>& rows, QVector<int>& starts) const
{
    starts.resize(groupCount() + 1);
    int start = 0;
    for (int g = 0; g < groupCount(); ++g) {
        starts[g] = start;
        start += sizes.at(g);
    }
    starts[groupCount()] = start;
    QVector<int> next(starts);
    rows.resize(group.size());
    for (int r = 0; r < group.size(); ++r)
        rows[next[group.at(r)]++] = r;
}

QString keyValue(const QString& value, const KeyOptions& options)
{
    QString v = options.caseSensitive ? value : value.toLower();
    if (!options.ignoreSpaces && !options.ignorePunctuation)
        return v;
    const auto dropped = [&options](QChar c) {
        return (options.ignoreSpaces && c.isSpace()) || (options.ignorePunctuation && c.isPunct());
    };
    if (std::none_of(v.cbegin(), v.cend(), dropped))
        return v;
    QString kept;
    kept.reserve(v.size());
    for (QChar c : qAsConst(v)) {
        if (!dropped(c))
            kept.append(c);
    }
    return kept;
}

namespace {

// Puts the row in the group of its key, found by the key's hash; returns the
// group.
int placeRow(int r, uint hash, RowKeys& keys, RowGroups& groups, FirstRows& firstRows)
{
    const int first = firstRows.find(hash, r, [&](int other) { return keys.same(other, r); });
    if (first >= 0)
        return joinGroup(groups, groups.group.at(first));
    groups.firstRow.append(r);
    groups.sizes.append(0);
    return joinGroup(groups, groups.sizes.size() - 1);
}

// Groups the rows by their keys' hashes. A key whose texts are mostly new
// (e-mail addresses) waits for its slot in a table too large for the cache:
// each hash is worked out HashAhead rows before its look-up, its slot asked
// for meanwhile.
bool groupByHash(const Dataset& dataset, RowKeys& keys, RowGroups& groups, FirstRows& firstRows,
    const GroupProgress& progress)
{
    constexpr int HashAhead = 8;
    const int rows = dataset.rowCount();
    uint hashes[HashAhead];
    for (int r = 0; r < qMin(rows, HashAhead); ++r)
        hashes[r % HashAhead] = keys.hash(r);
    for (int r = 0; r < rows; ++r) {
        if (progress && !progress(r, rows))
            return false;
        const uint hash = hashes[r % HashAhead];
        if (r + HashAhead < rows) {
            const uint next = keys.hash(r + HashAhead);
            hashes[r % HashAhead] = next;
            firstRows.prefetch(next);
        }
        placeRow(r, hash, keys, groups, firstRows);
    }
    return true;
}

} // namespace

bool groupRows(const Dataset& dataset, const QVector<int>& columns, const KeyOptions& options,
    RowGroups& groups, const GroupProgress& progress)
{
    const int rows = dataset.rowCount();
    groups = RowGroups();
    groups.group.reserve(rows);
    FirstRows firstRows;
    RowKeys keys(dataset, columns, options);
    if (columns.size() != 1)
        return groupByHash(dataset, keys, groups, firstRows, progress);
    // A one-column key of a repeating column is known by its value's code:
    // the same text is the same key, whatever the options make of it, so
    // its group needs no hashing or comparing.
    const TextColumn& key = dataset.column(columns.first());
    if (!key.isCoded())
        return groupByHash(dataset, keys, groups, firstRows, progress);
    QVector<int> groupOfCode(key.codeCount(), -1);
    for (int r = 0; r < rows; ++r) {
        if (progress && !progress(r, rows))
            return false;
        int& known = groupOfCode[int(key.code(r))];
        if (known >= 0) {
            joinGroup(groups, known);
        } else {
            known = placeRow(r, keys.hash(r), keys, groups, firstRows);
        }
    }
    return true;
}

void BlockGroups::startBlock(const Dataset& rows)
{
    m_rows += rows.rowCount();
    const bool coded = m_columns.size() == 1 && rows.column(m_columns.first()).isCoded();
    m_byCode.assign(coded ? size_t(rows.column(m_columns.first()).codeCount()) : 0, -1);
}

int BlockGroups::groupOf(const Dataset& rows, int row, bool* isNew)
{
    *isNew = false;
    const TextColumn* single = m_byCode.empty() ? nullptr : &rows.column(m_columns.first());
    if (single && m_byCode[single->code(row)] >= 0)
        return m_byCode[single->code(row)];
    QString key;
    for (int c : qAsConst(m_columns)) {
        const QString value = keyValue(rows.text(row, c, m_scratch), m_options);
        // Lengths keep "a:b" + "c" apart from "a" + "b:c".
        key += m_columns.size() == 1 ? value
                                     : QString::number(value.size()) + QLatin1Char(':') + value;
    }
    auto it = m_groupOf.find(key);
    if (it == m_groupOf.end()) {
        it = m_groupOf.insert(key, m_groupOf.size());
        *isNew = true;
    }
    if (single)
        m_byCode[single->code(row)] = it.value();
    return it.value();
}

QVector<QString> BlockGroups::keys() const
{
    QVector<QString> keys(m_groupOf.size());
    for (auto it = m_groupOf.cbegin(); it != m_groupOf.cend(); ++it)
        keys[it.value()] = it.key();
    return keys;
}

void BlockGroups::clearGroups()
{
    m_groupOf.clear();
    std::fill(m_byCode.begin(), m_byCode.end(), -1);
}
