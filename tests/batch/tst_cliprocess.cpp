// The real program's build line, which names the Qt it was built with, and
// what its start-up loads. Every other run of the real program is a case
// under tests/data/batch/cli (tst_goldencli).
#include "clitesting.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString docs()
{
    return QStringLiteral(VARNIX_TEST_DATA "/batch/cli/docs/");
}

} // namespace

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

    // A run without windows makes the full application object (platform
    // plugin, fonts) only for a document that draws a chart.
    void platformOnlyForCharts_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("platform");
        QTest::newRow("version") << QStringList { "-version" } << false;
        QTest::newRow("help") << QStringList { "-help" } << false;
        QTest::newRow("document without a chart")
            << QStringList { "-cli", "{dir}/run.transform" } << false;
        QTest::newRow("document with a chart")
            << QStringList { "-cli", "{dir}/chart.transform" } << true;
    }

    void platformOnlyForCharts()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, platform);
        QTemporaryDir dir;
        for (const char* name : { "run.transform", "chart.transform", "sales.csv", "data.csv" }) {
            const QString file = QString::fromLatin1(name);
            QFile source(docs() + file);
            QVERIFY(source.open(QIODevice::ReadOnly));
            QFile copy(dir.filePath(file));
            QVERIFY(copy.open(QIODevice::WriteOnly));
            copy.write(QString::fromUtf8(source.readAll())
                           .replace(QStringLiteral("{dir}"), dir.path())
                           .toUtf8());
        }
        arguments.replaceInStrings(QStringLiteral("{dir}"), dir.path());
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" })
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("QT_DEBUG_PLUGINS"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        const ProgramRun result = runProgram(process, arguments);
        QCOMPARE(result.exitCode, 0);
        const bool looked = result.err.join('\n').contains(QLatin1String("/platforms"));
        QVERIFY2(looked == platform, qPrintable(result.err.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
