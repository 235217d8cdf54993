#include "mergefixture.h"

#include "transforms/merge/transformcross.h"
#include "transforms/support/mergeutil.h"

class TestCross : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void product_data()
    {
        QTest::addColumn<QStringList>("inputs"); // tables as textTable reads them
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("summary");
        auto row
            = [](const char* name, const QStringList& inputs, const QString& expected,
                  const QString& summary) { QTest::newRow(name) << inputs << expected << summary; };
        row("two inputs, the first outermost", { "x;a;b", "n;1;2;3" },
            "x|n;a|1;a|2;a|3;b|1;b|2;b|3", "Crossed 2 inputs");
        row("three inputs, the last fastest", { "x;a;b", "y|z;p|q", "n;1;2" },
            "x|y|z|n;a|p|q|1;a|p|q|2;b|p|q|1;b|p|q|2", "Crossed 3 inputs");
        row("an empty input gives no rows", { "x;a;b", "n" }, "x|n", "Crossed 2 inputs");
    }

    void product()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QString, summary);
        QList<Dataset> datasets;
        for (const QString& text : qAsConst(inputs))
            datasets.append(textTable(text));
        MergeFixture f(new TransformCross, datasets);
        QTEST(tableText(f.run()), "expected");
        QCOMPARE(f.summary(), summary);
        QVERIFY(f.warnings().isEmpty());
    }

    void oneHeaderNamesAll()
    {
        Dataset headerless;
        headerless.setColumnCount(1);
        headerless.appendRow({ "1" });
        MergeFixture f(new TransformCross, { headerless, textTable("x;a") });
        const Dataset& out = f.run();
        QVERIFY(out.hasHeader());
        QCOMPARE(tableText(out), QStringLiteral("1|x;1|a"));
    }

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
