// Pivot's drilldown and a sparse table. The tables figured by pandas
// (tests/data/pivot), warnings, headings, totals and small samples are golden
// cases (tests/data/transforms/analysis/Pivot).
#include "tests/transforms/format/textharness.h"

#include "transforms/analysis/transformpivot.h"

namespace {

// region, quarter, amount
Dataset sales()
{
    return makeDataset({ "region", "quarter", "amount" },
        splitRows({ "North,Q1,10", "South,Q1,5", "North,Q2,abc", "North,Q1,2.5", ",Q2,1" }));
}

} // namespace

class TestPivot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void drilldownLeadsToTheRowsBehindACell()
    {
        TransformRun run(new TransformPivot, sales());
        run.columns({ 0 }, QStringLiteral("Columns")).columns({ 1 }, QStringLiteral("Rows"));
        run.column(2, QStringLiteral("Values")).set(QStringLiteral("Drilldown"), true);
        const Dataset& out = run.run();
        // Rows (Empty), North, South, Grand Sum; columns heading, Q1, Q2, Grand Sum.
        QCOMPARE(out.value(1, 1), QStringLiteral("12.5"));
        QList<int> rows = out.drilldown().values(CellPos { 1, 1 });
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, QList<int>({ 0, 3 }));
        QCOMPARE(out.drilldown().values(CellPos { 3, 3 }).size(), 5);
        run.set(QStringLiteral("Drilldown"), false);
        QVERIFY(run.run().drilldown().isEmpty());
    }

    // A sparse table: far more cells than rows.
    void moreCellsThanRows()
    {
        QList<QStringList> rows;
        for (int i = 0; i < 1500; ++i)
            rows << QStringList { QString::number(i), i % 2 ? "A" : "B", QString::number(i) };
        TransformRun run(new TransformPivot, makeDataset({ "id", "side", "amount" }, rows));
        run.columns({ 0 }, QStringLiteral("Columns")).columns({ 1 }, QStringLiteral("Rows"));
        const Dataset& out = run.column(2, QStringLiteral("Values")).run();
        QCOMPARE(out.rowCount(), 1501);
        QCOMPARE(out.row(7), QStringList({ "7", "7", "0", "7" }));
        QCOMPARE(out.row(1500), QStringList({ "Grand Sum", "562500", "561750", "1124250" }));
    }
};

QTEST_MAIN(TestPivot)
#include "tst_pivot.moc"
