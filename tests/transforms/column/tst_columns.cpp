// Column structure transforms whose result depends on how the upstream
// columns change, run through a real TransformNode fed by an in-memory
// source item. Cases of data in and data out are golden cases
// (tests/data/transforms).
#include "graph/connection.h"
#include "tests/transforms/format/textharness.h"
#include "transforms/row/transformrownum.h"

#include <QStandardPaths>
#include <QTest>

namespace {

// A source item, one transform of the given type below it, and helpers to
// set its options and run it.
struct Chain
{
    GraphModel scene;
    SourceNode* source = nullptr;
    TransformNode* node = nullptr;

    Chain(const QString& typeKey, const Dataset& data)
    {
        source = new SourceNode(data);
        node = new TransformNode(Catalogue::instance().create(typeKey));
        scene.insertNode(source);
        scene.insertNode(node);
        node->setPos(0, 100);
        // Processed first, so the options can refer to columns by identity.
        source->process(false, false);
        scene.insertConnection(source, node);
        node->upstreamChanged();
    }
    Transform* transform() const { return node->transform(); }
    TransformParameter* param(const char* key) const
    {
        return transform()->parameter(QString::fromLatin1(key));
    }
    void set(const char* key, const QVariant& value) { param(key)->setValue(value); }
    void setColumns(const char* key, const QVector<int>& positions)
    {
        ColumnRefList refs;
        for (int c : positions)
            refs.append(param(key)->referenceAt(c));
        set(key, QVariant::fromValue(refs));
    }
    const Dataset& run()
    {
        scene.process(GraphModel::RunAll, true);
        return node->dataset();
    }
    QString summary() const { return transform()->resultSummary(); }
};

// The same dataset with fixed identities, so that a changed upstream keeps
// the identities of the columns it still has.
Dataset withIds(Dataset d, const QVector<quint32>& serials)
{
    QVector<ColumnId> ids;
    for (quint32 s : serials)
        ids.append(ColumnId(90, s));
    d.setColumnIds(ids);
    return d;
}

Dataset fourColumns()
{
    return makeDataset(
        { "A", "B", "C", "D" }, { { "a1", "b1", "c1", "d1" }, { "a2", "b2", "c2", "d2" } });
}

} // namespace

using IntList = QVector<int>;

