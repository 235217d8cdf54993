// What a new user meets in the window beyond the outright faults: the
// bundled example, aliases, the batch window's hints, the help's title and
// the exit key. Each test drives the real widgets.

#include "tests/ui/uitesthelpers.h"

#include "document/documentinfo.h"
#include "graph/aliases.h"
#include "graph/chartnode.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"
#include "ui/batchdialog.h"
#include "ui/editors/rowtableeditor.h"
#include "ui/helppages.h"
#include "ui/helpwindow.h"
#include "ui/itempane.h"
#include "ui/itempaneoptions.h"
#include "ui/mainwindow.h"
#include "ui/pivotfields.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestWindowPolish : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void exitsOnCtrlQ();
    void exampleOpensCleanFromAnyFolder();
    void savedElsewhereStillReadsItsFiles();
    void filesPointedAtGetAnAlias_data();
    void filesPointedAtGetAnAlias();
    void batchWindowExplainsAliases();
    void helpIsTitledOnce();
    void ruleTablesKeepTheirWidgetsThroughARun_data();
    void ruleTablesKeepTheirWidgetsThroughARun();
    void filterRuleColumnsFitTheirChoices();
    void pivotFieldsWrapInANarrowPane_data();
    void pivotFieldsWrapInANarrowPane();
    void optionLabelsAndTipsOfFileItems();
    void everyTransformOptionHasATip();
    void timesReadOneWay_data();
    void timesReadOneWay();

private:
    InputNode* inputFor(const QString& path);
    QLineEdit* optionField(const QString& name) const;
    QTableWidget* ruleTableOfNewTransform(const QString& typeKey);

    QTemporaryDir m_dir;
    MainWindow* m_window = nullptr;
};

void TestWindowPolish::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    isolateSettings(m_dir);
    registerInputNodeKind();
    registerOutputNodeKind();
    registerChartNodeKind();
}

