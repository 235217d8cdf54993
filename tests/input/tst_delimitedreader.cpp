#include "input/delimitedreader.h"
#include "input/textsource.h"
#include "tests/input/delimitedtestsupport.h"
#include "tests/input/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString dataFile(const QString& name)
{
    return QStringLiteral(VARNIX_TEST_DATA "/input/") + name;
}

const QString GuessCounts = QStringLiteral(
    "First %1 characters contain: %2 Comma (,), %3 Semi-colon (;), %4 Pipe (|), %5 Caret (^), "
    "%6 Tab (\\t), %7 Unit separator (0x1F)");

QString guessLine(const QString& label, int sample, const QVector<int>& counts)
{
    QString line
        = QStringLiteral("Delimiter=Automatic guesses '%1', set 'Delimiter' option to change\n")
              .arg(label)
        + GuessCounts.arg(sample);
    for (int count : counts)
        line = line.arg(count);
    return line;
}

} // namespace

class TestDelimitedReader : public QObject
{
    Q_OBJECT

private slots:
    void parsesRecords_data();
    void parsesRecords();
    void poolsRepeatedValues_data();
    void poolsRepeatedValues();
    void reports_data();
    void reports();
    void guessesDelimiter_data();
    void guessesDelimiter();
    void readsFiles_data();
    void readsFiles();
    void reportsFileGuessesInOrder();
    void decodes_data();
    void decodes();
    void appliesHeaderOption_data();
    void appliesHeaderOption();
    void failsWithFileName_data();
    void failsWithFileName();
    void survivesBinaryInput();
    void decodesAcrossBlocks_data();
    void decodesAcrossBlocks();
    void keepsRecordsAcrossBlocks_data();
    void keepsRecordsAcrossBlocks();
    void reportsProgressAndStops();
    void streamsLongLines_data();
    void streamsLongLines();
    void handedOverBlocksPoolFewValues();
    void bytesReadAsCharacters_data();
    void bytesReadAsCharacters();
};

