// What the merge transforms share: a missing second input or key option,
// moving the bottom item above the top one, and rows and values passed on by
// reference rather than copied.
#include "graph/runcontext.h"
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

    void missingInputOrOption_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("secondInput");
        QTest::addColumn<QString>("chosen"); // the column options set to column 1
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("warning"); // the transform's own
        auto row = [](const char* name, const QString& type, bool secondInput,
                       const QString& chosen, const QString& expected, const QString& summary,
                       const QString& warning) {
            QTest::newRow(name) << type << secondInput << chosen << expected << summary << warning;
        };
        const char* connect = "Connect a second dataset";
        const char* top = "k|n;a|1";
        row("join, one input", "Join", false, "", top, connect, "");
        row("lookup, one input", "Lookup", false, "", top, connect, "");
        row("intersect, one input", "Intersect", false, "", "k|n", connect, "");
        row("subtract, one input", "Subtract", false, "", top, connect, "");
        row("cross, one input", "Cross", false, "", top, "No changes", "");
        row("join, bottom key unset", "Join", true, "Column_1", top, "No changes",
            "1 option not set ('Bottom key column')");
        row("lookup, value column unset", "Lookup", true, "Top_Lookup_Column,Bottom_Lookup_Column",
            top, "No changes", "1 option not set ('Bottom value column')");
        row("intersect, bottom key unset", "Intersect", true, "Column_1", "k|n",
            "0 intersecting rows", "1 option not set ('Bottom key column')");
        row("subtract, top key unset", "Subtract", true, "Column_2", top, "No changes",
            "1 option not set ('Top key column')");
    }

    void missingInputOrOption()
    {
        QFETCH(QString, type);
        QFETCH(bool, secondInput);
        QFETCH(QString, chosen);
        QFETCH(QString, expected);
        QFETCH(QString, summary);
        QFETCH(QString, warning);
        QList<Dataset> inputs { textTable("k|n;a|1") };
        if (secondInput)
            inputs.append(textTable("k|v;a|x"));
        MergeFixture f(make(type), inputs);
        for (const QString& key : chosen.split(',', Qt::SkipEmptyParts))
            f.choose(key, 0);
        QCOMPARE(tableText(f.run()), expected);
        QCOMPARE(f.node()->status(), int(StatusUpToDate));
        QCOMPARE(f.summary(), summary);
        if (secondInput)
            QCOMPARE(f.transform()->warnings(), QStringList { warning });
        else if (type != "Cross")
            QVERIFY(f.warnings().contains(QStringLiteral("2 upstream connections expected")));
    }

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
                QVERIFY(out.row(0).isSharedWith(top.row(topRow)));
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
        f.transform()->process(out, f.node()->upstreamNodes(true), error);
        QCOMPARE(reports, 1);
        QCOMPARE(out.rowCount(), 0);
    }
};

QTEST_MAIN(TestMergeInputs)
#include "tst_mergeinputs.moc"
