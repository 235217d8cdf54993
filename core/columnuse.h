#pragma once

// What is read of a table after the item that made it, in a run that keeps
// no results (the command line): a reader can leave out the values nothing
// will look at. An analyst's graph often reads a wide file to group or
// pivot two or three of its columns, or to keep the few rows a filter
// passes.

#include <QStringList>
#include <QVector>

#include <functional>

// Whether a row goes on past a filter, from the row's values in the columns
// read in every row.
using RowTest = std::function<bool(const QStringList& row)>;

struct ColumnUse
{
    // For each column, whether its values are read in every row; empty when
    // every column is.
    QVector<bool> columns;
    // When only the rows a test passes go on, the test reads `columns` of
    // every row; the rows it passes are read in keptRowColumns too, and the
    // others are left out of the table (they still count in the reader's
    // reports). A test keeps state, so each thread that reads rows makes its
    // own.
    std::function<RowTest()> makeRowTest;
    QVector<bool> keptRowColumns;

    bool everyColumn() const { return columns.isEmpty(); }
    // The columns read in some row.
    QVector<bool> anyRow() const
    {
        QVector<bool> any = columns;
        for (int c = 0; c < any.size() && c < keptRowColumns.size(); ++c)
            any[c] = any.at(c) || keptRowColumns.at(c);
        return any;
    }
};