void TestDelimitedReader::parsesRecords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<Rows>("expected");

    const QString q = QStringLiteral("delim=1 quote=1 ");
    const QString u = QStringLiteral("delim=1 quote=2 ");
    addRow("doubled quotes", "a,\"b \"\"x\"\" c\",d\n", q, Rows { { "a", "b \"x\" c", "d" } });
    addRow("comma and CRLF inside quotes", "\"x,\r\ny\",z\r\nnext,row\r\n", q + "simp=0",
        Rows { { "x,\r\ny", "z" }, { "next", "row" } });
    addRow("CRLF inside quotes simplified", "\"a\r\nb\",c\r\n", q, Rows { { "a b", "c" } });
    addRow("quote inside unquoted field", "ab\"cd,e\n", q, Rows { { "ab\"cd", "e" } });
    addRow("text after closing quote continues quoted", "\"x\"y,z\nw,v\"\nlast\n", q + "simp=0",
        Rows { { "xy,z\nw,v" }, { "last" } });
    addRow("empty quoted field", "\"\",b\n", q, Rows { { "", "b" } });
    addRow("unterminated quote runs to the end", "a,\"b\nc,d\n", q, Rows { { "a", "b c,d" } });
    addRow(
        "no final line break keeps last row", "a,b\nc,d", q, Rows { { "a", "b" }, { "c", "d" } });
    addRow("bare CR ends a row, quoted", "a,b\rc,d\r", q, Rows { { "a", "b" }, { "c", "d" } });
    addRow("bare CR ends a row, unquoted", "a,b\rc,d\r", u, Rows { { "a", "b" }, { "c", "d" } });
    addRow("CRLF rows, unquoted", "a,b\r\nc,d\r\n", u, Rows { { "a", "b" }, { "c", "d" } });
    addRow("quotes mean nothing unquoted", "\"a,b\",c\n", u, Rows { { "\"a", "b\"", "c" } });
    addRow("repeated delimiters kept, quoted", "a,,b\n", q, Rows { { "a", "", "b" } });
    addRow("repeated delimiters ignored, quoted", "a,,b\n", q + "rep=1", Rows { { "a", "b" } });
    addRow("repeated delimiters ignored, unquoted", "a,,b\n", u + "rep=1", Rows { { "a", "b" } });
    addRow(
        "trailing empty field survives, quoted", "a,b,\n", q + "rep=1", Rows { { "a", "b", "" } });
    addRow("trailing empty field survives, unquoted", "a,b,,\n", u + "rep=1",
        Rows { { "a", "b", "" } });
    addRow("leading run dropped, quoted", ",,a\n", q + "rep=1", Rows { { "a" } });
    addRow("leading run collapsed, unquoted", ",,a\n", u + "rep=1", Rows { { "", "a" } });
    addRow("ignored first rows count empty lines", "\nheader junk\na,b\n", q + "skip=2",
        Rows { { "a", "b" } });
    addRow("quoted line break is one physical row", "\"x\ny\"\na,b\n", q + "skip=1",
        Rows { { "a", "b" } });
    addRow("trim", "  a , b\t\n", q, Rows { { "a", "b" } });
    addRow("no trim, no simplify", " a\t, b \n", q + "trim=0 simp=0", Rows { { " a\t", " b " } });
    addRow("simplify tab without collapsing spaces", "a\tb  c,d\n", q + "trim=0",
        Rows { { "a b  c", "d" } });
    addRow("simplify other white space", QString::fromUtf8("a\u00a0b\u2003c,d\n"), q,
        Rows { { "a b c", "d" } });
    addRow("empty rows dropped", "a,b\n\n , \nc,d\n", q, Rows { { "a", "b" }, { "c", "d" } });
    addRow("empty rows kept", "a,b\n\nc,d\n", q + "empty=0",
        Rows { { "a", "b" }, { "", "" }, { "c", "d" } });
    addRow("short rows padded", "a\nb,c,d\n", q, Rows { { "a", "", "" }, { "b", "c", "d" } });
    addRow("custom delimiter", "a*b*\"c*d\"\n", "delim=8 custom=* quote=1",
        Rows { { "a", "b", "c*d" } });
    addRow("quote as custom delimiter", "a\"b\"c\n", "delim=8 custom=\" quote=1",
        Rows { { "a", "b", "c" } });
    addRow("tab delimiter", "a\tb\n", "delim=4 quote=2", Rows { { "a", "b" } });
    addRow("unit separator",
        QStringLiteral("a\x1f"
                       "b\n"),
        "delim=9", Rows { { "a", "b" } });
    addRow("unknown delimiter value is comma", "a,b;c\n", "delim=42", Rows { { "a", "b;c" } });
    addRow("NUL is data", QString::fromLatin1("a\0b,c\n", 6), q,
        Rows { { QString::fromLatin1("a\0b", 3), "c" } });
    addRow("plain text: one value per line", "a,b\n\n  c \r\nd\re\n", "plain=1",
        Rows { { "a,b" }, { "c" }, { "d" }, { "e" } });
    addRow("plain text keeps quotes", "\"a\"\n", "plain=1", Rows { { "\"a\"" } });
    addRow("empty text", "", q, Rows {});
}

void TestDelimitedReader::parsesRecords()
{
    QFETCH(QString, text);
    QFETCH(QString, opts);

    // The rows must not depend on whether the Dataset pools its values.
    for (bool pooling : { true, false }) {
        ReadOptions o = options(opts);
        o.pooling = pooling;
        const ReadResult result = readPastedText(text, o);
        QVERIFY(result.ok());
        QTEST(rowsOf(result.dataset), "expected");
    }
}

void TestDelimitedReader::poolsRepeatedValues_data()
{
    QTest::addColumn<bool>("pooling");
    QTest::addColumn<QString>("opts");

    addRow("pooled, quoted", true, "quote=1");
    addRow("pooled, unquoted", true, "quote=2");
    addRow("pooled, simplified", true, "quote=1 trim=0");
    addRow("maximum speed", false, "quote=1");
}

