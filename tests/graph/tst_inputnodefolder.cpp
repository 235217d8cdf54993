// Folder reads and schema validation of the Input item.

#include "core/runcontext.h"
#include "graph/inputnode.h"
#include "tests/input/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using Files = QList<QPair<QString, QByteArray>>;

namespace {

Dataset table(const QStringList& header, const QList<QStringList>& rows)
{
    Dataset d;
    d.setColumnCount(header.size());
    d.setHeader(header);
    for (const QStringList& r : rows)
        d.appendRow(r);
    return d;
}

QList<QStringList> allRows(const Dataset& data)
{
    QList<QStringList> rows;
    for (const Dataset::Row& r : data.rowLists())
        rows << r;
    return rows;
}

} // namespace

class TestInputNodeFolder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void folderReads_data();
    void folderReads();
    void headersCombine_data();
    void headersCombine();
    void metaColumnNamesEachFile();
    void workbookSheets();
    void vanishingFileIsSkipped();
    void stopBetweenFiles();
    void schemaFailureEndsFolderRead();
    void missingFolder();
    void schemaValidation_data();
    void schemaValidation();

private:
    QString folder() const { return m_dir->path(); }
    void writeFiles(const Files& files);
    InputNode* folderNode(const QString& match, bool recurse = false);

    QTemporaryDir m_settingsDir;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<InputNode> m_node;
};

void TestInputNodeFolder::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
}

void TestInputNodeFolder::init()
{
    m_node.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestInputNodeFolder::writeFiles(const Files& files)
{
    for (const auto& f : files) {
        const QString path = m_dir->filePath(f.first);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(f.second);
    }
}

InputNode* TestInputNodeFolder::folderNode(const QString& match, bool recurse)
{
    m_node = std::make_unique<InputNode>();
    m_node->setFolderSource(folder(), match, recurse, FileTypeDelimited);
    return m_node.get();
}

void TestInputNodeFolder::folderReads_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("match");
    QTest::addColumn<bool>("recurse");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QStringList>("warnings"); // file names stand for their absolute paths
    QTest::addColumn<QString>("information");

    const QByteArray header("k,v\n");
    addRow("one file of three is empty",
        Files { { "a.csv", header + "1,a\n" }, { "b.csv", "" }, { "c.csv", header + "3,c\n" } },
        "*.csv", false, QList<QStringList> { { "1", "a" }, { "3", "c" } },
        QStringList { "File '<b.csv>' is 0 bytes" }, "2 file(s) read");
    addRow("wildcard ignores case, sorted by name",
        Files { { "avocado.CSV", header + "2,b\n" }, { "Apple.csv", header + "1,a\n" },
            { "banana.csv", header + "3,c\n" } },
        "a*.csv", false, QList<QStringList> { { "1", "a" }, { "2", "b" } }, QStringList(),
        "2 file(s) read");
    addRow("sub-folders after the folder's own files, depth first",
        Files { { "z/deep/d.csv", header + "4,d\n" }, { "z/c.csv", header + "3,c\n" },
            { "a/b.csv", header + "2,b\n" }, { "top.csv", header + "1,t\n" } },
        "*.csv", true,
        QList<QStringList> { { "1", "t" }, { "2", "b" }, { "3", "c" }, { "4", "d" } },
        QStringList(), "4 file(s) read");
    addRow("blocked extension skipped",
        Files { { "a.csv", header + "1,a\n" }, { "b.zip", header + "2,b\n" } }, "*", false,
        QList<QStringList> { { "1", "a" } },
        QStringList { "File '<b.zip>' extension blocked in 'Preferences>Files>Blocked input "
                      "extensions'" },
        "1 file(s) read");
    addRow("header only has no data", Files { { "a.csv", header }, { "b.csv", header + "2,b\n" } },
        "*.csv", false, QList<QStringList> { { "2", "b" } },
        QStringList { "'<a.csv>' has no data" }, "1 file(s) read");
    addRow("nothing matches", Files { { "a.txt", header } }, "*.csv", false, QList<QStringList>(),
        QStringList { "No files read" }, QString());
    addRow("wildcard of another type", Files { { "a.json", header + "1,a\n" } }, "*.json", false,
        QList<QStringList> { { "1", "a" } },
        QStringList { "File match filter '*.json' may not match data type: Delimited text" },
        "1 file(s) read");
}

