#include "ui/mainwindow.h"
#include "batch/driftwatch.h"

#include "core/memorylimit.h"
#include "document/autorecovery.h"
#include "graph/graphmodel.h"
#include "graph/node.h"
#include "graph/nodefactory.h"
#include "ui/actionpane.h"
#include "ui/graphpane.h"
#include "ui/itempane.h"
#include "ui/progresswindow.h"
#include "ui/prompts.h"
#include "ui/shortcutguard.h"
#include "ui/transformdrag.h"
#include "ui/wheelguard.h"
#include "ui/windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    qApp->installEventFilter(new WheelGuard(this));
    m_graph = new GraphModel(this);
    m_graph->setAutoRun(true);
    // The window keeps answering while the graph runs.
    m_graph->setRunsOnWorker(true);
    m_prompt = std::make_unique<MessageBoxPrompt>(this);
    m_prompt->setUnsavedCheck([this] { return isWindowModified(); });
    m_graph->setPrompt(m_prompt.get());

    createPanes();
    createActions();
    qApp->installEventFilter(new ShortcutGuard(
        { m_actions.value(QStringLiteral("Toggle &UI Theme"))->shortcut() }, this));
    createMenus();
    createToolBar();
    createStatusBar();
    m_progressWindow = new ProgressWindow(this);
    connect(m_progressWindow, &ProgressWindow::stopRequested, this, &MainWindow::onStopRun);
    wireGraph();
    restoreLayout();
    updateEditActions();
    updateTitle();
    refreshMemoryGauge();
    m_gaugeTimer.setInterval(3000);
    connect(&m_gaugeTimer, &QTimer::timeout, this, &MainWindow::refreshMemoryGauge);
    m_gaugeTimer.start();
    // Unsaved work survives a crash or a memory exit in the recovery file.
    auto* recovery = new AutoRecoveryTimer(
        [this] { return isWindowModified() && !m_graph->nodes().isEmpty(); },
        [this] { writeRecoveryFile(); }, this);
    recovery->start();
}

MainWindow::~MainWindow()
{
    // The scene's items go first, while every slot they reach still exists.
    disconnect(m_graph, nullptr, this, nullptr);
    m_graphPane->setGraph(nullptr);
    m_itemPane->setNode(nullptr);
    delete m_graph;
    m_graph = nullptr;
    if (m_secondScreen)
        delete m_secondScreen;
}

void MainWindow::createPanes()
{
    m_actionPane = new ActionPane;
    m_graphPane = new GraphPane(m_graph);
    m_itemPane = new ItemPane;
    m_log = new QPlainTextEdit;
    m_log->setReadOnly(true);
    m_log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_log->setMaximumBlockCount(20000);
    m_log->setPlaceholderText(tr("The log of each run appears here."));

    m_centreSplitter = new QSplitter(Qt::Vertical);
    m_centreSplitter->addWidget(m_graphPane);
    m_centreSplitter->addWidget(m_log);
    m_centreSplitter->setStretchFactor(0, 4);
    m_centreSplitter->setStretchFactor(1, 1);
    m_centreSplitter->setChildrenCollapsible(false);

    m_mainSplitter = new QSplitter(Qt::Horizontal);
    m_mainSplitter->addWidget(m_actionPane);
    m_mainSplitter->addWidget(m_centreSplitter);
    m_mainSplitter->addWidget(m_itemPane);
    // A larger window gives the canvas and the data grid more room alike.
    m_mainSplitter->setStretchFactor(0, 0);
    m_mainSplitter->setStretchFactor(1, 1);
    m_mainSplitter->setStretchFactor(2, 1);
    m_mainSplitter->setChildrenCollapsible(false);
    m_actionPane->setMinimumWidth(190);
    m_itemPane->setMinimumWidth(260);
    setCentralWidget(m_mainSplitter);
    // The pane widths are kept as soon as the user sets them, not only at a
    // clean exit.
    connect(m_mainSplitter, &QSplitter::splitterMoved, this, &MainWindow::saveLayout);

    connect(m_actionPane, &ActionPane::addTransformRequested, this, &MainWindow::addTransform);
    connect(m_actionPane, &ActionPane::addNoteRequested, this, &MainWindow::onAddNote);
    connect(m_actionPane, &ActionPane::addChartRequested, this, &MainWindow::onAddChart);
    connect(m_actionPane, &ActionPane::addInputRequested, this, &MainWindow::onAddInput);
    connect(m_actionPane, &ActionPane::addOutputRequested, this, &MainWindow::onAddOutput);
    connect(m_itemPane, &ItemPane::optionsChanged, m_graphPane->viewport(),
        qOverload<>(&QWidget::update));
    for (auto changed : { &ItemPane::commentChanged, &ItemPane::nameChanged }) {
        connect(m_itemPane, changed, this, [this] {
            m_graphPane->viewport()->update();
            setModified(true);
        });
    }
    connect(m_graphPane, &GraphPane::filesDropped, this, &MainWindow::onFilesDropped);
    connect(m_graphPane, &GraphPane::transformDropped, this,
        [this](const QString& typeKey, const QPointF& at) {
            const bool onItem = TransformDrag::selectDropTarget(*m_graphPane->canvas(), at);
            if (addTransform(typeKey) && !onItem) {
                if (Node* added = m_graph->nodes(true).value(0))
                    added->setCentre(at);
            }
        });
    connect(m_graphPane, &GraphPane::contextMenuWanted, this, &MainWindow::onContextMenu);
    connect(m_graphPane, &GraphPane::nodeDoubleClicked, this, [this](Node* node) {
        m_itemPane->setNode(node);
        if (!m_itemPane->isVisible())
            onRightPaneShown(true);
    });
}

