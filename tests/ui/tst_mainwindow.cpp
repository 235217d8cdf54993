#include "tests/ui/uitesthelpers.h"

#include "core/memorylimit.h"
#include "graph/connection.h"
#include "graph/notenode.h"
#include "ui/actionpane.h"
#include "ui/graphpane.h"
#include "ui/itempane.h"
#include "ui/mainwindow.h"
#include "ui/windowdialogs.h"
#include "ui/windowsettings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

Dataset people()
{
    return makeDataset({ QStringLiteral("name"), QStringLiteral("city") },
        { { QStringLiteral("ann"), QStringLiteral("oslo") },
            { QStringLiteral("bob"), QStringLiteral("rome") },
            { QStringLiteral("cy"), QStringLiteral("lima") } });
}

SourceNode* addSource(GraphModel* graph, const QString& name, const QPointF& at)
{
    auto* source = new SourceNode(people());
    source->setName(name);
    source->setCentre(at);
    graph->insertNode(source);
    return source;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void addTransformFromLeftPaneRunsAndUndoes();
    void quickAddRefusesWrongSelection_data();
    void quickAddRefusesWrongSelection();
    void quickAddMatch_data();
    void quickAddMatch();
    void keywordSearch_data();
    void keywordSearch();
    void categoryFilter();
    void dragMovesWithUndo();
    void dragConnectsOnlyValidTargets();
    void copyPasteKeepsInnerConnections();
    void memoryGaugeWarnsFromThreeQuarters_data();
    void memoryGaugeWarnsFromThreeQuarters();
    void shortcutsAreUnique();
    void panesShowAndMove();
    void saveNewOpenRoundTrip();
    void newerDocumentWarns_data();
    void newerDocumentWarns();
    void itemSummaryListsAndSorts();
    void findItems_data();
    void findItems();

private:
    MainWindow* m_window = nullptr;
};

void TestMainWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // The undo history rebuilds items through the factory.
    NodeFactory::registerKind(InputNodeType, [] { return new SourceNode; });
    // A two-input type, whatever merge types this build has.
    Catalogue::instance().add(new TestPair);
    WindowSettings::instance().setShowAdvancedTransforms(false);
}

void TestMainWindow::init()
{
    m_window = new MainWindow;
    m_window->setQuietMessages(true);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestMainWindow::cleanup()
{
    m_window->setModified(false);
    delete m_window;
    m_window = nullptr;
}

void TestMainWindow::addTransformFromLeftPaneRunsAndUndoes()
{
    GraphModel* graph = m_window->graph();
    QVERIFY(graph->autoRun());
    SourceNode* source = addSource(graph, QStringLiteral("People"), QPointF(0, 0));
    source->setSelected(true);

    QToolButton* caseButton = m_window->actionPane()->transformButton(QStringLiteral("Case"));
    QVERIFY(caseButton && caseButton->isVisible());
    QTest::mouseClick(caseButton, Qt::LeftButton);
    QVERIFY(waitForRuns(graph));

    QCOMPARE(graph->nodes().size(), 2);
    auto* added = qobject_cast<TransformNode*>(graph->nodes(true).value(0));
    QVERIFY(added);
    QVERIFY(added->isConnectedFrom(source));
    QCOMPARE(added->status(), int(StatusUpToDate));
    QCOMPARE(added->rowCount(), 3);
    QVERIFY(m_window->logPane()->toPlainText().contains(QStringLiteral("Finished: ")));
    QVERIFY(m_window->isModified());

    QAction* undo = m_window->action(QStringLiteral("&Undo"));
    QAction* redo = m_window->action(QStringLiteral("&Redo"));
    QCOMPARE(undo->text(), QStringLiteral("&Undo add 'Case'"));
    QVERIFY(undo->isEnabled());
    QVERIFY(!redo->isEnabled());
    undo->trigger();
    QVERIFY(waitForRuns(graph));
    QCOMPARE(graph->nodes().size(), 1);
    QCOMPARE(redo->text(), QStringLiteral("&Redo add 'Case'"));
    QCOMPARE(undo->text(), QStringLiteral("&Undo"));
    QVERIFY(!undo->isEnabled());
    redo->trigger();
    QCOMPARE(graph->nodes().size(), 2);
    QCOMPARE(redo->text(), QStringLiteral("&Redo"));
}

void TestMainWindow::quickAddRefusesWrongSelection_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("select"); // 0 nothing, 1 one source, 2 two sources, 3 a note
    // The wording per selection is the scene's; here the window shows it.
    QTest::addColumn<QString>("message"); // empty when the transform is added

    QTest::newRow("case with nothing")
        << "cas" << 0
        << "No items selected.\nTo add a 'Case' transform you need to first select just 1 "
           "Input, Transform or Connection item in the Center pane.";
    QTest::newRow("two-input type with two inputs") << "Test Pair" << 2 << QString();
    QTest::newRow("sort with one input") << "sort" << 1 << QString();
}

