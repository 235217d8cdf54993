#include "input/inputformat.h"
#include "input/workbook.h"
#include "input/workbookformats.h"
#include "input/xlsxreader.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

QString book(const QString& name)
{
    return QStringLiteral(VARNIX_TEST_DATA "/input/excel/") + name;
}

QStringList rowsOf(const Dataset& data)
{
    QStringList rows;
    for (int r = 0; r < data.rowCount(); ++r)
        rows << data.row(r).join(QLatin1Char(';'));
    return rows;
}

const QStringList SalesRows { "Name;When;Flag;Amount;Time",
    "Ann;2026-12-04T13:05:07.250;true;1234.5;1899-12-30T13:05",
    "Bob;1900-01-01T00:00:00.000;false;-0.125;1899-12-30T00:00", "Hidden;;;3;",
    "Tab x;;;100000000000000000000;", "Link|https://example.com/a;;;7;" };

// The peak resident size since the last reset, in MiB; a damaged file must
// fail without first taking the memory its headers claim.
qint64 peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() / 1024;
    }
    return 0;
}

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace

class TestXlsxReader : public QObject
{
    Q_OBJECT

private slots:
    void readSheet_data();
    void readSheet();
    void listSheets();
    void tableBuilder_data();
    void tableBuilder();
    void longXls();
    void longFormulaText();
    void dateText_data();
    void dateText();
    void formatCodes_data();
    void formatCodes();
    void escapes();
};

void TestXlsxReader::readSheet_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("error");

    const QStringList visible { "Name;When;Amount;Time",
        "Ann;2026-12-04T13:05:07.250;1234.5;1899-12-30T13:05",
        "Bob;1900-01-01T00:00:00.000;-0.125;1899-12-30T00:00", "Tab x;;100000000000000000000;",
        "Link|https://example.com/a;;7;" };
    for (const QString file :
        { "openpyxl.xlsx", "libreoffice.xlsx", "libxlsxwriter.xlsx", "libreoffice.xls" }) {
        const QByteArray f = file.toLatin1();
        QTest::newRow(QByteArray(f + " first sheet").constData()) << file << ""
                                                                  << "" << SalesRows << "";
        QTest::newRow(QByteArray(f + " any case").constData()) << file << "sALES"
                                                               << "" << SalesRows << "";
        QTest::newRow(QByteArray(f + " hidden left out").constData()) << file << "Sales"
                                                                      << "hidden" << visible << "";
        QTest::newRow(QByteArray(f + " by number").constData()) << file << "3"
                                                                << "" << QStringList { "c1" } << "";
        QTest::newRow(QByteArray(f + " name before number").constData())
            << file << "2"
            << "" << QStringList { "x" } << "";
        QTest::newRow(QByteArray(f + " skipped rows").constData())
            << file << ""
            << "skip" << QStringList(SalesRows.mid(3)) << "";
        QTest::newRow(QByteArray(f + " missing").constData())
            << file << "Nope"
            << "" << QStringList() << "Sheet 'Nope' not found.";
    }
    QTest::newRow("not a workbook")
        << "../report.txt"
        << ""
        << "" << QStringList() << "Unable to load Excel workbook '%1' information.";
    QTest::newRow("a minimal stored archive") << "minimal-stored.xlsx"
                                              << ""
                                              << "" << QStringList { "x" } << "";
    // Found by fuzzing: a number record cut short reads its missing bytes
    // as zero instead of reading past the record.
    QTest::newRow("a short number record")
        << "short-number-record.xls"
        << ""
        << ""
        << QStringList { "Name;When;Flag;Amount;Time",
               "Ann;2026-12-04T13:05:07.250;true;1234.5;1899-12-30T00:00" }
        << "";
    QTest::newRow("a rich-text shared string is all its runs")
        << "rich-text.xlsx"
        << ""
        << "" << QStringList { "Ann Lee-Smith;plain" } << "";
    // Reproducers of crashes and runaway reads: each fails quickly with the
    // workbook message.
    const QDir damaged(book("damaged"));
    for (const QString& name : damaged.entryList(QDir::Files, QDir::Name))
        QTest::newRow(qPrintable("damaged " + name))
            << "damaged/" + name << ""
            << "" << QStringList() << "Unable to load Excel workbook '%1' information.";
}

