#include "core/values.h"
#include "tests/transforms/format/textharness.h"
#include "transforms/support/datasetsort.h"

namespace {

// Signed column numbers: position + 1, negative for descending.
TransformRun& sortBy(TransformRun& run, const QVector<int>& signedColumns)
{
    TransformParameter* p = run.parameter(QStringLiteral("Columns"));
    SortColumnList list;
    for (int k : signedColumns)
        list.append(SortColumn { p->referenceAt(std::abs(k) - 1), k > 0 });
    p->setValue(QVariant::fromValue(list));
    return run;
}

Transform* sortType()
{
    return Catalogue::instance().create(QStringLiteral("Sort"));
}

} // namespace

class TestSort : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        setDefaultDateFormats({ QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd/MM/yyyy") });
    }

    void order_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("intelligent");
        QTest::addColumn<bool>("localeAware");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("information");
        auto row = [](const char* name, const QStringList& values, int key, bool intelligent,
                       bool localeAware, bool caseSensitive, const QStringList& expected,
                       const char* sortedAs) {
            QTest::newRow(name) << values << key << intelligent << localeAware << caseSensitive
                                << expected
                                << QStringLiteral("Column 'Value' sorted %1 as %2")
                                       .arg(key > 0 ? "ascending" : "descending", sortedAs);
        };
        const QStringList numbers { "10", "9", "100" };
        row("numbers as numbers", numbers, 1, true, false, true, { "9", "10", "100" }, "Numeric");
        row("numbers as text", numbers, 1, false, false, true, { "10", "100", "9" }, "Text");
        row("decimals, negatives, separators, currency", { "1,200", "-3.5", "$40", "0.25", "-10" },
            1, true, false, true, { "-10", "-3.5", "0.25", "$40", "1,200" }, "Numeric");
        // A text that is not a number beyond the first 100 rows.
        QStringList late;
        QStringList lateAscending;
        for (int i = 0; i < 100; ++i) {
            late << QString::number(100 - i);
            lateAscending << QString::number(i + 1);
        }
        late << ""
             << "n/a"
             << "7";
        lateAscending.insert(6, "7");
        QStringList lateDescending = lateAscending;
        std::reverse(lateDescending.begin(), lateDescending.end());
        const QStringList unreadable { "n/a", "" };
        row("unreadable and empty values last", late, 1, true, false, true,
            lateAscending + unreadable, "Numeric");
        row("unreadable and empty values last descending", late, -1, true, false, true,
            lateDescending + unreadable, "Numeric");
        row("dates as dates", { "10/01/2020", "05/06/2019", "20/12/2018" }, 1, true, false, true,
            { "20/12/2018", "05/06/2019", "10/01/2020" }, "Date (dd/MM/yyyy)");
        row("ISO dates descending", { "2020-01-02", "2021-01-01", "2019-12-31" }, -1, true, false,
            true, { "2021-01-01", "2020-01-02", "2019-12-31" }, "Date (yyyy-MM-dd)");
        const QStringList letters { "b", "B", "a", "A" };
        row("text by code units", letters, 1, true, false, true, { "A", "B", "a", "b" }, "Text");
        row("text ignoring case keeps tied order", letters, 1, true, false, false,
            { "a", "A", "b", "B" }, "Text");
        row("text descending", { "b", "", "c", "a" }, -1, true, false, true, { "c", "b", "a", "" },
            "Text");
        row("accents by collation", { "z", "ä", "a" }, 1, true, true, true, { "a", "ä", "z" },
            "Text");
        const QStringList upperFirst { "B", "b", "A", "a" };
        row("collation with case", upperFirst, 1, true, true, true, { "a", "A", "b", "B" }, "Text");
        row("collation without case", upperFirst, 1, true, true, false, { "A", "a", "B", "b" },
            "Text");
    }

    void order()
    {
        QFETCH(QStringList, values);
        QFETCH(int, key);
        QFETCH(bool, intelligent);
        QFETCH(bool, localeAware);
        QFETCH(bool, caseSensitive);
        QFETCH(QString, information);
        TransformRun run(sortType(), oneColumn(values));
        sortBy(run, { key })
            .set(QStringLiteral("Intelligent_Sort"), intelligent)
            .set(QStringLiteral("Locale_Aware_Sort"), localeAware)
            .set(QStringLiteral("Case_Sensitive"), caseSensitive);
        const Dataset& out = run.run();
        QTEST(columnValues(out, 0), "expected");
        QCOMPARE(run.transform()->information(), QStringList { information });
        QCOMPARE(out.columnNames(), QStringList { "Value" });
        QCOMPARE(run.status(), int(StatusUpToDate));
    }

    void laterKeysBreakTies()
    {
        TransformRun run(sortType(),
            makeDataset({ "region", "sales", "id" },
                { { "north", "5", "1" }, { "south", "30", "2" }, { "north", "40", "3" },
                    { "south", "7", "4" }, { "north", "5", "5" } }));
        const Dataset& out = sortBy(run, { 1, -2 }).run();
        QCOMPARE(columnValues(out, 2), (QStringList { "3", "1", "5", "2", "4" }));
        QCOMPARE(run.transform()->information(),
            (QStringList { "Column 'region' sorted ascending as Text",
                "Column 'sales' sorted descending as Numeric" }));
    }

    // Enough equal keys that an unstable sort would shuffle them.
    void equalRowsKeepTheirOrder()
    {
        QList<QStringList> rows;
        for (int i = 0; i < 5000; ++i)
            rows << QStringList { QString::number((i * 7919) % 3), QString::number(i) };
        TransformRun run(sortType(), makeDataset({ "key", "seq" }, rows));
        const Dataset& out = sortBy(run, { -1 }).run();
        QCOMPARE(out.rowCount(), 5000);
        for (int r = 1; r < out.rowCount(); ++r) {
            const int k0 = out.value(r - 1, 0).toInt();
            const int k1 = out.value(r, 0).toInt();
            QVERIFY(k0 >= k1);
            if (k0 == k1)
                QVERIFY(out.value(r - 1, 1).toInt() < out.value(r, 1).toInt());
        }
    }

    void ranks_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("minimum") << "Minimum" << QStringList { "1", "2", "2", "4" };
        QTest::newRow("average") << "Average" << QStringList { "1", "2.5", "2.5", "4" };
        QTest::newRow("maximum") << "Maximum" << QStringList { "1", "3", "3", "4" };
        QTest::newRow("dense") << "Dense" << QStringList { "1", "2", "2", "3" };
        QTest::newRow("cumulative") << "Cumulative" << QStringList { "0.25", "0.75", "0.75", "1" };
    }

    void ranks()
    {
        QFETCH(QString, type);
        TransformRun run(sortType(), oneColumn({ "7", "9", "5", "7" }));
        sortBy(run, { 1 })
            .set(QStringLiteral("Rank_Add"), true)
            .choose(QStringLiteral("Rank_Types"), type);
        const Dataset& out = run.run();
        QCOMPARE(out.columnNames(), (QStringList { "Value", "Rank" }));
        QCOMPARE(columnValues(out, 0), (QStringList { "5", "7", "7", "9" }));
        QTEST(columnValues(out, 1), "expected");
        QCOMPARE(run.summary(), QStringLiteral("Sorted"));
    }

    void ranksWithinEachRankByValue()
    {
        TransformRun run(sortType(),
            makeDataset({ "region", "sales" },
                { { "north", "5" }, { "south", "30" }, { "north", "40" }, { "south", "7" },
                    { "north", "5" }, { "east", "1" } }));
        sortBy(run, { -2 })
            .set(QStringLiteral("Rank_Add"), true)
            .column(0, QStringLiteral("Rank_By"));
        const Dataset& out = run.run();
        QCOMPARE(columnValues(out, 1), (QStringList { "40", "30", "7", "5", "5", "1" }));
        QCOMPARE(columnValues(out, 0),
            (QStringList { "north", "south", "south", "north", "north", "east" }));
        QCOMPARE(columnValues(out, 2), (QStringList { "1", "1", "2", "2", "2", "1" }));
        // Without a header the rank column still gets its name.
        Dataset plain = oneColumn({ "b", "a" });
        plain.setHasHeader(false);
        plain.removeRow(0);
        TransformRun unnamed(sortType(), plain);
        QCOMPARE(sortBy(unnamed, { 1 }).set(QStringLiteral("Rank_Add"), true).run().columnNames(),
            (QStringList { "1", "Rank" }));
    }

    void summaries_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<bool>("withKey");
        QTest::addColumn<bool>("rank");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("warnings");
        auto row = [](const char* name, const QStringList& values, bool withKey, bool rank,
                       const QString& summary, const QStringList& warnings) {
            QTest::newRow(name) << values << withKey << rank << summary << warnings;
        };
        row("already in order", { "1", "2", "2", "3" }, true, false, "No changes", {});
        row("reordered", { "2", "1" }, true, false, "Sorted", {});
        row("in order with a rank", { "1", "2" }, true, true, "Sorted", {});
        row("no sort column", { "2", "1" }, false, false, "No changes",
            { "1 option not set ('columns')" });
    }

    void summaries()
    {
        QFETCH(QStringList, values);
        QFETCH(bool, withKey);
        QFETCH(bool, rank);
        QFETCH(QString, summary);
        QFETCH(QStringList, warnings);
        TransformRun run(sortType(), oneColumn(values));
        if (withKey)
            sortBy(run, { 1 });
        const Dataset& out = run.set(QStringLiteral("Rank_Add"), rank).run();
        QCOMPARE(run.summary(), summary);
        QCOMPARE(run.warnings(), warnings);
        if (!withKey)
            QVERIFY(out.equals(run.source()->dataset()));
    }

    void rowsAreSharedWithTheInput()
    {
        TransformRun run(
            sortType(), makeDataset({ "a", "b" }, { { "3", "x" }, { "1", "y" }, { "2", "z" } }));
        const Dataset& out = sortBy(run, { 1 }).run();
        const Dataset& in = run.source()->dataset();
        QCOMPARE(columnValues(out, 1), (QStringList { "y", "z", "x" }));
        QVERIFY(out.row(0).isSharedWith(in.row(1)));
        QVERIFY(out.row(2).isSharedWith(in.row(0)));
    }

    // The key encoding other transforms hand over: signed column numbers, and
    // numbers naming no column ignored.
    void sortDatasetKeys()
    {
        Dataset d = makeDataset(
            { "n", "t", "id" }, { { "2", "x", "a" }, { "2", "y", "b" }, { "10", "z", "c" } });
        QStringList information;
        QVERIFY(sortDataset(d, { 0, 9, -9, 1, -2 }, SortOptions(), &information));
        QCOMPARE(columnValues(d, 2), (QStringList { "b", "a", "c" }));
        QCOMPARE(information.size(), 2);
    }

    void stopLeavesTheInputUnsorted()
    {
        Dataset d = oneColumn({ "3", "2", "1" });
        const Dataset before = d;
        int calls = 0;
        const bool finished = sortDataset(d, { 1 }, SortOptions(), nullptr, [&calls](int, int) {
            ++calls;
            return calls < 2;
        });
        QVERIFY(!finished);
        QVERIFY(d.equals(before));
    }

    void largeColumns_data()
    {
        QTest::addColumn<int>("distinct");
        QTest::addColumn<bool>("shared");
        // More rows than the sort indexes before it decides that a column
        // hardly repeats, so both ways of reading a column are taken.
        QTest::newRow("all different") << 100000 << false;
        QTest::newRow("repeating, one text per value") << 500 << true;
        QTest::newRow("repeating, texts stored apart") << 500 << false;
    }

    // Descending numbers on a column of many rows: equal values rank equal
    // however their texts are stored, and keep their row order.
    void largeColumns()
    {
        QFETCH(int, distinct);
        QFETCH(bool, shared);
        const int rows = 100000;
        QVector<QString> texts(distinct);
        for (int v = 0; v < distinct; ++v)
            texts[v] = QString::number(v);
        Dataset d = makeDataset({ "n", "row" }, {});
        for (int r = 0; r < rows; ++r) {
            const int v = int((quint64(r) * 7919) % quint64(distinct));
            // A copy shares the text; a number made again is stored apart.
            d.appendSharedRow({ shared ? texts.at(v) : QString::number(v), QString::number(r) });
        }
        QVERIFY(sortDataset(d, { -1 }, SortOptions()));
        for (int r = 1; r < rows; ++r) {
            const int before = d.value(r - 1, 0).toInt();
            const int after = d.value(r, 0).toInt();
            if (before < after
                || (before == after && d.value(r - 1, 1).toInt() > d.value(r, 1).toInt()))
                QFAIL(qPrintable(QStringLiteral("rows %1 and %2 out of order").arg(r - 1).arg(r)));
        }
    }
};

QTEST_MAIN(TestSort)
#include "tst_sort.moc"
