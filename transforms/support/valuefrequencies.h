#pragma once

// How often each value of one column occurs: the answer to "what does this
// column really hold". One hashed pass over the column; values are kept in
// the order of their first row and share their text with the dataset, so a
// column of a million distinct values costs one hash entry each and no
// copies of the texts.

#include <QString>
#include <QVector>

#include <functional>
#include <vector>

class Dataset;
class TextColumn;

struct FrequencyOptions
{
    bool caseSensitive = true;
    // When off, surrounding whitespace is dropped and inner runs of
    // whitespace count as one space.
    bool whitespaceSensitive = true;
};

struct ValueFrequency
{
    QString value; // the first row's text, trimmed when whitespace is ignored
    int count = 0;
};
Q_DECLARE_TYPEINFO(ValueFrequency, Q_MOVABLE_TYPE);

struct ValueFrequencies
{
    QVector<ValueFrequency> values; // in the order of their first row
    int rows = 0;
    int emptyCells = 0; // cells that are empty as the options see them
    bool complete = true;

    int distinctCount() const { return values.size(); }
    // Positions into values ordered by count (highest first) or by value
    // (natural order), ties by first row.
    QVector<int> order(bool byCount, bool descending) const;
};

// The distinct keys seen so far, each numbered in the order first seen, in
// an open-addressed table: a million distinct keys are two flat arrays to
// fill and to free, not a million hash nodes.
class DistinctKeys
{
public:
    DistinctKeys();
    // The number of key, given the next one (and added) when new.
    int find(const QString& key, bool* added);

private:
    struct Slot
    {
        uint hash = 0;
        int position = -1;
    };
    void grow();

    std::vector<Slot> m_slots;
    QVector<QString> m_keys;
};

// Called with (rows done, row count); returning false stops.
using FrequencyProgress = std::function<bool(int, int)>;

// A distinct value by the first row that holds it, and how many rows do.
struct RowFrequency
{
    int row = 0;
    int count = 0;
};

// The distinct values of a column exactly as they stand (case and spaces
// count), in the order of their first row, without reading out a text: a
// coded column counts its codes, a column of plain texts hashes and
// compares the bytes it keeps. False when progress stopped it.
bool countRows(const TextColumn& cells, QVector<RowFrequency>& counted,
    const FrequencyProgress& progress = FrequencyProgress());

// The value as the counting sees it.
QString frequencyKey(const QString& value, const FrequencyOptions& options);

ValueFrequencies countValues(const Dataset& data, int column, const FrequencyOptions& options,
    const FrequencyProgress& progress = FrequencyProgress());
