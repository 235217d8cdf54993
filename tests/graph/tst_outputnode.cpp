#include "core/enginesettings.h"
#include "core/runcontext.h"
#include "graph/connection.h"
#include "graph/outputnode.h"
#include "output/workbookformats.h"
#include "tests/graph/testnodes.h"
#include "tests/input/testsupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

Dataset twoRows()
{
    return makeDataset({ "a", "b" }, { { "1", "x,y" }, { "2", "z" } });
}

// One source feeding one output inside a real scene.
struct Graph
{
    explicit Graph(OutputNode* output, const Dataset& data = twoRows())
        : source(new SourceNode(data)), out(output)
    {
        scene.insertNode(source);
        scene.insertNode(out);
        out->setPos(0, 200);
        scene.insertConnection(source, out);
    }
    void run() { scene.process(GraphModel::RunAll, true); }

    GraphModel scene;
    SourceNode* source;
    OutputNode* out;
};

OutputNode* outputTo(const QString& path, int writeMode = WriteModeOverwrite)
{
    auto* out = new OutputNode(path);
    OutputOptions options = out->options();
    options.writeMode = writeMode;
    out->setOptions(options);
    return out;
}

} // namespace

class TestOutputNode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void defaultsFollowThePath_data();
    void defaultsFollowThePath();
    void stopDuringWriteKeepsTheOldFile();
    void multiFileProblems_data();
    void multiFileProblems();
    void optionsRoundTrip();
    void restoreFillsReadDefaults_data();
    void restoreFillsReadDefaults();
    void summaries();

private:
    QTemporaryDir m_dir;
};

void TestOutputNode::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    registerTestKinds();
    registerOutputNodeKind();
    QVERIFY(m_dir.isValid());
}

void TestOutputNode::defaultsFollowThePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("fileType");
    QTest::addColumn<int>("delimiter");
    QTest::addColumn<int>("quoting");
    QTest::addColumn<bool>("bom");

    addRow("upper-case TSV", "OUT.TSV", int(FileTypeDelimited), int(DelimiterTab),
        int(QuotingNever), true);
    addRow("json has no bom", "out.json", int(FileTypeJson), int(DelimiterComma),
        int(QuotingAsNeeded), false);
    addRow("unknown extension", "out.dat", int(FileTypeDelimited), int(DelimiterComma),
        int(QuotingAsNeeded), true);
}

void TestOutputNode::defaultsFollowThePath()
{
    QFETCH(QString, path);
    OutputNode out(path);
    QTEST(out.fileType(), "fileType");
    const DelimitedWriteOptions delimited
        = DelimitedWriteOptions::from(out.options().formatOptions);
    QTEST(delimited.delimiter, "delimiter");
    QTEST(delimited.quoting, "quoting");
    QTEST(out.options().byteOrderMark, "bom");
}

void TestOutputNode::stopDuringWriteKeepsTheOldFile()
{
    const QString path = m_dir.filePath(QStringLiteral("stopped.csv"));
    QVERIFY(writeFile(path, "old\n"));
    Dataset data = makeDataset({ "n" }, {});
    for (int r = 0; r < 5000; ++r)
        data.appendRow({ QString::number(r) });
    OutputNode* out = outputTo(path);
    Graph graph(out, data);
    connect(out, &Node::processed, this, [out] { out->runContext().requestStop(); });
    graph.run();

    QCOMPARE(out->status(), int(StatusError));
    QVERIFY(out->warnings().contains(QStringLiteral("Stopped by user")));
    QCOMPARE(readFile(path), QByteArray("old\n"));
}

void TestOutputNode::multiFileProblems_data()
{
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("warningCount");
    QTest::addColumn<QString>("firstWarning");
    QTest::addColumn<QString>("information");

    addRow("relative path, unsaved document", false, 2, 2,
        "Relative file path for 'r.csv' at row 1, but .transform not saved for it to be "
        "relative to.",
        "0 files written");
    addRow("row warnings stop at a thousand", true, 1500, 1000, "Empty value for row 1",
        "0 files written");
}

void TestOutputNode::multiFileProblems()
{
    QFETCH(bool, saved);
    QFETCH(int, rowCount);
    Dataset data = makeDataset({ "f" }, {});
    for (int r = 0; r < rowCount; ++r)
        data.appendRow({ saved ? QString() : QStringLiteral("r.csv") });
    // The column comes as a document gives it: a position waiting as text.
    auto* out = new OutputNode;
    out->restoreOptions(
        { { "single_or_multi", 1 }, { "multi_file_column", "0" }, { "multi_file_confirm", 0 } });
    Graph graph(out, data);
    if (saved)
        graph.scene.setDocumentPath(m_dir.filePath(QStringLiteral("p.transform")));
    graph.run();

    QCOMPARE(out->status(), int(StatusUpToDate));
    QTEST(int(out->warnings().size()), "warningCount");
    QTEST(out->warnings().value(0), "firstWarning");
    QFETCH(QString, information);
    QVERIFY(out->information().contains(information));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("r.csv"))));
    QCOMPARE(out->filesColumn().name, QStringLiteral("f"));
    QCOMPARE(out->saveOptions().value("multi_file_column"), QVariant("0"));
}

