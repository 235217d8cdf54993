// Case, Whitespace, Pad, Chop, Insert and Extract on small datasets.
#include "textharness.h"

#include "transforms/format/transformcase.h"
#include "transforms/format/transformchop.h"
#include "transforms/format/transformextract.h"
#include "transforms/format/transforminsert.h"
#include "transforms/format/transformpad.h"
#include "transforms/format/transformwhitespace.h"

#include <QTest>

class TestTextCase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }
    void caseModes_data();
    void caseModes();
    void whitespace_data();
    void whitespace();
    void pad_data();
    void pad();
    void chop_data();
    void chop();
    void insertWithColumnVariables_data();
    void insertWithColumnVariables();
    void extract_data();
    void extract();
};

void TestTextCase::caseModes_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("keepUpper");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    auto row
        = [](const char* name, const char* mode, bool keep, const QString& in, const QString& out) {
              QTest::newRow(name) << QString::fromLatin1(mode) << keep << in << out;
          };
    row("lower, full mapping", "Lower case", false, QStringLiteral("ÄBC Def"),
        QStringLiteral("äbc def"));
    row("upper, sharp s", "Upper case", false, QStringLiteral("straße"), QStringLiteral("STRASSE"));
    row("title", "Title case", false, QStringLiteral("hello WORLD"), QStringLiteral("Hello World"));
    row("title keep upper", "Title case", true, QStringLiteral("hello WORLD"),
        QStringLiteral("Hello WORLD"));
    row("title apostrophe continues word", "Title case", false, QStringLiteral("O'NEIL"),
        QStringLiteral("O'Neil"));
    row("title mixed word", "Title case", false, QStringLiteral("mcDonald's"),
        QStringLiteral("Mcdonald's"));
    row("title after digit and hyphen", "Title case", false, QStringLiteral("3rd jean-luc"),
        QStringLiteral("3Rd Jean-Luc"));
    row("title combining mark", "Title case", false, QStringLiteral("zoe\u0308 SMITH"),
        QStringLiteral("Zoe\u0308 Smith"));
    row("sentence", "Sentence case", false, QStringLiteral("the END. next"),
        QStringLiteral("The end. next"));
    row("sentence keep upper", "Sentence case", true, QStringLiteral("the END. next"),
        QStringLiteral("The END. next"));
    row("sentence first letter after digits", "Sentence case", false, QStringLiteral(" 42 APPLES"),
        QStringLiteral(" 42 Apples"));
    row("lower camel", "Lower camel case", false, QStringLiteral("  first  second third"),
        QStringLiteral("firstSecondThird"));
    row("upper camel", "Upper camel case", false, QStringLiteral("  first  second third"),
        QStringLiteral("FirstSecondThird"));
    row("lower camel lowers shouting", "Lower camel case", true, QStringLiteral("HELLO big WORLD"),
        QStringLiteral("helloBigWorld"));
    row("camel of blank", "Upper camel case", false, QStringLiteral(" \t "), QString());
    row("kebab", "Kebab case", false, QStringLiteral("A  b\tc"), QStringLiteral("A-b-c"));
    row("kebab keeps outer runs", "Kebab case", false, QStringLiteral(" a b "),
        QStringLiteral("-a-b-"));
    row("snake", "Snake case", false, QStringLiteral("Total Sales\nQ1"),
        QStringLiteral("Total_Sales_Q1"));
    row("inverted", "Inverted case", false, QStringLiteral("Hello World 1"),
        QStringLiteral("hELLO wORLD 1"));
}

void TestTextCase::caseModes()
{
    QFETCH(QString, mode);
    QFETCH(bool, keepUpper);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    TransformRun t(new TransformCase, oneColumn({ input, QStringLiteral("x") }));
    t.columns({ 0 })
        .choose(QStringLiteral("Case"), mode)
        .set(QStringLiteral("Keep_Upper"), keepUpper);
    t.run();
    QCOMPARE(t.output().value(0, 0), expected);
    QCOMPARE(t.status(), int(StatusUpToDate));
}