void TestDelimitedReader::poolsRepeatedValues()
{
    QFETCH(bool, pooling);
    QFETCH(QString, opts);

    // Each value of the first column is also the same after simplifying.
    ReadOptions o = options(opts);
    o.pooling = pooling;
    const ReadResult result = readPastedText("a\tb,x\na\tb,y\na b,x\n", o);
    QCOMPARE(result.dataset.pooling(), pooling);
    const Dataset& d = result.dataset;
    QCOMPARE(d.rowCount(), 3);
    QCOMPARE(d.value(2, 0), QStringLiteral("a b"));
    QCOMPARE(d.value(0, 0), d.value(2, 0));
    QCOMPARE(d.value(0, 0).constData() == d.value(2, 0).constData(), pooling);
    QCOMPARE(d.value(0, 1).constData() == d.value(2, 1).constData(), pooling);
    QVERIFY(d.value(0, 1).constData() != d.value(1, 1).constData());
}

void TestDelimitedReader::reports_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<QStringList>("information");
    QTest::addColumn<QStringList>("warnings");

    const QString q = QStringLiteral("delim=1 quote=1 ");
    addRow("ragged rows", "a,b,c\nd,e,f\ng,h,i,j,k\n", q, QStringList(),
        QStringList { "Number of columns per row vary:\n"
                      "2 input rows have 3 values: E.g. input row 1\n"
                      "1 input row has 5 values: E.g. input row 3" });
    addRow("ragged rows after ignored rows", "skip\nskip\na,b\nc\nd\ne,f\n", q + "skip=2",
        QStringList(),
        QStringList { "Number of columns per row vary:\n"
                      "2 input rows have 1 value: E.g. input row 4\n"
                      "2 input rows have 2 values: E.g. input row 3" });
    addRow("dropped blank line still counts", "a,b\n\n\nc,d\n", q,
        QStringList { "2 empty row(s) ignored" },
        QStringList { "Number of columns per row vary:\n"
                      "2 input rows have 1 value: E.g. input row 2\n"
                      "2 input rows have 2 values: E.g. input row 1" });
    addRow("counts without group separators", "a,b\n" + QStringLiteral("c\n").repeated(1101), q,
        QStringList(),
        QStringList { "Number of columns per row vary:\n"
                      "1101 input rows have 1 value: E.g. input row 2\n"
                      "1 input row has 2 values: E.g. input row 1" });
    addRow("even rows", "a,b\nc,d", q, QStringList(), QStringList());
    addRow("plain text reports only empty rows", "a\n\nb,c\n", "plain=1",
        QStringList { "1 empty row(s) ignored" }, QStringList());
    addRow("empty text", "", q, QStringList(), QStringList());
}

void TestDelimitedReader::reports()
{
    QFETCH(QString, text);
    QFETCH(QString, opts);
    QFETCH(QStringList, information);
    QFETCH(QStringList, warnings);

    const ReadResult result = readPastedText(text, options(opts));
    QVERIFY(result.ok());
    QCOMPARE(result.information, information);
    QCOMPARE(result.warnings, warnings);
}

void TestDelimitedReader::guessesDelimiter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("information");
    QTest::addColumn<QString>("quoting");

    const QString quoted = QStringLiteral("Quoted");
    addRow("tie goes to comma", QString("a,b;").repeated(10),
        guessLine("Comma (,)", 40, { 10, 10, 0, 0, 0, 0 }), quoted);
    addRow("nothing to count", "abc\n", guessLine("Comma (,)", 4, { 0, 0, 0, 0, 0, 0 }), quoted);
    addRow("tabs beat commas", "a\tb\tc\td,e,f\n", guessLine("Tab (\\t)", 12, { 2, 0, 0, 0, 3, 0 }),
        "Unquoted");
    addRow("semicolons", "a;b;c\n1;2,5;3\n", guessLine("Semi-colon (;)", 14, { 1, 4, 0, 0, 0, 0 }),
        quoted);
    addRow("pipes", "a|b|c\n", guessLine("Pipe (|)", 6, { 0, 0, 2, 0, 0, 0 }), quoted);
    addRow("carets", "a^b\n", guessLine("Caret (^)", 4, { 0, 0, 0, 1, 0, 0 }), quoted);
    addRow("unit separators",
        QStringLiteral("a\x1f"
                       "b\n"),
        guessLine("Unit separator (0x1F)", 4, { 0, 0, 0, 0, 0, 1 }), quoted);
    addRow("quotes are not taken into account", "\"a;b;c\",d\n",
        guessLine("Semi-colon (;)", 10, { 1, 2, 0, 0, 0, 0 }), quoted);
    addRow("colons and spaces are never guessed", "a:b:c d e\n",
        guessLine("Comma (,)", 10, { 0, 0, 0, 0, 0, 0 }), quoted);
    addRow("only the first 4096 characters",
        QString("a;b\n").repeated(1024) + QString(5000, QLatin1Char(',')),
        guessLine("Semi-colon (;)", 4096, { 0, 1024, 0, 0, 0, 0 }), quoted);
}

