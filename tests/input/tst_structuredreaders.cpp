#include "input/fixedwidthformat.h"
#include "input/inputformat.h"
#include "input/inputsource.h"
#include "input/jsonformat.h"
#include "input/recordtree.h"
#include "input/textsource.h"
#include "output/outputformat.h"
#include "tests/input/testsupport.h"

#include <QDir>
#include <QLocale>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using Rows = QVector<QStringList>;
Q_DECLARE_METATYPE(Rows)

namespace {

ReadOptions optionsFor(int fileType, const QString& opts)
{
    ReadOptions o;
    LayoutReadOptions layout;
    FixedWidthReadOptions fixed;
    o.fileType = fileType;
    for (const QString& item : opts.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0);
        const QString value = item.section(QLatin1Char('='), 1);
        if (key == QLatin1String("long"))
            layout.layout = LayoutLong;
        else if (key == QLatin1String("keepempty"))
            o.ignoreEmptyRows = false;
        else if (key == QLatin1String("notrim"))
            o.trimWhitespace = o.simplifyWhitespace = false;
        else if (key == QLatin1String("simplifyonly"))
            o.trimWhitespace = !(o.simplifyWhitespace = true);
        else if (key == QLatin1String("noheader"))
            o.hasHeader = HeaderNo;
        else if (key == QLatin1String("nopool"))
            o.pooling = false;
        else if (key == QLatin1String("skip"))
            o.ignoredFirstRows = value.toInt();
        else if (key == QLatin1String("widths")) {
            fixed.automatic = false;
            for (const QString& w : value.split(QLatin1Char(',')))
                fixed.widths << w.toInt();
        } else
            qFatal("unknown option %s", qPrintable(key));
    }
    layout.store(&o.formatOptions);
    fixed.store(&o.formatOptions);
    return o;
}

// The names as the first row, then the rows, as one comparable table; rows
// without names say so, so that names read as a first row cannot pass.
Rows table(const ReadResult& result)
{
    Rows rows;
    if (result.dataset.hasHeader())
        rows << result.dataset.columnNames();
    else if (result.dataset.hasRows())
        rows << QStringList { QStringLiteral("(no names)") };
    rows << result.dataset.rowLists();
    return rows;
}

QString shown(const Rows& rows)
{
    QStringList lines;
    for (const QStringList& row : rows)
        lines << row.join(QLatin1Char('|'));
    return lines.join(QLatin1String(" / "));
}

Rows rows(std::initializer_list<QStringList> list)
{
    return Rows(list);
}

} // namespace

class TestStructuredReaders : public QObject
{
    Q_OBJECT

private slots:
    void registryCoversTextTypes();
    void pastedTextType_data();
    void pastedTextType();
    void readers_data();
    void readers();
    void fixedWidthDetection_data();
    void fixedWidthDetection();
    void fixedWidthReport();
    void badInputEndsInWarning_data();
    void badInputEndsInWarning();
    void jsonTestSuite_data();
    void jsonTestSuite();
    void jsonTestSuiteRows_data();
    void jsonTestSuiteRows();
    void jsonLinesSameOnOneOrMoreThreads_data();
    void jsonLinesSameOnOneOrMoreThreads();
    void jsonLinesEmptyRecordsBeforeAnyColumn();
    void jsonLinesStringsAsQtReadsThem_data();
    void jsonLinesStringsAsQtReadsThem();
    void jsonLinesAsciiBytesAsCharacters_data();
    void jsonLinesAsciiBytesAsCharacters();
    void jsonLinesFlatRecordsAsTheParserReadsThem_data();
    void jsonLinesFlatRecordsAsTheParserReadsThem();
};

