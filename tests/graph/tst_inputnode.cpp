#include "core/enginesettings.h"
#include "core/runcontext.h"
#include "core/values.h"
#include "graph/connection.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/nodefactory.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "input/delimitedreader.h"
#include "input/fixedwidthformat.h"
#include "input/recordtree.h"
#include "input/workbookformats.h"
#include "tests/input/testsupport.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Reads the node on its own, outside any graph.
void read(InputNode& node)
{
    node.setStatus(StatusNeedsUpdating, false);
    node.process(false, false);
}

QStringList rowValues(const Dataset& data, int row)
{
    return data.isValidRow(row) ? data.row(row) : QStringList();
}

} // namespace

class TestInputNode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void columnTrapsAfterWarnings_data();
    void columnTrapsAfterWarnings();

    void headerGuess_data();
    void headerGuess();
    void failuresEndInError_data();
    void failuresEndInError();
    void extensionMismatch_data();
    void extensionMismatch();
    void pastedText_data();
    void pastedText();
    void emptyColumnsIgnored_data();
    void emptyColumnsIgnored();
    void metaInformation_data();
    void metaInformation();
    void metaVariables_data();
    void metaVariables();
    void schemaOnASingleFile();
    void watching_data();
    void watching();
    void optionsRoundTrip();
    void restoreFillsReadDefaults_data();
    void restoreFillsReadDefaults();
    void summaries();
    void graphRunsEndToEnd();
    void repeatedValuesOfARunWithoutResults_data();
    void repeatedValuesOfARunWithoutResults();
    void failedInputLeavesOtherBranchesRunning();
    void stopInsideARead_data();
    void stopInsideARead();

private:
    QString write(const QString& name, const QByteArray& bytes);

    QTemporaryDir m_settingsDir;
    QTemporaryDir m_dir;
};

void TestInputNode::initTestCase()
{
    // A settings store of our own, so that the defaults hold.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
    QVERIFY(m_dir.isValid());
    setDefaultDateFormats({ QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd/MM/yyyy") });
    registerInputNodeKind();
    registerOutputNodeKind();
}

QString TestInputNode::write(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

void TestInputNode::headerGuess_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("rows");

    addRow("words over data", QByteArray("Name,Age\nAnn,31\nBob,42\n"), 1,
        QStringList { "Name", "Age" }, 2);
    addRow("date in first row", QByteArray("Name,04/03/2021\nAnn,x\n"), 0, QStringList { "1", "2" },
        2);
}

void TestInputNode::headerGuess()
{
    QFETCH(QByteArray, content);
    InputNode node(write(QStringLiteral("guess.csv"), content));
    InputOptions o = node.options();
    o.hasHeader = HeaderAutomatic;
    node.setOptions(o);
    read(node);
    QCOMPARE(node.status(), int(StatusUpToDate));
    QTEST(node.options().hasHeader, "stored");
    QTEST(node.dataset().columnNames(), "names");
    QTEST(node.rowCount(), "rows");
}

void TestInputNode::failuresEndInError_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("fileType");
    QTest::addColumn<QString>("warning");

    const QString missing = m_dir.filePath(QStringLiteral("nowhere/missing.csv"));
    addRow("missing file", missing, int(FileTypeDelimited),
        QStringLiteral("File '%1' not found").arg(nativePath(missing)));
    const QString blocked = write(QStringLiteral("script.py"), "a,b\n1,2\n");
    addRow("blocked extension", blocked, int(FileTypeDelimited),
        QStringLiteral("The extension for this file is blocked in 'Preferences>Input "
                       "Extensions':\n%1")
            .arg(nativePath(blocked)));
    if (QFileInfo::exists(QStringLiteral("/dev/null")))
        addRow("a device", "/dev/null", int(FileTypeDelimited),
            QStringLiteral("Unable to read '/dev/null'"));
    const QString book = write(QStringLiteral("book.xls"), "\xd0\xcf\x11\xe0");
    addRow("broken old workbook", book + QStringLiteral("[Sheet1]"), int(FileTypeExcelXls),
        QStringLiteral("Unable to load Excel workbook '%1' information.").arg(nativePath(book)));
    const QString broken = write(QStringLiteral("book.xlsx"), "PK\x03\x04");
    addRow("broken workbook", broken + QStringLiteral("[Sheet1]"), int(FileTypeExcelXlsx),
        QStringLiteral("Unable to load Excel workbook '%1' information.").arg(nativePath(broken)));
    const QString json = write(QStringLiteral("data.json"), "[{\"a\":1}");
    addRow("truncated json", json, int(FileTypeJson),
        QStringLiteral("Error parsing JSON: Missing a comma or ']' after an array element at "
                       "offset 8"));
}

void TestInputNode::failuresEndInError()
{
    QFETCH(QString, path);
    QFETCH(int, fileType);
    InputNode node(path, fileType);
    read(node);
    QCOMPARE(node.status(), int(StatusError));
    QTEST(node.warnings().value(node.warningCount() - 1), "warning");
    QCOMPARE(node.rowCount(), 0);
}

void TestInputNode::extensionMismatch_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("fileType");
    QTest::addColumn<bool>("warns");

    addRow("txt read as delimited", "data.txt", int(FileTypeDelimited), true);
    addRow("csv read as delimited", "data.csv", int(FileTypeDelimited), false);
    addRow("unmapped extension", "data.dat", int(FileTypeDelimited), false);
}

