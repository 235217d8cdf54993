#include "graph/chartnode.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "ui/chartpane.h"
#include "ui/itempane.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QComboBox>
#include <QListWidget>
#include <QTest>

namespace {

// A fresh graph Input -> Chart with the pane showing the chart.
struct ChartGraph
{
    ChartGraph()
    {
        input->setClipboardSource(QStringLiteral(
            "city,amount,count,day\nparis,3,1,2024-01-03\nrome,4,2,2024-01-01\nparis,5,3,"
            "2024-01-02\n,2,4,2024-01-05\n"));
        chart->setPos(0, 200);
        scene.insertNode(input);
        scene.insertNode(chart);
        scene.insertConnection(input, chart);
        scene.setAutoRun(true);
        scene.process(GraphModel::RunAll, true);
        pane.resize(700, 1100);
        pane.show();
        pane.setNode(chart);
    }
    ChartOptionsForm* form() const { return pane.findChild<ChartOptionsForm*>(); }
    void choose(const QString& combo, int index)
    {
        auto* box = pane.findChild<QComboBox*>(combo);
        QVERIFY(box);
        box->setCurrentIndex(box->findData(index));
        emit box->activated(box->currentIndex());
    }
    void checkY(const QList<int>& columns)
    {
        auto* list = pane.findChild<QListWidget*>();
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setCheckState(columns.contains(i) ? Qt::Checked : Qt::Unchecked);
    }

    GraphModel scene;
    InputNode* input = new InputNode;
    ChartNode* chart = new ChartNode;
    ItemPane pane;
};

} // namespace

class TestChartPane : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isValid());
        isolateSettings(m_settings);
        WindowSettings::instance().setProcessingDelay(0.05);
        registerInputNodeKind();
        registerChartNodeKind();
    }

    void formDrawsTheChart_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("x");
        QTest::addColumn<QList<int>>("ys");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("views");
        QTest::addColumn<QString>("message");

        QTest::newRow("no type") << int(ChartNone) << 0 << QList<int> { 1 } << 0 << 0
                                 << "Select a chart type";
        QTest::newRow("no X") << int(ChartLine) << -1 << QList<int> { 1 } << 0 << 0
                              << "Select a data column for the X axis";
        QTest::newRow("bar") << int(ChartVerticalBar) << 0 << QList<int> { 1, 2 } << 0 << 1 << "";
        QTest::newRow("line") << int(ChartLine) << 3 << QList<int> { 1, 2 } << 0 << 1 << "";
        QTest::newRow("pie") << int(ChartPie) << 0 << QList<int> { 1, 2 } << 0 << 2 << "";
        QTest::newRow("faceted") << int(ChartScatter) << 2 << QList<int> { 0, 1, 3 }
                                 << int(LayoutFaceted) << 3 << "";
    }

    void formDrawsTheChart()
    {
        QFETCH(int, type);
        QFETCH(int, x);
        QFETCH(QList<int>, ys);
        QFETCH(int, layout);
        QFETCH(int, views);
        QFETCH(QString, message);

        ChartGraph g;
        QVERIFY(g.form());
        QCOMPARE(g.form()->chartView()->message(), QStringLiteral("Select a chart type"));
        g.choose(QStringLiteral("X column"), x);
        g.checkY(ys);
        g.choose(QStringLiteral("layout"), layout);
        g.choose(QStringLiteral("chart type"), type);
        QTRY_COMPARE(g.chart->status(), int(StatusUpToDate));
        ChartViewGrid* view = g.form()->chartView();
        QTRY_COMPARE(view->message(), message);
        QCOMPARE(view->viewCount(), views);
    }

    // Fewer facets leave fewer views, and a change upstream re-plots.
    void viewsFollowThePlot()
    {
        ChartGraph g;
        g.choose(QStringLiteral("X column"), 0);
        g.checkY({ 1, 2 });
        g.choose(QStringLiteral("layout"), LayoutFaceted);
        g.choose(QStringLiteral("chart type"), ChartVerticalBar);
        QTRY_COMPARE(g.form()->chartView()->viewCount(), 2);
        g.choose(QStringLiteral("layout"), LayoutGrouped);
        QTRY_COMPARE(g.form()->chartView()->viewCount(), 1);
        QCOMPARE(g.chart->plot().categories.size(), 3);
        g.input->setClipboardSource(QStringLiteral("city,amount,count\noslo,1,1\n"));
        g.scene.onSourceChangedDelayed(g.input);
        QTRY_COMPARE(g.chart->plot().categories, QStringList { "oslo" });
        QCOMPARE(g.form()->chartView()->viewCount(), 1);
    }

private:
    QTemporaryDir m_settings;
};

QTEST_MAIN(TestChartPane)
#include "tst_chartpane.moc"