// Every input type has exactly one format and every output type one writer
// (YAML, HTML and Markdown are output only); only the workbooks have sheets,
// and they read and write files rather than text.
void TestStructuredReaders::registryCoversTextTypes()
{
    for (int type = 0; type < FileTypeCount; ++type) {
        const bool workbook = type == FileTypeExcelXlsx || type == FileTypeExcelXls;
        const bool outputOnly
            = type == FileTypeYaml || type == FileTypeHtml || type == FileTypeMarkdown;
        const auto claims = [type](const auto& formats) {
            return std::count_if(formats.cbegin(), formats.cend(),
                [type](const auto* f) { return f->fileType() == type; });
        };
        QCOMPARE(int(claims(inputFormats())), outputOnly ? 0 : 1);
        QCOMPARE(inputFormat(type) && inputFormat(type)->readsFile(), workbook);
        QCOMPARE(inputFormat(type) && inputFormat(type)->hasSheets(), workbook);
        QCOMPARE(int(claims(outputFormats())), 1);
        QCOMPARE(outputFormat(type)->hasSheets(), workbook);
        QCOMPARE(outputFormat(type)->writesText(), !workbook);
    }
}

void TestStructuredReaders::pastedTextType_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("fileType");
    addRow("json", "\n  [{\"a\":1}]", int(FileTypeJson));
    addRow("xml", "<r/>", int(FileTypeXml));
    addRow("vcard", "begin:vcard\nFN:A\nend:vcard", int(FileTypeVCard));
    addRow("anything else", "a,b\n1,2", int(FileTypeDelimited));
}

void TestStructuredReaders::pastedTextType()
{
    QFETCH(QString, text);
    QTEST(inputTypeForText(text), "fileType");
}

// Each case is a file of tests/data/input/formats and, beside it, its .rows:
// "options: ..." and "warning: ..." lines, then the table, cells split by
// "|". The JSON number case spans two of the 32768-character blocks text is
// read in.
void TestStructuredReaders::readers_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("fileType");
    const QMap<QString, int> types { { "json", FileTypeJson }, { "xml", FileTypeXml },
        { "vcf", FileTypeVCard }, { "txt", FileTypeFixedWidth } };
    const QDir dir(QStringLiteral(VARNIX_TEST_DATA "/input/formats"));
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
        if (types.contains(file.suffix()))
            addRow(qPrintable(file.baseName()), file.filePath(), types.value(file.suffix()));
    }
}

void TestStructuredReaders::readers()
{
    QFETCH(QString, path);
    QFETCH(int, fileType);
    QStringList expected
        = QString::fromUtf8(readFile(path.left(path.lastIndexOf('.')) + ".rows")).split('\n');
    expected.removeLast();
    const QString opts
        = expected.value(0).startsWith("options: ") ? expected.takeFirst().mid(9) : QString();
    QStringList warnings;
    while (expected.value(0).startsWith("warning: "))
        warnings << expected.takeFirst().mid(9);
    const ReadResult result
        = readFormatText(QString::fromUtf8(readFile(path)), optionsFor(fileType, opts));
    QCOMPARE(shown(table(result)), expected.join(" / "));
    QCOMPARE(result.warnings, warnings);
    // A file gives the same rows as the pasted text.
    QCOMPARE(shown(table(readFormatFile(path, optionsFor(fileType, opts)))), expected.join(" / "));
}

void TestStructuredReaders::fixedWidthDetection_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QVector<int>>("widths");

    addRow("report with header and an odd line",
        QStringList { "Name       Age  City", "---------- ---- ----------", "Ann Lee    31   Leeds",
            "Bo         7    Bath", "Cy O'Neil  102  York", "", "Di         45   Hull" },
        QVector<int> { 11, 5, 10 });
    addRow("no separators", QStringList { "abc", "def" }, QVector<int> { 3 });
    addRow("nothing", QStringList { "", "  " }, QVector<int>());
}

void TestStructuredReaders::fixedWidthDetection()
{
    QFETCH(QStringList, lines);
    QTEST(detectFixedWidths(lines), "widths");
}

