#include "mergefixture.h"

#include "core/values.h"
#include "transforms/lookupmatch.h"
#include "transforms/transformlookup.h"

#include <QLocale>
#include <QStandardPaths>
#include <QTest>

namespace {

// A Lookup of top "k|n" rows in bottom "k|v" rows, keyed on k, fetching v.
struct LookupRun
{
    LookupRun(const QStringList& top, const QStringList& bottom)
        : f(new TransformLookup, { dataset("k|n", top), dataset("k|v", bottom) })
    {
        f.choose("Top_Lookup_Column", 0);
        f.choose("Bottom_Lookup_Column", 0);
        f.choose("Bottom_Value_Column", 1);
    }
    QStringList newColumn()
    {
        const Dataset& out = f.run();
        QStringList values;
        for (int r = 0; r < out.rowCount(); ++r)
            values << out.value(r, out.lastColumn());
        return values;
    }
    MergeFixture f;
};

} // namespace

class TestLookup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        setDefaultDateFormats(standardDateFormats(QLocale()));
    }
    void init() { RunState::clearStopRequest(); }

    void exact_data();
    void exact();
    void relations_data();
    void relations();
    void fuzzy_data();
    void fuzzy();
    void newColumnName();
    void reports();
    void invalidRegexMatchesNothing();
    void oneInputOrUnsetColumns();
    void movingBottomAboveTopSwapsRoles();
};

void TestLookup::exact_data()
{
    QTest::addColumn<QStringList>("top");
    QTest::addColumn<QStringList>("bottom");
    QTest::addColumn<QVariantMap>("options");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("summary");

    const QStringList abx { "a|x", "a|y", "a|x" };
    QTest::newRow("first value of a repeated key")
        << QStringList { "a|1", "a|2" } << abx << QVariantMap {} << QStringList { "x", "x" }
        << "2 matched, 0 unmatched";
    QTest::newRow("all different values in bottom order")
        << QStringList { "a|1" } << abx << QVariantMap { { "Bottom_Values_Used", "All" } }
        << QStringList { "x,y" } << "1 matched, 0 unmatched";
    QTest::newRow("all with another delimiter")
        << QStringList { "a|1" } << abx
        << QVariantMap { { "Bottom_Values_Used", "All" }, { "Delim", "; " } }
        << QStringList { "x; y" } << "1 matched, 0 unmatched";
    QTest::newRow("an empty value is a value")
        << QStringList { "a|1" } << QStringList { "a|", "a|z" } << QVariantMap {}
        << QStringList { "" } << "1 matched, 0 unmatched";
    QTest::newRow("empty values ignored") << QStringList { "a|1" } << QStringList { "a|", "a|z" }
                                          << QVariantMap { { "Empty_Values", true } }
                                          << QStringList { "z" } << "1 matched, 0 unmatched";
    QTest::newRow("a key with only empty values misses when they are ignored")
        << QStringList { "a|1" } << QStringList { "a|" } << QVariantMap { { "Empty_Values", true } }
        << QStringList { "" } << "0 matched, 1 unmatched";
    QTest::newRow("no match value with column variables")
        << QStringList { "q|7", "a|8" } << QStringList { "a|x" }
        << QVariantMap { { "Non_Matching_Value", "none $(2)/$( k )/$(zz)/$(9)" } }
        << QStringList { "none 7/q/$(zz)/$(9)", "x" } << "1 matched, 1 unmatched";
    QTest::newRow("miss left unchanged shows the top key")
        << QStringList { "q|7" } << QStringList { "a|x" }
        << QVariantMap { { "If_No_Match", "Leave unchanged" }, { "Non_Matching_Value", "-" } }
        << QStringList { "q" } << "0 matched, 1 unmatched";
    QTest::newRow("case insensitive") << QStringList { "A|1" } << QStringList { "a|x" }
                                      << QVariantMap { { "Case_Sensitive", false } }
                                      << QStringList { "x" } << "1 matched, 0 unmatched";
    QTest::newRow("case sensitive")
        << QStringList { "A|1" } << QStringList { "a|x" } << QVariantMap {} << QStringList { "" }
        << "0 matched, 1 unmatched";
    QTest::newRow("trailing blank is part of the key")
        << QStringList { "a |1" } << QStringList { "a|x" }
        << QVariantMap { { "Non_Matching_Value", "?" } } << QStringList { "?" }
        << "0 matched, 1 unmatched";
}

