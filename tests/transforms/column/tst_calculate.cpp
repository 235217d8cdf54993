#include "core/values.h"
#include "tests/transforms/format/textharness.h"
#include "transforms/column/calculatesupport.h"
#include "transforms/column/transformcalculate.h"

#include <QRandomGenerator>

namespace {

// A value as the test rows write it: "[Name]" is the column of that name,
// anything else a constant.
void setValue(TransformRun& run, int which, const QString& written)
{
    const QString n = QString::number(which);
    const bool column = written.startsWith(QLatin1Char('[')) && written.endsWith(QLatin1Char(']'));
    run.set(QStringLiteral("Type") + n, column ? "Column" : "Constant");
    if (!column) {
        run.set(QStringLiteral("Constant") + n, written);
        return;
    }
    TransformParameter* p = run.parameter(QStringLiteral("Column") + n);
    run.column(p->sourceDataset().columnIndexByName(written.mid(1, written.size() - 2)), p->key());
}

struct Result
{
    Dataset output;
    QStringList warnings;
    QString summary;
    bool ownNewColumn = false; // the added column has an identity of the item's own
};

Result calculate(const Dataset& data, const QString& operation, const QString& value1,
    const QString& value2, const QString& newName = QString())
{
    TransformRun run(new TransformCalculate, data);
    run.set(QStringLiteral("Operation"), operation);
    setValue(run, 1, value1);
    setValue(run, 2, value2);
    if (!newName.isNull())
        run.set(QStringLiteral("Auto_New_Name"), false).set(QStringLiteral("New_Name"), newName);
    const Dataset& out = run.run();
    return { out, run.warnings(), run.summary(),
        out.columnId(out.lastColumn()) == ColumnId(run.node()->id(), 1) };
}

Dataset oneRow(const QString& a, const QString& b)
{
    return makeDataset({ QStringLiteral("A"), QStringLiteral("B") }, { { a, b } });
}

QStringList failureWarnings(const QString& warning)
{
    return warning.isEmpty() ? QStringList() : QStringList { warning, QString() };
}

} // namespace

