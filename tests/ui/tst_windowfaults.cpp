// Faults found by using the window as a new user would; each test drives
// the real widgets.

#include "tests/graph/testnodes.h"
#include "tests/ui/uitesthelpers.h"

#include "document/documentinfo.h"
#include "graph/connection.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transformparameter.h"
#include "ui/actionpane.h"
#include "ui/datatablemodel.h"
#include "ui/datatableview.h"
#include "ui/editors/columneditors.h"
#include "ui/graphcanvas.h"
#include "ui/graphpane.h"
#include "ui/helpwindow.h"
#include "ui/itempane.h"
#include "ui/itempaneoptions.h"
#include "ui/itemtitle.h"
#include "ui/mainwindow.h"
#include "ui/preferencesdialog.h"
#include "ui/transformdrag.h"
#include "ui/windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <atomic>

namespace {

SourceNode* addSource(GraphModel* graph, const QPointF& at)
{
    auto* source = new SourceNode(makeDataset(
        { QStringLiteral("name") }, { { QStringLiteral("ann") }, { QStringLiteral("bob") } }));
    source->setCentre(at);
    graph->insertNode(source);
    return source;
}

// Answers every message box that comes with the button while it lives.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QMessageBox::StandardButton button) : m_button(button) { startTimer(50); }
    int asked = 0;

protected:
    void timerEvent(QTimerEvent*) override
    {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++asked;
            box->button(m_button)->click();
        }
    }

private:
    QMessageBox::StandardButton m_button;
};

// How far the lightest or darkest pixel of the image is from the colour.
int contrast(const QImage& image, const QColor& against)
{
    int most = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 128)
                most = qMax(most, qAbs(c.lightness() - against.lightness()));
        }
    }
    return most;
}

bool shownInView(GraphPane* pane, Node* node)
{
    const QRect onScreen = pane->mapFromScene(node->bounds()).boundingRect();
    return pane->viewport()->rect().contains(onScreen);
}

} // namespace

class TestWindowFaults : public QObject
{
    Q_OBJECT

private slots:
    void checkColumnsListsTheTraps();
    void initTestCase();
    void init();
    void cleanup();

    void pasteWorksAfterARun();
    void clickOnItemBodySelectsItem();
    void openingWithAutoRun_data();
    void openingWithAutoRun();
    void newDocumentStartsWithDefaults();
    void itemsAreRenamedInPlace();
    void itemsCanBeLookedAtDuringARun();
    void transformNamesFitTheirButtons();
    void searchNamesHiddenAdvancedTypes();
    void filterStaysWithItsItem();
    void optionsSplitStaysPerKind();
    void pastedItemIsSelectedAndShown();
    void checkedColumnsKeepTheirPlace();
    void darkThemeKeepsControlsVisible();
    void wordingForThisPlatform();
    void optionLabelsShareOneCase();
    void helpOpensInTheProgram();
    void fileWindowOffersKnownTypes();
    void searchWithoutMatchSuggests_data();
    void searchWithoutMatchSuggests();
    void transformDroppedOnCanvas_data();
    void transformDroppedOnCanvas();
    void dataTablePreview_data();
    void dataTablePreview();
    void warningsShownWhenAnItemFails();

private:
    QString saveRunningDocument(bool withOutput = true);
    MainWindow* m_window = nullptr;
    QTemporaryDir m_dir;
};

void TestWindowFaults::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    isolateSettings(m_dir);
    registerInputNodeKind();
    registerOutputNodeKind();
}

