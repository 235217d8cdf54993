// Lookup: column identities and options that follow moved items. Matching
// cases are golden cases (tests/data/transforms/merge/Lookup).
#include "mergefixture.h"

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
    MergeFixture f;
};

} // namespace

class TestLookup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    // The new column gets an identity of its own; the top columns keep theirs.
    void newColumnIdentity()
    {
        LookupRun run("a|1", "a|x");
        const Dataset& out = run.f.run();
        QCOMPARE(out.columnId(0), run.f.source(0)->dataset().columnId(0));
        QCOMPARE(out.columnId(2), ColumnId(run.f.node()->id(), 1));
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
