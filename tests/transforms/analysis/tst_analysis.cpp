// Outliers against figures computed with pandas (written in as constants),
// with the marks they leave for the data table. Bin, Scale, Impute and
// Moving are golden cases (tests/data/transforms).
#include "analysisharness.h"

#include "transforms/other/transformoutliers.h"

class TestAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareAnalysisTests(); }

    void outliers_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<double>("limit");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, const QString& method, double limit, const QString& action,
                       const QStringList& expected, const QString& summary) {
            QTest::newRow(name) << method << limit << action << expected << summary;
        };
        // pandas: z-scores 2.47 (95) and -1.68 (-40); median 11.5, MAD 1,
        // modified z-scores 56.3 and -34.7; Q1 10.25, Q3 12, fences 7.625 and
        // 14.625.
        const QString mark = QStringLiteral("Mark in a new column");
        row("z-score 3 finds none", "Z-score", 3.0, mark, bars("F|F|F|F|F|F|F|F|F|F|F"),
            "0 outliers found in 0 rows");
        row("z-score 2 finds one", "Z-score", 2.0, mark, bars("F|F|F|F|F|F|T|F|F|F|F"),
            "1 outlier found in 1 row");
        row("modified z-score", "Modified z-score", 3.5, mark, bars("F|F|F|F|F|F|T|F|T|F|F"),
            "2 outliers found in 2 rows");
        row("IQR remove rows", "IQR fences", 1.5, "Remove their rows",
            bars("10|12|11|13|12|11|10|12|n/a"), "2 outliers found in 2 rows, 2 rows removed");
        row("IQR keep rows", "IQR fences", 1.5, "Keep only their rows", bars("95|-40"),
            "2 outliers found in 2 rows, 2 rows kept");
        row("IQR empty", "IQR fences", 1.5, "Empty them", bars("10|12|11|13|12|11||10||12|n/a"),
            "2 changed, 9 unchanged");
        row("IQR clamp", "IQR fences", 1.5, "Clamp them to the fence",
            bars("10|12|11|13|12|11|14.625|10|7.625|12|n/a"), "2 changed, 9 unchanged");
        row("IQR factor 30: fences -42.25 and 64.5", "IQR fences", 30.0, mark,
            bars("F|F|F|F|F|F|T|F|F|F|F"), "1 outlier found in 1 row");
    }

    void outliers()
    {
        QFETCH(QString, method);
        QFETCH(double, limit);
        QFETCH(QString, action);
        QFETCH(QString, summary);
        TransformRun run(
            new TransformOutliers, oneColumn(bars("10|12|11|13|12|11|95|10|-40|12|n/a")));
        run.columns({ 0 }).choose("Method", method).choose("Action", action);
        run.set("Z_Limit", limit).set("Modified_Z_Limit", limit).set("IQR_Factor", limit).run();
        QStringList got = run.outputColumn(run.output().columnCount() - 1);
        if (action.startsWith("Mark")) {
            QCOMPARE(run.output().header().last(), QStringLiteral("Outlier"));
            got.replaceInStrings("True", "T").replaceInStrings("False", "F");
        }
        QTEST(got, "expected");
        QCOMPARE(run.summary(), summary);
        // Rows that stay in place carry a mark on each outlier cell for the
        // data table; rows that were removed or kept carry none.
        const bool inPlace = !action.contains("rows");
        const int found = summary.section(QLatin1Char(' '), 0, 0).toInt();
        const VerificationResults& marks = run.output().verification();
        QCOMPARE(marks.cellStatus.size(), inPlace ? found : 0);
        if (inPlace && found > 0)
            QVERIFY(marks.cellStatus.contains(CellPos { 6, 0 }));
    }
};

QTEST_MAIN(TestAnalysis)
#include "tst_analysis.moc"
