// JSON and XML output read back by Qt's own parsers, and long tables made
// in blocks. Whole files of every format, the automatic JSON types and the
// warnings are cases under tests/data/output (tst_goldenwriters).
#include "output/writer.h"
#include "tests/input/testsupport.h"
#include "writertesthelpers.h"

#include <QDomDocument>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>
#include <QtTest/QtTest>

namespace {

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
    void jsonReadBack();
    void longTablesInBlocks();
    void xmlReadBack();
};

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
