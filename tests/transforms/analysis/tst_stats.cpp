// The shared quantiles against pandas. Stats and Summary runs are golden
// cases (tests/data/transforms/analysis).
#include "analysisharness.h"

#include "transforms/support/statistics.h"

class TestStats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareAnalysisTests(); }

    void quantiles_data()
    {
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<double>("q");
        QTest::addColumn<double>("expected");
        // pandas Series.quantile(q), default linear interpolation.
        const QVector<double> ten = { 12.5, 7, 3.25, 100, 0.1, 42, 8, 8, 15.75, 61 };
        QTest::newRow("q25 of ten") << ten << 0.25 << 7.25;
        QTest::newRow("q75 of ten") << ten << 0.75 << 35.4375;
        QTest::newRow("q90 of ten") << ten << 0.9 << 64.9;
        QTest::newRow("median of even count") << ten << 0.5 << 10.25;
        QTest::newRow("single value") << QVector<double> { 4 } << 0.75 << 4.0;
        QTest::newRow("q0 is the minimum") << ten << 0.0 << 0.1;
        QTest::newRow("q1 is the maximum") << ten << 1.0 << 100.0;
    }

    void quantiles()
    {
        QFETCH(QVector<double>, values);
        QFETCH(double, q);
        QFETCH(double, expected);
        QVERIFY(qFuzzyCompare(Stats::quantile(values, q), expected));
    }
};

QTEST_MAIN(TestStats)
#include "tst_stats.moc"