void TestLookup::exact()
{
    QFETCH(QStringList, top);
    QFETCH(QStringList, bottom);
    QFETCH(QVariantMap, options);
    QFETCH(QStringList, values);
    QFETCH(QString, summary);
    LookupRun run(top, bottom);
    for (auto it = options.constBegin(); it != options.constEnd(); ++it)
        run.f.set(it.key(), it.value());
    QCOMPARE(run.newColumn(), values);
    QCOMPARE(run.f.summary(), summary);
    // The top dataset itself is unchanged.
    QCOMPARE(run.f.output().columnCount(), 3);
    QCOMPARE(run.f.output().value(0, 1), top.first().section('|', 1));
}

void TestLookup::relations_data()
{
    QTest::addColumn<QString>("matchType");
    QTest::addColumn<QString>("topKey");
    QTest::addColumn<QStringList>("bottom");
    QTest::addColumn<bool>("all");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("value"); // "?" is the no match value

    QTest::newRow("equal numbers")
        << "Equal"
        << "1.0" << QStringList { "2|two", "1|one" } << false << true << "one";
    QTest::newRow("equal dates in different formats")
        << "Equal"
        << "2024-03-01" << QStringList { "x|no", "3/1/2024|d" } << false << true << "d";
    QTest::newRow("equal texts") << "Equal"
                                 << "abc" << QStringList { "abd|1", "abc|2" } << false << true
                                 << "2";
    QTest::newRow("not equal") << "Not equal"
                               << "1.0" << QStringList { "1|one", "2|two" } << false << true
                               << "two";
    QTest::newRow("not exact, first")
        << "Not exact"
        << "a" << QStringList { "a|1", "b|2", "c|3" } << false << true << "2";
    QTest::newRow("not exact, all")
        << "Not exact"
        << "a" << QStringList { "a|1", "b|2", "c|3" } << true << true << "2,3";
    QTest::newRow("bottom contains top, all in bottom order")
        << "Bottom contains top"
        << "app" << QStringList { "pineapple|p", "pear|x", "apple|a" } << true << true << "p,a";
    QTest::newRow("bottom contains top, case insensitive")
        << "Bottom contains top"
        << "APP" << QStringList { "pineapple|p" } << false << false << "p";
    QTest::newRow("bottom contains top, case sensitive")
        << "Bottom contains top"
        << "APP" << QStringList { "pineapple|p" } << false << true << "?";
    QTest::newRow("bottom starts with top")
        << "Bottom starts with top"
        << "app" << QStringList { "pineapple|p", "apple|a" } << false << true << "a";
    QTest::newRow("bottom ends with top")
        << "Bottom ends with top"
        << "pie" << QStringList { "pie crust|c", "apple pie|a" } << false << true << "a";
    QTest::newRow("bottom greater than top compares numbers")
        << "Bottom greater than top"
        << "9" << QStringList { "8|eight", "10|ten" } << false << true << "ten";
    QTest::newRow("bottom greater than equal to top")
        << "Bottom greater than equal to top"
        << "10" << QStringList { "9|nine", "10|ten" } << false << true << "ten";
    QTest::newRow("top greater than bottom compares texts")
        << "Top greater than bottom"
        << "b" << QStringList { "c|c", "a|a" } << false << true << "a";
    QTest::newRow("top greater than equal to bottom compares dates")
        << "Top greater than equal to bottom"
        << "2024-03-01" << QStringList { "2024-03-02|later", "2/29/2024|before" } << false << true
        << "before";
    QTest::newRow("bottom matches top regex")
        << "Bottom matches top regex"
        << "^a.c$" << QStringList { "abc|1", "xabc|2", "AXC|3" } << true << false << "1,3";
    QTest::newRow("top matches bottom regex")
        << "Top matches bottom regex"
        << "order-123" << QStringList { "^inv|i", "\\d+$|num" } << false << true << "num";
    QTest::newRow("regex ignoring case keeps its escapes")
        << "Top matches bottom regex"
        << "ORDER-1" << QStringList { "^\\D+-\\d$|p" } << false << false << "p";
    QTest::newRow("top contains bottom")
        << "Top contains bottom"
        << "big apple pie" << QStringList { "pear|p", "apple|a" } << false << true << "a";
    QTest::newRow("top starts with bottom")
        << "Top starts with bottom"
        << "apple pie" << QStringList { "pie|x", "apple|y" } << false << true << "y";
    QTest::newRow("top ends with bottom")
        << "Top ends with bottom"
        << "apple pie" << QStringList { "apple|y", "pie|x" } << false << true << "x";
    QTest::newRow("bottom doesn't contain top")
        << "Bottom doesn't contain top"
        << "a" << QStringList { "cat|1", "dog|2" } << false << true << "2";
    QTest::newRow("bottom doesn't start with top")
        << "Bottom doesn't start with top"
        << "a" << QStringList { "ant|1", "cat|2" } << false << true << "2";
    QTest::newRow("bottom doesn't end with top")
        << "Bottom doesn't end with top"
        << "t" << QStringList { "ant|1", "cow|2" } << false << true << "2";
    QTest::newRow("top doesn't contain bottom")
        << "Top doesn't contain bottom"
        << "cat" << QStringList { "a|1", "o|2" } << false << true << "2";
    QTest::newRow("top doesn't start with bottom")
        << "Top doesn't start with bottom"
        << "cat" << QStringList { "c|1", "a|2" } << false << true << "2";
    QTest::newRow("top doesn't end with bottom")
        << "Top doesn't end with bottom"
        << "cat" << QStringList { "t|1", "a|2" } << false << true << "2";
    QTest::newRow("nothing related") << "Bottom contains top"
                                     << "zz" << QStringList { "apple|1" } << true << true << "?";
    QTest::newRow("all: repeated values once, across keys")
        << "Top contains bottom"
        << "abc" << QStringList { "a|1", "b|2", "a|1", "c|1" } << true << true << "1,2";
}