void TestXlsxReader::readSheet()
{
    QFETCH(QString, file);
    QFETCH(QString, sheet);
    QFETCH(QString, options);
    QFETCH(QStringList, rows);
    QFETCH(QString, error);
    ReadOptions o;
    o.fileType = file.endsWith(QLatin1String(".xls")) ? FileTypeExcelXls : FileTypeExcelXlsx;
    o.hasHeader = HeaderNo;
    const bool hidden = options == QLatin1String("hidden");
    WorkbookReadOptions { hidden, hidden }.store(&o.formatOptions);
    o.ignoredFirstRows = options == QLatin1String("skip") ? 3 : 0;
    resetPeak();
    const qint64 before = peakMiB();
    const ReadResult result = readFormatFile(book(file), o, ReadProgress(), sheet);
    if (!error.isEmpty()) {
        QVERIFY2(peakMiB() - before < 64, qPrintable(QString::number(peakMiB() - before)));
        QVERIFY(result.error);
        QCOMPARE(result.warnings.value(0),
            error.contains(QLatin1String("%1")) ? error.arg(displayPath(book(file))) : error);
        return;
    }
    QVERIFY2(result.ok(), qPrintable(result.warnings.join(QLatin1Char('\n'))));
    QCOMPARE(rowsOf(result.dataset), rows);
    if (options == QLatin1String("hidden")) {
        QVERIFY(result.information.contains(QStringLiteral("1 hidden row(s) ignored")));
        QVERIFY(result.information.contains(QStringLiteral("1 hidden column(s) ignored")));
    }
}

void TestXlsxReader::listSheets()
{
    const InputFormat* format = inputFormat(FileTypeExcelXlsx);
    QCOMPARE(
        format->listSheets(book("openpyxl.xlsx"), "*"), QStringList({ "Sales", "2", "Third" }));
    QCOMPARE(format->listSheets(book("openpyxl.xlsx"), "T*"), QStringList({ "Third" }));
    // A chart sheet and an empty sheet are no tables.
    QCOMPARE(format->listSheets(book("openpyxl-chartonly.xlsx"), QString()), QStringList());
}

void TestXlsxReader::tableBuilder_data()
{
    QTest::addColumn<QString>("cells"); // row:column=text, =#number or =@serial/time form
    QTest::addColumn<int>("ignoredRows");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("a later cell's longer time form reaches the earlier dates")
        << "0:0=@46360.5/0 1:0=@46360.25/1 1:1=x" << 0
        << QStringList { "2026-12-04T12:00:00;", "2026-12-04T06:00:00;x" };
    QTest::newRow("used range from its first column, rows without cells kept")
        << "1:2=a 3:3=b" << 0 << QStringList { ";", "a;", ";", ";b" };
    QTest::newRow("numbers in their shortest exact form, never cut to 15 digits")
        << "0:0=#0.30000000000000004 0:1=#1.2345678e-10 0:2=#123456789.12345679 0:3=#-0" << 0
        << QStringList { "0.30000000000000004;0.00000000012345678;123456789.12345679;0" };
    QTest::newRow("ignored first rows still set the width")
        << "0:0=h 0:2=h 1:1=x" << 1 << QStringList { ";x;" };
}

// Rows are taken as the reader meets them, so what only the whole sheet
// tells (time forms per column, the used range) is put right at the end.
void TestXlsxReader::tableBuilder()
{
    QFETCH(QString, cells);
    QFETCH(int, ignoredRows);
    QFETCH(QStringList, rows);
    ReadOptions o;
    o.ignoredFirstRows = ignoredRows;
    o.ignoreEmptyRows = false;
    ReadResult result;
    WorkbookTableBuilder table(o, ReadProgress(), &result, false);
    QMap<int, QVector<WorkbookCell>> sheetRows;
    for (const QString& spec : cells.split(' ')) {
        const QStringList parts = spec.split(QRegularExpression("[:=/@#]"), Qt::SkipEmptyParts);
        WorkbookCell cell;
        cell.column = parts.at(1).toInt();
        cell.kind = spec.contains('@') ? WorkbookCell::DateTime
            : spec.contains('#')       ? WorkbookCell::Number
                                       : WorkbookCell::Text;
        cell.text = parts.at(2);
        cell.number = parts.at(2).toDouble();
        cell.timeForm = quint8(parts.value(3).toInt());
        sheetRows[parts.at(0).toInt()].append(cell);
    }
    for (auto it = sheetRows.cbegin(); it != sheetRows.cend(); ++it)
        QVERIFY(table.addRow(it.key(), it.value(), 0.5));
    WorkbookSheet rest;
    QVERIFY(table.finish(rest));
    QCOMPARE(rowsOf(result.dataset), rows);
}

