#include "core/dataset.h"
#include "core/values.h"
#include "transforms/support/columnnumbers.h"
#include "transforms/support/conditions.h"

#include <QLocale>
#include <QTest>

class TestConditions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        setDefaultDateFormats({ QStringLiteral("yyyy-MM-dd"), QStringLiteral("d/M/yyyy") });
    }

    void cell_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("expected");
        auto row = [](const char* name, int op, const QString& term, const QString& cell,
                       bool caseSensitive, bool expected) {
            QTest::newRow(name) << op << term << cell << caseSensitive << expected;
        };
        row("10 = 10.0", int(OpEqual), "10", "10.0", true, true);
        row("10 != 10 kg", int(OpEqual), "10", "10 kg", true, false);
        row("not equal 10 kg", int(OpNotEqual), "10", "10 kg", true, true);
        row("9 < 10 as numbers", int(OpLess), "10", "9", true, true);
        row("9x > 10 as text", int(OpGreater), "10", "9x", true, true);
        row("dates as dates", int(OpGreater), "2020-01-31", "1/2/2020", true, true);
        row("equal case off", int(OpEqual), "ABC", "abc", false, true);
        row("equal case on", int(OpEqual), "ABC", "abc", true, false);
        row(">= equal numbers", int(OpGreaterEqual), "5", "5.00", true, true);
        row("contains", int(OpContains), "B", "abc", false, true);
        row("contains whitespace", int(OpContains), " b", "abc", true, false);
        row("starts", int(OpNotStartsWith), "ab", "abc", true, false);
        row("ends", int(OpEndsWith), "bc", "abc", true, true);
        row("regex", int(OpMatchesRegex), "^a.c$", "abc", true, true);
        row("regex case", int(OpMatchesRegex), "^A", "abc", false, true);
        row("bad regex", int(OpMatchesRegex), "a(", "a(", true, false);
        row("bad regex negated", int(OpNotMatchesRegex), "a(", "xyz", true, false);
        row("colour/color 80", int(OpFuzzy80), "colour", "color", true, true);
        row("colour/colr 80", int(OpFuzzy80), "colour", "colr", true, false);
        row("fuzzy case off", int(OpFuzzy90), "COLOUR", "colour", false, true);
        row("fuzzy case on", int(OpFuzzy50), "COLOUR", "colour", true, false);
        row("empty", int(OpIsEmpty), "", " ", true, false);
        row("not empty", int(OpIsNotEmpty), "", " ", true, true);
    }

    void cell()
    {
        QFETCH(int, op);
        QFETCH(QString, term);
        QFETCH(QString, cell);
        QFETCH(bool, caseSensitive);
        const ConditionTest test(op, term, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
        QTEST(test.matches(cell), "expected");
    }

    void anyColumn_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<bool>("expected");
        auto row = [](const char* name, int op, const QStringList& row, bool expected) {
            QTest::newRow(name) << op << row << expected;
        };
        row("contains, one cell has it", int(OpContains), { "a", "xy" }, true);
        row("contains, none has it", int(OpContains), { "a", "b" }, false);
        row("doesn't contain, one lacks it", int(OpNotContains), { "x", "b" }, true);
        row("doesn't contain, all have it", int(OpNotContains), { "x", "ax" }, false);
    }

    void anyColumn()
    {
        QFETCH(int, op);
        QFETCH(QStringList, row);
        Dataset data;
        data.setColumnCount(2);
        RowCondition condition(-1, op, QStringLiteral("x"), data, Qt::CaseSensitive);
        QTEST(condition.matches(row), "expected");
    }

    void columnVariablesInTerm()
    {
        Dataset data;
        data.setColumnCount(2);
        data.setHeader({ QStringLiteral("low"), QStringLiteral("value") });
        RowCondition above(1, OpGreater, QStringLiteral("$(low)"), data, Qt::CaseSensitive);
        QVERIFY(above.matches({ "9", "10" }));
        QVERIFY(!above.matches({ "11", "10" }));
        RowCondition pattern(1, OpMatchesRegex, QStringLiteral("^$(1)"), data, Qt::CaseSensitive);
        QVERIFY(pattern.matches({ "ab", "abc" }));
        QVERIFY(!pattern.matches({ "b", "abc" }));
    }

    // A column of mostly different values keeps no shared texts: its cells
    // are tested and read as numbers one by one, each its own row's.
    void plainAndCodedColumns_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::newRow("coded") << false;
        QTest::newRow("plain texts") << true;
    }

    void plainAndCodedColumns()
    {
        QFETCH(bool, plain);
        const QStringList cells { "10", "9.5", "", "n/a", "100", "9.6", "10", "1e3" };
        Dataset data;
        data.setColumnCount(1);
        if (plain)
            data.keepPlainTexts(0);
        for (const QString& cell : cells)
            data.appendRow({ cell });
        QCOMPARE(data.column(0).isCoded(), !plain);
        RowCondition condition(0, OpGreater, QStringLiteral("9.6"), data, Qt::CaseSensitive);
        const ConditionTest test(OpGreater, QStringLiteral("9.6"), Qt::CaseSensitive);
        for (int r = 0; r < cells.size(); ++r)
            QCOMPARE(condition.matches(data, r), test.matches(cells.at(r)));
        const ColumnNumbers numbers
            = readColumnNumbers(data, 0, [](const QString& text, const QLocale& locale) {
                  ReadNumber n;
                  if (!text.isEmpty())
                      n.value = toNumber(locale, text, false, true, &n.ok);
                  return n;
              });
        const std::vector<double> values { 10, 9.5, 0, 0, 100, 9.6, 10, 1000 };
        const std::vector<char> ok { 1, 1, 0, 0, 1, 1, 1, 1 };
        QCOMPARE(numbers.ok, ok);
        for (size_t r = 0; r < values.size(); ++r) {
            if (ok[r])
                QCOMPARE(numbers.values[r], values[r]);
        }
    }

    // A group tests its cheapest condition first (the column of few distinct
    // values), which must not change which rows match.
    void groupOrderKeepsOutcome_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<int>("anyColumnOp");
        QTest::newRow("and") << true << -1;
        QTest::newRow("or") << false << -1;
        QTest::newRow("and, any column contains 9") << true << int(OpContains);
        QTest::newRow("or, any column contains 9") << false << int(OpContains);
    }

    void groupOrderKeepsOutcome()
    {
        QFETCH(bool, all);
        QFETCH(int, anyColumnOp);
        Dataset data;
        data.setColumnCount(2);
        for (int i = 0; i < 400; ++i)
            data.appendRow(
                { QString::number(i), i % 3 ? QStringLiteral("A") : QStringLiteral("B") });
        // The term on the column of distinct values comes first.
        ConditionTermList terms { { ColumnRef { 0, {}, {} }, OpGreater, QStringLiteral("100") },
            { ColumnRef { 1, {}, {} }, OpEqual, QStringLiteral("A") } };
        if (anyColumnOp >= 0)
            terms.append({ ColumnRef(), anyColumnOp, QStringLiteral("9") });
        ConditionGroup group = makeConditionGroup(
            terms, all, [](const ColumnRef& ref) { return ref.position; }, data, Qt::CaseSensitive);
        QCOMPARE(group.firstColumn(), 1);
        for (int i = 0; i < data.rowCount(); ++i) {
            const bool over = i > 100;
            const bool isA = i % 3 != 0;
            const bool nine = anyColumnOp < 0 ? all : QString::number(i).contains(QLatin1Char('9'));
            const bool expected = all ? (over && isA && nine) : (over || isA || nine);
            QCOMPARE(group.matches(data.row(i)), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestConditions)
#include "tst_conditions.moc"
