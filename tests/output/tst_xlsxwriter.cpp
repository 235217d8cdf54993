#include "input/inputformat.h"
#include "input/xlsreader.h"
#include "output/compoundfilewriter.h"
#include "output/librarymessages.h"
#include "output/xlswriter.h"
#include "output/xlsxtemplate.h"
#include "output/xlsxwriter.h"
#include "tests/output/filesizelimit.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

#include <cstdio>

namespace {

Dataset table(const QStringList& header, const QVector<QStringList>& rows)
{
    Dataset data;
    data.setColumnCount(header.size());
    data.setHeader(header);
    for (const QStringList& row : rows)
        data.appendRow(row);
    return data;
}

QStringList readBack(const QString& path, const QString& sheet, QStringList* warnings = nullptr)
{
    ReadOptions o;
    o.fileType = FileTypeExcelXlsx;
    o.hasHeader = HeaderNo;
    o.trimWhitespace = o.simplifyWhitespace = false;
    const ReadResult result = readFormatFile(path, o, ReadProgress(), sheet);
    if (warnings)
        *warnings = result.warnings;
    QStringList rows;
    for (int r = 0; r < result.dataset.rowCount(); ++r)
        rows << result.dataset.row(r).join(QLatin1Char(';'));
    return rows;
}

// Every part of the archive by name.
QMap<QString, QByteArray> parts(const QString& path)
{
    QMap<QString, QByteArray> all;
    int error = 0;
    zip* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    for (zip_int64_t i = 0; archive && i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        QByteArray bytes(int(stat.size), '\0');
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        zip_fread(file, bytes.data(), stat.size);
        zip_fclose(file);
        all.insert(QString::fromUtf8(stat.name), bytes);
    }
    if (archive)
        zip_discard(archive);
    return all;
}

const Dataset People = table({ "Name", "Code", "Amount", "When", "Stamp" },
    { { "Ann", "007", "1234.5", "2026-12-04", "2026-12-04T13:05:07" },
        { "Bob", "12", "-3", "", "2026-01-31T00:00:00" } });

} // namespace

class TestXlsxWriter : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void roundTrip();
    void sheetNames_data();
    void sheetNames();
    void sheetMode();
    void styleTemplate_data();
    void styleTemplate();
    void xlsRoundTrip();
    void compoundFileSizes_data();
    void compoundFileSizes();
    void readByLibreOffice();
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();
    void libraryMessagesBecomeWarnings();

private:
    QString copyOf(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        QFile::copy(QStringLiteral(VARNIX_TEST_DATA "/input/excel/") + name, path);
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

    QTemporaryDir m_dir;
};

void TestXlsxWriter::roundTrip()
{
    const QString path = m_dir.filePath(QStringLiteral("round.xlsx"));
    Dataset data = People;
    data.appendRow({ QString(ExcelMaxCellChars + 1, QLatin1Char('x')), "1", "", "", "" });
    WorkbookWriteOptions options;
    options.sheet = QStringLiteral("Out");
    options.columnFormats = automaticExcelColumnFormats(data);
    QCOMPARE(options.columnFormats,
        QVector<int>({ ExcelFormatText, ExcelFormatText, ExcelFormatGeneral, ExcelFormatDate,
            ExcelFormatDateTime }));
    const WorkbookWriteResult result = writeXlsxWorkbook(path, data, options, {});
    QVERIFY(result.written);
    QCOMPARE(result.information, QStringList { "Created file '" + displayPath(path) + "'" });
    QCOMPARE(result.warnings,
        QStringList { "1 value(s) longer than 32767 characters were cut to fit an Excel cell" });
    const QStringList rows = readBack(path, "out");
    QCOMPARE(rows.mid(0, 3),
        QStringList(
            { "Name;Code;Amount;When;Stamp", "Ann;007;1234.5;2026-12-04T00:00;2026-12-04T13:05:07",
                "Bob;12;-3;;2026-01-31T00:00:00" }));
    QCOMPARE(rows.at(3), QString(ExcelMaxCellChars, QLatin1Char('x')) + ";1;;;");
    // "File" mode replaces the workbook rather than its sheet.
    options.replaceSheetOnly = false;
    QCOMPARE(writeXlsxWorkbook(path, data, options, {}).information,
        QStringList { "Overwrote file '" + displayPath(path) + "'" });
}

