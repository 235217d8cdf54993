// Documents run as a user runs them, from another folder, through the real
// program: where outputs land, what the report says and in which order,
// and which locale numbers are read in.
#include "clitesting.h"
#include "tests/input/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString documentText(const QString& meta, const QString& body)
{
    return QStringLiteral(
        "<!DOCTYPE Varnix>\n<root><meta><version value=\"87\"/>%1</meta>%2</root>\n")
        .arg(meta, body);
}

// A pasted-text input (id 1) with a header row, as the document stores it.
QString pastedInput(const QString& percentEncodedText)
{
    return QStringLiteral(
        "<inputs><input id=\"1\" medium=\"1\" header=\"1\" delimiter=\"2\" text=\"%1\"/></inputs>")
        .arg(percentEncodedText);
}

QString output(int id, const QString& path, const QString& extra = QString())
{
    return QStringLiteral("<outputs><output id=\"%1\" file_type=\"0\" path=\"%2\" %3/></outputs>")
        .arg(id)
        .arg(path, extra);
}

QString connections(const QList<QPair<int, int>>& pairs)
{
    QString text = QStringLiteral("<connections>");
    for (const auto& p : pairs)
        text += QStringLiteral("<connection start_id=\"%1\" end_id=\"%2\"/>")
                    .arg(p.first)
                    .arg(p.second);
    return text + QStringLiteral("</connections>");
}

QString transform(int id, const QString& name, const QString& parameters = QString())
{
    return QStringLiteral(
        "<transform id=\"%1\" name=\"%2\"><parameters>%3</parameters></transform>")
        .arg(id)
        .arg(name, parameters);
}

} // namespace

class TestCliReliability : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void outputsBesideTheDocument_data();
    void outputsBesideTheDocument();
    void loaderWarningsReported();
    void errorsAfterTheHeader();
    void documentLocale();

private:
    QString writeDocument(const QString& name, const QString& text);
    ProgramRun run(const QStringList& arguments, bool merged = false);

    QTemporaryDir m_dir;
    QTemporaryDir m_elsewhere;
};

void TestCliReliability::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_elsewhere.isValid());
}

QString TestCliReliability::writeDocument(const QString& name, const QString& text)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(text.toUtf8());
    return path;
}

// Started from another folder with settings of its own, so that neither
// the current folder nor the preferences of whoever runs the tests count.
ProgramRun TestCliReliability::run(const QStringList& arguments, bool merged)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_elsewhere.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_elsewhere.path());
    if (merged)
        process.setProcessChannelMode(QProcess::MergedChannels);
    return runProgram(process, arguments);
}

void TestCliReliability::outputsBesideTheDocument_data()
{
    QTest::addColumn<QString>("outputPath");
    QTest::addColumn<QString>("outputExtra");
    QTest::addColumn<QString>("inputText");
    QTest::addColumn<QStringList>("written");
    addRow("relative path", "sub%2Fout.csv", "", "a%0A1", QStringList { "sub/out.csv" });
    addRow("document name variable", "%7Btransformfname%7D_out.csv", "", "a%0A1",
        QStringList { "places_out.csv" });
    addRow("relative names from a column", "",
        "single_or_multi=\"1\" multi_file_column=\"0\" multi_file_confirm=\"0\"",
        "file%0Ax.csv%0Ay.csv", QStringList { "x.csv", "y.csv" });
}

void TestCliReliability::outputsBesideTheDocument()
{
    QFETCH(QString, outputPath);
    QFETCH(QString, outputExtra);
    QFETCH(QString, inputText);
    QFETCH(QStringList, written);
    QDir(m_dir.path()).mkpath(QStringLiteral("sub"));
    const QString document = writeDocument(QStringLiteral("places.transform"),
        documentText(QString(),
            pastedInput(inputText) + output(2, outputPath, outputExtra)
                + connections({ { 1, 2 } })));
    const ProgramRun result = run({ QStringLiteral("-cli"), document });
    QCOMPARE(result.exitCode, 0);
    for (const QString& name : written) {
        QVERIFY2(QFile::exists(m_dir.filePath(name)), qPrintable(name));
        QVERIFY(QFile::remove(m_dir.filePath(name)));
        QVERIFY(!QFile::exists(m_elsewhere.filePath(name)));
    }
}

