// Cluster runs repeat from their seed; Ngram's drilldown. Correlations
// against pandas, clusters and n-gram counts are golden cases
// (tests/data/transforms/analysis).
#include "analysisharness.h"

#include "transforms/analysis/transformcluster.h"
#include "transforms/analysis/transformngram.h"

class TestPatterns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareAnalysisTests(); }

    // A second run of the same item starts from its seed again.
    void clusterRunsRepeat()
    {
        TransformRun run(new TransformCluster, oneColumn(bars("50|1|21|2|52|3|20|51|22")));
        run.columns({ 0 }).set("Seed", 7).run();
        const QStringList first = run.outputColumn(1);
        run.run();
        QCOMPARE(run.outputColumn(1), first);
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