void TestDelimitedReader::guessesDelimiter()
{
    QFETCH(QString, text);
    QFETCH(QString, information);
    QFETCH(QString, quoting);

    const ReadResult result = readPastedText(text, options(QString()));
    QVERIFY(result.ok());
    QCOMPARE(result.information.value(0), information);
    QCOMPARE(result.information.value(1),
        QStringLiteral("Quoting=Automatic guesses '%1', set 'Quoting' option to change")
            .arg(quoting));
}

void TestDelimitedReader::readsFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<Rows>("expected");

    const Rows people { { "id", "name" }, { "1", "Ann" }, { "2", "Bob" } };
    addRow("quoted CRLF", "quoted_crlf.csv", "simp=0",
        Rows { { "id", "text", "n" }, { "1", "plain", "10" }, { "2", "comma, inside", "20" },
            { "3", "two\r\nlines", "30" }, { "4", "say \"hi\"", "40" } });
    addRow("CR only", "cr_only.csv", "", people);
    addRow("tabs, quotes mean nothing", "tabs.tsv", "",
        Rows { { "a", "b", "c", "" }, { "\"x", "y\"", "2", "3" } });
    addRow("repeated spaces", "repeated.txt", "delim=7 rep=1",
        Rows { { "a", "b", "c" }, { "d", "e", "f" } });
    addRow("ignored first rows", "lf_only.csv", "skip=1", Rows { { "1", "Ann" }, { "2", "Bob" } });
}

void TestDelimitedReader::readsFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, opts);

    const QString path = dataFile(file);
    const ReadResult result = readTextFile(path, options(opts));
    QVERIFY2(result.ok(), qPrintable(result.warnings.join(QLatin1Char('\n'))));
    QTEST(rowsOf(result.dataset), "expected");
    QCOMPARE(result.information.value(0),
        QStringLiteral("Read file '%1'").arg(QDir::toNativeSeparators(path)));
}

void TestDelimitedReader::reportsFileGuessesInOrder()
{
    const QString path = dataFile("lf_only.csv");
    const ReadResult result = readTextFile(path, options(QString()));
    QVERIFY(result.ok());
    const QStringList expected {
        QStringLiteral("Read file '%1'").arg(QDir::toNativeSeparators(path)),
        QStringLiteral("Encoding=Automatic guesses 'UTF-8', set 'Encoding' option to change"),
        guessLine("Comma (,)", 20, { 3, 0, 0, 0, 0, 0 }),
        QStringLiteral("Quoting=Automatic guesses 'Quoted', set 'Quoting' option to change")
    };
    QCOMPARE(result.information, expected);
    QCOMPARE(result.warnings, QStringList());
}

void TestDelimitedReader::decodes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<Rows>("expected");
    QTest::addColumn<bool>("encodingGuessed");
    QTest::addColumn<QString>("warning");

    const Rows cities { { "name", "city" },
        { QString::fromUtf8("Zo\u00eb"), QString::fromUtf8("K\u00f8benhavn") },
        { QString::fromUtf8("Jos\u00e9"), QString::fromUtf8("\u6771\u4eac") } };
    const Rows drinks { { "name", "drink" },
        { QString::fromUtf8("Ren\u00e9"), QString::fromUtf8("caf\u00e9 cr\u00e8me") } };
    addRow("UTF-8 with BOM", "utf8_bom.csv", "Automatic", cities, true, "");
    addRow("UTF-16LE with BOM", "utf16le_bom.csv", "Automatic", cities, true, "");
    addRow("UTF-16BE with BOM", "utf16be_bom.csv", "Automatic", cities, true, "");
    addRow("UTF-8 BOM with UTF-8 named", "utf8_bom.csv", "UTF-8", cities, false, "");
    addRow("Latin-1 named", "latin1.csv", "ISO-8859-1", drinks, false, "");
    addRow("Latin-1 by another name", "latin1.csv", "latin1", drinks, false, "");
    addRow("Latin-1 read as UTF-8", "latin1.csv", "Automatic",
        Rows { { "name", "drink" },
            { QString::fromUtf8("Ren\ufffd"), QString::fromUtf8("caf\ufffd cr\ufffdme") } },
        true,
        QString::fromUtf8("'%1' has bytes that are not valid UTF-8 (shown as \ufffd), set "
                          "'Encoding' option to change"));
    // The tests run in a UTF-8 locale.
    addRow("System is the locale's encoding", "utf8_bom.csv", "System", cities, false, "");
    addRow("unknown codec reads UTF-8", "utf8_bom.csv", "No-Such-Codec", cities, false,
        "Encoding 'No-Such-Codec' is not available, reading as UTF-8");
}

