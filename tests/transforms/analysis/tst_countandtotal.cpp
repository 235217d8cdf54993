// Count's frequency tables and Total's running totals.
#include "tests/transforms/format/textharness.h"

#include "transforms/analysis/transformcount.h"
#include "transforms/analysis/transformtotal.h"

class TestCountAndTotal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void count_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QString>("order");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QStringList& values, const QString& sort,
                       const QString& order, bool caseSensitive, const QStringList& expected) {
            QTest::newRow(name) << values << sort << order << caseSensitive << expected;
        };
        const QStringList abac { "a", "b", "a", "c" };
        row("defaults: most frequent first, ties by text", abac, "Count", "Descending", true,
            { "a,2", "b,1", "c,1" });
        row("ascending count keeps ties by text", abac, "Count", "Ascending", true,
            { "b,1", "c,1", "a,2" });
        row("text ascending", abac, "Text", "Ascending", true, { "a,2", "b,1", "c,1" });
        row("text descending", abac, "Text", "Descending", true, { "c,1", "b,1", "a,2" });
        row("case variants counted together under the first text",
            { "Paris", "paris", "PARIS", "Rome" }, "Count", "Descending", false,
            { "Paris,3", "Rome,1" });
        row("case variants apart, plain text order", { "b", "B", "a", "b" }, "Text", "Ascending",
            true, { "B,1", "a,1", "b,2" });
        row("empty values are a value", { "", "x", "" }, "Count", "Descending", true,
            { ",2", "x,1" });
    }

    void count()
    {
        QFETCH(QStringList, values);
        QFETCH(QString, sort);
        QFETCH(QString, order);
        QFETCH(bool, caseSensitive);
        QFETCH(QStringList, expected);
        TransformRun run(new TransformCount, oneColumn(values));
        run.column(0, QStringLiteral("Column")).choose(QStringLiteral("Sort"), sort);
        run.choose(QStringLiteral("Order"), order)
            .set(QStringLiteral("Case_Sensitive"), caseSensitive);
        const Dataset& out = run.run();
        QCOMPARE(joinRows(out), expected);
        QCOMPARE(out.columnNames(), QStringList({ "Value", "Count Value" }));
        QCOMPARE(run.summary(),
            QStringLiteral("%1 counted from %2 rows").arg(expected.size()).arg(values.size()));
    }

    void countWithoutColumn()
    {
        TransformRun run(new TransformCount, oneColumn({ "a" }));
        const Dataset& out = run.run();
        QCOMPARE(out.columnNames(), QStringList({ "<None selected>", "Count" }));
        QCOMPARE(out.rowCount(), 0);
        run.set(QStringLiteral("Auto_New_Name"), false).set(QStringLiteral("New_Name"), "n");
        run.column(0, QStringLiteral("Column")).run();
        QCOMPARE(run.output().columnName(1), QStringLiteral("n"));
    }

    void countDrilldown()
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

    void total_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("byRegion");
        QTest::addColumn<QStringList>("totals");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<QString>("summary");
        auto row
            = [](const char* name, const QStringList& rows, bool byRegion,
                  const QStringList& totals, const QStringList& warnings, const QString& summary) {
                  QTest::newRow(name) << rows << byRegion << totals << warnings << summary;
              };
        row("a text adds nothing", { "N,1", "N,x", "N,2" }, false, { "1", "1", "3" },
            { "'x' is not a numerical value in row 2" }, "2 rows totalled");
        row("by region", { "North,1", "South,5", "North,2", "South,$1.5" }, true,
            { "1", "5", "3", "6.5" }, QStringList(), "4 rows totalled");
        row("decimals as the value needs", { "a,0.1", "a,0.2", "a,-0.3" }, false,
            { "0.1", "0.3", "0" }, QStringList(), "3 rows totalled");
        row("fifth failure only counted", { "a,p", "a,", "a,r", "a,s", "a,t", "a,4" }, false,
            { "0", "0", "0", "0", "0", "4" },
            { "'p' is not a numerical value in row 1", "'' is not a numerical value in row 2",
                "'r' is not a numerical value in row 3", "'s' is not a numerical value in row 4",
                "+ 1 other" },
            "1 row totalled");
    }

    void total()
    {
        QFETCH(QStringList, rows);
        QFETCH(bool, byRegion);
        QFETCH(QStringList, warnings);
        QFETCH(QString, summary);
        TransformRun run(new TransformTotal, makeDataset({ "region", "amount" }, splitRows(rows)));
        run.column(1, QStringLiteral("Column"));
        if (byRegion)
            run.column(0, QStringLiteral("By"));
        const Dataset& out = run.run();
        QCOMPARE(out.columnName(2), QStringLiteral("Total amount"));
        QTEST(run.outputColumn(2), "totals");
        QCOMPARE(run.transform()->warnings(), warnings);
        QCOMPARE(run.summary(), summary);
    }
};

QTEST_MAIN(TestCountAndTotal)
#include "tst_countandtotal.moc"