// A report as programs print them: a header, an underline, a blank line,
// values with spaces inside and numbers aligned to the right.
void TestStructuredReaders::fixedWidthReport()
{
    const ReadResult result = readFormatFile(QStringLiteral(VARNIX_TEST_DATA "/input/report.txt"),
        optionsFor(FileTypeFixedWidth, QString()));
    QCOMPARE(result.fixedWidths, (QVector<int> { 10, 17, 7, 10, 11 }));
    QVERIFY(result.information.contains(QStringLiteral(
        "Columns=Automatic guesses 5 columns, set 'Columns' option to 'Manual' to change")));
    QVERIFY(result.information.contains(QStringLiteral("1 empty row(s) ignored")));
    QCOMPARE(result.dataset.columnNames(),
        (QStringList { "Region", "Product", "Units", "Revenue", "Rep" }));
    QCOMPARE(result.dataset.rowCount(), 8);
    QCOMPARE(result.dataset.row(7),
        (QStringList { "West", "Thingamajig", "300", "15000.00", "M. Lee" }));
    QCOMPARE(result.preview.size(), 9);
}

void TestStructuredReaders::badInputEndsInWarning_data()
{
    QTest::addColumn<int>("fileType");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("warningStart");

    addRow("json deep nesting", int(FileTypeJson), QByteArray(100000, '['),
        "Error parsing JSON: nested more");
    addRow("json truncated string", int(FileTypeJson), QByteArray("[\"abc"),
        "Error parsing JSON: Missing a closing");
    addRow("xml deep nesting", int(FileTypeXml), QByteArray("<a>").repeated(100000),
        "Error parsing XML: nested more");
    addRow("xml truncated", int(FileTypeXml), QByteArray("<r><a>1</a><b"), "Error parsing XML: ");
    addRow("xml entities", int(FileTypeXml),
        QByteArray("<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">"
                   "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                   "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><l><v>&c;</v></l>"),
        "Error parsing XML: ");
    addRow("json huge string", int(FileTypeJson),
        QByteArray("[\"") + QByteArray(20 << 20, 'a') + "\"", "Error parsing JSON: Missing");
    addRow("json invalid utf-8", int(FileTypeJson), QByteArray("[\"a\xff\xfe\"]"), "'");
}

void TestStructuredReaders::badInputEndsInWarning()
{
    QFETCH(int, fileType);
    QFETCH(QByteArray, content);
    QFETCH(QString, warningStart);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("bad")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    const ReadResult result = readFormatFile(file.fileName(), optionsFor(fileType, QString()));
    QVERIFY(!result.warnings.isEmpty());
    QVERIFY2(result.warnings.first().startsWith(warningStart), qPrintable(result.warnings.first()));
}

QString suiteFile(const QString& name)
{
    return QStringLiteral(VARNIX_TEST_DATA "/input/json-test-suite/test_parsing/") + name;
}

// Every file of the suite: y_ files parse (a lone value only warns that it
// is no table), n_ files end in a warning, i_ files may do either; none may
// crash or hang.
void TestStructuredReaders::jsonTestSuite_data()
{
    QTest::addColumn<QString>("name");
    const QStringList names = QDir(suiteFile(QString())).entryList(QDir::Files, QDir::Name);
    QVERIFY(names.size() > 300);
    for (const QString& name : names)
        addRow(qPrintable(name), name);
}

void TestStructuredReaders::jsonTestSuite()
{
    QFETCH(QString, name);
    const ReadResult result = readFormatFile(suiteFile(name), optionsFor(FileTypeJson, "notrim"));
    if (name.startsWith(QLatin1String("y_"))) {
        QVERIFY(result.ok());
        QVERIFY2(result.warnings.isEmpty()
                || result.warnings
                    == QStringList(QStringLiteral("Array or object expected at top-level in JSON")),
            qPrintable(result.warnings.join(QLatin1Char('\n'))));
    } else if (name.startsWith(QLatin1String("n_"))) {
        QVERIFY(!result.warnings.isEmpty());
        QVERIFY(!result.dataset.hasRows());
    }
}

// The rows of a sample of the valid files, as Python's json module reads
// them: values as text, null as "null", members in the order of the file.
void TestStructuredReaders::jsonTestSuiteRows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Rows>("expected");

    const auto row = [](const char* name, Rows rows) { addRow(name, name, rows); };
    row("y_array_heterogeneous.json", rows({ { "value" }, { "null" }, { "1" }, { "1" } }));
    row("y_array_with_several_null.json",
        rows({ { "value" }, { "1" }, { "null" }, { "null" }, { "null" }, { "2" } }));
    row("y_object.json", rows({ { "asd", "dfg" }, { "sdf", "fgh" } }));
    row("y_object_duplicated_key.json", rows({ { "a" }, { "c" } }));
    row("y_object_escaped_null_in_key.json",
        rows({ { QString("foo") + QChar(0) + "bar" }, { "42" } }));
    const QString x40(40, QLatin1Char('x'));
    row("y_object_long_strings.json", rows({ { "id", "x.0.id" }, { x40, x40 } }));
    row("y_object_simple.json", Rows());
    row("y_object_string_unicode.json",
        rows({ { "title" }, { QString::fromUtf8("Полтора Землекопа") } }));
    row("y_string_allowed_escapes.json", rows({ { "value" }, { "\"\\/\b\f\n\r\t" } }));
    row("y_string_accepted_surrogate_pairs.json",
        rows({ { "value" }, { QString::fromUtf8("😹💍") } }));
    row("y_string_utf8.json", rows({ { "value" }, { QString::fromUtf8("€𝄞") } }));
    row("y_structure_lonely_int.json", Rows());
}