class TestColumns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The largest start and step over many rows go beyond 32 bits.
    void rowNumberBeyond32Bits()
    {
        QCOMPARE(TransformRowNum::numberOf(3000000, 999999999, 999999, 1),
            999999999LL + 3000000LL * 999999LL);
    }

    // A new Reshape item starts at the width its input has.
    void reshapeSizeStartsAtTheColumnCount()
    {
        TransformRun run(Catalogue::instance().create(QStringLiteral("Reshape")), fourColumns());
        QCOMPARE(run.parameter(QStringLiteral("New_Size"))->intValue(), 4);
    }

    void copiesHaveIdentitiesOfTheirOwn()
    {
        Chain chain(QStringLiteral("Copy"), fourColumns());
        chain.setColumns("Columns", { 1 });
        const Dataset& out = chain.run();
        QCOMPARE(out.columnId(out.lastColumn()).node, chain.node->id());
    }

    void reorderPlacesColumnsAddedUpstreamLater()
    {
        Chain chain(QStringLiteral("Reorder"), withIds(fourColumns(), { 1, 2, 3, 4 }));
        chain.setColumns("Columns", { 3, 1 });
        const Dataset& out = chain.run();
        const Dataset& in = chain.source->dataset();
        QCOMPARE(out.columnNames(), (QStringList { "D", "B", "A", "C" }));
        QCOMPARE(out.row(1), (QStringList { "d2", "b2", "a2", "c2" }));
        QCOMPARE(out.columnIds(),
            (QVector<ColumnId> { in.columnId(3), in.columnId(1), in.columnId(0), in.columnId(2) }));
        QCOMPARE(chain.summary(), QStringLiteral("3 cols reordered")); // B kept its place
        chain.setColumns("Columns", { 0, 1, 2, 3 });
        chain.run();
        QCOMPARE(chain.summary(), QStringLiteral("No changes"));

        // A new column E appears upstream between B and C.
        chain.setColumns("Columns", { 3, 1 });
        chain.source->setData(
            withIds(makeDataset({ "A", "B", "E", "C", "D" }, { { "a1", "b1", "e1", "c1", "d1" } }),
                { 1, 2, 5, 3, 4 }));
        QCOMPARE(chain.run().row(0), (QStringList { "d1", "b1", "a1", "e1", "c1" }));
        QCOMPARE(chain.node->dataset().columnNames(), (QStringList { "D", "B", "A", "E", "C" }));
        QCOMPARE(chain.summary(), QStringLiteral("4 cols reordered"));
    }

    void removeKeepsUncheckedStateAndNewColumns()
    {
        Chain chain(QStringLiteral("Remove"), withIds(fourColumns(), { 1, 2, 3, 4 }));
        CheckedColumnList list = chain.param("Columns")->checkedColumns();
        QCOMPARE(
            chain.param("Columns")->resolvedColumns(), (IntList { 0, 1, 2, 3 })); // all checked
        QCOMPARE(chain.run().columnNames(), fourColumns().columnNames());
        QCOMPARE(chain.summary(), QStringLiteral("No changes"));

        list[1].checked = false;
        list[3].checked = false;
        chain.set("Columns", QVariant::fromValue(list));
        QCOMPARE(chain.run().row(1), (QStringList { "a2", "c2" }));
        QCOMPARE(chain.summary(), QStringLiteral("2 cols removed"));

        // A column added upstream later is kept and recorded as checked; the
        // unchecked ones stay removed, also after rebinding the same item.
        chain.source->setData(
            withIds(makeDataset({ "A", "B", "C", "D", "E" }, { { "a1", "b1", "c1", "d1", "e1" } }),
                { 1, 2, 3, 4, 5 }));
        QCOMPARE(chain.run().columnNames(), (QStringList { "A", "C", "E" }));
        QCOMPARE(chain.param("Columns")->checkedColumns().size(), 5);
        QCOMPARE(chain.param("Columns")->resolvedColumns(true), (IntList { 0, 2, 4 }));
        chain.node->upstreamChanged();
        QCOMPARE(chain.run().columnNames(), (QStringList { "A", "C", "E" }));
    }

    void removeRefreshChecksEveryColumnOfNewUpstream()
    {
        Chain chain(QStringLiteral("Remove"), fourColumns());
        CheckedColumnList list = chain.param("Columns")->checkedColumns();
        list[0].checked = false;
        chain.set("Columns", QVariant::fromValue(list));
        QCOMPARE(chain.run().columnNames(), (QStringList { "B", "C", "D" }));

        auto* other = new SourceNode(makeDataset({ "X", "Y" }, { { "x", "y" } }));
        chain.scene.insertNode(other);
        other->process(false, false);
        delete chain.node->connections(Incoming).first();
        chain.scene.insertConnection(other, chain.node);
        chain.node->upstreamChanged();
        QCOMPARE(chain.param("Columns")->resolvedColumns(), (IntList { 0, 1 }));
        QCOMPARE(chain.run().columnNames(), (QStringList { "X", "Y" }));
        QCOMPARE(chain.summary(), QStringLiteral("No changes"));
    }

    void cloneSharesStorage()
    {
        Chain clone(QStringLiteral("Clone"), fourColumns());
        const Dataset& copy = clone.run();
        const Dataset& in = clone.source->dataset();
        QVERIFY(copy.equals(in));
        QCOMPARE(copy.columnIds(), in.columnIds());
        QCOMPARE(clone.summary(), QStringLiteral("Cloned"));
        QVERIFY(copy.sharesStorageWith(in)); // still sharing storage
    }
};

QTEST_MAIN(TestColumns)
#include "tst_columns.moc"
