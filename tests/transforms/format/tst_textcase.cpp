// Case, Whitespace, Pad, Chop, Insert and Extract on small datasets.
#include "textharness.h"

#include "transforms/format/transformcase.h"
#include "transforms/format/transformchop.h"
#include "transforms/format/transformextract.h"
#include "transforms/format/transforminsert.h"
#include "transforms/format/transformpad.h"
#include "transforms/format/transformwhitespace.h"

class TestTextCase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void caseModes_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("keepUpper");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        auto row
            = [](const char* name, const char* mode, bool keep, const char* in, const char* out) {
                  QTest::newRow(name) << QString::fromLatin1(mode) << keep << QString::fromUtf8(in)
                                      << QString::fromUtf8(out);
              };
        row("lower, full mapping", "Lower case", false, "ÄBC Def", "äbc def");
        row("upper, sharp s", "Upper case", false, "straße", "STRASSE");
        row("title", "Title case", false, "hello WORLD", "Hello World");
        row("title keep upper", "Title case", true, "hello WORLD", "Hello WORLD");
        row("title apostrophe continues word", "Title case", false, "O'NEIL", "O'Neil");
        row("title mixed word", "Title case", false, "mcDonald's", "Mcdonald's");
        row("title after digit and hyphen", "Title case", false, "3rd jean-luc", "3Rd Jean-Luc");
        row("title combining mark", "Title case", false, "zoe\u0308 SMITH", "Zoe\u0308 Smith");
        row("sentence", "Sentence case", false, "the END. next", "The end. next");
        row("sentence keep upper", "Sentence case", true, "the END. next", "The END. next");
        row("sentence first letter after digits", "Sentence case", false, " 42 APPLES",
            " 42 Apples");
        row("lower camel", "Lower camel case", false, "  first  second third", "firstSecondThird");
        row("upper camel", "Upper camel case", false, "  first  second third", "FirstSecondThird");
        row("lower camel lowers shouting", "Lower camel case", true, "HELLO big WORLD",
            "helloBigWorld");
        row("camel of blank", "Upper camel case", false, " \t ", "");
        row("kebab", "Kebab case", false, "A  b\tc", "A-b-c");
        row("kebab keeps outer runs", "Kebab case", false, " a b ", "-a-b-");
        row("snake", "Snake case", false, "Total Sales\nQ1", "Total_Sales_Q1");
        row("inverted", "Inverted case", false, "Hello World 1", "hELLO wORLD 1");
    }

    void caseModes()
    {
        QFETCH(QString, mode);
        QFETCH(bool, keepUpper);
        QFETCH(QString, input);
        TransformRun t(new TransformCase, oneColumn({ input, QStringLiteral("x") }));
        t.columns({ 0 })
            .choose(QStringLiteral("Case"), mode)
            .set(QStringLiteral("Keep_Upper"), keepUpper);
        t.run();
        QTEST(t.output().value(0, 0), "expected");
        QCOMPARE(t.status(), int(StatusUpToDate));
    }

    void whitespace_data()
    {
        QTest::addColumn<QStringList>("off");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const QStringList& off, const char* in, const char* out) {
            QTest::newRow(name) << off << QString::fromUtf8(in) << QString::fromUtf8(out);
        };
        row("all switches, in order", {}, "  a \t b\r\n c  ", "a b c");
        row("no-break and narrow spaces", {}, "a\u00A0\u00A0b\u202Fc", "a b c");
        row("bell and zero-width space removed", {}, "a\u0007b\u200Bc", "abc");
        row("emoji is printable", {}, "ok \U0001F600", "ok \U0001F600");
        row("clean value untouched", {}, "a b", "a b");
        row("no trim keeps single outer spaces", { "Trim" }, " a ", " a ");
        row("no trim still collapses", { "Trim" }, "  a", " a");
        row("line feed kept is then removed as non-printable", { "Line_Feed" }, "a\nb", "ab");
        row("tab kept when both are off", { "Tab", "Non_Printable" }, "a\tb", "a\tb");
        row("carriage return kept without removal switches", { "Carriage_Return", "Non_Printable" },
            "a\r\nb", "a\r b");
        row("runs kept", { "Consecutive_Spaces" }, "a\t\tb", "a  b");
    }

    void whitespace()
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

    void pad_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("side");
        QTest::addColumn<QString>("with");
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("summary");
        auto row
            = [](const char* name, int length, const QString& side, const QString& with,
                  const QStringList& input, const QStringList& expected, const QString& summary) {
                  QTest::newRow(name) << length << side << with << input << expected << summary;
              };
        row("left zeros", 3, "Left", QStringLiteral("0"), { "7", "12345", "", "42" },
            { "007", "12345", "000", "042" }, "3 changed, 1 unchanged");
        row("right stars", 4, "Right", QStringLiteral("*"), { "ab", "abcd" }, { "ab**", "abcd" },
            "1 changed, 1 unchanged");
        row("length zero", 0, "Left", QStringLiteral("0"), { "a" }, { "a" }, "No changes");
    }

    void pad()
    {
        QFETCH(int, length);
        QFETCH(QString, side);
        QFETCH(QString, with);
        QFETCH(QStringList, input);
        QFETCH(QString, summary);
        TransformRun t(new TransformPad, oneColumn(input));
        t.columns({ 0 })
            .set(QStringLiteral("Length"), length)
            .choose(QStringLiteral("Left_Right"), side);
        t.set(QStringLiteral("Pad_With"), QVariant::fromValue(with.at(0)));
        t.run();
        QTEST(t.outputColumn(0), "expected");
        QCOMPARE(t.summary(), summary);
        QVERIFY(t.warnings().isEmpty());
    }

    void chop_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, int length, const char* from, const char* expected) {
            QTest::newRow(name) << length << from << expected;
        };
        row("start", 2, "Start", "cdef");
        row("end", 2, "End", "abcd");
        row("longer than value", 10, "Start", "");
        row("exactly the value", 6, "End", "");
        row("zero changes nothing", 0, "End", "abcdef");
    }

    void chop()
    {
        QFETCH(int, length);
        QFETCH(QString, from);
        TransformRun t(new TransformChop, oneColumn({ QStringLiteral("abcdef") }));
        t.columns({ 0 }).set(QStringLiteral("Length"), length).choose(QStringLiteral("From"), from);
        t.run();
        QTEST(t.output().value(0, 0), "expected");
    }

    void insertWithColumnVariables_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("with");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, const char* text, const char* with,
                       const QStringList& expected) {
            QTest::newRow(name) << text << with << expected << "3 changed";
        };
        row("plain at start", "#", "Start", { "#x", "#y", "#" });
        row("by name at end", "-$(code)", "End", { "x-A1", "y-B2", "-" });
        row("by number, spaces ignored", "$( 2 ):", "Start", { "A1:x", "B2:y", ":" });
        row("unknown variable stays", "$(nope)", "End", { "x$(nope)", "y$(nope)", "$(nope)" });
    }

    void insertWithColumnVariables()
    {
        QFETCH(QString, text);
        QFETCH(QString, with);
        QFETCH(QString, summary);
        TransformRun t(new TransformInsert,
            makeDataset({ "value", "code" }, { { "x", "A1" }, { "y", "B2" }, { "", "" } }));
        t.columns({ 0 }).set(QStringLiteral("Insert"), text).choose(QStringLiteral("With"), with);
        t.run();
        QTEST(t.outputColumn(0), "expected");
        QCOMPARE(t.outputColumn(1), QStringList({ "A1", "B2", "" }));
        QCOMPARE(t.summary(), summary);
    }

    void extract_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        auto text = [](const char* name, int length, const char* from, int offset, const char* in,
                        const char* out) {
            QTest::newRow(name) << "Text" << length << from << offset << QString() << true
                                << QString::fromUtf8(in) << QString::fromUtf8(out);
        };
        auto regex = [](const char* name, const char* pattern, bool caseSensitive, const char* in,
                         const char* out) {
            QTest::newRow(name) << "Regex" << 0 << "Start" << 0 << pattern << caseSensitive
                                << QString::fromUtf8(in) << QString::fromUtf8(out);
        };
        text("start offset", 3, "Start", 1, "abcdef", "bcd");
        text("end offset", 2, "End", 1, "abcdef", "de");
        text("end longer than value", 10, "End", 0, "abc", "abc");
        text("end offset past start", 2, "End", 5, "abc", "");
        text("start past end", 2, "Start", 3, "abc", "");
        // Hand-edited documents can hold any int: positions must not overflow.
        text("longest length after an offset", INT_MAX, "Start", 5, "abcdefgh", "fgh");
        text("largest offset", 2, "Start", INT_MAX, "abc", "");
        text("lowest offset from the end", 1, "End", INT_MIN, "abc", "");
        regex("first group", "(\\d+)-", true, "ab12-34", "12");
        regex("second group ignored", "(\\w)(\\d)", true, "a1", "a");
        regex("no match", "^x", true, "ab12-34", "");
        regex("whole match without groups", "\\d+", true, "x42y7", "42");
        regex("case sensitive", "ab", true, "xABy", "");
        regex("case insensitive", "ab", false, "xABy", "AB");
        regex("unicode word", "^\\w+", true, "Müller sen", "Müller");
        regex("invalid pattern empties", "(", true, "abc", "");
    }

    void extract()
    {
        QFETCH(QString, mode);
        QFETCH(int, length);
        QFETCH(QString, from);
        QFETCH(int, offset);
        QFETCH(QString, pattern);
        QFETCH(bool, caseSensitive);
        QFETCH(QString, input);
        TransformRun t(new TransformExtract, oneColumn({ input }));
        t.columns({ 0 }).choose(QStringLiteral("Using"), mode).choose(QStringLiteral("From"), from);
        t.set(QStringLiteral("Length"), length).set(QStringLiteral("Offset"), offset);
        t.set(QStringLiteral("Matching"), pattern)
            .set(QStringLiteral("Case_Sensitive"), caseSensitive);
        t.run();
        QTEST(t.output().value(0, 0), "expected");
        // The unused half of the options is disabled, so an empty pattern in
        // text mode is no unset option.
        QVERIFY(t.warnings().isEmpty());
    }
};

QTEST_MAIN(TestTextCase)
#include "tst_textcase.moc"
