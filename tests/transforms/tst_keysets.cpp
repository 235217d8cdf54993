#include "mergefixture.h"

#include "transforms/transformintersect.h"
#include "transforms/transformsubtract.h"

#include <QLocale>
#include <QStandardPaths>
#include <QTest>

namespace {

// Top rows "key|row number" and bottom rows "key", keyed on the first columns.
MergeFixture* keyed(Transform* t, const QStringList& topKeys, const QStringList& bottomKeys)
{
    QStringList top;
    for (int i = 0; i < topKeys.size(); ++i)
        top << QStringLiteral("%1|%2").arg(topKeys.at(i)).arg(i + 1);
    auto* f
        = new MergeFixture(t, { dataset("k|n", top), makeDataset({ "key" }, table(bottomKeys)) });
    f->choose("Column_1", 0);
    f->choose("Column_2", 0);
    return f;
}

QStringList numbers(const Dataset& d)
{
    QStringList n;
    for (int r = 0; r < d.rowCount(); ++r)
        n << d.value(r, 1);
    return n;
}

} // namespace

class TestKeySets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void init() { RunState::clearStopRequest(); }

    void intersectExample();
    void intersectKeys_data();
    void intersectKeys();
    void subtract_data();
    void subtract();
    void subtractListsAtMostFiveRows();
    void oneInput();
    void unresolvedKeys();
    void keptRowsShareUpstreamStorage();
    void movingBottomAboveTopSwapsRoles_data();
    void movingBottomAboveTopSwapsRoles();
};

void TestKeySets::intersectExample()
{
    QScopedPointer<MergeFixture> f(
        keyed(new TransformIntersect, { "a", "b", "c", "b" }, { "b", "d" }));
    const Dataset& out = f->run();
    QCOMPARE(rowsOf(out), table({ "b|2", "b|4" }));
    QCOMPARE(out.columnNames(), (QStringList { "k", "n" }));
    QCOMPARE(f->summary(), QStringLiteral("2 rows with keys in both, 2 top only, 1 bottom only"));
    const QStringList expected {
        "2 rows have keys in both datasets",
        "1 unique keys appear in both datasets",
        "2 misses in the Top key column:",
        "'a' at row 1",
        "'c' at row 3",
        "1 miss in the Bottom key column:",
        "'d' at row 2",
        "1 duplicated keys in the Top key column:",
        "'b' occurs 2 times",
    };
    QCOMPARE(f->information(), expected);
}

void TestKeySets::intersectKeys_data()
{
    QTest::addColumn<QStringList>("top");
    QTest::addColumn<QStringList>("bottom");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("case sensitive")
        << QStringList { "B", "b" } << QStringList { "b" } << true << QStringList { "2" };
    QTest::newRow("case insensitive")
        << QStringList { "B", "b" } << QStringList { "b" } << false << QStringList { "1", "2" };
    QTest::newRow("trailing blank")
        << QStringList { "b ", "b" } << QStringList { "b" } << true << QStringList { "2" };
    QTest::newRow("nothing in common")
        << QStringList { "a" } << QStringList { "b" } << true << QStringList {};
    QTest::newRow("empty bottom") << QStringList { "a" } << QStringList {} << true
                                  << QStringList {};
}

void TestKeySets::intersectKeys()
{
    QFETCH(QStringList, top);
    QFETCH(QStringList, bottom);
    QFETCH(bool, caseSensitive);
    QFETCH(QStringList, kept);
    QScopedPointer<MergeFixture> f(keyed(new TransformIntersect, top, bottom));
    f->set("Case_Sensitive", caseSensitive);
    QCOMPARE(numbers(f->run()), kept);
    QVERIFY(f->summary().startsWith(QStringLiteral("%1 row").arg(kept.size())));
}

void TestKeySets::subtract_data()
{
    QTest::addColumn<QStringList>("top");
    QTest::addColumn<QStringList>("bottom");
    QTest::addColumn<QString>("match");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("information");
    QTest::addColumn<QString>("summary");

    const QStringList top { "a", "b", "c", "b" };
    const QStringList bottom { "b", "d" };
    QTest::newRow("all matches") << top << bottom << "All matches" << true
                                 << QStringList { "1", "3" }
                                 << QStringList { "Subtracted row 2 with key 'b'",
                                        "Subtracted row 4 with key 'b'" }
                                 << "2 row(s) removed";
    QTest::newRow("first match") << top << bottom << "First match" << true
                                 << QStringList { "1", "3", "4" }
                                 << QStringList { "Subtracted row 2 with key 'b'" }
                                 << "1 row(s) removed";
    QTest::newRow("last match") << top << bottom << "Last match" << true
                                << QStringList { "1", "2", "3" }
                                << QStringList { "Subtracted row 4 with key 'b'" }
                                << "1 row(s) removed";
    QTest::newRow("first match, key twice in the bottom")
        << QStringList { "b", "a", "b", "b" } << QStringList { "b", "b" } << "First match" << true
        << QStringList { "2", "4" }
        << QStringList { "Subtracted row 1 with key 'b'", "Subtracted row 3 with key 'b'" }
        << "2 row(s) removed";
    QTest::newRow("last match, key twice in the bottom")
        << QStringList { "b", "a", "b", "b" } << QStringList { "b", "b" } << "Last match" << true
        << QStringList { "1", "2" }
        << QStringList { "Subtracted row 3 with key 'b'", "Subtracted row 4 with key 'b'" }
        << "2 row(s) removed";
    QTest::newRow("case insensitive")
        << QStringList { "B", "c" } << QStringList { "b" } << "All matches" << false
        << QStringList { "2" } << QStringList { "Subtracted row 1 with key 'B'" }
        << "1 row(s) removed";
    QTest::newRow("case sensitive")
        << QStringList { "B", "c" } << QStringList { "b" } << "All matches" << true
        << QStringList { "1", "2" } << QStringList {} << "No changes";
    QTest::newRow("trailing blank")
        << QStringList { "b ", "c" } << QStringList { "b" } << "All matches" << true
        << QStringList { "1", "2" } << QStringList {} << "No changes";
}

