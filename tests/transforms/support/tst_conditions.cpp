#include "core/dataset.h"
#include "core/values.h"
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
        QTest::newRow("10 = 10.0") << int(OpEqual) << "10"
                                   << "10.0" << true << true;
        QTest::newRow("10 != 10 kg") << int(OpEqual) << "10"
                                     << "10 kg" << true << false;
        QTest::newRow("not equal 10 kg") << int(OpNotEqual) << "10"
                                         << "10 kg" << true << true;
        QTest::newRow("9 < 10 as numbers") << int(OpLess) << "10"
                                           << "9" << true << true;
        QTest::newRow("9x > 10 as text") << int(OpGreater) << "10"
                                         << "9x" << true << true;
        QTest::newRow("dates as dates") << int(OpGreater) << "2020-01-31"
                                        << "1/2/2020" << true << true;
        QTest::newRow("equal case off") << int(OpEqual) << "ABC"
                                        << "abc" << false << true;
        QTest::newRow("equal case on") << int(OpEqual) << "ABC"
                                       << "abc" << true << false;
        QTest::newRow(">= equal numbers") << int(OpGreaterEqual) << "5"
                                          << "5.00" << true << true;
        QTest::newRow("contains") << int(OpContains) << "B"
                                  << "abc" << false << true;
        QTest::newRow("contains whitespace") << int(OpContains) << " b"
                                             << "abc" << true << false;
        QTest::newRow("starts") << int(OpNotStartsWith) << "ab"
                                << "abc" << true << false;
        QTest::newRow("ends") << int(OpEndsWith) << "bc"
                              << "abc" << true << true;
        QTest::newRow("regex") << int(OpMatchesRegex) << "^a.c$"
                               << "abc" << true << true;
        QTest::newRow("regex case") << int(OpMatchesRegex) << "^A"
                                    << "abc" << false << true;
        QTest::newRow("bad regex") << int(OpMatchesRegex) << "a("
                                   << "a(" << true << false;
        QTest::newRow("bad regex negated") << int(OpNotMatchesRegex) << "a("
                                           << "xyz" << true << false;
        QTest::newRow("colour/color 80") << int(OpFuzzy80) << "colour"
                                         << "color" << true << true;
        QTest::newRow("colour/colr 80") << int(OpFuzzy80) << "colour"
                                        << "colr" << true << false;
        QTest::newRow("fuzzy case off") << int(OpFuzzy90) << "COLOUR"
                                        << "colour" << false << true;
        QTest::newRow("fuzzy case on") << int(OpFuzzy50) << "COLOUR"
                                       << "colour" << true << false;
        QTest::newRow("empty") << int(OpIsEmpty) << ""
                               << " " << true << false;
        QTest::newRow("not empty") << int(OpIsNotEmpty) << ""
                                   << " " << true << true;
    }

    void cell()
    {
        QFETCH(int, op);
        QFETCH(QString, term);
        QFETCH(QString, cell);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, expected);
        const ConditionTest test(op, term, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
        QCOMPARE(test.matches(cell), expected);
    }

    void anyColumn_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<bool>("expected");
        QTest::newRow("contains, one cell has it")
            << int(OpContains) << QStringList { "a", "xy" } << true;
        QTest::newRow("contains, none has it")
            << int(OpContains) << QStringList { "a", "b" } << false;
        QTest::newRow("doesn't contain, one lacks it")
            << int(OpNotContains) << QStringList { "x", "b" } << true;
        QTest::newRow("doesn't contain, all have it")
            << int(OpNotContains) << QStringList { "x", "ax" } << false;
    }

    void anyColumn()
    {
        QFETCH(int, op);
        QFETCH(QStringList, row);
        QFETCH(bool, expected);
        Dataset data;
        data.setColumnCount(2);
        RowCondition condition(-1, op, QStringLiteral("x"), data, Qt::CaseSensitive);
        QCOMPARE(condition.matches(row), expected);
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

    void badPatternIsOneProblem()
    {
        Dataset data;
        data.setColumnCount(1);
        ConditionGroup group;
        group.add(RowCondition(0, OpMatchesRegex, QStringLiteral("[a"), data, Qt::CaseSensitive));
        for (int i = 0; i < 3; ++i)
            QVERIFY(!group.matches({ "[a" }));
        const QStringList problems = group.problems();
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems.first().contains(QStringLiteral("'[a'")));
    }

    void groupAndOr()
    {
        Dataset data;
        data.setColumnCount(2);
        for (bool all : { true, false }) {
            ConditionGroup group(all);
            group.add(RowCondition(0, OpEqual, QStringLiteral("a"), data, Qt::CaseSensitive));
            group.add(RowCondition(1, OpEqual, QStringLiteral("b"), data, Qt::CaseSensitive));
            QVERIFY(group.matches({ "a", "b" }));
            QCOMPARE(group.matches({ "a", "c" }), !all);
            QVERIFY(!group.matches({ "c", "c" }));
        }
    }

    void shortNames()
    {
        QCOMPARE(conditionOperatorNames().size(), int(ConditionOperatorCount));
        QCOMPARE(conditionOperatorShortName(OpEqual), QStringLiteral("="));
        QCOMPARE(conditionOperatorShortName(OpNotMatchesRegex), QStringLiteral("!rx"));
    }
};

QTEST_GUILESS_MAIN(TestConditions)
#include "tst_conditions.moc"
