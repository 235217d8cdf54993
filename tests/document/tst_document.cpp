#include "document/documentcodec.h"
#include "document/documentreader.h"
#include "document/documentupgrades.h"
#include "document/documentwriter.h"
#include "documenttestkinds.h"
#include "graph/connection.h"
#include "graph/graphmodel.h"
#include "graph/notenode.h"
#include "graph/transformnode.h"
#include "tests/input/testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QChar US(0x1F);

QString sep(QString text)
{
    return text.replace(QLatin1Char('|'), US);
}

QDateTime fixedTime()
{
    return QDateTime(QDate(2026, 12, 4), QTime(10, 30, 0));
}

// A document around the given root content, as an older release might
// have written it by hand.
QByteArray documentText(const QString& version, const QString& body)
{
    QString meta;
    if (!version.isEmpty())
        meta = QStringLiteral("<version value=\"%1\"/>").arg(version);
    return QStringLiteral("<!DOCTYPE Varnix>\n<root><meta>%1</meta>%2</root>\n")
        .arg(meta, body)
        .toUtf8();
}

DocInput* addInput(GraphModel& scene, const QString& text, qreal y = 0)
{
    auto* in = new DocInput;
    in->setId(-1);
    in->medium = 1;
    in->text = text;
    in->setPos(0, y);
    scene.insertNode(in);
    return in;
}

TransformNode* addTransform(GraphModel& scene, const QString& typeKey, Node* from, qreal y = 100)
{
    auto* node = new TransformNode(Catalogue::instance().create(typeKey));
    node->setId(-1);
    node->setPos(0, y);
    scene.insertNode(node);
    if (from)
        scene.insertConnection(from, node);
    node->upstreamChanged();
    return node;
}

bool loadText(const QByteArray& text, GraphModel& scene, DocumentInfo* info, LoadReport* report,
    QString* error = nullptr)
{
    QDomDocument doc;
    QString message;
    if (!DocumentReader::parse(text, &doc, &message)) {
        if (error)
            *error = message;
        return false;
    }
    DocumentReader::read(doc, scene, QString(), info, report);
    return true;
}

template <class T> QList<T*> itemsOf(const GraphModel& scene)
{
    QList<T*> list;
    for (Node* n : scene.nodes()) {
        if (auto* t = dynamic_cast<T*>(n))
            list.append(t);
    }
    return list;
}

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listText_data();
    void listText();
    void positions_data();
    void positions();
    void colours();
    void parameterStoredFormSurvives_data();
    void parameterStoredFormSurvives();
    void savingTwiceIsByteIdentical();
    void textsSurviveEncoded();
    void listAttributesOfOlderReleases_data();
    void listAttributesOfOlderReleases();
    void metaVersion_data();
    void metaVersion();
    void parameterUpgrades_data();
    void parameterUpgrades();
    void itemUpgrades();
    void filterOperatorsOfOldDocuments();
    void batchSettingsRoundTrip();
    void batchLoggingUpgrade_data();
    void batchLoggingUpgrade();
    void skippedTransformsWarning();
    void malformedContentIsSkipped();
    void aliasesFromFileNames();
    void relocation();
    void missingFile();
    void saveFailures();
    void notesAndChartsSurviveSaving();

private:
    QTemporaryDir m_dir;
};

void TestDocument::initTestCase()
{
    qSetGlobalQHashSeed(0);
    registerDocumentTestKinds();
    QVERIFY(m_dir.isValid());
}

void TestDocument::listText_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QStringList>("items");
    addRow("unit separator", sep("a|b%20c"), QStringList { "a", "b c" });
    addRow("caret of older releases", "a^b^c", QStringList { "a", "b", "c" });
    addRow("caret inside an item", sep("a%5Eb|c"), QStringList { "a^b", "c" });
    addRow("encoded separator stays in its item", "x%1Fy", QStringList { sep("x|y") });
    addRow("empty", "", QStringList());
}

void TestDocument::listText()
{
    QFETCH(QString, raw);
    QFETCH(QStringList, items);
    QCOMPARE(DocumentCodec::decodeList(raw), items);
    if (!raw.contains(QLatin1Char('^')))
        QCOMPARE(DocumentCodec::encodeList(items), raw);
}

