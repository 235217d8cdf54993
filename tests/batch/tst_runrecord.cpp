// Run records and drift: the drift lines between two sets of Input facts,
// a record written and read back, the records that cannot be compared with,
// and the record of a real command-line run (file hashes taken while
// reading equal the file's own, every column described even where nothing
// after the Input reads it, rows in and out per item).
#include "batch/commandline.h"
#include "batch/commandlinereport.h"
#include "batch/commandlinerun.h"
#include "batch/drift.h"
#include "batch/driftwatch.h"
#include "batch/runrecord.h"
#include "batch/runrecordbuilder.h"
#include "clitesting.h"
#include "core/contenthash.h"
#include "core/values.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "input/textsource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// "name:kind:first values|...:listed values|..." per column, ";" between.
InputFacts facts(int rows, const QString& columns)
{
    InputFacts in;
    in.label = QStringLiteral("in");
    in.rows = rows;
    for (const QString& spec : columns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = spec.split(QLatin1Char(':'));
        ColumnFacts c;
        c.name = parts.value(0);
        c.kind = parts.value(1).section(QLatin1Char(' '), 0, 0);
        c.dateFormat = parts.value(1).section(QLatin1Char(' '), 1);
        c.first = parts.value(2).split(QLatin1Char('|'), Qt::SkipEmptyParts);
        c.values = parts.value(3).split(QLatin1Char('|'));
        c.distinct = parts.value(3).isEmpty() ? 1000 : c.values.size();
        if (parts.value(3).isEmpty())
            c.values.clear();
        in.columns.append(c);
    }
    return in;
}

QString writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return QStringLiteral("cannot write ") + path;
    return QString();
}

} // namespace

class TestRunRecord : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        registerInputNodeKind();
        registerOutputNodeKind();
    }
    void drift_data();
    void drift();
    void roundTrip();
    void badRecords_data();
    void badRecords();
    void recordOfARun();
    void driftInTheLog();
    void hashWhileReading();
    void columnsOfManyValues_data();
    void columnsOfManyValues();
};

void TestRunRecord::drift_data()
{
    QTest::addColumn<int>("rowsBefore");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("rowsNow");
    QTest::addColumn<QString>("now");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QStringList>("expected");
    const QString abc = QStringLiteral("a:integer:1|2;b:text:x|y;c:text:p|q");
    QTest::newRow("same") << 10 << abc << 10 << abc << 50 << QStringList();
    QTest::newRow("added first shifts nothing")
        << 10 << abc << 10 << QStringLiteral("z:text:;") + abc << 50
        << QStringList { "Drift: Input 'in': column 'z' added" };
    QTest::newRow("removed") << 10 << abc << 10 << QStringLiteral("a:integer:1|2;c:text:p|q") << 50
                             << QStringList { "Drift: Input 'in': column 'b' removed" };
    QTest::newRow("renamed: same place, same first values")
        << 10 << abc << 10 << QStringLiteral("a:integer:1|2;bb:text:x|y;c:text:p|q") << 50
        << QStringList { "Drift: Input 'in': column 'b' renamed to 'bb'" };
    QTest::newRow("other first values: removed and added")
        << 10 << abc << 10 << QStringLiteral("a:integer:1|2;bb:text:x|z;c:text:p|q") << 50
        << QStringList { "Drift: Input 'in': column 'bb' added",
               "Drift: Input 'in': column 'b' removed" };
    QTest::newRow("moved: only the one that left its place")
        << 10 << abc << 10 << QStringLiteral("b:text:x|y;c:text:p|q;a:integer:1|2") << 50
        << QStringList { "Drift: Input 'in': column 'a' moved from 1 to 3" };
    QTest::newRow("kind")
        << 10 << QStringLiteral("d:date M/d/yyyy:") << 10 << QStringLiteral("d:date d/M/yyyy:")
        << 50
        << QStringList {
               "Drift: Input 'in': column 'd' changed from date (M/d/yyyy) to date (d/M/yyyy)"
           };
    QTest::newRow("number to text")
        << 10 << QStringLiteral("n:number:") << 10 << QStringLiteral("n:text:") << 50
        << QStringList { "Drift: Input 'in': column 'n' changed from "
                         "number to text" };
    QTest::newRow("rows at the threshold") << 10000 << abc << 5000 << abc << 50 << QStringList();
    QTest::newRow("rows past the threshold")
        << 10000 << abc << 4200 << abc << 50
        << QStringList { "Drift: Input 'in': rows changed from 10000 to 4200 (-58%)" };
    QTest::newRow("rows grown") << 100 << abc << 300 << abc << 50
                                << QStringList { "Drift: Input 'in': rows changed from 100 to "
                                                 "300 (+200%)" };
    QTest::newRow("rows from none")
        << 0 << abc << 3 << abc << 50
        << QStringList { "Drift: Input 'in': rows changed from 0 to 3" };
    QTest::newRow("new values: two named")
        << 10 << QStringLiteral("k:text::A|B") << 10 << QStringLiteral("k:text::A|C|D|E|F|G|") << 50
        << QStringList { "Drift: Input 'in': column 'k' has new values 'C', 'D' and 3 more" };
    QTest::newRow("one new value, the empty one not counted")
        << 10 << QStringLiteral("k:text::A|B") << 10 << QStringLiteral("k:text::|B|C") << 50
        << QStringList { "Drift: Input 'in': column 'k' has new value 'C'" };
    QTest::newRow("new dates are no news")
        << 10 << QStringLiteral("d:date M/d/yyyy::1/2/2024") << 10
        << QStringLiteral("d:date M/d/yyyy::1/3/2024") << 50 << QStringList();
    QTest::newRow("a column of many values has no new values")
        << 10 << QStringLiteral("k:text::") << 10 << QStringLiteral("k:text::A|Z") << 50
        << QStringList();
}

