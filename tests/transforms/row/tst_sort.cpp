#include "tests/graph/testnodes.h"

#include "core/values.h"
#include "transforms/row/transformsort.h"
#include "transforms/support/datasetsort.h"

#include <QLocale>
#include <QStandardPaths>
#include <QTest>

namespace {

// A Sort fed by a processed source item, run by calling process() directly.
struct SortRun
{
    explicit SortRun(const Dataset& data) : source(data)
    {
        source.process(false, false);
        sort.defineParameters({ &source }, false);
        sort.bindUpstream({ &source }, false);
    }
    // Signed column numbers: position + 1, negative for descending.
    void keys(const QVector<int>& signedColumns)
    {
        TransformParameter* p = sort.parameter(QStringLiteral("Columns"));
        SortColumnList list;
        for (int k : signedColumns)
            list.append(SortColumn { p->referenceAt(std::abs(k) - 1), k > 0 });
        p->setValue(QVariant::fromValue(list));
    }
    void set(const QString& key, const QVariant& value) { sort.parameter(key)->setValue(value); }
    void rankBy(int column)
    {
        TransformParameter* p = sort.parameter(QStringLiteral("Rank_By"));
        p->setValue(QVariant::fromValue(p->referenceAt(column)));
    }
    Dataset run()
    {
        sort.clearMessages();
        Dataset out;
        error = false;
        sort.process(out, { &source }, error);
        sort.validate();
        return out;
    }
    SourceNode source;
    TransformSort sort;
    bool error = false;
};

QStringList columnValues(const Dataset& d, int column)
{
    QStringList values;
    for (int r = 0; r < d.rowCount(); ++r)
        values << d.value(r, column);
    return values;
}

Dataset oneColumn(const QStringList& values)
{
    Dataset d;
    d.setColumnCount(1);
    d.setHeader({ QStringLiteral("v") });
    for (const QString& v : values)
        d.appendRow({ v });
    return d;
}

} // namespace

class TestSort : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void order_data();
    void order();
    void laterKeysBreakTies();
    void equalRowsKeepTheirOrder();
    void ranks_data();
    void ranks();
    void ranksWithinEachRankByValue();
    void summaries_data();
    void summaries();
    void rowsAreSharedWithTheInput();
    void sortDatasetKeys();
    void stopLeavesTheInputUnsorted();
    void largeColumns_data();
    void largeColumns();
    void runsInTheGraph();
};

void TestSort::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    setDefaultDateFormats({ QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd/MM/yyyy") });
}

void TestSort::order_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("intelligent");
    QTest::addColumn<bool>("localeAware");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("information");

    const QStringList numbers { "10", "9", "100" };
    QTest::newRow("numbers as numbers")
        << numbers << 1 << true << false << true << QStringList { "9", "10", "100" }
        << "Column 'v' sorted ascending as Numeric";
    QTest::newRow("numbers as text")
        << numbers << 1 << false << false << true << QStringList { "10", "100", "9" }
        << "Column 'v' sorted ascending as Text";
    QTest::newRow("decimals, negatives, separators, currency")
        << QStringList { "1,200", "-3.5", "$40", "0.25", "-10" } << 1 << true << false << true
        << QStringList { "-10", "-3.5", "0.25", "$40", "1,200" }
        << "Column 'v' sorted ascending as Numeric";
    // A text that is not a number beyond the first 100 rows.
    QStringList late;
    for (int i = 0; i < 100; ++i)
        late << QString::number(100 - i);
    late << ""
         << "n/a"
         << "7";
    QStringList lateAscending;
    for (int i = 1; i <= 100; ++i)
        lateAscending << QString::number(i);
    lateAscending.insert(6, "7");
    QTest::newRow("unreadable and empty values last")
        << late << 1 << true << false << true
        << QStringList(lateAscending + QStringList { "n/a", "" })
        << "Column 'v' sorted ascending as Numeric";
    QStringList lateDescending = lateAscending;
    std::reverse(lateDescending.begin(), lateDescending.end());
    QTest::newRow("unreadable and empty values last descending")
        << late << -1 << true << false << true
        << QStringList(lateDescending + QStringList { "n/a", "" })
        << "Column 'v' sorted descending as Numeric";
    QTest::newRow("dates as dates")
        << QStringList { "10/01/2020", "05/06/2019", "20/12/2018" } << 1 << true << false << true
        << QStringList { "20/12/2018", "05/06/2019", "10/01/2020" }
        << "Column 'v' sorted ascending as Date (dd/MM/yyyy)";
    QTest::newRow("ISO dates descending")
        << QStringList { "2020-01-02", "2021-01-01", "2019-12-31" } << -1 << true << false << true
        << QStringList { "2021-01-01", "2020-01-02", "2019-12-31" }
        << "Column 'v' sorted descending as Date (yyyy-MM-dd)";
    QTest::newRow("text by code units")
        << QStringList { "b", "B", "a", "A" } << 1 << true << false << true
        << QStringList { "A", "B", "a", "b" } << "Column 'v' sorted ascending as Text";
    QTest::newRow("text ignoring case keeps tied order")
        << QStringList { "b", "B", "a", "A" } << 1 << true << false << false
        << QStringList { "a", "A", "b", "B" } << "Column 'v' sorted ascending as Text";
    QTest::newRow("text descending")
        << QStringList { "b", "", "c", "a" } << -1 << true << false << true
        << QStringList { "c", "b", "a", "" } << "Column 'v' sorted descending as Text";
    QTest::newRow("accents by collation")
        << QStringList { "z", "ä", "a" } << 1 << true << true << true
        << QStringList { "a", "ä", "z" } << "Column 'v' sorted ascending as Text";
    QTest::newRow("collation with case")
        << QStringList { "B", "b", "A", "a" } << 1 << true << true << true
        << QStringList { "a", "A", "b", "B" } << "Column 'v' sorted ascending as Text";
    QTest::newRow("collation without case")
        << QStringList { "B", "b", "A", "a" } << 1 << true << true << false
        << QStringList { "A", "a", "B", "b" } << "Column 'v' sorted ascending as Text";
}