void TestTextCase::whitespace_data()
{
    QTest::addColumn<QStringList>("off");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all switches, in order")
        << QStringList() << QStringLiteral("  a \t b\r\n c  ") << QStringLiteral("a b c");
    QTest::newRow("no-break and narrow spaces")
        << QStringList() << QStringLiteral("a\u00A0\u00A0b\u202Fc") << QStringLiteral("a b c");
    QTest::newRow("bell and zero-width space removed")
        << QStringList() << QStringLiteral("a\u0007b\u200Bc") << QStringLiteral("abc");
    QTest::newRow("emoji is printable")
        << QStringList() << QStringLiteral("ok \U0001F600") << QStringLiteral("ok \U0001F600");
    QTest::newRow("clean value untouched")
        << QStringList() << QStringLiteral("a b") << QStringLiteral("a b");
    QTest::newRow("no trim keeps single outer spaces")
        << QStringList { QStringLiteral("Trim") } << QStringLiteral(" a ") << QStringLiteral(" a ");
    QTest::newRow("no trim still collapses")
        << QStringList { QStringLiteral("Trim") } << QStringLiteral("  a") << QStringLiteral(" a");
    QTest::newRow("line feed kept is then removed as non-printable")
        << QStringList { QStringLiteral("Line_Feed") } << QStringLiteral("a\nb")
        << QStringLiteral("ab");
    QTest::newRow("tab kept when both are off")
        << QStringList { QStringLiteral("Tab"), QStringLiteral("Non_Printable") }
        << QStringLiteral("a\tb") << QStringLiteral("a\tb");
    QTest::newRow("carriage return kept without removal switches")
        << QStringList { QStringLiteral("Carriage_Return"), QStringLiteral("Non_Printable") }
        << QStringLiteral("a\r\nb") << QStringLiteral("a\r b");
    QTest::newRow("runs kept") << QStringList { QStringLiteral("Consecutive_Spaces") }
                               << QStringLiteral("a\t\tb") << QStringLiteral("a  b");
}

void TestTextCase::whitespace()
{
    QFETCH(QStringList, off);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    TransformRun t(new TransformWhitespace, oneColumn({ input }));
    t.columns({ 0 });
    for (const QString& key : off)
        t.set(key, false);
    t.run();
    QCOMPARE(t.output().value(0, 0), expected);
    QCOMPARE(t.summary(),
        input == expected ? QStringLiteral("No changes")
                          : QStringLiteral("1 changed, 0 unchanged"));
}

void TestTextCase::pad_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("side");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("summary");
    QTest::newRow("left zeros") << 3 << "Left"
                                << "0" << QStringList { "7", "12345", "", "42" }
                                << QStringList { "007", "12345", "000", "042" }
                                << "3 changed, 1 unchanged";
    QTest::newRow("right stars") << 4 << "Right"
                                 << "*" << QStringList { "ab", "abcd" }
                                 << QStringList { "ab**", "abcd" } << "1 changed, 1 unchanged";
    QTest::newRow("length zero") << 0 << "Left"
                                 << "0" << QStringList { "a" } << QStringList { "a" }
                                 << "No changes";
}

void TestTextCase::pad()
{
    QFETCH(int, length);
    QFETCH(QString, side);
    QFETCH(QString, with);
    QFETCH(QStringList, input);
    QFETCH(QStringList, expected);
    QFETCH(QString, summary);
    TransformRun t(new TransformPad, oneColumn(input));
    t.columns({ 0 })
        .set(QStringLiteral("Length"), length)
        .choose(QStringLiteral("Left_Right"), side);
    t.set(QStringLiteral("Pad_With"), QVariant::fromValue(with.at(0)));
    t.run();
    QCOMPARE(t.outputColumn(0), expected);
    QCOMPARE(t.summary(), summary);
    QVERIFY(t.warnings().isEmpty());
}

void TestTextCase::chop_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("expected");
    QTest::newRow("start") << 2 << "Start"
                           << "cdef";
    QTest::newRow("end") << 2 << "End"
                         << "abcd";
    QTest::newRow("longer than value") << 10 << "Start"
                                       << "";
    QTest::newRow("exactly the value") << 6 << "End"
                                       << "";
    QTest::newRow("zero changes nothing") << 0 << "End"
                                          << "abcdef";
}

void TestTextCase::chop()
{
    QFETCH(int, length);
    QFETCH(QString, from);
    QFETCH(QString, expected);
    TransformRun t(new TransformChop, oneColumn({ QStringLiteral("abcdef") }));
    t.columns({ 0 }).set(QStringLiteral("Length"), length).choose(QStringLiteral("From"), from);
    t.run();
    QCOMPARE(t.output().value(0, 0), expected);
}

