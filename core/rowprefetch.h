#pragma once

// Walking the rows of a large table to look each cell's text up in a table
// of results (one per distinct value) waits mostly for the look-up's slot:
// over a column of many distinct values the table outgrows the cache. The
// stored text of a cell a few rows ahead is at hand without waiting (a
// column's codes lie in order), so its slot can be asked for in time.

#include "core/dataset.h"
#include "core/prefetch.h"

struct RowPrefetch
{
    // How many rows ahead a look-up's slot is asked for: far enough to hide
    // a trip to memory behind the work on the rows in between.
    static constexpr int Distance = 16;

    // The column's stored text of row + Distance, or null past the last row
    // or in a column of mostly different values (see Dataset::storedText).
    static const QString* cellAhead(const Dataset& data, int row, int column)
    {
        const int next = row + Distance;
        if (next >= data.rowCount() || column < 0 || column >= data.columnCount())
            return nullptr;
        return data.storedText(next, column);
    }

    // Asks for a text's block: its first two cache lines, which hold the
    // characters of most cells.
    static void text(const QString& value)
    {
        const char* block = reinterpret_cast<const char*>(const_cast<QString&>(value).data_ptr());
        prefetchLine(block);
        prefetchLine(block + 64);
    }
};