void TestXlsxWriter::sheetNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problems");

    QTest::newRow("good") << "Sales 2026"
                          << "";
    QTest::newRow("empty") << ""
                           << "\nSheet name cannot be empty.";
    QTest::newRow("32 characters")
        << QString(32, QLatin1Char('a'))
        << "\nSheet name length is 32 characters. Excel maximum sheet name length is 31 "
           "characters.";
    QTest::newRow("slash and star") << "a/b*"
                                    << "\n'*' is not allowed in Excel sheet names."
                                       "\n'/' is not allowed in Excel sheet names.";
    QTest::newRow("apostrophe") << "'q1"
                                << "\nApostrophes (') are not allowed at the start or "
                                   "end of Excel sheet names.";
    QTest::newRow("reserved") << "HISTORY"
                              << "\n'History' is a reserved Excel sheet name.";
}

void TestXlsxWriter::sheetNames()
{
    QFETCH(QString, name);
    QFETCH(QString, problems);
    QCOMPARE(excelSheetNameProblems(name).join(QString()), problems);
    if (problems.isEmpty())
        return;
    // Nothing is written under a refused name.
    const QString path = m_dir.filePath(QStringLiteral("refused.xlsx"));
    WorkbookWriteOptions options;
    options.sheet = name;
    const WorkbookWriteResult result = writeXlsxWorkbook(path, People, options, {});
    QVERIFY(result.error);
    QCOMPARE(result.warnings.value(0),
        QStringLiteral("Unable to add sheet to '%1'.").arg(displayPath(path)) + problems);
    QVERIFY(!QFile::exists(path));
}

void TestXlsxWriter::sheetMode()
{
    const QString path = copyOf(QStringLiteral("libreoffice.xlsx"));
    const QMap<QString, QByteArray> before = parts(path);
    const QStringList sales = readBack(path, "Sales");
    WorkbookWriteOptions options;
    options.sheet = QStringLiteral("third");
    const QString shown = displayPath(path) + "[third]";
    QCOMPARE(writeXlsxWorkbook(path, People, options, {}).information,
        QStringList { "Overwrote sheet '" + shown + "'" });
    const QMap<QString, QByteArray> after = parts(path);
    QCOMPARE(after.keys(), before.keys());
    for (const QString& name : before.keys()) {
        if (name != QLatin1String("xl/styles.xml")
            && name != QLatin1String("xl/worksheets/sheet3.xml"))
            QVERIFY2(after.value(name) == before.value(name), qPrintable(name));
    }
    QCOMPARE(readBack(path, "Sales"), sales);
    QCOMPARE(readBack(path, "Third").value(1),
        QStringLiteral("Ann;007;1234.5;2026-12-04;2026-12-04T13:05:07"));

    // Appending keeps the old rows and adds no second header.
    options.writeMode = WriteModeAppend;
    QCOMPARE(writeXlsxWorkbook(path, table({ "Name" }, { { "Cy" } }), options, {}).information,
        QStringList { "Appended sheet '" + shown + "'" });
    const QStringList third = readBack(path, "Third");
    QCOMPARE(third.size(), 4);
    QCOMPARE(third.last(), QStringLiteral("Cy;;;;"));

    // A sheet the workbook does not have is added after the others.
    options.sheet = QStringLiteral("Extra");
    options.writeMode = WriteModeOverwrite;
    QVERIFY(writeXlsxWorkbook(path, People, options, {}).written);
    QCOMPARE(inputFormat(FileTypeExcelXlsx)->listSheets(path, "*"),
        QStringList({ "Sales", "2", "Third", "Extra" }));
    QCOMPARE(readBack(path, "Extra").size(), 3);
}

void TestXlsxWriter::styleTemplate_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QString>("warning");

    const QString look = QStringLiteral(VARNIX_TEST_DATA "/input/excel/template.xlsx");
    QTest::newRow("copied") << look + "[look]"
                            << "";
    QTest::newRow("missing file") << "/nowhere/t.xlsx[Look]"
                                  << "Unable to copy styling from '"
            + displayPath("/nowhere/t.xlsx") + "[Look]: File not found";
    QTest::newRow("missing sheet")
        << look + "[Nope]"
        << "Unable to copy styling from '" + displayPath(look) + "[Nope]: Sheet 'Nope' not found.";
    QTest::newRow("own sheet") << "OWN[Out]"
                               << "Cannot use a sheet as it's own style template.";
}