void TestWindowFaults::init()
{
    m_window = new MainWindow;
    m_window->setQuietMessages(true);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestWindowFaults::cleanup()
{
    m_window->setModified(false);
    delete m_window;
    m_window = nullptr;
}

void TestWindowFaults::pasteWorksAfterARun()
{
    addSource(m_window->graph(), QPointF(0, 0));
    QAction* paste = m_window->action(QStringLiteral("&Paste"));
    QVERIFY(paste->isEnabled());
    m_window->action(QStringLiteral("Run &All"))->trigger();
    QTRY_VERIFY(!m_window->graph()->isProcessing());
    QVERIFY(paste->isEnabled());
}

void TestWindowFaults::clickOnItemBodySelectsItem()
{
    GraphModel* graph = m_window->graph();
    SourceNode* top = addSource(graph, QPointF(0, 0));
    auto* below = new SinkNode;
    below->setCentre(QPointF(0, 160));
    graph->insertNode(below);
    Connection* link = graph->connectNodes(top, below);
    QVERIFY(link);
    // The line must stop at both borders.
    GraphPane* pane = m_window->graphPane();
    const QPainterPath line = pane->canvas()->itemOf(link)->path();
    QVERIFY(!top->bounds().adjusted(2, 2, -2, -2).contains(line.pointAtPercent(0)));
    QVERIFY(!below->bounds().adjusted(2, 2, -2, -2).contains(line.pointAtPercent(1)));
    pane->centerOn(below->centre());
    for (Node* clicked : { static_cast<Node*>(below), static_cast<Node*>(top) }) {
        graph->clearSelection();
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, Qt::NoModifier,
            pane->mapFromScene(clicked->centre()));
        QCOMPARE(graph->nodes(true), QList<Node*>({ clicked }));
        QVERIFY(graph->connections(true).isEmpty());
        QCOMPARE(m_window->itemPane()->node(), clicked);
    }
}

// Check Columns on an Input: offered for an Input only, worked out off the
// window's thread, and the traps shown in the log and among the item's
// information until the next read.
void TestWindowFaults::checkColumnsListsTheTraps()
{
    const QString csv = m_dir.filePath(QStringLiteral("zips.csv"));
    writeFile(csv, "zip,n\n0815,1\n0042,2\n");
    GraphModel* graph = m_window->graph();
    auto* input = new InputNode(csv);
    graph->insertNode(input);
    auto* output = new OutputNode(m_dir.filePath(QStringLiteral("zips_out.csv")));
    output->setCentre(QPointF(0, 150));
    graph->insertNode(output);
    graph->connectNodes(input, output);
    m_window->action(QStringLiteral("Run &All"))->trigger();
    QVERIFY(waitForRuns(graph));
    QAction* check = m_window->action(QStringLiteral("C&heck Columns..."));
    graph->clearSelection();
    output->setSelected(true);
    QTRY_VERIFY(!check->isEnabled());
    graph->clearSelection();
    input->setSelected(true);
    QTRY_VERIFY(check->isEnabled());
    check->trigger();
    const QString trap = QStringLiteral(
        "Column 'zip': 2 values have leading zeros that a number conversion drops (for example "
        "'0815')");
    QTRY_COMPARE(input->columnTraps(), QStringList { trap });
    QVERIFY(input->information().contains(trap));
    QVERIFY(m_window->logPane()->toPlainText().contains(
        QStringLiteral("Columns of 'zips.csv':\n  ") + trap));
    m_window->action(QStringLiteral("Run &All"))->trigger();
    QVERIFY(waitForRuns(graph));
    QVERIFY(input->columnTraps().isEmpty());
}

// An input, an output of it, saved with auto run on.
QString TestWindowFaults::saveRunningDocument(bool withOutput)
{
    const QString csv = m_dir.filePath(QStringLiteral("in.csv"));
    writeFile(csv, "name\nann\n");
    GraphModel* graph = m_window->graph();
    graph->setAutoRun(false);
    auto* input = new InputNode(csv);
    input->setCentre(QPointF(0, 0));
    graph->insertNode(input);
    if (withOutput) {
        auto* output = new OutputNode(m_dir.filePath(QStringLiteral("out.csv")));
        output->setCentre(QPointF(0, 150));
        graph->insertNode(output);
        graph->connectNodes(input, output);
    }
    graph->setAutoRun(true);
    const QString doc = m_dir.filePath(QStringLiteral("auto.transform"));
    if (!m_window->saveDocument(doc))
        return QString();
    m_window->action(QStringLiteral("&New"))->trigger();
    QFile::remove(m_dir.filePath(QStringLiteral("out.csv")));
    return doc;
}

void TestWindowFaults::openingWithAutoRun_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<bool>("written");
    QTest::addColumn<bool>("withOutput");
    const int yes = QMessageBox::Yes;
    const int no = QMessageBox::No;
    QTest::newRow("leave enabled") << 0 << yes << false << true << true << true;
    QTest::newRow("prompt auto run, yes") << 1 << yes << true << false << false << true;
    QTest::newRow("prompt auto run, no") << 1 << no << true << true << true << true;
    QTest::newRow("prompt outputs, yes") << 2 << yes << true << true << false << true;
    QTest::newRow("prompt outputs, no") << 2 << no << true << true << true << true;
    QTest::newRow("disable outputs") << 3 << yes << false << true << false << true;
    QTest::newRow("disable auto run") << 4 << yes << false << false << false << true;
    // Nothing to overwrite, nothing to ask.
    QTest::newRow("prompt auto run, no output") << 1 << yes << false << true << false << false;
    QTest::newRow("prompt outputs, no output") << 2 << yes << false << true << false << false;
}

