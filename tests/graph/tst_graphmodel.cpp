#include "core/enginesettings.h"
#include "core/userprompt.h"
#include "core/values.h"
#include "graph/connection.h"
#include "testnodes.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

TransformNode* upperNode(GraphModel& scene, Node* from, bool fail = false)
{
    auto* t = makeTransformNode(new TestUpper);
    t->transform()->parameter(QStringLiteral("Fail"))->setValue(fail);
    scene.insertNode(t);
    if (from) {
        scene.insertConnection(from, t);
        t->upstreamChanged();
    }
    return t;
}

TestUpper* upper(TransformNode* node)
{
    return static_cast<TestUpper*>(node->transform());
}

} // namespace

class TestGraphModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void twoInputTransformProcessesOnceUpperFirst();
    void errorStopsOnlyItsBranch();
    void runUnprocessedRetriesErrors();
    void runSelectedProcessesAncestorsOnly();
    void stopLeavesTheRestNeedingUpdate();
    void connectionRules();
    void connectToMarksDownstreamAndBinds();
    void eleventhChangeDropsOldestSnapshot();
    void undoAndRedoRebuildTheGraph();
    void deletingMiddleItemBridges();
    void disconnectAsksBeforeResettingOptions();
    void rightPaneChangesWaitForTheDelay();
    void movingUpstreamItemsSwapsTwoInputBindings();
    void changesDuringARunAreTakenUpAfterIt();
    void resultsAreLetGoOnceReadDownstream_data();
    void resultsAreLetGoOnceReadDownstream();

private:
    QStringList m_log;
};

namespace {

// A two-input item under a (above) and b, run once, with its first column
// option bound to a and its second to b.
TransformNode* bindPair(GraphModel& scene, SourceNode* a, SourceNode* b, qreal x)
{
    scene.insertNode(a);
    scene.insertNode(b);
    a->setPos(x, 0);
    b->setPos(x, 100);
    auto* pair = makeTransformNode(new TestPair);
    scene.insertNode(pair);
    pair->setPos(x, 300);
    scene.connectNodes(a, pair);
    scene.connectNodes(b, pair);
    scene.runCommand(GraphModel::RunAll);
    Transform* t = pair->transform();
    for (const char* key : { "Column_1", "Column_2" }) {
        TransformParameter* p = t->parameter(QString::fromLatin1(key));
        p->setValue(QVariant::fromValue(p->referenceAt(key[7] == '1' ? 0 : 1)));
    }
    return pair;
}

} // namespace

void TestGraphModel::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qRegisterMetaType<TransformNode*>();
    registerTestKinds();
}

void TestGraphModel::twoInputTransformProcessesOnceUpperFirst()
{
    GraphModel scene;
    QStringList log;
    connect(&scene, &GraphModel::showLogMessage, [&](const QString& s) { log << s; });
    auto* lower = new SourceNode(rows("lower"));
    auto* higher = new SourceNode(rows("upper"));
    auto* pair = makeTransformNode(new TestPair);
    scene.insertNode(lower);
    scene.insertNode(higher);
    scene.insertNode(pair);
    lower->setPos(0, 200);
    higher->setPos(300, 50);
    pair->setPos(100, 400);
    scene.connectNodes(lower, pair);
    scene.connectNodes(higher, pair);

    scene.runCommand(GraphModel::RunAll);
    auto* t = static_cast<TestPair*>(pair->transform());
    QCOMPARE(t->runs, 1);
    QCOMPARE(t->received, (QStringList { "upper", "lower" }));
    QCOMPARE(pair->status(), int(StatusUpToDate));
    // The key options were never chosen.
    QCOMPARE(pair->warnings(),
        QStringList { "2 options not set ('top key column','bottom key column')" });
    QCOMPARE(t->parameter("Column_1")->sourceItem(), higher);
    QCOMPARE(t->parameter("Column_2")->sourceItem(), lower);
    QVERIFY(log.first().startsWith(QStringLiteral("Started: ")));
    QVERIFY(log.contains(
        QStringLiteral("  Transform: 'Test Pair', Id=%1, 3 cols x 1 row, ").arg(pair->id())
        + formatDuration(pair->processingTime())
        + QStringLiteral(", 1 warning(s), [No changes], Up to date")));
    QVERIFY(log.at(log.size() - 4).startsWith(QStringLiteral("Finished: ")));
    QVERIFY(log.at(log.size() - 3).startsWith(QStringLiteral("3 item(s) processed in ")));
    QCOMPARE(log.at(log.size() - 2), QStringLiteral("1 item(s) with warnings"));
    QCOMPARE(log.last(), QStringLiteral("Up to date: 3\n"));
}