void TestRunRecord::drift()
{
    QFETCH(int, rowsBefore);
    QFETCH(QString, before);
    QFETCH(int, rowsNow);
    QFETCH(QString, now);
    QFETCH(int, percent);
    DriftOptions options;
    options.rowsPercent = percent;
    QFETCH(QStringList, expected);
    QCOMPARE(driftLines({ facts(rowsBefore, before) }, { facts(rowsNow, now) }, options), expected);
}

void TestRunRecord::roundTrip()
{
    QTemporaryDir dir;
    RunRecord record;
    record.documentPath = dir.filePath(QStringLiteral("doc.transform"));
    record.started = QDateTime(QDate(2026, 3, 1), QTime(8, 30, 0, 250), Qt::UTC);
    InputFacts in = facts(7, QStringLiteral("a:integer:1|2:1|2;d:date d/M/yyyy:1/2/2024:"));
    in.sha256 = QStringLiteral("ab12");
    in.choices.insert(QStringLiteral("Encoding"), QStringLiteral("UTF-8"));
    record.inputs = { in };
    const QString path = dir.filePath(QStringLiteral("r.json"));
    QString error;
    QVERIFY2(record.save(path, &error), qPrintable(error));
    RunRecord back;
    QVERIFY2(RunRecord::load(path, &back, &error), qPrintable(error));
    QCOMPARE(back.started, record.started);
    QVERIFY(back.isOfDocument(QStringLiteral("/somewhere/else/doc.transform")));
    QVERIFY(!back.isOfDocument(QStringLiteral("/somewhere/other.transform")));
    QCOMPARE(back.inputs.size(), 1);
    QCOMPARE(back.inputs.first().choices, in.choices);
    QCOMPARE(back.inputs.first().sha256, in.sha256);
    // Read back, the same facts give no drift at all.
    QCOMPARE(driftLines(back.inputs, record.inputs), QStringList());
    QCOMPARE(back.inputs.first().columns.at(1).kindText(), QStringLiteral("date (d/M/yyyy)"));
    // A column of more than 50 values keeps no list in the file.
    QVERIFY(!QJsonDocument::fromJson(record.toJson())
                 .object()
                 .value(QStringLiteral("inputs"))
                 .toArray()
                 .at(0)
                 .toObject()
                 .value(QStringLiteral("columns"))
                 .toArray()
                 .at(1)
                 .toObject()
                 .contains(QStringLiteral("values")));
}

void TestRunRecord::badRecords_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("not JSON") << QByteArray("{\"schema\": ") << "is not valid JSON";
    QTest::newRow("not an object") << QByteArray("[1, 2]") << "is not valid JSON: not an object";
    QTest::newRow("another version")
        << QByteArray("{\"schema\": \"varnix-run-record\", \"version\": 2}")
        << "is of schema version 2, not 1";
    QTest::newRow("another schema") << QByteArray("{\"schema\": \"other\", \"version\": 1}")
                                    << "is not a run record of this program";
    QTest::newRow("missing") << QByteArray() << "Unable to read run record";
}

