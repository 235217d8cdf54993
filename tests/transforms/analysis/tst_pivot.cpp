// Pivot's drilldown and a sparse table. The tables figured by pandas
// (tests/data/pivot), warnings, headings, totals and small samples are golden
// cases (tests/data/transforms/analysis/Pivot).
#include "tests/transforms/format/textharness.h"

#include "core/runcontext.h"
#include "core/values.h"
#include "transforms/analysis/pivotvalues.h"
#include "transforms/analysis/transformpivot.h"
#include "transforms/support/aggregates.h"
#include "transforms/support/spillrows.h"

#include <QTemporaryDir>

namespace {

// region, quarter, amount
Dataset sales()
{
    return makeDataset({ "region", "quarter", "amount" },
        splitRows({ "North,Q1,10", "South,Q1,5", "North,Q2,abc", "North,Q1,2.5", ",Q2,1" }));
}

// A side of n groups whose headings run the other way round.
pivot::Side reversedSide(int n)
{
    pivot::Side side;
    for (int g = 0; g < n; ++g) {
        side.rank.append(n - 1 - g);
        side.headings.append(QString::number(n - 1 - g));
    }
    return side;
}

} // namespace

class TestPivot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void drilldownLeadsToTheRowsBehindACell()
    {
        TransformRun run(new TransformPivot, sales());
        run.columns({ 0 }, QStringLiteral("Columns")).columns({ 1 }, QStringLiteral("Rows"));
        run.column(2, QStringLiteral("Values")).set(QStringLiteral("Drilldown"), true);
        const Dataset& out = run.run();
        // Rows (Empty), North, South, Grand Sum; columns heading, Q1, Q2, Grand Sum.
        QCOMPARE(out.value(1, 1), QStringLiteral("12.5"));
        QList<int> rows = out.drilldown().values(CellPos { 1, 1 });
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, QList<int>({ 0, 3 }));
        QCOMPARE(out.drilldown().values(CellPos { 3, 3 }).size(), 5);
        run.set(QStringLiteral("Drilldown"), false);
        QVERIFY(run.run().drilldown().isEmpty());
    }

    // The figures of values held with their groups, in memory and merged
    // back from disk, against the functions a whole table uses. Few values
    // over many groups, so that neighbouring groups share their first and
    // last values and runs of equal values.
    void heldValuesAsTheirFunctions_data()
    {
        QTest::addColumn<int>("function");
        QTest::addColumn<bool>("spill");
        QTest::addColumn<int>("totalType");
        for (const bool spill : { false, true }) {
            const char* where = spill ? "on disk" : "in memory";
            QTest::addRow("median %s", where) << int(TransformPivot::Median) << spill << 0;
            QTest::addRow("mode %s", where) << int(TransformPivot::Mode) << spill << 0;
            QTest::addRow("mode %s, total row", where) << int(TransformPivot::Mode) << spill << 1;
            QTest::addRow("distinct %s", where) << int(TransformPivot::CountDistinct) << spill << 0;
            QTest::addRow("distinct %s, total column", where)
                << int(TransformPivot::CountDistinct) << spill << 2;
        }
    }

    void heldValuesAsTheirFunctions()
    {
        QFETCH(int, function);
        QFETCH(bool, spill);
        QFETCH(int, totalType);
        QTemporaryDir folder;
        RunContext context;
        // A limit of almost nothing puts every block on disk.
        context.settings().setMaxMemoryUsage(spill ? 1e-9 : 4.0);
        context.setMeasurement([] { return 0.0; });
        context.setTempFolder(folder.path());
        SpillBudget budget(&context, 30);
        pivot::Layout layout;
        layout.totalRow = totalType != 2;
        layout.totalColumn = totalType != 1;
        layout.nonCalc = QStringLiteral("-");
        const int rowGroups = 7;
        const int columnGroups = 5;
        const bool distinct = function == TransformPivot::CountDistinct;
        pivot::SortedValues sorted(layout, &budget);
        pivot::DistinctValues texts(layout, &budget);
        const pivot::HeldProgress held { [] { return false; }, [](qreal) { return true; } };
        // Each cell's and total's values, as the table holds them.
        QMap<QPair<int, int>, std::vector<double>> values;
        QMap<QPair<int, int>, QSet<QString>> distinctTexts;
        for (int i = 0; i < 3000; ++i) {
            const int r = (i * 13 + i / 40) % rowGroups;
            const int c = (i * 7) % columnGroups;
            // Cells 3 and 4 of row 6 are never met.
            if (r == 6 && c >= 3)
                continue;
            // Cell 0 of row 5 holds only the least value, with which the
            // next cell starts: a run of equal values ends with its group.
            const double v = r == 5 && c == 0 ? -1.0 : double((i * 31 + i / 9) % 6) / 2.0 - 1.0;
            const QString text = (i % 3 ? QStringLiteral("a") : QStringLiteral("A"))
                + QString::number((i * 17) % 11);
            for (const QPair<int, int>& group :
                { qMakePair(r, c), qMakePair(r, -1), qMakePair(-1, c), qMakePair(-1, -1) }) {
                values[group].push_back(v);
                distinctTexts[group].insert(text);
            }
            if (distinct)
                texts.add(r, c, text);
            else
                sorted.add(r, c, v);
            if (i % 100 == 99)
                QVERIFY(distinct ? texts.endBlock(held) : sorted.endBlock(held));
        }
        const pivot::Side rows = reversedSide(rowGroups);
        const pivot::Side cols = reversedSide(columnGroups);
        Dataset out;
        pivot::layOut(out, QStringLiteral("keys"), rows, cols, layout);
        Dataset expected = out;
        pivot::HeldValues& store = distinct ? static_cast<pivot::HeldValues&>(texts) : sorted;
        QVERIFY(store.fill(out, function, rows, cols, held));
        QCOMPARE(store.runs() > 1, spill);
        for (auto it = values.begin(); it != values.end(); ++it) {
            const int r = it.key().first;
            const int c = it.key().second;
            if ((r < 0 && !layout.totalRow) || (c < 0 && !layout.totalColumn))
                continue;
            QString figure;
            if (distinct)
                figure = QString::number(distinctTexts.value(it.key()).size());
            else
                figure = formatNumber(
                    function == TransformPivot::Median ? medianOf(it.value()) : modeOf(it.value()));
            expected.setValue(r < 0 ? rowGroups : rows.rank.at(r),
                c < 0 ? columnGroups + 1 : cols.rank.at(c) + 1, figure);
        }
        for (int r = 0; r < expected.rowCount(); ++r)
            QCOMPARE(out.row(r), expected.row(r));
        QCOMPARE(out.value(rows.rank.at(6), cols.rank.at(4) + 1), QStringLiteral("-"));
    }

    // A sparse table: far more cells than rows.
    void moreCellsThanRows()
    {
        QList<QStringList> rows;
        for (int i = 0; i < 1500; ++i)
            rows << QStringList { QString::number(i), i % 2 ? "A" : "B", QString::number(i) };
        TransformRun run(new TransformPivot, makeDataset({ "id", "side", "amount" }, rows));
        run.columns({ 0 }, QStringLiteral("Columns")).columns({ 1 }, QStringLiteral("Rows"));
        const Dataset& out = run.column(2, QStringLiteral("Values")).run();
        QCOMPARE(out.rowCount(), 1501);
        QCOMPARE(out.row(7), QStringList({ "7", "7", "0", "7" }));
        QCOMPARE(out.row(1500), QStringList({ "Grand Sum", "562500", "561750", "1124250" }));
    }
};

QTEST_MAIN(TestPivot)
#include "tst_pivot.moc"
