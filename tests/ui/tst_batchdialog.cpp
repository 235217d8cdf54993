// The Batch Process window over a main window's document: three rows run
// from the window, the log pane's lines, and the table saved with the
// document.
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "tests/ui/uitesthelpers.h"
#include "ui/batchdialog.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTextEdit>
#include <QtTest>

class TestBatchDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void logLines_data();
    void logLines();
    void runsThreeRowsAndSavesThem();
    void leavesTheDocumentAsItWas();

private:
    BatchDialog* openBatch(MainWindow& window);

    QTemporaryDir m_settingsDir;
    QTemporaryDir m_dir;
};

void TestBatchDialog::initTestCase()
{
    isolateSettings(m_settingsDir);
    QStandardPaths::setTestModeEnabled(true);
    registerInputNodeKind();
    registerOutputNodeKind();
    QVERIFY(m_dir.isValid());
}

BatchDialog* TestBatchDialog::openBatch(MainWindow& window)
{
    QAction* command = window.action(QStringLiteral("&Batch Process..."));
    if (!command || !command->isEnabled())
        return nullptr;
    command->trigger();
    return window.findChild<BatchDialog*>();
}

void TestBatchDialog::logLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QString>("html");
    QTest::newRow("indent kept") << "  Input: 'a<b>', Id=1" << false
                                 << "&nbsp;&nbsp;Input: 'a&lt;b&gt;', Id=1";
    QTest::newRow("error in red") << "No files match wildcard 'x'." << true
                                  << "<span style=\"color: red;\">No files match wildcard "
                                     "'x'.</span>";
}

void TestBatchDialog::logLines()
{
    QFETCH(QString, line);
    QFETCH(bool, error);
    QFETCH(QString, html);
    QCOMPARE(BatchDialog::logHtml(line, error), html);
}

void TestBatchDialog::runsThreeRowsAndSavesThem()
{
    for (const char* name : { "jan.csv", "feb.csv", "mar.csv" })
        writeFile(m_dir.filePath(name), QByteArray("month\n") + name + "\n");
    const QString document = m_dir.filePath("batch.transform");
    {
        MainWindow window;
        window.setQuietMessages(true);
        auto* input = new InputNode(m_dir.filePath("jan.csv"));
        InputOptions in = input->options();
        in.alias = QStringLiteral("month");
        input->setOptions(in);
        window.graph()->insertNode(input);
        auto* output = new OutputNode(m_dir.filePath("out.csv"));
        OutputOptions out = output->options();
        out.alias = QStringLiteral("result");
        output->setOptions(out);
        output->setPos(0, 200);
        window.graph()->insertNode(output);
        window.graph()->insertConnection(input, output);
        QVERIFY(window.saveDocument(document));

        BatchDialog* dialog = openBatch(window);
        QVERIFY(dialog);
        QTableWidget* table = dialog->table();
        QCOMPARE(table->columnCount(), 3);
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Input alias=month"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(),
            QStringLiteral("Output alias='result' (out.csv)"));
        QCOMPARE(table->horizontalHeaderItem(2)->text(), QStringLiteral("Run record"));
        for (const char* name : { "jan", "feb", "mar" }) {
            dialog->addRow();
            const int row = table->rowCount() - 1;
            table->item(row, 0)->setText(QStringLiteral("%1.csv").arg(name));
            table->item(row, 1)->setText(QStringLiteral("{month}_out.csv"));
        }
        // One row keeps a run record; the others write none.
        table->item(1, 2)->setText(QStringLiteral("{month}_run.json"));
        QVERIFY(window.isModified());
        dialog->verbosityBox()->setValue(2);
        QTest::mouseClick(dialog->processButton(), Qt::LeftButton);
        const QString log = dialog->logView()->toPlainText();
        QCOMPARE(log.count(QStringLiteral("Processing:")), 3);
        QVERIFY2(log.contains(QStringLiteral("Total .transform runs: 3, 0 with errors")),
            qPrintable(log));
        for (const char* name : { "jan", "feb", "mar" })
            QVERIFY2(QFile::exists(m_dir.filePath(QStringLiteral("%1_out.csv").arg(name))),
                qPrintable(log + QDir(m_dir.path()).entryList().join(" ")));
        QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("feb_run.json"))));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("jan_run.json"))));
        QVERIFY(dialog->processButton()->isEnabled());
        QVERIFY(!dialog->stopButton()->isEnabled());
        QVERIFY(window.saveDocument(document));
    }
    MainWindow reopened;
    reopened.setQuietMessages(true);
    QVERIFY(reopened.loadDocument(document));
    BatchDialog* dialog = openBatch(reopened);
    QVERIFY(dialog);
    QCOMPARE(dialog->table()->rowCount(), 3);
    QCOMPARE(dialog->table()->item(1, 0)->text(), QStringLiteral("feb.csv"));
    QCOMPARE(dialog->table()->item(1, 2)->text(), QStringLiteral("{month}_run.json"));
    QCOMPARE(dialog->verbosityBox()->value(), 2);
}

