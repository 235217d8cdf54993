#include "core/enginesettings.h"
#include "graph/connection.h"
#include "graph/runcontext.h"
#include "graph/userprompt.h"
#include "output/outputnode.h"
#include "output/workbookformats.h"
#include "tests/graph/testnodes.h"
#include "tests/input/testsupport.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Bom("\xEF\xBB\xBF");

// An input that has an alias, as Input items do.
class AliasSource : public SourceNode
{
public:
    using SourceNode::SourceNode;
    QVariantMap saveOptions() const override
    {
        QVariantMap options = SourceNode::saveOptions();
        options.insert(QStringLiteral("alias"), alias);
        return options;
    }
    QString alias;
};

Dataset twoRows()
{
    return makeDataset({ "a", "b" }, { { "1", "x,y" }, { "2", "z" } });
}

// One source feeding one output inside a real scene.
struct Graph
{
    explicit Graph(OutputNode* output, const Dataset& data = twoRows())
        : source(new AliasSource(data)), out(output)
    {
        scene.insertNode(source);
        scene.insertNode(out);
        out->setPos(0, 200);
        scene.insertConnection(source, out);
    }
    void run() { scene.process(GraphScene::RunAll, true); }

    GraphScene scene;
    AliasSource* source;
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
    void writeModes_data();
    void writeModes();
    void fileNameVariables_data();
    void fileNameVariables();
    void extensionChecks_data();
    void extensionChecks();
    void failuresNameTheFile_data();
    void failuresNameTheFile();
    void stopDuringWriteKeepsTheOldFile();
    void needsExactlyOneUpstream_data();
    void needsExactlyOneUpstream();
    void multiFileGroupsRowsAndWarns();
    void multiFileConfirmation_data();
    void multiFileConfirmation();
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

void TestOutputNode::writeModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("existing"); // null: no file
    QTest::addColumn<bool>("headerOnlyIfEmpty");
    QTest::addColumn<QByteArray>("expected"); // null: no file afterwards
    QTest::addColumn<QString>("message"); // %1 is the file
    QTest::addColumn<bool>("isWarning");

    const QByteArray all = "a,b\r\n1,\"x,y\"\r\n2,z\r\n";
    const QByteArray rows = "1,\"x,y\"\r\n2,z\r\n";
    addRow("append to bom-only file writes the header", int(WriteModeAppend), Bom, true, Bom + all,
        "Appended file '%1'", false);
    addRow("append to 4 bytes skips the header", int(WriteModeAppend), QByteArray("old\n"), true,
        "old\n" + rows, "Appended file '%1'", false);
    addRow("append with header always", int(WriteModeAppend), QByteArray("old\n"), false,
        "old\n" + all, "Appended file '%1'", false);
    addRow("new leaves an existing file alone", int(WriteModeNew), QByteArray("keep"), true,
        QByteArray("keep"), "Write mode='New' and '%1' already exists", true);
    addRow("disabled writes nothing", int(WriteModeDisabled), QByteArray(), true, QByteArray(),
        "Write mode='Disabled'", true);
}

void TestOutputNode::writeModes()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, existing);
    QFETCH(QByteArray, expected);
    QFETCH(QString, message);
    const QString path = m_dir.filePath(QStringLiteral("modes.csv"));
    QFile::remove(path);
    if (!existing.isNull())
        QVERIFY(writeFile(path, existing));

    OutputNode* out = outputTo(path, mode);
    OutputOptions options = out->options();
    QFETCH(bool, headerOnlyIfEmpty);
    options.headerOnlyIfEmpty = headerOnlyIfEmpty;
    options.fileComment.clear();
    out->setOptions(options);
    Graph graph(out);
    graph.run();

    QCOMPARE(out->status(), int(StatusUpToDate));
    QCOMPARE(QFile::exists(path), !expected.isNull());
    if (!expected.isNull())
        QCOMPARE(readFile(path), expected);
    QFETCH(bool, isWarning);
    const QStringList lines = isWarning ? out->warnings() : out->information();
    if (message.contains(QLatin1String("%1")))
        message = message.arg(nativePath(path));
    QVERIFY2(lines.contains(message), qPrintable(lines.join('\n')));
    QCOMPARE(out->dataset().rowCount(), 2);
}

void TestOutputNode::fileNameVariables_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");

    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd"));
    addRow("alias is stem and sheet", "{sales}.csv", "q1_North.csv");
    addRow("date", "out_{date}.csv", QStringLiteral("out_%1.csv").arg(today));
    addRow("alias last folder", "{sales.lastfolder}.csv", "data.csv");
    addRow("unknown alias stays", "{costs}.csv", "{costs}.csv");
    addRow("document name", "{transformfname}.csv", "project.csv");
}

