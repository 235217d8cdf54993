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

// The file's bytes through a device, with a byte-order mark if asked.
QByteArray renderBytes(const Dataset& data, const TextWriteOptions& options, bool byteOrderMark)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QTextStream stream(&buffer);
    stream.setCodec("UTF-8");
    stream.setGenerateByteOrderMark(byteOrderMark);
    writeText(stream, data, options, WriteProgress());
    stream.flush();
    return bytes;
}

} // namespace

class TestFormatWriters : public QObject
{
    Q_OBJECT

private slots:
    void jsonReadBack();
    void longTablesInBlocks();
    void xmlReadBack();
    void automaticTypesOfLongTables();
    void utf8BytesAsText_data();
    void utf8BytesAsText();
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

// A long table's automatic JSON types are worked out in two halves: a value
// in either half decides, wherever it falls.
void TestFormatWriters::automaticTypesOfLongTables()
{
    QVector<QStringList> rows;
    for (int i = 0; i < 25001; ++i) {
        rows << QStringList { i == 24000 ? "x" : QString::number(i), i % 3 ? "true" : QString(),
            QString::number(i * 0.5), QString(), i == 3 ? "1e5" : "false" };
    }
    const Dataset data = makeDataset({ "a", "b", "c", "d", "e" }, rows);
    QCOMPARE(jsonColumnTypes(data, JsonWriteOptions()),
        (QVector<int> {
            JsonTypeString, JsonTypeBoolean, JsonTypeNumber, JsonTypeString, JsonTypeString }));
}

void TestFormatWriters::utf8BytesAsText_data()
{
    QTest::addColumn<int>("fileType");
    QTest::addColumn<int>("quoting");
    QTest::addColumn<bool>("header");
    QTest::addColumn<bool>("byteOrderMark");
    QTest::addColumn<bool>("plain");
    for (const bool header : { true, false }) {
        for (const bool bom : { true, false }) {
            QTest::addRow("delimited header %d bom %d", header, bom)
                << int(FileTypeDelimited) << int(QuotingAsNeeded) << header << bom << false;
        }
    }
    QTest::newRow("delimited always")
        << int(FileTypeDelimited) << int(QuotingAlways) << true << false << false;
    // Every column of plain texts, each cell kept in bytes where it can be,
    // so that the writers take the cells' bytes as they are kept.
    for (const bool plain : { false, true }) {
        QTest::addRow("json plain %d", plain)
            << int(FileTypeJson) << int(QuotingAsNeeded) << true << true << plain;
        QTest::addRow("xml plain %d", plain)
            << int(FileTypeXml) << int(QuotingAsNeeded) << true << false << plain;
    }
    QTest::newRow("delimited plain")
        << int(FileTypeDelimited) << int(QuotingAsNeeded) << true << false << true;
}

// Long tables go to a UTF-8 file as bytes made by the writers themselves,
// repeated values from a cache: the same bytes as the text the stream would
// have converted, surrogates without their partner included.
void TestFormatWriters::utf8BytesAsText()
{
    QFETCH(int, fileType);
    QFETCH(int, quoting);
    QFETCH(bool, header);
    QFETCH(bool, byteOrderMark);
    QFETCH(bool, plain);

    QStringList values = AwkwardValues;
    values << QString(QChar(0xD83D)) + "x"
           << "y" + QString(QChar(0xDE00)) << "z" + QString(QChar(0xD83D))
           << "a value longer than a cached one, \"quoted\""
           << "a,b" << QString() << "Ünïcödé"
           << "café"
           << "del\x7f"
           << "plain ascii, eight+"
           << "Ünïcödé und café";
    // Each character that some format escapes, alone and at every place of
    // values up to 17 bytes (eight at a time, then the rest).
    for (const char* special : { "&", "<", ">", "\"", "'", "\\", "/", ",", "\t", "\n", "\x01" }) {
        values << QString::fromLatin1(special);
        for (int at = 0; at < 17; at += 4)
            values << QString(at, QLatin1Char('p')) + special + QString(16 - at, QLatin1Char('q'));
    }
    QVector<QStringList> rows;
    for (int i = 0; i < 25001; ++i) {
        const int n = values.size();
        rows << QStringList { QString::number(i), values.at(i % n), values.at(i * 7 % n),
            values.at(i / 3 % n) };
    }
    Dataset data;
    data.setPooling(!plain);
    data.setColumnCount(4);
    data.setHeader({ "n", "@a", "b.c", "ö" });
    for (const QStringList& row : qAsConst(rows))
        data.appendRow(row);
    QCOMPARE(data.column(1).isCoded(), !plain);
    TextWriteOptions options = typeOptions(fileType);
    options.writeHeader = header;
    DelimitedWriteOptions { DelimiterComma, quoting }.store(&options.formatOptions);

    QString text;
    QTextStream stream(&text);
    writeText(stream, data, options, WriteProgress());
    stream.flush();
    const QByteArray expected
        = (byteOrderMark ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
    QCOMPARE(renderBytes(data, options, byteOrderMark), expected);
}

QTEST_GUILESS_MAIN(TestFormatWriters)
#include "tst_formatwriters.moc"
