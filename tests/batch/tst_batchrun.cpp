// Batch runs of a real Input and Output item over wildcard rows: the report
// lines, the log file, clearing of append outputs, stop and the table's
// columns and checks.
#include "batch/batchrun.h"
#include "batch/batchtable.h"
#include "core/enginesettings.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "tests/input/testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Lines as reported, errors marked with "! ", times and durations masked.
struct Captured
{
    QStringList lines;
    void add(const QString& line, bool error)
    {
        QString shown = line;
        for (const char* timed : { "Started: ", "Finished: ", "Elapsed: ", "Total elapsed: " }) {
            if (shown.startsWith(QLatin1String(timed)))
                shown = QLatin1String(timed) + QStringLiteral("*");
        }
        lines << (error ? QStringLiteral("! ") : QString()) + shown;
    }
};

} // namespace

class TestBatchRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void report_data();
    void report();
    void clearAppend_data();
    void clearAppend();
    void itemErrorsAsTheyEnd();
    void sheetPatterns();
    void stopEndsAfterCurrentRun();
    void columnsAndChecks();
    void sharedOutputs_data();
    void sharedOutputs();

private:
    QString write(const QString& name, const QByteArray& bytes);
    QByteArray read(const QString& name) const;
    QString path(const QString& name) const
    {
        return QDir::toNativeSeparators(m_dir.filePath(name));
    }
    void buildGraph(int writeMode, const QString& outputPath);
    Captured runBatch(BatchRun& batch);

    QTemporaryDir m_dir;
    EngineSettings m_settings;
    std::unique_ptr<GraphModel> m_scene;
    InputNode* m_input = nullptr;
    OutputNode* m_output = nullptr;
};

void TestBatchRun::initTestCase()
{
    QVERIFY(m_dir.isValid());
    registerInputNodeKind();
    registerOutputNodeKind();
    write("a1.csv", "x\n1\n");
    write("a2.csv", "x\n2\n");
    write("a3.csv", "x\n3\n");
    write("b.csv", "x\nb\n");
}

void TestBatchRun::init()
{
    m_settings.setBatchClearBeforeAppend(false);
    buildGraph(WriteModeOverwrite, m_dir.filePath("out.csv"));
}

QString TestBatchRun::write(const QString& name, const QByteArray& bytes)
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(name));
    file.write(bytes);
    return file.fileName();
}

QByteArray TestBatchRun::read(const QString& name) const
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray bytes = file.readAll().replace("\r\n", "\n");
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
}

void TestBatchRun::buildGraph(int writeMode, const QString& outputPath)
{
    m_scene.reset(new GraphModel);
    m_scene->runContext().setSettings(&m_settings);
    m_scene->setDocumentPath(m_dir.filePath("doc.transform"));
    m_input = new InputNode(m_dir.filePath("a1.csv"));
    InputOptions in = m_input->options();
    in.alias = QStringLiteral("in");
    m_input->setOptions(in);
    m_scene->insertNode(m_input);
    m_output = new OutputNode(outputPath);
    OutputOptions out = m_output->options();
    out.alias = QStringLiteral("out");
    out.writeMode = writeMode;
    m_output->setOptions(out);
    m_output->setPos(0, 200);
    m_scene->insertNode(m_output);
    m_scene->insertConnection(m_input, m_output);
}

Captured TestBatchRun::runBatch(BatchRun& batch)
{
    Captured captured;
    connect(&batch, &BatchRun::reported, this,
        [&captured](const QString& line, bool error) { captured.add(line, error); });
    batch.setDocumentPath(m_dir.filePath("doc.transform"));
    batch.run();
    return captured;
}

void TestBatchRun::report_data()
{
    QTest::addColumn<int>("verbosity");
    for (int v : { 0, 2, 3 })
        QTest::addRow("verbosity %d", v) << v;
}

void TestBatchRun::report()
{
    QFETCH(int, verbosity);
    // Expected lines: "{dir}" stands for the test's folder, "*" for times,
    // "! " marks an error line.
    QStringList expected;
    const QString golden = QStringLiteral(VARNIX_TEST_DATA "/batch/batchrun/verbosity_%1.txt");
    for (const QString& line :
        QString::fromUtf8(readFile(golden.arg(verbosity))).split('\n', Qt::SkipEmptyParts))
        expected << QString(line).replace("{dir}", QDir::toNativeSeparators(m_dir.path()));
    write("batch.log", "earlier\n");
    BatchRun batch(*m_scene);
    batch.setRows({ { { "in", "a?.csv" }, { "out", "{in}.out.csv" } }, { { "in", "none*.csv" } },
        { { "in", "b.csv" }, { "out", "same.csv" } }, { { "in", "missing.csv" } },
        { { "in", m_dir.filePath("b.csv") }, { "out", "same.csv" } } });
    batch.setLogging(BatchLogging { verbosity, true, m_dir.filePath("batch.log"), 0 });
    const Captured captured = runBatch(batch);
    QCOMPARE(captured.lines, expected);
    QCOMPARE(read("a1.out.csv"), QByteArray("x\n1\n"));
    QCOMPARE(read("a2.out.csv"), QByteArray("x\n2\n"));
    QCOMPARE(read("same.csv"), QByteArray("x\nb\n"));
    // The log holds the same lines after what it held before.
    const QStringList logged = QString::fromUtf8(read("batch.log")).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(logged.size(), expected.size() + 1);
    QCOMPARE(logged.first(), QStringLiteral("earlier"));
    QCOMPARE(logged.at(1), expected.first());
    // The items are pointed back at their own files.
    QCOMPARE(m_input->filePath(), m_dir.filePath("a1.csv"));
    QCOMPARE(m_output->filePath(), m_dir.filePath("out.csv"));
}

