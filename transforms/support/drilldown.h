#pragma once

// The upstream rows behind a cell of a result that keeps a drilldown map
// (Pivot, Count, Unique, Dedupe). Unless each cell stands for rows of its
// own (a pivot table), a cell without entries falls back to the first cell
// of its row that has some, so that a double click anywhere on a result row
// finds the rows behind it.

#include <QVector>

class Dataset;

// Upstream row positions, ascending, without repeats; empty when the cell
// leads nowhere.
QVector<int> drilldownRows(const Dataset& result, int row, int column, bool cellsOnly = false);

// Those rows of the upstream dataset, with its column names.
Dataset drilldownDataset(
    const Dataset& result, const Dataset& upstream, int row, int column, bool cellsOnly = false);