void TestDocument::positions_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QPointF>("pos");
    addRow("list text", sep("12.5|-3"), QPointF(12.5, -3));
    addRow("old form", "7^8", QPointF(7, 8));
    addRow("one number", "7", QPointF());
    addRow("three numbers", "1^2^3", QPointF());
    addRow("not numbers", "a^b", QPointF());
}

void TestDocument::positions()
{
    QFETCH(QString, raw);
    QTEST(DocumentCodec::decodePosition(raw), "pos");
}

void TestDocument::colours()
{
    const QColor colour(255, 0, 128);
    QCOMPARE(DocumentCodec::encodeColour(colour), QStringLiteral("255%1F0%1F128"));
    QCOMPARE(DocumentCodec::decodeColour(DocumentCodec::encodeColour(colour), Qt::black), colour);
    QCOMPARE(
        DocumentCodec::decodeColour(QStringLiteral("300%1F0%1F0"), Qt::black), QColor(Qt::black));
}

void TestDocument::parameterStoredFormSurvives_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("stored");
    QTest::addRow("SingleColumn") << 0 << "1";
    QTest::addRow("MultipleColumns") << 1 << sep("0|2");
    QTest::addRow("SortColumns") << 2 << sep("2|0|0|1");
    QTest::addRow("FilterColumns") << 3 << sep("1|1|0|3|a<b & \"c\"|2|19|");
    QTest::addRow("ReorderColumns") << 4 << sep("2|1|0");
    QTest::addRow("Bool") << 5 << "1";
    QTest::addRow("Selection") << 6 << "Beta gamma";
    QTest::addRow("Text") << 7 << QString::fromUtf8("multi\nline <&> é");
    QTest::addRow("Int") << 8 << "-42";
    QTest::addRow("Char") << 9 << "|";
    QTest::addRow("If") << 10 << sep("*StartIf*|0|1|x y|2|4|z|*EndIf*|then|else");
    QTest::addRow("CheckedColumns") << 11 << sep("0|2");
    QTest::addRow("Script") << 12 << "var x = '%20';\nreturn x;";
    QTest::addRow("RenameColumns") << 13 << sep("*NORENAME*|New b");
    QTest::addRow("SplitRows") << 14 << sep("1|2|3|text; é");
    QTest::addRow("Unique") << 15 << sep("0|1||2|3|, ");
    QTest::addRow("ReplaceTerms") << 16 << sep("0|find|replace|1|^a|%");
    QTest::addRow("Real") << 17 << "1234567.89";
    QTest::addRow("LongText") << 18 << QString::fromUtf8("é\tü") + US;
    QTest::addRow("VerifyRules") << 19 << sep("*Dataset*|1|1|2|v|*Column*|0|4|a|3|0|1|");
    QTest::addRow("Label") << 20 << "";
    QTest::addRow("Date") << 21 << "2026-12-04";
    QTest::addRow("OrderedColumns") << 22 << sep("2|0");
    QTest::addRow("Locale") << 23 << "de-DE";
}

void TestDocument::parameterStoredFormSurvives()
{
    QFETCH(int, type);
    QFETCH(QString, stored);
    const QString key = QStringLiteral("P_%1").arg(type);
    GraphModel scene;
    DocInput* in = addInput(scene, QStringLiteral("a,b,c\n1,2,3"));
    TransformNode* node = addTransform(scene, QStringLiteral("Test_All"), in);
    scene.process(GraphModel::RunAll, true);
    QVERIFY(in->dataset().hasColumns());
    TransformParameter* p = node->transform()->parameter(key);
    p->deserialise(stored);
    const QString expected = p->serialise();

    const QString path = m_dir.filePath(QStringLiteral("param.transform"));
    QString error;
    QVERIFY2(DocumentWriter::save(scene, path, DocumentInfo(), SaveOptions(), &error),
        qPrintable(error));
    GraphModel loaded;
    QVERIFY2(DocumentReader::load(path, loaded, nullptr, nullptr, &error), qPrintable(error));
    auto* copy = itemsOf<TransformNode>(loaded).value(0);
    QVERIFY(copy);
    // Column options wait for the upstream columns and are written back as
    // they were read; once resolved they must give the same stored form.
    QCOMPARE(copy->transform()->parameter(key)->serialise(), expected);
    loaded.process(GraphModel::RunAll, true);
    QCOMPARE(copy->transform()->parameter(key)->serialise(), expected);
    QVERIFY(!readFile(path).contains("\n<parameter"));
}

