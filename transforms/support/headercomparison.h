#pragma once

// The headers of two datasets compared column by column. Columns pair up by
// name the way the row comparison pairs them (columnsByName()). Of the
// paired columns the longest run that keeps its relative order counts as in
// place and the rest as moved, so one inserted column does not make every
// later column "moved". An unpaired top column facing an unpaired bottom
// column at the same position counts as renamed.

#include <QVector>

class Dataset;

struct HeaderDifference
{
    enum Kind { Same = 0, Moved = 1, Renamed = 2, TopOnly = 3, BottomOnly = 4 };
    Kind kind = Same;
    int topColumn = -1;
    int bottomColumn = -1;
};

// Top columns in order, then the bottom-only columns in order.
QVector<HeaderDifference> compareHeaders(const Dataset& top, const Dataset& bottom);
