// A long fuzzy dedupe shows a progress window whose Stop button stops the
// run; quick items never show it.
#include "graph/graphmodel.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "ui/progresswindow.h"
#include "uitesthelpers.h"

#include <QProgressDialog>
#include <QtTest>

class TestProgressWindow : public QObject
{
    Q_OBJECT

private slots:
    void stopFromTheWindow_data();
    void stopFromTheWindow();
};

void TestProgressWindow::stopFromTheWindow_data()
{
    QTest::addColumn<QString>("typeKey");
    QTest::addColumn<bool>("shown");
    QTest::newRow("dedupe") << "Dedupe" << true;
    QTest::newRow("sort") << "Sort" << false;
}

void TestProgressWindow::stopFromTheWindow()
{
    QFETCH(QString, typeKey);
    QFETCH(bool, shown);
    QList<QStringList> rows;
    for (int i = 0; i < 4000; ++i)
        rows << QStringList { QStringLiteral("name %1 %2").arg(i * 7919 % 4001).arg(i) };
    auto* source = new DataNode({ QStringLiteral("name") }, rows);
    GraphModel scene;
    scene.insertNode(source);
    TransformNode* node = addTransformBelow(&scene, typeKey, source, 100);
    Transform* transform = node->transform();
    if (TransformParameter* match = transform->parameter(QStringLiteral("Match_Type")))
        match->deserialise(QStringLiteral("Fuzzy"));
    transform->parameter(QStringLiteral("Columns"))->deserialise(QStringLiteral("0"));

    QWidget window;
    ProgressWindow progress(&window);
    progress.setShowAfter(0);
    progress.setGraph(&scene);
    connect(&progress, &ProgressWindow::stopRequested, &scene, &GraphModel::stop);
    bool seen = false;
    connect(&scene, &GraphModel::heartBeat, this, [&] {
        QProgressDialog* dialog = progress.dialog();
        if (seen || !dialog || !dialog->isVisible())
            return;
        seen = true;
        QCOMPARE(dialog->labelText(), QStringLiteral("Processing '%1'").arg(node->displayName()));
        buttonWithText(dialog, QStringLiteral("Stop"))->click();
    });
    scene.runCommand(GraphModel::RunAll);
    QCOMPARE(seen, shown);
    QCOMPARE(node->status() == StatusUpToDate, !shown);
    QVERIFY(!progress.dialog());
}

QTEST_MAIN(TestProgressWindow)
#include "tst_progresswindow.moc"
