// The real program's build line, which names the Qt it was built with.
// Every other run of the real program is a case under
// tests/data/batch/cli (tst_goldencli).
#include "clitesting.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

class TestCliProcess : public QObject
{
    Q_OBJECT

private slots:
    void buildWithoutDocument()
    {
        QVERIFY2(QFile::exists(varnixProgram()), "the varnix program must be built first");
        // No display and no platform chosen: the program must pick one itself.
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" })
            env.remove(QString::fromLatin1(name));
        process.setProcessEnvironment(env);
        const ProgramRun result = runProgram(process, { "-cli", "-build" });
        QCOMPARE(result.exitCode, 255);
        QCOMPARE(result.out,
            (QStringList { "",
                "Build: " VARNIX_VERSION " (Qt " QT_VERSION_STR ", " + QSysInfo::buildAbi()
                    + ")" }));
        QCOMPARE(result.err,
            (QStringList { red("No .transform file specified."), red("Aborted processing") }));
    }
};

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