void TestSort::order()
{
    QFETCH(QStringList, values);
    QFETCH(int, key);
    QFETCH(bool, intelligent);
    QFETCH(bool, localeAware);
    QFETCH(bool, caseSensitive);
    QFETCH(QStringList, expected);
    QFETCH(QString, information);
    SortRun run(oneColumn(values));
    run.keys({ key });
    run.set(QStringLiteral("Intelligent_Sort"), intelligent);
    run.set(QStringLiteral("Locale_Aware_Sort"), localeAware);
    run.set(QStringLiteral("Case_Sensitive"), caseSensitive);
    const Dataset out = run.run();
    QCOMPARE(columnValues(out, 0), expected);
    QCOMPARE(run.sort.information(), QStringList { information });
    QCOMPARE(out.columnNames(), QStringList { "v" });
    QVERIFY(!run.error);
}

void TestSort::laterKeysBreakTies()
{
    SortRun run(makeDataset({ "region", "sales", "id" },
        { { "north", "5", "1" }, { "south", "30", "2" }, { "north", "40", "3" },
            { "south", "7", "4" }, { "north", "5", "5" } }));
    run.keys({ 1, -2 });
    const Dataset out = run.run();
    QCOMPARE(columnValues(out, 2), (QStringList { "3", "1", "5", "2", "4" }));
    QCOMPARE(run.sort.information(),
        (QStringList { "Column 'region' sorted ascending as Text",
            "Column 'sales' sorted descending as Numeric" }));
}

// Enough equal keys that an unstable sort would shuffle them.
void TestSort::equalRowsKeepTheirOrder()
{
    QList<QStringList> rows;
    for (int i = 0; i < 5000; ++i)
        rows << QStringList { QString::number((i * 7919) % 3), QString::number(i) };
    SortRun run(makeDataset({ "key", "seq" }, rows));
    run.keys({ -1 });
    const Dataset out = run.run();
    QCOMPARE(out.rowCount(), 5000);
    for (int r = 1; r < out.rowCount(); ++r) {
        const int k0 = out.value(r - 1, 0).toInt();
        const int k1 = out.value(r, 0).toInt();
        QVERIFY(k0 >= k1);
        if (k0 == k1)
            QVERIFY(out.value(r - 1, 1).toInt() < out.value(r, 1).toInt());
    }
}

void TestSort::ranks_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("minimum") << "Minimum" << QStringList { "1", "2", "2", "4" };
    QTest::newRow("average") << "Average" << QStringList { "1", "2.5", "2.5", "4" };
    QTest::newRow("maximum") << "Maximum" << QStringList { "1", "3", "3", "4" };
    QTest::newRow("dense") << "Dense" << QStringList { "1", "2", "2", "3" };
    QTest::newRow("cumulative") << "Cumulative" << QStringList { "0.25", "0.75", "0.75", "1" };
}

void TestSort::ranks()
{
    QFETCH(QString, type);
    QFETCH(QStringList, expected);
    SortRun run(oneColumn({ "7", "9", "5", "7" }));
    run.keys({ 1 });
    run.set(QStringLiteral("Rank_Add"), true);
    run.set(QStringLiteral("Rank_Types"), type);
    const Dataset out = run.run();
    QCOMPARE(out.columnNames(), (QStringList { "v", "Rank" }));
    QCOMPARE(columnValues(out, 0), (QStringList { "5", "7", "7", "9" }));
    QCOMPARE(columnValues(out, 1), expected);
    QCOMPARE(run.sort.resultSummary(), QStringLiteral("Sorted"));
}