void TestDelimitedReader::decodes()
{
    QFETCH(QString, file);
    QFETCH(QString, encoding);
    QFETCH(QString, warning);

    const QString path = dataFile(file);
    const ReadResult result = readTextFile(path, options("enc=" + encoding));
    QVERIFY(result.ok());
    QTEST(rowsOf(result.dataset), "expected");
    if (warning.contains(QLatin1String("%1")))
        warning = warning.arg(QDir::toNativeSeparators(path));
    const QString guess
        = QStringLiteral("Encoding=Automatic guesses 'UTF-8', set 'Encoding' option to change");
    QTEST(result.information.contains(guess), "encodingGuessed");
    QCOMPARE(result.warnings, warning.isEmpty() ? QStringList() : QStringList { warning });
}

void TestDelimitedReader::appliesHeaderOption_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("applied");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("rows");

    addRow("words over data", "Name,Age\nAnn,30\n", 2, 1, QStringList { "Name", "Age" }, 1);
    addRow("numbers", "1,2\n3,4\n", 2, 0, QStringList { "1", "2" }, 2);
    addRow("one number among words", "Name,2020\nAnn,30\n", 2, 0, QStringList { "1", "2" }, 2);
    addRow("one row", "Name,Age\n", 2, 0, QStringList { "1", "2" }, 1);
    addRow("yes", "1,2\n3,4\n", 1, 1, QStringList { "1", "2" }, 1);
    addRow("yes, taken from data", "x,y\n3,4\n", 1, 1, QStringList { "x", "y" }, 1);
    addRow("no", "x,y\n3,4\n", 0, 0, QStringList { "1", "2" }, 2);
}

void TestDelimitedReader::appliesHeaderOption()
{
    QFETCH(QString, text);
    QFETCH(int, option);
    QFETCH(int, applied);

    const ReadResult result
        = readPastedText(text, options(QStringLiteral("header=%1").arg(option)));
    QVERIFY(result.ok());
    QCOMPARE(result.hasHeader, applied);
    QCOMPARE(result.dataset.hasHeader(), applied == HeaderYes);
    QTEST(result.dataset.columnNames(), "names");
    QTEST(result.dataset.rowCount(), "rows");
}

void TestDelimitedReader::failsWithFileName_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");

    addRow("missing", "missing", "File '%1' not found");
    addRow("directory", "directory", "Unable to read '%1'");
    addRow("unreadable", "unreadable", "Unable to read '%1'");
}

void TestDelimitedReader::failsWithFileName()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = dir.filePath("missing.csv");
    if (kind == QLatin1String("directory")) {
        path = dir.filePath("folder.csv");
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("unreadable")) {
        path = dir.filePath("locked.csv");
        QVERIFY(writeFile(path, "a,b\n"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("This user can read files without read permission");
    }
    // A relative path is reported as the absolute one.
    const QString relative = QDir::current().relativeFilePath(path);
    const ReadResult result = readTextFile(relative, options(QString()));
    QVERIFY(result.error);
    QVERIFY(!result.dataset.hasRows());
    QCOMPARE(result.warnings,
        QStringList { message.arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())) });
}

