#include "charts/chartbuilder.h"
#include "document/documentreader.h"
#include "document/documentwriter.h"
#include "graph/chartnode.h"
#include "graph/graphmodel.h"
#include "output/chartplotter.h"
#include "tests/graph/testnodes.h"
#include "tests/input/testsupport.h"
#include "tests/output/filesizelimit.h"

#include <QtCharts/QChart>
#include <QtCharts/QValueAxis>

#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ChartOptions)
Q_DECLARE_METATYPE(Dataset)

namespace {

// Columns: x, then y1.. as many as the rows have.
Dataset table(const QList<QStringList>& rows)
{
    QStringList header { "x" };
    for (int i = 1; i < rows.value(0).size(); ++i)
        header << QStringLiteral("y%1").arg(i);
    return makeDataset(header, rows);
}

Dataset counted(int rows, int yColumns = 1)
{
    QList<QStringList> list;
    for (int r = 0; r < rows; ++r) {
        QStringList row { QString::number(r) };
        for (int c = 0; c < yColumns; ++c)
            row << QString::number((r * 7 + c * 3) % 11);
        list << row;
    }
    return table(list);
}

ChartOptions chartOf(int type, int yColumns, int layout = LayoutGrouped, int across = 2)
{
    ChartOptions o;
    o.type = type;
    o.x.position = 0;
    for (int c = 1; c <= yColumns; ++c) {
        ChartColumn y;
        y.position = c;
        o.y << y;
    }
    o.layout = layout;
    o.facetsAcross = across;
    return o;
}

QString pointsText(const ChartPlot& plot)
{
    QStringList parts;
    if (plot.facets.isEmpty())
        return QString();
    for (const QPointF& p : plot.facets.first().series.first().points)
        parts << QStringLiteral("%1:%2").arg(p.x()).arg(p.y());
    return parts.join(QLatin1Char(' '));
}

struct Graph
{
    explicit Graph(const Dataset& data) : source(new SourceNode(data)), chart(new ChartNode)
    {
        scene.insertNode(source);
        scene.insertNode(chart);
        chart->setPos(0, 200);
        scene.insertConnection(source, chart);
    }
    void run() { scene.process(GraphModel::RunAll, true); }
    GraphModel scene;
    SourceNode* source;
    ChartNode* chart;
};

QString pdfPageSize(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), { path });
    if (!p.waitForFinished(20000))
        return QStringLiteral("<pdfinfo failed>");
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        if (line.startsWith(QLatin1String("Page size:")))
            return line.mid(10).simplified();
    }
    return QString();
}

} // namespace

class TestChartNode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void plotRules_data();
    void plotRules();
    void axisWarnings_data();
    void axisWarnings();
    void facetsShareTheYRange();
    void dateXAxis();
    void facetGridLeavesTheLastRowShort();
    void downsamplingKeepsExtremes();
    void writesFiles_data();
    void writesFiles();
    void withoutPlotterWritesNothing();
    void documentRoundTrip();
    void columnsFollowTheirNames();

private:
    void keptOnFullDisk(Graph& g, const QString& path);
    QTemporaryDir m_dir;
};

void TestChartNode::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    registerTestKinds();
    registerChartNodeKind();
    installChartPlotting();
    QVERIFY(m_dir.isValid());
}