void TestInputNode::extensionMismatch()
{
    QFETCH(QString, name);
    QFETCH(int, fileType);
    const QString path = write(name, "a,b\n1,2\n");
    InputNode node(path, fileType);
    read(node);
    QCOMPARE(node.status(), int(StatusUpToDate));
    const QString warning = QStringLiteral("File extension '%1' may not match data type: %2")
                                .arg(nativePath(path), fileTypeName(fileType));
    QTEST(node.warnings().contains(warning), "warns");
}

void TestInputNode::pastedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("fileType");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("rows");

    addRow(
        "nothing pasted", QString(), int(FileTypeDelimited), int(StatusUpToDate), QStringList(), 0);
    addRow("cells from a sheet", "Name\tAge\nAnn\t31\n", int(FileTypeExcelXlsx),
        int(StatusUpToDate), QStringList { "Name", "Age" }, 1);
    addRow("plain text keeps commas", "head\nx, y\nz\n", int(FileTypePlainText),
        int(StatusUpToDate), QStringList { "head" }, 2);
    addRow("json values", "[1, 2]", int(FileTypeJson), int(StatusUpToDate), QStringList { "value" },
        2);
    addRow("broken json", "[1, 2", int(FileTypeJson), int(StatusError), QStringList(), 0);
}

void TestInputNode::pastedText()
{
    QFETCH(QString, text);
    QFETCH(int, fileType);
    InputNode node;
    node.setClipboardSource(text, fileType);
    read(node);
    QTEST(node.status(), "status");
    QTEST(node.dataset().columnNames(), "names");
    QTEST(node.rowCount(), "rows");
    if (node.status() == StatusError)
        QCOMPARE(node.warningCount(), 1);
    // No file: nothing to watch, and no file behind the summary.
    QCOMPARE(node.watchedPath(), QString());
}

void TestInputNode::emptyColumnsIgnored_data()
{
    QTest::addColumn<bool>("ignore");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("information");

    const QByteArray twoEmpty("a,b,c,d\n1,,x,\n2,,y,\n");
    addRow("off", false, twoEmpty, QStringList { "a", "b", "c", "d" }, QString());
    addRow("on", true, twoEmpty, QStringList { "a", "c" },
        QStringLiteral("2 empty column(s) ignored"));
    addRow("no rows", true, QByteArray("a,b\n"), QStringList { "a", "b" }, QString());
}