void TestRunRecord::badRecords()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.json"));
    if (!content.isEmpty())
        QCOMPARE(writeText(path, content), QString());
    RunRecord record;
    QString error;
    QVERIFY(!RunRecord::load(path, &record, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
}

void TestRunRecord::recordOfARun()
{
    QTemporaryDir dir;
    QFile doc(QStringLiteral(VARNIX_TEST_DATA "/batch/cli/docs/drift/drift.transform"));
    QVERIFY(doc.open(QIODevice::ReadOnly));
    const QString document = dir.filePath(QStringLiteral("drift.transform"));
    QCOMPARE(writeText(document, doc.readAll().replace("{dir}", dir.path().toUtf8())), QString());
    // Several of the reader's blocks, and text that is not ASCII, so that
    // the hash taken while reading crosses blocks and the decoder's path.
    QByteArray csv = "when,id,country,amount\n";
    const int rows = 120000;
    // Room for all of it: growing by each row's size would copy it again
    // and again.
    csv.reserve(rows * 32);
    for (int r = 0; r < rows; ++r)
        csv += QByteArray::number(r % 12 + 1) + "/25/2024," + QByteArray::number(r)
            + (r % 3 ? ",Espa\xc3\xb1"
                       "a,"
                     : ",France,")
            + QByteArray::number(r % 7) + ".5\n";
    QCOMPARE(writeText(dir.filePath(QStringLiteral("v1.csv")), csv), QString());
    const QString recordPath = dir.filePath(QStringLiteral("record.json"));

    CommandLine line = CommandLine::parse(
        { document, QStringLiteral("-record"), recordPath, QStringLiteral("-cli") });
    Console console;
    CommandLineReport report(&console.out, &console.err);
    QCOMPARE(CommandLineRun(line, report).run(), int(CommandLineRun::ExitOk));

    QFile written(recordPath);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray json = written.readAll();
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    const QJsonObject input = root.value(QStringLiteral("inputs")).toArray().at(0).toObject();
    QCOMPARE(input.value(QStringLiteral("label")).toString(), QStringLiteral("in"));
    QCOMPARE(input.value(QStringLiteral("sha256")).toString(),
        ContentHash::ofFile(dir.filePath(QStringLiteral("v1.csv"))));
    QCOMPARE(input.value(QStringLiteral("rows")).toInt(), rows);
    const QJsonObject choices = input.value(QStringLiteral("choices")).toObject();
    // Guessed, and set in the document.
    QCOMPARE(choices.value(QStringLiteral("Encoding")), QJsonValue(QStringLiteral("UTF-8")));
    QCOMPARE(choices.value(QStringLiteral("Delimiter")), QJsonValue(QStringLiteral("Comma (,)")));
    const QJsonArray columns = input.value(QStringLiteral("columns")).toArray();
    QCOMPARE(columns.size(), 4);
    // The first column is removed right after the Input, yet described.
    QCOMPARE(
        columns.at(0).toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("date"));
    QCOMPARE(columns.at(0).toObject().value(QStringLiteral("date_format")).toString(),
        QStringLiteral("M/d/yyyy"));
    QCOMPARE(columns.at(1).toObject().value(QStringLiteral("kind")).toString(),
        QStringLiteral("integer"));
    QCOMPARE(columns.at(2).toObject().value(QStringLiteral("values")).toArray(),
        QJsonArray({ QStringLiteral("France"), QStringLiteral("Espa\u00f1a") }));
    QCOMPARE(columns.at(3).toObject().value(QStringLiteral("kind")).toString(),
        QStringLiteral("number"));

    const QJsonArray items = root.value(QStringLiteral("items")).toArray();
    QJsonObject remove;
    for (const QJsonValue& item : items) {
        if (item.toObject().value(QStringLiteral("type")).toString() == QLatin1String("Transform"))
            remove = item.toObject();
    }
    QCOMPARE(remove.value(QStringLiteral("rows_in"))
                 .toArray()
                 .at(0)
                 .toObject()
                 .value(QStringLiteral("rows")),
        QJsonValue(rows));
    QCOMPARE(remove.value(QStringLiteral("rows_out")).toInt(), rows);
    const QJsonObject file = root.value(QStringLiteral("files")).toArray().at(0).toObject();
    const QString out = dir.filePath(QStringLiteral("out.csv"));
    QCOMPARE(file.value(QStringLiteral("sha256")).toString(), ContentHash::ofFile(out));
    QCOMPARE(qint64(file.value(QStringLiteral("bytes")).toDouble()), QFileInfo(out).size());
    QCOMPARE(file.value(QStringLiteral("rows")).toInt(), rows);
}

// The window's log: drift lines when an Input's file changed since its
// previous read in the session, none when it read the same file again.
void TestRunRecord::driftInTheLog()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("month.csv"));
    QCOMPARE(writeText(path, "id,country\n1,France\n2,Spain\n"), QString());
    GraphModel graph;
    auto* input = new InputNode(path);
    graph.insertNode(input);
    DriftWatch watch(&graph);
    QStringList log;
    connect(&graph, &GraphModel::showLogMessage, this, [&log](const QString& line) {
        if (line.startsWith(QLatin1String("Drift:")))
            log << line;
    });
    const auto runAndSettle = [&] {
        graph.process(GraphModel::RunAllForced, true);
        watch.wait();
        QCoreApplication::sendPostedEvents(&watch, QEvent::MetaCall);
    };
    runAndSettle();
    runAndSettle();
    QCOMPARE(log, QStringList());
    // A file written again keeps its name but not its size.
    QCOMPARE(writeText(path, "id,country,region\n1,France,West\n2,Atlantis,East\n"), QString());
    runAndSettle();
    QCOMPARE(log,
        (QStringList { "Drift: Input 'month.csv': column 'region' added",
            "Drift: Input 'month.csv': column 'country' has new value 'Atlantis'" }));
    const RunRecord record = watch.lastRunRecord();
    QCOMPARE(record.inputs.size(), 1);
    QCOMPARE(record.inputs.first().columns.size(), 3);
    QCOMPARE(record.items.size(), 1);
    QCOMPARE(record.items.first().rowsOut, 2);
}