void TestGraphModel::errorStopsOnlyItsBranch()
{
    GraphModel scene;
    QStringList log;
    connect(&scene, &GraphModel::showLogMessage, [&](const QString& s) { log << s; });
    auto* source = new SourceNode(rows("x"));
    scene.insertNode(source);
    TransformNode* failing = upperNode(scene, source, true);
    TransformNode* below = upperNode(scene, failing);
    TransformNode* sibling = upperNode(scene, source);
    failing->setPos(0, 100);
    below->setPos(0, 200);
    sibling->setPos(200, 100);

    scene.runCommand(GraphModel::RunAll);
    QCOMPARE(failing->status(), int(StatusError));
    QCOMPARE(
        failing->warnings(), (QStringList { "Asked to fail", "1 option not set ('columns')" }));
    QCOMPARE(below->status(), int(StatusNeedsUpdating));
    QCOMPARE(upper(below)->runs, 0);
    QCOMPARE(sibling->status(), int(StatusUpToDate));
    // The failing item and its sibling, whose columns were never chosen.
    QVERIFY(log.contains(QStringLiteral("2 item(s) with warnings")));
    QCOMPARE(log.last(), QStringLiteral("Up to date: 2, Needs updating: 1, Error: 1\n"));
}

void TestGraphModel::runUnprocessedRetriesErrors()
{
    GraphModel scene;
    QStringList log;
    connect(&scene, &GraphModel::showLogMessage, [&](const QString& s) { log << s; });
    auto* source = new SourceNode(rows("x"));
    source->failing = true;
    scene.insertNode(source);
    TransformNode* t = upperNode(scene, source);
    scene.runCommand(GraphModel::RunAll);
    QCOMPARE(source->processCount, 1);
    scene.runCommand(GraphModel::RunUnprocessed);
    QCOMPARE(source->processCount, 2);
    QCOMPARE(t->status(), int(StatusNeedsUpdating));
    QCOMPARE(log.last(), QStringLiteral("Needs updating: 1, Error: 1\n"));

    source->failing = false;
    scene.runCommand(GraphModel::RunUnprocessed);
    QCOMPARE(t->status(), int(StatusUpToDate));
    // Nothing left to do: a further run processes nothing.
    log.clear();
    scene.runCommand(GraphModel::RunUnprocessed);
    QCOMPARE(source->processCount, 3);
    QVERIFY(!log.join('\n').contains(QStringLiteral("processed in")));
}

void TestGraphModel::runSelectedProcessesAncestorsOnly()
{
    GraphModel scene;
    auto* source = new SourceNode(rows("x"));
    scene.insertNode(source);
    TransformNode* middle = upperNode(scene, source);
    TransformNode* last = upperNode(scene, middle);
    middle->setSelected(true);
    scene.runCommand(GraphModel::RunSelected);
    QCOMPARE(source->status(), int(StatusUpToDate));
    QCOMPARE(middle->status(), int(StatusUpToDate));
    QCOMPARE(last->status(), int(StatusNeedsUpdating));
    QCOMPARE(upper(last)->runs, 0);
    QCOMPARE(scene.toProcessCount(), 2);

    // Selected again: the selected item runs again, its up-to-date ancestor
    // does not.
    scene.runCommand(GraphModel::RunSelected);
    QCOMPARE(source->processCount, 1);
    QCOMPARE(upper(middle)->runs, 2);
}

