#pragma once

// What a column holds, from every row: how many values are empty, whole
// numbers, other numbers, dates or text; how many are distinct; the range of
// the numbers and dates; the most frequent values and shapes; and the traps
// that silently change data on its way through a conversion or a
// spreadsheet (dates that read both ways, mixed decimal separators, leading
// zeros, long digit strings, text decoded with the wrong encoding, a few
// values of another kind).

#include "transforms/support/valuefrequencies.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>

class Dataset;
class DateFormatList;

struct ColumnProfile
{
    int rows = 0;
    int empty = 0;
    int integers = 0;
    int decimals = 0; // numbers that are not whole
    int dates = 0;
    int texts = 0;
    int distinct = 0;
    bool hasNumbers = false;
    double minimum = 0.0;
    double maximum = 0.0;
    QDate firstDate;
    QDate lastDate;
    // The ten most frequent values and shapes, most frequent first (ties in
    // the order first seen).
    QVector<ValueFrequency> topValues;
    QVector<ValueFrequency> topShapes;
    // How the numbers spread: counts in equal bins from the least to the
    // greatest (one bin when they are all the same). A column with more
    // dates than numbers counts its dates instead, by day. Empty without
    // either.
    QVector<int> histogram;
    bool histogramOfDates = false;
    // The histogram's range and the value at the start of bin i: numbers,
    // or dates' Julian days.
    double histogramLow() const;
    double histogramHigh() const;
    double binStart(int bin) const;
    double binWidth() const;
    // One line per trap found, naming the column.
    QStringList traps;
};

// What one value reads as: empty (blank), a whole number, another number,
// a date in one of the formats, or text. digits says whether the value has
// a digit (text without one is known as text at once).
enum class ValueKind { Empty, Integer, Decimal, Date, Text };
// Numbers are read with the locale given, or the default one (taking the
// default locale for every value costs two threads a shared counter).
ValueKind kindOfValue(const QString& value, bool digits, const DateFormatList& dates,
    double* number = nullptr, QDate* date = nullptr, const QLocale* locale = nullptr);
ValueKind kindOfValue(const QString& value, const DateFormatList& dates);

// A value's shape: upper-case letters as "A", lower-case as "a", digits as
// "9", anything else as itself ("SW1A 1AA" -> "AA9A 9AA").
QString valueShape(const QString& value);

// How many bins a histogram has, at most.
constexpr int HistogramBins = 20;

ColumnProfile profileColumn(const Dataset& data, int column, const DateFormatList& dates);
// Every column, split over two threads. A raised cancel flag ends the work
// after the columns in hand (the profiles then are not all there).
QVector<ColumnProfile> profileTable(
    const Dataset& data, const DateFormatList& dates, const std::atomic<bool>* cancel = nullptr);
// The trap lines of every column, in column order.
QStringList columnTraps(const Dataset& data, const DateFormatList& dates);