void TestInputNode::emptyColumnsIgnored()
{
    QFETCH(bool, ignore);
    QFETCH(QByteArray, content);
    QFETCH(QString, information);
    InputNode node(write(QStringLiteral("empties.csv"), content));
    InputOptions o = node.options();
    o.ignoreEmptyColumns = ignore;
    node.setOptions(o);
    read(node);
    QTEST(node.dataset().columnNames(), "names");
    const bool reported = node.information().filter(QStringLiteral("empty column")).size() == 1;
    QCOMPARE(reported, !information.isEmpty());
    if (reported)
        QVERIFY(node.information().contains(information));
}

void TestInputNode::metaInformation_data()
{
    QTest::addColumn<int>("placement");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("firstRow");
    QTest::addColumn<QStringList>("lastRow");

    const QString meta = QStringLiteral("meta.csv 2 rows");
    addRow("at start", int(MetaAtStart), QStringList { "a", "b" }, QStringList { meta, "" },
        QStringList { "3", "4" });
    addRow("at end", int(MetaAtEnd), QStringList { "a", "b" }, QStringList { "1", "2" },
        QStringList { meta, "" });
    addRow("every row", int(MetaEveryRow), QStringList { "a", "b", "Source" },
        QStringList { "1", "2", meta }, QStringList { "3", "4", meta });
}

void TestInputNode::metaInformation()
{
    QFETCH(int, placement);
    InputNode node(write(QStringLiteral("meta.csv"), "a,b\n1,2\n3,4\n"));
    InputOptions o = node.options();
    o.metaPlacement = placement;
    o.metaText = QStringLiteral("$(FileName) $(DataRows) rows");
    o.metaColumnName = QStringLiteral("Source");
    node.setOptions(o);
    read(node);
    QCOMPARE(node.status(), int(StatusUpToDate));
    QTEST(node.dataset().columnNames(), "names");
    QTEST(rowValues(node.dataset(), 0), "firstRow");
    QTEST(rowValues(node.dataset(), node.dataset().lastRow()), "lastRow");
}

void TestInputNode::metaVariables_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QString>("expected");

    const QString path = write(QStringLiteral("vars/m.csv"), "a,b,c\n1,2,3\n");
    const QFileInfo info(path);
    addRow("file path", "$(FilePath)", true, nativePath(path));
    addRow("folder path", "$(FolderPath)", true, nativePath(info.absolutePath()));
    addRow("file name and size", "$(FileName)=$(FileSizeBytes)", true, "m.csv=12");
    addRow("updated", "$(FileUpdatedDateTime)|$(FileUpdatedDate)", true,
        info.lastModified().toString(Qt::ISODate) + "|"
            + info.lastModified().date().toString(Qt::ISODate));
    addRow("data counts", "$(DataRows)x$(DataColumns)=$(DataValues)", true, "2x3=6");
    addRow("sheet", "[$(FileSheetName)]", true, "[Sheet 2]");
    addRow("unknown names stay", "$(Nothing) $(FileName", true, "$(Nothing) $(FileName");
    addRow("no file", "$(FilePath);$(FileCreatedDate);$(DataRows)", false,
        "(file not found);(file not found);2");
}

void TestInputNode::metaVariables()
{
    QFETCH(QString, text);
    QFETCH(bool, fileExists);
    Dataset data;
    data.setColumnCount(3);
    data.appendRow({ "1", "2", "3" });
    data.appendRow({ "4", "5", "6" });
    const QString path = m_dir.filePath(
        fileExists ? QStringLiteral("vars/m.csv") : QStringLiteral("vars/gone.csv"));
    QTEST(expandMetaVariables(text, path, QStringLiteral("Sheet 2"), data), "expected");
    // The current date and time come from the clock at the moment of reading.
    const QString now = expandMetaVariables(
        QStringLiteral("$(CurrentDate)T$(CurrentDateTime)"), path, QString(), data);
    QVERIFY(now.startsWith(QDate::currentDate().toString(Qt::ISODate))
        || QTime::currentTime().hour() == 0);
}

