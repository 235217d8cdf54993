// HTML, Markdown, vCard, YAML, JSON and XML output: whole files compared with
// golden files, the rules for awkward values, and JSON and XML read back by
// Qt's own parsers.
#include "output/writer.h"
#include "tests/input/testsupport.h"
#include "writertesthelpers.h"

#include <QDomDocument>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>
#include <QtTest/QtTest>

Q_DECLARE_METATYPE(TextWriteOptions)

namespace {

Dataset people()
{
    return makeDataset({ "name", "address.city", "address.zip", "note", "score", "active" },
        { { "Ann O'Neil", "Zürich", "8001", "likes <b>bold</b> & \"quotes\"", "12.5", "true" },
            { "Bob", "", "", "line1\nline2", "7", "FALSE" },
            { "Cy: the 3rd", "Tōkyō", "100-0001", "", "", "true" } });
}

TextWriteOptions typeOptions(int fileType)
{
    TextWriteOptions options;
    options.fileType = fileType;
    options.lineEnding = LineEndingUnix;
    options.title = QStringLiteral("/data/people & co.html");
    return options;
}

// Every value that is not an object, keyed by its dotted path.
void flattenJson(const QJsonObject& object, const QString& prefix, QVariantMap& out)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = prefix.isEmpty() ? it.key() : prefix + QLatin1Char('.') + it.key();
        if (it.value().isObject())
            flattenJson(it.value().toObject(), key, out);
        else
            out.insert(key, it.value().toVariant());
    }
}

// Some characters to escape come only after the first eight, where the
// writers' quick check for plain values looks at a whole block at once.
const QStringList AwkwardValues
    = { "say \"hi\"", "a long path: back\\slash/slash", "tab\there", "cr\rlf\ncrlf\r\n", "bell\x07",
          "Zürich 東京 😀", "<tag> & 'apos'", "  spaced, then <tag> & a bell\x07  " };

} // namespace

class TestFormatWriters : public QObject
{
    Q_OBJECT

private slots:
    void golden_data();
    void golden();
    void rules_data();
    void rules();
    void jsonReadBack();
    void jsonAutomaticTypes_data();
    void jsonAutomaticTypes();
    void jsonMismatches();
    void longTablesInBlocks();
    void jsonTypeReport();
    void xmlReadBack();
    void xmlTagWarnings_data();
    void xmlTagWarnings();
};

void TestFormatWriters::golden_data()
{
    QTest::addColumn<TextWriteOptions>("options");
    QTest::addColumn<QString>("golden");

    TextWriteOptions o = typeOptions(FileTypeHtml);
    o.comment = QStringLiteral(" made by <test> ");
    addRow("html", o, "people.html");
    HtmlWriteOptions { false }.store(&o.formatOptions);
    o.writeHeader = false;
    o.comment.clear();
    addRow("html raw, no header", o, "people_raw.html");

    o = typeOptions(FileTypeMarkdown);
    o.comment = QStringLiteral(" a & b ");
    addRow("markdown", o, "people.md");
    o.writeHeader = false;
    o.comment.clear();
    addRow("markdown, no header", o, "people_noheader.md");

    addRow("vcard", typeOptions(FileTypeVCard), "people.vcf");
    o = typeOptions(FileTypeYaml);
    o.comment = QStringLiteral(" exported ");
    addRow("yaml", o, "people.yaml");

    addRow("json", typeOptions(FileTypeJson), "people.json");
    o = typeOptions(FileTypeJson);
    JsonWriteOptions {
        false, JsonValueTypesManual,
        { JsonTypeString, JsonTypeAutomatic, JsonTypeNumber, JsonTypeString, JsonTypeRaw,
            JsonTypeBoolean }
    }.store(&o.formatOptions);
    addRow("json keeping empty, manual types", o, "people_manual.json");

    o = typeOptions(FileTypeXml);
    o.comment = QStringLiteral(" a -- b ");
    addRow("xml", o, "people.xml");
    o = typeOptions(FileTypeXml);
    XmlWriteOptions { false, QStringLiteral("data.export"), QStringLiteral("people"),
        QStringLiteral("entry"), QStringLiteral("person") }
        .store(&o.formatOptions);
    o.encoding = QStringLiteral("ISO-8859-1");
    addRow("xml nested paths, keeping empty", o, "people_paths.xml");
}

