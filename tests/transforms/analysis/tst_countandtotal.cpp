// Count's frequency tables and Total's running totals.
#include "tests/transforms/format/textharness.h"

#include "transforms/analysis/transformcount.h"
#include "transforms/analysis/transformtotal.h"

#include <QTest>

class TestCountAndTotal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }
    void count_data();
    void count();
    void countWithoutColumn();
    void countDrilldown();
    void total_data();
    void total();
};

void TestCountAndTotal::count_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QString>("order");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QStringList>("expected");
    const QStringList abac { "a", "b", "a", "c" };
    QTest::newRow("defaults: most frequent first, ties by text")
        << abac << "Count"
        << "Descending" << true << QStringList { "a,2", "b,1", "c,1" };
    QTest::newRow("ascending count keeps ties by text")
        << abac << "Count"
        << "Ascending" << true << QStringList { "b,1", "c,1", "a,2" };
    QTest::newRow("text ascending") << abac << "Text"
                                    << "Ascending" << true << QStringList { "a,2", "b,1", "c,1" };
    QTest::newRow("text descending") << abac << "Text"
                                     << "Descending" << true << QStringList { "c,1", "b,1", "a,2" };
    QTest::newRow("case variants counted together under the first text")
        << QStringList { "Paris", "paris", "PARIS", "Rome" } << "Count"
        << "Descending" << false << QStringList { "Paris,3", "Rome,1" };
    QTest::newRow("case variants apart, plain text order")
        << QStringList { "b", "B", "a", "b" } << "Text"
        << "Ascending" << true << QStringList { "B,1", "a,1", "b,2" };
    QTest::newRow("empty values are a value")
        << QStringList { "", "x", "" } << "Count"
        << "Descending" << true << QStringList { ",2", "x,1" };
}

void TestCountAndTotal::count()
{
    QFETCH(QStringList, values);
    QFETCH(QString, sort);
    QFETCH(QString, order);
    QFETCH(bool, caseSensitive);
    QFETCH(QStringList, expected);
    TransformRun run(new TransformCount, oneColumn(values));
    run.column(0, QStringLiteral("Column")).choose(QStringLiteral("Sort"), sort);
    run.choose(QStringLiteral("Order"), order).set(QStringLiteral("Case_Sensitive"), caseSensitive);
    const Dataset& out = run.run();
    QCOMPARE(joinRows(out), expected);
    QCOMPARE(out.columnNames(), QStringList({ "Value", "Count Value" }));
    QCOMPARE(run.summary(),
        QStringLiteral("%1 counted from %2 rows").arg(expected.size()).arg(values.size()));
}

void TestCountAndTotal::countWithoutColumn()
{
    TransformRun run(new TransformCount, oneColumn({ "a" }));
    const Dataset& out = run.run();
    QCOMPARE(out.columnNames(), QStringList({ "<None selected>", "Count" }));
    QCOMPARE(out.rowCount(), 0);
    run.set(QStringLiteral("Auto_New_Name"), false).set(QStringLiteral("New_Name"), "n");
    run.column(0, QStringLiteral("Column")).run();
    QCOMPARE(run.output().columnName(1), QStringLiteral("n"));
}

void TestCountAndTotal::countDrilldown()
{
    TransformRun run(new TransformCount, oneColumn({ "a", "b", "a" }));
    run.column(0, QStringLiteral("Column")).set(QStringLiteral("Drilldown"), true);
    const Dataset& out = run.run();
    QList<int> rows = out.drilldown().values(CellPos { 0, 1 });
    std::sort(rows.begin(), rows.end());
    QCOMPARE(rows, QList<int>({ 0, 2 }));
    QCOMPARE(out.drilldown().values(CellPos { 1, 1 }), QList<int>({ 1 }));
    QCOMPARE(out.drilldown().size(), 3);
}

void TestCountAndTotal::total_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("byRegion");
    QTest::addColumn<QStringList>("totals");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<QString>("summary");
    QTest::newRow("a text adds nothing")
        << QStringList { "N,1", "N,x", "N,2" } << false << QStringList { "1", "1", "3" }
        << QStringList { "'x' is not a numerical value in row 2" } << "2 rows totalled";
    QTest::newRow("by region") << QStringList { "North,1", "South,5", "North,2", "South,$1.5" }
                               << true << QStringList { "1", "5", "3", "6.5" } << QStringList()
                               << "4 rows totalled";
    QTest::newRow("decimals as the value needs")
        << QStringList { "a,0.1", "a,0.2", "a,-0.3" } << false << QStringList { "0.1", "0.3", "0" }
        << QStringList() << "3 rows totalled";
    QTest::newRow("fifth failure only counted")
        << QStringList { "a,p", "a,", "a,r", "a,s", "a,t", "a,4" } << false
        << QStringList { "0", "0", "0", "0", "0", "4" }
        << QStringList { "'p' is not a numerical value in row 1",
               "'' is not a numerical value in row 2", "'r' is not a numerical value in row 3",
               "'s' is not a numerical value in row 4", "+ 1 other" }
        << "1 row totalled";
}

void TestCountAndTotal::total()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, byRegion);
    QFETCH(QStringList, totals);
    QFETCH(QStringList, warnings);
    QFETCH(QString, summary);
    TransformRun run(new TransformTotal, makeDataset({ "region", "amount" }, splitRows(rows)));
    run.column(1, QStringLiteral("Column"));
    if (byRegion)
        run.column(0, QStringLiteral("By"));
    const Dataset& out = run.run();
    QCOMPARE(out.columnName(2), QStringLiteral("Total amount"));
    QCOMPARE(run.outputColumn(2), totals);
    QCOMPARE(run.transform()->warnings(), warnings);
    QCOMPARE(run.summary(), summary);
}

QTEST_MAIN(TestCountAndTotal)
#include "tst_countandtotal.moc"
