// Split Rows (groups of columns to rows) and Sequence (rows missing from a
// series), through a real Transform item.
#include "tests/transforms/merge/mergefixture.h"

#include "transforms/row/transformsequence.h"
#include "transforms/row/transformsplitrows.h"

class TestRowShape : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void splitRows_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("every");
        QTest::addColumn<int>("times");
        QTest::addColumn<bool>("dropEmpty");
        QTest::addColumn<bool>("group");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const QString& input, int mode, const QString& text,
                       int every, int times, bool dropEmpty, bool group, const QString& expected) {
            QTest::newRow(name) << input << mode << text << every << times << dropEmpty << group
                                << expected;
        };
        const char* contacts = "id|Phone 1|Mail 1|Phone 2|Mail 2|note;7|p1|m1|p2||x;8|q1|||| y";
        row("matching names", contacts, 0, " ", 0, 0, true, false,
            "id|Phone|Mail|note;7|p1|m1|x;7|p2||x;8|q1|| y");
        row("empty groups kept, group column", contacts, 0, " ", 0, 0, false, true,
            "id|Group|Phone|Mail|note;7|1|p1|m1|x;7|2|p2||x;8|1|q1|| y;8|2||| y");
        row("automatic, ragged groups", "First Name|tel1|tel_2|tel 3|mail1;a|1|2|3|m", 1, "", 0, 0,
            true, false, "First Name|tel|mail1;a|1|m;a|2|m;a|3|m");
        row("automatic, two-digit numbers", "v9|v10|w;a|b|c", 1, "", 0, 0, true, false,
            "v|w;a|c;b|c");
        row("every 2 columns 2 times", "k|a|b|c|d;1|w|x|y|z", 2, "", 2, 2, true, false,
            "k|a|b;1|w|x;1|y|z");
    }

    void splitRows()
    {
        QFETCH(QString, input);
        QFETCH(int, mode);
        QFETCH(QString, text);
        QFETCH(int, every);
        QFETCH(int, times);
        QFETCH(bool, dropEmpty);
        QFETCH(bool, group);
        TransformRun run(new TransformSplitRows, textTable(input));
        SplitRowsSpec spec;
        spec.mode = mode;
        spec.text = text;
        spec.every = every;
        spec.times = times;
        run.set("Split_By", QVariant::fromValue(spec));
        run.set("Drop_Empty", dropEmpty);
        run.set("Add_Group_Column", group);
        QTEST(tableText(run.run()), "expected");
        QCOMPARE(run.transform()->warnings(), QStringList());
    }

    void splitRowsWithoutGroups()
    {
        TransformRun run(new TransformSplitRows, textTable("First Name|Last Name;a|b"));
        SplitRowsSpec spec;
        spec.text = QStringLiteral(" ");
        run.set("Split_By", QVariant::fromValue(spec));
        QCOMPARE(tableText(run.run()), QStringLiteral("First Name|Last Name;a|b"));
        QCOMPARE(run.summary(), QStringLiteral("No changes"));
        QCOMPARE(run.transform()->warnings(),
            QStringList { "No groups of columns found in the column names" });
    }

    void sequence_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("byGroup");
        QTest::addColumn<QString>("fill");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, const QString& input, const QString& step, int size,
                       bool byGroup, const QString& fill, const QString& expected,
                       const QString& summary) {
            QTest::newRow(name) << input << step << size << byGroup << fill << expected << summary;
        };
        row("integers", "n|v;1|a;4|b;5|c", "Number", 1, false, "Empty", "n|v;1|a;2|;3|;4|b;5|c",
            "2 rows added");
        row("step 2, copied", "n|v;0|a;6|b", "Number", 2, false, "Copy of previous row",
            "n|v;0|a;2|a;4|a;6|b", "2 rows added");
        row("days keep their format", "d;30/12/2026;02/01/2027", "Day", 1, false, "Empty",
            "d;30/12/2026;31/12/2026;01/01/2027;02/01/2027", "2 rows added");
        row("months from the 31st", "d;2026-01-31;2026-05-31", "Month", 1, false, "Empty",
            "d;2026-01-31;2026-02-28;2026-03-31;2026-04-30;2026-05-31", "3 rows added");
        row("within groups", "g|n|v;a|1|x;b|5|y;a|3|z;b|6|w", "Number", 1, true, "Empty",
            "g|n|v;a|1|x;b|5|y;a|2|;a|3|z;b|6|w", "1 row added");
        row("descending and repeated left alone", "n;3;3;1", "Number", 1, false, "Empty", "n;3;3;1",
            "No changes");
    }

    void sequence()
    {
        QFETCH(QString, input);
        QFETCH(QString, step);
        QFETCH(int, size);
        QFETCH(bool, byGroup);
        QFETCH(QString, fill);
        QFETCH(QString, summary);
        TransformRun run(new TransformSequence, textTable(input));
        run.column(byGroup ? 1 : 0, "Column").choose("Step", step).set("Step_Size", size);
        run.set("By_Group", byGroup).choose("Fill", fill);
        if (byGroup)
            run.columns({ 0 }, "Group_Columns");
        QTEST(tableText(run.run()), "expected");
        QCOMPARE(run.summary(), summary);
    }
};

QTEST_MAIN(TestRowShape)
#include "tst_rowshape.moc"