void TestChartNode::plotRules_data()
{
    QTest::addColumn<Dataset>("data");
    QTest::addColumn<ChartOptions>("options");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("points");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<QStringList>("information");

    const QString summed = QStringLiteral("Y values with the same X value are summed");
    addRow("bars sum the same X", table({ { "a", "1" }, { "b", "2" }, { "a", "3.5" } }),
        chartOf(ChartVerticalBar, 1), "", "0:4.5 1:2", QStringList(), QStringList { summed });
    addRow("empty category and unreadable value", table({ { "", "1" }, { "b", "x" }, { "", "2" } }),
        chartOf(ChartHorizontalBar, 1), "", "0:3 1:0",
        QStringList { "'x' is not a valid number in column 'y1' at row 2" },
        QStringList { summed });
    ChartOptions text = chartOf(ChartScatter, 1);
    text.xAs = XAsText;
    addRow("duplicate text X in a scatter",
        table({ { "a", "1" }, { "a", "2" }, { "b", "3" }, { "a", "4" } }), text, "",
        "0:1 0:2 1:3 0:4",
        QStringList { "Duplicate values are not allowed for an X axis of type text in Scatter "
                      "charts\nYou can use a 'Count' transform to sum duplicates.",
            "X axis value 'a' occurs 3 times" },
        QStringList());
    ChartOptions log = chartOf(ChartLine, 1);
    log.yAxis.scale = ScaleLog10;
    addRow("line sorted by X, log axis refuses 0",
        table({ { "3", "1" }, { "1", "0" }, { "2", "5" } }), log, "", "2:5 3:1",
        QStringList { "'0' is not a valid number for a logarithmic axis in column 'y1' at row "
                      "2 (must be > 0)" },
        QStringList { "X axis interpreted as Numeric" });
    addRow("pie over 100 points", counted(101), chartOf(ChartPie, 1),
        "Pie charts can display a maximum of 100 data points (per facet, if faceted) - you "
        "can use a 'Sample', 'Filter' or 'Slice' transforms to reduce the amount of data",
        "", QStringList(), QStringList());
    addRow("1000 bars plot", counted(1000), chartOf(ChartVerticalBar, 1), "", "", QStringList(),
        QStringList());
    addRow("six facets one across", counted(3, 6), chartOf(ChartLine, 6, LayoutFaceted, 1),
        "A maximum of 5 rows of facets can be displayed\nTry increasing the number of facets "
        "across",
        "", QStringList(), QStringList());
    addRow("pies warn of negatives and single points",
        table({ { "a", "-1", "" }, { "b", "2", "4" } }), chartOf(ChartDonut, 2), "", "0:-1 1:2",
        QStringList { "1 data point for column 'y2'",
            "Donut charts are not a good choice for negative values (1 negative value)" },
        QStringList());
    addRow("no chart type", counted(3), chartOf(ChartNone, 1), "Select a chart type", "",
        QStringList(), QStringList());
    addRow("no Y column", counted(3), chartOf(ChartArea, 0),
        "Select one or more data columns for the Y axis", "", QStringList(), QStringList());
}

void TestChartNode::plotRules()
{
    QFETCH(Dataset, data);
    QFETCH(ChartOptions, options);
    QFETCH(QString, message);
    QFETCH(QString, points);
    QFETCH(QStringList, warnings);
    QFETCH(QStringList, information);

    const ChartPlot plot = makeChartPlot(data, options, { QStringLiteral("yyyy-MM-dd") });
    QCOMPARE(plot.message, message);
    QCOMPARE(plot.plotted, message.isEmpty());
    if (!points.isEmpty())
        QCOMPARE(pointsText(plot), points);
    QCOMPARE(plot.warnings, warnings);
    QCOMPARE(plot.information, information);
    if (plot.plotted) {
        // Every plot can be drawn.
        QStringList axisWarnings;
        const QVector<QtCharts::QChart*> charts = buildCharts(plot, options, 800, &axisWarnings);
        QCOMPARE(charts.size(), plot.facets.size());
        for (QtCharts::QChart* chart : charts)
            chart->deleteLater();
    }
}

void TestChartNode::axisWarnings_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("customMin");
    QTest::addColumn<double>("minValue");
    QTest::addColumn<bool>("customMax");
    QTest::addColumn<double>("maxValue");
    QTest::addColumn<int>("yFormat");
    QTest::addColumn<QStringList>("warnings");

    addRow("linear, min above max", int(ScaleLinear), true, 5.0, true, 2.0, 0,
        QStringList { "X axis minimum (5) should be < X axis maximum (2)" });
    addRow("log, min not positive", int(ScaleLog10), true, -1.0, false, 0.0, 0,
        QStringList { "X axis minimum should be > 0 for a logarithmic scale" });
    addRow("log, min above max", int(ScaleLog2), true, 5.0, true, 2.0, 0,
        QStringList { "X axis minimum (5) should < X axis maximum (2)" });
    addRow("whole-number labels for halves", int(ScaleLinear), false, 0.0, false, 0.0, 6,
        QStringList { "Label format 'i' may truncate Y axis values." });
    addRow("fixed labels with enough digits", int(ScaleLinear), false, 0.0, false, 0.0, 3,
        QStringList());
}

