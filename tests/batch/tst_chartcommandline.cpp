// Chart items in a run without windows: an alias points the chart at its
// file and the report counts and lists the charts written.
#include "batch/commandline.h"
#include "batch/commandlinereport.h"
#include "batch/commandlinerun.h"
#include "charts/chartnode.h"
#include "clitesting.h"
#include "document/documentwriter.h"
#include "graph/graphscene.h"
#include "input/inputnode.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

class TestChartCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        registerInputNodeKind();
        registerChartNodeKind();
        QVERIFY(m_dir.isValid());
    }

    void aliasSetsTheChartFile()
    {
        const QString data = m_dir.filePath(QStringLiteral("sales.csv"));
        QFile csv(data);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("city,amount\nparis,3\nrome,4\nparis,1\n");
        csv.close();
        GraphScene scene;
        auto* input = new InputNode(data);
        input->setId(1);
        auto* chart = new ChartNode;
        chart->setId(2);
        chart->setPos(0, 200);
        QVariantMap options = chart->saveOptions();
        options.insert(QStringLiteral("chart_type"), int(ChartHorizontalBar));
        options.insert(QStringLiteral("chart_x_column"), QStringLiteral("0"));
        options.insert(QStringLiteral("chart_y_columns"), QStringLiteral("1"));
        options.insert(QStringLiteral("write_file"), true);
        options.insert(QStringLiteral("path"), m_dir.filePath(QStringLiteral("saved.png")));
        options.insert(QStringLiteral("alias"), QStringLiteral("plot"));
        chart->restoreOptions(options);
        scene.insertNode(input);
        scene.insertNode(chart);
        scene.insertConnection(input, chart);
        const QString doc = m_dir.filePath(QStringLiteral("chart.transform"));
        QVERIFY(DocumentWriter::save(scene, doc, DocumentInfo(), SaveOptions(), nullptr));

        const QString target = m_dir.filePath(QStringLiteral("given.png"));
        const CommandLine line = CommandLine::parse(
            { QStringLiteral("-cli"), QStringLiteral("-verbosity"), QStringLiteral("3"), doc,
                QStringLiteral("-file"), QStringLiteral("plot=") + target });
        Console console;
        CommandLineReport report(&console.out, &console.err);
        QCOMPARE(CommandLineRun(line, report).run(), 0);
        const QStringList lines = console.outLines();
        const int at = lines.indexOf(QStringLiteral("Charts written: 1"));
        QVERIFY2(at > 0, console.out.data().constData());
        QCOMPARE(lines.value(at + 1), QStringLiteral("  ") + QDir::toNativeSeparators(target));
        QVERIFY(lines.contains(
            QStringLiteral("Processed: 1 Input(s), 0 Transform(s), 0 Output(s), 1 Chart(s)")));
        QCOMPARE(QImage(target).size(), QSize(1024, 1024));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("saved.png"))));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestChartCommandLine)
#include "tst_chartcommandline.moc"
