#include "tests/graph/testnodes.h"

#include "core/memorylimit.h"
#include "core/userprompt.h"

#include <QtTest>

namespace {

double s_fakeUse = 0.0;
double fakeMeasure()
{
    return s_fakeUse;
}

class ScriptedPrompt : public NonInteractivePrompt
{
public:
    double answer = 0.0;
    int asked = 0;
    double raiseMemoryMaximum(double, double) override
    {
        ++asked;
        return answer;
    }
};

Dataset rowsOf(int count)
{
    Dataset data = makeDataset({ "a" }, {});
    for (int r = 0; r < count; ++r)
        data.appendRow({ QString::number(r) });
    return data;
}

} // namespace

class TestRunContext : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void memoryCheck_data()
    {
        QTest::addColumn<double>("use");
        QTest::addColumn<double>("answer");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<int>("asked");
        QTest::addColumn<double>("maximumAfter");
        QTest::newRow("at the maximum") << 4.0 << 0.0 << true << 0 << 4.0;
        QTest::newRow("raised") << 4.3 << 6.0 << true << 1 << 6.0;
        // An answer below the offered minimum is lifted to it.
        QTest::newRow("raised too little") << 4.3 << 1.0 << true << 1 << 4.5;
        QTest::newRow("stop") << 5.0 << 0.0 << false << 1 << 4.0;
    }
    void memoryCheck()
    {
        QFETCH(double, use);
        QFETCH(double, answer);
        QFETCH(bool, goesOn);
        QFETCH(int, asked);
        QFETCH(double, maximumAfter);
        RunContext context;
        ScriptedPrompt prompt;
        prompt.answer = answer;
        context.setPrompt(&prompt);
        context.setMeasurement(&fakeMeasure);
        s_fakeUse = use;
        QCOMPARE(context.checkMemory(), goesOn);
        QCOMPARE(prompt.asked, asked);
        QCOMPARE(context.settings().maxMemoryUsage(), maximumAfter);
        QCOMPARE(
            context.stopReason(), goesOn ? RunContext::NotStopped : RunContext::MemoryExceeded);
    }

    // Past the maximum with no leave to go on, the run ends in order: every
    // result let go and every item back to "Needs updating" before the
    // signal that makes the application close, and the item that was
    // running does not count as done.
    void overMemoryRunEndsInOrder()
    {
        GraphModel scene;
        scene.runContext().setMeasurement(&fakeMeasure);
        s_fakeUse = 0.0;
        auto* source = new SourceNode(rowsOf(3000));
        scene.insertNode(source);
        auto* node = makeTransformNode(new TestUpper);
        scene.insertNode(node);
        scene.insertConnection(source, node);
        node->upstreamChanged();
        auto* sink = new SinkNode;
        sink->setPos(0, 200);
        scene.insertNode(sink);
        scene.insertConnection(node, sink);
        // Memory grows past the maximum while the transform works.
        QObject::connect(node->transform(), &Transform::processed, [](qreal) { s_fakeUse = 5.0; });
        QSignalSpy exceeded(&scene, &GraphModel::memoryLimitExceeded);
        QStringList log;
        QObject::connect(
            &scene, &GraphModel::showLogMessage, [&log](const QString& l) { log << l; });

        scene.runCommand(GraphModel::RunAll);
        QCOMPARE(exceeded.count(), 1);
        QCOMPARE(sink->processCount, 0);
        for (Node* n : scene.nodes()) {
            QCOMPARE(n->status(), int(StatusNeedsUpdating));
            QCOMPARE(n->rowCount(), 0);
        }
        QVERIFY(log.contains(QStringLiteral("  Stopped: maximum memory exceeded")));
        QVERIFY(!scene.runContext().stopRequested());
    }

    // The final report of an item is checked too, so an item that reports
    // nothing else (a small table) cannot slip past the maximum.
    void finalReportIsChecked()
    {
        GraphModel scene;
        scene.runContext().setMeasurement(&fakeMeasure);
        s_fakeUse = 5.0;
        auto* source = new SourceNode(rowsOf(2));
        scene.insertNode(source);
        QSignalSpy exceeded(&scene, &GraphModel::memoryLimitExceeded);
        scene.runCommand(GraphModel::RunAll);
        QCOMPARE(exceeded.count(), 1);
        QCOMPARE(source->status(), int(StatusNeedsUpdating));
    }

    // Two documents never share a Stop request.
    void stopBelongsToOneScene()
    {
        GraphModel first;
        GraphModel second;
        first.runContext().requestStop();
        QVERIFY(!second.runContext().stopRequested());
    }
};

QTEST_MAIN(TestRunContext)
#include "tst_runcontext.moc"