void TestChartNode::axisWarnings()
{
    QFETCH(int, scale);
    QFETCH(bool, customMin);
    QFETCH(double, minValue);
    QFETCH(bool, customMax);
    QFETCH(double, maxValue);
    QFETCH(int, yFormat);

    ChartOptions o = chartOf(ChartLine, 1);
    o.xAxis.scale = scale;
    o.xAxis.customMin = customMin;
    o.xAxis.minValue = minValue;
    o.xAxis.customMax = customMax;
    o.xAxis.maxValue = maxValue;
    o.yAxis.labelFormat = yFormat;
    const ChartPlot plot
        = makeChartPlot(table({ { "1", "0.5" }, { "2", "1.5" }, { "3", "2.5" } }), o, {});
    QStringList lines;
    for (QtCharts::QChart* chart : buildCharts(plot, o, 800, &lines))
        chart->deleteLater();
    QTEST(lines, "warnings");
}

void TestChartNode::facetsShareTheYRange()
{
    ChartOptions o = chartOf(ChartVerticalBar, 2, LayoutFaceted);
    o.yAxis.sameRangeAllFacets = true;
    const ChartPlot plot
        = makeChartPlot(table({ { "a", "1", "-40" }, { "b", "3", "250" } }), o, {});
    const QVector<QtCharts::QChart*> charts = buildCharts(plot, o, 800, nullptr);
    QCOMPARE(charts.size(), 2);
    QVector<QPair<double, double>> ranges;
    for (QtCharts::QChart* chart : charts) {
        const auto* y = qobject_cast<QtCharts::QValueAxis*>(chart->axes(Qt::Vertical).value(0));
        QVERIFY(y);
        ranges << qMakePair(y->min(), y->max());
        chart->deleteLater();
    }
    QCOMPARE(ranges.at(0), ranges.at(1));
    QVERIFY(ranges.at(0).first <= -40 && ranges.at(0).second >= 250);
}

void TestChartNode::dateXAxis()
{
    ChartOptions o = chartOf(ChartLine, 1);
    // The format is inferred from the first 50 values; a bad one after them
    // is reported by row.
    QList<QStringList> rows;
    for (int i = 50; i >= 0; --i)
        rows << QStringList { QDate(2024, 3, 1).addDays(i).toString(Qt::ISODate), "5" };
    rows << QStringList { "soon", "1" } << QStringList { "", "2" };
    const ChartPlot plot = makeChartPlot(table(rows), o, { QStringLiteral("yyyy-MM-dd") });
    QCOMPARE(plot.xKind, int(XAsDate));
    QCOMPARE(plot.information,
        QStringList({ "X axis interpreted as Date",
            "'yyyy-MM-dd' inferred as date format for column 'x'" }));
    QCOMPARE(plot.warnings,
        QStringList({ "Some values in column 'x' are not recognized as dates",
            "'soon' is not a valid date in column 'x' at row 52" }));
    const QVector<QPointF> points = plot.facets.first().series.first().points;
    QCOMPARE(points.size(), 51);
    QCOMPARE(QDateTime::fromMSecsSinceEpoch(qint64(points.at(0).x())).date(), QDate(2024, 3, 1));
    QCOMPARE(points.at(1).y(), 5.0);

    o.xAs = XAsDate;
    const ChartPlot text = makeChartPlot(table({ { "red", "1" } }), o, { "yyyy-MM-dd" });
    QCOMPARE(text.warnings, QStringList { "Could not infer a date format for column 'x'" });
}

void TestChartNode::facetGridLeavesTheLastRowShort()
{
    const ChartPlot plot
        = makeChartPlot(counted(4, 5), chartOf(ChartVerticalBar, 5, LayoutFaceted, 2), {});
    QVERIFY(plot.plotted);
    QCOMPARE(plot.facets.size(), 5);
    QCOMPARE(facetGrid(5, 2), QSize(2, 3));
    QCOMPARE(facetGrid(2, 4), QSize(2, 1));
    QCOMPARE(plot.facets.at(4).yNames, QStringList { "y5" });
}