void TestWindowFaults::openingWithAutoRun()
{
    QFETCH(int, choice);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, autoRun);
    QFETCH(bool, written);
    QFETCH(bool, withOutput);
    const QString doc = saveRunningDocument(withOutput);
    QVERIFY(!doc.isEmpty());
    WindowSettings::instance().setOpenAutoRun(choice);
    m_window->setQuietMessages(false);
    BoxAnswerer answerer { QMessageBox::StandardButton(answer) };
    QVERIFY(m_window->loadDocument(doc));
    QTRY_VERIFY(!m_window->graph()->isProcessing());
    QCOMPARE(answerer.asked > 0, asked);
    QCOMPARE(m_window->graph()->autoRun(), autoRun);
    QCOMPARE(m_window->action(QStringLiteral("&Auto Run"))->isChecked(), autoRun);
    QCOMPARE(QFile::exists(m_dir.filePath(QStringLiteral("out.csv"))), written);
    if (!written && autoRun && withOutput) {
        // A paused output writes when the user runs it.
        m_window->graph()->clearSelection();
        for (Node* n : m_window->graph()->nodes())
            n->setSelected(n->type() == OutputNodeType);
        m_window->action(QStringLiteral("Run &Selected"))->trigger();
        QTRY_VERIFY(QFile::exists(m_dir.filePath(QStringLiteral("out.csv"))));
    }
    if (choice == 0) {
        // Nor does the run that follows the opening count as a change.
        QTest::qWait(100);
        QVERIFY(!m_window->isModified());
    }
    WindowSettings::instance().setOpenAutoRun(1);
}

// A new document does not inherit the previous one's auto run or snapping.
void TestWindowFaults::newDocumentStartsWithDefaults()
{
    QAction* autoRun = m_window->action(QStringLiteral("&Auto Run"));
    QAction* snap = m_window->action(QStringLiteral("Snap To &Grid"));
    const bool snapDefault = DocumentInfo().snapToGrid;
    if (autoRun->isChecked())
        autoRun->trigger();
    if (snap->isChecked() == snapDefault)
        snap->trigger();
    QVERIFY(!m_window->graph()->autoRun());
    m_window->setModified(false);
    m_window->action(QStringLiteral("&New"))->trigger();
    QVERIFY(m_window->graph()->autoRun());
    QVERIFY(autoRun->isChecked());
    QCOMPARE(snap->isChecked(), snapDefault);
    QCOMPARE(m_window->graphPane()->snapToGrid(), snapDefault);
}

// F2, the Edit menu's command and a double-click on the right pane's title
// edit the selected item's name there; Enter keeps it (undoably), Escape
// does not.
void TestWindowFaults::itemsAreRenamedInPlace()
{
    GraphModel* graph = m_window->graph();
    SourceNode* people = addSource(graph, QPointF(0, 0));
    const qint32 id = people->id();
    graph->clearSelection();
    people->setSelected(true);
    ItemTitle* title = m_window->itemPane()->title();
    QLineEdit* editor = title->editor();
    m_window->setModified(false);

    QVERIFY(m_window->action(QStringLiteral("Rena&me"))->isEnabled());
    QTest::keyClick(m_window->graphPane()->viewport(), Qt::Key_F2);
    QTRY_VERIFY(title->isEditing());
    QVERIFY(editor->isVisibleTo(m_window));
    QTest::keyClicks(editor, QStringLiteral("Customers"));
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(!title->isEditing());
    QCOMPARE(people->name(), QStringLiteral("Customers"));
    QCOMPARE(title->text(), QStringLiteral("Customers"));
    QVERIFY(m_window->isWindowModified());

    // Escape leaves the name as it was.
    QTest::mouseDClick(title->label(), Qt::LeftButton);
    QVERIFY(title->isEditing());
    QCOMPARE(editor->text(), QStringLiteral("Customers"));
    QTest::keyClicks(editor, QStringLiteral("Old"));
    QTest::keyClick(editor, Qt::Key_Escape);
    QVERIFY(!title->isEditing());
    QCOMPARE(people->name(), QStringLiteral("Customers"));

    // The menu command, and undo of the rename.
    m_window->action(QStringLiteral("Rena&me"))->trigger();
    QVERIFY(title->isEditing());
    QTest::keyClick(editor, Qt::Key_Escape);
    m_window->action(QStringLiteral("&Undo"))->trigger();
    QTRY_VERIFY(graph->nodeWithId(id));
    QCOMPARE(graph->nodeWithId(id)->name(), QString());
}