void TestDocument::savingTwiceIsByteIdentical()
{
    GraphModel scene;
    DocInput* in = addInput(scene, QStringLiteral("a,b\n1,2"));
    in->schema = QStringList { "a", "b c" };
    TransformNode* t = addTransform(scene, QStringLiteral("Test_All"), in);
    t->setComment(QStringLiteral("check <this>"));
    auto* out = new DocOutput;
    out->setId(-1);
    out->path = QStringLiteral("/tmp/out.csv");
    scene.insertNode(out);
    scene.insertConnection(t, out);
    auto* note = new NoteNode;
    note->setId(-1);
    note->setComment(QStringLiteral("A note"));
    scene.insertNode(note);
    DocumentInfo info;
    info.notes = QStringLiteral("Notes");
    SaveOptions options;
    options.savedAt = fixedTime();
    const QString first = m_dir.filePath(QStringLiteral("first.transform"));
    const QString second = m_dir.filePath(QStringLiteral("second.transform"));
    QVERIFY(DocumentWriter::save(scene, first, info, options, nullptr));
    QVERIFY(DocumentWriter::save(scene, first, info, options, nullptr));
    const QByteArray text = readFile(first);
    QVERIFY(text.startsWith("<!DOCTYPE Varnix>\n<root>\n    <meta>"));

    // A loaded copy saves to the same bytes apart from its own path.
    GraphModel loaded;
    DocumentInfo loadedInfo;
    QVERIFY(DocumentReader::load(first, loaded, &loadedInfo, nullptr, nullptr));
    QVERIFY(DocumentWriter::save(loaded, first, loadedInfo, options, nullptr));
    QCOMPARE(readFile(first), text);
    QVERIFY(DocumentWriter::save(loaded, second, loadedInfo, options, nullptr));
    QCOMPARE(readFile(second).size() - text.size(),
        QDir::toNativeSeparators(second).toUtf8().toPercentEncoding().size()
            - QDir::toNativeSeparators(first).toUtf8().toPercentEncoding().size());
}

void TestDocument::textsSurviveEncoded()
{
    const QString tricky = QString::fromUtf8("<tag a=\"1\"> & 'x'\nzweite Zeile é");
    GraphModel scene;
    DocInput* in = addInput(scene, tricky);
    in->setComment(tricky);
    DocumentInfo info;
    info.notes = tricky;
    info.id = QStringLiteral("doc-1");
    info.snapToGrid = true;
    info.autoRun = false;
    const QString path = m_dir.filePath(QStringLiteral("texts.transform"));
    QVERIFY(DocumentWriter::save(scene, path, info, SaveOptions(), nullptr));
    const QByteArray text = readFile(path);
    QVERIFY(text.contains("%3Ctag%20a%3D%221%22%3E%20%26%20%27x%27%0Azweite%20Zeile%20%C3%A9"));
    for (char c : text)
        QVERIFY(uchar(c) < 0x80);

    GraphModel loaded;
    DocumentInfo back;
    QVERIFY(DocumentReader::load(path, loaded, &back, nullptr, nullptr));
    auto* copy = itemsOf<DocInput>(loaded).value(0);
    QVERIFY(copy);
    QCOMPARE(copy->text, tricky);
    QCOMPARE(copy->comment(), tricky);
    QCOMPARE(copy->pos(), in->pos());
    QCOMPARE(copy->id(), in->id());
    QCOMPARE(back.notes, tricky);
    QCOMPARE(back.id, info.id);
    QCOMPARE(back.snapToGrid, true);
    QCOMPARE(back.autoRun, false);
}

void TestDocument::listAttributesOfOlderReleases_data()
{
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QStringList>("schema");
    addRow("caret", "a^b%20c^d", QStringList { "a", "b c", "d" });
    addRow("unit separator", sep("a^b|c"), QStringList { "a^b", "c" });
    addRow("single item", "alone", QStringList { "alone" });
}

void TestDocument::listAttributesOfOlderReleases()
{
    QFETCH(QString, attribute);
    QFETCH(QStringList, schema);
    GraphModel scene;
    const QString body
        = QStringLiteral("<inputs><input id=\"4\" medium=\"1\" schema_col_name=\"%1\" "
                         "pos=\"10^20\"/></inputs>")
              .arg(attribute);
    QVERIFY(loadText(documentText("50", body), scene, nullptr, nullptr));
    auto* in = itemsOf<DocInput>(scene).value(0);
    QVERIFY(in);
    QCOMPARE(in->schema, schema);
    QCOMPARE(in->pos(), QPointF(10, 20));
}