void TestWindowPolish::init()
{
    m_window = new MainWindow;
    m_window->setQuietMessages(true);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestWindowPolish::cleanup()
{
    if (m_window)
        m_window->setModified(false);
    delete m_window;
    m_window = nullptr;
}

InputNode* TestWindowPolish::inputFor(const QString& path)
{
    for (Node* node : m_window->graph()->nodes()) {
        if (auto* input = qobject_cast<InputNode*>(node))
            return input->filePath().endsWith(path) ? input : nullptr;
    }
    return nullptr;
}

QLineEdit* TestWindowPolish::optionField(const QString& name) const
{
    return m_window->itemPane()->options()->findChild<QLineEdit*>(name);
}

void TestWindowPolish::exitsOnCtrlQ()
{
    QTest::keyClick(m_window, Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!m_window->isVisible());
}

// The example is opened from the source tree, from the installed package and
// from wherever a user copies it: its Input names its file beside it, so it
// reads the file and opens unchanged from any folder.
void TestWindowPolish::exampleOpensCleanFromAnyFolder()
{
    const QString examples = QStringLiteral(VARNIX_TEST_DATA "/../../examples/");
    const QString folder = m_dir.filePath(QStringLiteral("copied example"));
    QVERIFY(QDir().mkpath(folder));
    for (const char* name : { "people.transform", "people.csv" })
        QVERIFY(QFile::copy(examples + name, folder + QLatin1Char('/') + name));
    QVERIFY(m_window->loadDocument(folder + QStringLiteral("/people.transform")));
    QVERIFY(waitForRuns(m_window->graph()));
    InputNode* input = inputFor(QStringLiteral("people.csv"));
    QVERIFY(input);
    QCOMPARE(input->rowCount(), 200);
    QVERIFY(input->warnings().isEmpty());
    QVERIFY(!m_window->isWindowModified());
    QCOMPARE(input->options().alias, QStringLiteral("people"));
}

void TestWindowPolish::savedElsewhereStillReadsItsFiles()
{
    const QString here = m_dir.filePath(QStringLiteral("here"));
    const QString there = m_dir.filePath(QStringLiteral("there"));
    QVERIFY(QDir().mkpath(here) && QDir().mkpath(there));
    writeFile(here + "/data.csv", "name\nann\nbob\n");
    writeFile(here + "/doc.transform", QByteArray());
    QVERIFY(QFile::remove(here + "/doc.transform"));
    auto* input = new InputNode(QStringLiteral("data.csv"));
    m_window->graph()->setDocumentPath(here + "/doc.transform");
    m_window->graph()->addNode(input, QStringLiteral("add input"));
    QVERIFY(waitForRuns(m_window->graph()));
    QCOMPARE(input->rowCount(), 2);
    QVERIFY(m_window->saveDocument(there + "/doc.transform"));
    // The Input now names the file where it is, not beside the new document.
    QCOMPARE(QDir::cleanPath(input->filePath()), QDir::cleanPath(here + "/data.csv"));
    m_window->setModified(false);
    QVERIFY(m_window->loadDocument(there + "/doc.transform"));
    QVERIFY(waitForRuns(m_window->graph()));
    InputNode* reopened = inputFor(QStringLiteral("data.csv"));
    QVERIFY(reopened);
    QCOMPARE(reopened->rowCount(), 2);
}

void TestWindowPolish::filesPointedAtGetAnAlias_data()
{
    QTest::addColumn<QString>("inputFile");
    QTest::addColumn<QString>("typedAlias");
    QTest::addColumn<QString>("alias");
    QTest::newRow("from the file name") << "people.csv"
                                        << ""
                                        << "result";
    QTest::newRow("an Input holds the name") << "result.csv"
                                             << ""
                                             << "result_2";
    QTest::newRow("the user's own alias stays") << "people.csv"
                                                << "mine"
                                                << "mine";
}

// An Output pointed at a file in its options gets an alias as the document's
// Inputs do, one no other item uses (the command line looks for an Input's
// alias first, so a shared one could never reach the Output).
void TestWindowPolish::filesPointedAtGetAnAlias()
{
    QFETCH(QString, inputFile);
    QFETCH(QString, typedAlias);
    QFETCH(QString, alias);
    writeFile(m_dir.filePath(inputFile), "name\nann\n");
    GraphModel* graph = m_window->graph();
    auto* input = new InputNode(m_dir.filePath(inputFile));
    graph->addNode(input, QStringLiteral("add input"));
    QVERIFY(giveFileAlias(*graph, input));
    QCOMPARE(input->options().alias, QFileInfo(inputFile).completeBaseName());
    auto* output = new OutputNode(QString());
    OutputOptions options = output->options();
    options.alias = typedAlias;
    output->setOptions(options);
    graph->addNode(output, QStringLiteral("add output"));
    graph->connectNodes(input, output);
    QVERIFY(waitForRuns(graph));
    graph->clearSelection();
    output->setSelected(true);
    QLineEdit* file = optionField(QStringLiteral("File"));
    QVERIFY(file);
    file->setFocus();
    QTest::keyClicks(file, m_dir.filePath(QStringLiteral("out/result.csv")));
    QTest::keyClick(file, Qt::Key_Return);
    QTRY_COMPARE(output->options().alias, alias);
    QCOMPARE(optionField(QStringLiteral("Alias"))->text(), alias);
    // Undo takes the path and the alias back together.
    QVERIFY(waitForRuns(graph));
    m_window->action(QStringLiteral("&Undo"))->trigger();
    QVERIFY(waitForRuns(graph));
    for (Node* node : graph->nodes()) {
        if (auto* o = qobject_cast<OutputNode*>(node))
            QCOMPARE(o->options().alias, typedAlias);
    }
}

void TestWindowPolish::batchWindowExplainsAliases()
{
    GraphModel* graph = m_window->graph();
    writeFile(m_dir.filePath("in.csv"), "name\nann\n");
    auto* input = new InputNode(m_dir.filePath("in.csv"));
    graph->addNode(input, QStringLiteral("add input"));
    QVERIFY(waitForRuns(graph));
    DocumentInfo info;
    {
        BatchDialog bare(*graph, info, QString());
        QVERIFY(bare.checksLabel()->text().contains(QStringLiteral("has an alias")));
        QVERIFY(!bare.checksLabel()->isHidden());
        QVERIFY(bare.helpDetails().contains(QStringLiteral("{alias.fname}")));
    }
    QVERIFY(giveFileAlias(*graph, input));
    BatchDialog named(*graph, info, QString());
    QVERIFY(!named.checksLabel()->text().contains(QStringLiteral("has an alias")));
    // The tips and the help show the variables of the same Input.
    QVERIFY(named.helpText().contains(QStringLiteral("{in}")));
    QVERIFY(named.helpDetails().contains(QStringLiteral("{in.fname}")));
    QVERIFY(!named.helpDetails().contains(QStringLiteral("{a.fname}")));
}

void TestWindowPolish::helpIsTitledOnce()
{
    HelpWindow help;
    help.showPage(HelpPages::contentsUrl());
    QCOMPARE(help.windowTitle(), QStringLiteral("Varnix Help"));
    help.showPage(QUrl(QStringLiteral("help:transforms")));
    QCOMPARE(help.windowTitle(), QStringLiteral("Transforms - Varnix Help"));
}

// A transform of the type below a two-column Input, with one rule row added
// through the "+" button of its rule table.
QTableWidget* TestWindowPolish::ruleTableOfNewTransform(const QString& typeKey)
{
    writeFile(m_dir.filePath("rules.csv"), "city,amount\nParis,1\nRome,2\n");
    GraphModel* graph = m_window->graph();
    auto* input = new InputNode(m_dir.filePath("rules.csv"));
    graph->addNode(input, QStringLiteral("add input"));
    if (!waitForRuns(graph))
        return nullptr;
    graph->clearSelection();
    input->setSelected(true);
    if (!m_window->addTransform(typeKey) || !waitForRuns(graph))
        return nullptr;
    auto* editor = m_window->itemPane()->options()->findChild<RowTableEditor*>();
    if (!editor)
        return nullptr;
    QAbstractButton* add = buttonWithText(editor, QStringLiteral("+"));
    if (add && add->isVisible())
        QTest::mouseClick(add, Qt::LeftButton);
    waitForRuns(graph);
    return editor->table();
}

void TestWindowPolish::ruleTablesKeepTheirWidgetsThroughARun_data()
{
    QTest::addColumn<QString>("typeKey");
    QTest::addColumn<int>("column");
    QTest::newRow("Filter") << "Filter" << 1;
    QTest::newRow("Sort") << "Sort" << 0;
    QTest::newRow("If") << "If" << 2;
    QTest::newRow("Replace") << "Replace_Multi" << 0;
    QTest::newRow("Unique") << "Unique" << 1;
    QTest::newRow("Rename Cols") << "Rename_Cols" << 1;
}

// After every run the options are loaded again. A rule table that made its
// combo boxes anew there lost the user's next click (a new combo box under
// the pointer did not open on the first click), so the widgets stay.
void TestWindowPolish::ruleTablesKeepTheirWidgetsThroughARun()
{
    QFETCH(QString, typeKey);
    QFETCH(int, column);
    QTableWidget* table = ruleTableOfNewTransform(typeKey);
    QVERIFY(table);
    QVERIFY(table->rowCount() > 0);
    QPointer<QWidget> cell = table->cellWidget(0, column);
    QVERIFY(cell);
    // Options being edited are left alone; the user has moved on.
    if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();
    m_window->graph()->runCommand(GraphModel::RunAllForced);
    QVERIFY(waitForRuns(m_window->graph()));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(cell);
    QCOMPARE(table->cellWidget(0, column), cell.data());
}

// The Column and Operator choices of a Filter rule are read whole, the
// longest operator too; the value takes the room left.
void TestWindowPolish::filterRuleColumnsFitTheirChoices()
{
    QTableWidget* table = ruleTableOfNewTransform(QStringLiteral("Filter"));
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 1);
    auto* column = qobject_cast<QComboBox*>(table->cellWidget(0, 0));
    auto* op = qobject_cast<QComboBox*>(table->cellWidget(0, 1));
    QVERIFY(column && op);
    column->setCurrentIndex(column->findText(QStringLiteral("amount")));
    op->setCurrentIndex(op->findText(QStringLiteral("!rx Doesn't match regex")));
    QVERIFY(waitForRuns(m_window->graph()));
    for (const QComboBox* combo : { column, op }) {
        const int text = combo->fontMetrics().horizontalAdvance(combo->currentText());
        const int cell = table->columnWidth(combo == column ? 0 : 1);
        QVERIFY2(cell >= text + 16,
            qPrintable(
                QStringLiteral("%1: %2 < %3").arg(combo->currentText()).arg(cell).arg(text)));
    }
    QVERIFY(
        table->columnWidth(2) >= table->fontMetrics().horizontalAdvance(QStringLiteral("x")) * 12);
}

