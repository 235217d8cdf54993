// Stats and Summary against figures computed with pandas, and the shared
// statistics they use.
#include "analysisharness.h"

#include "transforms/analysis/transformstats.h"
#include "transforms/analysis/transformsummary.h"
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

    void statsPerColumn_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, int column, const QStringList& expected) {
            QTest::newRow(name) << column << expected;
        };
        // Count, Numeric Count, Sum, Mean, Median, Std Dev, Minimum, Maximum,
        // 25th, 75th, Shortest, Longest, Most Frequent. pandas on the numbers
        // of column "a": [3, 1.5, 10, -2, 7.25, 1.5].
        row("mixed numbers and text", 0,
            { "a", "7", "6", "21.25", "3.5416666666666665", "2.25", "4.354356056487189", "-2", "10",
                "1.5", "6.1875", "1", "4", "1.5" });
        row("text only: no numeric figures", 1,
            { "b", "7", "0", "", "", "", "", "", "", "", "", "3", "6", "fig" });
        row("one number: no deviation", 2,
            { "c", "1", "1", "5", "5", "5", "", "5", "5", "5", "5", "1", "1", "5" });
        row("currency and blanks", 3,
            { "d", "2", "2", "1234.5", "617.25", "617.25", "872.9233213747929", "0", "1234.5",
                "308.625", "925.875", "1", "9", "0" });
    }

    void statsPerColumn()
    {
        QFETCH(int, column);
        QFETCH(QStringList, expected);
        const Dataset data = makeDataset({ "a", "b", "c", "d" },
            cells({ "3;apple;;0", "1.5;fig;;", "; ;;", "x;kiwi;5;", "10;fig;;$1,234.50",
                "-2;banana;;", "7.25;fig;;", "1.5;apple;;" }));
        TransformRun run(new TransformStats, data);
        run.columns({ column }).run();
        QCOMPARE(run.output().rowCount(), 1);
        QCOMPARE(run.output().columnCount(), 14);
        COMPARE_FIGURES(run.output().row(0), expected);
    }

    void statsOnlyChecked()
    {
        const Dataset data = makeDataset({ "a", "b" }, splitRows({ "1,x", "2,y", "4,y" }));
        TransformRun run(new TransformStats, data);
        run.columns({ 1, 0 });
        for (const TransformStats::Statistic& s : TransformStats::statistics())
            run.set(QString::fromLatin1(s.key), false);
        run.set("Mean", true).set("Most_Frequent", true).run();
        QCOMPARE(run.output().header(), QStringList({ "Column", "Mean", "Most Frequent" }));
        // Rows follow the order the columns were chosen in.
        QCOMPARE(joinRows(run.output()), QStringList({ "b,,y", "a,2.33333333333333,1" }));
        QCOMPARE(run.summary(), QStringLiteral("2 columns described"));
    }

    void summaryProfile_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("expected");
        // Column, Type, Empty, Distinct, 3 examples, Minimum, Maximum, Type Share
        QTest::newRow("integers") << 0 << "id;Integer;0;4;3;1;12;-4;12;100%";
        QTest::newRow("reals with one word") << 1 << "price;Real;1;4;2.5;n/a;10;0.25;10;75%";
        QTest::newRow("dates keep their text")
            << 2 << "when;Date;2;3;3/1/2024;12/25/2023;2024-02-29;12/25/2023;3/1/2024;100%";
        QTest::newRow("truth values") << 3 << "flag;Boolean;0;4;true;FALSE;1;FALSE;true;80%";
        QTest::newRow("text by code units, capitals first")
            << 4 << "name;Text;0;3;pear;Apple;10 x;10 x;pear;100%";
        QTest::newRow("all blank") << 5 << "blank;Empty;5;0;;;;;;";
    }

    void summaryProfile()
    {
        QFETCH(int, column);
        QFETCH(QString, expected);
        const Dataset data = makeDataset({ "id", "price", "when", "flag", "name", "blank" },
            cells({ "3;2.5;3/1/2024;true;pear;", "1;n/a;12/25/2023;FALSE;Apple;",
                "12;10;;true;10 x; ", "-4;0.25;2024-02-29;1;Apple;", "3;;;false;pear;" }));
        TransformRun run(new TransformSummary, data);
        run.run();
        QCOMPARE(run.output().rowCount(), 6);
        QCOMPARE(run.output().row(column).join(QLatin1Char(';')), expected);
        QCOMPARE(run.summary(), QStringLiteral("6 columns profiled"));
    }
};

QTEST_MAIN(TestStats)
#include "tst_stats.moc"