void TestDelimitedReader::survivesBinaryInput()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray bytes(300000, '\0');
    QRandomGenerator random(7);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(random.bounded(256));
    // Long runs of NUL bytes, as in executables and images.
    bytes.replace(1000, 5000, QByteArray(5000, '\0'));
    const QString path = dir.filePath("binary.csv");
    QVERIFY(writeFile(path, bytes));

    for (const QString& opts :
        QStringList { "", "quote=2", "plain=1", "enc=UTF-16LE", "enc=UTF-32" }) {
        const ReadResult result = readTextFile(path, options(opts));
        QVERIFY2(result.ok(), qPrintable(opts));
        QVERIFY(result.dataset.hasRows());
        const QString warnings = result.warnings.join(QLatin1Char('\n'));
        QVERIFY2(warnings.contains(QStringLiteral("NUL character(s)")), qPrintable(warnings));
        QVERIFY2(warnings.contains(QDir::toNativeSeparators(path)), qPrintable(warnings));
    }
}

void TestDelimitedReader::decodesAcrossBlocks_data()
{
    QTest::addColumn<int>("shift");

    // Every byte of a 2-, 3- and 4-byte UTF-8 sequence in turn ends a block,
    // between blocks of plain ASCII.
    for (int shift = 0; shift <= 9; ++shift)
        QTest::addRow("shift %d", shift) << shift;
}

void TestDelimitedReader::decodesAcrossBlocks()
{
    QFETCH(int, shift);

    const QString wide = QString::fromUtf8("\u00e9\u20ac\U0001F600");
    const QString first = QString(TextSource::BlockChars - shift, QLatin1Char('x')) + wide;
    const QString text = first + ",b\n" + QString("tail,c\n").repeated(10000);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("utf8.csv");
    QVERIFY(writeFile(path, text.toUtf8()));

    const ReadResult result = readTextFile(path, options("delim=1 quote=1"));
    QVERIFY(result.ok());
    QCOMPARE(result.warnings, QStringList());
    QCOMPARE(result.dataset.rowCount(), 10001);
    QVERIFY(result.dataset.value(0, 0) == first);
    QCOMPARE(result.dataset.row(10000), (QStringList { "tail", "c" }));
}

void TestDelimitedReader::keepsRecordsAcrossBlocks_data()
{
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<int>("shift");

    // Every shift of the repeating record puts a different character of it
    // (CR, LF, doubled quote, delimiter) at the end of a block.
    for (bool fromFile : { false, true }) {
        for (bool quoted : { true, false }) {
            const int recordLength = quoted ? 22 : 21;
            for (int shift = 0; shift < recordLength; ++shift)
                QTest::addRow("%s %s shift %d", fromFile ? "file" : "text",
                    quoted ? "quoted" : "unquoted", shift)
                    << fromFile << quoted << shift;
        }
    }
}

void TestDelimitedReader::keepsRecordsAcrossBlocks()
{
    QFETCH(bool, fromFile);
    QFETCH(bool, quoted);
    QFETCH(int, shift);

    // Quoted record: 7-digit id, a quoted value with a doubled quote and a
    // CRLF inside, and a last value; 22 characters with its CRLF.
    // Unquoted record: two rows, the first ended by a bare CR; 21 characters.
    // A long first value brings the records to the end of the first block.
    const char* quotedFormat = "%1,\"q\"\"x\r\ny\",ee\r\n";
    const char* unquotedFormat = "%1,ab\r%1,c\r\n";
    const int records = 8;
    const QString padding(TextSource::BlockChars - 80 + shift, QLatin1Char('P'));
    QString text = padding + QStringLiteral("\r\n");
    for (int i = 0; i < records; ++i)
        text += QString::fromLatin1(quoted ? quotedFormat : unquotedFormat)
                    .arg(i, 7, 10, QLatin1Char('0'));

    // Empty rows are kept so that a CR LF pair split into two breaks shows.
    ReadOptions o = options(quoted ? "delim=1 quote=1 simp=0 empty=0" : "delim=1 quote=2 empty=0");
    ReadResult result;
    QTemporaryDir dir;
    if (fromFile) {
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("blocks.csv");
        QVERIFY(writeFile(path, text.toUtf8()));
        result = readTextFile(path, o);
        // The same in chunks: the text after the first block from its bytes.
        const ReadResult inChunks = readFileInChunks(path, o, 2, 1000);
        QVERIFY(inChunks.ok());
        QCOMPARE(rowsOf(inChunks.dataset), rowsOf(result.dataset));
    } else {
        result = readPastedText(text, o);
    }
    QVERIFY(result.ok());
    const Dataset& d = result.dataset;
    QCOMPARE(d.rowCount(), 1 + records * (quoted ? 1 : 2));
    QCOMPARE(d.row(0).first(), padding);
    for (int i = 0; i < records; ++i) {
        const QString id = QStringLiteral("%1").arg(i, 7, 10, QLatin1Char('0'));
        const QStringList expected
            = quoted ? QStringList { id, "q\"x\r\ny", "ee" } : QStringList { id, "ab" };
        const int row = quoted ? 1 + i : 1 + 2 * i;
        if (d.row(row) != expected)
            QFAIL(qPrintable(QStringLiteral("row %1: %2").arg(row).arg(d.row(row).join('|'))));
        if (!quoted && d.row(row + 1) != QStringList { id, "c" })
            QFAIL(qPrintable(
                QStringLiteral("row %1: %2").arg(row + 1).arg(d.row(row + 1).join('|'))));
    }
}

