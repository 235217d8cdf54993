// Two command-line runs of one document at the same time, as a job array or
// GNU parallel starts them: each must write its own output whole, leave the
// other's alone, and leave the document and the recovery file untouched.
#include "clitesting.h"
#include "document/documentinfo.h"
#include "document/documentwriter.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"

#include "tests/input/testsupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// What the output writes: the input's lines behind a byte-order mark, with
// Windows line endings.
QByteArray asWritten(QByteArray csv)
{
    return "\xEF\xBB\xBF" + csv.replace("\n", "\r\n");
}

} // namespace

class TestCliConcurrent : public QObject
{
    Q_OBJECT

private slots:
    void twoRunsAtOnce();
};

void TestCliConcurrent::twoRunsAtOnce()
{
    const QString program = varnixProgram();
    QVERIFY2(QFile::exists(program), "the varnix program must be built before this test");
    registerInputNodeKind();
    registerOutputNodeKind();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QDir().mkpath(dir.filePath("tmp"));

    // Big enough that the two runs overlap.
    QByteArray inputs[2];
    for (int k = 0; k < 2; ++k) {
        QByteArray& csv = inputs[k];
        csv = "id,run\n";
        for (int i = 0; i < 200000; ++i)
            csv += QByteArray::number(i) + (k == 0 ? ",first\n" : ",second\n");
        QFile file(dir.filePath(QStringLiteral("in%1.csv").arg(k)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(csv);
    }
    const QString document = dir.filePath("shared.transform");
    {
        GraphModel scene;
        auto* input = new InputNode(dir.filePath("in0.csv"));
        InputOptions in = input->options();
        in.alias = QStringLiteral("in");
        input->setOptions(in);
        scene.insertNode(input);
        auto* output = new OutputNode(dir.filePath("default.csv"));
        OutputOptions out = output->options();
        out.alias = QStringLiteral("out");
        output->setOptions(out);
        output->setPos(0, 200);
        scene.insertNode(output);
        scene.insertConnection(input, output);
        QVERIFY(DocumentWriter::save(scene, document, DocumentInfo(), SaveOptions(), nullptr));
    }
    const QString recovery = dir.filePath("tmp/VRXAutoRecovery.transform");
    QFile::copy(document, recovery);
    const QByteArray documentBefore = readFile(document);

    std::unique_ptr<QProcess> runs[2];
    for (int k = 0; k < 2; ++k) {
        runs[k].reset(new QProcess);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), dir.filePath("tmp"));
        env.remove(QStringLiteral("DISPLAY"));
        runs[k]->setProcessEnvironment(env);
        runs[k]->start(program,
            { "-cli", document, "-file", QStringLiteral("in=%1/in%2.csv").arg(dir.path()).arg(k),
                "-file", QStringLiteral("out=%1/out%2.csv").arg(dir.path()).arg(k), "-log",
                dir.filePath(QStringLiteral("run%1.log").arg(k)), "-verbose" });
    }
    for (int k = 0; k < 2; ++k) {
        QVERIFY(runs[k]->waitForFinished(120000));
        QCOMPARE(runs[k]->exitStatus(), QProcess::NormalExit);
        QCOMPARE(runs[k]->exitCode(), 0);
    }
    for (int k = 0; k < 2; ++k) {
        QVERIFY(readFile(dir.filePath(QStringLiteral("out%1.csv").arg(k))) == asWritten(inputs[k]));
        const QByteArray log = readFile(dir.filePath(QStringLiteral("run%1.log").arg(k)));
        QVERIFY(log.contains("Outputs written: 1\n"));
        QVERIFY(log.contains("Results: 0 error(s), 0 warning(s)\n"));
    }
    QVERIFY(readFile(document) == documentBefore);
    QVERIFY(readFile(recovery) == documentBefore);
    // Nothing left behind: no temporary files beside the outputs.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
        (QStringList { "in0.csv", "in1.csv", "out0.csv", "out1.csv", "run0.log", "run1.log",
            "shared.transform" }));
}

QTEST_MAIN(TestCliConcurrent)
#include "tst_cliconcurrent.moc"