// The look of a template sheet of another program's workbook reaches the
// written sheet; a template that cannot be used leaves the data written.
void TestXlsxWriter::styleTemplate()
{
    QFETCH(QString, templ);
    QFETCH(QString, warning);
    const QString path = copyOf(QStringLiteral("template.xlsx"));
    WorkbookWriteOptions options;
    options.sheet = QStringLiteral("Out");
    options.styleTemplate = templ.replace(QLatin1String("OWN"), path);
    options.columnFormats = automaticExcelColumnFormats(People);
    QVERIFY(writeXlsxWorkbook(path, People, options, {}).written); // Out is new: not its own
    const WorkbookWriteResult result = writeXlsxWorkbook(path, People, options, {});
    QVERIFY(result.written);
    QCOMPARE(readBack(path, "Out").value(1),
        QStringLiteral("Ann;007;1234.5;2026-12-04T00:00;2026-12-04T13:05:07"));
    XlsxSheetStyle written;
    QString error;
    QVERIFY(readXlsxSheetStyle(path, "Out", &written, &error));
    if (!warning.isEmpty()) {
        QCOMPARE(result.warnings, QStringList { warning });
        QVERIFY(written.widths.isEmpty());
        QVERIFY(!written.header.value(0).font.bold);
        return;
    }
    QCOMPARE(result.information.value(0),
        "Copied styling from '" + displayPath(VARNIX_TEST_DATA "/input/excel/template.xlsx")
            + "[Look]'");
    QVERIFY(qAbs(written.widths.value(0) - 29.29) < 0.2);
    QCOMPARE(written.widths.value(1), 0.0);
    const XlsxCellStyle header = written.header.value(1);
    QVERIFY(header.font.bold);
    QCOMPARE(header.font.name, QStringLiteral("Arial"));
    QCOMPARE(header.font.size, 14.0);
    QCOMPARE(header.font.color, qint64(0x0000FF));
    QCOMPARE(header.fillColor, qint64(0xFFFF00));
    QVERIFY(header.horizontal != 0);
    const XlsxCellStyle name = written.data.value(0);
    QVERIFY(name.font.italic && !name.font.bold);
    QCOMPARE(name.border.styles[3], 1);
    QCOMPARE(name.border.colors[3], qint64(0xFF0000));
    // The template's number format wins over the column's own; a column
    // the template leaves plain keeps its format.
    QCOMPARE(written.data.value(2).numberFormat, QStringLiteral("0.000"));
    QCOMPARE(written.data.value(3).numberFormat, QStringLiteral("yyyy-mm-dd"));
}

void TestXlsxWriter::xlsRoundTrip()
{
    const QString path = m_dir.filePath(QStringLiteral("round.xls"));
    Dataset data = People;
    // Enough text for the shared strings to need continuation records.
    for (int i = 0; i < 400; ++i)
        data.appendRow(
            { QStringLiteral("\u00e9l\u00e8ve %1 ").arg(i).repeated(4), "", "", "", "" });
    WorkbookWriteOptions options;
    options.sheet = QStringLiteral("Out");
    options.columnFormats = automaticExcelColumnFormats(data);
    QVERIFY(writeXlsWorkbook(path, data, options, {}).written);
    ReadOptions o;
    o.fileType = FileTypeExcelXls;
    o.hasHeader = HeaderNo;
    o.trimWhitespace = o.simplifyWhitespace = false;
    const ReadResult read = readFormatFile(path, o, ReadProgress(), "out");
    QVERIFY(read.ok());
    QCOMPARE(read.dataset.rowCount(), 403);
    QCOMPARE(read.dataset.row(1).join(';'),
        QStringLiteral("Ann;007;1234.5;2026-12-04T00:00;2026-12-04T13:05:07"));
    QCOMPARE(read.dataset.value(402, 0), QStringLiteral("\u00e9l\u00e8ve 399 ").repeated(4));

    // Another sheet added keeps the first one's values.
    options.sheet = QStringLiteral("Second");
    const WorkbookWriteResult added = writeXlsWorkbook(path, People, options, {});
    QCOMPARE(
        added.information, QStringList { "Appended sheet '" + displayPath(path) + "[Second]'" });
    QCOMPARE(
        inputFormat(FileTypeExcelXls)->listSheets(path, "*"), QStringList({ "Out", "Second" }));
    QCOMPARE(readFormatFile(path, o, ReadProgress(), "out").dataset.rowCount(), 403);
}

void TestXlsxWriter::compoundFileSizes_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("padded to the small-stream limit") << 100;
    QTest::newRow("sectors") << 70001;
    // Over 109 allocation sectors: the index goes on in extra sectors.
    QTest::newRow("extra index sectors") << 9000000;
}

