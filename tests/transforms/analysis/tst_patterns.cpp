// Correlate, Cluster and Ngram: correlations against pandas, clusters of
// well-separated groups, n-gram counts checked by hand.
#include "analysisharness.h"

#include "transforms/analysis/transformcluster.h"
#include "transforms/analysis/transformcorrelate.h"
#include "transforms/analysis/transformngram.h"

class TestPatterns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareAnalysisTests(); }

    void correlate_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QString& method, const QStringList& expected) {
            QTest::newRow(name) << method << expected;
        };
        // pandas DataFrame.corr(method) with "x" and "" as NaN.
        row("pearson", "Pearson",
            { "a|1|0.7745966692414834|-0.9453917632573876",
                "b|0.7745966692414834|1|-0.6876819060735033",
                "c|-0.9453917632573876|-0.6876819060735033|1", "d|||" });
        row("spearman", "Spearman",
            { "a|1|0.7378647873726218|-0.9428571428571428",
                "b|0.7378647873726218|1|-0.7356123579206245",
                "c|-0.9428571428571428|-0.7356123579206245|1", "d|||" });
    }

    void correlate()
    {
        QFETCH(QString, method);
        QFETCH(QStringList, expected);
        const Dataset data = makeDataset({ "a", "b", "c", "d" },
            cells({ "1;2;9;5", "2;4;7;5", "3;5;8;5", "4;4;3;5", "5;5;2;5", "x;6;1;5", "7;;0;5" }));
        TransformRun run(new TransformCorrelate, data);
        run.columns({ 0, 1, 2, 3 }).choose("Method", method).run();
        QCOMPARE(run.output().header(), QStringList({ "Column", "a", "b", "c", "d" }));
        QCOMPARE(run.output().rowCount(), 4);
        // A constant column correlates with nothing, itself included.
        for (int r = 0; r < 3; ++r)
            COMPARE_FIGURES(run.output().row(r).mid(0, 4), expected.at(r).split('|'));
        QCOMPARE(run.output().row(3), QStringList({ "d", "", "", "", "" }));
        const QStringList info = run.transform()->information();
        QVERIFY(info.contains("'a' and 'b': 5 pairs"));
        QVERIFY(info.contains("'b' and 'c': 6 pairs"));
    }

    void cluster_data()
    {
        QTest::addColumn<int>("seed");
        QTest::addColumn<bool>("standardise");
        // Three well-separated groups come out the same from any start.
        QTest::newRow("seed 1") << 1 << true;
        QTest::newRow("seed 7") << 7 << true;
        QTest::newRow("seed 42, raw units") << 42 << false;
    }

    void cluster()
    {
        QFETCH(int, seed);
        QFETCH(bool, standardise);
        TransformRun run(new TransformCluster, oneColumn(bars("50|1|21|2|52|3|20|51|22")));
        run.columns({ 0 }).set("Seed", seed).set("Standardise", standardise).run();
        QCOMPARE(run.outputColumn(1), bars("1|2|3|2|1|2|3|1|3"));
        QCOMPARE(run.summary(), QStringLiteral("9 rows clustered into 3 clusters"));
        const QStringList first = run.outputColumn(1);
        run.run();
        QCOMPARE(run.outputColumn(1), first);
    }

    void clusterCentresAndMissingRows()
    {
        const Dataset data = makeDataset(
            { "x", "y" }, cells({ "1;1", "10;10", "1.5;2", "10.5;11", "abc;4", "1;1.5", "11;10" }));
        TransformRun run(new TransformCluster, data);
        run.columns({ 0, 1 }).set("Clusters", 2).run();
        QCOMPARE(run.outputColumn(2), bars("1|2|1|2||1|2"));
        // numpy: the groups' means.
        const QStringList info = run.transform()->information();
        QVERIFY(info.contains("Cluster 1: 3 rows, centre x = 1.1667, y = 1.5"));
        QVERIFY(info.contains("Cluster 2: 3 rows, centre x = 10.5, y = 10.3333"));
        QVERIFY(run.warnings().contains(
            "1 row with an empty value or one that is not a number got no cluster."));

        TransformRun same(new TransformCluster, oneColumn(bars("5|5|5")));
        same.columns({ 0 }).set("Clusters", 2).run();
        QCOMPARE(same.outputColumn(1), bars("1|1|1"));
        QCOMPARE(same.warnings().filter("fewer different rows").size(), 1);
    }

    void ngram_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("punctuation");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("top");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QString& unit, int size, bool caseSensitive,
                       bool punctuation, int minimum, int top, const QStringList& expected) {
            QTest::newRow(name) << unit << size << caseSensitive << punctuation << minimum << top
                                << expected;
        };
        row("words", "Words", 1, false, false, 1, 0,
            { "the|3|42.86", "cat|2|28.57", "sat|1|14.29", "hat|1|14.29" });
        row("pairs do not cross cells", "Words", 2, false, false, 1, 0,
            { "the cat|2|40", "cat sat|1|20", "cat the|1|20", "the hat|1|20" });
        row("case sensitive ties keep first-met order", "Words", 1, true, false, 1, 0,
            { "cat|2|28.57", "the|2|28.57", "The|1|14.29", "sat|1|14.29", "hat|1|14.29" });
        row("punctuation kept", "Words", 1, false, true, 2, 0, { "the|3|42.86" });
        // 9 + 13 trigrams once the comma and "!" are gone and the double space
        // is squeezed; "the" and "he " occur 3 times each.
        row("characters, top 2", "Characters", 3, false, false, 1, 2,
            { "the|3|13.64", "he |3|13.64" });
    }

    void ngram()
    {
        QFETCH(QString, unit);
        QFETCH(int, size);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, punctuation);
        QFETCH(int, minimum);
        QFETCH(int, top);
        TransformRun run(
            new TransformNgram, oneColumn({ "The cat sat.", "the cat, the  hat!", "" }));
        run.column(0, "Column").choose("Unit", unit).set("Size", size);
        run.set("Case_Sensitive", caseSensitive).set("Keep_Punctuation", punctuation);
        run.set("Minimum_Count", minimum).set("Top", top).run();
        QStringList rows;
        for (int r = 0; r < run.output().rowCount(); ++r)
            rows << run.output().row(r).join('|');
        QTEST(rows, "expected");
    }

    void ngramDrilldown()
    {
        TransformRun run(new TransformNgram, oneColumn({ "a b a", "c", "b" }));
        run.column(0, "Column").set("Drilldown", true).run();
        QCOMPARE(joinRows(run.output()), QStringList({ "a,2,40", "b,2,40", "c,1,20" }));
        // "a" twice in the first row leads to that row once.
        const QMultiMap<CellPos, int>& map = run.output().drilldown();
        QCOMPARE(map.values(CellPos { 0, 0 }), QList<int>({ 0 }));
        QCOMPARE(map.values(CellPos { 1, 1 }).size(), 2);
        QVERIFY(map.values(CellPos { 1, 1 }).contains(2));
        QCOMPARE(map.values(CellPos { 2, 2 }), QList<int>());
    }
};

QTEST_MAIN(TestPatterns)
#include "tst_patterns.moc"