void TestDocument::metaVersion_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("read");
    QTest::addColumn<bool>("newer");
    addRow("missing", "", 87, false);
    addRow("current", "87", 87, false);
    addRow("older", "60", 60, false);
    addRow("newer", "88", 88, true);
    addRow("not a number", "x", 87, false);
}

void TestDocument::metaVersion()
{
    QFETCH(QString, version);
    GraphModel scene;
    DocumentInfo info;
    LoadReport report;
    QVERIFY(loadText(documentText(version, QString()), scene, &info, &report));
    QTEST(info.version, "read");
    QTEST(report.newerRelease, "newer");
    QVERIFY(info.autoRun);
}

void TestDocument::parameterUpgrades_data()
{
    QTest::addColumn<QString>("typeKey");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("newValue");
    addRow("split text delimiter", "Split", 58, "Delimiter_Type", "Text ", "Delimiter_Type",
        "Text delimiter");
    addRow("split regex delimiter", "Split", 58, "Delimiter_Type", "Regex ", "Delimiter_Type",
        "Regex delimiter");
    addRow("split delimiter current", "Split", 59, "Delimiter_Type", "Text ", "Delimiter_Type",
        "Text ");
    addRow("julian day", "Calculate", 67, "Operation", "JulianDay", "Operation", "DateToJulianDay");
    addRow(
        "julian day current", "Calculate", 68, "Operation", "JulianDay", "Operation", "JulianDay");
    addRow("random maximum", "Random", 77, "Maximum_Int", "10", "Maximum_Int", "9");
    addRow("random maximum not a number", "Random", 77, "Maximum_Int", "ten", "Maximum_Int", "ten");
    addRow("random maximum current", "Random", 78, "Maximum_Int", "10", "Maximum_Int", "10");
    addRow("sequence date", "Sequence", 78, "User_Define_Minimum_Missing", "2020-1-5",
        "User_Define_Minimum_Missing_Date", "2020-01-05");
    addRow("sequence integer", "Sequence", 78, "User_Define_Maximum_Missing", "12",
        "User_Define_Maximum_Missing_Int", "12");
    addRow("sequence neither", "Sequence", 78, "User_Define_Maximum_Missing", "abc",
        "User_Define_Maximum_Missing_Int", "0");
    addRow("sequence current", "Sequence", 79, "User_Define_Minimum_Missing", "12",
        "User_Define_Minimum_Missing", "12");
    addRow("hot encoding at 85", "Split", 85, "Into", "One hot encoding", "Into",
        "Multi hot encoding");
    addRow(
        "hot encoding at 84", "Split", 84, "Into", "One hot encoding", "Into", "One hot encoding");
    addRow(
        "hot encoding at 86", "Split", 86, "Into", "One hot encoding", "Into", "One hot encoding");
}

void TestDocument::parameterUpgrades()
{
    QFETCH(QString, typeKey);
    QFETCH(int, version);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, newName);
    QFETCH(QString, newValue);
    DocumentUpgrades::ParameterPairs pairs { { QStringLiteral("Other"), value }, { name, value } };
    DocumentUpgrades::upgradeParameters(typeKey, pairs, version);
    QCOMPARE(pairs.value(0), qMakePair(QStringLiteral("Other"), value));
    QCOMPARE(pairs.value(1), qMakePair(newName, newValue));
}

void TestDocument::itemUpgrades()
{
    const QString body = QStringLiteral(
        "<inputs><input id=\"1\" medium=\"1\" ignore_excel_hidden=\"1\"/></inputs>"
        "<outputs><output id=\"2\"/><output id=\"3\" file_comment=\"mine\"/></outputs>");
    GraphModel old;
    QVERIFY(loadText(documentText("60", body), old, nullptr, nullptr));
    auto* in = itemsOf<DocInput>(old).value(0);
    QCOMPARE(in->hiddenCols, 1);
    QCOMPARE(in->hiddenRows, 1);
    const QList<DocOutput*> outs = itemsOf<DocOutput>(old);
    QCOMPARE(outs.size(), 2);
    QCOMPARE(outs.at(0)->fileComment,
        QStringLiteral(" File created by Varnix {version} at {date} {time} "));
    QCOMPARE(outs.at(1)->fileComment, QStringLiteral("mine"));

    GraphModel current;
    QVERIFY(loadText(documentText("72", body), current, nullptr, nullptr));
    QCOMPARE(itemsOf<DocInput>(current).value(0)->hiddenCols, 0);
    QCOMPARE(itemsOf<DocOutput>(current).value(0)->fileComment, QString());
}