void TestStructuredReaders::jsonTestSuiteRows()
{
    QFETCH(QString, name);
    const ReadResult result = readFormatFile(suiteFile(name), optionsFor(FileTypeJson, "notrim"));
    QTEST(table(result), "expected");
}

// Lines 1 to count of JSON lines: records of many kinds in a fixed random
// order, starting with records that have no columns; the line given is
// broken.
QString jsonLines(int count, int brokenLine)
{
    static const char* const records[] = { R"({"id":%1,"name":" Ann ","city":"Oslo","n":1.50})",
        R"({"id":%1,"name":"B\u00e9a","tags":["x","y"],"n":-0.0})",
        R"({"id":%1,"late":"only here","n":2e3, "name":"tab\there"}  )",
        R"({"id":%1,"who":{"first":"Cy","last":null},"ok":true,"city":"Oslo"})",
        R"([%1,"array record",{"k":"v"}])", "{}", R"({"id":%1,"id":"twice","a.b":"dot"})", "   ",
        R"({"name":"","city":""})" };
    QRandomGenerator random(19);
    QString text = QStringLiteral("{}\n[]\n");
    for (int line = 3; line <= count; ++line) {
        const QString record
            = QString::fromLatin1(records[random.bounded(int(std::size(records)))]);
        text += line == brokenLine  ? QStringLiteral(R"({"id":)")
            : record.contains(u'%') ? record.arg(line)
                                    : record;
        // A line's offsets count a carriage return before its line feed.
        const bool crlf = random.bounded(3) == 0 && line != brokenLine;
        text += crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    }
    return text;
}

void TestStructuredReaders::jsonLinesSameOnOneOrMoreThreads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<QString>("warning");

    addRow("wide", jsonLines(400, 0), "", "");
    addRow("long, empty rows kept", jsonLines(400, 0), "long keepempty", "");
    addRow("not trimmed, not pooled", jsonLines(400, 0), "notrim nopool", "");
    addRow("broken line late", jsonLines(400, 377), "keepempty",
        "Error parsing JSON lines: at line 377 offset 6: Invalid value");
    addRow("plain value line", jsonLines(300, 0) + "42\n{\"id\":1}\n", "",
        "Error parsing JSON lines: at line 301 offset 0: Array or object expected");
    addRow("deep line", jsonLines(300, 0) + QString(5000, '[') + "\n", "",
        "Error parsing JSON lines: at line 301 offset 1000: nested more than 1000 levels deep");
    addRow("trailing text", jsonLines(300, 0) + "{\"a\":1} x\n", "",
        "Error parsing JSON lines: at line 301 offset 8: "
        "The document root must not be followed by other values");
}