// While a run goes on beside the window, a click still selects an item;
// the right pane shows nothing of a table being written and builds the
// item's options once the run is done with it.
void TestWindowFaults::itemsCanBeLookedAtDuringARun()
{
    GraphModel* graph = m_window->graph();
    graph->setAutoRun(false);
    auto* source = new SourceNode(rows("x", 400));
    graph->insertNode(source);
    auto* upper = makeTransformNode(new TestUpper);
    upper->setPos(0, 150);
    graph->insertNode(upper);
    graph->insertConnection(source, upper);
    upper->upstreamChanged();
    graph->runCommand(GraphModel::RunAll);
    QVERIFY(waitForRuns(graph));
    graph->clearSelection();

    std::atomic<bool> reached { false };
    std::atomic<bool> released { false };
    static_cast<TestUpper*>(upper->transform())->rowHook = [&](int row) {
        if (row != 200)
            return;
        reached = true;
        for (int i = 0; i < 10000 && !released; ++i)
            QThread::msleep(1);
    };
    graph->runCommand(GraphModel::RunAll);
    QTRY_VERIFY(reached);
    GraphPane* pane = m_window->graphPane();
    pane->centerOn(upper->centre());
    QTest::mouseClick(
        pane->viewport(), Qt::LeftButton, Qt::NoModifier, pane->mapFromScene(upper->centre()));
    QCOMPARE(graph->nodes(true), QList<Node*>({ upper }));
    ItemPane* itemPane = m_window->itemPane();
    QCOMPARE(itemPane->node(), upper);
    QVERIFY(!itemPane->options()->hasForm());
    QCOMPARE(itemPane->dataTable()->model()->rowCount(), 0);

    released = true;
    QVERIFY(waitForRuns(graph));
    QCOMPARE(upper->status(), int(StatusUpToDate));
    QVERIFY(itemPane->options()->hasForm());
    QCOMPARE(itemPane->dataTable()->model()->rowCount(), 400);
}

// In a small window a long transform name is shortened in the middle, not
// cut at the button's edges, and its tip names it in full.
void TestWindowFaults::transformNamesFitTheirButtons()
{
    m_window->resize(900, 600);
    QTest::qWait(50);
    // The canvas keeps at least the right pane's share.
    QVERIFY(m_window->graphPane()->width() >= m_window->itemPane()->width());
    QToolButton* dates = m_window->actionPane()->transformButton(QStringLiteral("Date_Format"));
    QVERIFY(dates && dates->isVisible());
    QVERIFY(dates->toolTip().contains(QStringLiteral("DateTime Format")));
    for (QToolButton* b : m_window->actionPane()->findChildren<QToolButton*>()) {
        if (!b->isVisible() || b->text().isEmpty())
            continue;
        QVERIFY2(
            b->fontMetrics().horizontalAdvance(b->text()) <= b->width() - 6, qPrintable(b->text()));
    }
}

// A filter typed for one item's table is not applied to the next item's,
// and while it is on, its count can be read.
void TestWindowFaults::filterStaysWithItsItem()
{
    m_window->resize(1500, 900);
    GraphModel* graph = m_window->graph();
    auto* cities = new DataNode({ QStringLiteral("city") },
        { { QStringLiteral("Oslo") }, { QStringLiteral("Lima") }, { QStringLiteral("Riga") } });
    auto* people = new DataNode(
        { QStringLiteral("name") }, { { QStringLiteral("Ann") }, { QStringLiteral("Bo") } });
    graph->insertNode(cities);
    graph->insertNode(people);
    people->setPos(0, 200);
    graph->clearSelection();
    cities->setSelected(true);
    DataTableView* view = m_window->itemPane()->dataTable();
    view->filterModeCombo()->setCurrentIndex(DataTableModel::FilterRowData);
    view->filterEdit()->setText(QStringLiteral("lima"));
    QTRY_COMPARE(view->model()->rowCount(), 1);
    QLabel* count = view->shownCountLabel();
    QTRY_VERIFY(count->isVisibleTo(view));
    QCOMPARE(count->text(), QStringLiteral("1 of 3 rows"));
    QTRY_VERIFY(count->width() >= count->sizeHint().width());
    const QColor ink = count->palette().color(count->foregroundRole());
    const QColor paper = count->palette().color(count->backgroundRole());
    QCOMPARE(ink.alpha(), 255);
    QVERIFY(qAbs(ink.lightness() - paper.lightness()) > 100);

    graph->clearSelection();
    people->setSelected(true);
    QCOMPARE(m_window->itemPane()->node(), people);
    QVERIFY(view->filterEdit()->text().isEmpty());
    QCOMPARE(view->model()->rowCount(), 2);
    QVERIFY(!count->isVisibleTo(view));
}

