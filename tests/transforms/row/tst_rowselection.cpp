#include "tests/transforms/format/textharness.h"

#include "transforms/row/transformheader.h"
#include "transforms/row/transformsample.h"
#include "transforms/row/transformslice.h"
#include "transforms/support/conditions.h"

namespace {

// Rows "1" .. "n" in one column.
Dataset numbered(int n)
{
    QStringList values;
    for (int i = 1; i <= n; ++i)
        values << QString::number(i);
    return oneColumn(values);
}

QStringList range(int first, int last)
{
    QStringList values;
    for (int i = first; i <= last; ++i)
        values << QString::number(i);
    return values;
}

} // namespace

class TestRowSelection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void sampleSpreads_data()
    {
        QTest::addColumn<QString>("spread");
        QTest::addColumn<int>("wanted");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("top") << "Top" << 3 << range(1, 3);
        QTest::newRow("bottom") << "Bottom" << 3 << range(8, 10);
        QTest::newRow("evenly") << "Evenly" << 4 << QStringList { "1", "3", "6", "8" };
        QTest::newRow("more than there are") << "Randomly (for speed)" << 100 << range(1, 10);
    }

    void sampleSpreads()
    {
        QFETCH(QString, spread);
        QFETCH(int, wanted);
        TransformRun run(new TransformSample, numbered(10));
        run.choose("Spread", spread).set("Rows", wanted).run();
        QTEST(run.outputColumn(0), "expected");
    }

    void randomIsRepeatableAndDistinct_data()
    {
        QTest::addColumn<int>("spread");
        QTest::addColumn<int>("wanted");
        QTest::newRow("quality, few") << int(TransformSample::RandomQuality) << 10;
        QTest::newRow("speed, few") << int(TransformSample::RandomSpeed) << 10;
        QTest::newRow("speed, most") << int(TransformSample::RandomSpeed) << 990;
    }

    void randomIsRepeatableAndDistinct()
    {
        QFETCH(int, spread);
        QFETCH(int, wanted);
        const auto mode = TransformSample::Spread(spread);
        const QVector<int> rows = TransformSample::choose(mode, wanted, 1000, 42);
        QCOMPARE(rows.size(), wanted);
        QVERIFY(std::is_sorted(rows.begin(), rows.end()));
        QVERIFY(std::adjacent_find(rows.begin(), rows.end()) == rows.end());
        QCOMPARE(TransformSample::choose(mode, wanted, 1000, 42), rows);
        QVERIFY(TransformSample::choose(mode, wanted, 1000, 43) != rows);
    }

    void sampleThroughTheItem()
    {
        TransformRun run(new TransformSample, numbered(50));
        run.choose("Spread", "Randomly (for quality)").set("Rows", 5).set("Seed", 7);
        const QStringList first = run.run().rowCount() == 5 ? run.outputColumn(0) : QStringList();
        QCOMPARE(run.summary(), QStringLiteral("5 sampled, 45 unsampled"));
        run.run();
        QCOMPARE(run.outputColumn(0), first);
    }

    void slice_data()
    {
        QTest::addColumn<QString>("fromMode");
        QTest::addColumn<QString>("toMode");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<bool>("includeBoth");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QString& fromMode, const QString& toMode, bool keep,
                       bool includeBoth, const QStringList& expected) {
            QTest::newRow(name) << fromMode << toMode << keep << includeBoth << expected;
        };
        row("start plus 2 to end minus 2", "Start plus", "End minus", true, true, range(3, 8));
        row("excluding both", "Start plus", "End minus", true, false, range(4, 7));
        row("remove", "Start plus", "End minus", false, true, { "1", "2", "9", "10" });
        // From: first row ending in 4 (4); To: last later row >= 5 (10);
        // "next row where" stops at the first, 5.
        row("first where to last where", "First row where", "Last row where", true, true,
            range(4, 10));
        row("first where to next where", "First row where", "Next row where", true, true,
            range(4, 5));
    }

    void slice()
    {
        QFETCH(QString, fromMode);
        QFETCH(QString, toMode);
        QFETCH(bool, keep);
        QFETCH(bool, includeBoth);
        TransformRun run(new TransformSlice, numbered(10));
        run.choose("Keep_Remove", keep ? "Keep" : "Remove")
            .choose("From_Mode", fromMode)
            .choose("To_Mode", toMode)
            .set("From_Plus", 2)
            .set("To_Minus", 2)
            .set("From_Include_First", includeBoth)
            .set("To_Include_Last", includeBoth)
            .choose("From_Operation", conditionOperatorNames().at(OpEndsWith))
            .set("From_Value", "4")
            .choose("To_Operation", conditionOperatorNames().at(OpGreaterEqual))
            .set("To_Value", "5");
        run.run();
        QTEST(run.outputColumn(0), "expected");
    }

    void sliceBoundsOutOfOrder()
    {
        TransformRun run(new TransformSlice, numbered(5));
        run.choose("From_Mode", "Start plus").set("From_Plus", 3);
        run.choose("To_Mode", "End minus").set("To_Minus", 3).run();
        QCOMPARE(run.output().rowCount(), 0);
        QCOMPARE(run.warnings().filter("before the 'From' row").size(), 1);
        run.set("From_Plus", 9).run();
        QCOMPARE(run.warnings().filter("'From' row was not found").size(), 1);
        run.set("From_Plus", 0).choose("To_Mode", "Next row where").set("To_Value", "9").run();
        QCOMPARE(run.warnings().filter("'To' row was not found").size(), 1);
    }

    void header_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* tag, int rows, const QString& mode, const QString& name,
                       const QString& summary) {
            QTest::newRow(tag) << rows << mode << name << summary;
        };
        row("two rows", 2, "Overwrite", "Name First", "Header names updated, 2 rows removed");
        row("append", 1, "Append", "Value Name", "Header names updated, 1 row removed");
    }

    void header()
    {
        QFETCH(int, rows);
        QFETCH(QString, mode);
        QFETCH(QString, summary);
        TransformRun run(new TransformHeader, oneColumn({ "Name", "First", "Ann" }));
        run.set("Num_Rows", rows).choose("Mode", mode).set("Delimiter", " ").run();
        QTEST(run.output().columnName(0), "name");
        QCOMPARE(run.output().rowCount(), 3 - rows);
        QCOMPARE(run.summary(), summary);
    }
};

QTEST_MAIN(TestRowSelection)
#include "tst_rowselection.moc"