void TestBatchRun::clearAppend_data()
{
    QTest::addColumn<bool>("clear");
    QTest::addColumn<QByteArray>("content");
    addRow("cleared once", true, QByteArray("x\n1\n2\n3\n"));
    addRow("kept", false, QByteArray("old\n1\n2\n3\n"));
}

void TestBatchRun::clearAppend()
{
    QFETCH(bool, clear);
    QFETCH(QByteArray, content);
    m_settings.setBatchClearBeforeAppend(clear);
    buildGraph(WriteModeAppend, m_dir.filePath("all.csv"));
    write("all.csv", "old\n");
    BatchRun batch(*m_scene);
    batch.setRows({ { { "in", "a?.csv" } } });
    const Captured captured = runBatch(batch);
    QCOMPARE(read("all.csv"), content);
    const QString cleared = "'" + path("all.csv") + "' already exists, cleared before first append";
    QCOMPARE(captured.lines.count(cleared), clear ? 1 : 0);
    QVERIFY(captured.lines.contains("Total .transform runs: 3, 0 with errors"));
}

void TestBatchRun::itemErrorsAsTheyEnd()
{
    m_settings.setBlockedInputExtensions(QStringLiteral("blk"));
    write("bad.blk", "x\n1\n");
    BatchRun batch(*m_scene);
    batch.setRows({ { { "in", "bad.blk" } }, { { "in", "a1.csv" } } });
    batch.setLogging(BatchLogging { 3, false, QString(), 0 });
    QStringList lines = runBatch(batch).lines;
    m_settings.setBlockedInputExtensions(QString());
    lines.replaceInStrings(QRegularExpression(QStringLiteral("Id=\\d+")), QStringLiteral("Id=*"));
    QCOMPARE(lines.mid(3, 5),
        (QStringList { "Processing:", "!   Input: 'bad.blk', Id=*, Error",
            "    Warning: The extension for this file is blocked in 'Preferences>Input "
            "Extensions':\n"
                + path("bad.blk"),
            "Processed: 1 Input(s), 0 Transform(s), 0 Output(s), 0 Chart(s)",
            "Outputs written: 0" }));
    QVERIFY(lines.contains("Results: 1 error(s), 1 warning(s)"));
    QCOMPARE(lines.mid(lines.size() - 2),
        (QStringList { "! Total .transform runs: 2, 1 with errors",
            "! Total results: 1 error(s), 1 warning(s)" }));
}

void TestBatchRun::sheetPatterns()
{
    write("book1.xlsx", "");
    write("book2.xlsx", "");
    BatchRun batch(*m_scene);
    QStringList asked;
    batch.setSheetLister([&asked](const QString& workbook) {
        asked << QFileInfo(workbook).fileName();
        return QStringList { "North", "South", "Notes" };
    });
    batch.setRows({ { { "in", "book*.xlsx[No*]" } }, { { "in", "book1.xlsx[x*]" } },
        { { "in", "book1.xlsx[South]" } } });
    batch.setLogging(BatchLogging { 0, false, QString(), 0 });
    const Captured captured = runBatch(batch);
    QCOMPARE(asked, (QStringList { "book1.xlsx", "book2.xlsx", "book1.xlsx" }));
    // Two sheets of two books, nothing in row 2, the named sheet in row 3.
    QCOMPARE(captured.lines.count("Processing:"), 5);
    QVERIFY(captured.lines.contains("! No sheets match 'x*' in '" + path("book1.xlsx") + "'."));

    // Without a lister of its own a batch reads the sheet names from the
    // workbooks themselves, .xlsx and .xls alike.
    for (const char* name : { "openpyxl.xlsx", "libreoffice.xls" })
        QFile::copy(VARNIX_TEST_DATA "/input/excel/" + QString(name), m_dir.filePath(name));
    BatchRun own(*m_scene);
    own.setRows({ { { "in", "openpyxl.xlsx[s*]" } }, { { "in", "libreoffice.xls[*]" } } });
    own.setLogging(BatchLogging { 0, false, QString(), 0 });
    QCOMPARE(runBatch(own).lines.count("Processing:"), 4);
}

