// Difference: rows paired by key or row number, the change kinds, the
// changed column names and the marks on changed cells.
#include "tests/transforms/merge/mergefixture.h"

#include "transforms/analysis/transformdifference.h"

class TestDifference : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void compares_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("bottom");
        QTest::addColumn<QString>("by");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("unchanged");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, const QString& top, const QString& bottom,
                       const QString& by, bool caseSensitive, bool unchanged,
                       const QString& expected, const QString& summary) {
            QTest::newRow(name) << top << bottom << by << caseSensitive << unchanged << expected
                                << summary;
        };
        const char* head = "Difference|Changed columns|";
        row("by key", "id|n|p;1|a|5;2|b|6;3|c|7", "id|n|p;3|c|8;1|a|5;4|d|9", "Key columns", true,
            false, QString(head) + "id|n|p;Removed||2|b|6;Changed|p|3|c|8;Added||4|d|9",
            "1 added, 1 removed, 1 changed");
        row("unchanged shown", "id|n;1|a;2|b", "id|n;1|a;2|B", "Key columns", true, true,
            QString(head) + "id|n;Unchanged||1|a;Changed|n|2|B", "0 added, 0 removed, 1 changed");
        row("case ignored", "id|n;X|a", "id|n;x|A", "Key columns", false, false,
            QString(head) + "id|n", "No differences");
        row("repeated keys pair in order", "id|n;1|a;1|b;1|c", "id|n;1|a;1|z", "Key columns", true,
            false, QString(head) + "id|n;Changed|n|1|z;Removed||1|c",
            "0 added, 1 removed, 1 changed");
        row("by row number, columns by name", "n|only top;a|t1;b|t2", "extra|n;e1|a;e2|c;e3|d",
            "Row number", true, false,
            QString(head) + "n|only top|extra;Changed|n|c|t2|e2;Added||d||e3",
            "1 added, 0 removed, 1 changed");
    }

    void compares()
    {
        QFETCH(QString, top);
        QFETCH(QString, bottom);
        QFETCH(QString, by);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, unchanged);
        QFETCH(QString, summary);
        MergeFixture f(new TransformDifference, { textTable(top), textTable(bottom) });
        f.set("Compare_By", by);
        if (by == "Key columns") {
            f.set("Top_Key_Columns",
                QVariant::fromValue(
                    ColumnRefList { f.transform()->parameter("Top_Key_Columns")->referenceAt(0) }));
            f.set("Bottom_Key_Columns",
                QVariant::fromValue(ColumnRefList {
                    f.transform()->parameter("Bottom_Key_Columns")->referenceAt(0) }));
        }
        f.set("Case_Sensitive", caseSensitive);
        f.set("Show_Unchanged", unchanged);
        QTEST(tableText(f.run()), "expected");
        QCOMPARE(f.summary(), summary);
        QCOMPARE(f.transform()->warnings(), QStringList());
    }

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