void TestKeySets::subtract()
{
    QFETCH(QStringList, top);
    QFETCH(QStringList, bottom);
    QFETCH(QString, match);
    QFETCH(bool, caseSensitive);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, information);
    QFETCH(QString, summary);
    QScopedPointer<MergeFixture> f(keyed(new TransformSubtract, top, bottom));
    f->set("Match", match);
    f->set("Case_Sensitive", caseSensitive);
    QCOMPARE(numbers(f->run()), kept);
    QCOMPARE(f->information(), information);
    QCOMPARE(f->summary(), summary);
}

void TestKeySets::subtractListsAtMostFiveRows()
{
    QStringList top;
    for (int i = 0; i < 1500; ++i)
        top << (i % 2 ? QStringLiteral("odd") : QStringLiteral("even"));
    QScopedPointer<MergeFixture> f(keyed(new TransformSubtract, top, { "even" }));
    QCOMPARE(f->run().rowCount(), 750);
    const QStringList info = f->information();
    QCOMPARE(info.size(), 6);
    QCOMPARE(info.at(0), QStringLiteral("Subtracted row 1 with key 'even'"));
    QCOMPARE(info.at(4), QStringLiteral("Subtracted row 9 with key 'even'"));
    QCOMPARE(info.at(5), QStringLiteral("+ 745 others"));
    QCOMPARE(f->summary(), QStringLiteral("750 row(s) removed"));
}

void TestKeySets::oneInput()
{
    const Dataset top = dataset("k|n", { "a|1", "b|2" });
    {
        MergeFixture f(new TransformIntersect, { top });
        const Dataset& out = f.run();
        QCOMPARE(out.columnNames(), (QStringList { "k", "n" }));
        QCOMPARE(out.rowCount(), 0);
        QCOMPARE(f.summary(), QStringLiteral("Connect a second dataset"));
    }
    MergeFixture f(new TransformSubtract, { top });
    QVERIFY(f.run().equals(top));
    QCOMPARE(f.summary(), QStringLiteral("Connect a second dataset"));
}

void TestKeySets::unresolvedKeys()
{
    const Dataset top = dataset("k|n", { "a|1" });
    const Dataset bottom = dataset("k", { "a" });
    {
        MergeFixture f(new TransformIntersect, { top, bottom });
        f.choose("Column_1", 0);
        const Dataset& out = f.run();
        QCOMPARE(out.columnNames(), (QStringList { "k", "n" }));
        QCOMPARE(out.rowCount(), 0);
        QCOMPARE(f.summary(), QStringLiteral("0 intersecting rows"));
        QCOMPARE(f.warnings(), QStringList { "1 option not set ('Bottom key column')" });
    }
    MergeFixture f(new TransformSubtract, { top, bottom });
    f.choose("Column_2", 0);
    QVERIFY(f.run().equals(top));
    QCOMPARE(f.warnings(), QStringList { "1 option not set ('Top key column')" });
}

// Rows that pass unchanged are the top's own rows, not copies of them.
void TestKeySets::keptRowsShareUpstreamStorage()
{
    for (Transform* t : { static_cast<Transform*>(new TransformIntersect),
             static_cast<Transform*>(new TransformSubtract) }) {
        QScopedPointer<MergeFixture> f(keyed(t, { "a", "b", "c" }, { "b" }));
        const Dataset& out = f->run();
        const Dataset& top = f->source(0)->dataset();
        const int kept = out.value(0, 0) == QStringLiteral("a") ? 0 : 1;
        QVERIFY(out.row(0).isSharedWith(top.row(kept)));
        QCOMPARE(out.columnIds(), top.columnIds());
    }
}

void TestKeySets::movingBottomAboveTopSwapsRoles_data()
{
    QTest::addColumn<bool>("subtract");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("intersect") << false << QStringList { "a|1" } << QStringList { "7|a" };
    QTest::newRow("subtract") << true << QStringList { "b|2" } << QStringList { "8|c" };
}

void TestKeySets::movingBottomAboveTopSwapsRoles()
{
    QFETCH(bool, subtract);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    Transform* t
        = subtract ? static_cast<Transform*>(new TransformSubtract) : new TransformIntersect;
    MergeFixture f(t, { dataset("k|n", { "a|1", "b|2" }), dataset("m|key", { "7|a", "8|c" }) });
    f.choose("Column_1", 0);
    f.choose("Column_2", 1);
    QCOMPARE(rowsOf(f.run()), table(before));
    f.source(1)->setPos(0, -100);
    f.scene().onPosChanged({ f.source(1) });
    QCOMPARE(t->parameter("Column_1")->summary(), QStringLiteral("key"));
    QCOMPARE(t->parameter("Column_2")->summary(), QStringLiteral("k"));
    const Dataset& out = f.run();
    QCOMPARE(out.columnNames(), (QStringList { "m", "key" }));
    QCOMPARE(rowsOf(out), table(after));
}

QTEST_MAIN(TestKeySets)
#include "tst_keysets.moc"