void TestWindowPolish::pivotFieldsWrapInANarrowPane_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("allInOneRow");
    QTest::newRow("small window") << 900 << false;
    QTest::newRow("wide window") << 2600 << true;
}

// Pivot's column, row and value fields stand side by side as far as the
// pane's width allows and wrap below; the options never scroll sideways.
void TestWindowPolish::pivotFieldsWrapInANarrowPane()
{
    QFETCH(int, width);
    QFETCH(bool, allInOneRow);
    m_window->resize(width, 600);
    writeFile(m_dir.filePath("pivot.csv"), "region,product,amount\nNorth,tea,1\n");
    GraphModel* graph = m_window->graph();
    auto* input = new InputNode(m_dir.filePath("pivot.csv"));
    graph->addNode(input, QStringLiteral("add input"));
    QVERIFY(waitForRuns(graph));
    input->setSelected(true);
    QVERIFY(m_window->addTransform(QStringLiteral("Pivot")));
    QVERIFY(waitForRuns(graph));
    auto* fields = m_window->itemPane()->findChild<PivotFields*>();
    QVERIFY(fields);
    QCOMPARE(fields->fieldCount(), 3);
    QTRY_COMPARE(fields->fieldsPerRow() == 3, allInOneRow);
    QScrollArea* scroll = nullptr;
    for (QWidget* w = fields; w && !scroll; w = w->parentWidget())
        scroll = qobject_cast<QScrollArea*>(w);
    QVERIFY(scroll);
    QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
}

