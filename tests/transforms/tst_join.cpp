#include "mergefixture.h"

#include "core/settings.h"
#include "transforms/transformjoin.h"

#include <QLocale>
#include <QStandardPaths>
#include <QTest>

class TestJoin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void init() { RunState::clearStopRequest(); }

    void byKey_data();
    void byKey();
    void byRowNumber_data();
    void byRowNumber();
    void detailedReport();
    void manyMissesAreSummarised();
    void oneInputOrUnsetKeys();
    void valuesShareUpstreamStorage();
    void movingBottomAboveTopSwapsRoles();
};

void TestJoin::byKey_data()
{
    QTest::addColumn<QString>("topHeader");
    QTest::addColumn<QStringList>("top");
    QTest::addColumn<QString>("bottomHeader");
    QTest::addColumn<QStringList>("bottom");
    QTest::addColumn<int>("topKey");
    QTest::addColumn<int>("bottomKey");
    QTest::addColumn<bool>("keepTop");
    QTest::addColumn<bool>("keepBottom");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("summary");

    QTest::newRow("one top key, three bottom rows, in bottom order")
        << "k|v" << QStringList { "a|1", "b|2" } << "k|w"
        << QStringList { "b|x", "a|y", "a|z", "a|w" } << 0 << 0 << false << false << true
        << QStringList { "k", "v", "w" } << QStringList { "a|1|y", "a|1|z", "a|1|w", "b|2|x" }
        << "4 rows joined";
    QTest::newRow("inner join without common keys")
        << "k|v" << QStringList { "a|1" } << "k|w" << QStringList { "b|x" } << 0 << 0 << false
        << false << true << QStringList { "k", "v", "w" } << QStringList {} << "0 rows joined";
    QTest::newRow("left join: top-only rows follow the joined ones")
        << "k|v" << QStringList { "c|3", "a|1" } << "k|w" << QStringList { "a|x", "b|y" } << 0 << 0
        << true << false << true << QStringList { "k", "v", "w" } << QStringList { "a|1|x", "c|3|" }
        << "2 rows joined";
    QTest::newRow("right join: the key column shows the bottom key")
        << "k|v" << QStringList { "a|1" } << "k|w" << QStringList { "b|y", "a|x" } << 0 << 0
        << false << true << true << QStringList { "k", "v", "w" } << QStringList { "a|1|x", "b||y" }
        << "2 rows joined";
    QTest::newRow("full outer join")
        << "k|v" << QStringList { "a|1", "c|3" } << "k|w" << QStringList { "a|x", "b|y" } << 0 << 0
        << true << true << true << QStringList { "k", "v", "w" }
        << QStringList { "a|1|x", "c|3|", "b||y" } << "3 rows joined";
    QTest::newRow("keys in other columns")
        << "v|k" << QStringList { "1|a", "2|b" } << "w|k|u" << QStringList { "x|b|p", "y|a|q" } << 1
        << 1 << false << true << true << QStringList { "v", "k", "w", "u" }
        << QStringList { "1|a|y|q", "2|b|x|p" } << "2 rows joined";
    QTest::newRow("right join with the top key in a later column")
        << "v|k" << QStringList { "1|a" } << "k|w" << QStringList { "z|9" } << 1 << 0 << false
        << true << true << QStringList { "v", "k", "w" } << QStringList { "|z|9" }
        << "1 row joined";
    QTest::newRow("case sensitive keys differ")
        << "k|v" << QStringList { "ABC|1" } << "k|w" << QStringList { "abc|x" } << 0 << 0 << false
        << false << true << QStringList { "k", "v", "w" } << QStringList {} << "0 rows joined";
    QTest::newRow("case insensitive keys match")
        << "k|v" << QStringList { "ABC|1" } << "k|w" << QStringList { "abc|x" } << 0 << 0 << false
        << false << false << QStringList { "k", "v", "w" } << QStringList { "ABC|1|x" }
        << "1 row joined";
    QTest::newRow("a leading blank is part of the key")
        << "k|v" << QStringList { " a|1" } << "k|w" << QStringList { "a|x" } << 0 << 0 << false
        << false << true << QStringList { "k", "v", "w" } << QStringList {} << "0 rows joined";
    QTest::newRow("bottom with only its key column")
        << "k|v" << QStringList { "a|1", "b|2" } << "k" << QStringList { "b", "b" } << 0 << 0
        << true << false << true << QStringList { "k", "v" } << QStringList { "b|2", "b|2", "a|1" }
        << "3 rows joined";
    QTest::newRow("empty keys match each other")
        << "k|v" << QStringList { "|1" } << "k|w" << QStringList { "|x" } << 0 << 0 << false
        << false << true << QStringList { "k", "v", "w" } << QStringList { "|1|x" }
        << "1 row joined";
}