void TestOutputNode::optionsRoundTrip()
{
    OutputNode original(QStringLiteral("/out/{sales}.xml"));
    OutputOptions o = original.options();
    o.files = OutputFilesFromColumn;
    o.confirmMultiFile = false;
    o.writeMode = WriteModeAppend;
    WorkbookOutputOptions { false, ExcelFormattingManual, { 3, 0, 2 }, true,
        QStringLiteral("/t/style.xlsx") }
        .store(&o.formatOptions);
    DelimitedWriteOptions { DelimiterCustom, QuotingAlways }.store(&o.formatOptions);
    o.lineEnding = LineEndingRecordSeparator;
    o.encoding = QStringLiteral("ISO-8859-1");
    o.byteOrderMark = false;
    o.writeHeader = false;
    o.headerOnlyIfEmpty = false;
    HtmlWriteOptions { false }.store(&o.formatOptions);
    XmlWriteOptions { false, QStringLiteral("data.export"), QStringLiteral("rows"),
        QStringLiteral("inner"), QStringLiteral("row") }
        .store(&o.formatOptions);
    o.fileComment = QStringLiteral("made <{date}> & \"more\"");
    JsonWriteOptions { false, JsonValueTypesManual, { JsonTypeNumber, JsonTypeRaw } }.store(
        &o.formatOptions);
    o.alias = QStringLiteral("result");
    original.setOptions(o);
    original.setCharOption(QLatin1Char('#'));
    original.setSheetName(QStringLiteral("Sheet 2"));
    original.setFilesColumn(4);

    const QVariantMap saved = original.saveOptions();
    QCOMPARE(saved.value("multi_file_column").toString(), QStringLiteral("4"));
    QCOMPARE(
        saved.value("excel_manual_col_formats").toStringList(), QStringList({ "3", "0", "2" }));

    OutputNode copy;
    copy.restoreOptions(saved);
    QVERIFY(copy.options() == o);
    QCOMPARE(copy.filePath(), original.filePath());
    QCOMPARE(copy.fileType(), int(FileTypeXml));
    QCOMPARE(copy.sheetName(), original.sheetName());
    QCOMPARE(copy.charOption(), QLatin1Char('#'));
    QCOMPARE(copy.saveOptions(), saved);

    // A snapshot copy made through the factory is the same item again.
    Node* made = NodeFactory::create(OutputNodeType);
    QVERIFY(qobject_cast<OutputNode*>(made));
    made->restoreOptions(saved);
    QCOMPARE(made->saveOptions(), saved);
    delete made;
}

void TestOutputNode::restoreFillsReadDefaults_data()
{
    QTest::addColumn<QVariantMap>("input");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("expected");

    const QVariantMap tsv { { "path", "  /x/out.tsv " } };
    addRow("path trimmed", tsv, "path", QVariant("/x/out.tsv"));
    addRow("type from extension", tsv, "file_type", QVariant(int(FileTypeDelimited)));
    addRow("type 11 from extension", QVariantMap { { "path", "a.json" }, { "file_type", 11 } },
        "file_type", QVariant(int(FileTypeJson)));
    addRow("quoting from extension", tsv, "quote", QVariant(int(QuotingNever)));
    addRow("delimiter reads as comma", tsv, "delimiter", QVariant(int(DelimiterComma)));
    addRow(
        "json types out of range", QVariantMap { { "json_types", 7 } }, "json_types", QVariant(0));
    addRow("write mode not a number", QVariantMap { { "enable_output", "abc" } }, "enable_output",
        QVariant(1));
    addRow("list where a text belongs", QVariantMap { { "encoding", QStringList { "x" } } },
        "encoding", QVariant("UTF-8"));
    addRow("number where a list belongs", QVariantMap { { "json_manual_col_types", 5 } },
        "json_manual_col_types", QVariant(QStringList()));
    addRow("custom delimiter first character", QVariantMap { { "custom_delimiter", "#!" } },
        "custom_delimiter", QVariant("#"));
}

void TestOutputNode::restoreFillsReadDefaults()
{
    QFETCH(QString, key);
    QFETCH(QVariant, expected);
    OutputNode out(QStringLiteral("/somewhere/else.json"));
    QFETCH(QVariantMap, input);
    out.restoreOptions(input);
    const QVariant saved = out.saveOptions().value(key);
    QCOMPARE(saved.userType(), expected.userType());
    QCOMPARE(saved, expected);
}

void TestOutputNode::summaries()
{
    OutputNode csv(m_dir.filePath(QStringLiteral("sum.csv")));
    OutputOptions o = csv.options();
    o.writeMode = WriteModeAppend;
    csv.setOptions(o);
    // The rows depend on the file type and the write mode.
    QVERIFY(csv.optionSummary().contains(
        qMakePair(QStringLiteral("Write header"), QStringLiteral("Yes (if empty)"))));
    OutputNode book(QStringLiteral("/b/book.xlsx"));
    QVERIFY(book.optionSummary().contains(
        qMakePair(QStringLiteral("Write mode"), QStringLiteral("Overwrite/Sheet"))));
    QCOMPARE(book.optionSummary().size(), 3);

    const QString path = m_dir.filePath(QStringLiteral("log.csv"));
    OutputNode* out = outputTo(path);
    Graph graph(out);
    graph.run();
    QCOMPARE(out->statusWord(), QStringLiteral("Written"));
    QVERIFY(out->information().contains(QStringLiteral(
        "Line endings=Automatic sets line endings as Windows (CRLF), set 'Line endings' option "
        "to change")));
    QCOMPARE(out->logLine(false),
        QStringLiteral("  Output: 'log.csv', Id=%1, [Written], Up to date").arg(out->id()));
    QVERIFY(out->outputSummary().contains(qMakePair(QStringLiteral("File"), nativePath(path))));
}

QTEST_MAIN(TestOutputNode)
#include "tst_outputnode.moc"
