#pragma once

// The bytes of values written before, by their column's code: a repeating
// column keeps one text per distinct value and a code per row, so most cells
// of a column such as a country or a date repeat bytes already made. Taking
// them by the code spares reading the text at all (a cache miss for each
// cell of a table whose rows are in a new order) and any hashing: a code
// indexes its column's list of bytes directly. Columns of plain texts are
// never looked up (their values rarely repeat), and neither is a column with
// more distinct values than are worth keeping. One cache serves one table.

#include "core/dataset.h"
#include "output/utf8block.h"

#include <QtGlobal>

#include <cstring>
#include <vector>

class ValueBytesCache
{
public:
    // The cell's bytes from the cache, or made by make() (which appends them
    // to the block) and kept for the next time.
    template <typename Make>
    void append(Utf8Block& block, const RowReader& row, int column, Make make)
    {
        quint32 code = 0;
        Column* kept = row.codeAt(column, &code) ? columnFor(row, column) : nullptr;
        if (!kept || code >= kept->starts.size()) {
            make();
            return;
        }
        if (const quint64 entry = kept->starts[code]) {
            block.appendPadded(
                kept->bytes.data() + (entry >> LengthBits), int(entry & MaxLength) - 1);
            return;
        }
        const int start = block.size();
        make();
        // Bytes still waiting for the next character are not all of them.
        if (!block.waiting())
            kept->store(code, block.data() + start, block.size() - start);
    }

private:
    // A code's entry in starts holds where its bytes start, above LengthBits,
    // and their count plus one below (0: not made yet).
    static constexpr int LengthBits = 16;
    static constexpr quint64 MaxLength = (quint64(1) << LengthBits) - 1;
    // Past these, a column's values are made each time, as without a cache.
    static constexpr int MaxCodes = 1 << 20;
    static constexpr size_t MaxBytes = size_t(32) << 20;
    // Bytes kept past the last value (see Utf8Block::appendPadded).
    static constexpr int Padding = Utf8Block::Slack;

    struct Column
    {
        std::vector<quint64> starts;
        std::vector<char> bytes;
        bool made = false;

        void store(quint32 code, const char* from, int count)
        {
            const size_t start = bytes.empty() ? 0 : bytes.size() - Padding;
            if (quint64(count) + 1 > MaxLength || start + size_t(count) > MaxBytes)
                return;
            bytes.resize(start + size_t(count) + Padding);
            std::memcpy(bytes.data() + start, from, size_t(count));
            starts[code] = (quint64(start) << LengthBits) | quint64(count + 1);
        }
    };

    Column* columnFor(const RowReader& row, int column)
    {
        if (size_t(column) >= m_columns.size())
            m_columns.resize(size_t(column) + 1);
        Column& kept = m_columns[size_t(column)];
        if (!kept.made) {
            kept.made = true;
            const int codes = row.codeCount(column);
            if (codes <= MaxCodes)
                kept.starts.assign(size_t(codes), 0);
        }
        return &kept;
    }

    std::vector<Column> m_columns;
};
