#include "graph/connection.h"
#include "graph/notenode.h"
#include "testnodes.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

// A type that needs no upstream item.
class TestGenerate : public TestUpper
{
public:
    QString typeKey() const override { return QStringLiteral("Test_Generate"); }
    int minInputs() const override { return 0; }

protected:
    Transform* newInstance() const override { return new TestGenerate; }
};

class TestMany : public TestPair
{
public:
    QString typeKey() const override { return QStringLiteral("Test_Many"); }
    int maxInputs() const override { return 4; }

protected:
    Transform* newInstance() const override { return new TestMany; }
};

Transform* fresh(Transform* t)
{
    t->defineParameters({}, false);
    return t;
}

} // namespace

class TestAddTransform : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerTestKinds();
    }

    void refusals_data();
    void refusals();
    void addsAfterSelectedItemsInCanvasOrder();
    void insertsIntoSelectedConnection();
};

void TestAddTransform::refusals_data()
{
    QTest::addColumn<int>("kind"); // 0 one input, 1 two or more, 2 none needed, 3 up to 4
    QTest::addColumn<QString>("select"); // letters: i input, t transform, o output, n note, c conn
    QTest::addColumn<QString>("problem");
    const QString tail = QStringLiteral("\nTo add a '%1' transform you need to first select %2 in "
                                        "the Center pane.");
    QTest::newRow("two needed, one input")
        << 1 << "i"
        << QString("Selected: 1 Input" + tail.arg("Test Pair", "just 2 Input or Transform items"));
    QTest::newRow("nothing selected")
        << 0 << ""
        << QString("No items selected."
               + tail.arg("Test Upper", "just 1 Input, Transform or Connection item"));
    QTest::newRow("nothing needed") << 2 << ""
                                    << "";
    QTest::newRow("note refuses") << 0 << "in"
                                  << QString("Selected: 1 Input, 1 Note"
                                         + tail.arg("Test Upper",
                                             "just 1 Input, Transform or Connection item"));
    QTest::newRow("output refuses")
        << 0 << "o"
        << QString("Selected: 1 Output"
               + tail.arg("Test Upper", "just 1 Input, Transform or Connection item"));
    QTest::newRow("one connection") << 0 << "c"
                                    << "";
    QTest::newRow("connection does not count with items")
        << 1 << "ic"
        << QString("Selected: 1 Input, 1 Connection"
               + tail.arg("Test Pair", "just 2 Input or Transform items"));
    QTest::newRow("range") << 3 << "t"
                           << QString("Selected: 1 Transform"
                                  + tail.arg("Test Pair", "2 to 4 Input or Transform items"));
    QTest::newRow("input and transform") << 1 << "it"
                                         << "";
}

void TestAddTransform::refusals()
{
    QFETCH(int, kind);
    QFETCH(QString, select);
    QFETCH(QString, problem);
    GraphModel scene;
    auto* input = new SourceNode;
    auto* existing = makeTransformNode(new TestUpper);
    auto* output = new SinkNode;
    auto* note = new NoteNode;
    for (Node* n : QList<Node*> { input, existing, output, note })
        scene.insertNode(n);
    Connection* c = scene.insertConnection(existing, output);
    input->setSelected(select.contains('i'));
    existing->setSelected(select.contains('t'));
    output->setSelected(select.contains('o'));
    note->setSelected(select.contains('n'));
    c->setSelected(select.contains('c'));
    std::unique_ptr<Transform> t(kind == 0 ? static_cast<Transform*>(new TestUpper)
            : kind == 1                    ? static_cast<Transform*>(new TestPair)
            : kind == 2                    ? static_cast<Transform*>(new TestGenerate)
                                           : new TestMany);
    QCOMPARE(scene.addTransformProblem(*t), problem);
}

void TestAddTransform::addsAfterSelectedItemsInCanvasOrder()
{
    GraphModel scene;
    QSignalSpy added(&scene, &GraphModel::transformNodeAddedByUser);
    auto* lower = new SourceNode(makeDataset({ "a" }, { { "low" } }));
    auto* upper = new SourceNode(makeDataset({ "a" }, { { "up" } }));
    scene.insertNode(lower);
    scene.insertNode(upper);
    lower->setPos(0, 100);
    upper->setPos(200, 0);
    // Without a Transform item in the scene only Inputs can be asked for.
    lower->setSelected(true);
    QVERIFY(scene.addTransformProblem(TestPair()).contains(QStringLiteral("just 2 Input items")));
    QVERIFY(!scene.addTransform(fresh(new TestPair)));

    upper->setSelected(true);
    TransformNode* node = scene.addTransform(fresh(new TestPair));
    QVERIFY(node);
    QCOMPARE(node->upstreamNodes(true), (QList<Node*> { upper, lower }));
    QCOMPARE(node->transform()->parameter("Column_1")->sourceItem(), upper);
    QCOMPARE(node->transform()->parameter("Column_2")->sourceItem(), lower);
    QVERIFY(node->isSelected());
    QVERIFY(!lower->isSelected());
    QVERIFY(node->centre().y() > lower->centre().y());
    QCOMPARE(scene.undoLabel(), QStringLiteral("add 'Test Pair'"));
    QCOMPARE(added.count(), 1);
    QCOMPARE(added.first().first().toString(), QStringLiteral("Test Pair"));
    QVERIFY(scene.undo());
    QCOMPARE(scene.nodes().size(), 2);
}

void TestAddTransform::insertsIntoSelectedConnection()
{
    GraphModel scene;
    auto* input = new SourceNode(makeDataset({ "a" }, { { "x" } }));
    auto* output = new SinkNode;
    scene.insertNode(input);
    scene.insertNode(output);
    output->setPos(0, 300);
    Connection* c = scene.insertConnection(input, output);
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(output->processCount, 1);

    c->setSelected(true);
    TransformNode* node = scene.addTransform(fresh(new TestUpper));
    QVERIFY(node);
    QCOMPARE(node->upstreamNodes(false), QList<Node*> { input });
    QCOMPARE(output->upstreamNodes(false), QList<Node*> { node });
    QCOMPARE(output->status(), int(StatusNeedsUpdating));
    QCOMPARE(scene.connections().size(), 2);
    TransformParameter* columns = node->transform()->parameter("Columns");
    columns->setValue(QVariant::fromValue(ColumnRefList { columns->referenceAt(0) }));
    scene.process(GraphModel::RunUnprocessed, true);
    QCOMPARE(output->processCount, 2);
    QCOMPARE(output->dataset().value(0, 0), QStringLiteral("X"));
}

QTEST_MAIN(TestAddTransform)
#include "tst_addtransform.moc"