void TestFormatWriters::golden()
{
    QFETCH(TextWriteOptions, options);
    QFETCH(QString, golden);

    TextWriteResult result;
    const QString text = renderText(people(), options, &result);
    if (qEnvironmentVariableIsSet("VARNIX_WRITE_GOLDEN")) {
        QFile file(QStringLiteral(VARNIX_TEST_DATA "/output/") + golden);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }
    QCOMPARE(text, readGolden(golden));
    QVERIFY(!result.error);
}

// Small cases of each writer's rules, from tests/data/output/rules.json.
void TestFormatWriters::rules_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<QString>("expected");
    addJsonRows(QStringLiteral(VARNIX_TEST_DATA "/output/rules.json"),
        { "type", "header", "row", "expected" });
}

void TestFormatWriters::rules()
{
    QFETCH(QString, type);
    QFETCH(QStringList, header);
    QFETCH(QStringList, row);
    const QMap<QString, int> types { { "markdown", FileTypeMarkdown }, { "vcard", FileTypeVCard },
        { "yaml", FileTypeYaml }, { "json", FileTypeJson }, { "xml", FileTypeXml },
        { "html", FileTypeHtml } };
    QVERIFY(types.contains(type));
    TextWriteOptions options = typeOptions(types.value(type));
    options.title.clear();
    QTEST(renderText(makeDataset(header, { row }), options), "expected");
}

void TestFormatWriters::jsonReadBack()
{
    QStringList header;
    for (int c = 0; c < AwkwardValues.size(); ++c)
        header << QStringLiteral("group%1.\"key\\%2\"").arg(c % 2).arg(c);
    const Dataset data = makeDataset(header, { AwkwardValues, QStringList { "1", "true" } });
    TextWriteOptions options = typeOptions(FileTypeJson);
    JsonWriteOptions { false, JsonValueTypesString, {} }.store(&options.formatOptions);
    options.lineEnding = LineEndingWindows;

    QJsonParseError error;
    const QJsonDocument document
        = QJsonDocument::fromJson(renderText(data, options).toUtf8(), &error);
    QCOMPARE(error.errorString(), QJsonParseError().errorString());
    const QJsonArray array = document.array();
    QCOMPARE(array.size(), 2);
    for (int r = 0; r < array.size(); ++r) {
        QVariantMap values;
        flattenJson(array.at(r).toObject(), QString(), values);
        QCOMPARE(values.size(), header.size());
        for (int c = 0; c < header.size(); ++c)
            QCOMPARE(values.value(header.at(c)).toString(), data.value(r, c));
    }
}

void TestFormatWriters::jsonAutomaticTypes_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("type");

    addRow("numbers", QStringList { "1", "-2.5", "3e4", "0", "1E-2" }, int(JsonTypeNumber));
    addRow("empty cells do not count", QStringList { "", "5", "" }, int(JsonTypeNumber));
    addRow("leading zero", QStringList { "1", "007" }, int(JsonTypeString));
    addRow("group separator", QStringList { "1,234" }, int(JsonTypeString));
    addRow("plus sign", QStringList { "+1" }, int(JsonTypeString));
    addRow("bare point", QStringList { "1." }, int(JsonTypeString));
    addRow("spaces", QStringList { " 1" }, int(JsonTypeString));
    addRow("nan", QStringList { "NaN" }, int(JsonTypeString));
    addRow("booleans", QStringList { "true", "FALSE", "" }, int(JsonTypeBoolean));
    addRow("mixed", QStringList { "1", "true" }, int(JsonTypeString));
    addRow("all empty", QStringList { "", "" }, int(JsonTypeString));
    addRow("no rows", QStringList {}, int(JsonTypeString));
}