void TestDelimitedReader::reportsProgressAndStops()
{
    const QString text = QStringLiteral("alpha,\"beta\",gamma\n").repeated(20000);
    for (const QString& opts : QStringList { "quote=1", "quote=2", "plain=1" }) {
        QVector<qreal> seen;
        ReadProgress progress;
        progress.from = 0.5;
        progress.to = 0.75;
        progress.callback = [&seen](qreal f) {
            seen.append(f);
            return true;
        };
        const ReadResult result = readPastedText(text, options(opts), progress);
        QVERIFY(result.ok());
        QCOMPARE(result.dataset.rowCount(), 20000);
        // 380,000 characters: every 50,000 quoted, every 10,000 otherwise.
        QVERIFY2(seen.size() >= (opts == "quote=1" ? 7 : 37), qPrintable(opts));
        QVERIFY(std::is_sorted(seen.cbegin(), seen.cend()));
        QVERIFY(seen.first() >= 0.5 && seen.last() <= 0.75);

        int calls = 0;
        progress.callback = [&calls](qreal) { return ++calls < 2; };
        const ReadResult stopped = readPastedText(text, options(opts), progress);
        QVERIFY(stopped.stopped);
        QVERIFY(stopped.error);
        QVERIFY(stopped.warnings.contains(QStringLiteral("Stopped by user")));
        QVERIFY(stopped.dataset.rowCount() < 20000);
    }
}

void TestDelimitedReader::streamsLongLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("firstLength");

    // Far longer than a block: a value or a row that spans hundreds of
    // blocks must be built in linear time.
    const int n = 4000000;
    const QString longValue(n, QLatin1Char('v'));
    addRow("one long value", longValue + "\n", "quote=1", 1, n);
    addRow("one long value, unquoted", longValue, "quote=2", 1, n);
    addRow("unterminated quote", "\"" + longValue + ",x\ny", "quote=1", 1, n + 4);
    addRow("doubled quotes throughout", "\"" + QString("a\"\"").repeated(n / 3) + "\"\n", "quote=1",
        1, 2 * (n / 3));
    const int fields = 300000;
    addRow("many fields in one row", QString("ab,").repeated(fields), "quote=1", fields + 1, 2);
    addRow("plain text", longValue, "plain=1", 1, n);
}

void TestDelimitedReader::streamsLongLines()
{
    QFETCH(QString, text);
    QFETCH(QString, opts);

    for (bool fromFile : { false, true }) {
        ReadResult result;
        QTemporaryDir dir;
        if (fromFile) {
            const QString path = dir.filePath("long.csv");
            QVERIFY(writeFile(path, text.toUtf8()));
            result = readTextFile(path, options("delim=1 " + opts));
        } else {
            result = readPastedText(text, options("delim=1 " + opts));
        }
        QVERIFY(result.ok());
        QCOMPARE(result.dataset.rowCount(), 1);
        QTEST(result.dataset.columnCount(), "columns");
        QTEST(result.dataset.value(0, 0).size(), "firstLength");
    }
}

