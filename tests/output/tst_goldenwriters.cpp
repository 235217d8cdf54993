// Writer cases kept as files under tests/data/output (*.case, see
// goldencase.h): a table goes through a real Output item whose options are
// the attributes of a document's output element, into a work folder, and the
// file written is compared byte for byte, so that byte-order marks, line
// endings and encodings count. Keys of their own:
//
//   output: path="out.csv" delimiter="2" bom="0"   the output element's attributes
//   source: alias="in" path="/x/a.xlsx" sheet="S" file_type="1"   what the
//                              table's item tells file-name variables
//   upstream: 2                how many items hold the table (default 1)
//   also: file_type="3"        run again with these attributes changed, same result
//   input:                     the table as CSV, first record the header
//   rows:                      the same without a header row
//   warning: / information:    the item's lines in order (information only
//                              compared when the case gives any)
//   written: / location:       the paths written, the text under the item's name
//   answer: no                 the answer to the question before many files
//   question:                  that question
//   status: Error writing      the item's result word; by default "Written"
//                              when the case expects a file, else "Not written"
#include "core/userprompt.h"
#include "document/documentreader.h"
#include "goldencase.h"
#include "graph/outputnode.h"
#include "tests/graph/testnodes.h"
#include "writertesthelpers.h"

#include <QDomDocument>
#include <QStandardPaths>
#include <QtTest>

namespace {

// One record of a line: comma-separated, with double quotes around a value
// holding commas and "" for a quote inside them. Deliberately not the
// application's reader, so that a fault there cannot hide one in a writer.
QStringList csvRecord(const QString& line)
{
    QStringList values { QString() };
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"') && quoted && line.mid(i + 1, 1) == QLatin1String("\"")) {
            values.last() += c;
            ++i;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char(',') && !quoted) {
            values << QString();
        } else {
            values.last() += c;
        }
    }
    return values;
}

Dataset caseTable(const GoldenCase& c)
{
    const bool header = c.has(QStringLiteral("input"));
    const QStringList lines
        = c.entry(header ? QStringLiteral("input") : QStringLiteral("rows")).block;
    QVector<QStringList> rows;
    for (const QString& line : lines)
        rows << csvRecord(line);
    if (!header)
        return makeDataset({}, rows);
    return makeDataset(rows.value(0), rows.mid(1));
}

DocumentUpgrades::Attributes attributesOf(const QString& text)
{
    QDomDocument document;
    document.setContent(QStringLiteral("<output %1/>").arg(text));
    DocumentUpgrades::Attributes attributes;
    const QDomNamedNodeMap map = document.documentElement().attributes();
    for (int i = 0; i < map.count(); ++i)
        attributes.insert(map.item(i).toAttr().name(), map.item(i).toAttr().value());
    return attributes;
}

// What the table's item tells file-name variables, as an Input item would.
void describeSource(SourceNode* source, const DocumentUpgrades::Attributes& attributes)
{
    source->alias = attributes.value(QStringLiteral("alias"));
    source->setFilePath(attributes.value(QStringLiteral("path")));
    source->setSheetName(attributes.value(QStringLiteral("sheet")));
    source->setFormatId(attributes.value(QStringLiteral("file_type")).toInt());
}

// The output and the case's table in as many items as "upstream:" says
// (one unless it says otherwise), each connected to the output; returns how
// many are connected.
int buildGraph(GraphModel& scene, const GoldenCase& c, const Dataset& table, OutputNode* out)
{
    const GoldenEntry upstream = c.entry(QStringLiteral("upstream"));
    const int count = upstream.line > 0 ? upstream.value.toInt() : 1;
    scene.insertNode(out);
    out->setPos(0, 200);
    for (int i = 0; i < qMax(count, 1); ++i) {
        auto* source = new SourceNode(table);
        if (c.has(QStringLiteral("source")))
            describeSource(source, attributesOf(c.entry("source").value));
        source->setPos(200 * i, 0);
        scene.insertNode(source);
        if (i < count)
            scene.insertConnection(source, out);
    }
    return count;
}

} // namespace

class TestGoldenWriters : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cases_data() { addGoldenRows(QStringLiteral(VARNIX_TEST_DATA "/output"), ".case"); }
    void cases();

private:
    QString runCase(const GoldenCase& c, const DocumentUpgrades::Attributes& attributes);
};

void TestGoldenWriters::cases()
{
    QFETCH(QString, path);
    const GoldenCase c(path);
    QVERIFY2(c.problem().isEmpty(), qPrintable(c.problem()));
    const DocumentUpgrades::Attributes attributes = attributesOf(c.entry("output").value);
    QString error = runCase(c, attributes);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    for (const GoldenEntry& also : c.entries(QStringLiteral("also"))) {
        DocumentUpgrades::Attributes changed = attributes;
        const DocumentUpgrades::Attributes more = attributesOf(also.value);
        for (auto it = more.constBegin(); it != more.constEnd(); ++it)
            changed.insert(it.key(), it.value());
        error = runCase(c, changed);
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("with %1: %2").arg(also.value, error)));
    }
}

// Runs the case in a fresh work folder, which is also the folder of the
// document, so that relative output paths land in it.
QString TestGoldenWriters::runCase(
    const GoldenCase& c, const DocumentUpgrades::Attributes& attributes)
{
    QTemporaryDir work;
    const QString dir = work.path();
    QString error = c.prepare(dir);
    if (!error.isEmpty())
        return error;
    GraphModel scene;
    const Dataset table = caseTable(c);
    auto* out = new OutputNode;
    out->restoreOptions(DocumentReader::readOptions(attributes, out->saveOptions()));
    const int upstream = buildGraph(scene, c, table, out);
    scene.setDocumentPath(dir + QStringLiteral("/case.transform"));
    NonInteractivePrompt prompt(c.entry(QStringLiteral("answer")).value != QLatin1String("no"));
    scene.setPrompt(&prompt);
    scene.process(GraphModel::RunAll, true);

    const GoldenEntry status = c.entry(QStringLiteral("status"));
    const QString word = c.has(QStringLiteral("status")) ? status.value
        : c.has(QStringLiteral("expect"))                ? QStringLiteral("Written")
                                                         : QStringLiteral("Not written");
    if (out->statusWord() != word)
        return c.mismatch(status.line, QStringLiteral("result"), word,
            out->statusWord() + QStringLiteral(" ") + out->warnings().join(QLatin1Char('|')));
    // Whatever it writes, the item passes its table on unchanged.
    if (upstream == 1 && out->status() != StatusError
        && out->dataset().rowCount() != table.rowCount())
        return c.mismatch(status.line, QStringLiteral("rows the item passes on"),
            QString::number(table.rowCount()), QString::number(out->dataset().rowCount()));
    error = c.compareLines(QStringLiteral("warning"), out->warnings(), dir);
    const QList<QPair<QString, QStringList>> optional {
        { QStringLiteral("information"), out->information() },
        { QStringLiteral("written"), out->writtenPaths() },
        { QStringLiteral("location"), { out->locationText() } },
        { QStringLiteral("question"), { prompt.lastQuestion() } },
    };
    for (const auto& lines : optional) {
        if (error.isEmpty() && c.has(lines.first))
            error = c.compareLines(lines.first, lines.second, dir);
    }
    return error.isEmpty() ? c.compareFolder(dir) : error;
}

QTEST_MAIN(TestGoldenWriters)
#include "tst_goldenwriters.moc"
