#include "tests/transforms/merge/mergefixture.h"
#include "transforms/analysis/transformpivot.h"
#include "transforms/column/transformrenamecols.h"
#include "transforms/merge/transformjoin.h"

#include <QHash>
#include <QTest>

// Large tables are worked on two threads inside some transforms; their
// results must be those of the plain one-row-at-a-time reading.
//
// A join with enough matching pairs makes the rows of the second half of the
// top rows on another thread: every top row's partners in bottom order, then
// the top rows without a partner, then the bottom rows without one.
// A pivot table groups its row keys and its column keys on two threads.
class TestParallelTransforms : public QObject
{
    Q_OBJECT

private slots:
    void sameRowsAsNestedReading_data();
    void sameRowsAsNestedReading();
    void pivotSumsAsCountedApart_data();
    void pivotSumsAsCountedApart();
    void joinGrowsTopRowsStillShared();
};

namespace {

// Top rows "row i" with key i % keys; bottom rows per key value k: copies
// copies of k for k in [firstKey, firstKey + keys).
Dataset table(int rows, int keys, int copies, int firstKey, bool top)
{
    QList<QStringList> values;
    if (top) {
        for (int r = 0; r < rows; ++r)
            values.append({ QStringLiteral("row %1").arg(r), QString::number(r % keys) });
        return makeDataset({ "name", "key" }, values);
    }
    for (int c = 0; c < copies; ++c) {
        for (int k = firstKey; k < firstKey + keys; ++k)
            values.append({ QString::number(k), QStringLiteral("b%1.%2").arg(k).arg(c) });
    }
    return makeDataset({ "key", "value" }, values);
}

QVector<QStringList> nestedReading(
    const Dataset& top, const Dataset& bottom, bool keepTop, bool keepBottom)
{
    QHash<QString, QVector<int>> partners;
    for (int b = 0; b < bottom.rowCount(); ++b)
        partners[bottom.value(b, 0)].append(b);
    QVector<QStringList> rows;
    QSet<int> matchedBottom;
    for (int r = 0; r < top.rowCount(); ++r) {
        for (int b : partners.value(top.value(r, 1))) {
            rows.append(top.row(r) + QStringList { bottom.value(b, 1) });
            matchedBottom.insert(b);
        }
    }
    for (int r = 0; keepTop && r < top.rowCount(); ++r) {
        if (!partners.contains(top.value(r, 1)))
            rows.append(top.row(r) + QStringList { QString() });
    }
    for (int b = 0; keepBottom && b < bottom.rowCount(); ++b) {
        if (!matchedBottom.contains(b))
            rows.append({ QString(), bottom.value(b, 0), bottom.value(b, 1) });
    }
    return rows;
}

// The first row that differs, told as text; empty when none does.
QString firstDifference(const QVector<QStringList>& rows, const QVector<QStringList>& expected)
{
    if (rows.size() != expected.size())
        return QStringLiteral("%1 rows instead of %2").arg(rows.size()).arg(expected.size());
    for (int r = 0; r < expected.size(); ++r) {
        if (rows.at(r) != expected.at(r))
            return QStringLiteral("row %1: %2 instead of %3")
                .arg(r)
                .arg(rows.at(r).join('|'), expected.at(r).join('|'));
    }
    return QString();
}

} // namespace

void TestParallelTransforms::sameRowsAsNestedReading_data()
{
    QTest::addColumn<int>("topRows");
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("firstKey");
    QTest::addColumn<bool>("keepTop");
    QTest::addColumn<bool>("keepBottom");
    // Below and above the size at which a second thread joins in; partners
    // repeated, keys missing on either side, and the unmatched rows kept.
    QTest::newRow("one thread") << 2000 << 1 << 0 << false << false;
    QTest::newRow("two threads, one partner each") << 60000 << 1 << 0 << false << false;
    QTest::newRow("two threads, three partners each") << 30000 << 3 << 0 << false << false;
    QTest::newRow("two threads, full outer") << 70000 << 2 << 100 << true << true;
}

void TestParallelTransforms::sameRowsAsNestedReading()
{
    QFETCH(int, topRows);
    QFETCH(int, copies);
    QFETCH(int, firstKey);
    QFETCH(bool, keepTop);
    QFETCH(bool, keepBottom);
    const int keys = 997;
    const Dataset top = table(topRows, keys, 0, 0, true);
    const Dataset bottom = table(0, keys, copies, firstKey, false);
    MergeFixture f(new TransformJoin, { top, bottom });
    f.choose("Column_1", 1);
    f.choose("Column_2", 0);
    f.set("Include_Non_Matching_1", keepTop);
    f.set("Include_Non_Matching_2", keepBottom);
    const Dataset& out = f.run();
    QCOMPARE(firstDifference(out.rowLists(), nestedReading(top, bottom, keepTop, keepBottom)),
        QString());
}

