#pragma once

// Finding rows whose values in chosen columns are the same, or close: the
// grouping behind Dedupe, kept apart so that other views of duplicates can
// share it.
//
// The comparison key of a row is the list of its values in the chosen
// columns, each lower-cased unless case counts, then stripped of whitespace
// and of punctuation when asked. Rows are visited in order; a group is
// numbered by its first row, and every later row of a group is a duplicate.
//
// Exact matching is one hashed pass. Fuzzy matching finds identical keys by
// hashing too; a new distinct key is compared with the distinct keys seen so
// far and joins the group of the closest one (the earliest on ties) when its
// closeness reaches the fuzziness. Only keys whose total length could reach
// that closeness are compared at all.

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class Dataset;

struct DuplicateOptions
{
    bool fuzzy = false;
    int fuzziness = 80; // least closeness for fuzzy matches, percent
    bool caseSensitive = true;
    bool ignoreSpaces = false;
    bool ignorePunctuation = false;
};

struct DuplicateGroups
{
    // Per upstream row: its group, numbered from 0 in the order of the
    // groups' first rows.
    QVector<int> group;
    // Per upstream row: its closeness to its group (100 for an identical
    // key), or -1 for a group's first row.
    QVector<int> closeness;
    // Rows per group.
    QVector<int> sizes;

    bool isFirst(int row) const { return closeness.at(row) < 0; }
    int groupCount() const { return sizes.size(); }
};

// Called with (row, row count) before each row; returning false stops.
using DuplicateProgress = std::function<bool(int, int)>;

// One value as the comparison sees it.
QString comparisonValue(const QString& value, const DuplicateOptions& options);

// Groups the rows of the dataset by their values in the columns (positions
// in the order to compare). Returns false when stopped.
bool findDuplicates(const Dataset& dataset, const QVector<int>& columns,
    const DuplicateOptions& options, DuplicateGroups& groups,
    const DuplicateProgress& progress = DuplicateProgress());