void TestChartNode::downsamplingKeepsExtremes()
{
    QVector<QPointF> points;
    for (int i = 0; i < 100000; ++i)
        points << QPointF(i, i == 54321 ? 1000.0 : (i % 2 ? 1.0 : -1.0));
    const QVector<QPointF> thin = downsampleMinMax(points, 500);
    QVERIFY(thin.size() <= 1002);
    QCOMPARE(thin.first(), points.first());
    QCOMPARE(thin.last(), points.last());
    QVERIFY(thin.contains(QPointF(54321, 1000.0)));
    QVERIFY(std::is_sorted(thin.begin(), thin.end(),
        [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
}

void TestChartNode::writesFiles_data()
{
    QTest::addColumn<int>("imageType");
    QTest::addColumn<int>("pdfSize");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");

    addRow("png", int(ImagePng), 0, 0, "c.png", "PNG");
    addRow("png named .jpg", int(ImagePng), 0, 0, "c.jpg", "PNG");
    addRow("jpeg", int(ImageJpeg), 0, 0, "c.jpeg", "JPEG");
    addRow("pdf letter", int(ImagePdf), 9, 0, "c.pdf", "612 x 792 pts (letter)");
    addRow("pdf a4 landscape", int(ImagePdf), 4, 1, "c.pdf", "842 x 595 pts (A4)");
}

void TestChartNode::writesFiles()
{
    QFETCH(int, imageType);
    QFETCH(int, pdfSize);
    QFETCH(int, orientation);
    QFETCH(QString, file);
    QFETCH(QString, expected);

    Graph g(table({ { "a", "1", "3" }, { "b", "4", "2" }, { "c", "2", "5" } }));
    ChartOptions o = chartOf(ChartVerticalBar, 2);
    o.writeFile = true;
    o.path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + file);
    o.imageType = imageType;
    o.imageWidth = 640;
    o.imageHeight = 480;
    o.pdfSize = pdfSize;
    o.pdfOrientation = orientation;
    g.chart->setOptions(o);
    g.run();
    QCOMPARE(g.chart->status(), int(StatusUpToDate));
    QCOMPARE(g.chart->statusWord(), QStringLiteral("Written"));
    const QString shown = QDir::toNativeSeparators(o.path);
    QVERIFY(g.chart->information().contains(QStringLiteral("Created file '%1'").arg(shown)));
    QCOMPARE(g.chart->warnings().contains(
                 QStringLiteral("'%1' extension is 'jpg' but image type is PNG").arg(shown)),
        file == QLatin1String("c.jpg"));
    if (imageType == ImagePdf) {
        QCOMPARE(pdfPageSize(o.path), expected);
        return;
    }
    QImage image;
    QVERIFY(image.load(o.path, qPrintable(expected)));
    QCOMPARE(image.size(), QSize(640, 480));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    }
    QVERIFY2(colours.size() > 5, "the image is blank");
    g.chart->setStatus(StatusNeedsUpdating, false);
    g.run();
    QVERIFY(g.chart->information().contains(QStringLiteral("Overwrote file '%1'").arg(shown)));
    keptOnFullDisk(g, o.path);
}

// A write that cannot finish leaves the previous chart file as it was.
void TestChartNode::keptOnFullDisk(Graph& g, const QString& path)
{
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray old = before.readAll();
    before.close();
    g.chart->setStatus(StatusNeedsUpdating, false);
    {
        const FileSizeLimit disk(1024);
        g.run();
    }
    QCOMPARE(g.chart->status(), int(StatusError));
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QVERIFY(after.readAll() == old);
}

// A program that cannot draw (no plotter installed) says so and leaves no
// file behind.
void TestChartNode::withoutPlotterWritesNothing()
{
    Graph g(table({ { "a", "1", "3" }, { "b", "4", "2" } }));
    ChartOptions o = chartOf(ChartVerticalBar, 2);
    o.writeFile = true;
    o.path = m_dir.filePath(QStringLiteral("undrawn.png"));
    g.chart->setOptions(o);
    setChartFileWriter(nullptr);
    g.run();
    installChartPlotting();
    const QString shown = QDir::toNativeSeparators(o.path);
    QVERIFY2(g.chart->warnings().contains(
                 QStringLiteral("Charts cannot be drawn in this program: '%1' was not written")
                     .arg(shown)),
        qPrintable(g.chart->warnings().join('\n')));
    QVERIFY(!QFileInfo::exists(o.path));
}

void TestChartNode::documentRoundTrip()
{
    ChartOptions o = chartOf(ChartSmoothLine, 3, LayoutStacked, 4);
    o.xAs = XAsDate;
    o.writeFile = true;
    o.path = QStringLiteral("charts/{date} 100%.pdf");
    o.imageType = ImagePdf;
    o.imageWidth = 300;
    o.imageHeight = 200;
    o.pdfSize = 7;
    o.pdfOrientation = 1;
    o.pdfResolution = 300;
    o.alias = QStringLiteral("plot");
    o.theme = 6;
    o.titleOption = TitleCustom;
    o.customTitle = QStringLiteral("Sales of $(Y) <by> \"$(X)\"");
    o.legend = LegendRight;
    o.lineThickness = 3.5;
    o.opacity = 40;
    o.showLinePoints = true;
    o.pointSizeOption = 1;
    o.customPointSize = 7.25;
    for (ChartAxisOptions* a : { &o.xAxis, &o.yAxis }) {
        a->show = false;
        a->grid = false;
        a->titleOption = TitleCustom;
        a->customTitle = QStringLiteral("the $(X)");
        a->scale = ScaleLog2;
        a->customMin = true;
        a->minValue = 0.5;
        a->customMax = true;
        a->maxValue = 1e6;
        a->niceValues = false;
        a->showLabels = false;
        a->labelAngle = -45;
        a->labelFormat = 3;
        a->labelPrecision = 4;
    }
    o.xAxis.dateFormat = QStringLiteral("dd/MM/yy");
    o.yAxis.sameRangeAllFacets = true;

    GraphModel scene;
    auto* chart = new ChartNode;
    chart->setOptions(o);
    scene.insertNode(chart);
    const QString path = m_dir.filePath(QStringLiteral("round.transform"));
    QString error;
    QVERIFY2(DocumentWriter::save(scene, path, DocumentInfo(), SaveOptions(), &error),
        qPrintable(error));
    GraphModel loaded;
    QVERIFY2(DocumentReader::load(path, loaded, nullptr, nullptr, &error), qPrintable(error));
    QCOMPARE(loaded.nodes().size(), 1);
    auto* back = qobject_cast<ChartNode*>(loaded.nodes().first());
    QVERIFY(back);
    QCOMPARE(back->saveOptions(), chart->saveOptions());
    QCOMPARE(back->options().y.size(), 3);

    // Older documents list the Y columns with "^".
    QVariantMap old = chart->saveOptions();
    old.insert(QStringLiteral("chart_y_columns"), QStringLiteral("4^2"));
    const ChartOptions fromOld = ChartOptions::restore(old);
    QCOMPARE(fromOld.y.size(), 2);
    QCOMPARE(fromOld.y.at(0).position, 4);
    // Absent keys read as their defaults.
    QCOMPARE(ChartOptions::restore(QVariantMap()).save(), ChartOptions().save());
}

void TestChartNode::columnsFollowTheirNames()
{
    Graph g(table({ { "a", "1", "2" } }));
    g.run();
    g.chart->setXColumn(0);
    g.chart->setYColumns({ 2 });
    ChartOptions o = g.chart->options();
    o.type = ChartVerticalBar;
    g.chart->setOptions(o);
    g.run();
    QCOMPARE(g.chart->resultText(), QStringLiteral("1 series / 1 point"));
    // y1 goes: y2 moves to position 1 and the chart follows it by name.
    g.source->setData(makeDataset({ "x", "y2" }, { { "a", "7" } }));
    g.source->setStatus(StatusNeedsUpdating, true);
    g.run();
    QCOMPARE(
        g.chart->information(), QStringList { "Reconnected to column 'y2' for 'Y axis data'" });
    QCOMPARE(pointsText(g.chart->plot()), QStringLiteral("0:7"));
    g.source->setData(makeDataset({ "z" }, { { "a" } }));
    g.source->setStatus(StatusNeedsUpdating, true);
    g.run();
    QVERIFY(g.chart->warnings().contains("Cannot reconnect to column 'y2' for 'Y axis data'"));
    QVERIFY(g.chart->warnings().contains("Select one or more data columns for the Y axis"));
    QVERIFY(!g.chart->plot().plotted);
}

QTEST_MAIN(TestChartNode)
#include "tst_chartnode.moc"
