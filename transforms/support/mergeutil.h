#pragma once

// Helpers shared by the transforms that build one dataset from several
// upstream datasets (Join, Lookup, Intersect, Subtract, Cross).

#include <QString>
#include <QVector>

class Dataset;
class Transform;

// The columns taken from one source dataset, in output order.
struct ColumnPick
{
    const Dataset* data = nullptr;
    QVector<int> columns;
};

// Every column position of a dataset with count columns except one (-1 for
// none).
QVector<int> columnsExcept(int count, int skipped = -1);

// Gives the output the picked columns in order: their identities (repeated
// ones made unique, so that the node numbers them afresh) and their names.
// The names become a header when any source has one, or always when asked.
void setCombinedColumns(
    Dataset& output, const QVector<ColumnPick>& picks, bool alwaysNamed = false);

// The columns, identities and header of a dataset, without its rows.
Dataset withoutRows(const Dataset& data);

// The current position in a given upstream dataset of the column chosen by a
// column option, or -1. The two-input types resolve against the dataset they
// are about to read rather than the option's bound item, so a reference into
// the other dataset can never be applied to the wrong one.
int columnIn(const Transform& transform, const QString& key, const Dataset& data);
