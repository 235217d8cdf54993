#include "mergefixture.h"

#include "transforms/merge/transformintersect.h"
#include "transforms/merge/transformsubtract.h"

namespace {

// Top rows "key|row number" and bottom rows "key", keyed on the first
// columns; keys separated by ",".
MergeFixture* keyed(Transform* t, const QString& topKeys, const QString& bottomKeys)
{
    QString top = QStringLiteral("k|n");
    const QStringList keys = topKeys.split(',');
    for (int i = 0; i < keys.size(); ++i)
        top += QStringLiteral(";%1|%2").arg(keys.at(i)).arg(i + 1);
    QString bottom = QStringLiteral("key");
    if (!bottomKeys.isEmpty())
        bottom += ';' + QString(bottomKeys).replace(',', ';');
    auto* f = new MergeFixture(t, { textTable(top), textTable(bottom) });
    f->choose("Column_1", 0);
    f->choose("Column_2", 0);
    return f;
}

// The row numbers kept, joined by ",".
QString kept(const Dataset& d)
{
    QStringList n;
    for (int r = 0; r < d.rowCount(); ++r)
        n << d.value(r, 1);
    return n.join(',');
}

} // namespace

class TestKeySets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void intersectExample()
    {
        QScopedPointer<MergeFixture> f(keyed(new TransformIntersect, "a,b,c,b", "b,d"));
        QCOMPARE(tableText(f->run()), QStringLiteral("k|n;b|2;b|4"));
        QCOMPARE(
            f->summary(), QStringLiteral("2 rows with keys in both, 2 top only, 1 bottom only"));
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

    void keys_data()
    {
        QTest::addColumn<QString>("type"); // "Intersect" or a Subtract "Match" choice
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("bottom");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("information"); // Subtract's, joined by ";"
        QTest::addColumn<QString>("summary");
        struct Case
        {
            const char *name, *type, *top, *bottom;
            bool caseSensitive;
            const char *kept, *information, *summary;
        };
        const char* removed2 = "Subtracted row 2 with key 'b';Subtracted row 4 with key 'b'";
        const Case cases[] = {
            { "intersect, case sensitive", "Intersect", "B,b", "b", true, "2", "", "" },
            { "intersect, case ignored", "Intersect", "B,b", "b", false, "1,2", "", "" },
            { "intersect, trailing blank", "Intersect", "b ,b", "b", true, "2", "", "" },
            { "intersect, empty bottom", "Intersect", "a", "", true, "", "", "" },
            { "all matches", "All matches", "a,b,c,b", "b,d", true, "1,3", removed2,
                "2 row(s) removed" },
            { "first match", "First match", "a,b,c,b", "b,d", true, "1,3,4",
                "Subtracted row 2 with key 'b'", "1 row(s) removed" },
            { "last match", "Last match", "a,b,c,b", "b,d", true, "1,2,3",
                "Subtracted row 4 with key 'b'", "1 row(s) removed" },
            { "first match, key twice in the bottom", "First match", "b,a,b,b", "b,b", true, "2,4",
                "Subtracted row 1 with key 'b';Subtracted row 3 with key 'b'", "2 row(s) removed" },
            { "last match, key twice in the bottom", "Last match", "b,a,b,b", "b,b", true, "1,2",
                "Subtracted row 3 with key 'b';Subtracted row 4 with key 'b'", "2 row(s) removed" },
            { "subtract, case ignored", "All matches", "B,c", "b", false, "2",
                "Subtracted row 1 with key 'B'", "1 row(s) removed" },
            { "subtract, case sensitive", "All matches", "B,c", "b", true, "1,2", "",
                "No changes" },
            { "subtract, trailing blank", "All matches", "b ,c", "b", true, "1,2", "",
                "No changes" },
        };
        for (const Case& c : cases)
            QTest::newRow(c.name) << c.type << c.top << c.bottom << c.caseSensitive << c.kept
                                  << c.information << c.summary;
    }

    void keys()
    {
        QFETCH(QString, type);
        QFETCH(QString, top);
        QFETCH(QString, bottom);
        QFETCH(bool, caseSensitive);
        QFETCH(QString, kept);
        QFETCH(QString, information);
        QFETCH(QString, summary);
        const bool intersect = type == "Intersect";
        QScopedPointer<MergeFixture> f(keyed(
            intersect ? static_cast<Transform*>(new TransformIntersect) : new TransformSubtract,
            top, bottom));
        if (!intersect)
            f->set("Match", type);
        f->set("Case_Sensitive", caseSensitive);
        QCOMPARE(::kept(f->run()), kept);
        if (intersect) {
            QVERIFY(f->summary().startsWith(QString::number(kept.count(',') + !kept.isEmpty())));
            return;
        }
        QCOMPARE(f->information().join(';'), information);
        QCOMPARE(f->summary(), summary);
    }

    void subtractListsAtMostFiveRows()
    {
        QStringList top;
        for (int i = 0; i < 1500; ++i)
            top << (i % 2 ? QStringLiteral("odd") : QStringLiteral("even"));
        QScopedPointer<MergeFixture> f(keyed(new TransformSubtract, top.join(','), "even"));
        QCOMPARE(f->run().rowCount(), 750);
        const QStringList info = f->information();
        QCOMPARE(info.size(), 6);
        QCOMPARE(info.at(0), QStringLiteral("Subtracted row 1 with key 'even'"));
        QCOMPARE(info.at(4), QStringLiteral("Subtracted row 9 with key 'even'"));
        QCOMPARE(info.at(5), QStringLiteral("+ 745 others"));
        QCOMPARE(f->summary(), QStringLiteral("750 row(s) removed"));
    }
};

QTEST_MAIN(TestKeySets)
#include "tst_keysets.moc"