void TestSort::ranksWithinEachRankByValue()
{
    SortRun run(makeDataset({ "region", "sales" },
        { { "north", "5" }, { "south", "30" }, { "north", "40" }, { "south", "7" },
            { "north", "5" }, { "east", "1" } }));
    run.keys({ -2 });
    run.set(QStringLiteral("Rank_Add"), true);
    run.rankBy(0);
    const Dataset out = run.run();
    QCOMPARE(columnValues(out, 1), (QStringList { "40", "30", "7", "5", "5", "1" }));
    QCOMPARE(columnValues(out, 0),
        (QStringList { "north", "south", "south", "north", "north", "east" }));
    QCOMPARE(columnValues(out, 2), (QStringList { "1", "1", "2", "2", "2", "1" }));
    // Without a header the rank column still gets its name.
    Dataset plain = oneColumn({ "b", "a" });
    plain.setHasHeader(false);
    plain.removeRow(0);
    SortRun unnamed(plain);
    unnamed.keys({ 1 });
    unnamed.set(QStringLiteral("Rank_Add"), true);
    QCOMPARE(unnamed.run().columnNames(), (QStringList { "1", "Rank" }));
}

void TestSort::summaries_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<bool>("withKey");
    QTest::addColumn<bool>("rank");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("warnings");
    QTest::newRow("already in order")
        << QStringList { "1", "2", "2", "3" } << true << false << "No changes" << QStringList {};
    QTest::newRow("reordered") << QStringList { "2", "1" } << true << false << "Sorted"
                               << QStringList {};
    QTest::newRow("in order with a rank")
        << QStringList { "1", "2" } << true << true << "Sorted" << QStringList {};
    QTest::newRow("no sort column") << QStringList { "2", "1" } << false << false << "No changes"
                                    << QStringList { "1 option not set ('columns')" };
}

void TestSort::summaries()
{
    QFETCH(QStringList, values);
    QFETCH(bool, withKey);
    QFETCH(bool, rank);
    QFETCH(QString, summary);
    QFETCH(QStringList, warnings);
    SortRun run(oneColumn(values));
    if (withKey)
        run.keys({ 1 });
    run.set(QStringLiteral("Rank_Add"), rank);
    const Dataset out = run.run();
    QCOMPARE(run.sort.resultSummary(), summary);
    QCOMPARE(run.sort.warnings(), warnings);
    if (!withKey)
        QVERIFY(out.equals(run.source.dataset()));
}

void TestSort::rowsAreSharedWithTheInput()
{
    SortRun run(makeDataset({ "a", "b" }, { { "3", "x" }, { "1", "y" }, { "2", "z" } }));
    run.keys({ 1 });
    const Dataset out = run.run();
    const Dataset& in = run.source.dataset();
    QCOMPARE(columnValues(out, 1), (QStringList { "y", "z", "x" }));
    QVERIFY(out.row(0).isSharedWith(in.row(1)));
    QVERIFY(out.row(2).isSharedWith(in.row(0)));
}

// The key encoding other transforms hand over: signed column numbers, and
// numbers naming no column ignored.
void TestSort::sortDatasetKeys()
{
    Dataset d = makeDataset(
        { "n", "t", "id" }, { { "2", "x", "a" }, { "2", "y", "b" }, { "10", "z", "c" } });
    QStringList information;
    QVERIFY(sortDataset(d, { 0, 9, -9, 1, -2 }, SortOptions(), &information));
    QCOMPARE(columnValues(d, 2), (QStringList { "b", "a", "c" }));
    QCOMPARE(information.size(), 2);
}

void TestSort::stopLeavesTheInputUnsorted()
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

void TestSort::largeColumns_data()
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
void TestSort::largeColumns()
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

void TestSort::runsInTheGraph()
{
    Transform* prototype = Catalogue::instance().create(QStringLiteral("Sort"));
    QVERIFY(prototype);
    GraphScene scene;
    auto* source = new SourceNode(oneColumn({ "10", "9", "100" }));
    TransformNode* node = new TransformNode(prototype);
    scene.insertNode(source);
    scene.insertNode(node);
    scene.insertConnection(source, node);
    scene.rebindAll();
    scene.process(GraphScene::RunAll, true);
    TransformParameter* p = node->transform()->parameter(QStringLiteral("Columns"));
    p->setValue(QVariant::fromValue(SortColumnList { SortColumn { p->referenceAt(0), false } }));
    scene.onSourceChanged(node);
    scene.process(GraphScene::RunUnprocessed, true);
    QCOMPARE(node->status(), int(StatusUpToDate));
    QCOMPARE(columnValues(node->dataset(), 0), (QStringList { "100", "10", "9" }));
    QCOMPARE(node->dataset().columnId(0), ColumnId(source->id(), 1));
    QCOMPARE(node->transform()->resultSummary(), QStringLiteral("Sorted"));
}

QTEST_MAIN(TestSort)
#include "tst_sort.moc"
