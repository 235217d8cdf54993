// Writing whole files: atomic replacement, failed writes that leave the old
// file, errors that name the file, and the file-name variables. Write modes
// and encodings are cases under tests/data/output (tst_goldenwriters).
#include "output/outputfile.h"
#include "tests/input/testsupport.h"
#include "writertesthelpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest/QtTest>

namespace {

Dataset smallTable()
{
    return makeDataset({ "name", "city" }, { { "Ann", "Zürich" }, { "Bob", "Oslo" } });
}

FileWriteOptions csvOptions(int writeMode)
{
    FileWriteOptions options;
    options.writeMode = writeMode;
    options.text.fileType = FileTypeDelimited;
    options.text.lineEnding = LineEndingUnix;
    options.text.byteOrderMark = true;
    return options;
}

Dataset manyRows(int count)
{
    QVector<QStringList> rows;
    for (int i = 0; i < count; ++i)
        rows << QStringList { QString::number(i) };
    return makeDataset({ "n" }, rows);
}

} // namespace

class TestOutputFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void failedOverwriteKeepsOldFile();
    void failedAppendRestoresFile();
    void openFailuresNameTheFile_data();
    void openFailuresNameTheFile();
    void fullDisk();
    void fileNameVariables_data();
    void fileNameVariables();

private:
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestOutputFile::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestOutputFile::failedOverwriteKeepsOldFile()
{
    const QString path = m_dir->filePath("out.csv");
    QVERIFY(writeFile(path, "precious\n"));
    const TextWriteResult result = writeTextFile(
        path, manyRows(2500), csvOptions(WriteModeOverwrite), [](qreal) { return false; });
    QVERIFY(result.error);
    QVERIFY(!result.fileWritten);
    QCOMPARE(readFile(path), QByteArray("precious\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList { "out.csv" });

    // A New write that is stopped leaves no file at all.
    const QString fresh = m_dir->filePath("fresh.csv");
    writeTextFile(fresh, manyRows(2500), csvOptions(WriteModeNew), [](qreal) { return false; });
    QVERIFY(!QFile::exists(fresh));
}

void TestOutputFile::failedAppendRestoresFile()
{
    const QString path = m_dir->filePath("log.csv");
    QVERIFY(writeFile(path, "n\n1\n"));
    TextWriteResult result = writeTextFile(
        path, manyRows(2500), csvOptions(WriteModeAppend), [](qreal) { return false; });
    QVERIFY(result.error);
    QCOMPARE(readFile(path), QByteArray("n\n1\n"));

    const QString missing = m_dir->filePath("missing.csv");
    result = writeTextFile(
        missing, manyRows(2500), csvOptions(WriteModeAppend), [](qreal) { return false; });
    QVERIFY(result.error);
    QVERIFY(!QFile::exists(missing));
}

void TestOutputFile::openFailuresNameTheFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("message");

    addRow("overwrite", int(WriteModeOverwrite), "Unable to write '%1'");
    addRow("append", int(WriteModeAppend), "Unable to append to '%1'");
    addRow("new", int(WriteModeNew), "Unable to create '%1'");
}

void TestOutputFile::openFailuresNameTheFile()
{
    QFETCH(int, mode);
    QFETCH(QString, message);

    // A relative path into a folder that does not exist: the message shows
    // the absolute path.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    const TextWriteResult result
        = writeTextFile(QStringLiteral("no/such/folder/out.csv"), smallTable(), csvOptions(mode));
    QDir::setCurrent(previous);

    QVERIFY(result.error);
    QVERIFY(!result.fileWritten);
    QVERIFY(!result.warnings.isEmpty());
    QCOMPARE(result.warnings.first(),
        message.arg(QDir::toNativeSeparators(m_dir->filePath("no/such/folder/out.csv"))));
}

void TestOutputFile::fullDisk()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    // Enough rows that the stream has to hand data to the device.
    const TextWriteResult result
        = writeTextFile(QStringLiteral("/dev/full"), manyRows(50000), csvOptions(WriteModeAppend));
    QVERIFY(result.error);
    QCOMPARE(result.warnings.first(), QStringLiteral("Unable to append to '/dev/full'"));
}

void TestOutputFile::fileNameVariables_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString sep = QDir::separator();
    addRow("date", "out_{date}.csv", "out_2026_12_04.csv");
    addRow("case matters", "out_{Date}.csv", "out_{Date}.csv");
    addRow("time", "{time}", "09_05_03_007");
    addRow("datetime", "{datetime}", "2026_12_04_09_05_03_007");
    addRow("parts", "{day}-{month}-{year} {hour}:{minute}:{second}", "04-12-2026 09:05:03");
    addRow("version", "{version}", "v1_2_3");
    addRow("names", "{computername}_{username}", "HOST_ann");
    addRow("document", "{transformfname}.csv", "monthly.report.csv");
    addRow("alias with sheet", "{sales}.csv", "q1_North.csv");
    addRow("alias parts", "{sales.fname}|{sales.ext}|{sales.sheet}", "q1|xlsx|North");
    addRow("alias folder", "{sales.folder}", sep + "data" + sep + "2026");
    addRow("alias last folder", "{sales.lastfolder}", "2026");
    addRow("alias without sheet", "{plain}.{plain.ext}", "report.final.csv");
    addRow("backslash path", "{win.fname}.{win.ext}", "q1.xlsx");
    addRow("folder alias", "{inbox}_{inbox.lastfolder}", "in_in");
    addRow("alias may hold variables", "{stamp}", "log_2026_12_04");
    addRow("unknown stays", "{nothing}{}", "{nothing}{}");
    addRow("nested braces", "{{date}}", "{2026_12_04}");
    addRow("unclosed", "a{date", "a{date");
    addRow("default comment", defaultFileComment(),
        " File created by Varnix v1_2_3 at 2026_12_04 09_05_03_007 ");
}

void TestOutputFile::fileNameVariables()
{
    QFETCH(QString, text);

    FileNameContext context;
    context.now = QDateTime(QDate(2026, 12, 4), QTime(9, 5, 3, 7));
    context.version = QStringLiteral("1.2.3");
    context.computerName = QStringLiteral("HOST");
    context.userName = QStringLiteral("ann");
    context.documentPath = QStringLiteral("/docs/monthly.report.transform");
    context.aliases = { { "sales", "/data/2026/q1.xlsx", "North", false },
        { "plain", "/data/report.final.csv", QString(), false },
        { "win", "C:\\data\\q1.xlsx", QString(), false }, { "inbox", "/data/in", QString(), true },
        { "stamp", "/x/log_{date}.txt", QString(), false } };
    QTEST(expandFileNameVariables(text, context), "expected");
}

QTEST_GUILESS_MAIN(TestOutputFile)
#include "tst_outputfile.moc"
