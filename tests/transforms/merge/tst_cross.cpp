// Cross beyond the row limit and with one upstream item twice. Products are
// golden cases (tests/data/transforms/merge/Cross).
#include "mergefixture.h"

#include "transforms/merge/transformcross.h"
#include "transforms/support/mergeutil.h"

class TestCross : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void tooManyRows()
    {
        Dataset big;
        big.setColumnCount(1);
        big.setHeader({ "v" });
        big.setRowCount(65536);
        MergeFixture f(new TransformCross, { big, big });
        const Dataset& out = f.run();
        QCOMPARE(out.rowCount(), 0);
        QCOMPARE(out.columnNames(), (QStringList { "v", "v" }));
        QCOMPARE(f.summary(), QStringLiteral("Too many rows"));
        QVERIFY(f.warnings().contains(QStringLiteral("Too many rows")));

        // Just within the limit the rows are made (here: none, as one input is
        // empty although the others alone would overflow).
        MergeFixture g(new TransformCross, { big, big, withoutRows(big) });
        QCOMPARE(g.run().rowCount(), 0);
        QCOMPARE(g.summary(), QStringLiteral("Crossed 3 inputs"));
    }

    // The same upstream dataset twice: its columns come twice with the same
    // identities, and the second copies must get fresh ones.
    void repeatedIdentitiesMadeUnique()
    {
        SourceNode source(textTable("x|y;a|b"));
        source.process(false, false);
        TransformCross cross;
        cross.defineParameters({}, false);
        Dataset out;
        bool error = false;
        cross.process(out, { &source, &source }, error);
        QVERIFY(!error);
        QCOMPARE(tableText(out), QStringLiteral("x|y|x|y;a|b|a|b"));
        const QVector<ColumnId> ids = out.columnIds();
        QCOMPARE(ids.at(0), source.dataset().columnId(0));
        QCOMPARE(ids.at(1), source.dataset().columnId(1));
        QVERIFY(!ids.at(2).isValid());
        QVERIFY(!ids.at(3).isValid());
    }
};

QTEST_MAIN(TestCross)
#include "tst_cross.moc"