void TestGraphModel::stopLeavesTheRestNeedingUpdate()
{
    GraphModel scene;
    QStringList log;
    connect(&scene, &GraphModel::showLogMessage, [&](const QString& s) { log << s; });
    auto* first = new SourceNode(rows("x", 2500));
    auto* second = new SourceNode(rows("y"));
    scene.insertNode(first);
    scene.insertNode(second);
    second->setPos(0, 300);
    TransformNode* slow = upperNode(scene, first);
    slow->setPos(200, 0);
    TransformNode* after = upperNode(scene, slow);
    after->setPos(400, 0);
    TransformNode* other = upperNode(scene, second);
    other->setPos(200, 300);
    upper(slow)->rowHook = [&](int row) {
        if (row == 1500)
            scene.stop();
    };
    QSignalSpy stopped(&scene, &GraphModel::showStatusBarMessage);

    scene.runCommand(GraphModel::RunAll);
    QCOMPARE(first->status(), int(StatusUpToDate));
    QCOMPARE(slow->status(), int(StatusUpToDate));
    QCOMPARE(after->status(), int(StatusNeedsUpdating));
    QCOMPARE(second->status(), int(StatusNeedsUpdating));
    QCOMPARE(other->status(), int(StatusNeedsUpdating));
    QVERIFY(log.contains(QStringLiteral("  Stopped by user")));
    QVERIFY(!scene.runContext().stopRequested());
    bool told = false;
    for (const QList<QVariant>& args : stopped)
        told = told || args.at(0).toString() == QLatin1String("Run stopped by user");
    QVERIFY(told);

    upper(slow)->rowHook = nullptr;
    scene.runCommand(GraphModel::RunUnprocessed);
    QCOMPARE(after->status(), int(StatusUpToDate));
    QCOMPARE(other->status(), int(StatusUpToDate));
    QCOMPARE(first->processCount, 1);
}

void TestGraphModel::connectionRules()
{
    GraphModel scene;
    auto* source = new SourceNode;
    auto* a = makeTransformNode(new TestUpper);
    auto* b = makeTransformNode(new TestUpper);
    auto* sink = new SinkNode;
    for (Node* n : QList<Node*> { source, a, b, sink })
        scene.insertNode(n);
    QVERIFY(scene.connectNodes(source, a));
    QVERIFY(scene.connectNodes(a, b));
    QVERIFY(!scene.canConnect(b, a)); // into an ancestor
    QVERIFY(!scene.canConnect(b, source));
    QVERIFY(!scene.canConnect(a, a));
    QVERIFY(!scene.canConnect(source, a)); // already connected
    QVERIFY(!scene.canConnect(source, b)); // b takes one upstream item only
    QVERIFY(scene.connectNodes(b, sink));
    QVERIFY(!scene.canConnect(a, sink)); // an output takes one
    QVERIFY(!scene.connectNodes(a, sink));
    QVERIFY(!scene.canConnect(sink, a));
    QCOMPARE(scene.connectableTargets(source), QList<Node*>());
    QVERIFY(!source->canStartConnection());
    auto* c = makeTransformNode(new TestUpper);
    scene.insertNode(c);
    QCOMPARE(scene.connectableTargets(source), QList<Node*> { c });
    QVERIFY(source->canStartConnection());
}