void TestLookup::relations()
{
    QFETCH(QString, matchType);
    QFETCH(QString, topKey);
    QFETCH(QStringList, bottom);
    QFETCH(bool, all);
    QFETCH(bool, caseSensitive);
    QFETCH(QString, value);
    QVERIFY(lookupMatchTypeNames().contains(matchType));
    // The same key twice: the second answer comes from the cache.
    LookupRun run({ topKey + "|1", topKey + "|2" }, bottom);
    run.f.set("Match_Type", matchType);
    run.f.set("Bottom_Values_Used", all ? "All" : "First");
    run.f.set("Case_Sensitive", caseSensitive);
    run.f.set("Non_Matching_Value", "?");
    QCOMPARE(run.newColumn(), (QStringList { value, value }));
    QCOMPARE(run.f.summary(),
        value == "?" ? QStringLiteral("0 matched, 2 unmatched")
                     : QStringLiteral("2 matched, 0 unmatched"));
}

void TestLookup::fuzzy_data()
{
    QTest::addColumn<QString>("topKey");
    QTest::addColumn<QStringList>("bottom");
    QTest::addColumn<int>("fuzziness");
    QTest::addColumn<QString>("used");
    QTest::addColumn<QString>("value");

    // Smith: Smyth is 80 close, Smithe 83, Jones nowhere near.
    const QStringList names { "Smyth|a", "Jones|c", "Smithe|b" };
    QTest::newRow("first best") << "Smith" << names << 80 << "First best"
                                << "b";
    QTest::newRow("all best") << "Smith" << names << 80 << "All best"
                              << "b";
    QTest::newRow("all, closest first") << "Smith" << names << 80 << "All"
                                        << "b,a";
    QTest::newRow("above one of them") << "Smith" << names << 81 << "All"
                                       << "b";
    QTest::newRow("above both") << "Smith" << names << 84 << "First best"
                                << "?";
    const QStringList ties { "Smyth|a", "Smath|b", "Smyth|c" };
    QTest::newRow("equally close: the first") << "Smith" << ties << 80 << "First best"
                                              << "a";
    QTest::newRow("equally close: all of them") << "Smith" << ties << 80 << "All best"
                                                << "a,b,c";
    const QStringList exact { "Smyth|a", "Smith|b", "Smith|c", "Smith|b" };
    QTest::newRow("identical key wins") << "Smith" << exact << 80 << "First best"
                                        << "b";
    QTest::newRow("identical key, all its values") << "Smith" << exact << 80 << "All best"
                                                   << "b,c";
    QTest::newRow("case is ignored by lowering")
        << "SMITH" << QStringList { "smith|s" } << 100 << "First best"
        << "s";
}

void TestLookup::fuzzy()
{
    QFETCH(QString, topKey);
    QFETCH(QStringList, bottom);
    QFETCH(int, fuzziness);
    QFETCH(QString, used);
    QFETCH(QString, value);
    LookupRun run({ topKey + "|1" }, bottom);
    run.f.set("Match_Type", "Fuzzy");
    run.f.set("Fuzziness", fuzziness);
    run.f.set("Fuzzy_Bottom_Values_Used", used);
    run.f.set("Case_Sensitive", !topKey.startsWith("SMITH"));
    run.f.set("Non_Matching_Value", "?");
    QCOMPARE(run.newColumn(), QStringList { value });
    // "Bottom_Values_Used" does not apply and is not asked for.
    QVERIFY(run.f.warnings().isEmpty());
}

