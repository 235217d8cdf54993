#include "graph/connection.h"
#include "graph/inputnode.h"
#include "graph/notenode.h"
#include "testnodes.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

class TestNode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void canvasOrder_data();
    void canvasOrder();
    void idsAreNumberedPerDocument();
    void statusPropagatesThroughEveryLevel();
    void noteNeverProcessesNorConnects();
    void progressReportsAreThrottled();
    void logLineAndSizeText();
    void ioNodeLocation_data();
    void ioNodeLocation();
    void ancestorsAndConnectionQueries();
};

void TestNode::canvasOrder_data()
{
    QTest::addColumn<QPointF>("first");
    QTest::addColumn<QPointF>("second");
    QTest::addColumn<bool>("firstComesFirst");
    QTest::newRow("within 1.0 of the same height: left first")
        << QPointF(200, 100.0) << QPointF(10, 100.5) << false;
    QTest::newRow("1.0 apart: upper first") << QPointF(200, 100.0) << QPointF(10, 101.0) << true;
    QTest::newRow("same height, left first") << QPointF(5, 50) << QPointF(6, 50) << true;
    QTest::newRow("lower comes later") << QPointF(0, 300) << QPointF(500, 20) << false;
}

void TestNode::canvasOrder()
{
    QFETCH(QPointF, first);
    QFETCH(QPointF, second);
    QFETCH(bool, firstComesFirst);
    GraphModel scene;
    auto* a = new SourceNode;
    auto* b = new SourceNode;
    auto* t = makeTransformNode(new TestPick);
    scene.insertNode(a);
    scene.insertNode(b);
    scene.insertNode(t);
    a->setPos(first);
    b->setPos(second);
    t->setPos(0, 500);
    scene.insertConnection(b, t);
    scene.insertConnection(a, t);
    const QList<Node*> upstream = t->upstreamNodes(true);
    QCOMPARE(upstream.size(), 2);
    QCOMPARE(upstream.first(), firstComesFirst ? a : b);
    QCOMPARE(scene.nodes().first(), firstComesFirst ? static_cast<Node*>(a) : b);
}

// Ids are numbered per document: two scenes count on their own, and a new
// item never takes an id a loaded one already has.
void TestNode::idsAreNumberedPerDocument()
{
    GraphModel first;
    GraphModel second;
    auto* a = new SourceNode;
    auto* b = new SourceNode;
    auto* c = new SourceNode;
    first.insertNode(a);
    first.insertNode(b);
    second.insertNode(c);
    QCOMPARE(a->id(), 1);
    QCOMPARE(b->id(), 2);
    QCOMPARE(c->id(), 1);
    auto* loaded = new SourceNode;
    loaded->setId(500);
    second.insertNode(loaded);
    auto* added = new SourceNode;
    second.insertNode(added);
    QCOMPARE(loaded->id(), 500);
    QCOMPARE(added->id(), 501);
}

void TestNode::statusPropagatesThroughEveryLevel()
{
    GraphModel scene;
    auto* input = new SourceNode;
    scene.insertNode(input);
    QList<Node*> chain { input };
    for (int i = 0; i < 4; ++i) {
        auto* t = makeTransformNode(new TestUpper);
        scene.insertNode(t);
        scene.insertConnection(chain.last(), t);
        chain.append(t);
    }
    auto* side = new SinkNode;
    scene.insertNode(side);
    scene.insertConnection(chain.at(2), side);
    for (Node* n : scene.nodes())
        n->setStatus(StatusUpToDate, false);
    chain.at(1)->setStatus(StatusNeedsUpdating, true);
    QCOMPARE(input->status(), int(StatusUpToDate));
    for (int i = 1; i < chain.size(); ++i)
        QCOMPARE(chain.at(i)->status(), int(StatusNeedsUpdating));
    QCOMPARE(side->status(), int(StatusNeedsUpdating));

    input->setSampleOnly(true);
    input->setStatus(StatusError, false);
    QCOMPARE(input->status(), int(StatusUpToDate));
}

