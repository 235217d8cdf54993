#include "testnodes.h"

#include <QStandardPaths>
#include <QTest>

namespace {

// A two-or-more input type, for the "at least" form of the count warning.
class TestMany : public TestPair
{
public:
    QString typeKey() const override { return QStringLiteral("Test_Many"); }
    int maxInputs() const override { return NoLimit; }

protected:
    Transform* newInstance() const override { return new TestMany; }
};

Dataset withIds(const QStringList& header, const QVector<ColumnId>& ids)
{
    Dataset d = makeDataset(header, { header });
    d.setColumnIds(ids);
    return d;
}

void choose(TransformNode* node, const QString& key, int position)
{
    TransformParameter* p = node->transform()->parameter(key);
    p->setValue(QVariant::fromValue(p->referenceAt(position)));
}

} // namespace

class TestTransformNode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void upstreamCountWarning_data();
    void upstreamCountWarning();
    void identitiesSurviveRenamingAndReruns();
    void reconnectionByName_data();
    void reconnectionByName();
    void resultsAndCounters();
};

void TestTransformNode::upstreamCountWarning_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("inputs");
    QTest::addColumn<QString>("warning");
    QTest::newRow("exactly two, one given") << 0 << 1 << "2 upstream connections expected";
    QTest::newRow("two or more, one given") << 1 << 1 << "At least 2 upstream connections expected";
    QTest::newRow("exactly one, none given") << 2 << 0 << "1 upstream connection expected";
    QTest::newRow("exactly two, two given") << 0 << 2 << "";
}

void TestTransformNode::upstreamCountWarning()
{
    QFETCH(int, kind);
    QFETCH(int, inputs);
    QFETCH(QString, warning);
    GraphModel scene;
    Transform* t = kind == 0 ? new TestPair
        : kind == 1          ? static_cast<Transform*>(new TestMany)
                             : new TestUpper;
    TransformNode* node = makeTransformNode(t);
    scene.insertNode(node);
    for (int i = 0; i < inputs; ++i) {
        auto* s = new SourceNode(makeDataset({ "a" }, { { "x" } }));
        scene.insertNode(s);
        scene.insertConnection(s, node);
    }
    node->upstreamChanged();
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(node->status(), int(StatusUpToDate));
    const QStringList own = node->warnings();
    QCOMPARE(own.contains(warning), !warning.isEmpty());
    if (warning.isEmpty())
        QVERIFY(!own.join(' ').contains(QStringLiteral("upstream")));
}

void TestTransformNode::identitiesSurviveRenamingAndReruns()
{
    GraphModel scene;
    auto* source = new SourceNode(makeDataset({ "a", "b" }, { { "1", "2" } }));
    scene.insertNode(source);
    auto* renamer = makeTransformNode(new TestPick);
    auto* picker = makeTransformNode(new TestPick);
    auto* pair = makeTransformNode(new TestPair);
    for (Node* n : QList<Node*> { renamer, picker, pair })
        scene.insertNode(n);
    scene.insertConnection(source, renamer);
    scene.insertConnection(renamer, picker);
    scene.insertConnection(renamer, pair);
    scene.insertConnection(source, pair);
    source->setPos(0, 0);
    renamer->setPos(0, 100);
    picker->setPos(0, 200);
    pair->setPos(200, 200);
    scene.rebindAll();
    scene.process(GraphModel::RunAll, true);
    choose(picker, QStringLiteral("Column"), 0);
    QCOMPARE(picker->transform()->parameter("Column")->summary(), QStringLiteral("a"));

    renamer->transform()->parameter("New_Name")->setValue(QStringLiteral("renamed"));
    scene.onSourceChanged(renamer);
    scene.process(GraphModel::RunUnprocessed, true);
    QCOMPARE(picker->dataset().columnNames(), QStringList { "renamed" });
    QCOMPARE(picker->transform()->parameter("Column")->summary(), QStringLiteral("renamed"));
    QCOMPARE(picker->transform()->parameter("Column")->columnRef().name, QStringLiteral("renamed"));

    const QVector<ColumnId> before = pair->dataset().columnIds();
    QCOMPARE(before.last(), ColumnId(pair->id(), 1));
    QCOMPARE(before.first(), ColumnId(source->id(), 1));
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(pair->dataset().columnIds(), before);
    QCOMPARE(picker->dataset().value(0, 0), QStringLiteral("1"));
}

void TestTransformNode::reconnectionByName_data()
{
    QTest::addColumn<bool>("byName");
    QTest::addColumn<QStringList>("secondHeader");
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QStringList>("output");
    const QStringList readded { "a", "b" };
    QTest::newRow("re-added, by name")
        << true << readded << "Reconnected to column 'b' for 'Column'"
        << "" << QStringList { "b" };
    QTest::newRow("re-added, not by name")
        << false << readded << ""
        << "1 option not set ('column')" << QStringList { "a", "b" };
    QTest::newRow("gone") << true << QStringList { "a", "c" } << ""
                          << "Cannot reconnect to column 'b' for 'Column'"
                          << QStringList { "a", "c" };
}

void TestTransformNode::reconnectionByName()
{
    QFETCH(bool, byName);
    QFETCH(QStringList, secondHeader);
    QFETCH(QString, info);
    QFETCH(QString, warning);
    QFETCH(QStringList, output);
    GraphModel scene;
    auto* source = new SourceNode(withIds({ "a", "b" }, { ColumnId(99, 1), ColumnId(99, 2) }));
    scene.insertNode(source);
    auto* pickTransform = new TestPick;
    pickTransform->reconnectByName = byName;
    auto* picker = makeTransformNode(pickTransform);
    scene.insertNode(picker);
    scene.insertConnection(source, picker);
    picker->upstreamChanged();
    scene.process(GraphModel::RunAll, true);
    choose(picker, QStringLiteral("Column"), 1);
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(picker->dataset().columnNames(), QStringList { "b" });

    // The column is dropped and a column of the same name added: a new
    // identity.
    source->setData(withIds(secondHeader, { ColumnId(99, 1), ColumnId(99, 7) }));
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(picker->information().contains(info), !info.isEmpty());
    QCOMPARE(picker->warnings().contains(warning), !warning.isEmpty());
    QCOMPARE(picker->dataset().columnNames(), output);
}

void TestTransformNode::resultsAndCounters()
{
    GraphModel scene;
    auto* source = new SourceNode(makeDataset({ "a" }, { { "x" }, { "Y" }, { "z" } }));
    scene.insertNode(source);
    auto* node = makeTransformNode(new TestUpper);
    scene.insertNode(node);
    scene.insertConnection(source, node);
    node->upstreamChanged();
    scene.process(GraphModel::RunAll, true);
    TransformParameter* columns = node->transform()->parameter("Columns");
    columns->setValue(QVariant::fromValue(ColumnRefList { columns->referenceAt(0) }));

    const qint64 before = scene.runContext().rowsProcessed();
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(scene.runContext().rowsProcessed(), before + 3);
    QCOMPARE(node->resultText(), QStringLiteral("2 changed, 1 unchanged"));
    QVERIFY(node->logLine(false).contains(QStringLiteral("[2 changed, 1 unchanged]")));
    QCOMPARE(node->warnings(), QStringList());
    QVERIFY(node->summary().contains(QStringLiteral("<b>Transform type</b></td><td>Test Upper")));
    QVERIFY(node->lastProcessed().isValid());
}

QTEST_MAIN(TestTransformNode)
#include "tst_transformnode.moc"