// Chunks parsed apart must give the table of one pass: columns in the order
// they first occur, rows in order, a broken line's number in the whole text.
void TestStructuredReaders::jsonLinesSameOnOneOrMoreThreads()
{
    QFETCH(QString, text);
    QFETCH(QString, opts);
    QFETCH(QString, warning);

    const auto read = [&](int threads, int chunkChars) {
        TextSource source(text);
        ReadResult result;
        parseJsonText(source, optionsFor(FileTypeJson, opts), ReadProgress(), &result,
            ParseThreads { threads, chunkChars });
        return result;
    };
    const ReadResult one = read(1, ParseThreads::DefaultChunkChars);
    QVERIFY(one.dataset.rowCount() > 100);
    QCOMPARE(one.warnings, warning.isEmpty() ? QStringList() : QStringList { warning });
    for (int chunkChars : { 1, 50, 1000 }) {
        for (int threads : { 2, 3 }) {
            const ReadResult more = read(threads, chunkChars);
            QCOMPARE(more.dataset.rowLists(), one.dataset.rowLists());
            QCOMPARE(more.dataset.columnCount(), one.dataset.columnCount());
            QCOMPARE(more.warnings, one.warnings);
            QCOMPARE(more.error, one.error);
        }
    }
    // A value of the first chunk repeated much later shares its text.
    const Dataset later = read(2, 50).dataset;
    const int city = later.row(0).indexOf(QStringLiteral("city"));
    QVERIFY(city >= 0);
    if (opts.contains(QLatin1String("nopool")))
        return;
    const auto oslo = [&](int row) { return later.value(row, city) == QLatin1String("Oslo"); };
    int first = 1;
    int last = later.lastRow();
    while (!oslo(first))
        ++first;
    while (!oslo(last))
        --last;
    QVERIFY(last > first + 100);
    QVERIFY(later.value(last, city).constData() == later.value(first, city).constData());
}

// Records without values before the first column is known have no place in
// the table, empty rows kept or not; later ones are empty rows, however the
// text is cut into chunks.
void TestStructuredReaders::jsonLinesEmptyRecordsBeforeAnyColumn()
{
    QString text = QStringLiteral("{}\n[]\n");
    for (int i = 1; i <= 300; ++i)
        text += i == 150 ? QStringLiteral("{}\n") : QStringLiteral("{\"a\":%1}\n").arg(i);
    for (const auto& [threads, chunkChars] :
        { std::pair(1, ParseThreads::DefaultChunkChars), std::pair(2, 40), std::pair(3, 1000) }) {
        TextSource source(text);
        ReadResult result;
        parseJsonText(source, optionsFor(FileTypeJson, "keepempty"), ReadProgress(), &result,
            ParseThreads { threads, chunkChars });
        QCOMPARE(result.dataset.rowCount(), 301);
        QCOMPARE(result.dataset.row(0), QStringList { "a" });
        QCOMPARE(result.dataset.row(1), QStringList { "1" });
        QCOMPARE(result.dataset.row(150), QStringList { QString() });
        QCOMPARE(result.dataset.row(300), QStringList { "300" });
    }
}

// Strings with escapes, quotes and other characters at every place around
// the steps of the scan (eight characters, or sixteen bytes in a text of
// ASCII only), as Qt's own JSON parser reads them.
void TestStructuredReaders::jsonLinesStringsAsQtReadsThem_data()
{
    QTest::addColumn<QStringList>("specials");
    const QStringList escapes { R"(\")", R"(\\)", R"(\n)", R"(\u00e9)", R"(\ud83d\ude00)",
        R"(\/)" };
    addRow("ASCII text", escapes);
    addRow("other characters",
        escapes + QStringList { QStringLiteral("\u00e9"), QStringLiteral("\u6771") });
}