void TestNode::noteNeverProcessesNorConnects()
{
    GraphModel scene;
    auto* note = new NoteNode;
    auto* input = new SourceNode;
    auto* t = makeTransformNode(new TestUpper);
    scene.insertNode(note);
    scene.insertNode(input);
    scene.insertNode(t);
    QVERIFY(!scene.canConnect(input, note));
    QVERIFY(!scene.canConnect(note, t));
    QVERIFY(!note->canStartConnection());
    QVERIFY(!note->canProcess());
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(note->status(), int(StatusNeedsUpdating));
    QCOMPARE(note->logLine(false),
        QStringLiteral("  Note: 'Note', Id=%1, Needs updating").arg(note->id()));
}

void TestNode::progressReportsAreThrottled()
{
    SourceNode node;
    QSignalSpy spy(&node, &Node::processed);
    node.onProcessed(0.10);
    node.onProcessed(0.11);
    node.onProcessed(0.115);
    QCOMPARE(spy.count(), 1);
    node.onProcessed(0.5); // within 250 ms of the last one: dropped
    QCOMPARE(spy.count(), 1);
    node.onProcessed(1.0);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.last().at(1).toReal(), 1.0);
    QCOMPARE(node.progress(), 1.0);
    QTest::qWait(260);
    node.onProcessed(0.3); // after the pause a real change is drawn
    QCOMPARE(spy.count(), 3);
    QTest::qWait(260);
    node.onProcessed(0.31); // too small a change to redraw
    QCOMPARE(spy.count(), 3);
}

void TestNode::logLineAndSizeText()
{
    GraphModel scene;
    auto* input = new SourceNode(makeDataset({ "a" }, { { "x" } }));
    scene.insertNode(input);
    QCOMPARE(input->sizeText(), QStringLiteral("0 cols x 0 rows"));
    QCOMPARE(input->logLine(false),
        QStringLiteral("  Input: 'Source', Id=%1, [No data], Needs updating").arg(input->id()));
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(input->sizeText(), QStringLiteral("1 col x 1 row"));
    QVERIFY(input->logLine(true).startsWith(
        QStringLiteral("  Input: 'Source', Id=%1, 1 col x 1 row, ").arg(input->id())));
    QVERIFY(input->logLine(true).endsWith(QStringLiteral(", 0 warning(s), Up to date")));
    QVERIFY(input->summary().contains(QStringLiteral("Dataset rows")));
}

void TestNode::ioNodeLocation_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("expected");
    QTest::newRow("csv ignores sheet") << 0 << "S1"
                                       << "/tmp/a.csv";
    QTest::newRow("xlsx with sheet") << 1 << "S1"
                                     << "/tmp/a.csv[S1]";
    QTest::newRow("xls without sheet") << 2 << ""
                                       << "/tmp/a.csv";
}

void TestNode::ioNodeLocation()
{
    QFETCH(int, format);
    QFETCH(QString, sheet);
    QFETCH(QString, expected);
    // The item asks its format whether the type has sheets.
    InputNode node;
    node.setFilePath(QStringLiteral("/tmp/a.csv"));
    node.setFormatId(format);
    node.setSheetName(sheet);
    QCOMPARE(node.location(), expected);
    QCOMPARE(node.charOption(), QChar('*'));
}

void TestNode::ancestorsAndConnectionQueries()
{
    GraphModel scene;
    auto* a = new SourceNode;
    auto* b = makeTransformNode(new TestUpper);
    auto* c = makeTransformNode(new TestUpper);
    scene.insertNode(a);
    scene.insertNode(b);
    scene.insertNode(c);
    Connection* ab = scene.insertConnection(a, b);
    scene.insertConnection(b, c);
    QCOMPARE(c->ancestors(), (QSet<Node*> { a, b }));
    QVERIFY(b->isConnectedFrom(a));
    QVERIFY(!a->isConnectedFrom(b));
    QCOMPARE(a->connections(Outgoing), QList<Connection*> { ab });
    QCOMPARE(b->connections(Incoming), QList<Connection*> { ab });
    QCOMPARE(b->connections(AllConnections).size(), 2);
    QCOMPARE(ab->node(0), a);
    QCOMPARE(ab->node(1), b);
    delete ab;
    QVERIFY(a->connections().isEmpty());
    QCOMPARE(b->connections().size(), 1);
}

QTEST_MAIN(TestNode)
#include "tst_node.moc"