void TestWindowFaults::optionsSplitStaysPerKind()
{
    GraphModel* graph = m_window->graph();
    SourceNode* source = addSource(graph, QPointF(0, 0));
    auto* output = new OutputNode(m_dir.filePath(QStringLiteral("split.csv")));
    output->setCentre(QPointF(0, 150));
    graph->insertNode(output);
    graph->connectNodes(source, output);
    graph->setAutoRun(false);
    QVERIFY(waitForRuns(graph));
    source->setSelected(true);
    QVERIFY(m_window->addTransform(QStringLiteral("Case")));
    Node* transform = graph->nodes(true).value(0);
    ItemPane* pane = m_window->itemPane();
    graph->clearSelection();
    output->setSelected(true);
    auto* splitter = pane->findChild<QSplitter*>();
    QVERIFY(splitter && splitter->isVisible());
    // The user drags the split up by 60 pixels.
    QSplitterHandle* handle = splitter->handle(1);
    const int before = splitter->sizes().first();
    const QPoint grip = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, grip);
    QMouseEvent move(QEvent::MouseMove, grip - QPoint(0, 60),
        handle->mapToGlobal(grip - QPoint(0, 60)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, grip - QPoint(0, 60));
    const int chosen = splitter->sizes().first();
    QVERIFY(chosen < before - 30);
    for (int round = 0; round < 2; ++round) {
        graph->clearSelection();
        transform->setSelected(true);
        QVERIFY(splitter->sizes().first() >= splitter->height() / 4);
        graph->clearSelection();
        output->setSelected(true);
        QCOMPARE(splitter->sizes().first(), chosen);
    }
}

void TestWindowFaults::pastedItemIsSelectedAndShown()
{
    GraphPane* pane = m_window->graphPane();
    GraphModel* graph = m_window->graph();
    // A row of items across the middle of the view leaves free room only
    // beyond its right edge.
    const QPointF centre = pane->visibleCentre();
    for (int i = -8; i <= 8; ++i)
        addSource(graph, centre + QPointF(i * 150, 0));
    QApplication::clipboard()->setText(QStringLiteral("a,b\n1,2\n"));
    pane->setFocus();
    m_window->action(QStringLiteral("&Paste"))->trigger();
    const QList<Node*> selected = graph->nodes(true);
    QCOMPARE(selected.size(), 1);
    QCOMPARE(graph->nodes().size(), 18);
    QVERIFY(shownInView(pane, selected.first()));
}

void TestWindowFaults::checkedColumnsKeepTheirPlace()
{
    WindowSettings::instance().setProcessingDelay(0.1);
    GraphModel* graph = m_window->graph();
    auto* source = new SourceNode(
        makeDataset({ QStringLiteral("name"), QStringLiteral("city"), QStringLiteral("zip") },
            { { QStringLiteral("ann"), QStringLiteral("oslo"), QStringLiteral("1") } }));
    graph->insertNode(source);
    source->setSelected(true);
    QVERIFY(m_window->addTransform(QStringLiteral("Case")));
    QTRY_VERIFY(!graph->isProcessing());
    auto* editor = m_window->itemPane()->findChild<ColumnListEditor*>();
    QVERIFY(editor);
    QListWidget* list = editor->listWidget();
    auto rows = [list] {
        QStringList shown;
        for (int r = 0; r < list->count(); ++r)
            shown << list->item(r)->text() + (list->item(r)->checkState() ? "+" : "-");
        return shown;
    };
    for (int r = 0; r < list->count(); ++r)
        list->item(r)->setCheckState(r == 0 ? Qt::Checked : Qt::Unchecked);
    QTRY_VERIFY(!graph->isProcessing());
    // The user checks the last column; the run that follows keeps it there.
    QSignalSpy runs(graph, &GraphModel::processingComplete);
    list->item(list->count() - 1)->setCheckState(Qt::Checked);
    const QStringList before = rows();
    QTRY_VERIFY(runs.count() >= 1);
    QTRY_VERIFY(!graph->isProcessing());
    editor = m_window->itemPane()->findChild<ColumnListEditor*>();
    list = editor->listWidget();
    QCOMPARE(rows(), before);
    WindowSettings::instance().setProcessingDelay(2.0);
}

