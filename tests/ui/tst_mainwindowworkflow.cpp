// The whole path a user takes: two files dropped onto the centre pane, a Join
// added from the left pane with both selected, processed by auto run, the
// document saved, closed and opened again.
#include "graph/chartnode.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"
#include "ui/actionpane.h"
#include "ui/graphpane.h"
#include "ui/mainwindow.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

QList<Node*> nodesOfType(GraphModel* graph, int type)
{
    QList<Node*> found;
    for (Node* node : graph->nodes()) {
        if (node->type() == type)
            found.append(node);
    }
    return found;
}

} // namespace

class TestMainWindowWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerInputNodeKind();
        registerOutputNodeKind();
        registerChartNodeKind();
    }

    void pastedTextBecomesAnInput()
    {
        MainWindow window;
        window.setQuietMessages(true);
        window.graph()->setAutoRun(true);
        QApplication::clipboard()->setText(QStringLiteral("name;age\nann;31\nbob;42\n"));
        window.action(QStringLiteral("&Paste"))->trigger();
        const QList<Node*> inputs = nodesOfType(window.graph(), InputNodeType);
        QCOMPARE(inputs.size(), 1);
        QTRY_COMPARE(inputs.first()->status(), int(StatusUpToDate));
        QCOMPARE(inputs.first()->dataset().columnNames(), (QStringList { "name", "age" }));
        QCOMPARE(inputs.first()->dataset().row(1), (QStringList { "bob", "42" }));
        window.action(QStringLiteral("&Undo"))->trigger();
        QCOMPARE(nodesOfType(window.graph(), InputNodeType).size(), 0);
        window.setModified(false);
    }

    void joinTwoDroppedFilesSaveAndReopen()
    {
        QTemporaryDir dir;
        const QString people = dir.filePath("people.csv");
        const QString cities = dir.filePath("cities.csv");
        writeFile(people, "name,city\nann,oslo\nbob,rome\ncy,lima\n");
        writeFile(cities, "city,country\noslo,Norway\nrome,Italy\n");

        auto* window = new MainWindow;
        window->setQuietMessages(true);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        GraphModel* graph = window->graph();
        graph->setAutoRun(true);

        // The people file lands above the cities file, so it is the top input.
        emit window->graphPane()->filesDropped({ people }, QPointF(0, 0));
        emit window->graphPane()->filesDropped({ cities }, QPointF(0, 200));
        QTRY_COMPARE(nodesOfType(graph, InputNodeType).size(), 2);
        const QList<Node*> inputs = nodesOfType(graph, InputNodeType);
        QTRY_VERIFY(
            inputs.at(0)->status() == StatusUpToDate && inputs.at(1)->status() == StatusUpToDate);
        QVERIFY(waitForRuns(graph));

        graph->clearSelection();
        for (Node* input : inputs)
            input->setSelected(true);
        QToolButton* join = window->actionPane()->transformButton(QStringLiteral("Join"));
        QVERIFY(join);
        QTest::mouseClick(join, Qt::LeftButton);
        QVERIFY(waitForRuns(graph));

        const QList<Node*> transforms = nodesOfType(graph, TransformNodeType);
        QCOMPARE(transforms.size(), 1);
        auto* joinNode = qobject_cast<TransformNode*>(transforms.first());
        QVERIFY(joinNode);
        // The key columns, chosen as a user picks them in the right pane: "city" of
        // the top input and "city" of the bottom one.
        Transform* transform = joinNode->transform();
        TransformParameter* top = transform->parameter(QStringLiteral("Column_1"));
        TransformParameter* bottom = transform->parameter(QStringLiteral("Column_2"));
        top->setValue(QVariant::fromValue(top->referenceAt(1)));
        bottom->setValue(QVariant::fromValue(bottom->referenceAt(0)));
        joinNode->setStatus(StatusNeedsUpdating, true);
        graph->runCommand(GraphModel::RunUnprocessed);
        QTRY_COMPARE(joinNode->status(), int(StatusUpToDate));
        QVERIFY(waitForRuns(graph));
        const Dataset& joined = joinNode->dataset();
        QCOMPARE(joined.rowCount(), 2);
        QCOMPARE(joined.columnNames(), (QStringList { "name", "city", "country" }));
        QCOMPARE(joined.row(0), (QStringList { "ann", "oslo", "Norway" }));
        QCOMPARE(joined.row(1), (QStringList { "bob", "rome", "Italy" }));

        const QString document = dir.filePath("join.transform");
        QVERIFY(window->saveDocument(document));
        window->setModified(false);
        delete window;

        window = new MainWindow;
        window->setQuietMessages(true);
        window->show();
        QVERIFY(window->loadDocument(document));
        graph = window->graph();
        QCOMPARE(nodesOfType(graph, InputNodeType).size(), 2);
        const QList<Node*> reopened = nodesOfType(graph, TransformNodeType);
        QCOMPARE(reopened.size(), 1);
        QCOMPARE(reopened.first()->upstreamNodes(true).size(), 2);
        graph->runCommand(GraphModel::RunAllForced);
        QTRY_COMPARE(reopened.first()->status(), int(StatusUpToDate));
        QCOMPARE(reopened.first()->dataset().rowCount(), 2);
        QCOMPARE(reopened.first()->dataset().row(1), (QStringList { "bob", "rome", "Italy" }));
        window->setModified(false);
        delete window;
    }
};

QTEST_MAIN(TestMainWindowWorkflow)
#include "tst_mainwindowworkflow.moc"