void TestFormatWriters::jsonAutomaticTypes()
{
    QFETCH(QStringList, values);
    QFETCH(int, type);

    QVector<QStringList> rows;
    for (const QString& value : values)
        rows << QStringList { value };
    const Dataset data = makeDataset({ "v" }, rows);
    QCOMPARE(jsonAutomaticType(data, 0), type);

    // Whatever the type, the document must parse.
    TextWriteOptions options = typeOptions(FileTypeJson);
    JsonWriteOptions { false, JsonValueTypesAutomatic, {} }.store(&options.formatOptions);
    QJsonParseError error;
    QJsonDocument::fromJson(renderText(data, options).toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
}

void TestFormatWriters::jsonMismatches()
{
    QVector<QStringList> rows = { { "abc", "yes" } };
    const Dataset one = makeDataset({ "n", "b" }, rows);
    TextWriteOptions options = typeOptions(FileTypeJson);
    JsonWriteOptions { true, JsonValueTypesManual, { JsonTypeNumber, JsonTypeBoolean } }.store(
        &options.formatOptions);
    TextWriteResult result;
    QCOMPARE(renderText(one, options, &result),
        QString("[\n  {\n    \"n\": null,\n    \"b\": null\n  }\n]\n"));
    QCOMPARE(result.warnings,
        (QStringList {
            "'abc' not of type Number in column 1.", "'yes' not of type Boolean in column 2." }));
    QCOMPARE(result.jsonTypeMismatches, 2);

    // Numbers written in the locale's own way are written as plain JSON numbers.
    QCOMPARE(renderText(makeDataset({ "n", "b" }, { { "1,234.5", " TRUE " } }), options, &result),
        QString("[\n  {\n    \"n\": 1234.5,\n    \"b\": true\n  }\n]\n"));
    QVERIFY(result.warnings.isEmpty());

    for (int extra : { 1, 3 }) {
        rows.clear();
        for (int i = 0; i < 5 + extra; ++i)
            rows << QStringList { QStringLiteral("x%1").arg(i), "true" };
        renderText(makeDataset({ "n", "b" }, rows), options, &result);
        QCOMPARE(result.warnings.size(), 6);
        QCOMPARE(result.warnings.at(4), QString("'x4' not of type Number in column 1."));
        QCOMPARE(result.warnings.last(),
            extra == 1 ? QString("+ 1 other JSON type issue")
                       : QString("+ 3 other JSON type issues"));
    }
}

void TestFormatWriters::jsonTypeReport()
{
    TextWriteResult result;
    renderText(people(), typeOptions(FileTypeJson), &result);
    QCOMPARE(result.information,
        (QStringList { "Value types=Automatic sets JSON column types as:", "name: String",
            "address.city: String", "address.zip: String", "note: String", "score: Number",
            "active: Boolean", "Set 'Value types' option to change" }));
    TextWriteOptions options = typeOptions(FileTypeJson);
    JsonWriteOptions { true, JsonValueTypesString, {} }.store(&options.formatOptions);
    renderText(people(), options, &result);
    QVERIFY(result.information.isEmpty());
}

void TestFormatWriters::xmlReadBack()
{
    const Dataset data = makeDataset({ "a", "b.c", "b.@d" },
        { AwkwardValues.mid(0, 3), AwkwardValues.mid(3, 3), AwkwardValues.mid(5, 3) });
    TextWriteOptions options = typeOptions(FileTypeXml);
    XmlWriteOptions xml;
    xml.aboveRoot = QStringLiteral("outer");
    xml.store(&options.formatOptions);
    options.comment = QStringLiteral("-->x<!--");
    const QString text = renderText(data, options);

    QDomDocument document;
    QString message;
    QVERIFY2(document.setContent(text, &message), qPrintable(message));
    const QDomElement root = document.documentElement().firstChildElement("root");
    QDomElement record = root.firstChildElement("record");
    // XML cannot hold the bell character in any form; everything else survives.
    const auto expected
        = [&data](int r, int c) { return QString(data.value(r, c)).remove(QChar(0x07)); };
    for (int r = 0; r < data.rowCount(); ++r, record = record.nextSiblingElement("record")) {
        QVERIFY(!record.isNull());
        const QDomElement b = record.firstChildElement("b");
        QCOMPARE(record.firstChildElement("a").text(), expected(r, 0));
        QCOMPARE(b.firstChildElement("c").text(), expected(r, 1));
        QCOMPARE(b.attribute("d"), expected(r, 2));
    }
    QVERIFY(record.isNull());

    QXmlStreamReader reader(text);
    while (!reader.atEnd())
        reader.readNext();
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
}

void TestFormatWriters::xmlTagWarnings_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem");

    addRow("plain", "name", QString());
    addRow("spaces become dashes", "first name", QString());
    addRow("leading bangs dropped", "!note", QString());
    addRow("dotted", "a.b_c-d.e", QString());
    addRow("attribute", "tel.@kind", QString());
    addRow("only bangs", "!!", "empty name");
    addRow("xml prefix", "XmlData", "starts with 'xml'");
    addRow("digit first", "1abc", "doesn't start with a letter");
    addRow("underscore first", "_a", "doesn't start with a letter");
    addRow("nested digit", "a.2b", "doesn't start with a letter");
    addRow("dollar", "a$b", "invalid character '$'");
    addRow("non-ascii letters", "größe", QString());
}