void TestGraphModel::connectToMarksDownstreamAndBinds()
{
    GraphModel scene;
    auto* source = new SourceNode(rows("x"));
    scene.insertNode(source);
    TransformNode* t = upperNode(scene, nullptr);
    TransformNode* below = upperNode(scene, t);
    scene.runCommand(GraphModel::RunAll);
    QCOMPARE(below->status(), int(StatusUpToDate));
    QSignalSpy changed(&scene, &GraphModel::nodeParametersChanged);
    scene.startConnection(source);
    QVERIFY(scene.connectTo(t));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(t->status(), int(StatusNeedsUpdating));
    QCOMPARE(below->status(), int(StatusNeedsUpdating));
    QCOMPARE(t->transform()->parameter("Columns")->sourceItem(), source);
    QCOMPARE(scene.undoLabel(), QStringLiteral("add connection"));

    scene.setAutoRun(true);
    scene.connectNodes(t, upperNode(scene, nullptr));
    QCOMPARE(below->status(), int(StatusUpToDate));
}

void TestGraphModel::eleventhChangeDropsOldestSnapshot()
{
    GraphModel scene;
    for (int i = 0; i < 11; ++i)
        scene.addNode(new SourceNode(rows(QString::number(i))));
    QCOMPARE(scene.snapshotCount(), GraphModel::MaxSnapshots);
    int undone = 0;
    while (scene.undo())
        ++undone;
    QCOMPARE(undone, 10);
    // The state before the first change is gone: one item remains.
    QCOMPARE(scene.nodes().size(), 1);
    while (scene.redo()) { }
    QCOMPARE(scene.nodes().size(), 11);
}

void TestGraphModel::undoAndRedoRebuildTheGraph()
{
    GraphModel scene;
    auto* source = new SourceNode(rows("x"));
    scene.insertNode(source);
    TransformNode* t = upperNode(scene, source);
    t->setPos(10, 150);
    t->setComment(QStringLiteral("keep me"));
    scene.runCommand(GraphModel::RunAll);
    t->transform()->parameter("Columns")->setValue(QVariant::fromValue(
        ColumnRefList { t->transform()->parameter("Columns")->referenceAt(0) }));
    const qint32 tid = t->id();
    const qint32 sid = source->id();

    t->setSelected(true);
    scene.deleteSelection();
    QCOMPARE(scene.nodes().size(), 1);
    QCOMPARE(scene.snapshotCount(), 1);
    QCOMPARE(scene.undoLabel(), QStringLiteral("delete"));

    QVERIFY(scene.undo());
    auto* restored = qobject_cast<TransformNode*>(scene.nodeWithId(tid));
    QVERIFY(restored);
    QCOMPARE(restored->pos(), QPointF(10, 150));
    QCOMPARE(restored->comment(), QStringLiteral("keep me"));
    QCOMPARE(restored->status(), int(StatusNeedsUpdating));
    QVERIFY(!restored->dataset().hasColumns());
    QCOMPARE(restored->upstreamNodes(false).size(), 1);
    QVERIFY(restored->transform()->parameter("Columns")->needsUpdating());
    scene.runCommand(GraphModel::RunAll);
    QCOMPARE(restored->dataset().value(0, 0), QStringLiteral("X"));
    QCOMPARE(restored->transform()->parameter("Columns")->summary(), QStringLiteral("a"));

    QVERIFY(scene.redo());
    QCOMPARE(scene.nodes().size(), 1);
    QVERIFY(!scene.canRedo());
    // The selected item is selected again after its change is undone
    // (items are rebuilt by undo and redo).
    scene.nodeWithId(sid)->setSelected(true);
    scene.recordSnapshot(QStringLiteral("comment"));
    scene.nodeWithId(sid)->setComment(QStringLiteral("changed"));
    QVERIFY(scene.undo());
    QVERIFY(scene.nodeWithId(sid)->isSelected());
    QCOMPARE(scene.nodeWithId(sid)->comment(), QString());
    QVERIFY(scene.redo());
    QVERIFY(scene.undo());
    // A new change discards the redo history.
    scene.addNode(new SourceNode);
    QVERIFY(!scene.canRedo());
    QCOMPARE(scene.undoLabel(), QStringLiteral("add item"));
}