void TestStructuredReaders::jsonLinesStringsAsQtReadsThem()
{
    QFETCH(QStringList, specials);
    QStringList lines;
    for (const QString& special : specials) {
        for (int before = 0; before <= 34; ++before) {
            const QString value = QString(before, QLatin1Char('a')) + special
                + QString(35 - before, QLatin1Char('b')) + special;
            lines << QStringLiteral(R"({"v":"%1","n":%2})").arg(value).arg(lines.size());
        }
    }
    TextSource source(lines.join(QLatin1Char('\n')));
    ReadResult result;
    parseJsonText(source, optionsFor(FileTypeJson, "notrim"), ReadProgress(), &result,
        ParseThreads { 1, ParseThreads::DefaultChunkChars });
    QVERIFY2(result.warnings.isEmpty(), qPrintable(result.warnings.join(QLatin1Char('\n'))));
    QCOMPARE(result.dataset.rowCount(), lines.size() + 1);
    for (int i = 0; i < lines.size(); ++i) {
        const QJsonObject expected = QJsonDocument::fromJson(lines.at(i).toUtf8()).object();
        QCOMPARE(result.dataset.value(i + 1, 0), expected.value(QStringLiteral("v")).toString());
    }

    // A raw control character inside a string stops the line, wherever it is.
    for (int before = 0; before <= 9; ++before) {
        TextSource broken(QStringLiteral(R"({"v":"%1)").arg(QString(before, QLatin1Char('a')))
            + QChar(0x01) + QStringLiteral(R"("})"));
        ReadResult failed;
        parseJsonText(broken, optionsFor(FileTypeJson, ""), ReadProgress(), &failed,
            ParseThreads { 1, ParseThreads::DefaultChunkChars });
        QCOMPARE(failed.warnings.size(), 1);
    }
}

// A text of ASCII only is parsed in its bytes, any other in characters:
// the same lines give the same table either way, whatever the escapes
// write out (a lone surrogate too), the numbers, the cleaning and the
// locale's decimal point.
void TestStructuredReaders::jsonLinesAsciiBytesAsCharacters_data()
{
    QTest::addColumn<QString>("opts");
    QTest::addColumn<QString>("locale");
    addRow("trimmed and simplified", "", "C");
    addRow("simplified only", "simplifyonly", "C");
    addRow("not cleaned, not pooled", "notrim nopool", "C");
    addRow("decimal comma", "", "de_DE");
    addRow("decimal point beyond ASCII", "", "ar_EG");
}

void TestStructuredReaders::jsonLinesAsciiBytesAsCharacters()
{
    QFETCH(QString, opts);
    QFETCH(QString, locale);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
    if (locale == QLatin1String("ar_EG"))
        QVERIFY(QLocale().decimalPoint().unicode() > 0x7f);

    const QString ascii = jsonLines(300, 0)
        + QStringLiteral(R"({"k\u00e9y":"lone \udc01 low","n":12.500,"m":-0,"x":"\t a\r\n b "})"
                         "\n"
                         R"({"n":0.1e1,"m":-0.0,"\ud83d\ude00":"\u0000","x":"  "})"
                         "\n");
    const auto read = [&](const QString& text) {
        TextSource source(text);
        ReadResult result;
        parseJsonText(source, optionsFor(FileTypeJson, opts), ReadProgress(), &result,
            ParseThreads { 1, ParseThreads::DefaultChunkChars });
        return result;
    };
    const ReadResult bytes = read(ascii);
    // One character beyond ASCII, in a last line of its own, makes the
    // whole text (a single chunk) one of characters.
    const ReadResult chars = read(ascii + QStringLiteral("{\"name\":\"\u00e9\"}\n"));
    QVERIFY(bytes.warnings.isEmpty());
    QCOMPARE(chars.warnings, bytes.warnings);
    QVector<QStringList> charRows = chars.dataset.rowLists();
    QVERIFY(charRows.takeLast().contains(QStringLiteral("\u00e9")));
    QCOMPARE(charRows, bytes.dataset.rowLists());
    const int key = bytes.dataset.columnCount() - 4;
    QCOMPARE(bytes.dataset.row(0).mid(key),
        QStringList({ "k\u00e9y", "m", "x", QString::fromUtf8("\xF0\x9F\x98\x80") }));
    const int last = bytes.dataset.lastRow();
    QVERIFY(bytes.dataset.value(last - 1, key).contains(QChar(0xdc01)));
}