void TestXlsxWriter::compoundFileSizes()
{
    QFETCH(int, size);
    QByteArray stream(size, '\0');
    for (int i = 0; i < size; ++i)
        stream[i] = char(i * 7 + i / 511);
    const QByteArray read = compoundFileStream(compoundFile("Workbook", stream), { "Workbook" });
    QCOMPARE(read.left(size), stream);
}

// The files must open in a real spreadsheet program, not only in our reader.
void TestXlsxWriter::readByLibreOffice()
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        QSKIP("LibreOffice is not installed");
    const QString fresh = m_dir.filePath(QStringLiteral("fresh.xlsx"));
    const QString merged = copyOf(QStringLiteral("openpyxl.xlsx"));
    WorkbookWriteOptions options;
    options.sheet = QStringLiteral("Sales");
    options.columnFormats = automaticExcelColumnFormats(People);
    QVERIFY(writeXlsxWorkbook(fresh, People, options, {}).written);
    const QString old = m_dir.filePath(QStringLiteral("old.xls"));
    QVERIFY(writeXlsWorkbook(old, People, options, {}).written);
    QVERIFY(writeXlsxWorkbook(merged, People, options, {}).written);
    const QString added = copyOf(QStringLiteral("libreoffice.xlsx"));
    options.sheet = QStringLiteral("Extra");
    QVERIFY(writeXlsxWorkbook(added, People, options, {}).written);
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(office,
        { "--headless", "-env:UserInstallation=file://" + m_dir.filePath("profile"), "--convert-to",
            "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
            "--outdir", m_dir.filePath("csv"), fresh, merged, added, old });
    QVERIFY(process.waitForFinished(180000));
    for (const char* name : { "fresh-Sales", "openpyxl-Sales", "libreoffice-Extra", "old-Sales" }) {
        QFile csv(m_dir.filePath(QStringLiteral("csv/%1.csv").arg(name)));
        QVERIFY2(csv.open(QIODevice::ReadOnly),
            qPrintable(QDir(m_dir.filePath("csv")).entryList().join(QLatin1Char(' '))));
        QCOMPARE(QString::fromUtf8(csv.readAll()).remove('"').split('\n', Qt::SkipEmptyParts),
            QStringList(
                { "Name,Code,Amount,When,Stamp", "Ann,007,1234.5,2026-12-04,2026-12-04 13:05:07",
                    "Bob,12,-3,,2026-01-31 00:00:00" }));
    }
}

void TestXlsxWriter::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("xlsx") << "full.xlsx";
    QTest::newRow("xls") << "full.xls";
}

// A workbook that cannot be written whole is an error, the old file stays
// as it was, no scratch file is left beside it, and what the library had to
// say is among the warnings rather than on the console.
void TestXlsxWriter::fullDiskKeepsTheOldFile()
{
    QFETCH(QString, file);
    const QString path = m_dir.filePath(file);
    const bool xls = file.endsWith(QLatin1String(".xls"));
    const auto write = [&](const Dataset& data) {
        WorkbookWriteOptions options;
        options.sheet = QStringLiteral("Out");
        options.replaceSheetOnly = false;
        return xls ? writeXlsWorkbook(path, data, options, {})
                   : writeXlsxWorkbook(path, data, options, {});
    };
    QVERIFY(write(People).written);
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray old = before.readAll();
    before.close();
    Dataset big = People;
    for (int r = 0; r < 20000; ++r)
        big.appendRow({ QStringLiteral("Name %1").arg(r), QString::number(r), "1.5", "", "" });
    WorkbookWriteResult result;
    {
        const FileSizeLimit disk(old.size() + 2048);
        result = write(big);
    }
    QVERIFY(result.error);
    QVERIFY(!result.written);
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QVERIFY(after.readAll() == old);
    const QStringList left = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left.filter(QStringLiteral("varnix-tmp")), QStringList());
}

// What a library prints on the error stream while it writes becomes lines
// of the item's warnings, and the stream is the console's again afterwards.
void TestXlsxWriter::libraryMessagesBecomeWarnings()
{
    LibraryMessages messages;
    std::fprintf(stderr, "[ERROR] workbook_close(): Error creating 'x.xlsx'.\n\n");
    std::fprintf(stderr, "second line");
    QCOMPARE(messages.take(),
        QStringList({ "[ERROR] workbook_close(): Error creating 'x.xlsx'.", "second line" }));
    QCOMPARE(messages.take(), QStringList());
}

QTEST_GUILESS_MAIN(TestXlsxWriter)
#include "tst_xlsxwriter.moc"
