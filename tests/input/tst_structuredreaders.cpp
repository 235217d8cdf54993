#include "input/fixedwidthformat.h"
#include "input/inputformat.h"
#include "input/inputsource.h"
#include "input/recordtree.h"
#include "output/outputformat.h"

#include <QDir>
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

// The names as the first row, then the rows, as one comparable table.
Rows table(const ReadResult& result)
{
    Rows rows;
    if (result.dataset.hasHeader())
        rows << result.dataset.columnNames();
    rows << result.dataset.rows();
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
    QTest::newRow("json") << "\n  [{\"a\":1}]" << int(FileTypeJson);
    QTest::newRow("xml") << "<r/>" << int(FileTypeXml);
    QTest::newRow("vcard") << "begin:vcard\nFN:A\nend:vcard" << int(FileTypeVCard);
    QTest::newRow("anything else") << "a,b\n1,2" << int(FileTypeDelimited);
}

void TestStructuredReaders::pastedTextType()
{
    QFETCH(QString, text);
    QTEST(inputTypeForText(text), "fileType");
}

void TestStructuredReaders::readers_data()
{
    QTest::addColumn<int>("fileType");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Rows>("expected");
    QTest::addColumn<QStringList>("warnings");

    const int json = FileTypeJson;
    QTest::newRow("json records, missing member")
        << json << ""
        << R"([{"a":1,"b":{"c":"x"}},{"a":2}])"
        << rows({ { "a", "b.c" }, { "1", "x" }, { "2", "" } }) << QStringList();
    QTest::newRow("json member order kept, plain values first")
        << json << ""
        << R"({"z":[1],"y":{"q":true},"x":null,"w":1.50})"
        << rows({ { "x", "w", "y.q", "z.0" }, { "null", "1.5", "true", "1" } }) << QStringList();
    QTest::newRow("json dot in key")
        << json << ""
        << R"({"x.y":" a  b "})" << rows({ { "x-y" }, { "a  b" } }) << QStringList();
    QTest::newRow("json wide arrays")
        << json << ""
        << R"({"n":"A","tags":["p","q"]})"
        << rows({ { "n", "tags.0", "tags.1" }, { "A", "p", "q" } }) << QStringList();
    QTest::newRow("json long arrays repeat plain values")
        << json << "long"
        << R"({"n":"A","tags":["p","q"],"k":[{"v":1},{"v":2}],"s":[{"w":3}]})"
        << rows({ { "n", "tags", "k.v", "s.w" }, { "A", "p", "", "3" }, { "A", "q", "", "3" },
               { "A", "", "1", "3" }, { "A", "", "2", "3" } })
        << QStringList();
    QTest::newRow("json lines") << json << ""
                                << "{\"a\":1}\n\n{\"a\":2,\"b\":3}\r\n"
                                << rows({ { "a", "b" }, { "1", "" }, { "2", "3" } })
                                << QStringList();
    QTest::newRow("json lines broken third line")
        << json << ""
        << "{\"a\":1}\n{\"a\":2}\n{\"a\":\n"
        << rows({ { "a" }, { "1" }, { "2" } })
        << QStringList { "Error parsing JSON lines: at line 3 offset 5: Invalid value" };
    QTest::newRow("json empty records kept")
        << json << "keepempty"
        << "[{}, {\"a\":\"\"}, {}]" << rows({ { "a" }, { "" }, { "" } }) << QStringList();
    QTest::newRow("json top-level number") << json << ""
                                           << "42" << Rows()
                                           << QStringList { "Array or object expected at "
                                                            "top-level in JSON" };
    QTest::newRow("json numbers") << json << ""
                                  << R"([{"a":1.50,"b":100.0,"c":-0.0,"d":1e2,"e":-7}])"
                                  << rows({ { "a", "b", "c", "d", "e" },
                                         { "1.5", "100", "0", "100", "-7" } })
                                  << QStringList();
    // Text is read in blocks of 32768 characters; a number may span two.
    QTest::newRow("json number across blocks")
        << json << "" << QLatin1Char('[') + QString(32763, QLatin1Char(' ')) + "123456.5]"
        << rows({ { "value" }, { "123456.5" } }) << QStringList();
    QTest::newRow("json big integer kept")
        << json << ""
        << "[{\"n\":123456789012345678901234}]" << rows({ { "n" }, { "123456789012345678901234" } })
        << QStringList();

    const int xml = FileTypeXml;
    QTest::newRow("xml records with attribute")
        << xml << ""
        << "<?xml version=\"1.0\"?><root><record id=\"7\"><_name>Ann</_name>"
           "<a.b> x </a.b></record><record id=\"8\"><_name>Bo</_name></record></root>"
        << rows({ { "_id", "name", "a-b" }, { "7", "Ann", "x" }, { "8", "Bo", "" } })
        << QStringList();
    QTest::newRow("xml nested record level and repeated children")
        << xml << ""
        << "<doc><list><item><t>1</t><t>2</t></item><item><t>3</t></item></list></doc>"
        << rows({ { "t.0", "t.1", "t" }, { "1", "2", "" }, { "", "", "3" } }) << QStringList();
    QTest::newRow("xml predefined entities and character references")
        << xml << ""
        << "<r><v>x &amp; &lt;y&gt; &#65;</v><v><![CDATA[<z>]]></v></r>"
        << rows({ { "value" }, { "x & <y> A" }, { "<z>" } }) << QStringList();
    QTest::newRow("xml long") << xml << "long"
                              << "<orders><order no=\"5\"><line>a</line><line>b</line></order>"
                                 "<order no=\"6\"><line>c</line></order></orders>"
                              << rows({ { "_no", "line" }, { "5", "a" }, { "5", "b" },
                                     { "6", "c" } })
                              << QStringList();

    const int vcf = FileTypeVCard;
    QTest::newRow("vcard folding, parameters, version skipped")
        << vcf << ""
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\n  Lee\r\nTEL;TYPE=CELL:1\r\n"
           "TEL;TYPE=WORK:2\r\nEND:VCARD\r\nBEGIN:VCARD\nFN:Bo\nFN:Bob\nEND:VCARD\n"
        << rows({ { "FN", "TEL;TYPE=CELL", "TEL;TYPE=WORK" }, { "Ann Lee", "1", "2" },
               { "Bob", "", "" } })
        << QStringList();
    QTest::newRow("vcard unfinished card adds no column")
        << vcf << ""
        << "BEGIN:VCARD\nFN:Ann\nEND:VCARD\nBEGIN:VCARD\nNOTE:x\n"
        << rows({ { "FN" }, { "Ann" } })
        << QStringList { "vCard parsing error: 2 'BEGIN:VCARD' and 1 'END:VCARD'" };
    QTest::newRow("vcard without end")
        << vcf << ""
        << "BEGIN:VCARD\nFN:Ann\n"
        << Rows() << QStringList { "vCard parsing error: 1 'BEGIN:VCARD' and 0 'END:VCARD'" };

    const int fixed = FileTypeFixedWidth;
    QTest::newRow("fixed manual widths, short line")
        << fixed << "widths=3,5,2"
        << "Id Name Ag\n1  Ann  31\n2  B\n"
        << rows({ { "Id", "Name", "Ag" }, { "1", "Ann", "31" }, { "2", "B", "" } })
        << QStringList();
    QTest::newRow("fixed ignored first rows")
        << fixed << "widths=2,2 skip=1"
        << "title\nab12\ncd34\n"
        << rows({ { "ab", "12" }, { "cd", "34" } }) << QStringList();
}

