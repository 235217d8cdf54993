// The example command line: its exact text for the shell, the warnings
// beside it, and a composed loop run by sh with the real program.
#include "batch/commandlinecomposer.h"
#include "clitesting.h"
#include "document/documentinfo.h"
#include "document/documentwriter.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "tests/input/testsupport.h"
#include "transforms/catalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

InputNode* fileInput(GraphModel& scene, const QString& path, const QString& alias, qreal y)
{
    auto* in = new InputNode(path, FileTypeDelimited);
    InputOptions o = in->options();
    o.alias = alias;
    in->setOptions(o);
    in->setPos(0, y);
    scene.insertNode(in);
    return in;
}

OutputNode* output(GraphModel& scene, Node* from, const QString& path, const QString& alias)
{
    auto* out = new OutputNode(path, FileTypeDelimited);
    OutputOptions o = out->options();
    o.alias = alias;
    out->setOptions(o);
    out->setPos(400, 0);
    scene.insertNode(out);
    if (from)
        scene.insertConnection(from, out);
    return out;
}

// Two file inputs and a folder input stacked into one output.
void buildStack(GraphModel& scene)
{
    auto* stack = new TransformNode(Catalogue::instance().create(QStringLiteral("Stack")));
    stack->setPos(200, 0);
    scene.insertNode(stack);
    scene.insertConnection(
        fileInput(scene, QStringLiteral("/data/my people.csv"), QStringLiteral("people"), 0),
        stack);
    scene.insertConnection(
        fileInput(scene, QStringLiteral("/data/it's.csv"), QStringLiteral("cities"), 100), stack);
    auto* folder = fileInput(scene, QString(), QStringLiteral("archive"), 200);
    folder->setFolderSource(
        QStringLiteral("/data/old files"), QStringLiteral("*.csv"), false, FileTypeDelimited);
    scene.insertConnection(folder, stack);
    output(scene, stack, QStringLiteral("/out/result.csv"), QStringLiteral("result"));
}

} // namespace

class TestCommandLineComposer : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void warnings_data();
    void warnings();
    void loopRunsUnderSh();
};

void TestCommandLineComposer::text_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("loopAlias");
    QTest::addColumn<int>("pause");
    QTest::addColumn<QString>("expected");
    const QString head = QStringLiteral("'/opt/varnix' '/docs/my doc.transform' ");
    const QString tail = QStringLiteral("-folder 'archive=/data/old files' "
                                        "-file 'result=/out/result.csv' -cli -verbosity 3 "
                                        "-log '/logs/run log.txt' -overwrite");
    const QString plain = head
        + QStringLiteral("-file 'people=/data/my people.csv' -file 'cities=/data/it'\\''s.csv' ")
        + tail;
    const QString looped
        = head + QStringLiteral("-file 'people='\"$f\" -file 'cities=/data/it'\\''s.csv' ") + tail;
    const QString loopHead = QStringLiteral("for f in '/in box'/'a '*'.csv'; do");
    addRow("command", 0, QString(), 0, plain);
    addRow("script", 1, QString(), 0, QString("#!/bin/sh\n" + plain + "\n"));
    addRow("looped command", 0, "people", 5,
        QString(loopHead + " [ -e \"$f\" ] || continue; " + looped + "; sleep 5; done"));
    addRow("looped script", 1, "people", 0,
        QString("#!/bin/sh\n" + loopHead + "\n    [ -e \"$f\" ] || continue\n    " + looped
            + "\ndone\n"));
    // A folder input cannot take one file at a time.
    addRow("loop over folder alias", 0, "archive", 0, plain);
}

void TestCommandLineComposer::text()
{
    QFETCH(int, target);
    QFETCH(QString, loopAlias);
    QFETCH(int, pause);
    GraphModel scene;
    buildStack(scene);
    ComposerChoices c;
    c.program = QStringLiteral("/opt/varnix");
    c.documentPath = QStringLiteral("/docs/my doc.transform");
    c.target = target;
    c.verbosity = 3;
    c.logPath = QStringLiteral("/logs/run log.txt");
    c.overwriteLog = true;
    c.loopAlias = loopAlias;
    c.loopFolder = QStringLiteral("/in box");
    c.loopPattern = QStringLiteral("a *.csv");
    c.pauseSeconds = pause;
    const ComposedCommand composed = CommandLineComposer::compose(scene, c, false);
    QTEST(composed.text, "expected");
    QCOMPARE(composed.warnings, QStringList());
    QCOMPARE(composed.fileInputAliases, (QStringList { "people", "cities" }));
}