// The reader's own hash of a file it reads whole equals the file's, after a
// look at its start and across blocks; a file read in part has none.
void TestRunRecord::hashWhileReading()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csv"));
    QByteArray text;
    text.reserve(4 * 1024 * 1024);
    for (int i = 0; text.size() < 3 * 1024 * 1024; ++i)
        text += "row " + QByteArray::number(i) + ",caf\xc3\xa9\r\n";
    QCOMPARE(writeText(path, text), QString());
    const QString whole = ContentHash::ofFile(path);
    for (const bool peekFirst : { false, true }) {
        TextSource source;
        QVERIFY(source.open(path, QStringLiteral("Automatic")));
        source.setHashing(true);
        if (peekFirst)
            QVERIFY(!source.peek(100000).isEmpty());
        TextBlock block;
        while (source.next(&block)) { }
        QCOMPARE(source.contentHash(), whole);
    }
    TextSource part;
    QVERIFY(part.open(path, QStringLiteral("Automatic")));
    part.setHashing(true);
    TextBlock block;
    QVERIFY(part.next(&block));
    QCOMPARE(part.contentHash(), QString());
}

// Columns of few values are counted and listed exactly, whether or not
// their repeated texts share storage; beyond 1000 values the count is an
// estimate within a few percent, and the kind comes from a sample of rows.
void TestRunRecord::columnsOfManyValues_data()
{
    QTest::addColumn<bool>("pooling");
    QTest::newRow("pooled") << true;
    QTest::newRow("not pooled") << false;
}

void TestRunRecord::columnsOfManyValues()
{
    QFETCH(bool, pooling);
    Dataset data;
    data.setPooling(pooling);
    data.setColumnCount(4);
    const int rows = 60000;
    for (int r = 0; r < rows; ++r) {
        data.appendRow({ QStringLiteral("k%1").arg(r % 7), QString::number(r % 20000 * 7),
            QStringLiteral("c%1").arg(r % 1000),
            QDate(2000, 1, 1).addDays(r % 5000).toString(QStringLiteral("d/M/yyyy")) });
    }
    const InputFacts facts = tableFacts(
        data, DateFormatList({ QStringLiteral("M/d/yyyy"), QStringLiteral("d/M/yyyy") }));
    QCOMPARE(facts.rows, rows);
    const ColumnFacts& few = facts.columns.at(0);
    QCOMPARE(few.distinct, 7);
    QVERIFY(!few.distinctEstimated);
    QCOMPARE(few.values.first(), QStringLiteral("k0"));
    QCOMPARE(few.kind, QStringLiteral("text"));
    const ColumnFacts& many = facts.columns.at(1);
    QVERIFY(many.distinctEstimated);
    QVERIFY2(qAbs(many.distinct - 20000) < 600, qPrintable(QString::number(many.distinct)));
    QCOMPARE(many.kind, QStringLiteral("integer"));
    QVERIFY(many.values.isEmpty());
    const ColumnFacts& cap = facts.columns.at(2);
    QCOMPARE(cap.distinct, 1000);
    QVERIFY(!cap.distinctEstimated);
    const ColumnFacts& dates = facts.columns.at(3);
    QCOMPARE(dates.kindText(), QStringLiteral("date (d/M/yyyy)"));
    QVERIFY2(qAbs(dates.distinct - 5000) < 150, qPrintable(QString::number(dates.distinct)));
}

QTEST_GUILESS_MAIN(TestRunRecord)
#include "tst_runrecord.moc"