void TestParallelTransforms::pivotSumsAsCountedApart_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("one thread") << 3000;
    QTest::newRow("two threads") << 80000;
}

// Whole numbers, so that every sum is exact whatever the order of adding.
void TestParallelTransforms::pivotSumsAsCountedApart()
{
    QFETCH(int, rows);
    QList<QStringList> values;
    QHash<QString, qint64> sums; // "row key|column key", with "" for a total
    for (int r = 0; r < rows; ++r) {
        const QString rowKey = QStringLiteral("k%1").arg((r * 7) % 13);
        const QString columnKey = QString::number((r * 3) % 11);
        const int amount = (r * 31) % 101 - 20;
        values.append({ rowKey, columnKey, QString::number(amount) });
        const QStringList cells
            = { rowKey + '|' + columnKey, rowKey + '|', '|' + columnKey, QStringLiteral("|") };
        for (const QString& cell : cells)
            sums[cell] += amount;
    }
    TransformRun run(new TransformPivot, makeDataset({ "who", "when", "amount" }, values));
    run.columns({ 0 }, QStringLiteral("Columns")).columns({ 1 }, QStringLiteral("Rows"));
    const Dataset& out = run.column(2, QStringLiteral("Values")).run();
    QCOMPARE(out.rowCount(), 14);
    QCOMPARE(out.columnCount(), 13);
    for (int r = 0; r < out.rowCount(); ++r) {
        const QString rowKey = r < 13 ? out.value(r, 0) : QString();
        for (int c = 1; c < out.columnCount(); ++c) {
            const QString columnKey = c < 12 ? out.columnName(c) : QString();
            QCOMPARE(out.value(r, c), QString::number(sums.value(rowKey + '|' + columnKey)));
        }
    }
}

QTEST_MAIN(TestParallelTransforms)
#include "tst_paralleltransforms.moc"

// A join that takes over its top rows while the list is still shared (an
// item before it passes its rows on unchanged, and another item reads them
// after the join) must make the list its own before two threads grow its
// rows: every row gets its partner, and the other reader sees the rows as
// they were.
void TestParallelTransforms::joinGrowsTopRowsStillShared()
{
    const int keys = 1000;
    const Dataset top = table(200000, keys, 0, 0, true);
    const Dataset bottom = table(0, keys, 1, 0, false);
    GraphModel scene;
    scene.setKeepsResults(false);
    auto* source = new SourceNode(top);
    auto* lookup = new SourceNode(bottom);
    auto* passOn = makeTransformNode(new TransformRenameCols);
    auto* join = makeTransformNode(new TransformJoin);
    auto* laterReader = makeTransformNode(new TransformRenameCols);
    // The lookup is the first root, so the join runs as soon as the item
    // before it is done, before the later reader; the item before it stays
    // the join's top input.
    const QList<QPair<Node*, QPointF>> placed { { passOn, { 0, 0 } }, { lookup, { 0, 100 } },
        { source, { 0, 200 } }, { join, { 0, 300 } }, { laterReader, { 0, 400 } } };
    for (const auto& item : placed) {
        scene.insertNode(item.first);
        item.first->setPos(item.second);
    }
    scene.insertConnection(source, passOn);
    scene.insertConnection(passOn, join);
    scene.insertConnection(lookup, join);
    scene.insertConnection(source, laterReader);
    scene.rebindAll();
    scene.process(GraphModel::RunAll, true);
    for (const auto& key : { std::make_pair("Column_1", 1), std::make_pair("Column_2", 0) }) {
        TransformParameter* p = join->transform()->parameter(key.first);
        p->setValue(QVariant::fromValue(p->referenceAt(key.second)));
    }
    for (Node* node : scene.nodes())
        node->setStatus(StatusNeedsUpdating, false);
    // Items nothing reads let their rows go in a run without windows: each
    // result is taken as its item finishes.
    QVector<QStringList> joined;
    QVector<QStringList> seenLater;
    const auto keep = [](Node* node, QVector<QStringList>* rows) {
        return [node, rows](Node*, qreal done) {
            if (done >= 1.0 && rows->isEmpty())
                *rows = node->dataset().rowLists();
        };
    };
    connect(join, &Node::processed, this, keep(join, &joined));
    connect(laterReader, &Node::processed, this, keep(laterReader, &seenLater));
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(firstDifference(joined, nestedReading(top, bottom, false, false)), QString());
    QCOMPARE(seenLater, top.rowLists());
}