void TestJoin::byKey()
{
    QFETCH(QString, topHeader);
    QFETCH(QStringList, top);
    QFETCH(QString, bottomHeader);
    QFETCH(QStringList, bottom);
    QFETCH(int, topKey);
    QFETCH(int, bottomKey);
    QFETCH(bool, keepTop);
    QFETCH(bool, keepBottom);
    QFETCH(bool, caseSensitive);
    QFETCH(QStringList, header);
    QFETCH(QStringList, rows);
    QFETCH(QString, summary);

    MergeFixture f(new TransformJoin, { dataset(topHeader, top), dataset(bottomHeader, bottom) });
    f.choose("Column_1", topKey);
    f.choose("Column_2", bottomKey);
    f.set("Include_Non_Matching_1", keepTop);
    f.set("Include_Non_Matching_2", keepBottom);
    f.set("Case_Sensitive", caseSensitive);
    const Dataset& out = f.run();
    QCOMPARE(f.node()->status(), int(StatusUpToDate));
    QCOMPARE(out.columnNames(), header);
    QCOMPARE(rowsOf(out), table(rows));
    QCOMPARE(f.summary(), summary);
    QVERIFY(f.warnings().isEmpty());
}

void TestJoin::byRowNumber_data()
{
    QTest::addColumn<bool>("keepTop");
    QTest::addColumn<bool>("keepBottom");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("topUsed");
    QTest::addColumn<QString>("bottomUsed");
    QTest::newRow("neither") << false << false << 3 << "3 rows used from 5 in top upstream dataset"
                             << "3 rows used from 3 in bottom upstream dataset";
    QTest::newRow("top only") << true << false << 5 << "5 rows used from 5 in top upstream dataset"
                              << "3 rows used from 3 in bottom upstream dataset";
    QTest::newRow("bottom only") << false << true << 3
                                 << "3 rows used from 5 in top upstream dataset"
                                 << "3 rows used from 3 in bottom upstream dataset";
    QTest::newRow("both") << true << true << 5 << "5 rows used from 5 in top upstream dataset"
                          << "3 rows used from 3 in bottom upstream dataset";
}

void TestJoin::byRowNumber()
{
    QFETCH(bool, keepTop);
    QFETCH(bool, keepBottom);
    QFETCH(int, rows);
    QFETCH(QString, topUsed);
    QFETCH(QString, bottomUsed);
    const Dataset top = dataset("a|b", { "1|x", "2|x", "3|x", "4|x", "5|x" });
    const Dataset bottom = dataset("b|c", { "p|7", "q|8", "r|9" });
    MergeFixture f(new TransformJoin, { top, bottom });
    f.set("By", QStringLiteral("Row number"));
    f.set("Include_Non_Matching_1", keepTop);
    f.set("Include_Non_Matching_2", keepBottom);
    const Dataset& out = f.run();
    QCOMPARE(out.rowCount(), rows);
    // Every column of both stays, the shared name included.
    QCOMPARE(out.columnNames(), (QStringList { "a", "b", "b", "c" }));
    QCOMPARE(out.row(2), (QStringList { "3", "x", "r", "9" }));
    if (rows == 5)
        QCOMPARE(out.row(4), (QStringList { "5", "x", "", "" }));
    QCOMPARE(f.information(), (QStringList { topUsed, bottomUsed }));
    QCOMPARE(f.summary(), QStringLiteral("%1 rows joined").arg(rows));
    // The key options do not apply and are not asked for.
    QVERIFY(f.warnings().isEmpty());
}

void TestJoin::detailedReport()
{
    const Dataset top = dataset("k|v", { "a|1", "b|2", "b|3", " d|4", "c|5" });
    const Dataset bottom = dataset("k|w", { "b|x", "d|y", "e|z", "E|q" });
    MergeFixture f(new TransformJoin, { top, bottom });
    f.choose("Column_1", 0);
    f.choose("Column_2", 0);
    f.set("Detailed_Report", true);
    f.set("Case_Sensitive", false);
    f.run();
    QCOMPARE(f.summary(), QStringLiteral("2 rows joined"));
    const QStringList expected {
        "2 rows have keys in both datasets",
        "3 misses in the Top key column:",
        "'a' at row 1",
        "' d' at row 4",
        "'c' at row 5",
        "3 misses in the Bottom key column:",
        "'d' at row 2",
        "'e' at row 3",
        "'E' at row 4",
        "1 unique keys appear in both datasets",
        "3 top only",
        "3 bottom only",
        "1 duplicated keys in the Top key column:",
        "'b' occurs 2 times (case insensitive)",
        "1 duplicated keys in the Bottom key column:",
        "'e' occurs 2 times (case insensitive)",
        "1 values with leading or trailing whitespace in the Top key column:",
        "' d' at row 4",
        "(keys are whitespace and case sensitive)",
    };
    QCOMPARE(f.information(), expected);
}

