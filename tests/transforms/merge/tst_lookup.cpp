#include "mergefixture.h"

#include "core/values.h"
#include "transforms/merge/lookupmatch.h"
#include "transforms/merge/transformlookup.h"

namespace {

// A Lookup of top rows "k|n" in bottom rows "k|v", keyed on k, fetching v.
// Rows are given as in textTable, without the header.
struct LookupRun
{
    LookupRun(const QString& top, const QString& bottom)
        : f(new TransformLookup, { textTable("k|n;" + top), textTable("k|v;" + bottom) })
    {
        f.choose("Top_Lookup_Column", 0);
        f.choose("Bottom_Lookup_Column", 0);
        f.choose("Bottom_Value_Column", 1);
    }
    // The values of the new column, joined by ";".
    QString newColumn()
    {
        const Dataset& out = f.run();
        QStringList values;
        for (int r = 0; r < out.rowCount(); ++r)
            values << out.value(r, out.lastColumn());
        return values.join(';');
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
        prepareTextTests();
        setDefaultDateFormats(standardDateFormats(QLocale()));
    }

    void exact_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("bottom");
        QTest::addColumn<QVariantMap>("options");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, const char* top, const char* bottom,
                       const QVariantMap& options, const char* values, const char* summary) {
            QTest::newRow(name) << top << bottom << options << values << summary;
        };
        const QVariantMap all { { "Bottom_Values_Used", "All" } };
        const QVariantMap ignoreEmpty { { "Empty_Values", true } };
        const char* one = "1 matched, 0 unmatched";
        const char* none = "0 matched, 1 unmatched";
        row("first value of a repeated key", "a|1;a|2", "a|x;a|y;a|x", {}, "x;x",
            "2 matched, 0 unmatched");
        row("all different values in bottom order", "a|1", "a|x;a|y;a|x", all, "x,y", one);
        row("all with another delimiter", "a|1", "a|x;a|y",
            { { "Bottom_Values_Used", "All" }, { "Delim", "; " } }, "x; y", one);
        row("an empty value is a value", "a|1", "a|;a|z", {}, "", one);
        row("empty values ignored", "a|1", "a|;a|z", ignoreEmpty, "z", one);
        row("only empty values, ignored", "a|1", "a|", ignoreEmpty, "", none);
        row("no match value with column variables", "q|7;a|8", "a|x",
            { { "Non_Matching_Value", "- $(2)/$( k )/$(zz)/$(9)" } }, "- 7/q/$(zz)/$(9);x",
            "1 matched, 1 unmatched");
        row("miss left unchanged shows the top key", "q|7", "a|x",
            { { "If_No_Match", "Leave unchanged" }, { "Non_Matching_Value", "-" } }, "q", none);
        row("case insensitive", "A|1", "a|x", { { "Case_Sensitive", false } }, "x", one);
        row("case sensitive", "A|1", "a|x", {}, "", none);
        row("a trailing blank is part of the key", "a |1", "a|x", { { "Non_Matching_Value", "?" } },
            "?", none);
    }

    void exact()
    {
        QFETCH(QString, top);
        QFETCH(QString, bottom);
        QFETCH(QVariantMap, options);
        QFETCH(QString, summary);
        LookupRun run(top, bottom);
        for (auto it = options.constBegin(); it != options.constEnd(); ++it)
            run.f.set(it.key(), it.value());
        QTEST(run.newColumn(), "values");
        QCOMPARE(run.f.summary(), summary);
        // The top dataset itself is unchanged.
        QCOMPARE(run.f.output().columnCount(), 3);
        QCOMPARE(run.f.output().value(0, 1), top.section('|', 1, 1).section(';', 0, 0));
    }

    void relations_data()
    {
        QTest::addColumn<QString>("matchType");
        QTest::addColumn<QString>("topKey");
        QTest::addColumn<QString>("bottom");
        QTest::addColumn<QString>("flags"); // A all values, i ignore case
        QTest::addColumn<QString>("value"); // "?" is the no match value
        struct Case
        {
            const char *name, *type, *top, *bottom, *flags, *value;
        };
        const Case cases[] = {
            { "equal numbers", "Equal", "1.0", "2|two;1|one", "", "one" },
            { "equal dates in two formats", "Equal", "2024-03-01", "x|no;3/1/2024|d", "", "d" },
            { "equal texts", "Equal", "abc", "abd|1;abc|2", "", "2" },
            { "not equal", "Not equal", "1.0", "1|one;2|two", "", "two" },
            { "not exact, first", "Not exact", "a", "a|1;b|2;c|3", "", "2" },
            { "not exact, all", "Not exact", "a", "a|1;b|2;c|3", "A", "2,3" },
            { "bottom contains top, all", "Bottom contains top", "app",
                "pineapple|p;pear|x;apple|a", "A", "p,a" },
            { "bottom contains top, any case", "Bottom contains top", "APP", "pineapple|p", "i",
                "p" },
            { "bottom contains top, case", "Bottom contains top", "APP", "pineapple|p", "", "?" },
            { "bottom starts with top", "Bottom starts with top", "app", "pineapple|p;apple|a", "",
                "a" },
            { "bottom ends with top", "Bottom ends with top", "pie", "pie crust|c;apple pie|a", "",
                "a" },
            { "bottom greater: numbers", "Bottom greater than top", "9", "8|eight;10|ten", "",
                "ten" },
            { "bottom greater or equal", "Bottom greater than equal to top", "10", "9|nine;10|ten",
                "", "ten" },
            { "top greater: texts", "Top greater than bottom", "b", "c|c;a|a", "", "a" },
            { "top greater or equal: dates", "Top greater than equal to bottom", "2024-03-01",
                "2024-03-02|later;2/29/2024|before", "", "before" },
            { "bottom matches top regex", "Bottom matches top regex", "^a.c$", "abc|1;xabc|2;AXC|3",
                "Ai", "1,3" },
            { "top matches bottom regex", "Top matches bottom regex", "order-123",
                "^inv|i;\\d+$|num", "", "num" },
            { "regex ignoring case keeps escapes", "Top matches bottom regex", "ORDER-1",
                "^\\D+-\\d$|p", "i", "p" },
            { "top contains bottom", "Top contains bottom", "big apple", "pear|p;apple|a", "",
                "a" },
            { "top starts with bottom", "Top starts with bottom", "apple pie", "pie|x;apple|y", "",
                "y" },
            { "top ends with bottom", "Top ends with bottom", "apple pie", "apple|y;pie|x", "",
                "x" },
            { "bottom doesn't contain top", "Bottom doesn't contain top", "a", "cat|1;dog|2", "",
                "2" },
            { "bottom doesn't start with top", "Bottom doesn't start with top", "a", "ant|1;cat|2",
                "", "2" },
            { "bottom doesn't end with top", "Bottom doesn't end with top", "t", "ant|1;cow|2", "",
                "2" },
            { "top doesn't contain bottom", "Top doesn't contain bottom", "cat", "a|1;o|2", "",
                "2" },
            { "top doesn't start with bottom", "Top doesn't start with bottom", "cat", "c|1;a|2",
                "", "2" },
            { "top doesn't end with bottom", "Top doesn't end with bottom", "cat", "t|1;a|2", "",
                "2" },
            { "nothing related", "Bottom contains top", "zz", "apple|1", "A", "?" },
            { "all: a value once across keys", "Top contains bottom", "abc", "a|1;b|2;a|1;c|1", "A",
                "1,2" },
        };
        for (const Case& c : cases)
            QTest::newRow(c.name) << c.type << c.top << c.bottom << c.flags << c.value;
    }

    void relations()
    {
        QFETCH(QString, matchType);
        QFETCH(QString, topKey);
        QFETCH(QString, bottom);
        QFETCH(QString, flags);
        QFETCH(QString, value);
        QVERIFY(lookupMatchTypeNames().contains(matchType));
        // The same key twice: the second answer comes from the cache.
        LookupRun run(topKey + "|1;" + topKey + "|2", bottom);
        run.f.set("Match_Type", matchType);
        run.f.set("Bottom_Values_Used", flags.contains('A') ? "All" : "First");
        run.f.set("Case_Sensitive", !flags.contains('i'));
        run.f.set("Non_Matching_Value", "?");
        QCOMPARE(run.newColumn(), value + ';' + value);
        QCOMPARE(run.f.summary(),
            value == "?" ? QStringLiteral("0 matched, 2 unmatched")
                         : QStringLiteral("2 matched, 0 unmatched"));
    }

    void fuzzy_data()
    {
        QTest::addColumn<QString>("topKey");
        QTest::addColumn<QString>("bottom");
        QTest::addColumn<int>("fuzziness");
        QTest::addColumn<QString>("used");
        QTest::addColumn<QString>("value");
        auto row = [](const char* name, const char* top, const QString& bottom, int fuzziness,
                       const char* used, const char* value) {
            QTest::newRow(name) << top << bottom << fuzziness << used << value;
        };
        // Smith: Smyth and Smath are 80 close, Smithe 83, Jones nowhere near.
        const QString names = "Smyth|a;Jones|c;Smithe|b";
        const QString ties = "Smyth|a;Smath|b;Smyth|c";
        const QString exact = "Smyth|a;Smith|b;Smith|c;Smith|b";
        row("first best", "Smith", names, 80, "First best", "b");
        row("all best", "Smith", names, 80, "All best", "b");
        row("all, closest first", "Smith", names, 80, "All", "b,a");
        row("above one of them", "Smith", names, 81, "All", "b");
        row("above both", "Smith", names, 84, "First best", "?");
        row("equally close: the first", "Smith", ties, 80, "First best", "a");
        row("equally close: all", "Smith", ties, 80, "All best", "a,b,c");
        row("identical key wins", "Smith", exact, 80, "First best", "b");
        row("identical key, its values", "Smith", exact, 80, "All best", "b,c");
        row("case ignored by lowering", "SMITH", "smith|s", 100, "First best", "s");
    }

    void fuzzy()
    {
        QFETCH(QString, topKey);
        QFETCH(QString, bottom);
        QFETCH(int, fuzziness);
        QFETCH(QString, used);
        LookupRun run(topKey + "|1", bottom);
        run.f.set("Match_Type", "Fuzzy");
        run.f.set("Fuzziness", fuzziness);
        run.f.set("Fuzzy_Bottom_Values_Used", used);
        run.f.set("Case_Sensitive", topKey != "SMITH");
        run.f.set("Non_Matching_Value", "?");
        QTEST(run.newColumn(), "value");
        // "Bottom_Values_Used" does not apply and is not asked for.
        QVERIFY(run.f.warnings().isEmpty());
    }

    void newColumnName()
    {
        LookupRun run("a|1", "a|x");
        QCOMPARE(run.f.run().columnNames(), (QStringList { "k", "n", "Lookup v" }));
        run.f.set("Auto_New_Name", false);
        run.f.set("New_Name", "Found");
        QCOMPARE(run.f.run().columnNames(), (QStringList { "k", "n", "Found" }));
        // The new column gets an identity of its own; the top columns keep theirs.
        const Dataset& out = run.f.output();
        QCOMPARE(out.columnId(0), run.f.source(0)->dataset().columnId(0));
        QCOMPARE(out.columnId(2), ColumnId(run.f.node()->id(), 1));
    }

    void reports()
    {
        LookupRun run("a|1;b|2; c|3;d|4;d|5", "a|x;a|y;b|z;c |w");
        QCOMPARE(run.newColumn(), QStringLiteral("x;z;;;"));
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
        QVERIFY(run.newColumn().startsWith(QStringLiteral("x,y;")));
        QVERIFY(!run.f.information().join('\n').contains("duplicated"));
    }

    void invalidRegexMatchesNothing()
    {
        LookupRun run("([|1", "abc|x");
        run.f.set("Match_Type", "Bottom matches top regex");
        run.f.set("Non_Matching_Value", "?");
        QCOMPARE(run.newColumn(), QStringLiteral("?"));
        QCOMPARE(run.f.warnings(), QStringList { "Invalid regular expression '(['" });
    }

    // All three column options follow the items: the key columns change places,
    // and the value column moves to the new bottom item, to the column of the
    // same name when there is one.
    void movingBottomAboveTopSwapsRoles()
    {
        MergeFixture f(new TransformLookup,
            { textTable("id|name;1|Ann;2|Bob"), textTable("name|id;Oslo|2;Rome|1") });
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
        QCOMPARE(tableText(f.run()), QStringLiteral("name|id|Lookup name;Oslo|2|Bob;Rome|1|Ann"));
    }
};

QTEST_MAIN(TestLookup)
#include "tst_lookup.moc"
