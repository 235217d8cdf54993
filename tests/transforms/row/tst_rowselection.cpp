// Random sampling: repeatable by seed, distinct rows. Spreads, Slice and
// Header are golden cases (tests/data/transforms/row).
#include "tests/transforms/format/textharness.h"

#include "transforms/row/transformsample.h"

namespace {

// Rows "1" .. "n" in one column.
Dataset numbered(int n)
{
    QStringList values;
    for (int i = 1; i <= n; ++i)
        values << QString::number(i);
    return oneColumn(values);
}

} // namespace

class TestRowSelection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

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
};

QTEST_MAIN(TestRowSelection)
#include "tst_rowselection.moc"