void MainWindow::createStatusBar()
{
    m_progress = new QProgressBar;
    m_progress->setRange(0, 100);
    m_progress->setMaximumWidth(160);
    m_progress->setMaximumHeight(16);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_memoryGauge = new QLabel;
    m_memoryGauge->setContentsMargins(6, 0, 6, 0);
    statusBar()->addPermanentWidget(m_progress);
    statusBar()->addPermanentWidget(m_memoryGauge);
}

void MainWindow::wireGraph()
{
    GraphModel* g = m_graph;
    // Goes with its graph.
    m_driftWatch = new DriftWatch(g);
    g->runContext().setSettings(&WindowSettings::instance());
    g->runContext().setPrompt(m_prompt.get());
    connect(g, &GraphModel::memoryLimitExceeded, this, &MainWindow::onMemoryLimitExceeded);
    m_progressWindow->setGraph(g);
    connect(g, &GraphModel::showLogMessage, this, &MainWindow::appendLog);
    connect(g, &GraphModel::showStatusBarMessage, this,
        [this](const QString& text, int ms) { statusBar()->showMessage(text, ms); });
    connect(g, &GraphModel::showTempMessage, this,
        [this](const QString& text) { statusBar()->showMessage(text, 4000); });
    connect(g, &GraphModel::showWarningMessage, this,
        [this](const QString& text) { showMessage(text, true); });
    connect(g, &GraphModel::showCriticalMessage, this,
        [this](const QString& text) { showMessage(text, true); });
    connect(g, &GraphModel::selectionChanged, this, &MainWindow::onSelectionChanged);
    connect(g, &GraphModel::nodeDataChanged, this, &MainWindow::onNodeDataChanged);
    connect(g, &GraphModel::nodeProcessed, this, &MainWindow::onNodeDataChanged);
    connect(g, &GraphModel::allowUserInteraction, this, &MainWindow::onAllowUserInteraction);
    connect(g, &GraphModel::showProgress, this, &MainWindow::onProgress);
    connect(g, &GraphModel::undoHistoryChanged, this, &MainWindow::onGraphEdited);
    connect(g, &GraphModel::nodesPosChanged, this, [this] { setModified(true); });
    connect(g, &GraphModel::processingComplete, this, [this] {
        RunContext& context = m_graph->runContext();
        WindowSettings& settings = WindowSettings::instance();
        settings.setTotalRowsProcessed(settings.totalRowsProcessed() + context.rowsProcessed());
        context.addRowsProcessed(-context.rowsProcessed());
        refreshMemoryGauge();
        m_itemPane->refresh();
        updateEditActions();
    });
    connect(g, &GraphModel::autoRunStoppedTip, this, &MainWindow::onAutoRunStoppedTip);
    connect(g, &GraphModel::transformNodeAddedByUser, this, [this](const QString& name) {
        statusBar()->showMessage(tr("Added '%1'").arg(name), 3000);
    });
}

// The run has already let every result go; what is left is to say so, keep
// unsaved work in the recovery file and close.
void MainWindow::onMemoryLimitExceeded()
{
    const QString product = QStringLiteral("Varnix");
    QMessageBox::critical(this, product,
        QStringLiteral("%1 has exceeded the memory allocation set in 'Preferences' and will close.")
            .arg(product));
    if (isWindowModified() && !m_graph->nodes().isEmpty())
        writeRecoveryFile();
    setWindowModified(false);
    QCoreApplication::exit(1);
}

