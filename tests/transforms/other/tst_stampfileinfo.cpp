// Stamp (a column of one value about the run) and File Info (what the files
// named in a column are).
#include "tests/transforms/format/textharness.h"

#include "graph/outputnode.h"
#include "transforms/other/transformfileinfo.h"
#include "transforms/other/transformstamp.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class TestStampFileInfo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void stamp_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("warnings");
        auto row = [](const char* name, const QString& kind, const QString& text,
                       const QString& expected, const QStringList& warnings) {
            QTest::newRow(name) << kind << text << expected << warnings;
        };
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        row("date", "Date", "", today, QStringList());
        row("document name", "Document name", "", "sales.transform", QStringList());
        row("text with variables", "Text", "{transformfname} on {year}-{month}-{day}, {Date} stays",
            "sales on " + today + ", {Date} stays", QStringList());
        row("no input file", "Input file name", "", "", { "No input file found upstream" });
    }

    void stamp()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        TransformRun run(new TransformStamp, makeDataset({ "a" }, splitRows({ "1", "2" })));
        run.node()->graph()->setDocumentPath(QStringLiteral("/tmp/work/sales.transform"));
        run.choose("Stamp", kind).set("Text", text).set("Column_Name", QStringLiteral("When"));
        const Dataset& out = run.run();
        QCOMPARE(out.columnNames(), QStringList({ "a", "When" }));
        QFETCH(QString, expected);
        QCOMPARE(joinRows(out), QStringList({ "1," + expected, "2," + expected }));
        QTEST(run.transform()->warnings(), "warnings");
    }

    void fileInfo()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("abc");
        file.close();
        TransformRun run(new TransformFileInfo,
            oneColumn({ dir.filePath(QStringLiteral("notes.txt")), QStringLiteral("notes.txt"),
                dir.filePath(QStringLiteral("gone.csv")), QString() }));
        // Relative paths are taken from the document's folder.
        run.node()->graph()->setDocumentPath(dir.filePath(QStringLiteral("doc.transform")));
        run.column(0, "Column").set("Modified", false).set("SHA256", true);
        const Dataset& out = run.run();
        QCOMPARE(out.columnNames(),
            QStringList(
                { "Value", "Exists", "Size", "File Name", "Extension", "Folder", "SHA-256" }));
        const QString folder = QDir::toNativeSeparators(dir.path());
        // SHA-256 of "abc".
        const QString hash
            = QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        const QStringList found { "True", "3", "notes.txt", "txt", folder, hash };
        QCOMPARE(out.row(0).mid(1), found);
        QCOMPARE(out.row(1).mid(1), found);
        QCOMPARE(out.row(2).mid(1), QStringList({ "False", "", "gone.csv", "csv", folder, "" }));
        QCOMPARE(out.row(3).mid(1), QStringList({ "", "", "", "", "", "" }));
        QCOMPARE(run.summary(), QStringLiteral("2 found, 1 not found"));
        QCOMPARE(run.transform()->warnings(),
            QStringList { "1 file not found: '" + dir.filePath(QStringLiteral("gone.csv")) + "'" });
    }
};

QTEST_MAIN(TestStampFileInfo)
#include "tst_stampfileinfo.moc"
