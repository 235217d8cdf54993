// Sort: stability over many rows, shared rows, the key encoding other types
// use, stop, and large columns. Orders, ranks and summaries are golden cases
// (tests/data/transforms/row/Sort).
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

    // Without a header the rank column still gets its name.
    void rankColumnNamedWithoutHeader()
    {
        Dataset plain = oneColumn({ "b", "a" });
        plain.setHasHeader(false);
        plain.removeRow(0);
        TransformRun unnamed(sortType(), plain);
        QCOMPARE(sortBy(unnamed, { 1 }).set(QStringLiteral("Rank_Add"), true).run().columnNames(),
            (QStringList { "1", "Rank" }));
    }

    void rowsAreSharedWithTheInput()
    {
        TransformRun run(
            sortType(), makeDataset({ "a", "b" }, { { "3", "x" }, { "1", "y" }, { "2", "z" } }));
        const Dataset& out = sortBy(run, { 1 }).run();
        const Dataset& in = run.source()->dataset();
        QCOMPARE(columnValues(out, 1), (QStringList { "y", "z", "x" }));
        for (int c = 0; c < 2; ++c) {
            QVERIFY(out.value(0, c).isSharedWith(in.value(1, c)));
            QVERIFY(out.value(2, c).isSharedWith(in.value(0, c)));
        }
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
            d.appendRow({ shared ? texts.at(v) : QString::number(v), QString::number(r) });
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