void TestCommandLineComposer::warnings_data()
{
    QTest::addColumn<QString>("inputAlias");
    QTest::addColumn<QString>("outputAlias");
    QTest::addColumn<int>("writeMode");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QStringList>("expected");
    addRow("empty aliases", "", "", 1, true,
        QStringList {
            "Empty input alias.", "No input aliases that can be used.", "Empty output alias" });
    addRow("shared alias", "x", " x ", 1, true,
        QStringList { "Alias 'x' occurs for both input and output." });
    addRow("disabled output", "in", "out", 0, true,
        QStringList { "Output with alias 'out' has 'Write mode'='Disabled' and will be ignored.",
            "No Output/Chart items are written to." });
    addRow("unconnected", "in", "out", 1, false,
        QStringList { "Input with alias 'in' is not connected to an output and will be ignored.",
            "No input aliases that can be used.",
            "Output with alias 'out' is not connected to an input and will be ignored.",
            "This .transform file has unsaved changes." });
}

void TestCommandLineComposer::warnings()
{
    QFETCH(QString, inputAlias);
    QFETCH(QString, outputAlias);
    QFETCH(int, writeMode);
    QFETCH(bool, connected);
    GraphModel scene;
    Node* in = fileInput(scene, QStringLiteral("/a.csv"), inputAlias, 0);
    auto* out = output(scene, connected ? in : nullptr, QStringLiteral("/b.csv"), outputAlias);
    OutputOptions o = out->options();
    o.writeMode = writeMode;
    out->setOptions(o);
    const ComposedCommand composed
        = CommandLineComposer::compose(scene, ComposerChoices(), !connected);
    QTEST(composed.warnings, "expected");
}

void TestCommandLineComposer::loopRunsUnderSh()
{
    const QString program = varnixProgram();
    QVERIFY2(QFile::exists(program), "the varnix program must be built before this test");
    QTemporaryDir dir;
    const QString inbox = dir.filePath(QStringLiteral("in box"));
    QVERIFY(QDir().mkpath(inbox));
    const QList<QPair<QString, QByteArray>> files { { "first one.csv", "a,b\n1,2\n" },
        { "second.csv", "a,b\n3,4\n5,6\n" }, { "skipped.txt", "a,b\n7,8\n" } };
    for (const auto& f : files) {
        QFile file(inbox + QLatin1Char('/') + f.first);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(f.second);
    }
    GraphModel scene;
    Node* in = fileInput(scene, inbox + QStringLiteral("/first one.csv"), QStringLiteral("in"), 0);
    // Each pass writes a file named after the input it was given.
    output(scene, in, dir.filePath(QStringLiteral("out/{in}.csv")), QStringLiteral("out"));
    const QString document = dir.filePath(QStringLiteral("loop.transform"));
    QString error;
    QVERIFY2(DocumentWriter::save(scene, document, DocumentInfo(), SaveOptions(), &error),
        qPrintable(error));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("out"))));

    ComposerChoices c;
    c.program = program;
    c.documentPath = document;
    c.target = ComposerChoices::ShellScript;
    c.verbosity = 0;
    c.loopAlias = QStringLiteral("in");
    c.loopFolder = inbox;
    c.loopPattern = QStringLiteral("*.csv");
    const QString script = dir.filePath(QStringLiteral("run.sh"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CommandLineComposer::compose(scene, c, false).text.toUtf8());
    file.close();

    QProcess sh;
    sh.start(QStringLiteral("sh"), { script });
    QVERIFY(sh.waitForFinished(120000));
    QCOMPARE(sh.exitCode(), 0);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files),
        (QStringList { "first one.csv", "second.csv" }));
    QFile second(dir.filePath(QStringLiteral("out/second.csv")));
    QVERIFY(second.open(QIODevice::ReadOnly));
    // New CSV outputs start with a byte-order mark.
    QCOMPARE(second.readAll().replace('\r', ""),
        QByteArray("\xEF\xBB\xBF"
                   "a,b\n3,4\n5,6\n"));
}

QTEST_MAIN(TestCommandLineComposer)
#include "tst_commandlinecomposer.moc"
