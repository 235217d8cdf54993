// What the merge transforms share: moving the bottom item above the top one,
// rows and values passed on by reference rather than copied, and stop. A
// missing second input or key option is a golden case per type
// (tests/data/transforms/merge).
#include "core/runcontext.h"
#include "mergefixture.h"

namespace {

Transform* make(const QString& type)
{
    return Catalogue::instance().create(type);
}

} // namespace

class TestMergeInputs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void movingBottomAboveTopSwapsRoles_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        auto row = [](const char* name, const QString& type, const QString& before,
                       const QString& after) { QTest::newRow(name) << type << before << after; };
        row("join", "Join", "k|n|m;a|1|7", "m|key|n;7|a|1");
        row("intersect", "Intersect", "k|n;a|1", "m|key;7|a");
        row("subtract", "Subtract", "k|n;b|2", "m|key;8|c");
    }

    void movingBottomAboveTopSwapsRoles()
    {
        QFETCH(QString, type);
        MergeFixture f(make(type), { textTable("k|n;a|1;b|2"), textTable("m|key;7|a;8|c") });
        f.choose("Column_1", 0);
        f.choose("Column_2", 1);
        QTEST(tableText(f.run()), "before");

        f.source(1)->setPos(0, -100);
        f.scene().onPosChanged({ f.source(1) });
        const Transform* t = f.transform();
        QCOMPARE(t->parameter("Column_1")->sourceItem(), f.source(1));
        QCOMPARE(t->parameter("Column_1")->summary(), QStringLiteral("key"));
        QCOMPARE(t->parameter("Column_2")->sourceItem(), f.source(0));
        QCOMPARE(t->parameter("Column_2")->summary(), QStringLiteral("k"));
        QTEST(tableText(f.run()), "after");
    }

    // A million-row result must not copy a million rows of text: joined rows
    // take their values by reference, and rows that pass unchanged are the top
    // dataset's own rows. The columns keep their upstream identities.
    void resultSharesUpstreamStorage()
    {
        for (const QString type : { "Join", "Intersect", "Subtract" }) {
            MergeFixture f(
                make(type), { textTable("k|v;a|first;b|second"), textTable("k|w;b|third") });
            f.choose("Column_1", 0);
            f.choose("Column_2", 0);
            const Dataset& out = f.run();
            const Dataset& top = f.source(0)->dataset();
            const Dataset& bottom = f.source(1)->dataset();
            QCOMPARE(out.rowCount(), 1);
            const int topRow = type == "Subtract" ? 0 : 1;
            QCOMPARE(out.columnId(1), top.columnId(1));
            if (type == "Join") {
                QVERIFY(out.value(0, 1).isSharedWith(top.value(topRow, 1)));
                QVERIFY(out.value(0, 2).isSharedWith(bottom.value(0, 1)));
                QCOMPARE(out.columnId(2), bottom.columnId(1));
            } else {
                for (int c = 0; c < top.columnCount(); ++c)
                    QVERIFY(out.value(0, c).isSharedWith(top.value(topRow, c)));
            }
        }
    }

    void stopEndsTheWork_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("join") << "Join";
        QTest::newRow("intersect") << "Intersect";
        QTest::newRow("cross") << "Cross";
    }

    // A stop asked for while a run reports progress ends the loops at once.
    void stopEndsTheWork()
    {
        QFETCH(QString, type);
        QString rows = QStringLiteral("k");
        for (int i = 0; i < 3000; ++i)
            rows += QStringLiteral(";a");
        MergeFixture f(make(type), { textTable(rows), textTable("k;a") });
        if (type != "Cross") {
            f.choose("Column_1", 0);
            f.choose("Column_2", 0);
        }
        QCOMPARE(f.run().rowCount(), 3000);
        int reports = 0;
        RunContext context;
        f.transform()->setRunContext(&context);
        QObject::connect(f.transform(), &Transform::processed, [&reports, &context](qreal) {
            ++reports;
            context.requestStop();
        });
        Dataset out;
        bool error = false;
        f.transform()->process(out, tablesOf(f.node()->upstreamNodes(true)), error);
        QCOMPARE(reports, 1);
        QCOMPARE(out.rowCount(), 0);
    }
};

QTEST_MAIN(TestMergeInputs)
#include "tst_mergeinputs.moc"