void MainWindow::restoreLayout()
{
    // A sensible first size: most of the screen, never more than it holds.
    QSize size(1440, 900);
    if (QScreen* screen = QApplication::primaryScreen()) {
        const QSize avail = screen->availableSize();
        size = size.boundedTo(avail * 0.92);
    }
    resize(size);
    const WindowSettings& s = WindowSettings::instance();
    if (restoreGeometry(s.windowGeometry()))
        size = this->size();
    const int left = s.splitterWidth(1) > 0 ? s.splitterWidth(1) : 230;
    // Wide enough for six or more columns of data at first, but never at
    // the cost of the canvas in a small window.
    const int right = s.splitterWidth(3) > 0 ? s.splitterWidth(3)
                                             : qBound(240, (size.width() - left) * 45 / 100, 600);
    const int centre = qMax(240, size.width() - left - right);
    m_mainSplitter->setSizes({ left, centre, right });
    const int logHeight = s.splitterWidth(2) > 0 ? s.splitterWidth(2) : 160;
    m_centreSplitter->setSizes({ qMax(200, size.height() - logHeight - 120), logHeight });
    m_log->setVisible(s.logPaneShown());
    m_actions.value(QStringLiteral("&Log Pane"))->setChecked(s.logPaneShown());
    m_actions.value(QStringLiteral("&Tool bar"))->setChecked(s.toolBarShown());
    m_toolBar->setVisible(s.toolBarShown());
    if (s.uiTheme() == WindowSettings::UiThemeDark && !m_darkTheme)
        onToggleTheme();
}

void MainWindow::saveLayout()
{
    WindowSettings& s = WindowSettings::instance();
    const QList<int> sizes = m_mainSplitter->sizes();
    if (m_actionPane->isVisible())
        s.setSplitterWidth(1, sizes.value(0));
    if (m_itemPane->isVisible() && !m_secondScreen)
        s.setSplitterWidth(3, sizes.value(2));
    if (m_log->isVisible())
        s.setSplitterWidth(2, m_centreSplitter->sizes().value(1));
    s.setLogPaneShown(m_log->isVisible());
    s.setToolBarShown(m_actions.value(QStringLiteral("&Tool bar"))->isChecked());
    s.setWindowGeometry(saveGeometry());
}

void MainWindow::refreshMemoryGauge()
{
    showMemoryGauge(MemoryLimit::currentMemoryGB());
}

void MainWindow::showMemoryGauge(double current)
{
    const double maximum = WindowSettings::instance().maxMemoryUsage();
    m_memoryGauge->setText(MemoryLimit::gaugeText(current, maximum));
    m_memoryGauge->setToolTip(MemoryLimit::gaugeToolTip(current, maximum));
    m_memoryGauge->setStyleSheet(
        MemoryLimit::gaugeWarns(current, maximum) ? QStringLiteral("color: #fc3300;") : QString());
}

void MainWindow::appendLog(const QString& text)
{
    // The run's last line ends in a line feed of its own.
    QString line = text;
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    m_log->appendPlainText(line);
    m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
}

void MainWindow::showMessage(const QString& text, bool warning)
{
    m_lastMessage = text;
    if (m_quietMessages) {
        statusBar()->showMessage(text.section(QLatin1Char('\n'), 0, 0), 5000);
        return;
    }
    if (warning)
        QMessageBox::warning(this, QStringLiteral("Varnix"), text);
    else
        QMessageBox::information(this, QStringLiteral("Varnix"), text);
}

void MainWindow::setModified(bool modified)
{
    setWindowModified(modified);
    updateTitle();
}

void MainWindow::setDocumentNotes(const QString& notes)
{
    if (notes == m_info.notes)
        return;
    m_info.notes = notes;
    setModified(true);
}

void MainWindow::updateTitle()
{
    const QString name
        = m_documentPath.isEmpty() ? tr("Untitled") : QFileInfo(m_documentPath).fileName();
    setWindowTitle(QStringLiteral("%1[*] - Varnix").arg(name));
}

void MainWindow::onSelectionChanged()
{
    const QList<Node*> selected = m_graph->nodes(true);
    m_itemPane->setNode(selected.size() == 1 ? selected.first() : nullptr);
    updateEditActions();
}

void MainWindow::onNodeDataChanged(Node* node)
{
    if (m_itemPane->node() == node)
        m_itemPane->refresh();
}

void MainWindow::onAllowUserInteraction(bool allowed)
{
    // While a run goes on, only Stop may act on the graph.
    // Items can still be selected and looked at; the pane refuses moves.
    m_interactive = allowed;
    m_actionPane->setEnabled(allowed);
    m_actions.value(QStringLiteral("S&top Run"))->setEnabled(!allowed);
    if (allowed)
        updateEditActions();
    else
        for (const QString& id : { QStringLiteral("&Undo"), QStringLiteral("&Redo"),
                 QStringLiteral("&Delete"), QStringLiteral("Cu&t"), QStringLiteral("&Paste") })
            m_actions.value(id)->setEnabled(false);
}

void MainWindow::onGraphEdited()
{
    // A new change makes the undone ones unreachable.
    if (!m_inUndoRedo)
        m_redoLabels.clear();
    setModified(true);
    updateUndoTexts();
    m_graphPane->updateSceneRect();
}

void MainWindow::onProgress(int percent)
{
    m_progress->setValue(percent);
    m_progress->setVisible(percent < 100 && m_graph->isProcessing());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_graph->isProcessing()) {
        onStopRun();
        event->ignore();
        return;
    }
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    saveLayout();
    if (m_secondScreen)
        m_secondScreen->close();
    // A clean exit leaves nothing to recover.
    AutoRecovery::remove();
    m_held.close();
    event->accept();
}
