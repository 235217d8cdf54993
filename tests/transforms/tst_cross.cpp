#include "mergefixture.h"

#include "transforms/mergeutil.h"
#include "transforms/transformcross.h"

#include <QLocale>
#include <QStandardPaths>
#include <QTest>

Q_DECLARE_METATYPE(QList<Dataset>)

class TestCross : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void init() { RunState::clearStopRequest(); }

    void product_data();
    void product();
    void tooManyRows();
    void oneInput();
    void repeatedIdentitiesMadeUnique();
};

void TestCross::product_data()
{
    QTest::addColumn<QList<Dataset>>("inputs");
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("summary");

    const Dataset ab = dataset("x", { "a", "b" });
    const Dataset numbers = dataset("n", { "1", "2", "3" });
    QTest::newRow("two inputs, the first outermost")
        << QList<Dataset> { ab, numbers } << QStringList { "x", "n" }
        << QStringList { "a|1", "a|2", "a|3", "b|1", "b|2", "b|3" } << "Crossed 2 inputs";
    QTest::newRow("three inputs, the last fastest")
        << QList<Dataset> { ab, dataset("y|z", { "p|q" }), dataset("n", { "1", "2" }) }
        << QStringList { "x", "y", "z", "n" }
        << QStringList { "a|p|q|1", "a|p|q|2", "b|p|q|1", "b|p|q|2" } << "Crossed 3 inputs";
    Dataset headerless;
    headerless.setColumnCount(1);
    headerless.appendRow({ "1" });
    QTest::newRow("one header makes names for all")
        << QList<Dataset> { headerless, ab } << QStringList { "1", "x" }
        << QStringList { "1|a", "1|b" } << "Crossed 2 inputs";
    QTest::newRow("an empty input gives no rows")
        << QList<Dataset> { ab, withoutRows(numbers) } << QStringList { "x", "n" } << QStringList {}
        << "Crossed 2 inputs";
}

void TestCross::product()
{
    QFETCH(QList<Dataset>, inputs);
    QFETCH(QStringList, header);
    QFETCH(QStringList, rows);
    QFETCH(QString, summary);
    MergeFixture f(new TransformCross, inputs);
    const Dataset& out = f.run();
    QCOMPARE(out.columnNames(), header);
    QCOMPARE(rowsOf(out), table(rows));
    QCOMPARE(f.summary(), summary);
    QVERIFY(f.warnings().isEmpty());
}

void TestCross::tooManyRows()
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

void TestCross::oneInput()
{
    const Dataset only = dataset("x", { "a", "b" });
    MergeFixture f(new TransformCross, { only });
    QVERIFY(f.run().equals(only));
    QCOMPARE(f.summary(), QStringLiteral("No changes"));
}

// The same upstream dataset twice: its columns come twice with the same
// identities, and the second copies must get fresh ones.
void TestCross::repeatedIdentitiesMadeUnique()
{
    SourceNode source(dataset("x|y", { "a|b" }));
    source.process(false, false);
    TransformCross cross;
    cross.defineParameters({}, false);
    Dataset out;
    bool error = false;
    cross.process(out, { &source, &source }, error);
    QVERIFY(!error);
    QCOMPARE(rowsOf(out), table({ "a|b|a|b" }));
    const QVector<ColumnId> ids = out.columnIds();
    QCOMPARE(ids.at(0), source.dataset().columnId(0));
    QCOMPARE(ids.at(1), source.dataset().columnId(1));
    QVERIFY(!ids.at(2).isValid());
    QVERIFY(!ids.at(3).isValid());
}

QTEST_MAIN(TestCross)
#include "tst_cross.moc"