void TestDocument::filterOperatorsOfOldDocuments()
{
    const QString body = QStringLiteral(
        "<inputs><input id=\"1\" medium=\"1\" header=\"1\" text=\"a%2Cb%0A1%2C2\"/></inputs>"
        "<transforms><transform id=\"2\" name=\"Test_All\"><parameters>"
        "<parameter name=\"P_3\" value=\"0%1F0%1F1%1F14%1Fx%1F0%1F15%1F\"/>"
        "</parameters></transform></transforms>"
        "<connections><connection start_id=\"1\" end_id=\"2\"/></connections>");
    for (const QString& version : { QStringLiteral("56"), QStringLiteral("57") }) {
        GraphModel scene;
        QVERIFY(loadText(documentText(version, body), scene, nullptr, nullptr));
        scene.process(GraphModel::RunAll, true);
        auto* node = itemsOf<TransformNode>(scene).value(0);
        QVERIFY(node);
        const QString ops = version == QLatin1String("56") ? QStringLiteral("0|0|1|19|x|0|20|")
                                                           : QStringLiteral("0|0|1|14|x|0|15|");
        QCOMPARE(node->transform()->parameter(QStringLiteral("P_3"))->serialise(), sep(ops));
    }
}

void TestDocument::batchSettingsRoundTrip()
{
    GraphModel scene;
    DocumentInfo info;
    info.batchValues = { { 0, QStringLiteral("in"), QStringLiteral("/data/a b.csv") },
        { 3, QStringLiteral("out"), QString::fromUtf8("/data/é.csv") } };
    info.batchLogging = { 4, true, QStringLiteral("/logs/run {date}.log"), 1 };
    const QString path = m_dir.filePath(QStringLiteral("batch.transform"));
    QVERIFY(DocumentWriter::save(scene, path, info, SaveOptions(), nullptr));
    DocumentInfo back;
    back.batchValues = { { 9, QStringLiteral("stale"), QString() } };
    GraphModel loaded;
    QVERIFY(DocumentReader::load(path, loaded, &back, nullptr, nullptr));
    QCOMPARE(back.batchValues, info.batchValues);
    QCOMPARE(back.batchLogging, info.batchLogging);
}

void TestDocument::batchLoggingUpgrade_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<int>("verbosity");
    addRow("verbose flag set", "83", "verbose=\"1\" verbosity=\"4\"", 2);
    addRow("verbose flag clear", "83", "verbose=\"0\"", 1);
    addRow("no flag", "70", "", 1);
    addRow("current", "84", "verbose=\"1\" verbosity=\"3\"", 3);
    addRow("current default", "84", "", 2);
}

void TestDocument::batchLoggingUpgrade()
{
    QFETCH(QString, version);
    QFETCH(QString, attributes);
    QFETCH(int, verbosity);
    GraphModel scene;
    DocumentInfo info;
    const QString body = QStringLiteral("<batch_logging %1/>").arg(attributes);
    QVERIFY(loadText(documentText(version, body), scene, &info, nullptr));
    QCOMPARE(info.batchLogging.verbosity, verbosity);
}

void TestDocument::skippedTransformsWarning()
{
    const QString body = QStringLiteral(
        "<transforms><transform id=\"1\" name=\"Trim\"/><transform id=\"2\" name=\"Frob\"/>"
        "<transform id=\"3\" name=\"Trim\"/><transform id=\"4\" name=\"Replace\"/>"
        "<transform id=\"5\" name=\"Test_All\"/></transforms>");
    GraphModel scene;
    LoadReport report;
    QVERIFY(loadText(documentText("87", body), scene, nullptr, &report));
    QCOMPARE(scene.nodes().size(), 1);
    QCOMPARE(report.warnings,
        QStringLiteral("The following deprecated transforms were not added:\n"
                       "'Trim' (2 occurrences) - use the newer 'Whitespace' transform.\n"
                       "'Replace' (1 occurrence) - use the newer 'Replace' transform.\n\n"
                       "The following unknown transforms were not added:\n"
                       "'Frob' (1 occurrence)"));
}

