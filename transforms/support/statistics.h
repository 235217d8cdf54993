#pragma once

// Descriptive statistics shared by the analysis types (Stats, Summary, Bin,
// Scale, Impute, Outliers, Moving, Correlate, Cluster). The figures follow
// the conventions analysts compare against: the sample standard deviation
// (n - 1), quantiles by linear interpolation between closest ranks, average
// ranks for ties. Functions that need sorted input say so; the others take
// values in any order. An undefined figure (no values, one value for a
// standard deviation) is NaN; callers write it as an empty cell.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

class Dataset;
class Transform;

namespace Stats {

double sum(const QVector<double>& values);
double mean(const QVector<double>& values);
// Sample standard deviation; NaN below two values.
double sampleStdDev(const QVector<double>& values);
// The q-quantile (0 to 1) of ascending values: linear interpolation at
// position q * (n - 1).
double quantileSorted(const QVector<double>& sorted, double q);
double quantile(QVector<double> values, double q);
double median(QVector<double> values);
// Median absolute deviation from the median (unscaled).
double medianAbsoluteDeviation(const QVector<double>& values);
// 1-based ranks, ties sharing the average of their ranks.
QVector<double> averageRanks(const QVector<double>& values);
// Pearson correlation of two equally long lists; NaN when fewer than two
// pairs or either list is constant.
double pearson(const QVector<double>& x, const QVector<double>& y);
double spearman(const QVector<double>& x, const QVector<double>& y);

// A computed figure as cell text: empty for NaN, otherwise every
// significant digit in the default locale without group separators.
QString cellText(double value);

// The numbers of one column: each number with its row, and the rows whose
// non-blank text does not read as a number. Blank cells are in neither.
struct NumericColumn
{
    QVector<double> values;
    QVector<int> rows;
    QVector<int> unreadableRows;
    int blankCount = 0;
};
NumericColumn readNumbers(const Dataset& data, int column);
// The number of a cell, with ok false for blank and unreadable cells.
double cellNumber(const QString& text, bool* ok);
inline bool isBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

// Whether a column is better read as dates than as numbers: more of its
// first 1000 non-blank values read as dates than as numbers ("2024" alone
// is a number).
bool holdsDates(const Dataset& data, int column);
// A cell as a number, dates as day numbers; false for blank and unreadable
// cells.
bool readNumberOrDate(const QString& text, bool dates, double* value);
// Every cell of a column as a number (or a day number): known is false for
// blank and unreadable cells; the unreadable ones are counted, the first 5
// kept as examples for reportExamples().
struct CellValues
{
    QVector<double> values;
    QVector<bool> known;
    QStringList examples;
    int unreadable = 0;
};
CellValues readCells(const Dataset& data, int column, bool dates);
// A figure as a date ("yyyy-MM-dd", from a day number) or as a number.
QString numberOrDateText(double value, bool dates);

// Rows grouped by their texts in the key columns, groups in the order of
// their first row, rows ascending; one group of every row without keys.
QVector<QVector<int>> groupRows(const Dataset& data, const QVector<int>& keyColumns);

// The most frequent of the texts, ties going to the first met; empty when
// there are none.
QString mostFrequent(const QStringList& texts);

// One example for reportExamples(): "'text' (row 3)", rows counted from 1.
QString example(const QString& text, int row);

// Adds the warning lines for texts that could not be used: the heading,
// then at most 5 examples ("'text' (row 3)"), then "+ %1 others".
void reportExamples(
    Transform& transform, const QString& heading, const QStringList& examples, qint64 total);

} // namespace Stats
