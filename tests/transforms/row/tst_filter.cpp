#include "tests/transforms/format/textharness.h"

#include "transforms/column/transformcomparecols.h"
#include "transforms/column/transformif.h"
#include "transforms/row/transformfilter.h"
#include "transforms/support/conditions.h"

namespace {

Dataset people()
{
    return makeDataset({ "name", "amount", "country" },
        splitRows({ "Ann,600,Germany", "Bob,400,Germany", "Cy,700,France", "Di,501.5,germany" }));
}

// A term on a column position, or on any column for -1.
ConditionTerm term(TransformRun& run, const QString& key, int column, int op, const QString& text)
{
    ConditionTerm t;
    if (column >= 0)
        t.column = run.parameter(key)->referenceAt(column);
    t.op = op;
    t.text = text;
    return t;
}

} // namespace

class TestFilter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void filter_data()
    {
        QTest::addColumn<int>("keepRemove");
        QTest::addColumn<int>("allAny");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, int keepRemove, int allAny, bool caseSensitive,
                       const QStringList& names, const QString& summary) {
            QTest::newRow(name) << keepRemove << allAny << caseSensitive << names << summary;
        };
        row("keep all, case off", 0, 0, false, { "Ann", "Di" }, "2 rows removed");
        row("keep all, case on", 0, 0, true, { "Ann" }, "3 rows removed");
        row("keep any", 0, 1, true, { "Ann", "Bob", "Cy", "Di" }, "0 rows removed");
        row("remove all", 1, 0, false, { "Bob", "Cy" }, "2 rows removed");
    }

    void filter()
    {
        QFETCH(int, keepRemove);
        QFETCH(int, allAny);
        QFETCH(bool, caseSensitive);
        QFETCH(QString, summary);
        TransformRun run(new TransformFilter, people());
        FilterList list;
        list.keepRemove = keepRemove;
        list.allAny = allAny;
        list.terms << term(run, "Columns", 1, OpGreater, "500")
                   << term(run, "Columns", 2, OpEqual, "Germany");
        run.set("Columns", QVariant::fromValue(list)).set("Case_Sensitive", caseSensitive);
        run.run();
        QTEST(run.outputColumn(0), "names");
        QCOMPARE(run.summary(), summary);
    }

    void anyColumnAndBadPattern()
    {
        TransformRun run(new TransformFilter, people());
        FilterList list;
        list.terms << term(run, "Columns", -1, OpContains, "fr");
        run.set("Columns", QVariant::fromValue(list));
        run.run();
        QCOMPARE(run.outputColumn(0), QStringList({ "Cy" }));
        list.terms = { term(run, "Columns", 0, OpMatchesRegex, "(") };
        run.set("Columns", QVariant::fromValue(list));
        run.run();
        QCOMPARE(run.output().rowCount(), 0);
        QCOMPARE(run.warnings().filter("regular expression").size(), 1);
    }

    void disabled()
    {
        TransformRun run(new TransformFilter, people());
        FilterList list;
        list.terms << term(run, "Columns", 0, OpEqual, "nobody");
        run.set("Columns", QVariant::fromValue(list)).set("Disable", true);
        QCOMPARE(run.run().rowCount(), 4);
        QVERIFY(run.warnings().contains("Filtering is disabled"));
    }

    void ifFirstMatchingBranchWins()
    {
        TransformRun run(new TransformIf, people());
        IfList chain;
        chain.branches.append(
            IfBranch { { term(run, "If", 1, OpGreater, "650") }, "big $(country)" });
        chain.branches.append(IfBranch {
            { term(run, "If", 1, OpGreater, "500"), term(run, "If", 2, OpNotEqual, "France") },
            "mid" });
        chain.elseValue = "small";
        run.set("If", QVariant::fromValue(chain));
        run.run();
        QCOMPARE(run.output().columnName(3), QStringLiteral("If"));
        QCOMPARE(run.outputColumn(3), QStringList({ "mid", "small", "big France", "mid" }));
        QCOMPARE(run.summary(), QStringLiteral("3 match(es) IF/ELSE IF, 1 match(es) ELSE"));
    }

    void ifAllEmptyWarns()
    {
        TransformRun run(new TransformIf, people());
        IfList chain;
        chain.branches.append(IfBranch { { term(run, "If", 0, OpEqual, "nobody") }, "" });
        run.set("If", QVariant::fromValue(chain));
        run.run();
        QCOMPARE(run.outputColumn(3), QStringList({ "", "", "", "" }));
        QVERIFY(run.warnings().contains("THEN and ELSE empty"));
    }

    void compareCols()
    {
        const Dataset data = makeDataset(
            { "a", "b" }, splitRows({ "10,10.0", "10 kg,10", "colour,color", "colr,colour" }));
        TransformRun run(new TransformCompareCols, data);
        run.column(0, "Column1").column(1, "Column2");
        run.choose("Comparison", conditionOperatorNames().at(OpEqual)).run();
        QCOMPARE(run.output().columnName(2), QStringLiteral("a = b"));
        QCOMPARE(run.outputColumn(2), QStringList({ "true", "false", "false", "false" }));
        run.choose("Comparison", conditionOperatorNames().at(OpFuzzy80)).run();
        QCOMPARE(run.outputColumn(2), QStringList({ "false", "false", "true", "false" }));
        QCOMPARE(run.summary(), QStringLiteral("1 true, 3 false"));
    }
};

QTEST_MAIN(TestFilter)
#include "tst_filter.moc"
