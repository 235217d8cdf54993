#pragma once

// Row by row comparison of two datasets, shared by the Difference transform
// and the dialogs that compare data. Rows pair up by key columns, or by row
// number when no key is given; a key that occurs several times pairs its
// n-th top row with its n-th bottom row. Only the column pairs given are
// compared.

#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

class Dataset;

struct RowDifference
{
    enum Kind { Unchanged = 0, Added = 1, Removed = 2, Changed = 3 };
    Kind kind = Unchanged;
    int topRow = -1; // -1 for Added
    int bottomRow = -1; // -1 for Removed
    QVector<int> changedPairs; // indices into the compared column pairs
};

struct RowComparison
{
    // Key columns, top and bottom, paired by position; both empty to pair
    // rows by row number.
    QVector<int> topKeys;
    QVector<int> bottomKeys;
    // The columns compared: (top column, bottom column).
    QVector<QPair<int, int>> columns;
    bool caseSensitive = true;
};

struct RowDifferences
{
    // Top rows in order (paired or removed), then the added bottom rows in
    // their order.
    QVector<RowDifference> rows;
    int counts[4] = { 0, 0, 0, 0 }; // by Kind
    bool complete = true; // false when progress asked to stop
};

// progress is called with the rows done out of the rows of both datasets
// and stops the work when it returns false.
RowDifferences compareRows(const Dataset& top, const Dataset& bottom,
    const RowComparison& comparison, const std::function<bool(int, int)>& progress = nullptr);

// The columns two datasets share by name, in top order; a name repeated
// within a dataset pairs its n-th occurrences.
QVector<QPair<int, int>> columnsByName(const Dataset& top, const Dataset& bottom);
