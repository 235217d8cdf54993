// Gather, Spread, Transpose and Reshape: the shape of the result and its
// summary.
#include "tests/transforms/format/textharness.h"

#include "transforms/column/transformgather.h"
#include "transforms/column/transformreshape.h"
#include "transforms/column/transformspread.h"
#include "transforms/other/transformtranspose.h"

namespace {

QStringList table(const Dataset& d)
{
    return QStringList(d.columnNames().join(',')) + joinRows(d);
}

} // namespace

class TestReshaping : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void gather()
    {
        QList<QStringList> rows;
        for (int r = 0; r < 10; ++r)
            rows << QStringList { QString::number(r), "a", "b", "c" };
        TransformRun run(new TransformGather, makeDataset({ "id", "x", "y", "z" }, rows));
        run.columns({ 1, 2, 3 });
        const Dataset& out = run.run();
        QCOMPARE(out.rowCount(), 30);
        QCOMPARE(table(out).mid(0, 4), QStringList({ "id,Key,Value", "0,x,a", "0,y,b", "0,z,c" }));
        QCOMPARE(run.summary(), QStringLiteral("1 col removed, 20 rows added"));
    }

    void spread_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("warnings");
        auto row = [](const char* name, const QStringList& rows, int minimum, int maximum,
                       const QStringList& expected, const QStringList& warnings) {
            QTest::newRow(name) << rows << minimum << maximum << expected << warnings;
        };
        const QStringList sales { "Ann,2020,Q1,5", "Ann,2020,Q2,6", "Bob,2020,Q1,7",
            "Bob,2020,Q3,8" };
        row("missing combination", sales, 0, 100,
            { "name,year,Q1,Q2,Q3", "Ann,2020,5,6,-", "Bob,2020,7,-,8" }, QStringList());
        row("two values for one cell", { "Ann,2020,Q1,5", "Ann,2020,Q1,6" }, 0, 100,
            { "name,year,Q1", "Ann,2020,Error: multiple values" }, QStringList());
        row("minimum adds empty columns", sales, 5, 100,
            { "name,year,Q1,Q2,Q3,6,7", "Ann,2020,5,6,-,,", "Bob,2020,7,-,8,," }, QStringList());
        row("over the maximum the last keys go", sales, 0, 2,
            { "name,year,Q1,Q2", "Ann,2020,5,6", "Bob,2020,7,-" },
            { "3 key value(s) found, so 1 column(s) left out to keep to the maximum "
              "of 2" });
        row("maximum below minimum", sales, 3, 1,
            { "name,year,Q1,Q2,Q3", "Ann,2020,5,6,-", "Bob,2020,7,-,8" },
            { "'Max. columns' < 'Min. columns'" });
    }

    void spread()
    {
        QFETCH(QStringList, rows);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(QStringList, warnings);
        TransformRun run(new TransformSpread,
            makeDataset({ "name", "year", "quarter", "amount" }, splitRows(rows)));
        run.column(2, QStringLiteral("Key_Column")).column(3, QStringLiteral("Value_Column"));
        run.set(QStringLiteral("Missing_Value"), "-").set(QStringLiteral("Min_New_Cols"), minimum);
        run.set(QStringLiteral("Max_New_Cols"), maximum);
        QTEST(table(run.run()), "expected");
        QCOMPARE(run.transform()->warnings(), warnings);
    }

    void transpose_data()
    {
        QTest::addColumn<bool>("header");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("names become the first column")
            << false << QStringList { "1,2,3,4", "A,1,3,", "B,2,,5", "C,,,6" };
        QTest::newRow("first row becomes the names")
            << true << QStringList { "A,1,3,4", "B,2,,5", "C,,,6" };
    }

    // A ragged table: rows that were shorter than the header, filled empty.
    void transpose()
    {
        QFETCH(bool, header);
        TransformRun run(new TransformTranspose,
            makeDataset({ "A", "B", "C" }, { { "1", "2" }, { "3" }, { "", "5", "6" } }));
        run.set(QStringLiteral("Header"), header);
        QTEST(table(run.run()), "expected");
        QCOMPARE(run.summary(), QStringLiteral("Transposed"));
    }

    void reshape_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("summary");
        QTest::newRow("wider") << 4 << QStringList { "A,B,C,4", "1,2,3,4", "5,6,7,8", "9,,," }
                               << "Changed to 4 cols x 3 rows";
        QTest::newRow("narrower") << 2 << QStringList { "A,B", "1,2", "3,4", "5,6", "7,8", "9," }
                                  << "Changed to 2 cols x 5 rows";
        QTest::newRow("same") << 3 << QStringList { "A,B,C", "1,2,3", "4,5,6", "7,8,9" }
                              << "No changes";
    }

    void reshape()
    {
        QFETCH(int, size);
        QFETCH(QString, summary);
        TransformRun run(new TransformReshape,
            makeDataset({ "A", "B", "C" }, splitRows({ "1,2,3", "4,5,6", "7,8,9" })));
        QCOMPARE(run.parameter(QStringLiteral("New_Size"))->intValue(), 3);
        run.set(QStringLiteral("New_Size"), size);
        QTEST(table(run.run()), "expected");
        QCOMPARE(run.summary(), summary);
    }
};

QTEST_MAIN(TestReshaping)
#include "tst_reshaping.moc"
