#pragma once

// Working something out once per distinct stored value of a column instead
// of once per cell.
//
// Values repeated in a column share their text (a repeating column keeps
// each distinct text once), so the storage identifies the value: a country,
// a date or a year read once stands for every cell that holds it. The
// storage is known from the cell alone, without touching the text, which for
// millions of values scattered in memory is most of the cost. Equal texts
// stored apart are merely worked out twice.
//
// A column that hardly repeats (ids, amounts) gains nothing from the index
// and pays for its look-ups, so once enough cells have been seen and most
// were new, the index is dropped and every cell is simply worked out.
//
// The cache holds on to each text it has seen, so that its storage cannot be
// freed and reused by another text while the cache lives: cells may come
// from rows made and dropped one at a time.

#include "core/prefetch.h"
#include "core/storedtexttable.h"

#include "core/textcolumn.h"

#include <QString>
#include <QVector>

#include <vector>

// A cell read as a number.
struct ReadNumber
{
    double value = 0.0;
    bool ok = false;
};

// A text's shared block, read from the QString itself: its address needs no
// visit to the block, which for a value not seen before would be one more
// trip to memory.
inline const void* storageOf(const QString& value)
{
    return const_cast<QString&>(value).data_ptr();
}

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
        const void* storage = storageOf(value);
        const T* known = m_table.find(storage);
        const T result = known ? *known : compute(value);
        if (!known) {
            m_table.insert(storage, result);
            m_texts.append(value);
        }
        if (m_trial.givesUp(m_table.size())) {
            m_indexing = false;
            m_table = StoredTextTable<T>();
            m_texts = QVector<QString>();
        }
        return result;
    }
    // A cell's result: once per stored value where the column keeps shared
    // texts; a column of mostly different values has none to know a value
    // by, so its cell is worked out each time, read into scratch without a
    // copy of its own.
    template <typename Compute>
    T getCell(const TextColumn& column, int row, QString& scratch, const Compute& compute)
    {
        if (const QString* stored = column.storedText(row))
            return get(*stored, compute);
        return compute(column.text(row, scratch));
    }
    // Asks for the value's slot a few cells before get(): over a column of
    // many distinct values the table outgrows the cache, and the look-ups
    // would otherwise wait one after the other. (Once the index is given up
    // the slot asked for is in an empty table: harmless.)
    void prefetch(const QString& value) const { m_table.prefetch(storageOf(value)); }

private:
    StoredTextTable<T> m_table;
    QVector<QString> m_texts;
    StoredTextTrial m_trial;
    bool m_indexing = true;
};