// A read that hands its rows over in blocks keeps no table to save memory
// in: a column of many values stops sharing one text per value between
// blocks (its pool retires), while a column of few values still shares.
void TestDelimitedReader::handedOverBlocksPoolFewValues()
{
    QByteArray text;
    const int rows = 40000;
    // 4,000 values five times each, then the same again.
    for (int i = 0; i < rows; ++i)
        text += "v" + QByteArray::number((i / 5) % 4000) + ",c" + QByteArray::number(i % 5) + "\n";
    QTemporaryDir dir;
    const QString path = dir.filePath("many.csv");
    QVERIFY(writeFile(path, text));
    ReadOptions o = options("delim=1");
    QString firstMany;
    QString firstFew;
    int handed = 0;
    bool manyShared = true;
    bool fewShared = true;
    o.handOver.blockRows = 1000;
    o.handOver.chunkChars = 4096;
    o.handOver.poolValues = 100;
    o.handOver.take = [&](Dataset&& block) {
        for (int r = 0; r < block.rowCount(); ++r) {
            const int row = handed + r;
            if (block.value(r, 0) != QStringLiteral("v%1").arg((row / 5) % 4000))
                return false;
            if (row == 0) {
                firstMany = block.value(r, 0);
                firstFew = block.value(r, 1);
            } else if (row == rows / 2) {
                manyShared = block.value(r, 0).constData() == firstMany.constData();
                fewShared = block.value(r, 1).constData() == firstFew.constData();
            }
        }
        handed += block.rowCount();
        return true;
    };
    const ReadResult blocks = readTextFile(path, o);
    QVERIFY(blocks.ok());
    QCOMPARE(handed + blocks.dataset.rowCount(), rows);
    QVERIFY(!manyShared);
    QVERIFY(fewShared);
}

// Random texts of short and long fields, quotes, doubled quotes and every
// kind of line break, in bytes (a file of ASCII read in chunks, a window of
// bytes at a time) and in characters (the same text on one thread, a field
// at a time): the same rows either way.
void TestDelimitedReader::bytesReadAsCharacters_data()
{
    QTest::addColumn<QString>("opts");
    addRow("comma", "delim=1 quote=1 simp=0 trim=0 empty=0");
    addRow("comma, repeated delimiters ignored", "delim=1 quote=1 simp=0 trim=0 empty=0 rep=1");
    addRow("tab, cleaned", "delim=4 quote=1");
    addRow("semicolon, unquoted", "delim=2 quote=2 simp=0 trim=0 empty=0");
}

void TestDelimitedReader::bytesReadAsCharacters()
{
    QFETCH(QString, opts);
    const ReadOptions o = options(opts);
    const QStringList fields { "", "a", "bb", " c ", QString(40, 'd'), QString(70, 'e'), "q\"q",
        "\"in, quotes\"", "\"line\r\nbreak\"", "\"\"\"\"", "\"open" };
    const QStringList ends { ",", ",", ",", "\t", ";", "\n", "\r\n", "\r", ",\r\n", "\r\r\n" };
    QRandomGenerator random(64);
    for (int round = 0; round < 20; ++round) {
        QString text;
        while (text.size() < 4000) {
            // Mostly plain fields: a quote that opens far from its close
            // swallows the rest.
            const int pick = random.bounded(fields.size() * 4);
            text += pick < fields.size() ? fields.at(pick) : fields.at(pick % 5);
            text += ends.at(random.bounded(ends.size()));
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("ascii.csv");
        QVERIFY(writeFile(path, text.toLatin1()));
        const Rows byteRows = rowsOf(readFileInChunks(path, o, 2, 256).dataset);
        TextSource source(text);
        const Rows charRows
            = rowsOf(readInChunks(source, o, 1, ParseThreads::DefaultChunkChars).dataset);
        QVERIFY(charRows.size() > 20);
        if (byteRows != charRows)
            QFAIL(qPrintable(QStringLiteral("round %1 differs").arg(round)));
    }
}

QTEST_GUILESS_MAIN(TestDelimitedReader)
#include "tst_delimitedreader.moc"
