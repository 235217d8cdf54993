// Runs on a worker thread, as the window makes them: stopped at any moment
// they leave no item half way (every item stopped or finished), the memory question asked from the
// worker lets the run go on, and edits made meanwhile are refused or taken up after.

#include "core/enginesettings.h"
#include "core/runcontext.h"
#include "core/userprompt.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "tests/graph/testnodes.h"
#include "transforms/catalogue.h"
#include "transforms/transformparameter.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

namespace {

constexpr int Rows = 60000;

// Answers the memory question by doubling the maximum, noting the thread it
// was asked on.
class RaisingPrompt : public UserPrompt
{
public:
    bool confirm(const QString&) override { return true; }
    double raiseMemoryMaximum(double currentGB, double) override
    {
        askedOn = QThread::currentThread();
        ++asked;
        return currentGB * 2.0;
    }
    QThread* askedOn = nullptr;
    int asked = 0;
};

double oneGB()
{
    return 1.0;
}

int lineCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().count('\n');
}

} // namespace

class TestGraphWorker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void stopAtAnyMomentLeavesItemsWhole_data();
    void stopAtAnyMomentLeavesItemsWhole();
    void memoryQuestionFromTheWorkerRaisesAndGoesOn();
    void editsDuringARunAreRefusedOrTakenUpAfter();

private:
    // Input -> Case (upper case of the name) -> Output, on a file of Rows rows.
    void buildChain(GraphModel& graph);
    QString m_in;
    QString m_out;
    QTemporaryDir m_dir;
    InputNode* m_input = nullptr;
    TransformNode* m_case = nullptr;
    OutputNode* m_output = nullptr;
};

void TestGraphWorker::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    registerInputNodeKind();
    QVERIFY(m_dir.isValid());
    m_in = m_dir.filePath(QStringLiteral("people.csv"));
    m_out = m_dir.filePath(QStringLiteral("people-upper.csv"));
    QFile file(m_in);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("id,name,city\n");
    for (int r = 0; r < Rows; ++r)
        file.write(QStringLiteral("%1,name %1,city %2\n").arg(r).arg(r % 97).toUtf8());
}

void TestGraphWorker::buildChain(GraphModel& graph)
{
    QFile::remove(m_out);
    m_input = new InputNode(m_in);
    graph.insertNode(m_input);
    // The columns to choose come from a first read.
    const bool onWorker = graph.runsOnWorker();
    graph.setRunsOnWorker(false);
    graph.process(GraphModel::RunAll, true);
    graph.setRunsOnWorker(onWorker);
    m_input->setSelected(true);
    m_case = graph.addTransform(Catalogue::instance().create(QStringLiteral("Case")));
    QVERIFY(m_case);
    Transform* t = m_case->transform();
    TransformParameter* columns = t->parameter(QStringLiteral("Columns"));
    columns->setValue(QVariant::fromValue(ColumnRefList { columns->referenceAt(1) }));
    t->parameter(QStringLiteral("Case"))->setValue(QStringLiteral("Upper case"));
    m_output = new OutputNode(m_out);
    graph.insertNode(m_output);
    m_output->setPos(m_case->pos() + QPointF(0, 200));
    graph.insertConnection(m_case, m_output);
    graph.clearSelection();
}

void TestGraphWorker::stopAtAnyMomentLeavesItemsWhole_data()
{
    QTest::addColumn<int>("stopAfterMs");
    // From before the first row is read to after the last file is written.
    for (int ms : { 0, 1, 3, 8, 20, 45, 90, 180, 400, -1 })
        QTest::newRow(ms < 0 ? "never" : qPrintable(QStringLiteral("%1 ms").arg(ms))) << ms;
}