void TestInputNodeFolder::folderReads()
{
    QFETCH(Files, files);
    QFETCH(QString, match);
    QFETCH(bool, recurse);
    QFETCH(QStringList, warnings);
    QFETCH(QString, information);
    writeFiles(files);
    InputNode* node = folderNode(match, recurse);
    node->process(false, false);
    QCOMPARE(node->status(), int(StatusUpToDate));
    QTEST(allRows(node->dataset()), "rows");
    QStringList expected;
    for (QString w : warnings) {
        const int open = w.indexOf(QLatin1Char('<'));
        if (open >= 0) {
            const int close = w.indexOf(QLatin1Char('>'), open);
            w.replace(open, close - open + 1,
                nativePath(m_dir->filePath(w.mid(open + 1, close - open - 1))));
        }
        expected << w;
    }
    QCOMPARE(node->warnings(), expected);
    QCOMPARE(node->information().contains(information), !information.isEmpty());
    QCOMPARE(node->filesRead(), allRows(node->dataset()).size());
}

void TestInputNodeFolder::headersCombine_data()
{
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QStringList>("mismatch");

    addRow("same header", QByteArray("a,b,c\n4,5,6\n"), QStringList { "a", "b", "c" },
        QList<QStringList> { { "1", "2", "3" }, { "4", "5", "6" } }, QStringList());
    addRow("columns swapped", QByteArray("a,c,b\n4,6,5\n"), QStringList { "a", "b", "c" },
        QList<QStringList> { { "1", "2", "3" }, { "4", "5", "6" } },
        QStringList { "  Column name difference at column 2: 'b' -> 'c'",
            "  Column name difference at column 3: 'c' -> 'b'" });
    addRow("extra column", QByteArray("a,b,c,d\n4,5,6,7\n"), QStringList { "a", "b", "c", "d" },
        QList<QStringList> { { "1", "2", "3", "" }, { "4", "5", "6", "7" } },
        QStringList { "  Extra column 4: 'd'" });
    addRow("missing column", QByteArray("a,b\n4,5\n"), QStringList { "a", "b", "c" },
        QList<QStringList> { { "1", "2", "3" }, { "4", "5", "" } },
        QStringList { "  Missing column 3: 'c'" });
    addRow("more than five of a kind", QByteArray("a,b,c,d,e,f,g,h,i\n4,5,6,7,8,9,10,11,12\n"),
        QStringList { "a", "b", "c", "d", "e", "f", "g", "h", "i" },
        QList<QStringList> { { "1", "2", "3", "", "", "", "", "", "" },
            { "4", "5", "6", "7", "8", "9", "10", "11", "12" } },
        QStringList { "  Extra column 4: 'd'", "  Extra column 5: 'e'", "  Extra column 6: 'f'",
            "  Extra column 7: 'g'", "  Extra column 8: 'h'", "  + 1 other" });
}

void TestInputNodeFolder::headersCombine()
{
    QFETCH(QByteArray, second);
    QFETCH(QStringList, mismatch);
    writeFiles({ { "1.csv", "a,b,c\n1,2,3\n" }, { "2.csv", second } });
    InputNode* node = folderNode(QStringLiteral("*.csv"));
    node->process(false, false);
    QCOMPARE(node->status(), int(StatusUpToDate));
    QTEST(node->dataset().columnNames(), "names");
    QTEST(allRows(node->dataset()), "rows");
    if (mismatch.isEmpty()) {
        QCOMPARE(node->warnings(), QStringList());
    } else {
        mismatch.prepend(
            QStringLiteral("'%1' header mismatch:").arg(nativePath(m_dir->filePath("2.csv"))));
        QCOMPARE(node->warnings(), QStringList(mismatch.join(QLatin1Char('\n'))));
    }
}