// Flat records of an ASCII text take a quicker way than the parser, and
// every other line goes to the parser: records of every kind of value and
// spacing, and lines the quicker way must not take (an error stops the
// read), give the same rows and warnings as the parser gives in characters.
void TestStructuredReaders::jsonLinesFlatRecordsAsTheParserReadsThem_data()
{
    QTest::addColumn<QString>("lines");
    addRow("values of every kind",
        R"({"a":1,"b":-0,"c":0.50,"d":true,"e":false,"f":null,"g":"s","h":"","i":"  pad  "})");
    addRow(
        "spacing", " { \"a\" : 1 , \"b\" :\"x\" } \r\n\t{\t\"a\"\t:\t2\t}\t\n{}\n{ }\n{\"a\":3}\f");
    // The key that followed a key last time is tried first.
    addRow("keys in another order",
        "{\"a\":1,\"b\":2,\"cd\":3}\n{\"b\":4,\"a\":5,\"ce\":6}\n{\"cd\":7}");
    addRow("long integers", R"({"a":123456789012345678,"b":-1234567890123456789})");
    addRow("exponents and escapes", R"({"a":1e5,"b":-2.5E-3,"c":"q\"q","d":"\u0041","e":"a\\b"})");
    addRow("escapes of one character",
        R"({"a":"q\"q","b":"a\\b","c":"\/","d":"t\tn\nr\rb\bf\f","e":"\"","f":"end\\"})"
        "\n"
        R"({"k\"ey":1,"p\/q":"\\\"","s":"  in\t\tside  "})");
    // Escapes written out before a line proves not flat would leave the
    // parser other bytes than the line's.
    addRow("escapes before what the parser takes",
        R"({"a":"q\"q","b":{"c":"d\\e"}})"
        "\n"
        R"({"a":"x\"y","b":"\u00e9"})"
        "\n"
        R"({"a":"x\\","b":1e3})");
    addRow("nested and repeated",
        "{\"a\":{\"b\":1},\"c\":[1,2]}\n{\"a\":1,\"a\":2}\n[1,\"x\"]\n{\"a.b\":\"dot\"}");
    addRow("integer too large", "{\"a\":1" + QString(400, QLatin1Char('0')) + "}");
    for (const char* broken : { R"({"a":01})", R"({"a":1.})", R"({"a":-})", R"({"a":.5})",
             R"({"a":tru})", R"({"a":truex})", R"({"a":nul})", R"({"a":1,})", R"({"a" 1})",
             R"({"a":1}})", R"({"a":1} x)", R"({a:1})", R"({"a":"b})", R"({"a":1)", R"({"a":1 2})",
             R"({,"a":1})", R"("plain")", R"({"a":"\x"})", R"({"a":"b\"})", R"({"a":"b\)",
             "{\"a\":1,\n\"b\":2}", "{\"a\"\n:1}", "{\"a\":1}\r\r x",
             R"({"a":"b)"
             "\x01"
             R"("})" })
        addRow(qPrintable(QStringLiteral("broken: %1").arg(QLatin1String(broken))),
            QString::fromLatin1(broken));
    // A line laid out as the one before it is checked against that line's
    // bytes between values; any other byte there, or a value that is not
    // flat, leaves it to the whole check.
    const QString layout = R"({"a":1, "b" :"x","c":true})";
    for (const char* next : { R"({"a":2, "b" :"y","c":false})", R"({"a":"s", "b" :null,"c":-0.50})",
             R"({"a":2, "b" :"y\"z\\","c":null})", R"({"a":2, "b" :"\u00e9","c":1})",
             R"({"a":2, "b" :"y","c":1e3})", "{\"a\":2, \"b\" :\"y\",\"c\":1} \r",
             R"({"a":2, "b" :"y","c":1} x)", R"({"a":2, "bc" :"y","c":1})", R"({"a":2, "b" :"y"})",
             R"({"a":2, "b" :"y","c":1,"d":2})", R"({"a":2, "b" :"y","c":1)",
             R"({"a":2, "b" :"y","c":1}})", R"({"a":02, "b" :"y","c":1})",
             R"({"a":tru, "b" :"y","c":1})", R"({"a":truex, "b" :"y","c":1})",
             R"({"a":2,"b" :"y","c":1})", R"({"a":, "b" :"y","c":1})", R"({"a":2, "b" :"y","c":})",
             R"({"a":[2], "b" :"y","c":1})", R"({"a":2, "b" :"y","c":{}})",
             R"( {"a":2, "b" :"y","c":1})", R"({"a":2, "b" :"y)" })
        addRow(qPrintable(QStringLiteral("laid out as before: %1").arg(QLatin1String(next))),
            layout + '\n' + QString::fromLatin1(next));
    addRow("laid out as before: escaped and repeated keys",
        R"({"k\"ey":1,"a":2,"a":3})"
        "\n"
        R"({"k\"ey":4,"a":"5","a":6})"
        "\n"
        R"({"k\"ey":7,"a":8})");
    // Keys long enough that their bytes are compared in two halves.
    addRow("laid out as before: long keys",
        R"({"a_rather_long_key_name":1,"b":2})"
        "\n"
        R"({"a_rather_long_key_nime":1,"b":2})"
        "\n"
        R"({"a_rather_long_key_nime":1,"b":2})"
        "\n"
        R"({"an_even_longer_name_than_that_one":1,"b":2})"
        "\n"
        R"({"an_even_longer_name_than_that_onf":1,"b":2})");
    addRow("laid out as before: empty records", "{}\n{}\n{\"a\":\"\"}\n{\"a\":\"\"}\n{}");
}