void TestGraphModel::deletingMiddleItemBridges()
{
    GraphModel scene;
    auto* source = new SourceNode(rows("x"));
    scene.insertNode(source);
    TransformNode* middle = upperNode(scene, source);
    auto* pick = makeTransformNode(new TestPick);
    scene.insertNode(pick);
    scene.insertConnection(middle, pick);
    pick->upstreamChanged();
    scene.runCommand(GraphModel::RunAll);
    TransformParameter* column = pick->transform()->parameter("Column");
    column->setValue(QVariant::fromValue(column->referenceAt(1)));

    middle->setSelected(true);
    scene.deleteSelection();
    QCOMPARE(scene.snapshotCount(), 1);
    QCOMPARE(scene.nodes().size(), 2);
    QVERIFY(pick->isConnectedFrom(source));
    QCOMPARE(column->sourceItem(), source);
    QCOMPARE(pick->status(), int(StatusNeedsUpdating));
    scene.runCommand(GraphModel::RunUnprocessed);
    QCOMPARE(pick->dataset().columnNames(), QStringList { "b" });
}

void TestGraphModel::disconnectAsksBeforeResettingOptions()
{
    GraphModel scene;
    auto* source = new SourceNode(rows("x"));
    scene.insertNode(source);
    TransformNode* t = upperNode(scene, source);
    scene.runCommand(GraphModel::RunAll);
    TransformParameter* columns = t->transform()->parameter("Columns");
    columns->setValue(QVariant::fromValue(ColumnRefList { columns->referenceAt(0) }));

    NonInteractivePrompt refuse(false);
    scene.setPrompt(&refuse);
    source->setSelected(true);
    QVERIFY(!scene.disconnectSelection());
    QVERIFY(t->isConnectedFrom(source));
    QVERIFY(refuse.lastQuestion().startsWith(
        QStringLiteral("This disconnection may reset 1 column related option(s) downstream.")));
    QCOMPARE(scene.snapshotCount(), 0);

    scene.setPrompt(nullptr);
    QVERIFY(scene.disconnectSelection());
    QVERIFY(t->connections().isEmpty());
    QCOMPARE(columns->sourceItem(), nullptr);
    QCOMPARE(scene.undoLabel(), QStringLiteral("disconnect"));
}

void TestGraphModel::rightPaneChangesWaitForTheDelay()
{
    GraphModel scene;
    scene.runContext().settings().setProcessingDelay(0.2);
    scene.setAutoRun(true);
    auto* source = new SourceNode(rows("x"));
    scene.addNode(source);
    TransformNode* t = upperNode(scene, source);
    scene.runCommand(GraphModel::RunUnprocessed);
    QCOMPARE(upper(t)->runs, 1);

    scene.onSourceChangedDelayed(t);
    QTest::qWait(100);
    scene.onSourceChangedDelayed(t); // restarts the delay
    QTest::qWait(150);
    QCOMPARE(upper(t)->runs, 1);
    QCOMPARE(t->status(), int(StatusUpToDate));
    QTRY_COMPARE(upper(t)->runs, 2);

    // Immediate changes run at once; the Stop command ends auto run.
    scene.onSourceChanged(t);
    QCOMPARE(upper(t)->runs, 3);
    QSignalSpy tip(&scene, &GraphModel::autoRunStoppedTip);
    scene.stop();
    QVERIFY(!scene.autoRun());
    QCOMPARE(tip.count(), 1);
}