void TestWindowFaults::darkThemeKeepsControlsVisible()
{
    m_window->action(QStringLiteral("Toggle &UI Theme"))->trigger();
    const QPalette dark = QApplication::palette();
    QVERIFY(dark.color(QPalette::Window).lightness() < 80);

    QListWidget list;
    auto* item = new QListWidgetItem(QStringLiteral("city"), &list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    list.resize(200, 60);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QRect row = list.visualItemRect(item);
    const QImage box
        = list.viewport()->grab(QRect(row.left(), row.top(), 22, row.height())).toImage();
    QVERIFY2(contrast(box, dark.color(QPalette::Base)) > 80, "unchecked box invisible");

    const QToolButton* full = m_window->itemPane()->fullScreenButton();
    QVERIFY(contrast(full->icon().pixmap(16).toImage(), dark.color(QPalette::Window)) > 100);

    QPushButton* input = m_window->actionPane()->inputButton();
    const QImage face = input->grab().toImage();
    QVERIFY(face.pixelColor(face.width() / 2, 3).lightness() < 110);

    m_window->action(QStringLiteral("Toggle &UI Theme"))->trigger();
    QVERIFY(m_window->actionPane()
                ->inputButton()
                ->grab()
                .toImage()
                .pixelColor(face.width() / 2, 3)
                .lightness()
        > 150);
}

void TestWindowFaults::wordingForThisPlatform()
{
    PreferencesDialog dialog;
    QStringList texts;
    for (const QComboBox* combo : dialog.findChildren<QComboBox*>()) {
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    }
    const QString all = texts.join(QLatin1Char('\n'));
    QVERIFY(!all.contains(QStringLiteral("Windows")));
    QVERIFY(!all.contains(QStringLiteral("Option")));
    QVERIFY(all.contains(QStringLiteral("+Ctrl=Zoom in")));
    auto* store = dialog.field<QComboBox>(QStringLiteral("store_in_ini_file"));
    QVERIFY(store);
    QVERIFY2(store->itemText(0).contains(QStringLiteral("Varnix")), qPrintable(store->itemText(0)));
}

void TestWindowFaults::optionLabelsShareOneCase()
{
    GraphModel* graph = m_window->graph();
    SourceNode* source = addSource(graph, QPointF(0, 0));
    graph->setAutoRun(false);
    int checked = 0;
    for (const Transform* prototype : Catalogue::instance().prototypes()) {
        if (prototype->minInputs() > 1)
            continue;
        graph->clearSelection();
        source->setSelected(true);
        if (!m_window->addTransform(prototype->typeKey()))
            continue;
        QStringList labels;
        for (const QLabel* label : m_window->itemPane()->options()->findChildren<QLabel*>()) {
            if (label->buddy())
                labels << label->text();
        }
        for (const QCheckBox* box : m_window->itemPane()->options()->findChildren<QCheckBox*>())
            labels << box->text();
        for (const QString& text : qAsConst(labels)) {
            if (!text.isEmpty() && text.at(0).isLetter()) {
                QVERIFY2(text.at(0).isUpper(), qPrintable(prototype->typeKey() + ": " + text));
                ++checked;
            }
        }
    }
    QVERIFY(checked > 50);
}

void TestWindowFaults::helpOpensInTheProgram()
{
    GraphModel* graph = m_window->graph();
    addSource(graph, QPointF(0, 0))->setSelected(true);
    QVERIFY(m_window->addTransform(QStringLiteral("Dedupe")));
    m_window->action(QStringLiteral("&Help Contents"))->trigger();
    auto* help = m_window->findChild<HelpWindow*>();
    QVERIFY(help && help->isVisible());
    const Transform* dedupe = Catalogue::instance().prototype(QStringLiteral("Dedupe"));
    const QString page = help->browser()->toPlainText();
    QVERIFY(help->windowTitle().contains(QStringLiteral("Dedupe")));
    QVERIFY(page.contains(dedupe->description().left(40)));
    std::unique_ptr<Transform> fresh(Catalogue::instance().create(QStringLiteral("Dedupe")));
    fresh->defineParameters({}, false);
    QVERIFY(!fresh->parameters().isEmpty());
    QVERIFY(page.contains(fresh->parameters().first()->tooltip().left(30)));
    // Every transform has its page, reached from the list of transforms.
    help->showPage(QUrl(QStringLiteral("help:transforms")));
    for (const Transform* t : Catalogue::instance().prototypes())
        QVERIFY2(help->browser()->toHtml().contains("help:transform/" + t->typeKey()),
            qPrintable(t->typeKey()));
    QVERIFY(!m_window->statusBar()->currentMessage().contains(QStringLiteral("web browser")));
}

void TestWindowFaults::fileWindowOffersKnownTypes()
{
    QStringList filters;
    answerNextDialog([&filters](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal))
            filters = dialog->nameFilters();
        qobject_cast<QDialog*>(modal)->reject();
    });
    QTest::mouseClick(m_window->actionPane()->inputButton(), Qt::LeftButton);
    QVERIFY(filters.size() > 3);
    QCOMPARE(filters.last(), QStringLiteral("All files (*)"));
    QVERIFY(filters.filter(QStringLiteral("Delimited text (")).value(0).contains("*.csv"));
    QVERIFY(!filters.filter(QStringLiteral("JSON (")).isEmpty());
}