class TestCalculate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareTextTests();
        QLocale::setDefault(QLocale::c());
        setDefaultDateFormats(standardDateFormats(QLocale::c()));
    }

    void operations_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("warning");

        auto row = [](const char* name, const char* op, const QString& a, const QString& b,
                       const QString& cell, const QString& warning = QString()) {
            QTest::newRow(name) << QString::fromUtf8(op) << a << b << cell << warning;
        };
        const QString iso = QStringLiteral("2024-01-31T10:00:00Z");
        // Numbers
        row("add", "+ Add", "2", "3", "5");
        row("add without float noise", "+ Add", "0.1", "0.2", "0.3");
        row("add non-number", "+ Add", "1.5", "x", "Error: number expected",
            "'x' is not a number in column 'B' at row 1");
        row("subtract", "- Subtract", "10", "4.5", "5.5");
        row("multiply has no group separators", "* Multiply", "1000", "1000", "1000000");
        row("divide", "/ Divide", "1", "4", "0.25");
        row("divide by 0", "/ Divide", "5", "0", "Error: divide by 0",
            "Divide by 0 in column 'B' at row 1");
        row("power", "^ Power", "2", "10", "1024");
        row("modulus", "% Modulus", "17", "5", "2");
        row("modulus of negative", "% Modulus", "-7", "3", "-1");
        row("modulus by 0", "% Modulus", "7", "0", "Error: divide by 0",
            "Modulus by 0 in column 'B' at row 1");
        row("modulus of fraction", "% Modulus", "7.5", "2", "Error: integer expected",
            "'7.5' is not an integer in column 'A' at row 1");
        row("maximum", "Maximum", "3", "10", "10");
        row("minimum", "Minimum", "-3", "10", "-3");
        row("abs", "Abs", "-2.5", "", "2.5");
        row("abs of text", "Abs", "abc", "", "Error: number expected",
            "'abc' is not a number in column 'A' at row 1");
        row("abs of date", "Abs", "2024-01-05", "", "Error: invalid operation",
            "Operation not valid on date '2024-01-05' in column 'A' at row 1");
        row("ceiling", "Ceiling", "-1.2", "", "-1");
        row("floor", "Floor", "-1.2", "", "-2");
        row("round half up", "Round", "2.5", "", "3");
        row("round half away from zero", "Round", "-2.5", "", "-3");
        row("round to negative zero", "Round", "-0.3", "", "0");
        row("sign", "Sign", "-4", "", "-1");
        row("sign of 0", "Sign", "0", "", "0");
        row("increment", "Increment", "9", "", "10");
        row("decrement", "Decrement", "0", "", "-1");
        row("log10", "Log10", "1000", "", "3");
        row("log10 of 0", "Log10", "0", "", "Error: >0 expected",
            "'0' <= 0 in column 'A' at row 1");
        row("log2", "Log2", "8", "", "3");
        row("ln of negative", "Ln", "-1", "", "Error: >0 expected",
            "'-1' <= 0 in column 'A' at row 1");
        // Truth values and bits
        row("and", "And", "true", "false", "false");
        row("and in capitals", "And", "TRUE", "true", "true");
        row("and of yes", "And", "yes", "true", "Error: boolean expected",
            "'yes' is not a valid value for this operation in column 'A' at row 1");
        row("or", "Or", "false", "false", "false");
        row("xor", "Xor", "true", "false", "true");
        row("and bitwise", "AndBitwise", "12", "10", "8");
        row("or bitwise", "OrBitwise", "12", "10", "14");
        row("xor bitwise", "XorBitwise", "12", "10", "6");
        row("bitwise of fraction", "AndBitwise", "1", "1.5", "Error: integer expected",
            "'1.5' is not an integer in column 'B' at row 1");
        // Dates in arithmetic
        row("date plus days", "+ Add", "2024-01-05", "7", "2024-01-12");
        row("days plus date", "+ Add", "7", "2024-01-05", "2024-01-12");
        row("date minus days", "- Subtract", "2024-01-05", "5", "2023-12-31");
        row("date plus 1.5 days", "+ Add", "2024-01-05", "1.5", "Error: integer expected",
            "'1.5' is not an integer in column 'B' at row 1");
        row("date plus text", "+ Add", "2024-01-05", "soon", "Error: integer expected",
            "'soon' is not an integer in column 'B' at row 1");
        row("days minus date", "- Subtract", "5", "2024-01-05", "Error: invalid operation",
            "Operation not valid on a date in column 'B' at row 1");
        row("date times number", "* Multiply", "2024-01-05", "3", "Error: invalid operation",
            "Operation not valid on a date in column 'A' at row 1");
        row("days between dates", "- Subtract", "2024-03-01", "2024-02-01", "29");
        row("two dates multiplied", "* Multiply", "2024-03-01", "2024-02-01",
            "Error: invalid operation", "Operation not valid on 2 dates at row 1");
        row("earlier date", "Minimum", "2024-01-05", "2023-12-31", "2023-12-31");
        row("later date", "Maximum", "2024-01-05", "2023-12-31", "2024-01-05");
        // Date parts
        row("julian day", "DateToJulianDay", "2000-01-01", "", "2451545");
        row("days in leap february", "DaysInMonth", "2024-02-10", "", "29");
        row("days in year", "DaysInYear", "2023-06-01", "", "365");
        row("sunday", "DayOfWeek", "2024-01-07", "", "7");
        row("day of month", "DayOfMonth", "2024-01-07", "", "7");
        row("last day of leap year", "DayOfYear", "2024-12-31", "", "366");
        row("month", "Month", "2024-08-01", "", "8");
        row("quarter", "Quarter", "2024-08-01", "", "3");
        row("iso week of early january", "WeekOfYear", "2021-01-03", "", "53");
        row("year, day first", "Year", "5/1/2024", "", "2024");
        row("not a date", "DaysInMonth", "abc", "", "Error: date expected",
            "'abc' is not a valid date in column 'A' at row 1");
        row("julian day to date", "JulianDayToDate", "2451545", "", "2000-01-01");
        row("julian day fraction", "JulianDayToDate", "1.5", "", "Error: Julian days expected",
            "'1.5' is not a valid integer expected for msecs in column 'A' at row 1");
        row("julian day text", "JulianDayToDate", "abc", "", "Error: Julian days expected",
            "'abc' is not a valid Julian day in column 'A' at row 1");
        row("julian day too late", "JulianDayToDate", "99999999", "", "Error: Date out of range",
            "'99999999' is out of range to represent a Julian day as an ISO date in column 'A' at "
            "row "
            "1");
        // Date-times and times
        row("add days", "DateTimeAddDays", iso, "1", "2024-02-01T10:00:00Z");
        row("add hours", "DateTimeAddHours", iso, "5", "2024-01-31T15:00:00Z");
        row("add a month to the 31st", "DateTimeAddMonths", iso, "1", "2024-02-29T10:00:00Z");
        row("add milliseconds", "DateTimeAddMSecs", iso, "1500", "2024-01-31T10:00:01.500Z");
        row("subtract seconds", "DateTimeAddSecs", iso, "-60", "2024-01-31T09:59:00Z");
        row("add a year to 29 February", "DateTimeAddYears", "2024-02-29T00:00:00Z", "1",
            "2025-02-28T00:00:00Z");
        row("add to non-iso", "DateTimeAddDays", "yesterday", "1", "Error: ISO datetime expected",
            "'yesterday' is not a valid ISO datetime in column 'A' at row 1");
        row("add 1.5 days", "DateTimeAddDays", iso, "1.5", "Error: integer expected",
            "'1.5' is not an integer in column 'B' at row 1");
        row("add beyond year 9999", "DateTimeAddYears", iso, "9000",
            "Error: Cannot convert datetime",
            "Cannot add '9000' year(s) to datetime '2024-01-31T10:00:00Z' at row 1");
        row("to msecs", "DateTimeToMSecs", "1970-01-02T00:00:00Z", "", "86400000");
        row("to utc", "DateTimeToUTC", "2024-01-05T10:00:00+02:00", "", "2024-01-05T08:00:00Z");
        row("msecs to datetime", "MSecsToDateTime", "86400000", "", "1970-01-02T00:00:00Z");
        row("msecs fraction", "MSecsToDateTime", "1.5", "", "Error: msecs since epoch expected",
            "'1.5' is not a valid integer value for msecs in column 'A' at row 1");
        row("msecs text", "MSecsToDateTime", "abc", "", "Error: msecs since epoch expected",
            "'abc' is not valid msecs since epoch in column 'A' at row 1");
        row("msecs to time", "MSecsToTime", "3723004", "", "01:02:03.004");
        row("msecs past midnight", "MSecsToTime", "86400000", "",
            "Error: integer out of expected range",
            "'86400000' msecs out of range in column 'A' at row 1");
        row("msecs to time of text", "MSecsToTime", "x", "", "Error: integer out of expected range",
            "'x' integer msecs expected in column 'A' at row 1");
        row("time with fraction", "TimeToMSecs", "1:02:03.5", "", "3723500");
        row("time without seconds", "TimeToMSecs", "10:30", "", "37800000");
        row("hour 25", "TimeToMSecs", "25:00", "", "Error: h:m:s(.z) time expected",
            "'25:00' is not a valid time in column 'A' at row 1");
        // Text
        row("index of", "IndexOf", "b", "abcb", "2");
        row("index of is case-sensitive", "IndexOf", "B", "abc", "");
        row("last index of", "LastIndexOf", "b", "abcb", "4");
        row("last index of empty", "LastIndexOf", "", "abc", "4");
        row("length", "Length", QStringLiteral("h\u00e9llo"), "", "5");
        row("levenshtein", "LevDistance", "kitten", "sitting", "3");
        row("occurrences do not overlap", "Occurrences", "aa", "aaaa", "2");
        row("no occurrences", "Occurrences", "x", "abc", "0");
        row("word count skips lone dashes", "WordCount", "  one two-three  - four ", "", "3");
    }

    void operations()
    {
        QFETCH(QString, operation);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, warning);
        const Result r
            = calculate(oneRow(a, b), operation, QStringLiteral("[A]"), QStringLiteral("[B]"));
        QCOMPARE(r.output.columnCount(), 3);
        QTEST(r.output.value(0, 2), "cell");
        QCOMPARE(r.warnings, failureWarnings(warning));
        QCOMPARE(r.summary,
            warning.isEmpty() ? QStringLiteral("1 calculations succeeded, 0 failed")
                              : QStringLiteral("0 calculations succeeded, 1 failed"));
    }

    void constantWarnings_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<QString>("value2");
        QTest::addColumn<QString>("warning");
        auto row = [](const char* name, const char* op, const char* v1, const char* v2,
                       const char* warning) { QTest::newRow(name) << op << v1 << v2 << warning; };
        row("divide", "/ Divide", "[A]", "0", "Divide by 0 at row 1");
        row("modulus", "% Modulus", "[A]", "0", "Modulus by 0 at row 1");
        row("not a number", "+ Add", "[A]", "x", "'x' is not a number at row 1");
        row("not above 0", "Log10", "0", "", "'0' <= 0 at row 1");
        row("one-value date", "Abs", "2024-01-05", "",
            "Operation not valid on date '2024-01-05' at row 1");
        row("two-value date", "* Multiply", "2024-01-05", "[A]",
            "Operation not valid on a date at row 1");
        row("not an integer", "+ Add", "2024-01-05", "1.5", "'1.5' is not an integer at row 1");
        row("not a truth value", "Or", "maybe", "[A]",
            "'maybe' is not a valid value for this operation at row 1");
        row("two dates", "+ Add", "2024-01-05", "2024-01-06",
            "Operation not valid on 2 dates at row 1");
    }

    void constantWarnings()
    {
        QFETCH(QString, operation);
        QFETCH(QString, value1);
        QFETCH(QString, value2);
        QFETCH(QString, warning);
        const Result r
            = calculate(oneRow(QStringLiteral("5"), QString()), operation, value1, value2);
        QCOMPARE(r.warnings, failureWarnings(warning));
    }

    void divideByZeroEveryRow_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("overflow");
        QTest::addColumn<QString>("summary");
        QTest::newRow("five rows") << 5 << QString() << "0 calculations succeeded, 5 failed";
        QTest::newRow("one more") << 6 << "+ 1 other"
                                  << "0 calculations succeeded, 6 failed";
        QTest::newRow("counts grouped") << 1200 << "+ 1,195 others"
                                        << "0 calculations succeeded, 1,200 failed";
    }

    void divideByZeroEveryRow()
    {
        QFETCH(int, rows);
        QFETCH(QString, overflow);
        QFETCH(QString, summary);
        QList<QStringList> values;
        for (int i = 0; i < rows; ++i)
            values.append({ QString::number(i) });
        const Result r = calculate(makeDataset({ QStringLiteral("Price") }, values),
            QStringLiteral("/ Divide"), QStringLiteral("[Price]"), QStringLiteral("0"));
        for (int i = 0; i < rows; ++i)
            QCOMPARE(r.output.value(i, 1), QStringLiteral("Error: divide by 0"));
        QStringList expected;
        for (int i = 1; i <= 5; ++i)
            expected.append(QStringLiteral("Divide by 0 at row %1").arg(i));
        if (!overflow.isEmpty())
            expected.append(overflow);
        expected.append(QString());
        QCOMPARE(r.warnings, expected);
        QCOMPARE(r.summary, summary);
    }

    void automaticNames_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<QString>("value2");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("name");
        auto row = [](const char* name, const char* op, const char* v1, const char* v2,
                       const QString& newName, const char* expected) {
            QTest::newRow(name) << op << v1 << v2 << newName << expected;
        };
        row("symbol", "+ Add", "[Price]", "[Qty]", QString(), "Price+Qty");
        row("modulus symbol", "% Modulus", "[Price]", "[Qty]", QString(), "Price%Qty");
        row("two-value name", "LevDistance", "[Price]", "[Qty]", QString(),
            "LevDistance(Price,Qty)");
        row("one value", "Abs", "[Price]", "[Qty]", QString(), "Abs(Price)");
        row("trimmed constant", "* Multiply", "[Price]", " 1.2 ", QString(), "Price*1.2");
        row("constant first", "Maximum", "0", "[Qty]", QString(), "Maximum(0,Qty)");
        row("user's name", "+ Add", "[Price]", "[Qty]", "Total", "Total");
    }

    void automaticNames()
    {
        QFETCH(QString, operation);
        QFETCH(QString, value1);
        QFETCH(QString, value2);
        QFETCH(QString, newName);
        QFETCH(QString, name);
        const Dataset data = makeDataset({ QStringLiteral("Price"), QStringLiteral("Qty") },
            { { QStringLiteral("2.5"), QStringLiteral("4") } });
        const Result r = calculate(data, operation, value1, value2, newName);
        QCOMPARE(r.output.columnNames(),
            (QStringList { QStringLiteral("Price"), QStringLiteral("Qty"), name }));
        QVERIFY(r.ownNewColumn);
    }

    void datesKeepTheirForm()
    {
        const Dataset data = makeDataset({ QStringLiteral("When") },
            { { QStringLiteral("2024-01-05") }, { QStringLiteral("2024-1-5") },
                { QStringLiteral("28/2/2023") }, { QStringLiteral("2024-12-30") },
                { QStringLiteral("soon") } });
        const Result r = calculate(
            data, QStringLiteral("+ Add"), QStringLiteral("[When]"), QStringLiteral("7"));
        const QStringList expected = { QStringLiteral("2024-01-12"), QStringLiteral("2024-1-12"),
            QStringLiteral("7/3/2023"), QStringLiteral("2025-01-06"),
            QStringLiteral("Error: number expected") };
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(r.output.value(i, 1), expected.at(i));
        QCOMPARE(r.warnings,
            failureWarnings(QStringLiteral("'soon' is not a number in column 'When' at row 5")));
        QCOMPARE(r.summary, QStringLiteral("4 calculations succeeded, 1 failed"));
    }

    void unsetOptions_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<QString>("value2");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<int>("columns");
        auto row = [](const char* name, const QString& operation, const QString& value1,
                       const QString& value2, const QStringList& warnings, int columns) {
            QTest::newRow(name) << operation << value1 << value2 << warnings << columns;
        };
        const QString unset = QStringLiteral("[missing]");
        row("first column", "+ Add", unset, "[A]", { "1 option not set ('Value 1')" }, 2);
        row("both columns", "+ Add", unset, unset, { "2 options not set ('Value 1','Value 2')" },
            2);
        row("second ignored by one-value operations", "Abs", "[A]", unset, QStringList(), 3);
        row("empty constant is a value", "LastIndexOf", "", "[A]", QStringList(), 3);
    }

    void unsetOptions()
    {
        QFETCH(QString, operation);
        QFETCH(QString, value1);
        QFETCH(QString, value2);
        QFETCH(QStringList, warnings);
        const Result r
            = calculate(oneRow(QStringLiteral("-5"), QString()), operation, value1, value2);
        QCOMPARE(r.warnings, warnings);
        QTEST(r.output.columnCount(), "columns");
        QCOMPARE(r.output.value(0, 0), QStringLiteral("-5"));
    }

    // A one-value operation hides the second value and words the first as "the value".
    void tooltipsFollowTheOperation()
    {
        TransformCalculate t;
        t.defineParameters({}, false);
        t.parameter(QStringLiteral("Operation"))->setValue(QStringLiteral("Year"));
        QVERIFY(t.optionStates().contains(qMakePair(QStringLiteral("Type2"), false)));
        QCOMPARE(t.parameter(QStringLiteral("Type1"))->tooltip(),
            QStringLiteral("Select whether the value is a column or a constant."));
    }

    void numberTextMatchesFormatNumber_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("Arabic digits") << QLocale(QLocale::Arabic, QLocale::Egypt);
    }

    // Results skip the locale's formatter where they can; the text must not
    // change by it, half-way cases included.
    void numberTextMatchesFormatNumber()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        QVector<double> values = { 0.0, 1.0, -1.0, 0.1 + 0.2, 1.0 / 3, -2.0 / 3, 1e300, -1e-300,
            std::ldexp(1.0, -16), -std::ldexp(1.0, -16), 1e14 + 0.5, 123456.789, 0.5, 2.5, 1e15,
            999999999999999.9 };
        QRandomGenerator random(7);
        for (int i = 0; i < 20000; ++i) {
            const double scale = std::pow(10.0, random.bounded(-8, 17));
            values.append((random.generateDouble() - 0.5) * scale);
            values.append(double(random.bounded(-100000, 100000)) / 8);
        }
        for (const double v : values)
            QCOMPARE(CalculateOps::detail::numberText(v), formatNumber(v, false, -1, true));
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_MAIN(TestCalculate)
#include "tst_calculate.moc"