void TestGraphModel::movingUpstreamItemsSwapsTwoInputBindings()
{
    GraphModel scene;
    auto* a = new SourceNode(rows("a"));
    auto* b = new SourceNode(rows("b"));
    TransformNode* pair = bindPair(scene, a, b, 0);
    Transform* t = pair->transform();

    a->setPos(0, 200); // a is now below b
    QCOMPARE(t->parameter("Column_1")->sourceItem(), b);
    QCOMPARE(t->parameter("Column_2")->sourceItem(), a);
    QCOMPARE(t->parameter("Column_2")->summary(), QStringLiteral("a"));
    QCOMPARE(t->parameter("Column_1")->summary(), QStringLiteral("b"));
    QCOMPARE(pair->status(), int(StatusNeedsUpdating));
}

// A change made while a run goes on (an item's options, an item moved) is
// neither lost nor applied under the running transforms: once the run ends
// the item runs again and the two-input bindings follow the new places.
void TestGraphModel::changesDuringARunAreTakenUpAfterIt()
{
    GraphModel scene;
    auto* first = new SourceNode(rows("x", 2500));
    auto* a = new SourceNode(rows("a"));
    auto* b = new SourceNode(rows("b"));
    scene.insertNode(first);
    TransformNode* slow = upperNode(scene, first);
    slow->setPos(0, 200);
    TransformNode* pair = bindPair(scene, a, b, 300);
    Transform* t = pair->transform();
    QCOMPARE(t->parameter("Column_1")->sourceItem(), a);

    scene.setAutoRun(true);
    first->setStatus(StatusNeedsUpdating, true);
    upper(slow)->rowHook = [&](int row) {
        if (row != 1500)
            return;
        scene.onSourceChanged(first);
        a->setPos(300, 200); // a is now below b
    };
    scene.process(GraphModel::RunUnprocessed, true);
    upper(slow)->rowHook = nullptr;
    // Nothing changed under the run.
    QCOMPARE(first->processCount, 2);
    QCOMPARE(t->parameter("Column_1")->sourceItem(), a);
    // Taken up after it.
    QTRY_COMPARE(first->processCount, 3);
    QTRY_VERIFY(!scene.isProcessing());
    QCOMPARE(t->parameter("Column_1")->sourceItem(), b);
    QCOMPARE(t->parameter("Column_2")->sourceItem(), a);
    QCOMPARE(first->status(), int(StatusUpToDate));
    QCOMPARE(pair->status(), int(StatusUpToDate));
}

void TestGraphModel::resultsAreLetGoOnceReadDownstream_data()
{
    QTest::addColumn<bool>("keepsResults");
    // Rows left in: the source, the item read by the output, the output,
    // and the last item processed.
    QTest::addColumn<QVector<int>>("rowsLeft");

    QTest::newRow("with windows everything stays") << true << QVector<int> { 3, 3, 3, 3 };
    // The source still feeds an item not yet processed, and after the last
    // item nothing is let go: the process ends with it.
    QTest::newRow("without windows") << false << QVector<int> { 3, 0, 0, 3 };
}

void TestGraphModel::resultsAreLetGoOnceReadDownstream()
{
    QFETCH(bool, keepsResults);
    QFETCH(QVector<int>, rowsLeft);

    GraphModel scene;
    scene.setKeepsResults(keepsResults);
    auto* source = new SourceNode(rows("x", 3));
    scene.insertNode(source);
    TransformNode* first = upperNode(scene, source);
    auto* sink = new SinkNode;
    scene.insertNode(sink);
    scene.insertConnection(first, sink);
    TransformNode* last = upperNode(scene, source);
    first->setPos(0, 100);
    sink->setPos(0, 200);
    last->setPos(300, 100);

    scene.runCommand(GraphModel::RunAll);
    const QList<Node*> items { source, first, sink, last };
    for (int i = 0; i < items.size(); ++i) {
        QCOMPARE(items.at(i)->status(), int(StatusUpToDate));
        QCOMPARE(items.at(i)->rowCount(), rowsLeft.at(i));
        // The columns stay for whoever asks about the item afterwards.
        QCOMPARE(items.at(i)->columnCount(), 2);
    }
}

QTEST_MAIN(TestGraphModel)
#include "tst_graphmodel.moc"