void TestWindowFaults::searchWithoutMatchSuggests_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("misspelt") << "dedpue"
                              << "No transform matches 'dedpue'. Did you mean Dedupe";
    QTest::newRow("far from all") << "qqqqqqqqqqqq"
                                  << "No transform matches 'qqqqqqqqqqqq'.";
}

void TestWindowFaults::searchWithoutMatchSuggests()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    ActionPane* pane = m_window->actionPane();
    QTest::keyClicks(pane->quickAddField(), typed);
    QTest::keyClick(pane->quickAddField(), Qt::Key_Return);
    QCOMPARE(m_window->graph()->nodes().size(), 0);
    const QLabel* told = nullptr;
    for (const QLabel* label : pane->findChildren<QLabel*>()) {
        if (label->text().startsWith(QStringLiteral("No transform matches")))
            told = label;
    }
    QVERIFY(told && told->text().startsWith(shown));
    pane->searchField()->setText(typed);
    QTRY_VERIFY(pane->visibleTypeKeys().isEmpty());
    QStringList texts;
    for (const QLabel* label : pane->findChildren<QLabel*>())
        texts << label->text();
    QVERIFY2(!texts.filter(QStringLiteral("No transform matches")).isEmpty(),
        qPrintable(texts.join('|')));
    QVERIFY2(texts.filter(QStringLiteral("No transform matches")).first().startsWith(shown),
        qPrintable(texts.filter(QStringLiteral("No transform matches")).first()));
}

// With "show advanced" off, a search that matches only hidden types says
// which they are and how to show them, not that nothing matches.
void TestWindowFaults::searchNamesHiddenAdvancedTypes()
{
    ActionPane* pane = m_window->actionPane();
    pane->advancedBox()->setChecked(false);
    pane->searchField()->setText(QStringLiteral("pivot"));
    QTRY_VERIFY(pane->matchCountLabel()->text().startsWith(
        QStringLiteral("'pivot' matches only advanced types: ")));
    QVERIFY(pane->visibleTypeKeys().isEmpty());
    const QString told = pane->matchCountLabel()->text();
    QVERIFY2(told.contains(QStringLiteral("Pivot")), qPrintable(told));
    QVERIFY2(
        told.endsWith(QStringLiteral("Check \"Show advanced\" to show them.")), qPrintable(told));
    pane->advancedBox()->setChecked(true);
    QTRY_VERIFY(pane->visibleTypeKeys().contains(QStringLiteral("Pivot")));
    pane->searchField()->clear();
}

void TestWindowFaults::transformDroppedOnCanvas_data()
{
    QTest::addColumn<int>("target"); // 0 the connection, 1 the upper item, 2 empty canvas
    QTest::addColumn<bool>("inserted"); // between the two items
    QTest::newRow("on the connection") << 0 << true;
    QTest::newRow("on an item") << 1 << false;
    QTest::newRow("on the canvas, upper item selected") << 2 << false;
}