void TestJoin::manyMissesAreSummarised()
{
    QStringList topRows;
    for (int i = 1; i <= 1205; ++i)
        topRows << QStringLiteral("t%1|%1").arg(i);
    MergeFixture f(new TransformJoin,
        { dataset("k|v", topRows), dataset("k|w", { "t1 |x", "t3|y", "t3|z" }) });
    f.choose("Column_1", 0);
    f.choose("Column_2", 0);
    f.set("Detailed_Report", true);
    f.set("Include_Non_Matching_1", true);
    f.run();
    QCOMPARE(f.summary(), QStringLiteral("1,206 rows joined"));
    const QStringList info = f.information();
    QCOMPARE(info.at(0), QStringLiteral("2 rows have keys in both datasets"));
    QCOMPARE(info.at(1), QStringLiteral("1,204 misses in the Top key column:"));
    QCOMPARE(info.at(2), QStringLiteral("'t1' at row 1"));
    QCOMPARE(info.at(3), QStringLiteral("'t2' at row 2"));
    QCOMPARE(info.at(6), QStringLiteral("'t6' at row 6"));
    QCOMPARE(info.at(7), QStringLiteral("+ 1,199 other misses"));
    QCOMPARE(info.at(8), QStringLiteral("1 miss in the Bottom key column:"));
    QCOMPARE(info.at(9), QStringLiteral("'t1 ' at row 1"));
    QVERIFY(info.contains(QStringLiteral("1 values with leading or trailing whitespace in the "
                                         "Bottom key column:")));
    QVERIFY(info.contains(QStringLiteral("'t3' occurs 2 times")));
}

void TestJoin::oneInputOrUnsetKeys()
{
    const Dataset top = dataset("k|v", { "a|1" });
    {
        MergeFixture f(new TransformJoin, { top });
        f.run();
        QVERIFY(f.output().equals(top));
        QCOMPARE(f.summary(), QStringLiteral("Connect a second dataset"));
        QVERIFY(f.warnings().contains(QStringLiteral("2 upstream connections expected")));
    }
    MergeFixture f(new TransformJoin, { top, dataset("k|w", { "a|x" }) });
    f.choose("Column_1", 0);
    f.run();
    QVERIFY(f.output().equals(top));
    QCOMPARE(f.summary(), QStringLiteral("No changes"));
    QCOMPARE(f.warnings(), QStringList { "1 option not set ('Bottom key column')" });
}

// A joined row takes its values from the upstream rows by reference: a
// million-row join must not copy a million rows of text.
void TestJoin::valuesShareUpstreamStorage()
{
    MergeFixture f(new TransformJoin,
        { dataset("k|v", { "a|first value", "b|other" }), dataset("k|w", { "a|bottom value" }) });
    f.choose("Column_1", 0);
    f.choose("Column_2", 0);
    const Dataset& out = f.run();
    const Dataset& top = f.source(0)->dataset();
    const Dataset& bottom = f.source(1)->dataset();
    QCOMPARE(out.rowCount(), 1);
    QVERIFY(out.value(0, 1).isSharedWith(top.value(0, 1)));
    QVERIFY(out.value(0, 2).isSharedWith(bottom.value(0, 1)));
    // The columns keep their upstream identities.
    QCOMPARE(out.columnId(1), top.columnId(1));
    QCOMPARE(out.columnId(2), bottom.columnId(1));
}

void TestJoin::movingBottomAboveTopSwapsRoles()
{
    MergeFixture f(new TransformJoin,
        { dataset("id|name", { "1|Ann", "2|Bob" }), dataset("city|id", { "Oslo|2", "Rome|3" }) });
    f.choose("Column_1", 0);
    f.choose("Column_2", 1);
    QCOMPARE(rowsOf(f.run()), table({ "2|Bob|Oslo" }));

    f.source(1)->setPos(0, -100);
    f.scene().onPosChanged({ f.source(1) });
    QCOMPARE(f.transform()->parameter("Column_1")->sourceItem(), f.source(1));
    QCOMPARE(f.transform()->parameter("Column_1")->summary(), QStringLiteral("id"));
    QCOMPARE(f.transform()->parameter("Column_2")->sourceItem(), f.source(0));
    const Dataset& out = f.run();
    QCOMPARE(out.columnNames(), (QStringList { "city", "id", "name" }));
    QCOMPARE(rowsOf(out), table({ "Oslo|2|Bob" }));
}

QTEST_MAIN(TestJoin)
#include "tst_join.moc"
