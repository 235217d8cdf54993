// The real program run from the command line: exit codes and console
// output. The documents hold only items every build has.
#include "clitesting.h"
#include "tests/input/testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

ProgramRun run(const QStringList& arguments)
{
    QProcess process;
    // No display and no platform chosen: the program must pick one itself.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    process.setProcessEnvironment(env);
    return runProgram(process, arguments);
}

QString data(const QString& name)
{
    return QStringLiteral(VARNIX_TEST_DATA "/document/") + name;
}

} // namespace

class TestCliProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void runs_data();
    void runs();
    void emptyDocument();

private:
    QTemporaryDir m_dir;
};

void TestCliProcess::initTestCase()
{
    QVERIFY2(QFile::exists(varnixProgram()), "the varnix program must be built before this test");
    QVERIFY(m_dir.isValid());
}

void TestCliProcess::runs_data()
{
    // 255 is how the shell sees the exit code -1.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QStringList>("err");
    const QString notes = data(QStringLiteral("note_only.transform"));
    const QString unconnected = data(QStringLiteral("unconnected_transform.transform"));
    addRow("nothing to run", QStringList { "-cli", notes }, 0,
        QStringList { "Results: 0 error(s)" }, QStringList());
    addRow("warnings only", QStringList { "-CLI", "-verbosity", "0", unconnected }, 0,
        QStringList { "Results: 0 error(s)" }, QStringList());
    addRow("verbosity 1", QStringList { "-cli", "-verbosity", "1", notes }, 0,
        QStringList { "", "Results: 0 error(s)" }, QStringList());
    addRow("no document", QStringList { "-cli" }, 255, QStringList { "" },
        QStringList { red("No .transform file specified."), red("Aborted processing") });
    addRow("version", QStringList { "-cli", "-version", notes }, 0,
        QStringList { "", "Version: Varnix " VARNIX_VERSION, "Results: 0 error(s)" },
        QStringList());
    addRow("build without document", QStringList { "-cli", "-build" }, 255,
        QStringList {
            "", "Build: " VARNIX_VERSION " (Qt " QT_VERSION_STR ", " + QSysInfo::buildAbi() + ")" },
        QStringList { red("No .transform file specified."), red("Aborted processing") });
}

void TestCliProcess::runs()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QStringList, err);
    const ProgramRun result = run(arguments);
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.out, out);
    QCOMPARE(result.err, err);
}

void TestCliProcess::emptyDocument()
{
    const QString path = m_dir.filePath(QStringLiteral("empty.transform"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const ProgramRun result = run({ QStringLiteral("-cli"), path });
    QCOMPARE(result.exitCode, 255);
    QCOMPARE(result.err,
        (QStringList {
            red(QStringLiteral("Unable to open '%1': File '%1' is empty (size=0).").arg(path)),
            red(QStringLiteral("Aborted processing")) }));
}

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