void TestInputNodeFolder::metaColumnNamesEachFile()
{
    writeFiles({ { "1.csv", "a,b\n1,2\n" }, { "2.csv", "a\n3\n" }, { "3.csv", "a,b,c\n4,5,6\n" } });
    InputNode* node = folderNode(QStringLiteral("*.csv"));
    InputOptions o = node->options();
    o.metaPlacement = MetaEveryRow;
    o.metaText = QStringLiteral("$(FilePath)");
    node->setOptions(o);
    node->process(false, false);
    QCOMPARE(node->dataset().columnNames(), QStringList({ "a", "b", "c", "Meta Info" }));
    const QList<QStringList> expected { { "1", "2", "", nativePath(m_dir->filePath("1.csv")) },
        { "3", "", "", nativePath(m_dir->filePath("2.csv")) },
        { "4", "5", "6", nativePath(m_dir->filePath("3.csv")) } };
    QCOMPARE(allRows(node->dataset()), expected);
}

// Each matching sheet of each workbook is one part; chart sheets are none.
void TestInputNodeFolder::workbookSheets()
{
    for (const char* name : { "a.xlsx", "b.xlsx" })
        QVERIFY(QFile::copy(QStringLiteral(VARNIX_TEST_DATA "/input/excel/openpyxl.xlsx"),
            m_dir->filePath(QLatin1String(name))));
    m_node = std::make_unique<InputNode>();
    m_node->setFolderSource(folder(), QStringLiteral("*.xlsx"), false, FileTypeExcelXlsx);
    InputOptions o = m_node->options();
    o.hasHeader = HeaderNo;
    o.sheetMatch = QStringLiteral("*");
    m_node->setOptions(o);
    m_node->process(false, false);
    QCOMPARE(m_node->dataset().rowCount(), 16);
    QVERIFY(m_node->information().contains(QStringLiteral("6 sheet(s) read from 2 file(s)")));
    o.sheetMatch = QStringLiteral("t?ird");
    m_node->setOptions(o);
    m_node->process(false, false);
    QCOMPARE(allRows(m_node->dataset()), QList<QStringList>({ { "c1" }, { "c1" } }));
}

// The second file disappears while the first is being read.
void TestInputNodeFolder::vanishingFileIsSkipped()
{
    writeFiles({ { "1.csv", "a\n1\n" }, { "2.csv", "a\n2\n" }, { "3.csv", "a\n3\n" } });
    InputNode* node = folderNode(QStringLiteral("*.csv"));
    const QString second = m_dir->filePath(QStringLiteral("2.csv"));
    connect(node, &Node::processed, this, [&] { QFile::remove(second); });
    node->process(false, false);
    QCOMPARE(node->status(), int(StatusUpToDate));
    QCOMPARE(allRows(node->dataset()), QList<QStringList>({ { "1" }, { "3" } }));
    QVERIFY(
        node->warnings().contains(QStringLiteral("'%1' cannot be read").arg(nativePath(second))));
    QVERIFY(node->information().contains(QStringLiteral("2 file(s) read")));
}

void TestInputNodeFolder::stopBetweenFiles()
{
    writeFiles({ { "1.csv", "a\n1\n" }, { "2.csv", "a\n2\n" } });
    InputNode* node = folderNode(QStringLiteral("*.csv"));
    connect(node, &Node::processed, this, [node] { node->runContext().requestStop(); });
    node->process(false, false);
    QCOMPARE(node->status(), int(StatusError));
    QCOMPARE(node->warnings(), QStringList(QStringLiteral("Stopped by user")));
    QCOMPARE(node->rowCount(), 1);
}