// Relative output paths are taken from the document's folder, here the
// temporary folder.
void TestOutputNode::fileNameVariables()
{
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    const QString path = m_dir.filePath(expected);
    QFile::remove(path);

    OutputNode* out = outputTo(pattern);
    Graph graph(out);
    graph.source->alias = QStringLiteral("sales");
    graph.source->setFilePath(QStringLiteral("/data/q1.xlsx"));
    graph.source->setSheetName(QStringLiteral("North"));
    graph.source->setFormatId(FileTypeExcelXlsx);
    setSceneDocumentPath(&graph.scene, m_dir.filePath(QStringLiteral("project.transform")));
    graph.run();

    QCOMPARE(out->status(), int(StatusUpToDate));
    QCOMPARE(out->resolvedPath(), path);
    QCOMPARE(out->writtenPaths(), QStringList { nativePath(path) });
    QVERIFY(QFile::exists(path));
}

void TestOutputNode::extensionChecks_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("fileType");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("warning"); // %1 is the file; empty: no warning
    QTest::addColumn<bool>("written");

    addRow("blocked", "run.sh", int(FileTypeDelimited), int(StatusError),
        "The extension for this file is blocked in "
        "'Preferences>Output Extensions':\n%1",
        false);
    addRow("blocked in any case", "RUN.SH", int(FileTypeDelimited), int(StatusError),
        "The extension for this file is blocked in "
        "'Preferences>Output Extensions':\n%1",
        false);
    addRow("txt written as delimited", "out.txt", int(FileTypeDelimited), int(StatusUpToDate),
        "'%1' extension is 'txt' but file type is Delimited text", true);
    addRow("html written as markdown", "out.html", int(FileTypeMarkdown), int(StatusUpToDate),
        "'%1' extension is 'html' but file type is Markdown", true);
    addRow("matching", "out.json", int(FileTypeJson), int(StatusUpToDate), QString(), true);
    addRow("unknown extension", "out.dat", int(FileTypeYaml), int(StatusUpToDate), QString(), true);
}

void TestOutputNode::extensionChecks()
{
    QFETCH(QString, warning);
    QFETCH(QString, file);
    QFETCH(int, fileType);
    const QString path = m_dir.filePath(file);
    OutputNode* out = new OutputNode(path, fileType);
    Graph graph(out);
    graph.run();

    QTEST(out->status(), "status");
    QTEST(QFile::exists(path), "written");
    if (warning.isEmpty())
        QCOMPARE(out->warnings(), QStringList());
    else
        QVERIFY2(out->warnings().contains(warning.arg(nativePath(path))),
            qPrintable(out->warnings().join('\n')));
}

void TestOutputNode::failuresNameTheFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("message"); // %1 is the file

    addRow("missing folder", m_dir.filePath(QStringLiteral("no/such/out.csv")),
        int(WriteModeOverwrite), "Unable to write '%1'");
    addRow("old workbook in missing folder", m_dir.filePath(QStringLiteral("no/out.xls")),
        int(WriteModeOverwrite),
        "Unable to save to '%1'. If this file is already open, close it and click the write to "
        "file button in the 'Data' tab.");
    addRow("workbook in missing folder", m_dir.filePath(QStringLiteral("no/out.xlsx")),
        int(WriteModeOverwrite),
        "Unable to save to '%1'. If this file is already open, close it and click the write to "
        "file button in the 'Data' tab.");
}