void TestInputNode::schemaOnASingleFile()
{
    InputNode node(write(QStringLiteral("schema.csv"), "b,a\n1,2\n"));
    InputOptions o = node.options();
    o.schema.inUse = true;
    o.schema.columnNames = QStringList { "a", "b", "c" };
    o.schema.missingValues = QStringList { "", "", "none" };
    node.setOptions(o);
    read(node);
    QCOMPARE(node.status(), int(StatusUpToDate));
    QCOMPARE(node.dataset().columnNames(), QStringList({ "a", "b", "c" }));
    QCOMPARE(rowValues(node.dataset(), 0), QStringList({ "2", "1", "none" }));

    o.schema.missingColumns = SchemaMissingIsError;
    o.hasHeader = HeaderNo;
    node.setOptions(o);
    read(node);
    QCOMPARE(node.status(), int(StatusError));
    QVERIFY(
        node.warnings().contains(QStringLiteral("Using a schema, but 'has header' not checked")));
    QVERIFY(node.warnings().contains(QStringLiteral("Schema error: Missing column 'c'")));
    QCOMPARE(node.warnings().last(), QStringLiteral("Schema validation failed"));
    // The dataset stays as read.
    QCOMPARE(node.dataset().columnNames(), QStringList({ "1", "2" }));
}

void TestInputNode::watching_data()
{
    QTest::addColumn<bool>("autoRun");
    addRow("auto run rereads", true);
    addRow("otherwise marked for update", false);
}

void TestInputNode::watching()
{
    QFETCH(bool, autoRun);
    const QString path = write(QStringLiteral("watched.csv"), "a\n1\n");
    GraphModel scene;
    auto* node = new InputNode(path);
    InputOptions o = node->options();
    o.watching = true;
    node->setOptions(o);
    scene.insertNode(node);
    scene.setAutoRun(autoRun);
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(node->watchedPath(), QFileInfo(path).absoluteFilePath());

    write(QStringLiteral("watched.csv"), "a\n1\n2\n3\n");
    // Nothing happens at once: the file may still be being written.
    QTest::qWait(300);
    QCOMPARE(node->rowCount(), 1);
    if (autoRun)
        QTRY_COMPARE_WITH_TIMEOUT(node->rowCount(), 3, 6000);
    else
        QTRY_COMPARE_WITH_TIMEOUT(node->status(), int(StatusNeedsUpdating), 6000);
    QCOMPARE(node->status(), int(autoRun ? StatusUpToDate : StatusNeedsUpdating));
    QCOMPARE(node->rowCount(), autoRun ? 3 : 1);

    // Watching off: later changes go unnoticed.
    o.watching = false;
    node->setOptions(o);
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(node->watchedPath(), QString());
}

void TestInputNode::optionsRoundTrip()
{
    InputNode original(QStringLiteral("/data/in.csv"));
    InputOptions o = original.options();
    o.folder = QStringLiteral("/data");
    o.fileMatch = QStringLiteral("*.csv");
    o.sheetMatch = QStringLiteral("S*");
    o.recurse = true;
    DelimitedReadOptions { DelimiterCustom, QuotingUnquoted, true }.store(&o.formatOptions);
    o.encoding = QStringLiteral("ISO-8859-1");
    FixedWidthReadOptions { false, { 3, 5, 8 } }.store(&o.formatOptions);
    LayoutReadOptions { LayoutLong }.store(&o.formatOptions); // kept in json_arrays_as_rows
    o.ignoredFirstRows = 2;
    o.hasHeader = HeaderAutomatic;
    o.trimWhitespace = false;
    o.simplifyWhitespace = false;
    o.ignoreEmptyRows = false;
    o.ignoreEmptyColumns = true;
    WorkbookReadOptions { true, true }.store(&o.formatOptions);
    o.metaPlacement = MetaEveryRow;
    o.metaText = QStringLiteral("<$(FileName)> & \"x\"");
    o.metaColumnName = QStringLiteral("Where");
    o.schema = InputSchema { true, { "a", "b" }, { "", "0" }, 1, 1, 2 };
    o.watching = true;
    o.alias = QStringLiteral("in1");
    original.setOptions(o);
    original.setCharOption(QLatin1Char('#'));
    original.setSheetName(QStringLiteral("Sheet 2"));
    original.setFurtherText(QStringLiteral("pasted"));

    const QVariantMap saved = original.saveOptions();
    QCOMPARE(saved.value("fixed_widths").toStringList(), QStringList({ "3", "5", "8" }));
    QCOMPARE(saved.value("schema_col_name").userType(), int(QMetaType::QStringList));

    // A snapshot copy made through the factory is the same item again.
    Node* made = NodeFactory::create(InputNodeType);
    auto* copy = qobject_cast<InputNode*>(made);
    QVERIFY(copy);
    copy->restoreOptions(saved);
    QVERIFY(copy->options() == o);
    QCOMPARE(copy->filePath(), original.filePath());
    QCOMPARE(copy->charOption(), QLatin1Char('#'));
    QCOMPARE(copy->saveOptions(), saved);
    delete made;
}