void TestInputNodeFolder::schemaFailureEndsFolderRead()
{
    writeFiles({ { "1.csv", "a,b\n1,2\n" }, { "2.csv", "a,x\n3,4\n" }, { "3.csv", "a,b\n5,6\n" } });
    InputNode* node = folderNode(QStringLiteral("*.csv"));
    InputOptions o = node->options();
    o.schema = InputSchema { true, { "a", "b" }, {}, SchemaMissingIsError, SchemaReorder,
        SchemaIgnoreExtra };
    node->setOptions(o);
    node->process(false, false);
    QCOMPARE(node->status(), int(StatusError));
    QCOMPARE(node->warnings().last(),
        QStringLiteral("'%1' schema validation error").arg(nativePath(m_dir->filePath("2.csv"))));
    QVERIFY(node->warnings().contains(QStringLiteral("Schema error: Missing column 'b'")));
}

void TestInputNodeFolder::missingFolder()
{
    InputNode node;
    const QString gone = m_dir->filePath(QStringLiteral("gone"));
    node.setFolderSource(gone, QStringLiteral("*.csv"), false, FileTypeDelimited);
    node.process(false, false);
    QCOMPARE(node.status(), int(StatusError));
    QCOMPARE(node.warnings(),
        QStringList(QStringLiteral("Folder '%1' not found").arg(nativePath(gone))));
    QVERIFY(node.summary().contains(QStringLiteral("Folder not found")));
}

void TestInputNodeFolder::schemaValidation_data()
{
    for (const char* name : { "header", "schemaNames", "missingValues" })
        QTest::addColumn<QStringList>(name);
    for (const char* name : { "missing", "order", "extra" })
        QTest::addColumn<int>(name);
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<QStringList>("before"); // the "Before schema:" lines
    addJsonRows(QStringLiteral(VARNIX_TEST_DATA "/input/schema_cases.json"),
        { "header", "schemaNames", "missingValues", "missing", "order", "extra", "ok", "names",
            "warnings", "before" });
}

void TestInputNodeFolder::schemaValidation()
{
    QFETCH(QStringList, header);
    QFETCH(QStringList, schemaNames);
    QFETCH(QStringList, missingValues);
    QFETCH(int, missing);
    QFETCH(int, order);
    QFETCH(int, extra);
    const InputSchema schema { true, schemaNames, missingValues, missing, order, extra };
    QFETCH(QStringList, names);
    QFETCH(QStringList, before);
    QStringList row;
    for (int c = 0; c < header.size(); ++c)
        row << header.at(c).trimmed().toLower() + QStringLiteral("1");
    Dataset data = table(header, { row });
    QStringList warnings;
    QStringList information;
    QTEST(applySchema(&data, schema, &warnings, &information), "ok");
    QTEST(warnings, "warnings");
    QCOMPARE(data.columnNames(), names);
    QCOMPARE(data.rowCount(), 1);
    // Values travel with their columns; added ones hold the missing value.
    for (int c = 0; c < names.size(); ++c) {
        const int from = header.indexOf(names.at(c));
        const QString expected = from >= 0
            ? row.at(from)
            : schema.missingValues.value(schema.columnNames.indexOf(names.at(c)));
        QCOMPARE(data.value(0, c), expected);
    }
    const int start = information.indexOf(QStringLiteral("Before schema:"));
    QCOMPARE(information.mid(start + 1, before.size()), start < 0 ? QStringList() : before);
    if (!before.isEmpty() && warnings.last() != QLatin1String("Schema validation failed")) {
        QCOMPARE(information.first(), QStringLiteral("Input does not match schema"));
        QVERIFY(information.contains(QStringLiteral("After schema:")));
    }
}

QTEST_MAIN(TestInputNodeFolder)
#include "tst_inputnodefolder.moc"
