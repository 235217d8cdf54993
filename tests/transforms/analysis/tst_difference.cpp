// Difference: the marks on changed cells, and options that follow moved
// items. Rows paired by key or row number are golden cases
// (tests/data/transforms/analysis/Difference).
#include "tests/transforms/merge/mergefixture.h"

#include "transforms/analysis/transformdifference.h"

class TestDifference : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void changedCellsAreMarked()
    {
        MergeFixture f(
            new TransformDifference, { textTable("n|p;a|1;b|2"), textTable("n|p;a|1;c|3") });
        f.set("Compare_By", QStringLiteral("Row number"));
        const Dataset& out = f.run();
        QCOMPARE(tableText(out), QStringLiteral("Difference|Changed columns|n|p;Changed|n, p|c|3"));
        const VerificationResults& marks = out.verification();
        QCOMPARE(marks.cellStatus.size(), 2);
        QVERIFY(marks.cellStatus.contains(CellPos { 0, 2 }));
        QCOMPARE(marks.cellMessages.value(CellPos { 0, 3 }), QStringList { "Top value: '2'" });
    }

    void movingBottomAboveTopSwapsRoles()
    {
        MergeFixture f(new TransformDifference, { textTable("k;a"), textTable("k;b") });
        f.set("Compare_By", QStringLiteral("Row number"));
        QCOMPARE(tableText(f.run()), QStringLiteral("Difference|Changed columns|k;Changed|k|b"));
        f.source(1)->setPos(0, -100);
        f.scene().onPosChanged({ f.source(1) });
        QCOMPARE(f.transform()->parameter("Top_Key_Columns")->sourceItem(), f.source(1));
        QCOMPARE(tableText(f.run()), QStringLiteral("Difference|Changed columns|k;Changed|k|a"));
    }
};

QTEST_MAIN(TestDifference)
#include "tst_difference.moc"