void TestFormatWriters::xmlTagWarnings()
{
    QFETCH(QString, name);
    QFETCH(QString, problem);

    TextWriteResult result;
    renderText(makeDataset({ "ok", name }, { { "1", "2" } }), typeOptions(FileTypeXml), &result);
    if (problem.isEmpty())
        QCOMPARE(result.warnings, QStringList());
    else
        QCOMPARE(result.warnings,
            QStringList {
                QString("Column name '%1' invalid as an XML tag: %2").arg(name, problem) });
}

// Long tables are made in blocks on two threads: the same text as a row at
// a time, and JSON's first mismatches in row order wherever they fall.
void TestFormatWriters::longTablesInBlocks()
{
    const int count = 25001;
    const QSet<int> wrong { 6000, 100, 8001, 5400, 7000, 20000, 300 };
    QVector<QStringList> rows;
    QString json = QStringLiteral("[\n");
    for (int i = 0; i < count; ++i) {
        const QString n = wrong.contains(i) ? QStringLiteral("x%1").arg(i) : QString::number(i);
        rows << QStringList { n, "true" };
        json += QStringLiteral("  {\n    \"n\": %1,\n    \"b\": true\n  }%2\n")
                    .arg(wrong.contains(i) ? QStringLiteral("null") : n,
                        i + 1 < count ? QStringLiteral(",") : QString());
    }
    json += QStringLiteral("]\n");
    TextWriteOptions options = typeOptions(FileTypeJson);
    JsonWriteOptions { true, JsonValueTypesManual, { JsonTypeNumber, JsonTypeBoolean } }.store(
        &options.formatOptions);
    TextWriteResult result;
    QCOMPARE(renderText(makeDataset({ "n", "b" }, rows), options, &result), json);
    QStringList first;
    for (int i : { 100, 300, 5400, 6000, 7000 })
        first << QStringLiteral("'x%1' not of type Number in column 1.").arg(i);
    QCOMPARE(result.warnings, first << "+ 2 other JSON type issues");

    // XML: the rows of the whole table are those of its two halves, each
    // short enough to be written a row at a time.
    const auto body = [](const QString& xml) {
        const int from = xml.indexOf(QLatin1String("<root>"));
        return xml.mid(from, xml.lastIndexOf(QLatin1String("</root>")) - from);
    };
    const TextWriteOptions xml = typeOptions(FileTypeXml);
    const QString whole = renderText(makeDataset({ "n", "b" }, rows), xml, &result);
    const QString head = renderText(makeDataset({ "n", "b" }, rows.mid(0, 12000)), xml, &result);
    const QString tail = renderText(makeDataset({ "n", "b" }, rows.mid(12000)), xml, &result);
    QCOMPARE(body(whole), body(head) + body(tail).mid(QStringLiteral("<root>\n").size()));
}

QTEST_GUILESS_MAIN(TestFormatWriters)
#include "tst_formatwriters.moc"
