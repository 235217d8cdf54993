// Count's drilldown. Frequency tables and Total's running totals are golden
// cases (tests/data/transforms/analysis).
#include "tests/transforms/format/textharness.h"

#include "transforms/analysis/transformcount.h"

class TestCountAndTotal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

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
};

QTEST_MAIN(TestCountAndTotal)
#include "tst_countandtotal.moc"