void TestMainWindow::quickAddRefusesWrongSelection()
{
    QFETCH(QString, typed);
    QFETCH(int, select);
    QFETCH(QString, message);
    GraphModel* graph = m_window->graph();
    SourceNode* first = addSource(graph, QStringLiteral("First"), QPointF(0, 0));
    SourceNode* second = addSource(graph, QStringLiteral("Second"), QPointF(200, 0));
    auto* note = new NoteNode;
    note->setCentre(QPointF(400, 0));
    graph->insertNode(note);
    first->setSelected(select == 1 || select == 2);
    second->setSelected(select == 2);
    note->setSelected(select == 3);

    QLineEdit* field = m_window->actionPane()->quickAddField();
    field->setFocus();
    QTest::keyClicks(field, typed);
    QTest::keyClick(field, Qt::Key_Return);

    if (message.isEmpty()) {
        QCOMPARE(graph->nodes().size(), 4);
        QCOMPARE(field->text(), QString());
    } else {
        QCOMPARE(m_window->lastMessage(), message);
        QCOMPARE(graph->nodes().size(), 3);
    }
}

void TestMainWindow::quickAddMatch_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("typeKey");
    QTest::newRow("exact name beats a containing one") << "fill"
                                                       << "Fill";
    QTest::newRow("prefix") << "dedu"
                            << "Dedupe";
    QTest::newRow("two words") << "rename c"
                               << "Rename_Cols";
    QTest::newRow("word start") << "pair"
                                << "Test_Pair";
    QTest::newRow("anywhere") << "dupe"
                              << "Dedupe";
    QTest::newRow("surrounding blanks") << "  sort "
                                        << "Sort";
    QTest::newRow("nothing") << "qqq"
                             << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestMainWindow::quickAddMatch()
{
    QFETCH(QString, typed);
    QFETCH(QString, typeKey);
    QCOMPARE(ActionPane::quickAddMatch(typed), typeKey);
}

void TestMainWindow::keywordSearch_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("advanced");
    QTest::addColumn<QStringList>("included");
    QTest::addColumn<QStringList>("excluded");
    QTest::addColumn<int>("count"); // -1: not checked

    QTest::newRow("name") << "case" << false << QStringList { "Case" } << QStringList { "Sort" }
                          << -1;
    QTest::newRow("keywords of one type")
        << "lower camel" << true << QStringList { "Case" } << QStringList {} << 1;
    QTest::newRow("one letter filters nothing")
        << "x" << false << QStringList { "Case", "Sort" } << QStringList {} << -1;
    QTest::newRow("no match hides all") << "zzz" << true << QStringList {} << QStringList {} << 0;
    QTest::newRow("advanced hidden")
        << "" << false << QStringList { "Sort" } << QStringList { "Hash" } << -1;
    QTest::newRow("advanced shown")
        << "" << true << QStringList { "Sort", "Hash" } << QStringList {} << -1;
}