void TestStructuredReaders::readers()
{
    QFETCH(int, fileType);
    QFETCH(QString, opts);
    QFETCH(QString, text);
    QFETCH(Rows, expected);
    const ReadResult result = readFormatText(text, optionsFor(fileType, opts));
    QCOMPARE(shown(table(result)), shown(expected));
    QTEST(result.warnings, "warnings");

    // A file gives the same rows as the pasted text.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("input")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
    file.close();
    QCOMPARE(
        shown(table(readFormatFile(file.fileName(), optionsFor(fileType, opts)))), shown(expected));
}

void TestStructuredReaders::fixedWidthDetection_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QVector<int>>("widths");

    QTest::newRow("report with header and an odd line") << QStringList { "Name       Age  City",
        "---------- ---- ----------", "Ann Lee    31   Leeds", "Bo         7    Bath",
        "Cy O'Neil  102  York", "", "Di         45   Hull" }
                                                        << QVector<int> { 11, 5, 10 };
    QTest::newRow("no separators") << QStringList { "abc", "def" } << QVector<int> { 3 };
    QTest::newRow("nothing") << QStringList { "", "  " } << QVector<int>();
}

void TestStructuredReaders::fixedWidthDetection()
{
    QFETCH(QStringList, lines);
    QFETCH(QVector<int>, widths);
    QCOMPARE(detectFixedWidths(lines), widths);
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

    QTest::newRow("json deep nesting")
        << int(FileTypeJson) << QByteArray(100000, '[') << "Error parsing JSON: nested more";
    QTest::newRow("json truncated string")
        << int(FileTypeJson) << QByteArray("[\"abc") << "Error parsing JSON: Missing a closing";
    QTest::newRow("xml deep nesting") << int(FileTypeXml) << QByteArray("<a>").repeated(100000)
                                      << "Error parsing XML: nested more";
    QTest::newRow("xml truncated")
        << int(FileTypeXml) << QByteArray("<r><a>1</a><b") << "Error parsing XML: ";
    QTest::newRow("xml entities")
        << int(FileTypeXml)
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">"
                      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><l><v>&c;</v></l>")
        << "Error parsing XML: ";
    QTest::newRow("json huge string")
        << int(FileTypeJson) << QByteArray("[\"") + QByteArray(20 << 20, 'a') + "\""
        << "Error parsing JSON: Missing";
    QTest::newRow("json invalid utf-8")
        << int(FileTypeJson) << QByteArray("[\"a\xff\xfe\"]") << "'";
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
        QTest::newRow(qPrintable(name)) << name;
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

    const auto row = [](const char* name, Rows rows) { QTest::newRow(name) << name << rows; };
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
    row("y_number_simple_real.json", rows({ { "value" }, { "123.456789" } }));
    row("y_number_minus_zero.json", rows({ { "value" }, { "0" } }));
    row("y_number_real_capital_e_neg_exp.json", rows({ { "value" }, { "0.01" } }));
    row("y_structure_lonely_int.json", Rows());
}

void TestStructuredReaders::jsonTestSuiteRows()
{
    QFETCH(QString, name);
    QFETCH(Rows, expected);
    const ReadResult result = readFormatFile(suiteFile(name), optionsFor(FileTypeJson, "notrim"));
    QCOMPARE(table(result), expected);
}

QTEST_GUILESS_MAIN(TestStructuredReaders)
#include "tst_structuredreaders.moc"