// A document that uses transform types this release does not have: the
// loader's warnings are reported and counted, and the item cut off from its
// input says what it is missing.
void TestCliReliability::loaderWarningsReported()
{
    const QString body = pastedInput(QStringLiteral("a%0A1")) + QStringLiteral("<transforms>")
        + transform(2, QStringLiteral("Trim")) + transform(3, QStringLiteral("Frobnicate"))
        + QStringLiteral("</transforms>") + output(4, QStringLiteral("cut.csv"))
        + connections({ { 1, 2 }, { 2, 3 }, { 3, 4 } });
    const QString document = writeDocument(QStringLiteral("unknown.transform"),
        documentText(QString(), body).replace(QStringLiteral("\"87\""), QStringLiteral("\"88\"")));
    const ProgramRun quiet = run({ QStringLiteral("-cli"), document });
    QCOMPARE(quiet.out.first(), QStringLiteral("Results: 0 error(s)"));
    const ProgramRun result = run(
        { QStringLiteral("-cli"), QStringLiteral("-verbosity"), QStringLiteral("3"), document });
    QCOMPARE(result.exitCode, 0);
    const QString text = result.out.join(QLatin1Char('\n'));
    for (const char* expected : { "Warning: The following deprecated transforms were not added:",
             "\n    'Trim' (1 occurrence) - use the newer 'Whitespace' transform.",
             "Warning: The following unknown transforms were not added:",
             "\n    'Frobnicate' (1 occurrence)",
             "Warning: This document was created with a later version of the software.",
             "    Warning: Upstream item 3 is missing: its transform type 'Frobnicate' is not "
             "available",
             "Results: 0 error(s), 5 warning(s)" })
        QVERIFY2(text.contains(QLatin1String(expected)), expected);
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("cut.csv"))));
}

void TestCliReliability::errorsAfterTheHeader()
{
    const QString document = writeDocument(QStringLiteral("failing.transform"),
        documentText(QString(),
            pastedInput(QStringLiteral("a%0A1"))
                + output(2, QStringLiteral("%2Fnonexistent%2Fout.csv"))
                + connections({ { 1, 2 } })));
    const ProgramRun result
        = run({ QStringLiteral("-cli"), QStringLiteral("-verbose"), document }, true);
    QCOMPARE(result.exitCode, 1);
    const int header = result.out.indexOf(QRegularExpression(QStringLiteral("^File: .*")));
    const int error = result.out.indexOf(QRegularExpression(QStringLiteral(".*\\[31m.*Output.*")));
    const int results = result.out.indexOf(QRegularExpression(QStringLiteral("^Results: .*")));
    QVERIFY2(header >= 0 && error > header && results > error,
        qPrintable(result.out.join(QLatin1Char('\n'))));
}

// Saved in German, read in German: 1.234,5 is a number above 200 even on a
// machine whose own locale reads it as text.
void TestCliReliability::documentLocale()
{
    const QString sort = transform(2, QStringLiteral("Sort"),
        QStringLiteral("<parameter name=\"Columns\" value=\"0%1F1\"/>"
                       "<parameter name=\"Intelligent_Sort\" value=\"1\"/>"));
    const QString body = pastedInput(QStringLiteral("v%0A1.234%2C5%0A200"))
        + QStringLiteral("<transforms>") + sort + QStringLiteral("</transforms>")
        + output(3, QStringLiteral("sorted.csv")) + connections({ { 1, 2 }, { 2, 3 } });
    const QString document = writeDocument(QStringLiteral("german.transform"),
        documentText(QStringLiteral("<locale value=\"de_DE\"/>"), body));
    QCOMPARE(run({ QStringLiteral("-cli"), document }).exitCode, 0);
    QFile sorted(m_dir.filePath(QStringLiteral("sorted.csv")));
    QVERIFY(sorted.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(sorted.readAll())
                                 .remove(QChar(0xfeff))
                                 .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(rows, (QStringList { "v", "200", "\"1.234,5\"" }));
}

QTEST_GUILESS_MAIN(TestCliReliability)
#include "tst_clireliability.moc"