void TestMainWindow::keywordSearch()
{
    QFETCH(QString, search);
    QFETCH(bool, advanced);
    QFETCH(QStringList, included);
    QFETCH(QStringList, excluded);
    QFETCH(int, count);
    ActionPane* pane = m_window->actionPane();
    pane->advancedBox()->setChecked(advanced);
    pane->searchField()->setText(search);
    // The search follows the typing after a short pause.
    QTRY_COMPARE(pane->visibleTypeKeys(), [&] {
        QStringList keys;
        for (const Transform* t : Catalogue::instance().visible(0, advanced, search))
            keys << t->typeKey();
        return keys;
    }());
    const QStringList shown = pane->visibleTypeKeys();
    // Ctrl+K brings the search field back into focus.
    m_window->graphPane()->setFocus();
    m_window->action(QStringLiteral("Find Transform"))->trigger();
    QCOMPARE(QApplication::focusWidget(), pane->searchField());
    for (const QString& key : included) {
        if (Catalogue::instance().prototype(key))
            QVERIFY2(shown.contains(key), qPrintable(key));
    }
    for (const QString& key : excluded)
        QVERIFY2(!shown.contains(key), qPrintable(key));
    if (count >= 0)
        QCOMPARE(shown.size(), count);
    for (const QString& key : shown)
        QVERIFY(pane->transformButton(key)->isVisibleTo(pane));
}

void TestMainWindow::categoryFilter()
{
    ActionPane* pane = m_window->actionPane();
    pane->advancedBox()->setChecked(true);
    pane->filterBox()->setCurrentIndex(CategoryFormat);
    const QStringList shown = pane->visibleTypeKeys();
    QVERIFY(shown.contains(QStringLiteral("Case")));
    for (const QString& key : shown)
        QCOMPARE(Catalogue::instance().prototype(key)->category(), int(CategoryFormat));
}

void TestMainWindow::dragMovesWithUndo()
{
    GraphModel* graph = m_window->graph();
    SourceNode* source = addSource(graph, QStringLiteral("People"), QPointF(0, 0));
    GraphPane* pane = m_window->graphPane();
    pane->centerOn(source->centre());
    const QPointF before = source->pos();
    drag(pane, source->centre(), source->centre() + QPointF(120, 80));
    QVERIFY(source->pos() != before);
    QCOMPARE(
        m_window->action(QStringLiteral("&Undo"))->text(), QStringLiteral("&Undo move item(s)"));
    m_window->action(QStringLiteral("&Undo"))->trigger();
    QCOMPARE(graph->nodes().value(0)->pos(), before);
    // The item was rebuilt; it is still the one selected and shown.
    QVERIFY(graph->nodes().value(0)->isSelected());
    QTRY_COMPARE(m_window->itemPane()->node(), graph->nodes().value(0));
}

void TestMainWindow::dragConnectsOnlyValidTargets()
{
    GraphModel* graph = m_window->graph();
    graph->setAutoRun(false);
    SourceNode* source = addSource(graph, QStringLiteral("People"), QPointF(0, 0));
    source->setSelected(true);
    QVERIFY(m_window->addTransform(QStringLiteral("Case")));
    Node* cased = graph->nodes(true).value(0);
    graph->clearSelection();
    cased->setCentre(QPointF(0, 150));
    Transform* sort = Catalogue::instance().create(QStringLiteral("Sort"));
    sort->defineParameters({}, false);
    auto* lone = new TransformNode(sort);
    lone->setCentre(QPointF(250, 150));
    graph->insertNode(lone);
    GraphPane* pane = m_window->graphPane();
    pane->centerOn(QPointF(120, 75));
    const QPointF edge = cased->pos() + QPointF(2, 28);

    // Onto its own upstream item: a cycle, so nothing is offered or made.
    drag(pane, edge, source->centre());
    QCOMPARE(graph->connections().size(), 1);
    // Onto an item that takes another upstream connection.
    drag(pane, edge, lone->centre());
    QCOMPARE(graph->connections().size(), 2);
    QVERIFY(lone->isConnectedFrom(cased));
    QCOMPARE(
        m_window->action(QStringLiteral("&Undo"))->text(), QStringLiteral("&Undo add connection"));
    // The same drag again: the target is full now.
    drag(pane, edge, lone->centre());
    QCOMPARE(graph->connections().size(), 2);
}

void TestMainWindow::copyPasteKeepsInnerConnections()
{
    GraphModel* graph = m_window->graph();
    SourceNode* source = addSource(graph, QStringLiteral("People"), QPointF(0, 0));
    source->setSelected(true);
    QVERIFY(m_window->addTransform(QStringLiteral("Case")));
    QVERIFY(waitForRuns(graph));
    m_window->action(QStringLiteral("Select &All"))->trigger();
    m_window->action(QStringLiteral("&Copy"))->trigger();
    m_window->action(QStringLiteral("&Paste"))->trigger();
    QCOMPARE(graph->nodes().size(), 4);
    QCOMPARE(graph->connections().size(), 2);
    QSet<qint32> ids;
    for (const Node* n : graph->nodes())
        ids.insert(n->id());
    QCOMPARE(ids.size(), 4);
    QCOMPARE(m_window->action(QStringLiteral("&Undo"))->text(), QStringLiteral("&Undo paste"));
}

