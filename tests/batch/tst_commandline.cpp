// Argument parsing and the report at each verbosity, in process, with test
// Input and Output kinds. Runs of the real program are cases under
// tests/data/batch/cli (tst_goldencli).
#include "batch/commandline.h"
#include "batch/commandlinereport.h"
#include "batch/commandlinerun.h"
#include "clitesting.h"
#include "document/documentwriter.h"
#include "graph/graphmodel.h"
#include "tests/document/documenttestkinds.h"
#include "tests/input/testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Drops the lines that hold times.
QStringList withoutTimes(QStringList lines)
{
    for (QString& line : lines) {
        if (line.startsWith(QLatin1String("Started: "))
            || line.startsWith(QLatin1String("Finished: "))
            || line.startsWith(QLatin1String("Elapsed: ")))
            line = line.section(QLatin1Char(':'), 0, 0) + QStringLiteral(": *");
    }
    return lines;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parsing_data();
    void parsing();
    void verbosityLevels_data();
    void verbosityLevels();

private:
    QString makeDocument(const QString& name, bool inputFails, bool warn);
    QTemporaryDir m_dir;
};

void TestCommandLine::initTestCase()
{
    qSetGlobalQHashSeed(0);
    registerDocumentTestKinds();
    QVERIFY(m_dir.isValid());
}

// An input read from a file (or a missing one), a folder input and two
// outputs of the first input: what the reports count and list.
QString TestCommandLine::makeDocument(const QString& name, bool inputFails, bool warn)
{
    const QString data = m_dir.filePath(QStringLiteral("data.csv"));
    writeFile(data, warn ? "a,b\n" : "a,b\n1,2\n");
    GraphModel scene;
    auto* in = new DocInput;
    in->setId(-1);
    in->path = inputFails ? m_dir.filePath(QStringLiteral("missing.csv")) : data;
    in->alias = QStringLiteral("in");
    scene.insertNode(in);
    auto* folder = new DocInput;
    folder->setId(-1);
    folder->medium = 2;
    folder->alias = QStringLiteral(" dir ");
    folder->setPos(300, 0);
    scene.insertNode(folder);
    const QList<QPair<QString, QString>> outputs { { "out", "out.csv" }, { "in", "shadow.csv" } };
    for (const auto& o : outputs) {
        auto* out = new DocOutput;
        out->setId(-1);
        out->alias = o.first;
        out->path = m_dir.filePath(o.second);
        out->setPos(scene.nodes().size() * 100, 200);
        scene.insertNode(out);
        scene.insertConnection(in, out);
    }
    const QString path = m_dir.filePath(name);
    DocumentWriter::save(scene, path, DocumentInfo(), SaveOptions(), nullptr);
    return path;
}

void TestCommandLine::parsing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("cli");
    QTest::addColumn<int>("verbosity");
    QTest::addColumn<QStringList>("assignments");
    addRow("nothing", QStringList(), false, 0, QStringList());
    addRow("upper case option", QStringList { "-CLI" }, true, 0, QStringList());
    addRow(
        "two minus signs ignored", QStringList { "--cli", "--whatever" }, false, 0, QStringList());
    addRow("verbose", QStringList { "-verbose" }, false, 2, QStringList());
    addRow("verbosity", QStringList { "-cli", "-Verbosity", "4" }, true, 4, QStringList());
    addRow("version alone is interactive", QStringList { "-version" }, false, 0, QStringList());
    addRow("assignments in order",
        QStringList { "-file", "b=/x", "-FOLDER", "a=/y", "-file", "C=/Z" }, false, 0,
        QStringList { "b=/x", "a=/y", "C=/Z" });
}

void TestCommandLine::parsing()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, cli);
    QFETCH(int, verbosity);
    QFETCH(QStringList, assignments);
    const CommandLine line = CommandLine::parse(arguments);
    QVERIFY2(line.isValid(), qPrintable(line.fatalError));
    QCOMPARE(line.nonInteractive, cli);
    QCOMPARE(line.verbosity, verbosity);
    QCOMPARE(line.assignments, assignments);
}

void TestCommandLine::verbosityLevels_data()
{
    QTest::addColumn<int>("verbosity");
    QTest::addColumn<bool>("inputFails");
    QTest::addColumn<bool>("warn");
    QTest::addColumn<int>("exitCode");
    addRow("0 clean", 0, false, false, 0);
    addRow("1 clean", 1, false, false, 0);
    addRow("2 clean", 2, false, false, 0);
    addRow("3 clean", 3, false, false, 0);
    addRow("0 warnings only", 0, false, true, 0);
    addRow("2 warnings only", 2, false, true, 0);
    addRow("0 failing", 0, true, false, 1);
    addRow("4 failing", 4, true, false, 1);
}

// The expected console is tests/data/batch/report/<tag>.txt: "{dir}" stands
// for the test's folder, "*" for times and ids, and lines of the error
// stream start with "! ".
void TestCommandLine::verbosityLevels()
{
    QFETCH(int, verbosity);
    QFETCH(bool, inputFails);
    QFETCH(bool, warn);
    QFile::remove(m_dir.filePath("out.csv"));
    QFile::remove(m_dir.filePath("shadow.csv"));
    const QString doc = makeDocument(QStringLiteral("levels.transform"), inputFails, warn);
    const CommandLine line = CommandLine::parse(
        { QStringLiteral("-cli"), QStringLiteral("-verbosity"), QString::number(verbosity), doc });
    Console console;
    CommandLineReport report(&console.out, &console.err);
    QTEST(CommandLineRun(line, report).run(), "exitCode");
    const QString golden = QStringLiteral(VARNIX_TEST_DATA "/batch/report/%1.txt")
                               .arg(QString(QTest::currentDataTag()).replace(' ', '_'));
    QStringList out;
    QStringList err;
    for (const QString& l : consoleLines(readFile(golden))) {
        const QString expected
            = QString(l).replace("{dir}", QDir::toNativeSeparators(m_dir.path()));
        if (expected.startsWith("! "))
            err << red(expected.mid(2));
        else
            out << expected;
    }
    const QRegularExpression id(QStringLiteral("Id=\\d+"));
    QCOMPARE(withoutTimes(console.outLines()).replaceInStrings(id, "Id=*"), out);
    QCOMPARE(console.errLines().replaceInStrings(id, "Id=*"), err);
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