// Every option of the Input, Output and Chart items says what it does when
// the pointer rests on it, and its label starts with a capital as the
// transforms' do.
void TestWindowPolish::optionLabelsAndTipsOfFileItems()
{
    GraphModel* graph = m_window->graph();
    writeFile(m_dir.filePath("tips.csv"), "region,amount\nNorth,1\n");
    auto* input = new InputNode(m_dir.filePath("tips.csv"));
    graph->addNode(input, QStringLiteral("add input"));
    auto* output = new OutputNode(m_dir.filePath("tips out.csv"));
    graph->addNode(output, QStringLiteral("add output"));
    graph->connectNodes(input, output);
    auto* chart = new ChartNode;
    graph->addNode(chart, QStringLiteral("add chart"));
    graph->connectNodes(input, chart);
    QVERIFY(waitForRuns(graph));
    QStringList untold;
    QStringList lowercase;
    for (Node* item :
        { static_cast<Node*>(input), static_cast<Node*>(output), static_cast<Node*>(chart) }) {
        graph->clearSelection();
        item->setSelected(true);
        QWidget* form = m_window->itemPane()->options();
        for (QWidget* w : form->findChildren<QWidget*>()) {
            const bool option = qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w)
                || qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w);
            if (!option || w->objectName().isEmpty() || w->objectName().startsWith("qt_"))
                continue;
            if (w->toolTip().isEmpty())
                untold << item->typeName() + ": " + w->objectName();
            if (auto* box = qobject_cast<QCheckBox*>(w)) {
                if (!box->text().isEmpty() && !box->text().at(0).isUpper())
                    lowercase << box->text();
            }
        }
        for (const QLabel* label : form->findChildren<QLabel*>()) {
            if (label->buddy() && !label->text().isEmpty() && label->text().at(0).isLetter()
                && !label->text().at(0).isUpper())
                lowercase << label->text();
        }
    }
    QVERIFY2(untold.isEmpty(), qPrintable(untold.join(", ")));
    QVERIFY2(lowercase.isEmpty(), qPrintable(lowercase.join(", ")));
}

void TestWindowPolish::everyTransformOptionHasATip()
{
    QStringList untold;
    for (const Transform* prototype : Catalogue::instance().prototypes()) {
        std::unique_ptr<Transform> t(Catalogue::instance().create(prototype->typeKey()));
        t->defineParameters({}, false);
        for (const TransformParameter* parameter : t->parameters()) {
            if (parameter->tooltip().trimmed().isEmpty())
                untold << t->typeKey() + ": " + parameter->key();
        }
    }
    QVERIFY2(untold.isEmpty(), qPrintable(untold.join(", ")));
}

void TestWindowPolish::timesReadOneWay_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("United States") << "en_US";
    QTest::newRow("Germany") << "de_DE";
}

// The log's run start and end, an item's "Last processed" and its file's
// times read the same way in any locale, so that a user can match them.
void TestWindowPolish::timesReadOneWay()
{
    QFETCH(QString, locale);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    writeFile(m_dir.filePath("times.csv"), "a\n1\n");
    auto* input = new InputNode(m_dir.filePath("times.csv"));
    m_window->graph()->addNode(input, QStringLiteral("add input"));
    QVERIFY(waitForRuns(m_window->graph()));
    QLocale::setDefault(before);
    const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
    QStringList seen;
    const QRegularExpression row(
        QStringLiteral("<b>(Last processed|File modified)</b></td><td>([^<]*)<"));
    for (auto match = row.globalMatch(input->summary()); match.hasNext();)
        seen << match.next().captured(2);
    QCOMPARE(seen.size(), 2);
    for (const QString& line : m_window->logPane()->toPlainText().split('\n')) {
        if (line.startsWith("Started: ") || line.startsWith("Finished: "))
            seen << line.section(QStringLiteral(": "), 1);
    }
    QCOMPARE(seen.size(), 4);
    for (const QString& time : qAsConst(seen))
        QVERIFY2(stamp.match(time).hasMatch(), qPrintable(time));
}

QTEST_MAIN(TestWindowPolish)
#include "tst_windowpolish.moc"