void TestGraphWorker::stopAtAnyMomentLeavesItemsWhole()
{
    QFETCH(int, stopAfterMs);
    GraphModel graph;
    graph.setRunsOnWorker(true);
    buildChain(graph);
    graph.runCommand(GraphModel::RunAll);
    // The command returns at once: the run goes on beside this thread.
    QVERIFY(graph.isProcessing());
    if (stopAfterMs >= 0) {
        QTest::qWait(stopAfterMs);
        graph.stop();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!graph.isProcessing(), 60000);

    for (const Node* n : graph.nodes()) {
        QVERIFY2(n->status() != StatusUpdating, qPrintable(n->displayName()));
        if (n->status() == StatusUpToDate && n != m_output)
            QCOMPARE(n->rowCount(), Rows);
    }
    // A transform stopped inside its loop ends with the rows it has done;
    // a file is written whole or not at all.
    if (m_output->status() == StatusUpToDate)
        QCOMPARE(lineCount(m_out), Rows + 1);
    if (stopAfterMs < 0) {
        QCOMPARE(m_output->status(), int(StatusUpToDate));
        QCOMPARE(m_case->dataset().value(Rows - 1, 1), QStringLiteral("NAME %1").arg(Rows - 1));
    }

    // Whatever was stopped runs again to the same end.
    graph.runCommand(GraphModel::RunUnprocessed);
    QTRY_VERIFY_WITH_TIMEOUT(!graph.isProcessing(), 60000);
    for (const Node* n : graph.nodes())
        QCOMPARE(n->status(), int(StatusUpToDate));
    QCOMPARE(lineCount(m_out), Rows + 1);
}

void TestGraphWorker::memoryQuestionFromTheWorkerRaisesAndGoesOn()
{
    GraphModel graph;
    graph.setRunsOnWorker(true);
    RaisingPrompt prompt;
    buildChain(graph);
    RunContext& context = graph.runContext();
    context.setPrompt(&prompt);
    context.setMeasurement(&oneGB);
    context.settings().setMaxMemoryUsage(0.5);
    graph.runCommand(GraphModel::RunAll);
    QTRY_VERIFY_WITH_TIMEOUT(!graph.isProcessing(), 60000);

    QCOMPARE(prompt.asked, 1);
    QVERIFY(prompt.askedOn != QThread::currentThread());
    QVERIFY(context.settings().maxMemoryUsage() >= 2.0);
    QVERIFY(!context.stopRequested());
    for (const Node* n : graph.nodes())
        QCOMPARE(n->status(), int(StatusUpToDate));
    QCOMPARE(lineCount(m_out), Rows + 1);
}

// The worker holds a row of the transform until this thread has tried its
// edits: a deletion is refused, a changed source is run again once the run
// ends, and nothing changes under the running transform.
void TestGraphWorker::editsDuringARunAreRefusedOrTakenUpAfter()
{
    registerTestKinds();
    GraphModel graph;
    graph.setRunsOnWorker(true);
    auto* source = new SourceNode(rows("x", 500));
    graph.insertNode(source);
    auto* upper = makeTransformNode(new TestUpper);
    graph.insertNode(upper);
    graph.insertConnection(source, upper);
    upper->upstreamChanged();
    auto* sink = new SinkNode;
    graph.insertNode(sink);
    graph.insertConnection(upper, sink);

    std::atomic<bool> reached { false };
    std::atomic<bool> released { false };
    auto* t = static_cast<TestUpper*>(upper->transform());
    t->rowHook = [&](int row) {
        if (row != 250 || t->runs > 1)
            return;
        reached = true;
        for (int i = 0; i < 10000 && !released; ++i)
            QThread::msleep(1);
    };
    graph.setAutoRun(true);
    graph.runCommand(GraphModel::RunAll);
    QTRY_VERIFY(reached);

    QCOMPARE(upper->status(), int(StatusUpdating));
    source->setSelected(true);
    graph.deleteSelection();
    QCOMPARE(graph.nodes().size(), 3);
    graph.onSourceChanged(source);
    released = true;

    QTRY_VERIFY_WITH_TIMEOUT(!graph.isProcessing() && source->processCount == 2, 10000);
    QTRY_VERIFY(!graph.isProcessing());
    QCOMPARE(t->runs, 2);
    QCOMPARE(sink->processCount, 2);
    QCOMPARE(sink->rowCount(), 500);
    for (const Node* n : graph.nodes())
        QCOMPARE(n->status(), int(StatusUpToDate));
}

QTEST_GUILESS_MAIN(TestGraphWorker)
#include "tst_graphworker.moc"
