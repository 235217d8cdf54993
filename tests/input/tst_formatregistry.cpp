#include "input/inputformat.h"
#include "output/outputformat.h"

#include <QTemporaryDir>
#include <QTest>

class TestFormatRegistry : public QObject
{
    Q_OBJECT

private slots:
    void workbookRoundTrip_data();
    void workbookRoundTrip();
};

void TestFormatRegistry::workbookRoundTrip_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("kept");
    QTest::addColumn<QString>("warning");
    const QString tooBig = QStringLiteral(
        "The output dataset exceeds the maximum size for an Excel .xls file of 65536 rows x 256 "
        "columns, it may be truncated by Excel (the Excel .xlsx format supports larger files)");
    QTest::newRow("xls within limits") << int(FileTypeExcelXls) << 256 << 256 << QString();
    QTest::newRow("xls one column too many") << int(FileTypeExcelXls) << 257 << 256 << tooBig;
    QTest::newRow("xlsx with 257 columns") << int(FileTypeExcelXlsx) << 257 << 257 << QString();
}

// A workbook written and read back through the two registries: the size
// limit of the format (the .xls writer keeps what fits), the sheet a path
// without one gets, and the column formats chosen automatically.
void TestFormatRegistry::workbookRoundTrip()
{
    QFETCH(int, type);
    QFETCH(int, columns);
    QFETCH(int, kept);
    QFETCH(QString, warning);
    QTemporaryDir dir;
    const QString path = dir.filePath(
        type == FileTypeExcelXls ? QStringLiteral("t.xls") : QStringLiteral("t.xlsx"));
    Dataset data;
    data.setColumnCount(columns);
    QStringList row;
    for (int c = 0; c < columns; ++c)
        row << QString::number(c);
    data.appendRow(row);

    FileWriteOptions options;
    options.text.fileType = type;
    options.text.writeHeader = false;
    const TextWriteResult written
        = outputFormat(type)->writeFile(path, QString(), data, options, WriteProgress());
    QVERIFY2(!written.error, qPrintable(written.warnings.join('\n')));
    QCOMPARE(written.warnings.contains(warning), !warning.isEmpty());
    QVERIFY(written.information.contains(
        QStringLiteral("Formatting=Automatic sets Excel column formats as:")));

    ReadOptions read;
    read.fileType = type;
    read.hasHeader = HeaderNo;
    const ReadResult result = readFormatFile(path, read, ReadProgress(), QStringLiteral("Sheet1"));
    QVERIFY2(result.ok(), qPrintable(result.warnings.join('\n')));
    QCOMPARE(result.dataset.rowCount(), 1);
    QCOMPARE(result.dataset.row(0), row.mid(0, kept));
}

QTEST_GUILESS_MAIN(TestFormatRegistry)
#include "tst_formatregistry.moc"
