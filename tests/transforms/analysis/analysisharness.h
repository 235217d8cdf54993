#pragma once

// Shared by the analysis transform tests: the single-input run harness and
// comparison of computed figures against reference values.

#include "core/values.h"
#include "tests/transforms/format/textharness.h"

#include <cmath>

// Whether a cell holds the reference figure to 12 significant digits (the
// cell carries 15; the references were computed once with pandas/numpy and
// are written into the tests). An empty reference means an empty cell.
inline bool sameFigure(const QString& cell, const QString& expected)
{
    if (expected.isEmpty() || cell.isEmpty())
        return cell == expected;
    bool okCell = false;
    bool okExpected = false;
    const double a = toNumber(cell, false, false, &okCell);
    const double b = expected.toDouble(&okExpected);
    if (!okCell || !okExpected)
        return cell == expected;
    return std::fabs(a - b) <= 1e-12 * qMax(1.0, std::fabs(b));
}

// Compares a list of cells with a list of references figure by figure.
inline bool sameFigures(const QStringList& cells, const QStringList& expected)
{
    if (cells.size() != expected.size())
        return false;
    for (int i = 0; i < cells.size(); ++i) {
        if (!sameFigure(cells.at(i), expected.at(i)))
            return false;
    }
    return true;
}

// Rows written as cells separated by semicolons ("1;;x"), so that values
// may hold commas.
inline QList<QStringList> cells(const QStringList& rows)
{
    QList<QStringList> result;
    for (const QString& r : rows)
        result << r.split(QLatin1Char(';'));
    return result;
}

// Values written as one text separated by "|" (an empty piece is an empty
// value).
inline QStringList bars(const char* text)
{
    return QString::fromUtf8(text).split(QLatin1Char('|'));
}

inline void prepareAnalysisTests()
{
    prepareTextTests();
    setDefaultDateFormats(standardDateFormats(QLocale()));
}

#define COMPARE_FIGURES(cells, expected)                                                           \
    QVERIFY2(sameFigures(cells, expected),                                                         \
        qPrintable(QStringLiteral("got [%1], expected [%2]")                                       \
                       .arg((cells).join(QLatin1Char('|')), (expected).join(QLatin1Char('|')))))
