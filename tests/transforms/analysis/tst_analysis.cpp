// Bin, Scale, Impute, Outliers and Moving against figures computed with
// pandas/numpy (written in as constants) and hand-checked cases.
#include "analysisharness.h"

#include "transforms/analysis/transformbin.h"
#include "transforms/column/transformmoving.h"
#include "transforms/format/transformscale.h"
#include "transforms/other/transformimpute.h"
#include "transforms/other/transformoutliers.h"

class TestAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareAnalysisTests(); }

    void bin_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("bins");
        QTest::addColumn<QString>("edges");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QStringList& values, const QString& method, int bins,
                       const QString& edges, const QString& output, const QStringList& expected) {
            QTest::newRow(name) << values << method << bins << edges << output << expected;
        };
        const QStringList v = bars("3|17|9|42|25|11|30|8|19|50|1|14|abc|");
        // Edges from numpy: linspace(1, 50, 5) and quantile(v, [0, .25, .5, .75, 1]).
        row("equal width labels", v, "Equal width", 4, "", "Bin label",
            bars("[1, 13.25)|[13.25, 25.5)|[1, 13.25)|[37.75, 50]|[13.25, 25.5)|[1, 13.25)|"
                 "[25.5, 37.75)|[1, 13.25)|[13.25, 25.5)|[37.75, 50]|[1, 13.25)|[13.25, 25.5)||"));
        row("equal frequency numbers", v, "Equal frequency", 4, "", "Bin number",
            bars("1|3|2|4|3|2|4|1|3|4|1|2||"));
        row("given edges, last edge closed, outside none", bars("3|17|20|42|0|-1|10"),
            "Given edges", 0, "20;0 10", "Bin number", bars("1|2|2||1||2"));
        row("dates by day", bars("1/1/2024|1/31/2024|1/11/2024|1/16/2024"), "Equal width", 2, "",
            "Bin label",
            bars("[2024-01-01, 2024-01-16)|[2024-01-16, 2024-01-31]|[2024-01-01, "
                 "2024-01-16)|[2024-01-16, 2024-01-31]"));
        row("equal values make one closed bin", bars("5|5|5"), "Equal frequency", 3, "",
            "Bin label", bars("[5, 5]|[5, 5]|[5, 5]"));
    }

    void bin()
    {
        QFETCH(QStringList, values);
        QFETCH(QString, method);
        QFETCH(int, bins);
        QFETCH(QString, edges);
        QFETCH(QString, output);
        TransformRun run(new TransformBin, oneColumn(values));
        run.column(0, "Column")
            .choose("Method", method)
            .choose("Output", output)
            .set("Edges", edges);
        if (bins > 0)
            run.set("Bins", bins);
        run.run();
        QCOMPARE(run.output().header(), QStringList({ "Value", "Bin" }));
        QTEST(run.outputColumn(1), "expected");
        QCOMPARE(run.warnings().filter("not numbers").size(), values.contains("abc") ? 1 : 0);
    }

    void binWithoutEdgesFails()
    {
        TransformRun run(new TransformBin, oneColumn({ "1", "2" }));
        run.column(0, "Column").choose("Method", "Given edges").set("Edges", "5 x").run();
        QCOMPARE(run.status(), int(StatusError));
        QVERIFY(run.warnings().contains("Give at least 2 different edges in the 'edges' option."));
    }

    void scale_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<double>("from");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QString& method, double from,
                       const QStringList& expected) {
            QTest::newRow(name) << method << from << expected;
        };
        // pandas on [4, 8, 15, 16, 23, 42]; "x" and the empty cell stay.
        row("min-max", "Min-max to a range", 0.0,
            bars("0|0.10526315789473684|0.2894736842105263|0.3157894736842105|0.5|1|x|"));
        row("min-max to -1..1", "Min-max to a range", -1.0,
            bars("-1|-0.7894736842105263|-0.42105263157894735|-0.368421052631579|0|1|x|"));
        row("z-score", "Z-score", 0.0,
            bars("-1.0377490433255416|-0.7412493166611012|-0.22237479499833035|"
                 "-0.14824986333222023|0.3706246583305506|1.7789983599866428|x|"));
        row("max absolute", "Divide by largest absolute value", 0.0,
            bars("0.09523809523809523|0.19047619047619047|0.35714285714285715|"
                 "0.38095238095238093|0.5476190476190477|1|x|"));
        row("robust", "Robust (median and IQR)", 0.0,
            bars("-1|-0.6521739130434783|-0.043478260869565216|0.043478260869565216|"
                 "0.6521739130434783|2.3043478260869565|x|"));
        row("log10", "Log10", 0.0,
            bars("0.6020599913279624|0.9030899869919435|1.1760912590556813|1.2041199826559248|"
                 "1.3617278360175928|1.6232492903979006|x|"));
        row("natural log", "Natural log", 0.0,
            bars("1.3862943611198906|2.0794415416798357|2.70805020110221|2.772588722239781|"
                 "3.1354942159291497|3.737669618283368|x|"));
        row("percent of total", "Percent of column total", 0.0,
            bars("3.7037037037037037|7.407407407407407|13.88888888888889|14.814814814814815|"
                 "21.296296296296298|38.888888888888886|x|"));
    }

    void scale()
    {
        QFETCH(QString, method);
        QFETCH(double, from);
        QFETCH(QStringList, expected);
        TransformRun run(new TransformScale, oneColumn(bars("4|8|15|16|23|42|x|")));
        run.columns({ 0 }).choose("Method", method).set("Range_From", from).run();
        COMPARE_FIGURES(run.outputColumn(0), expected);
        QCOMPARE(run.summary(), QStringLiteral("6 changed, 2 unchanged"));
        QVERIFY(run.warnings().contains("1 value in 'Value' left unchanged (not a number):"));
        QVERIFY(run.warnings().contains("'x' (row 7)"));
    }

    void impute_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("nonNumeric");
        QTest::addColumn<bool>("grouped");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QString& method, bool nonNumeric, bool grouped,
                       const QStringList& expected) {
            QTest::newRow(name) << method << nonNumeric << grouped << expected;
        };
        // Values 2,,7,n/a,,13, in groups a,a,a,b,b,b,b. pandas on [2, nan, 7,
        // nan, nan, 13, nan]: mean 7.333..., median 7, interpolate(limit_area=
        // "inside") 4.5, 9, 11.
        row("mean, text missing too", "Mean", true, false,
            bars("2|7.333333333333333|7|7.333333333333333|7.333333333333333|13|7.333333333333333"));
        row("median keeps text", "Median", false, false, bars("2|7|7|n/a|7|13|7"));
        row("mode", "Mode", true, false, bars("2|2|7|2|2|13|2"));
        row("constant", "Constant", false, false, bars("2|0|7|n/a|0|13|0"));
        row("previous", "Previous value", true, false, bars("2|2|7|7|7|13|13"));
        row("next, last stays empty", "Next value", false, false, bars("2|7|7|n/a|13|13|"));
        row("linear inside only", "Linear interpolation", true, false, bars("2|4.5|7|9|11|13|"));
        row("linear steps over text", "Linear interpolation", false, false,
            bars("2|4.5|7|n/a|11|13|"));
        row("mean per group", "Mean", true, true, bars("2|4.5|7|13|13|13|13"));
        row("previous per group, none before stays", "Previous value", true, true,
            bars("2|2|7|n/a||13|13"));
    }

    void impute()
    {
        QFETCH(QString, method);
        QFETCH(bool, nonNumeric);
        QFETCH(bool, grouped);
        QFETCH(QStringList, expected);
        const Dataset data
            = makeDataset({ "g", "v" }, cells({ "a;2", "a;", "a;7", "b;n/a", "b;", "b;13", "b;" }));
        TransformRun run(new TransformImpute, data);
        run.columns({ 1 }).choose("Method", method).set("Non_Numeric", nonNumeric);
        run.set("Constant", "0").set("By_Group", grouped).columns({ 0 }, "Group_By").run();
        COMPARE_FIGURES(run.outputColumn(1), expected);
        QCOMPARE(run.outputColumn(0), QStringList({ "a", "a", "a", "b", "b", "b", "b" }));
    }

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

    void moving_data()
    {
        QTest::addColumn<QString>("statistic");
        QTest::addColumn<int>("window");
        QTest::addColumn<bool>("centred");
        QTest::addColumn<bool>("partial");
        QTest::addColumn<bool>("grouped");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QString& statistic, int window, bool centred,
                       bool partial, bool grouped, const QStringList& expected) {
            QTest::newRow(name) << statistic << window << centred << partial << grouped << expected;
        };
        // pandas rolling(window, center=..., min_periods=1 when partial) on
        // [5, 7, nan, 4, 10, 6, 8, 3].
        row("average, full windows only", "Average", 3, false, false, false,
            bars("|||||6.666666666666667|8|5.666666666666667"));
        row("average, partial", "Average", 3, false, true, false,
            bars("5|6|6|5.5|7|6.666666666666667|8|5.666666666666667"));
        row("sum, centred even window", "Sum", 4, true, false, false, bars("|||||28|27|"));
        row("std, partial", "Standard deviation", 3, false, true, false,
            bars("|1.4142135623730951|1.4142135623730951|2.1213203435596424|4.242640687119285|"
                 "3.0550504633038935|2|2.5166114784235836"));
        row("median, centred partial", "Median", 4, true, true, false, bars("6|6|5|7|6|7|7|6"));
        row("maximum of two", "Maximum", 2, false, false, false, bars("|7|||10|10|8|8"));
        row("sum restarts per group", "Sum", 2, false, false, true, bars("|12||||16|14|11"));
    }

    void moving()
    {
        QFETCH(QString, statistic);
        QFETCH(int, window);
        QFETCH(bool, centred);
        QFETCH(bool, partial);
        QFETCH(bool, grouped);
        QFETCH(QStringList, expected);
        const Dataset data = makeDataset(
            { "g", "v" }, cells({ "a;5", "a;7", "a;", "a;4", "b;10", "b;6", "b;8", "b;3" }));
        TransformRun run(new TransformMoving, data);
        run.column(1, "Column").choose("Statistic", statistic).set("Window", window);
        run.choose("Alignment", centred ? "Centred" : "Trailing").set("Partial", partial);
        run.set("By_Group", grouped).columns({ 0 }, "Group_By").run();
        QCOMPARE(run.output().header(), QStringList({ "g", "v", "Moving" }));
        COMPARE_FIGURES(run.outputColumn(2), expected);
    }
};

QTEST_MAIN(TestAnalysis)
#include "tst_analysis.moc"