void TestDocument::malformedContentIsSkipped()
{
    const QString body = QStringLiteral(
        "<inputs><input medium=\"1\"/><input id=\"-1\"/><input id=\"x\"/>"
        "<input id=\"500\" medium=\"1\" delimiter=\"many\"/></inputs>"
        "<transforms><transform id=\"501\" name=\"Test_All\"><parameters>"
        "<parameter name=\"Unknown\" value=\"1\"/><parameter name=\"P_6\" value=\"Nope\"/>"
        "<parameter name=\"P_8\" value=\"7\"/></parameters></transform></transforms>"
        "<outputs><output id=\"502\" json_types=\"9\"/></outputs>"
        "<connections><connection start_id=\"500\" end_id=\"500\"/>"
        "<connection start_id=\"500\" end_id=\"999\"/><connection end_id=\"501\"/>"
        "<connection start_id=\"502\" end_id=\"500\"/>"
        "<connection start_id=\"500\" end_id=\"501\"/></connections>");
    GraphModel scene;
    QVERIFY(loadText(documentText("87", body), scene, nullptr, nullptr));
    QCOMPARE(scene.nodes().size(), 3);
    QCOMPARE(scene.connections().size(), 1);
    auto* in = itemsOf<DocInput>(scene).value(0);
    QCOMPARE(in->id(), 500);
    QCOMPARE(in->delimiter, 1);
    QCOMPARE(itemsOf<DocOutput>(scene).value(0)->jsonTypes, 0);
    const Transform* t = itemsOf<TransformNode>(scene).value(0)->transform();
    // A choice that is not among the options leaves the default.
    QCOMPARE(t->parameter(QStringLiteral("P_6"))->text(), QStringLiteral("Alpha"));
    QCOMPARE(t->parameter(QStringLiteral("P_8"))->intValue(), 7);
    auto* added = new NoteNode;
    scene.insertNode(added);
    QCOMPARE(added->id(), 503);
}

void TestDocument::aliasesFromFileNames()
{
    const QString body = QStringLiteral("<inputs><input id=\"1\" path=\"%2Fx%2Fdata.csv\"/>"
                                        "<input id=\"2\" path=\"%2Fy%2Fdata.txt\"/>"
                                        "<input id=\"3\" path=\"%2Fz%2Fother.csv\" alias=\"kept\"/>"
                                        "<input id=\"4\" medium=\"2\" path=\"%2Fz%2Ffolder.csv\"/>"
                                        "<input id=\"5\" path=\"%2Fz%2Fdata_2.csv\"/></inputs>");
    GraphModel scene;
    QVERIFY(loadText(documentText("87", body), scene, nullptr, nullptr));
    QStringList aliases;
    for (DocInput* in : itemsOf<DocInput>(scene))
        aliases << in->alias;
    std::sort(aliases.begin(), aliases.end());
    QCOMPARE(aliases, (QStringList { "", "data", "data_2", "data_2_2", "kept" }));
}

void TestDocument::relocation()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("old")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("new/sub")));
    const QString oldDoc = dir.filePath(QStringLiteral("old/doc.transform"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("new/sub/data.csv")), "a\n1\n"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("new/kept.csv")), "a\n1\n"));
    GraphModel scene;
    DocInput* moved = addInput(scene, QString());
    moved->medium = 0;
    moved->path = dir.filePath(QStringLiteral("old/sub/data.csv"));
    DocInput* present = addInput(scene, QString(), 50);
    present->medium = 0;
    present->path = dir.filePath(QStringLiteral("new/kept.csv"));
    DocInput* lost = addInput(scene, QString(), 100);
    lost->medium = 0;
    lost->path = dir.filePath(QStringLiteral("old/gone.csv"));
    QVERIFY(DocumentWriter::save(scene, oldDoc, DocumentInfo(), SaveOptions(), nullptr));

    const QString newDoc = dir.filePath(QStringLiteral("new/doc.transform"));
    QVERIFY(QFile::copy(oldDoc, newDoc));
    GraphModel loaded;
    LoadReport report;
    QVERIFY(DocumentReader::load(newDoc, loaded, nullptr, &report, nullptr));
    QVERIFY(report.relocated);
    QStringList paths;
    for (DocInput* in : itemsOf<DocInput>(loaded))
        paths << in->path;
    QCOMPARE(paths,
        (QStringList { dir.filePath("new/sub/data.csv"), dir.filePath("new/kept.csv"),
            dir.filePath("old/gone.csv") }));

    GraphModel again;
    LoadReport sameFolder;
    QVERIFY(DocumentReader::load(oldDoc, again, nullptr, &sameFolder, nullptr));
    QVERIFY(!sameFolder.relocated);
    QCOMPARE(DocumentReader::relocatedPath(QStringLiteral("//server/share/a.csv"), oldDoc, newDoc),
        QString());
}