void TestMainWindow::memoryGaugeWarnsFromThreeQuarters_data()
{
    QTest::addColumn<double>("used");
    QTest::addColumn<bool>("warns");
    QTest::newRow("just below") << 2.99 << false;
    QTest::newRow("exactly three quarters") << 3.0 << true;
    QTest::newRow("over the maximum") << 4.5 << true;
}

void TestMainWindow::memoryGaugeWarnsFromThreeQuarters()
{
    QFETCH(double, used);
    QFETCH(bool, warns);
    WindowSettings::instance().setMaxMemoryUsage(4.0);
    m_window->showMemoryGauge(used);
    QLabel* gauge = m_window->memoryGauge();
    QCOMPARE(gauge->text(), MemoryLimit::gaugeText(used, 4.0));
    QCOMPARE(gauge->styleSheet().contains(QStringLiteral("#fc3300")), warns);
    QVERIFY(gauge->toolTip().contains(QStringLiteral("You can increase maximum memory")));
}

void TestMainWindow::shortcutsAreUnique()
{
    // Two commands on one shortcut would make Qt ignore both.
    QHash<QString, QString> owners;
    for (QAction* a : m_window->findChildren<QAction*>()) {
        const QString keys = a->shortcut().toString();
        if (keys.isEmpty())
            continue;
        QVERIFY2(!owners.contains(keys),
            qPrintable(keys + QStringLiteral(": ") + owners.value(keys) + " / " + a->text()));
        owners.insert(keys, a->text());
    }
    QVERIFY(owners.size() > 20);
}

void TestMainWindow::panesShowAndMove()
{
    QWidget* right = m_window->itemPane();
    QVERIFY(right->isVisible());
    m_window->action(QStringLiteral("Ri&ght Pane"))->trigger();
    QVERIFY(!right->isVisible());
    m_window->action(QStringLiteral("Ri&ght Pane"))->trigger();
    QVERIFY(right->isVisible());

    // Two screen mode gives the right pane a window of its own, and back.
    m_window->action(QStringLiteral("Two &Screen Mode"))->trigger();
    QVERIFY(right->window() != m_window);
    QVERIFY(right->isVisible());
    m_window->action(QStringLiteral("Ri&ght Pane"))->trigger();
    QVERIFY(!right->window()->isVisible());
    m_window->action(QStringLiteral("Ri&ght Pane"))->trigger();
    m_window->action(QStringLiteral("Two &Screen Mode"))->trigger();
    QCOMPARE(right->window(), m_window);
    QVERIFY(right->isVisible());

    m_window->action(QStringLiteral("L&eft Pane"))->trigger();
    QVERIFY(!m_window->actionPane()->isVisible());
    m_window->action(QStringLiteral("&Log Pane"))->setChecked(true);
    QVERIFY(m_window->logPane()->isVisible());
}

void TestMainWindow::findItems_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("allWords");
    QTest::addColumn<bool>("inComments");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("by name") << "peop" << true << false << false << QStringList { "People" };
    QTest::newRow("by type") << "case" << true << false << false << QStringList { "Case" };
    QTest::newRow("all words") << "input cities" << true << true << false
                               << QStringList { "Cities" };
    QTest::newRow("any word") << "cities case" << false << false << false
                              << QStringList { "Cities", "Case" };
    QTest::newRow("case sensitive") << "PEOPLE" << true << false << true << QStringList {};
    QTest::newRow("comment only when asked")
        << "customers" << true << false << false << QStringList {};
    QTest::newRow("in comments") << "customers" << true << true << false
                                 << QStringList { "People" };
}

