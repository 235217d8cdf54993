#include "mergefixture.h"

#include "transforms/merge/transformjoin.h"

class TestJoin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void byKey_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("bottom");
        QTest::addColumn<int>("topKey");
        QTest::addColumn<int>("bottomKey");
        QTest::addColumn<QString>("flags"); // L keep top, R keep bottom, i ignore case
        QTest::addColumn<QString>("expected");
        struct Case
        {
            const char *name, *top, *bottom;
            int topKey, bottomKey;
            const char *flags, *expected;
        };
        const Case cases[] = {
            { "a top key with three bottom rows, in bottom order", "k|v;a|1;b|2",
                "k|w;b|x;a|y;a|z;a|w", 0, 0, "", "k|v|w;a|1|y;a|1|z;a|1|w;b|2|x" },
            { "inner join without common keys", "k|v;a|1", "k|w;b|x", 0, 0, "", "k|v|w" },
            { "left join: top-only rows after the joined ones", "k|v;c|3;a|1", "k|w;a|x;b|y", 0, 0,
                "L", "k|v|w;a|1|x;c|3|" },
            { "right join: the key column shows the bottom key", "k|v;a|1", "k|w;b|y;a|x", 0, 0,
                "R", "k|v|w;a|1|x;b||y" },
            { "full outer join", "k|v;a|1;c|3", "k|w;a|x;b|y", 0, 0, "LR",
                "k|v|w;a|1|x;c|3|;b||y" },
            { "keys in other columns", "v|k;1|a;2|b", "w|k|u;x|b|p;y|a|q", 1, 1, "R",
                "v|k|w|u;1|a|y|q;2|b|x|p" },
            { "right join, top key not first", "v|k;1|a", "k|w;z|9", 1, 0, "R", "v|k|w;|z|9" },
            { "case sensitive keys differ", "k|v;ABC|1", "k|w;abc|x", 0, 0, "", "k|v|w" },
            { "case insensitive keys match", "k|v;ABC|1", "k|w;abc|x", 0, 0, "i", "k|v|w;ABC|1|x" },
            { "a leading blank is part of the key", "k|v; a|1", "k|w;a|x", 0, 0, "", "k|v|w" },
            { "bottom of only its key column", "k|v;a|1;b|2", "k;b;b", 0, 0, "L",
                "k|v;b|2;b|2;a|1" },
        };
        for (const Case& c : cases)
            QTest::newRow(c.name) << c.top << c.bottom << c.topKey << c.bottomKey << c.flags
                                  << c.expected;
    }

    void byKey()
    {
        QFETCH(QString, top);
        QFETCH(QString, bottom);
        QFETCH(int, topKey);
        QFETCH(int, bottomKey);
        QFETCH(QString, flags);
        QFETCH(QString, expected);
        MergeFixture f(new TransformJoin, { textTable(top), textTable(bottom) });
        f.choose("Column_1", topKey);
        f.choose("Column_2", bottomKey);
        f.set("Include_Non_Matching_1", flags.contains('L'));
        f.set("Include_Non_Matching_2", flags.contains('R'));
        f.set("Case_Sensitive", !flags.contains('i'));
        const Dataset& out = f.run();
        QCOMPARE(tableText(out), expected);
        const int rows = expected.count(';');
        QCOMPARE(f.summary(),
            rows == 1 ? QStringLiteral("1 row joined")
                      : QStringLiteral("%1 rows joined").arg(rows));
        QVERIFY(f.warnings().isEmpty());
    }

    void byRowNumber_data()
    {
        QTest::addColumn<bool>("keepTop");
        QTest::addColumn<bool>("keepBottom");
        QTest::addColumn<int>("rows");
        QTest::newRow("neither") << false << false << 3;
        QTest::newRow("top only") << true << false << 5;
        QTest::newRow("bottom only") << false << true << 3;
        QTest::newRow("both") << true << true << 5;
    }

    void byRowNumber()
    {
        QFETCH(bool, keepTop);
        QFETCH(bool, keepBottom);
        QFETCH(int, rows);
        MergeFixture f(new TransformJoin,
            { textTable("a|b;1|x;2|x;3|x;4|x;5|x"), textTable("b|c;p|7;q|8;r|9") });
        f.set("By", QStringLiteral("Row number"));
        f.set("Include_Non_Matching_1", keepTop);
        f.set("Include_Non_Matching_2", keepBottom);
        const Dataset& out = f.run();
        QCOMPARE(out.rowCount(), rows);
        // Every column of both stays, the shared name included.
        QCOMPARE(out.columnNames(), (QStringList { "a", "b", "b", "c" }));
        QCOMPARE(out.row(2), (QStringList { "3", "x", "r", "9" }));
        const QStringList last = rows == 5 ? QStringList { "5", "x", "", "" } : out.row(2);
        QCOMPARE(out.row(rows - 1), last);
        QCOMPARE(f.information(),
            (QStringList { QStringLiteral("%1 rows used from 5 in top upstream dataset").arg(rows),
                "3 rows used from 3 in bottom upstream dataset" }));
        QCOMPARE(f.summary(), QStringLiteral("%1 rows joined").arg(rows));
        // The key options do not apply and are not asked for.
        QVERIFY(f.warnings().isEmpty());
    }

    void detailedReport()
    {
        MergeFixture f(new TransformJoin,
            { textTable("k|v;a|1;b|2;b|3; d|4;c|5"), textTable("k|w;b|x;d|y;e|z;E|q") });
        f.choose("Column_1", 0);
        f.choose("Column_2", 0);
        f.set("Detailed_Report", true);
        f.set("Case_Sensitive", false);
        f.run();
        QCOMPARE(f.summary(), QStringLiteral("2 rows joined"));
        const QStringList expected {
            "2 rows have keys in both datasets",
            "3 misses in the Top key column:",
            "'a' at row 1",
            "' d' at row 4",
            "'c' at row 5",
            "3 misses in the Bottom key column:",
            "'d' at row 2",
            "'e' at row 3",
            "'E' at row 4",
            "1 unique keys appear in both datasets",
            "3 top only",
            "3 bottom only",
            "1 duplicated keys in the Top key column:",
            "'b' occurs 2 times (case insensitive)",
            "1 duplicated keys in the Bottom key column:",
            "'e' occurs 2 times (case insensitive)",
            "1 values with leading or trailing whitespace in the Top key column:",
            "' d' at row 4",
            "(keys are whitespace and case sensitive)",
        };
        QCOMPARE(f.information(), expected);
    }

    void manyMissesAreSummarised()
    {
        QString top = QStringLiteral("k|v");
        for (int i = 1; i <= 1205; ++i)
            top += QStringLiteral(";t%1|%1").arg(i);
        MergeFixture f(new TransformJoin, { textTable(top), textTable("k|w;t1 |x;t3|y;t3|z") });
        f.choose("Column_1", 0);
        f.choose("Column_2", 0);
        f.set("Detailed_Report", true);
        f.set("Include_Non_Matching_1", true);
        f.run();
        QCOMPARE(f.summary(), QStringLiteral("1,206 rows joined"));
        const QStringList expected { "2 rows have keys in both datasets",
            "1,204 misses in the Top key column:", "'t1' at row 1", "'t2' at row 2",
            "'t4' at row 4", "'t5' at row 5", "'t6' at row 6", "+ 1,199 other misses",
            "1 miss in the Bottom key column:", "'t1 ' at row 1" };
        QCOMPARE(f.information().mid(0, expected.size()), expected);
        QVERIFY(f.information().contains("'t3' occurs 2 times"));
    }

    // Each side's columns keep the names they had there, header or not.
    void headerlessInputsKeepTheirNames()
    {
        Dataset top;
        top.setColumnCount(2);
        top.appendRow({ "a", "1" });
        Dataset bottom;
        bottom.setColumnCount(2);
        bottom.appendRow({ "a", "p" });
        MergeFixture f(new TransformJoin, { top, bottom });
        f.choose("Column_1", 0);
        f.choose("Column_2", 0);
        const Dataset& out = f.run();
        QVERIFY(out.hasHeader());
        QCOMPARE(tableText(out), QStringLiteral("1|2|2;a|1|p"));
    }
};

QTEST_MAIN(TestJoin)
#include "tst_join.moc"
