// Pivot against tables figured by pandas (tests/data/pivot), and its
// warnings, headings, totals and drilldown.
#include "tests/transforms/format/textharness.h"

#include "transforms/analysis/transformpivot.h"

#include <QFile>

namespace {

QList<QStringList> readCsv(const QString& name)
{
    QFile file(QStringLiteral(VARNIX_TEST_DATA "/pivot/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(name));
    QList<QStringList> rows;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            rows << QString::fromUtf8(line).split(QLatin1Char(','));
    }
    return rows;
}

Dataset csvDataset(const QString& name)
{
    QList<QStringList> rows = readCsv(name);
    const QStringList header = rows.takeFirst();
    return makeDataset(header, rows);
}

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

    void matchesPandas_data()
    {
        QTest::addColumn<QString>("function");
        for (const QString& f : TransformPivot::functionNames())
            QTest::newRow(qPrintable(f)) << f;
    }

    void matchesPandas()
    {
        QFETCH(QString, function);
        TransformRun run(new TransformPivot, csvDataset(QStringLiteral("input.csv")));
        run.columns({ 0 }, QStringLiteral("Columns")).columns({ 1 }, QStringLiteral("Rows"));
        run.column(2, QStringLiteral("Values")).choose(QStringLiteral("Summarize_As"), function);
        const Dataset& out = run.run();
        const QList<QStringList> expected
            = readCsv(QStringLiteral("expected_%1.csv").arg(function.toLower().replace(' ', '_')));
        QCOMPARE(out.columnNames(), expected.first());
        QCOMPARE(out.rowCount(), expected.size() - 1);
        for (int r = 0; r < out.rowCount(); ++r)
            QCOMPARE(out.row(r), expected.at(r + 1));
    }

    void nonNumbersAreWarnedAndIgnored()
    {
        TransformRun run(new TransformPivot, csvDataset(QStringLiteral("input.csv")));
        run.columns({ 0 }, QStringLiteral("Columns")).column(2, QStringLiteral("Values"));
        run.run();
        // Five texts that are not numbers: four named, one counted; the empty
        // cell is a missing value, not a failure.
        QCOMPARE(run.transform()->warnings(),
            QStringList({ "'n/a' is not a numerical value in column 'amount' at row 12",
                "'x' is not a numerical value in column 'amount' at row 18",
                "'-' is not a numerical value in column 'amount' at row 24",
                "'?' is not a numerical value in column 'amount' at row 30", "+ 1 other" }));
        QCOMPARE(run.summary(), QStringLiteral("Pivot table created"));
        run.choose(QStringLiteral("Summarize_As"), QStringLiteral("Count")).run();
        QVERIFY(run.transform()->warnings().isEmpty());
    }

    void headingsAndTotals_data()
    {
        QTest::addColumn<QString>("totalType");
        QTest::addColumn<QString>("nonCalc");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QString& totalType, const QString& nonCalc,
                       const QStringList& expected) {
            QTest::newRow(name) << totalType << nonCalc << expected;
        };
        row("rows and columns", "Rows and columns", "Zero",
            { "region/quarter,1,2.5,5,10,Grand Count", "(Empty)/Q2,1,0,0,0,1", "North/Q1,0,1,0,1,2",
                "North/Q2,1,0,0,0,1", "South/Q1,0,0,1,0,1", "Grand Count,2,1,1,1,5" });
        row("total row, empty cells", "Rows", "Empty",
            { "region/quarter,1,2.5,5,10", "(Empty)/Q2,1,,,", "North/Q1,,1,,1", "North/Q2,1,,,",
                "South/Q1,,,1,", "Grand Count,2,1,1,1" });
        row("total column", "Columns", "Zero",
            { "region/quarter,1,2.5,5,10,Grand Count", "(Empty)/Q2,1,0,0,0,1", "North/Q1,0,1,0,1,2",
                "North/Q2,1,0,0,0,1", "South/Q1,0,0,1,0,1" });
    }

    // Two row keys joined by the delimiter; the amounts as column headings,
    // sorted as numbers ("10" after "5", and "abc" is text).
    void headingsAndTotals()
    {
        QFETCH(QString, totalType);
        QFETCH(QString, nonCalc);
        Dataset data = sales();
        data.setValue(2, 2, QStringLiteral("1"));
        TransformRun run(new TransformPivot, data);
        run.columns({ 0, 1 }, QStringLiteral("Columns")).columns({ 2 }, QStringLiteral("Rows"));
        run.column(2, QStringLiteral("Values")).choose(QStringLiteral("Summarize_As"), "Count");
        run.choose(QStringLiteral("Total_Type"), totalType).choose("Non_Calc", nonCalc);
        const Dataset& out = run.run();
        QTEST(QStringList(out.columnNames().join(',')) + joinRows(out), "expected");
        QVERIFY(run.warnings().isEmpty());
    }

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

    void oneSideOfKeysIsEnough()
    {
        TransformRun run(new TransformPivot, sales());
        run.columns({ 0 }, QStringLiteral("Columns")).run();
        QCOMPARE(run.warnings(), QStringList({ "1 option not set ('Values')" }));
        QCOMPARE(run.output().rowCount(), 0);
        run.column(2, QStringLiteral("Values")).run();
        QCOMPARE(joinRows(run.output()),
            QStringList({ "(Empty),1,1", "North,12.5,12.5", "South,5,5", "Grand Sum,18.5,18.5" }));
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

    void smallSamples_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const QString& function, const QStringList& values,
                       const QString& expected) {
            QTest::newRow(name) << function << values << expected;
        };
        row("mode tie goes to the smallest", "Mode", { "3", "1", "3", "1", "2" }, "1");
        row("median of an even count", "Median", { "4", "1", "3", "10" }, "3.5");
        row("one value has no deviation", "Standard deviation", { "4" }, "");
        row("count distinct keeps case variants apart", "Count distinct",
            { "Paris", "paris", "Paris", "" }, "2");
        row("count leaves out empty values", "Count", { "x", "", "y" }, "2");
    }

    void smallSamples()
    {
        QFETCH(QString, function);
        QFETCH(QStringList, values);
        QList<QStringList> rows;
        for (const QString& v : values)
            rows << QStringList { "k", v };
        TransformRun run(new TransformPivot, makeDataset({ "key", "value" }, rows));
        run.columns({ 0 }, QStringLiteral("Columns")).column(1, QStringLiteral("Values"));
        run.choose(QStringLiteral("Summarize_As"), function);
        QTEST(run.run().value(0, 1), "expected");
    }
};

QTEST_MAIN(TestPivot)
#include "tst_pivot.moc"
