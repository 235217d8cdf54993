#pragma once

// A column's cells read as numbers into flat per-row lists, each distinct
// stored value read once. Aggregating steps read the whole column first and
// add up from the lists: the reading is the costly part (a column of amounts
// holds hundreds of thousands of distinct texts), and on its own it can be
// shared by two threads, each reading half of the rows with its own cache.
// A value is a function of its text alone, so the lists are the same on one
// thread or two.

#include "core/dataset.h"
#include "core/parallel.h"
#include "core/rowprefetch.h"
#include "core/values.h"
#include "transforms/support/storedvalues.h"

#include <QLocale>

#include <string_view>
#include <vector>

struct ColumnNumbers
{
    std::vector<double> values;
    std::vector<char> ok;
};

// read(text, locale) gives a ReadNumber and must be safe to call from two
// threads. Each thread passes its own copy of the default locale: making
// one per cell would count references on the one shared locale from both
// threads, a cache line passed back and forth at every value. With
// plainDecimals, read() gives for a plain decimal what toNumber() gives, so
// a cell of plain one-byte texts that is one is read from its bytes first,
// without making a text.
template <typename Read>
ColumnNumbers readColumnNumbers(
    const Dataset& data, int column, const Read& read, bool plainDecimals = false)
{
    const int rows = data.rowCount();
    ColumnNumbers numbers;
    numbers.values.resize(size_t(rows));
    numbers.ok.resize(size_t(rows));
    if (rows == 0)
        return numbers;
    const TextColumn& cells = data.column(column);
    const auto part = [&](int begin, int end) {
        PerStoredValue<ReadNumber> cache;
        QString scratch;
        const QLocale locale;
        const QChar point = locale.decimalPoint();
        const auto readOne = [&](const QString& text) { return read(text, locale); };
        std::string_view bytes;
        for (int r = begin; r < end; ++r) {
            if (const QString* next = RowPrefetch::cellAhead(data, r, column))
                cache.prefetch(*next);
            ReadNumber n;
            n.ok = plainDecimals && cells.narrowText(r, &bytes)
                && readPlainDecimal(bytes, point, &n.value);
            if (!n.ok)
                n = cache.getCell(cells, r, scratch, readOne);
            numbers.values[size_t(r)] = n.value;
            numbers.ok[size_t(r)] = n.ok;
        }
    };
    const int middle = rows / 2;
    Parallel::both(
        Parallel::worthSplitting(rows), [&] { part(0, middle); }, [&] { part(middle, rows); });
    return numbers;
}

// The cells as toNumber() reads them (currency signs ignored, an empty cell
// no number): a column of amounts, most of them plain decimals kept as
// bytes, is read without making a text of each.
inline ColumnNumbers readNumberColumn(const Dataset& data, int column)
{
    return readColumnNumbers(
        data, column,
        [](const QString& text, const QLocale& locale) {
            ReadNumber n;
            n.value = toNumber(locale, text, false, true, &n.ok);
            return n;
        },
        true);
}