void TestTextCase::insertWithColumnVariables_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("summary");
    QTest::newRow("plain at start") << "#"
                                    << "Start" << QStringList { "#x", "#y", "#" } << "3 changed";
    QTest::newRow("by name at end") << "-$(code)"
                                    << "End" << QStringList { "x-A1", "y-B2", "-" } << "3 changed";
    QTest::newRow("by number, spaces ignored")
        << "$( 2 ):"
        << "Start" << QStringList { "A1:x", "B2:y", ":" } << "3 changed";
    QTest::newRow("unknown variable stays")
        << "$(nope)"
        << "End" << QStringList { "x$(nope)", "y$(nope)", "$(nope)" } << "3 changed";
}

void TestTextCase::insertWithColumnVariables()
{
    QFETCH(QString, text);
    QFETCH(QString, with);
    QFETCH(QStringList, expected);
    QFETCH(QString, summary);
    TransformRun t(new TransformInsert,
        makeDataset({ "value", "code" }, { { "x", "A1" }, { "y", "B2" }, { "", "" } }));
    t.columns({ 0 }).set(QStringLiteral("Insert"), text).choose(QStringLiteral("With"), with);
    t.run();
    QCOMPARE(t.outputColumn(0), expected);
    QCOMPARE(t.outputColumn(1), QStringList({ "A1", "B2", "" }));
    QCOMPARE(t.summary(), summary);
}

void TestTextCase::extract_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("start offset") << "Text" << 3 << "Start" << 1 << "" << true << "abcdef"
                                  << "bcd";
    QTest::newRow("end offset") << "Text" << 2 << "End" << 1 << "" << true << "abcdef"
                                << "de";
    QTest::newRow("end longer than value") << "Text" << 10 << "End" << 0 << "" << true << "abc"
                                           << "abc";
    QTest::newRow("end offset past start") << "Text" << 2 << "End" << 5 << "" << true << "abc"
                                           << "";
    QTest::newRow("start past end") << "Text" << 2 << "Start" << 3 << "" << true << "abc"
                                    << "";
    // Hand-edited documents can hold any int: positions must not overflow.
    QTest::newRow("longest length after an offset")
        << "Text" << INT_MAX << "Start" << 5 << "" << true << "abcdefgh"
        << "fgh";
    QTest::newRow("largest offset") << "Text" << 2 << "Start" << INT_MAX << "" << true << "abc"
                                    << "";
    QTest::newRow("lowest offset from the end")
        << "Text" << 1 << "End" << INT_MIN << "" << true << "abc"
        << "";
    QTest::newRow("first group") << "Regex" << 0 << "Start" << 0 << "(\\d+)-" << true << "ab12-34"
                                 << "12";
    QTest::newRow("second group ignored")
        << "Regex" << 0 << "Start" << 0 << "(\\w)(\\d)" << true << "a1"
        << "a";
    QTest::newRow("no match") << "Regex" << 0 << "Start" << 0 << "^x" << true << "ab12-34"
                              << "";
    QTest::newRow("whole match without groups")
        << "Regex" << 0 << "Start" << 0 << "\\d+" << true << "x42y7"
        << "42";
    QTest::newRow("case sensitive") << "Regex" << 0 << "Start" << 0 << "ab" << true << "xABy"
                                    << "";
    QTest::newRow("case insensitive") << "Regex" << 0 << "Start" << 0 << "ab" << false << "xABy"
                                      << "AB";
    QTest::newRow("unicode word") << "Regex" << 0 << "Start" << 0 << "^\\w+" << true << "Müller sen"
                                  << "Müller";
    QTest::newRow("invalid pattern empties") << "Regex" << 0 << "Start" << 0 << "(" << true << "abc"
                                             << "";
}

void TestTextCase::extract()
{
    QFETCH(QString, mode);
    QFETCH(int, length);
    QFETCH(QString, from);
    QFETCH(int, offset);
    QFETCH(QString, pattern);
    QFETCH(bool, caseSensitive);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    TransformRun t(new TransformExtract, oneColumn({ input }));
    t.columns({ 0 }).choose(QStringLiteral("Using"), mode).choose(QStringLiteral("From"), from);
    t.set(QStringLiteral("Length"), length).set(QStringLiteral("Offset"), offset);
    t.set(QStringLiteral("Matching"), pattern).set(QStringLiteral("Case_Sensitive"), caseSensitive);
    t.run();
    QCOMPARE(t.output().value(0, 0), expected);
    // The unused half of the options is disabled, so an empty pattern in
    // text mode is no unset option.
    QVERIFY(t.warnings().isEmpty());
}

QTEST_MAIN(TestTextCase)
#include "tst_textcase.moc"
