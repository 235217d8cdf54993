// Join's report over many misses. Joins by key and by row number, the
// detailed report and headerless inputs are golden cases
// (tests/data/transforms/merge/Join).
#include "mergefixture.h"

#include "transforms/merge/transformjoin.h"

class TestJoin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void manyMissesAreSummarised()
    {
        QString top = QStringLiteral("k|v");
        for (int i = 1; i <= 1205; ++i)
            top += QStringLiteral(";t%1|%1").arg(i);
        MergeFixture f(new TransformJoin, { textTable(top), textTable("k|w;t1 |x;t3|y;t3|z") });
        f.choose("Column_1", 0);
        f.choose("Column_2", 0);
        f.set("Detailed_Report", true);
        f.set("Include_Non_Matching_1", true);
        f.run();
        QCOMPARE(f.summary(), QStringLiteral("1,206 rows joined"));
        const QStringList expected { "2 rows have keys in both datasets",
            "1,204 misses in the Top key column:", "'t1' at row 1", "'t2' at row 2",
            "'t4' at row 4", "'t5' at row 5", "'t6' at row 6", "+ 1,199 other misses",
            "1 miss in the Bottom key column:", "'t1 ' at row 1" };
        QCOMPARE(f.information().mid(0, expected.size()), expected);
        QVERIFY(f.information().contains("'t3' occurs 2 times"));
    }
};

QTEST_MAIN(TestJoin)
#include "tst_join.moc"