void TestInputNode::restoreFillsReadDefaults_data()
{
    QTest::addColumn<QVariantMap>("input");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("expected");

    addRow("medium from text", QVariantMap { { "text", "a,b" } }, "medium",
        QVariant(int(MediumClipboard)));
    addRow("path trimmed", QVariantMap { { "path", " /x/a.tsv  " } }, "path", QVariant("/x/a.tsv"));
    addRow("type from extension", QVariantMap { { "path", "/x/a.json" }, { "file_type", 11 } },
        "file_type", QVariant(int(FileTypeJson)));
    addRow("type from pasted text", QVariantMap { { "text", "<rows/>" } }, "file_type",
        QVariant(int(FileTypeXml)));
    addRow("list where a number belongs", QVariantMap { { "header", QStringList { "1" } } },
        "header", QVariant(0));
    addRow("non-integers dropped",
        QVariantMap { { "fixed_widths", QStringList { "4", "x", "6" } } }, "fixed_widths",
        QVariant(QStringList { "4", "6" }));
    const QString twoItems = QStringLiteral("a") + QChar(0x1F) + QStringLiteral("b");
    addRow("list as text", QVariantMap { { "schema_col_name", twoItems } }, "schema_col_name",
        QVariant(QStringList { "a", "b" }));
}

void TestInputNode::restoreFillsReadDefaults()
{
    QFETCH(QVariantMap, input);
    QFETCH(QString, key);
    QFETCH(QVariant, expected);
    InputNode node(QStringLiteral("/somewhere/else.xlsx"));
    node.restoreOptions(input);
    const QVariant saved = node.saveOptions().value(key);
    QCOMPARE(saved.userType(), expected.userType());
    QCOMPARE(saved, expected);
}

void TestInputNode::summaries()
{
    InputNode csv(write(QStringLiteral("sum.csv"), "a,b\n1,2\n"));
    QVERIFY(
        csv.inputSummary().contains(qMakePair(QStringLiteral("File"), nativePath(csv.filePath()))));
    QVERIFY(csv.summary().contains(QStringLiteral("8 bytes")));

    InputNode pasted;
    pasted.setClipboardSource(QStringLiteral("x\ny\n"));
    QVERIFY(pasted.inputSummary().contains(
        qMakePair(QStringLiteral("Size"), QStringLiteral("4 characters"))));
    QCOMPARE(pasted.displayName(), QStringLiteral("Clipboard"));

    InputNode book(QStringLiteral("/b/book.xlsx"));
    QVERIFY(book.optionSummary().contains(
        qMakePair(QStringLiteral("Ignore hidden Excel rows"), QStringLiteral("No"))));
    QVERIFY(!book.optionSummary().contains(
        qMakePair(QStringLiteral("Encoding"), QStringLiteral("Automatic"))));
    QVERIFY(book.summary().contains(QStringLiteral("File not found")));
}