void TestBatchRun::stopEndsAfterCurrentRun()
{
    BatchRun batch(*m_scene);
    batch.setRows({ { { "in", "a?.csv" }, { "out", "{in}.stop.csv" } }, { { "in", "b.csv" } } });
    batch.setLogging(BatchLogging { 0, false, QString(), 0 });
    connect(&batch, &BatchRun::reported, &batch, [&batch](const QString& line) {
        if (line == QLatin1String("Processing:"))
            batch.stop();
    });
    const Captured captured = runBatch(batch);
    QCOMPARE(batch.runs(), 1);
    QVERIFY(QFile::exists(m_dir.filePath("a1.stop.csv")));
    QVERIFY(!QFile::exists(m_dir.filePath("a2.stop.csv")));
    QCOMPARE(captured.lines.mid(3, 2),
        (QStringList { "! Stopped by user", "Total .transform runs: 1, 0 with errors" }));
}

void TestBatchRun::sharedOutputs_data()
{
    QTest::addColumn<int>("writeMode");
    QTest::addColumn<bool>("aliased");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<bool>("shared");
    const QStringList two { "a.csv", "b.csv" };
    const int over = WriteModeOverwrite;
    QTest::newRow("own path in every row") << over << false << two << QStringList() << true;
    QTest::newRow("own path, one row")
        << over << false << QStringList { "a.csv" } << QStringList() << false;
    QTest::newRow("a file per row")
        << over << true << two << QStringList { "x.csv", "y.csv" } << false;
    QTest::newRow("the same file twice")
        << over << true << two << QStringList { "x.csv", "x.csv" } << true;
    QTest::newRow("an empty cell and the own path")
        << over << true << two << QStringList { "", "" } << true;
    QTest::newRow("variables differ")
        << over << true << two << QStringList { "{in.fname}.out", "{in.fname}.out" } << false;
    QTest::newRow("a wildcard row")
        << over << true << QStringList { "*.csv" } << QStringList { "x.csv" } << true;
    QTest::newRow("appending gathers")
        << int(WriteModeAppend) << false << two << QStringList() << false;
}

// Before a batch the window warns of outputs that several runs would write
// one over the other.
void TestBatchRun::sharedOutputs()
{
    QFETCH(int, writeMode);
    QFETCH(bool, aliased);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, outputs);
    QFETCH(bool, shared);
    buildGraph(writeMode, m_dir.filePath("out.csv"));
    if (!aliased) {
        OutputOptions out = m_output->options();
        out.alias.clear();
        m_output->setOptions(out);
    }
    QVector<BatchRow> rows;
    for (int r = 0; r < inputs.size(); ++r) {
        BatchRow row { { "in", inputs.at(r) } };
        if (r < outputs.size())
            row.insert(QStringLiteral("out"), outputs.at(r));
        rows.append(row);
    }
    QCOMPARE(BatchTable::sharedOutputs(*m_scene, rows),
        shared ? QStringList { m_output->displayName() } : QStringList());
}

void TestBatchRun::columnsAndChecks()
{
    auto* spare = new InputNode(m_dir.filePath("b.csv"));
    InputOptions in = spare->options();
    in.alias = QStringLiteral("spare");
    spare->setOptions(in);
    spare->setPos(300, 0);
    m_scene->insertNode(spare);
    auto* off = new OutputNode(m_dir.filePath("off.csv"));
    OutputOptions out = off->options();
    out.alias = QStringLiteral("off");
    out.writeMode = WriteModeDisabled;
    off->setOptions(out);
    off->setPos(300, 200);
    m_scene->insertNode(off);
    m_scene->insertConnection(m_input, off);
    auto* lone = new OutputNode(m_dir.filePath("lone.csv"));
    out = lone->options();
    out.alias = QStringLiteral("lone");
    lone->setOptions(out);
    lone->setPos(600, 200);
    m_scene->insertNode(lone);

    QStringList headings;
    for (const BatchColumn& c : BatchTable::columns(*m_scene))
        headings << c.heading;
    QCOMPARE(headings,
        (QStringList { "Input alias=in", "Input alias=spare", "Output alias='out' (out.csv)" }));
    QCOMPARE(BatchTable::checks(*m_scene),
        (QStringList {
            "Input with alias 'spare' is not connected to an Output and will be ignored.",
            "Output with alias 'off' has 'Write mode'='Disabled' and will be ignored.",
            "Output with alias 'lone' is not connected to an input and will be ignored." }));
    // A row left empty between filled ones survives the stored form.
    const QVector<BatchRow> rows { { { "in", "a.csv" } }, {},
        { { "out", "o.csv" }, { "in", "" } } };
    const QVector<BatchValue> values = BatchTable::valuesFromRows(rows);
    QCOMPARE(values.size(), 2);
    QCOMPARE(BatchTable::rowsFromValues(values).size(), 3);
    QCOMPARE(BatchTable::rowsFromValues(values).at(2).value("out"), QStringLiteral("o.csv"));
}

QTEST_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
