// Unique's groups and aggregations, with sums and means checked against
// pandas' group-by (tests/data/pivot).
#include "tests/transforms/format/textharness.h"

#include "transforms/row/transformunique.h"

#include <QFile>

namespace {

using U = TransformUnique;

// Sets the aggregation of each column by position.
void aggregate(TransformRun& run, const QVector<int>& aggregations)
{
    TransformParameter* p = run.parameter(QStringLiteral("Column_Options"));
    UniqueColumnList list;
    for (int c = 0; c < aggregations.size(); ++c)
        list.append(UniqueColumn { p->referenceAt(c), aggregations.at(c), QString() });
    p->setValue(QVariant::fromValue(list));
}

} // namespace

class TestUnique : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void caseDecidesTheGroups_data()
    {
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("summary");
        QTest::newRow("not case sensitive") << false << QStringList { "a,6" } << "2 row(s) removed";
        QTest::newRow("case sensitive")
            << true << QStringList { "a,4", "A,2" } << "1 row(s) removed";
    }

    void caseDecidesTheGroups()
    {
        QFETCH(bool, caseSensitive);
        QFETCH(QString, summary);
        TransformRun run(new U, makeDataset({ "k", "v" }, splitRows({ "a,1", "A,2", "a,3" })));
        aggregate(run, { U::KeepUnique, U::Sum });
        run.set(QStringLiteral("Case_Sensitive"), caseSensitive);
        QTEST(joinRows(run.run()), "expected");
        QCOMPARE(run.summary(), summary);
    }

    void aggregations_data()
    {
        QTest::addColumn<int>("aggregation");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, int aggregation, const QStringList& values,
                       const QString& expected) {
            QTest::newRow(name) << aggregation << values << expected;
        };
        const QStringList mixed { "b", "", "a", "b", "" };
        row("keep first", int(U::KeepFirst), mixed, "b");
        row("keep last", int(U::KeepLast), mixed, "");
        row("first non-empty", int(U::KeepFirstNonEmpty), { "", "x" }, "x");
        row("last non-empty", int(U::KeepLastNonEmpty), mixed, "b");
        row("maximum keeps the text", int(U::Maximum), { "10", "9", "x" }, "10");
        row("minimum keeps the text", int(U::Minimum), { "$3.50", "x", "4" }, "$3.50");
        row("maximum of dates", int(U::Maximum), { "2020-01-31", "2021-02-01", "2020-12-31" },
            "2021-02-01");
        row("sum", int(U::Sum), { "0.1", "0.2", "x", "" }, "0.3");
        row("average", int(U::Average), { "1", "2", "", "4" }, "2.33333333333333");
        row("sum without numbers", int(U::Sum), { "x", "" }, "");
        row("concat", int(U::Concat), mixed, "b;;a;b;");
        row("concat distinct", int(U::ConcatDistinct), { "b", "a", "b" }, "b;a");
        row("count distinct leaves out empty", int(U::CountDistinct), mixed, "2");
        row("count distinct is case sensitive", int(U::CountDistinct), { "x", "X" }, "2");
        row("count unique", int(U::CountUnique), mixed, "1");
        row("count duplicate", int(U::CountDuplicate), mixed, "2");
        row("count empty", int(U::CountEmpty), { "", "x", "" }, "2");
        row("count non-empty", int(U::CountNonEmpty), mixed, "3");
        row("set empty", int(U::SetEmpty), mixed, "");
    }

    void aggregations()
    {
        QFETCH(int, aggregation);
        QFETCH(QStringList, values);
        QFETCH(QString, expected);
        QList<QStringList> rows;
        for (const QString& v : values)
            rows << QStringList { "k", v };
        TransformRun run(new U, makeDataset({ "key", "value" }, rows));
        aggregate(run, { U::KeepUnique, aggregation });
        run.set(QStringLiteral("Delim"), ";").set(QStringLiteral("Count"), true);
        const Dataset& out = run.run();
        QCOMPARE(out.rowCount(), 1);
        QCOMPARE(out.value(0, 1), expected);
        QCOMPARE(out.value(0, 2), QString::number(values.size()));
        QCOMPARE(out.columnName(2), QStringLiteral("Count"));
        const bool noNumber = expected.isEmpty() && aggregation == U::Sum;
        QCOMPARE(run.transform()->warnings().size(), noNumber ? 1 : 0);
    }

    void matchesPandasGroupBy()
    {
        QFile file(QStringLiteral(VARNIX_TEST_DATA "/pivot/input.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QStringList> rows;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.isEmpty())
                rows << QString::fromUtf8(line).split(',');
        }
        rows.removeFirst();
        for (QStringList& r : rows)
            r << r.at(2) << r.at(2);
        TransformRun run(
            new U, makeDataset({ "region", "quarter", "sum", "mean", "nunique" }, rows));
        aggregate(run, { U::KeepUnique, U::SetEmpty, U::Sum, U::Average, U::CountDistinct });
        run.set(QStringLiteral("Count"), true);
        QStringList got;
        for (const QString& r : joinRows(run.run()))
            got << r.section(',', 0, 0) + ',' + r.section(',', 2);
        QFile expected(QStringLiteral(VARNIX_TEST_DATA "/pivot/expected_unique.csv"));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(expected.readAll()).split('\n', Qt::SkipEmptyParts);
        lines.removeFirst();
        QCOMPARE(got, lines);
    }

    void noKeyColumnCopies()
    {
        TransformRun run(new U, makeDataset({ "k" }, splitRows({ "a", "a" })));
        QCOMPARE(run.run().rowCount(), 2);
        QCOMPARE(run.summary(), QStringLiteral("No changes"));
    }

    void drilldown()
    {
        TransformRun run(new U, makeDataset({ "k", "v" }, splitRows({ "a,1", "b,2", "a,3" })));
        aggregate(run, { U::KeepUnique, U::Sum });
        run.set(QStringLiteral("Drilldown"), true);
        const Dataset& out = run.run();
        QList<int> rows = out.drilldown().values(CellPos { 0, 0 });
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, QList<int>({ 0, 2 }));
    }
};

QTEST_MAIN(TestUnique)
#include "tst_unique.moc"