void TestLookup::newColumnName()
{
    LookupRun run({ "a|1" }, { "a|x" });
    QCOMPARE(run.f.run().columnNames(), (QStringList { "k", "n", "Lookup v" }));
    run.f.set("Auto_New_Name", false);
    run.f.set("New_Name", "Found");
    QCOMPARE(run.f.run().columnNames(), (QStringList { "k", "n", "Found" }));
    // The new column gets an identity of its own; the top columns keep theirs.
    const Dataset& out = run.f.output();
    QCOMPARE(out.columnId(0), run.f.source(0)->dataset().columnId(0));
    QCOMPARE(out.columnId(2), ColumnId(run.f.node()->id(), 1));
}

void TestLookup::reports()
{
    LookupRun run({ "a|1", "b|2", " c|3", "d|4", "d|5" }, { "a|x", "a|y", "b|z", "c |w" });
    QCOMPARE(run.newColumn(), (QStringList { "x", "z", "", "", "" }));
    const QStringList expected {
        "1 duplicated keys in the Bottom lookup column:",
        "'a' occurs 2 times",
        "3 misses in the Top lookup column:",
        "' c' at row 3",
        "'d' at row 4",
        "'d' at row 5",
        "1 values with leading or trailing whitespace in the Top lookup column:",
        "' c' at row 3",
        "(keys are whitespace and case sensitive)",
        "1 values with leading or trailing whitespace in the Bottom lookup column:",
        "'c ' at row 4",
        "(keys are whitespace and case sensitive)",
    };
    QCOMPARE(run.f.information(), expected);
    QCOMPARE(run.f.summary(), QStringLiteral("2 matched, 3 unmatched"));

    // With all values, repeated bottom keys are what is wanted, not a problem.
    run.f.set("Bottom_Values_Used", "All");
    QCOMPARE(run.newColumn().first(), QStringLiteral("x,y"));
    QVERIFY(!run.f.information().join('\n').contains("duplicated"));
}

void TestLookup::invalidRegexMatchesNothing()
{
    LookupRun run({ "([|1" }, { "abc|x" });
    run.f.set("Match_Type", "Bottom matches top regex");
    run.f.set("Non_Matching_Value", "?");
    QCOMPARE(run.newColumn(), QStringList { "?" });
    QCOMPARE(run.f.warnings(), QStringList { "Invalid regular expression '(['" });
}

void TestLookup::oneInputOrUnsetColumns()
{
    const Dataset top = dataset("k|n", { "a|1" });
    {
        MergeFixture f(new TransformLookup, { top });
        f.run();
        QVERIFY(f.output().equals(top));
        QCOMPARE(f.summary(), QStringLiteral("Connect a second dataset"));
    }
    MergeFixture f(new TransformLookup, { top, dataset("k|v", { "a|x" }) });
    f.choose("Top_Lookup_Column", 0);
    f.choose("Bottom_Lookup_Column", 0);
    f.run();
    QVERIFY(f.output().equals(top));
    QCOMPARE(f.summary(), QStringLiteral("No changes"));
    QCOMPARE(f.warnings(), QStringList { "1 option not set ('Bottom value column')" });
}

// All three column options follow the items: the key columns change places,
// and the value column moves to the new bottom item, to the column of the
// same name when there is one.
void TestLookup::movingBottomAboveTopSwapsRoles()
{
    MergeFixture f(new TransformLookup,
        { dataset("id|name", { "1|Ann", "2|Bob" }), dataset("name|id", { "Oslo|2", "Rome|1" }) });
    f.choose("Top_Lookup_Column", 0);
    f.choose("Bottom_Lookup_Column", 1);
    f.choose("Bottom_Value_Column", 0);
    Transform* t = f.transform();
    QCOMPARE(t->parameter("Bottom_Value_Column")->sourceItem(), f.source(1));
    QCOMPARE(f.run().row(1), (QStringList { "2", "Bob", "Oslo" }));

    f.source(1)->setPos(0, -100);
    f.scene().onPosChanged({ f.source(1) });
    QCOMPARE(t->parameter("Top_Lookup_Column")->sourceItem(), f.source(1));
    QCOMPARE(t->parameter("Top_Lookup_Column")->summary(), QStringLiteral("id"));
    QCOMPARE(t->parameter("Bottom_Lookup_Column")->sourceItem(), f.source(0));
    QCOMPARE(t->parameter("Bottom_Lookup_Column")->summary(), QStringLiteral("id"));
    QCOMPARE(t->parameter("Bottom_Value_Column")->sourceItem(), f.source(0));
    QCOMPARE(t->parameter("Bottom_Value_Column")->summary(), QStringLiteral("name"));
    const Dataset& out = f.run();
    QCOMPARE(rowsOf(out), table({ "Oslo|2|Bob", "Rome|1|Ann" }));
}

QTEST_MAIN(TestLookup)
#include "tst_lookup.moc"