// A batch run changes nothing of the open document: not its items' files,
// results or statuses, not its undo history, and it does not mark it
// modified.
void TestBatchDialog::leavesTheDocumentAsItWas()
{
    for (const char* name : { "jan.csv", "feb.csv", "mar.csv" })
        writeFile(m_dir.filePath(name), QByteArray("month\n") + name + "\n");
    MainWindow window;
    window.setQuietMessages(true);
    GraphModel* graph = window.graph();
    auto* input = new InputNode(m_dir.filePath("jan.csv"));
    InputOptions in = input->options();
    in.alias = QStringLiteral("month");
    input->setOptions(in);
    graph->addNode(input);
    QVERIFY(waitForRuns(graph));
    auto* output = new OutputNode(m_dir.filePath("kept.csv"));
    output->setPos(0, 200);
    graph->addNode(output);
    QVERIFY(waitForRuns(graph));
    graph->connectNodes(input, output);
    QVERIFY(waitForRuns(graph));
    graph->runCommand(GraphModel::RunAll);
    QVERIFY(waitForRuns(graph));
    QCOMPARE(output->status(), int(StatusUpToDate));
    const QString undoLabel = graph->undoLabel();
    const int snapshots = graph->snapshotCount();
    const QString document = m_dir.filePath("kept.transform");
    QVERIFY(window.saveDocument(document));

    BatchDialog* dialog = openBatch(window);
    QVERIFY(dialog);
    for (const char* name : { "feb", "mar" }) {
        dialog->addRow();
        QTableWidget* table = dialog->table();
        table->item(table->rowCount() - 1, 0)->setText(QStringLiteral("%1.csv").arg(name));
    }
    QVERIFY(window.saveDocument(document));
    QVERIFY(!window.isModified());
    // Both rows write the Output's own file: the window warns first.
    QString warning;
    answerNextDialog([&warning](QWidget* box) {
        warning = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(dialog->processButton(), Qt::LeftButton);
    QVERIFY2(warning.startsWith(
                 QStringLiteral("More than one batch run writes the same file for: kept.csv.")),
        qPrintable(warning));
    QVERIFY2(dialog->logView()->toPlainText().contains(QStringLiteral("Total .transform runs: 2")),
        qPrintable(dialog->logView()->toPlainText()));

    QVERIFY(!window.isModified());
    QCOMPARE(input->filePath(), m_dir.filePath("jan.csv"));
    QCOMPARE(input->status(), int(StatusUpToDate));
    QCOMPARE(output->status(), int(StatusUpToDate));
    QCOMPARE(input->dataset().value(0, 0), QStringLiteral("jan.csv"));
    QCOMPARE(graph->undoLabel(), undoLabel);
    QCOMPARE(graph->snapshotCount(), snapshots);
    QVERIFY(!graph->canRedo());
    QCOMPARE(graph->nodes().size(), 2);
}

QTEST_MAIN(TestBatchDialog)
#include "tst_batchdialog.moc"