// Input -> Case (upper) -> Output, with the output named after the input's
// alias, through a real scene run.
void TestInputNode::graphRunsEndToEnd()
{
    const QString in = write(QStringLiteral("people.csv"), "name,city\nann,oslo\nbob,rome\n");
    GraphModel scene;
    auto* input = new InputNode(in);
    InputOptions o = input->options();
    o.alias = QStringLiteral("src");
    input->setOptions(o);
    scene.insertNode(input);
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(input->status(), int(StatusUpToDate));

    input->setSelected(true);
    TransformNode* upper = scene.addTransform(Catalogue::instance().create(QStringLiteral("Case")));
    QVERIFY(upper);
    Transform* t = upper->transform();
    TransformParameter* columns = t->parameter(QStringLiteral("Columns"));
    columns->setValue(QVariant::fromValue(ColumnRefList { columns->referenceAt(1) }));
    t->parameter(QStringLiteral("Case"))->setValue(QStringLiteral("Upper case"));

    const QString outPath = m_dir.filePath(QStringLiteral("{src}-upper.csv"));
    auto* output = new OutputNode(outPath);
    scene.insertNode(output);
    output->setPos(upper->pos() + QPointF(0, 200));
    scene.insertConnection(upper, output);
    scene.process(GraphModel::RunAll, true);

    QCOMPARE(upper->status(), int(StatusUpToDate));
    QCOMPARE(output->status(), int(StatusUpToDate));
    QCOMPARE(readFile(m_dir.filePath(QStringLiteral("people-upper.csv"))),
        QByteArray("\xEF\xBB\xBFname,city\r\nann,OSLO\r\nbob,ROME\r\n"));
    // Column identities come from the input item.
    QCOMPARE(input->dataset().columnId(1), ColumnId(input->id(), 2));
}

void TestInputNode::failedInputLeavesOtherBranchesRunning()
{
    GraphModel scene;
    auto* good = new InputNode(write(QStringLiteral("good.csv"), "a\n1\n"));
    auto* bad = new InputNode(m_dir.filePath(QStringLiteral("vanished.csv")));
    auto* goodOut = new OutputNode(m_dir.filePath(QStringLiteral("good-out.csv")));
    auto* badOut = new OutputNode(m_dir.filePath(QStringLiteral("bad-out.csv")));
    for (Node* n : QList<Node*> { bad, good, goodOut, badOut })
        scene.insertNode(n);
    good->setPos(200, 0);
    goodOut->setPos(200, 200);
    badOut->setPos(0, 200);
    scene.insertConnection(good, goodOut);
    scene.insertConnection(bad, badOut);
    scene.process(GraphModel::RunAll, true);

    QCOMPARE(bad->status(), int(StatusError));
    QCOMPARE(badOut->status(), int(StatusNeedsUpdating));
    QCOMPARE(goodOut->status(), int(StatusUpToDate));
    QVERIFY(QFileInfo::exists(m_dir.filePath(QStringLiteral("good-out.csv"))));
    QVERIFY(bad->logLine(false).endsWith(QStringLiteral("Error")));
}

void TestInputNode::repeatedValuesOfARunWithoutResults_data()
{
    QTest::addColumn<bool>("keepsResults");
    QTest::addColumn<bool>("countsNoReferences");

    // The window browses and edits its tables: their texts are ordinary.
    QTest::newRow("with windows") << true << false;
    QTest::newRow("without windows") << false << true;
}

void TestInputNode::repeatedValuesOfARunWithoutResults()
{
    QFETCH(bool, keepsResults);
    const QString in = write(QStringLiteral("cities.csv"), "name,city\nann,oslo\nbob,oslo\n");
    GraphModel scene;
    scene.setKeepsResults(keepsResults);
    auto* input = new InputNode(in);
    scene.insertNode(input);
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(input->status(), int(StatusUpToDate));
    const Dataset& data = input->dataset();
    QCOMPARE(data.value(0, 1), QStringLiteral("oslo"));
    QVERIFY(data.value(0, 1).constData() == data.value(1, 1).constData());
    QString city = data.value(1, 1);
    QTEST(city.data_ptr()->ref.isStatic(), "countsNoReferences");
}

namespace {

// The memory measurement is asked at every progress point of a read, so it
// serves as the moment at which Stop is pressed or memory runs over.
RunContext* s_context = nullptr;
bool s_byMemory = false;
int s_measured = 0;

double measureAndInterrupt()
{
    if (++s_measured == 1 && !s_byMemory)
        s_context->requestStop();
    return s_byMemory && s_measured > 1 ? 1000.0 : 0.0;
}

} // namespace