// The other load failures are cases under tests/data/batch/cli.
void TestDocument::missingFile()
{
    GraphModel scene;
    QString error;
    QVERIFY(!DocumentReader::load(
        m_dir.filePath("missing.transform"), scene, nullptr, nullptr, &error));
    QCOMPARE(error,
        QStringLiteral("Can't open file '%1'.")
            .arg(QDir::toNativeSeparators(m_dir.filePath("missing.transform"))));
}

void TestDocument::saveFailures()
{
    GraphModel scene;
    const QString path = m_dir.filePath(QStringLiteral("no/such/folder/doc.transform"));
    QString error;
    QVERIFY(!DocumentWriter::save(scene, path, DocumentInfo(), SaveOptions(), &error));
    QCOMPARE(error,
        QStringLiteral("Can't open file '%1' to write.").arg(QDir::toNativeSeparators(path)));
}

// A note keeps its colour and arrow; a chart element, which this build
// cannot show, goes back as it was read, with its connection, and its id is
// never given to a new item.
void TestDocument::notesAndChartsSurviveSaving()
{
    const QString chart = QStringLiteral(
        "<chart id=\"5\" chart_type=\"3\" chart_x_column=\"a\" pos_v12=\"10%1F20\"/>");
    // Joined as a list: a chain of + over these literals makes GCC warn of
    // a write out of bounds inside Qt's string builder that is not there.
    const QString body
        = QStringList { QStringLiteral(
                            "<inputs><input id=\"1\" medium=\"1\" text=\"a\"/></inputs>"),
              QStringLiteral("<charts>"), chart, QStringLiteral("</charts>"),
              QStringLiteral(
                  "<notes><note id=\"2\" comment=\"n\" color=\"10%1F20%1F30\" "
                  "arrow=\"3\"/></notes>"
                  "<connections><connection start_id=\"1\" end_id=\"5\"/></connections>") }
              .join(QString());
    GraphModel scene;
    DocumentInfo info;
    LoadReport report;
    QVERIFY(loadText(documentText(QString(), body), scene, &info, &report));
    QVERIFY(report.warnings.contains(QLatin1String("1 chart item(s) are not shown")));
    auto* added = new NoteNode;
    scene.insertNode(added);
    QCOMPARE(added->id(), 6);
    delete added;
    const QString path = m_dir.filePath(QStringLiteral("kept.transform"));
    QVERIFY(DocumentWriter::save(scene, path, info, SaveOptions(), nullptr));
    const QString saved = QString::fromUtf8(readFile(path));
    QVERIFY2(saved.contains(QLatin1String("arrow=\"3\"")), qPrintable(saved));
    QVERIFY2(saved.contains(QLatin1String("color=\"10%1F20%1F30\"")), qPrintable(saved));
    QVERIFY(saved.contains(QLatin1String("<connection start_id=\"1\" end_id=\"5\"/>")));
    QDomDocument again;
    QVERIFY(again.setContent(saved));
    const QDomElement kept = again.documentElement()
                                 .firstChildElement(QStringLiteral("charts"))
                                 .firstChildElement(QStringLiteral("chart"));
    QCOMPARE(kept.attribute(QStringLiteral("id")), QStringLiteral("5"));
    QCOMPARE(kept.attribute(QStringLiteral("chart_type")), QStringLiteral("3"));
    QCOMPARE(kept.attribute(QStringLiteral("chart_x_column")), QStringLiteral("a"));
    QCOMPARE(kept.attributes().count(), 4);
}

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