void TestStructuredReaders::jsonLinesFlatRecordsAsTheParserReadsThem()
{
    QFETCH(QString, lines);
    // The first line's one character beyond ASCII makes the other text one
    // of characters, with the same lines and columns.
    const auto read = [&](const QString& first) {
        TextSource source(
            QStringLiteral(R"({"x":"%1"})").arg(first) + '\n' + lines + "\n{\"z\":9}\n");
        ReadResult result;
        parseJsonText(source, optionsFor(FileTypeJson, "keepempty"), ReadProgress(), &result,
            ParseThreads { 1, ParseThreads::DefaultChunkChars });
        return result;
    };
    const ReadResult bytes = read(QStringLiteral("e"));
    const ReadResult chars = read(QStringLiteral("\u00e9"));
    QCOMPARE(bytes.warnings, chars.warnings);
    QCOMPARE(bytes.dataset.rowCount(), chars.dataset.rowCount());
    QVERIFY(bytes.dataset.rowCount() >= 2);
    QCOMPARE(bytes.dataset.value(1, 0), QStringLiteral("e"));
    QVector<QStringList> byteRows = bytes.dataset.rowLists();
    QVector<QStringList> charRows = chars.dataset.rowLists();
    byteRows.remove(1);
    charRows.remove(1);
    QCOMPARE(byteRows, charRows);
}

QTEST_GUILESS_MAIN(TestStructuredReaders)
#include "tst_structuredreaders.moc"