// Shared strings over many continuation records, wide characters, runs of
// small numbers and formula results.
void TestXlsxReader::longXls()
{
    ReadOptions o;
    o.fileType = FileTypeExcelXls;
    o.hasHeader = HeaderNo;
    o.trimWhitespace = o.simplifyWhitespace = false;
    const ReadResult result = readFormatFile(book("long.xls"), o);
    QVERIFY(result.ok());
    QCOMPARE(result.dataset.rowCount(), 1200);
    for (int i = 1; i <= 1200; ++i) {
        const QString text
            = QStringLiteral("Row %1 \u00fcn\u00efcode \u2713 %2").arg(i).arg(QString(i % 7, 'x'));
        const QStringList expected { text, QString::number(i), QString::number(i / 100.0),
            text + "!", i > 5 ? "true" : "false" };
        QCOMPARE(result.dataset.row(i - 1), expected);
    }
}

// Formula text results too long for one record go on in CONTINUE records,
// which start with their own character width.
void TestXlsxReader::longFormulaText()
{
    ReadOptions o;
    o.fileType = FileTypeExcelXls;
    o.hasHeader = HeaderNo;
    const ReadResult result = readFormatFile(book("longformula.xls"), o);
    QVERIFY(result.ok());
    QCOMPARE(result.dataset.rowCount(), 2);
    QCOMPARE(result.dataset.value(0, 0), QString("ab").repeated(6000) + "!");
    QCOMPARE(result.dataset.value(1, 0), QString("\u2713x").repeated(5000));
    QCOMPARE(result.dataset.value(1, 1), QStringLiteral("2"));
}

void TestXlsxReader::dateText_data()
{
    QTest::addColumn<double>("serial");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("text");

    QTest::newRow("minutes") << 46360.5450 << false << int(TimeMinutes) << "2026-12-04T13:04";
    QTest::newRow("milliseconds") << 46360.54522280092 << false << int(TimeMilliseconds)
                                  << "2026-12-04T13:05:07.250";
    QTest::newRow("1904 system") << 0.5 << true << int(TimeSeconds) << "1904-01-01T12:00:00";
    QTest::newRow("before the false leap day")
        << 59.0 << false << int(TimeMinutes) << "1900-02-28T00:00";
    QTest::newRow("after it") << 61.0 << false << int(TimeMinutes) << "1900-03-01T00:00";
    QTest::newRow("rounds into the next day")
        << 1.9999999999 << false << int(TimeSeconds) << "1900-01-02T00:00:00";
}

void TestXlsxReader::dateText()
{
    QFETCH(double, serial);
    QFETCH(bool, date1904);
    QFETCH(int, form);
    QFETCH(QString, text);
    QCOMPARE(workbookDateText(serial, date1904, form), text);
}

void TestXlsxReader::formatCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("form");

    QTest::newRow("number") << "#,##0.00" << -1;
    QTest::newRow("colour and currency") << "[Red][$$-409]0.0" << -1;
    QTest::newRow("quoted letters") << "0 \"days\"" << -1;
    QTest::newRow("escaped letter") << "0\\d" << -1;
    QTest::newRow("date") << "dd/mm/yyyy" << int(TimeMinutes);
    QTest::newRow("seconds") << "h:mm:ss AM/PM" << int(TimeSeconds);
    QTest::newRow("elapsed") << "[h]:mm" << int(TimeMinutes);
    QTest::newRow("milliseconds") << "yyyy\\-mm\\-dd\\ hh:mm:ss.000" << int(TimeMilliseconds);
    QTest::newRow("negative section ignored") << "0;[h]:mm" << -1;
}

void TestXlsxReader::formatCodes()
{
    QFETCH(QString, code);
    QFETCH(int, form);
    QCOMPARE(dateTimeFormForCode(code), form);
}

void TestXlsxReader::escapes()
{
    QCOMPARE(unescapeXlsxText("a_x000D__x000A_b"), QStringLiteral("a\r\nb"));
    // An escaped underscore keeps a text that looks like an escape.
    QCOMPARE(unescapeXlsxText("_x005F_x0041_"), QStringLiteral("_x0041_"));
    QCOMPARE(unescapeXlsxText("_x00zz_"), QStringLiteral("_x00zz_"));
}

QTEST_GUILESS_MAIN(TestXlsxReader)
#include "tst_xlsxreader.moc"