void TestWindowFaults::transformDroppedOnCanvas()
{
    QFETCH(int, target);
    QFETCH(bool, inserted);
    GraphModel* graph = m_window->graph();
    graph->setAutoRun(false);
    SourceNode* top = addSource(graph, QPointF(0, 0));
    auto* below = new SinkNode;
    below->setCentre(QPointF(0, 300));
    graph->insertNode(below);
    graph->connectNodes(top, below);
    graph->clearSelection();
    top->setSelected(target == 2);
    const QPointF at[] = { QPointF(0, 150), top->centre(), QPointF(300, 120) };
    GraphPane* pane = m_window->graphPane();
    pane->centerOn(QPointF(100, 150));
    const QPoint viewPos = pane->mapFromScene(at[target]);
    std::unique_ptr<QMimeData> data(TransformDrag::mimeData(QStringLiteral("Case")));
    QDragEnterEvent enter(viewPos, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pane->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(viewPos, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pane->viewport(), &drop);

    QCOMPARE(graph->nodes().size(), 3);
    auto* added = qobject_cast<TransformNode*>(graph->nodes(true).value(0));
    QVERIFY(added);
    QVERIFY(added->isConnectedFrom(top));
    QCOMPARE(below->isConnectedFrom(added), inserted);
    QCOMPARE(below->isConnectedFrom(top), !inserted);
    if (target == 2)
        QVERIFY(QLineF(added->centre(), at[target]).length() < 1.0);
}

void TestWindowFaults::dataTablePreview_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no filter") << 1 << ""
                               << "";
    QTest::newRow("rows") << 1 << "oslo"
                          << "2 of 3 rows";
    QTest::newRow("column names") << 0 << "CIT"
                                  << "1 of 3 columns";
}

void TestWindowFaults::dataTablePreview()
{
    QFETCH(int, mode);
    QFETCH(QString, filter);
    QFETCH(QString, shown);
    const QString longText(300, QLatin1Char('w'));
    DataTableView view;
    view.resize(600, 300);
    view.show();
    view.setDataset(
        makeDataset({ QStringLiteral("name"), QStringLiteral("city"), QStringLiteral("n") },
            { { QStringLiteral("ann"), QStringLiteral("oslo"), QStringLiteral("12.5") },
                { longText, QStringLiteral("Oslo"), QStringLiteral("7") },
                { QStringLiteral("cy"), QStringLiteral("lima"), QStringLiteral("x") } }));
    view.filterModeCombo()->setCurrentIndex(mode);
    view.filterEdit()->setText(filter);
    QTRY_COMPARE(
        view.shownCountLabel()->isVisibleTo(&view) ? view.shownCountLabel()->text() : QString(),
        shown);
    if (!filter.isEmpty())
        return;
    QTableView* table = view.tableView();
    DataTableModel* model = view.model();
    auto alignment = [model](int row, int column) {
        return model->index(row, column).data(Qt::TextAlignmentRole).toInt()
            & Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(alignment(0, 2), int(Qt::AlignRight));
    QCOMPARE(alignment(2, 2), int(Qt::AlignLeft));
    QCOMPARE(alignment(0, 0), int(Qt::AlignLeft));
    // The long column is wide, but within bounds; its value is in the tip.
    QVERIFY(table->columnWidth(0) > table->columnWidth(2));
    QVERIFY(table->columnWidth(0) <= 320);
    QCOMPARE(model->index(1, 0).data(Qt::ToolTipRole).toString(), longText);
    QVERIFY(model->index(0, 0).data(Qt::ToolTipRole).isNull());
}

void TestWindowFaults::warningsShownWhenAnItemFails()
{
    GraphModel* graph = m_window->graph();
    auto* item = new DataNode({ QStringLiteral("a") }, { { QStringLiteral("1") } });
    graph->insertNode(item);
    item->setSelected(true);
    QTabWidget* tabs = m_window->itemPane()->tabs();
    QCOMPARE(tabs->currentIndex(), int(ItemPane::DataTab));
    item->setMessages({ QStringLiteral("Column 'x' not found") }, {});
    item->setStatus(StatusError, false);
    emit graph->nodeProcessed(item);
    QCOMPARE(tabs->currentIndex(), int(ItemPane::WarningsTab));
    QVERIFY(m_window->itemPane()->warningsText()->toPlainText().contains(QStringLiteral("'x'")));
}

QTEST_MAIN(TestWindowFaults)
#include "tst_windowfaults.moc"