void TestInputNode::stopInsideARead_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("fileType");
    QTest::addColumn<bool>("byMemory");
    const int records = 200000;
    QByteArray csv = "a,b\n";
    QByteArray json = "[";
    QByteArray xml = "<r>";
    QByteArray vcard;
    QByteArray fixed = "aaaa bbbb\n";
    // Appended piece by piece: a joined expression reserves exactly what
    // it adds each time, which is quadratic where realloc cannot grow in
    // place (the sanitizer builds).
    for (int i = 0; i < records; ++i) {
        const QByteArray n = QByteArray::number(i);
        csv.append(n).append(",x\n");
        json.append(i ? ",{\"a\":" : "{\"a\":").append(n).append('}');
        xml.append("<e><a>").append(n).append("</a></e>");
        vcard.append("BEGIN:VCARD\nFN:").append(n).append("\nEND:VCARD\n");
        fixed.append(n.leftJustified(5, ' ')).append("xxxx\n");
    }
    json += "]";
    xml += "</r>";
    const QList<std::tuple<const char*, QByteArray, int>> files { { "big.csv", csv,
                                                                      int(FileTypeDelimited) },
        { "big.json", json, int(FileTypeJson) }, { "big.xml", xml, int(FileTypeXml) },
        { "big.vcf", vcard, int(FileTypeVCard) }, { "big.txt", fixed, int(FileTypeFixedWidth) } };
    for (const auto& file : files) {
        const QString path = write(QString::fromLatin1(std::get<0>(file)), std::get<1>(file));
        for (const bool byMemory : { false, true })
            QTest::addRow("%s, %s", std::get<0>(file), byMemory ? "memory" : "Stop")
                << path << std::get<2>(file) << byMemory;
    }
}

// Stop, or memory past the limit, during a long read ends the read at the
// reader's next progress point: the item does not go on to the end.
void TestInputNode::stopInsideARead()
{
    QFETCH(QString, name);
    QFETCH(int, fileType);
    QFETCH(bool, byMemory);
    InputNode node(name, fileType);
    RunContext& context = node.runContext();
    s_context = &context;
    s_byMemory = byMemory;
    s_measured = 0;
    context.setMeasurement(&measureAndInterrupt);
    read(node);
    context.setMeasurement(nullptr);
    QCOMPARE(
        context.stopReason(), byMemory ? RunContext::MemoryExceeded : RunContext::StoppedByUser);
    QVERIFY(node.rowCount() < 200000);
}

// A read that warns lists the traps of its columns after its information
// lines; a clean read, or a table too large to check on every read, does not.
void TestInputNode::columnTrapsAfterWarnings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("traps");
    const QString zeros = QStringLiteral(
        "Column 'zip': 2 values have leading zeros that a number conversion drops (for example "
        "'0815')");
    QTest::newRow("clean") << QByteArray("zip,n\n0815,1\n0042,2\n") << QStringList();
    QTest::newRow("a short row warns")
        << QByteArray("zip,n\n0815,1\n0042\n") << QStringList { zeros };
    QByteArray large = "zip,n\n0815,1\n0042\n";
    const int rows = int(InputNode::AutomaticTrapCells / 2) + 1;
    large.reserve(large.size() + rows * 4);
    for (int r = 0; r < rows; ++r)
        large += "1,2\n";
    QTest::newRow("too large to check by itself") << large << QStringList();
}

void TestInputNode::columnTrapsAfterWarnings()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, traps);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zips.csv"));
    QVERIFY(writeFile(path, text));
    InputNode node(path);
    read(node);
    QCOMPARE(node.status(), int(StatusUpToDate));
    QCOMPARE(node.columnTraps(), traps);
    QCOMPARE(node.information().mid(node.information().size() - traps.size()), traps);
}

QTEST_MAIN(TestInputNode)
#include "tst_inputnode.moc"