void TestMainWindow::findItems()
{
    QFETCH(QString, text);
    QFETCH(bool, allWords);
    QFETCH(bool, inComments);
    QFETCH(bool, caseSensitive);
    QFETCH(QStringList, found);
    GraphModel* graph = m_window->graph();
    graph->setAutoRun(false);
    SourceNode* people = addSource(graph, QStringLiteral("People"), QPointF(0, 0));
    people->setComment(QStringLiteral("All customers"));
    addSource(graph, QStringLiteral("Cities"), QPointF(200, 0));
    people->setSelected(true);
    QVERIFY(m_window->addTransform(QStringLiteral("Case")));
    QStringList names;
    for (const Node* n :
        FindItemsDialog::find(*graph, text, allWords, true, true, inComments, caseSensitive))
        names << n->displayName();
    names.sort();
    found.sort();
    QCOMPARE(names, found);
}

void TestMainWindow::saveNewOpenRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("graph.transform"));
    GraphModel* graph = m_window->graph();
    graph->setAutoRun(false);
    auto* note = new NoteNode;
    note->setComment(QStringLiteral("Remember the & and the <tags>"));
    graph->addNode(note);
    Transform* sort = Catalogue::instance().create(QStringLiteral("Sort"));
    sort->defineParameters({}, false);
    auto* lone = new TransformNode(sort);
    lone->setCentre(QPointF(300, 0));
    graph->addNode(lone);
    m_window->setDocumentNotes(QStringLiteral("notes of the document"));
    QVERIFY(m_window->isModified());

    QVERIFY(m_window->saveDocument(path));
    QVERIFY(!m_window->isModified());
    QVERIFY(m_window->windowTitle().startsWith(QStringLiteral("graph.transform")));
    QCOMPARE(
        WindowSettings::instance().recentDocuments().value(0), QFileInfo(path).absoluteFilePath());

    m_window->action(QStringLiteral("&New"))->trigger();
    QVERIFY(m_window->graph()->nodes().isEmpty());
    QVERIFY(m_window->documentPath().isEmpty());
    // The new document has no history of the old one.
    QVERIFY(!m_window->action(QStringLiteral("&Undo"))->isEnabled());

    QVERIFY(m_window->loadDocument(path));
    QCOMPARE(m_window->graph()->nodes().size(), 2);
    QCOMPARE(m_window->documentNotes(), QStringLiteral("notes of the document"));
    QVERIFY(!m_window->isModified());
    bool noteFound = false;
    for (const Node* n : m_window->graph()->nodes())
        noteFound = noteFound || n->comment() == QStringLiteral("Remember the & and the <tags>");
    QVERIFY(noteFound);
}

void TestMainWindow::newerDocumentWarns_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("warns");
    QTest::newRow("this release") << 87 << false;
    QTest::newRow("a later release") << 88 << true;
}

void TestMainWindow::newerDocumentWarns()
{
    QFETCH(int, version);
    QFETCH(bool, warns);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("newer.transform"));
    auto* note = new NoteNode;
    m_window->graph()->addNode(note);
    QVERIFY(m_window->saveDocument(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    text.replace("\"87\"", QByteArray("\"") + QByteArray::number(version) + "\"");
    writeFile(path, text);
    m_window->action(QStringLiteral("&New"))->trigger();
    QVERIFY(m_window->loadDocument(path));
    QCOMPARE(m_window->lastMessage().startsWith(
                 QStringLiteral("This document was created with a later version")),
        warns);
}

void TestMainWindow::itemSummaryListsAndSorts()
{
    GraphModel* graph = m_window->graph();
    SourceNode* people = addSource(graph, QStringLiteral("People"), QPointF(0, 0));
    people->setSelected(true);
    QVERIFY(m_window->addTransform(QStringLiteral("Case")));
    auto* note = new NoteNode;
    note->setCentre(QPointF(300, 0));
    graph->addNode(note);
    QVERIFY(waitForRuns(graph));
    ItemSummaryDialog dialog(graph, m_window);
    QTableWidget* table = dialog.table();
    QCOMPARE(table->rowCount(), 3);
    // By rows, largest first: the items with data before the note.
    table->sortItems(5, Qt::DescendingOrder);
    QCOMPARE(table->item(0, 5)->text(), QStringLiteral("3"));
    QCOMPARE(table->item(2, 1)->text(), QStringLiteral("Note"));
    QCOMPARE(table->item(2, 5)->text(), QStringLiteral("0"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