void TestOutputNode::failuresNameTheFile()
{
    QFETCH(QString, path);
    QFETCH(int, mode);
    QFETCH(QString, message);
    OutputNode* out = outputTo(path, mode);
    Graph graph(out);
    graph.run();

    QCOMPARE(out->status(), int(StatusError));
    QCOMPARE(out->statusWord(), QStringLiteral("Error writing"));
    QVERIFY(out->writtenPaths().isEmpty());
    QVERIFY2(out->warnings().contains(message.arg(nativePath(path))),
        qPrintable(out->warnings().join('\n')));
    QVERIFY(!QFile::exists(path));
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

void TestOutputNode::needsExactlyOneUpstream_data()
{
    QTest::addColumn<int>("upstreamCount");
    addRow("none", 0);
    addRow("two", 2);
}

void TestOutputNode::needsExactlyOneUpstream()
{
    QFETCH(int, upstreamCount);
    const QString path = m_dir.filePath(QStringLiteral("upstream.csv"));
    GraphScene scene;
    auto* out = new OutputNode(path);
    scene.insertNode(out);
    out->setPos(0, 300);
    for (int i = 0; i < upstreamCount; ++i) {
        auto* source = new SourceNode(twoRows());
        scene.insertNode(source);
        source->setPos(i * 200, 0);
        scene.insertConnection(source, out);
    }
    scene.process(GraphScene::RunAll, true);

    QCOMPARE(out->status(), int(StatusUpToDate));
    QCOMPARE(out->warnings(), QStringList { QStringLiteral("No transforms or inputs connected") });
    QVERIFY(!QFile::exists(path));
    QCOMPARE(out->statusWord(), QStringLiteral("Not written"));
}

void TestOutputNode::multiFileGroupsRowsAndWarns()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("multi/sub"));
    const QString folder = m_dir.filePath(QStringLiteral("multi"));
    const Dataset data = makeDataset({ "file", "v" },
        { { "a.csv", "1" }, { "b.csv", "2" }, { "./a.csv", "3" }, { "", "4" },
            { "gone/c.csv", "5" }, { "sub/", "6" }, { "x.sh", "7" }, { "q?.csv", "8" },
            { "sub", "9" } });
    OutputNode* out = outputTo(QString());
    OutputOptions options = out->options();
    options.files = OutputFilesFromColumn;
    options.fileComment.clear();
    out->setOptions(options);
    Graph graph(out, data);
    setSceneDocumentPath(&graph.scene, folder + QStringLiteral("/doc.transform"));
    NonInteractivePrompt prompt(true);
    graph.scene.setPrompt(&prompt);
    graph.run();
    QCOMPARE(out->warnings(), QStringList { QStringLiteral("No column set for 'Files column'") });
    QCOMPARE(out->status(), int(StatusError));

    out->setFilesColumn(0);
    graph.run();
    QCOMPARE(out->status(), int(StatusUpToDate));
    const QString a = folder + QStringLiteral("/a.csv");
    const QString b = folder + QStringLiteral("/b.csv");
    QCOMPARE(readFile(a), Bom + "file,v\r\na.csv,1\r\n./a.csv,3\r\n");
    QCOMPARE(readFile(b), Bom + "file,v\r\nb.csv,2\r\n");
    QCOMPARE(out->writtenPaths(), (QStringList { nativePath(a), nativePath(b) }));
    const QStringList expectedWarnings { QStringLiteral("Empty value for row 4"),
        QStringLiteral("Folder does not exist for 'gone/c.csv' at row 5"),
        QStringLiteral("No file name for 'sub/' at row 6"),
        QStringLiteral("Extension for 'x.sh' is blocked in 'Preferences>Output Extensions'."),
        QStringLiteral("File path not valid for 'q?.csv' at row 8"),
        QStringLiteral("File path not valid for 'sub' at row 9") };
    QCOMPARE(out->warnings(), expectedWarnings);
    QVERIFY(out->information().contains(QStringLiteral("2 file(s) written")));
    QCOMPARE(out->locationText(), QStringLiteral("file: 2 file(s) written"));
    QCOMPARE(prompt.lastQuestion(),
        QStringLiteral("2 file(s) will be written\n\n2 new file(s) to be created:\n%1\n%2\n")
            .arg(nativePath(a), nativePath(b)));
}

void TestOutputNode::multiFileConfirmation_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("question"); // %1 existing file, %2 new file

    addRow("overwrite", int(WriteModeOverwrite), true,
        "2 file(s) will be written\n\n1 existing file(s) to be "
        "overwritten:\n%1\n\n1 new file(s) to be created:\n%2\n");
    addRow("new", int(WriteModeNew), true,
        "2 file(s) will be written\n\n1 existing file(s) will not be "
        "overwritten:\n%1\n\n1 new file(s) to be created:\n%2\n");
    addRow("cancelled", int(WriteModeOverwrite), false,
        "2 file(s) will be written\n\n1 existing file(s) to be "
        "overwritten:\n%1\n\n1 new file(s) to be created:\n%2\n");
}

void TestOutputNode::multiFileConfirmation()
{
    QFETCH(bool, answer);
    const QString existing = m_dir.filePath(QStringLiteral("old.csv"));
    const QString created = m_dir.filePath(QStringLiteral("fresh.csv"));
    QVERIFY(writeFile(existing, "before\n"));
    QFile::remove(created);
    const Dataset data = makeDataset({ "f" }, { { existing }, { created } });
    QFETCH(int, mode);
    QFETCH(QString, question);
    OutputNode* out = outputTo(QString(), mode);
    OutputOptions options = out->options();
    options.files = OutputFilesFromColumn;
    out->setOptions(options);
    Graph graph(out, data);
    out->setFilesColumn(0);
    NonInteractivePrompt prompt(answer);
    graph.scene.setPrompt(&prompt);
    graph.run();

    QCOMPARE(prompt.lastQuestion(), question.arg(nativePath(existing), nativePath(created)));
    QCOMPARE(QFile::exists(created), answer);
    QCOMPARE(out->status(), int(answer ? StatusUpToDate : StatusError));
    QCOMPARE(out->warnings().contains(QStringLiteral("Output cancelled by user")), !answer);
    if (!answer)
        QCOMPARE(readFile(existing), QByteArray("before\n"));
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
        setSceneDocumentPath(&graph.scene, m_dir.filePath(QStringLiteral("p.transform")));
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
