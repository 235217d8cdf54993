// Replace terms of every match type, the regex replacement rules, column
// variables, and Substitute without a header. Cases of several terms and of
// column variables in terms are golden cases (tests/data/transforms).
#include "textharness.h"

#include "transforms/format/replacematcher.h"
#include "transforms/format/transformreplace.h"
#include "transforms/other/transformsubstitute.h"
#include "transforms/support/columnvariables.h"

namespace {

ReplaceTerm term(MatchType type, const QString& find, const QString& replace)
{
    return ReplaceTerm { int(type), find, replace };
}

} // namespace

Q_DECLARE_METATYPE(MatchType)

class TestTextReplace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void matchTypes_data()
    {
        QTest::addColumn<MatchType>("type");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, MatchType type, const QString& find, const QString& replace,
                       bool cs, const QString& in, const QString& out) {
            QTest::newRow(name) << type << find << replace << cs << in << out;
        };
        using M = MatchType;
        row("text every occurrence", M::Text, "a", "x", true, "banana", "bxnxnx");
        row("text case sensitive misses", M::Text, "A", "x", true, "banana", "banana");
        row("text case insensitive", M::Text, "AN", "-", false, "banana", "b--a");
        row("text empty find skipped", M::Text, "", "x", true, "abc", "abc");
        row("exact whole cell", M::ExactText, "abc", "z", true, "abc", "z");
        row("exact not a part", M::ExactText, "abc", "z", true, "abcd", "abcd");
        row("exact case insensitive", M::ExactText, "abc", "z", false, "ABC", "z");
        row("regex groups", M::Regex, "(\\w+)@(\\w+)", "\\2 at \\1", true, "joe@site",
            "site at joe");
        row("regex case insensitive", M::Regex, "^b", "B", false, "bob", "Bob");
        row("regex case sensitive", M::Regex, "^B", "x", true, "bob", "bob");
        row("regex invalid changes nothing", M::Regex, "(", "x", true, "a(b", "a(b");
        row("regex every match", M::Regex, "\\d", "#", true, "a1b22", "a#b##");
        row("empty cell", M::Empty, "ignored", "n/a", true, "", "n/a");
        row("empty leaves values", M::Empty, "", "n/a", true, "x", "x");
        row("letters removed", M::Letters, "", "", true, "a1b2é", "12");
        row("digits incl. other scripts", M::Digits, "", "#", true, "a1\u0663b\u00B2",
            "a##b\u00B2");
        row("punctuation", M::Punctuation, "", "", true, "a,b.c!-(d)", "abcd");
        row("symbols", M::Symbols, "", "", true, "a+b=c$^", "abc");
        row("whitespace", M::Whitespace, "", "_", true, "a b\tc\u00A0d", "a_b_c_d");
        row("currency", M::Currency, "", "", true, "\u20AC5 $3 \u00A3", "5 3 ");
        row("non-ASCII keeps Latin-1", M::NonAscii, "", "", true, "caf\u00E9 \u20AC", "caf\u00E9 ");
        row("non-ASCII pair is one character", M::NonAscii, "", "?", true, "a\U0001F600b", "a?b");
        row("class replacement not rescanned", M::Letters, "", "ab", true, "x1", "ab1");
    }

    void matchTypes()
    {
        QFETCH(MatchType, type);
        QFETCH(QString, find);
        QFETCH(QString, replace);
        QFETCH(bool, caseSensitive);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        TransformRun t(new TransformReplace, oneColumn({ input }));
        t.columns({ 0 }).set(QStringLiteral("Case_Sensitive"), caseSensitive);
        t.set(QStringLiteral("Replace"),
            QVariant::fromValue(ReplaceTermList { term(type, find, replace) }));
        t.run();
        QCOMPARE(t.output().value(0, 0), expected);

        // The matching that filters share agrees with what replacing does.
        const ReplaceMatcher matcher(
            term(type, find, replace), caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
        QCOMPARE(matcher.matches(input), input != expected);
    }

    void regexReplacementRules_data()
    {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const QString& find, const QString& replace,
                       const QString& input, const QString& expected) {
            QTest::newRow(name) << find << replace << input << expected;
        };
        row("group beyond count is literal", "(a)", "\\2\\1", "a", "\\2a");
        row("two digits only when that group exists", "(a)", "\\12", "a", "a2");
        row("group ten", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "\\10\\1", "abcdefghij", "ja");
        row("zero is literal", "(a)", "\\0", "xa", "x\\0");
        row("escaped backslash before group", "(a)", "\\\\1", "a", "\\a");
        row("empty matches", "x*", "-", "abc", "-a-b-c-");
        row("unmatched group is empty", "(a)|(b)", "[\\2]", "ab", "[][b]");
        row("no match keeps value", "\\d", "#", "abc", "abc");
    }

    void regexReplacementRules()
    {
        QFETCH(QString, find);
        QFETCH(QString, replace);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        const ReplaceMatcher matcher(term(MatchType::Regex, find, replace), Qt::CaseSensitive);
        QCOMPARE(matcher.apply(input), expected);
        // The same rules as the toolkit's own regex replace.
        QString viaToolkit = input;
        viaToolkit.replace(
            QRegularExpression(find, QRegularExpression::UseUnicodePropertiesOption), replace);
        QCOMPARE(viaToolkit, expected);
    }

    void columnVariables_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const QString& text, const QString& expected) {
            QTest::newRow(name) << text << expected;
        };
        row("by name", "<$(a)>", "<1>");
        row("name with spaces around", "$( b )$(b)", "22");
        row("by number", "$(3)", "3");
        row("name before number", "$(4)", "x");
        row("number out of range", "$(9)", "$(9)");
        row("unknown name", "$(zz)", "$(zz)");
        row("unclosed", "a$(b", "a$(b");
        row("nested", "$($(2))", "$(2)");
        row("values are not rescanned", "$(c)", "$(a)");
        row("no variables", "plain", "plain");
    }

    void columnVariables()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const Dataset data
            = makeDataset({ "a", "b", "a", "4", "c" }, { { "1", "2", "3", "x", "$(a)" } });
        const ColumnVariables vars(text, data);
        QCOMPARE(vars.expand(data.row(0)), expected);
        QCOMPARE(ColumnVariables::expand(text, data, 0), expected);
        QCOMPARE(vars.hasVariables(), text != expected);
    }

    void columnVariablesReportSharedNames()
    {
        const Dataset data = makeDataset({ "a", "b", "a", "b" }, { { "1", "2", "3", "4" } });
        QCOMPARE(ColumnVariables("$(a)$(1)", data).ambiguousNames(), QStringList { "a" });
        QCOMPARE(
            ColumnVariables("$(b) $(a) $(b)", data).ambiguousNames(), QStringList({ "b", "a" }));
        QVERIFY(ColumnVariables("$(2)", data).ambiguousNames().isEmpty());
        // Without a header, names are the positions.
        Dataset plain;
        plain.setColumnCount(2);
        plain.appendRow({ "p", "q" });
        QCOMPARE(ColumnVariables::expand("$(2)$(1)", plain, 0), QStringLiteral("qp"));
    }

    void substituteNamesColumnWithoutHeader()
    {
        Dataset plain;
        plain.setColumnCount(1);
        plain.appendRow({ "v" });
        TransformRun t(new TransformSubstitute, plain);
        t.set(QStringLiteral("Script"), QStringLiteral("[$(1)]"));
        t.run();
        QCOMPARE(t.output().columnNames(), QStringList({ "1", "Substitute" }));
        QCOMPARE(t.outputColumn(1), QStringList { "[v]" });
    }
};

QTEST_MAIN(TestTextReplace)
#include "tst_textreplace.moc"
