// The commands of the main window: menu texts, shortcuts, status tips, the
// menus and the tool bar.

#include "graph/graphmodel.h"
#include "graph/node.h"
#include "ui/actionpane.h"
#include "ui/graphpane.h"
#include "ui/icons.h"
#include "ui/mainwindow.h"
#include "ui/windowsettings.h"

#include <QAction>
#include <QActionGroup>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

struct CommandSpec
{
    const char* menu;
    const char* text;
    const char* shortcut;
    const char* tip;
    void (MainWindow::*trigger)();
    void (MainWindow::*toggle)(bool);
};

namespace {

const char* const HelpLinks[][3] = {
    { "&Help Contents", "F1", "Open the help documentation." },
    { "&Quick Start Guide", "", "Open the quick start guide." },
    { "&Keyboard Shortcuts", "", "Show the keyboard shortcuts." },
    { "&Expert Tips", "", "Open the expert tips page." },
    { "&Frequently Asked Questions", "", "Open the frequently asked questions." },
    { "&Technical Support", "", "Contact technical support." },
    { "Fo&rum", "", "Visit the user forum." },
    { "&Newsletter", "", "Subscribe to the newsletter." },
    { "&Introduction Video", "", "Watch a short introduction video." },
    { "Check For &Updates", "", "Check online for updates." },
};

} // namespace

QAction* MainWindow::addCommand(const CommandSpec& spec)
{
    const QString text = QString::fromUtf8(spec.text);
    auto* action = new QAction(text, this);
    if (spec.shortcut && *spec.shortcut)
        action->setShortcut(QKeySequence(QString::fromUtf8(spec.shortcut)));
    if (spec.tip && *spec.tip) {
        action->setStatusTip(QString::fromUtf8(spec.tip));
        action->setToolTip(QString::fromUtf8(spec.tip));
    }
    if (spec.toggle) {
        action->setCheckable(true);
        connect(action, &QAction::toggled, this, spec.toggle);
    } else if (spec.trigger) {
        connect(action, &QAction::triggered, this, spec.trigger);
    }
    m_actions.insert(text, action);
    return action;
}

void MainWindow::createActions()
{
    using M = MainWindow;
    const CommandSpec specs[] = {
        { "f", "&New", "Ctrl+N", "Create a new .transform document.", &M::onNew, nullptr },
        { "f", "&Open...", "Ctrl+O", "Open an existing .transform document.", &M::onOpen, nullptr },
        { "f", "Open &Recent...", "Ctrl+Shift+O", "Open a recent .transform document.",
            &M::onOpenRecent, nullptr },
        { "f", "&Save", "Ctrl+S", "Save the current .transform document.", &M::onSave, nullptr },
        { "f", "Save &As...", "",
            "Save the current .transform document to a different name/location.", &M::onSaveAs,
            nullptr },
        { "f", "&Batch Process...", "Ctrl+B",
            "Perform the current .transform document in batch mode.", &M::onBatchProcess, nullptr },
        { "f", "&Command Line...", "", "Get text to use on the command line.", &M::onCommandLine,
            nullptr },
        { "f", "Run Rec&ord...", "",
            "Save a record of the last run: the files read with their columns, the rows in and "
            "out of every item, and the files written.",
            &M::onRunRecord, nullptr },
        { "f", "New &Window", "Ctrl+Shift+N", "Open a new window.", &M::onNewWindow, nullptr },
        { "f", "E&xit", "Ctrl+Q", "Exit.", &M::onExit, nullptr },
        { "e", "&Undo", "Ctrl+Z", "Undo change", &M::onUndo, nullptr },
        { "e", "&Redo", "Ctrl+Y", "Redo undone change", &M::onRedo, nullptr },
        { "e", "Cu&t", "Ctrl+X",
            "Copy selected items from the Center pane to the clipboard and delete them.", &M::onCut,
            nullptr },
        { "e", "&Copy", "Ctrl+C", "Copy selected items from the Center pane to the clipboard.",
            &M::onCopy, nullptr },
        { "e", "&Paste", "Ctrl+V", "Paste copied items from the clipboard to the Center pane.",
            &M::onPaste, nullptr },
        { "e", "&Delete", "Del", "Delete the items selected in the center pane.", &M::onDelete,
            nullptr },
        { "e", "Dis&connect", "", "Remove the connections to and from the selected items.",
            &M::onDisconnect, nullptr },
        { "e", "Rena&me", "F2", "Rename the selected item.", &M::onRename, nullptr },
        { "e", "Select &All", "Ctrl+A", "Select All items in the center pane.", &M::onSelectAll,
            nullptr },
        { "e", "Add &Note", "", "Add a note to the center pane.", &M::onAddNote, nullptr },
        { "e", "Fin&d Items...", "Ctrl+F", "Find items in the center pane that match search terms.",
            &M::onFindItems, nullptr },
        { "e", "No&tes...", "", "Notes for this .transform document.", &M::onNotes, nullptr },
        { "e", "&Locale...", "",
            "Change the locale of this document, which governs how dates and numbers are read "
            "and written.",
            &M::onLocale, nullptr },
        { "e", "P&references...", "Ctrl+,", "Show the 'Preferences' window.", &M::onPreferences,
            nullptr },
        { "v", "Zoom &Fit", "Ctrl+=",
            "Toggle on to automatically zoom so all items in the center pane fit on screen.",
            nullptr, &M::onZoomFit },
        { "v", "Zoom &In", "Ctrl++", "Zoom In on the center pane.", &M::onZoomIn, nullptr },
        { "v", "Zoom &Out", "Ctrl+-", "Zoom out from the center pane.", &M::onZoomOut, nullptr },
        { "v", "&Zoom Selected", "Ctrl+/", "Zoom in to selected items on the center pane.",
            &M::onZoomSelected, nullptr },
        { "v", "Snap To &Grid", "", "Snap items to a grid.", nullptr, &M::onSnapToGrid },
        { "v", "Show &Comments", "", "Show item comments in the center pane.", nullptr,
            &M::onShowComments },
        { "v", "Show &Warnings", "", "Show warnings in the center pane.", nullptr,
            &M::onShowWarnings },
        { "v", "Show &Row/Col Changes", "",
            "Show changes to the number of rows and columns by transforms in the center pane.",
            nullptr, &M::onShowRowColChanges },
        { "v", "Timing &Profile", "Ctrl+.", "Show a timing profile in the center pane.", nullptr,
            &M::onTimingProfile },
        { "v", "&Magnify Cursor", "", "Toggle cursor magnification for the center pane.", nullptr,
            &M::onMagnifyCursor },
        { "v", "&Tool bar", "", "Show/hide the toolbar.", nullptr, &M::onToolBarShown },
        { "v", "&Log Pane", "Ctrl+L", "Show/hide the Log pane.", nullptr, &M::onLogPaneShown },
        { "v", "L&eft Pane", "Ctrl+E", "Show/hide the Left Pane.", nullptr, &M::onLeftPaneShown },
        { "v", "Ri&ght Pane", "Ctrl+G", "Show/hide the Right pane.", nullptr,
            &M::onRightPaneShown },
        { "v", "Two &Screen Mode", "Ctrl+T",
            "Display the right pane on a second screen, if available.", nullptr,
            &M::onTwoScreenMode },
        { "v", "Toggle &UI Theme", "Ctrl+U",
            "Toggle the user interface between light and dark themes.", &M::onToggleTheme,
            nullptr },
        { "v", "Compare &Data...", "",
            "Compare the data of 2 selected items, side-by-side, row by row.", &M::onCompareData,
            nullptr },
        { "v", "Compare &Headers...", "", "Compare the headers of 2 or more selected items.",
            &M::onCompareHeaders, nullptr },
        { "v", "C&heck Columns...", "",
            "List the traps in the selected Input item's columns: dates that read both ways, "
            "mixed decimal separators, leading zeros, long digit strings, wrong encodings.",
            &M::onCheckColumns, nullptr },
        { "v", "Column &Frequencies...", "",
            "Count the distinct values of a column of the selected item.", &M::onColumnFrequencies,
            nullptr },
        { "v", "Explore &Keys...", "",
            "Compare the keys of the selected Join, Lookup, Intersect or Subtract item.",
            &M::onExploreKeys, nullptr },
        { "v", "Explore D&uplicates...", "",
            "Show the duplicate groups of the selected Dedupe item.", &M::onExploreDuplicates,
            nullptr },
        { "v", "Item &Summary...", "Ctrl+;", "View a summary of all items.", &M::onItemSummary,
            nullptr },
        { "r", "&Auto Run", "", "Automatically run changes.", nullptr, &M::onAutoRun },
        { "r", "Run &Unprocessed", "Ctrl+R", "Run items that need processing.",
            &M::onRunUnprocessed, nullptr },
        { "r", "Run &Selected", "Ctrl+Shift+R", "Run selected items (whether changed or not).",
            &M::onRunSelected, nullptr },
        { "r", "S&top Run", "Ctrl+\\", "Stop the current run.", &M::onStopRun, nullptr },
        { "r", "Run &All", "",
            "Run all items (whether changed or not). You should usually use 'Run changed' or 'Run "
            "selected'.",
            &M::onRunAll, nullptr },
        { "h", "&About", "", "Show the 'About' window.", &M::onAbout, nullptr },
    };
    for (const CommandSpec& spec : specs)
        addCommand(spec);
    for (const auto& link : HelpLinks) {
        const CommandSpec spec { "h", link[0], link[1], link[2], &M::onHelpLink, nullptr };
        addCommand(spec);
    }
    // Keyboard shortcuts are listed by the window itself rather than a web page.
    QAction* keys = m_actions.value(QStringLiteral("&Keyboard Shortcuts"));
    disconnect(keys, &QAction::triggered, this, &MainWindow::onHelpLink);
    connect(keys, &QAction::triggered, this, &MainWindow::onKeyboardShortcuts);

    // Ctrl+K jumps to the left pane's keyword search from anywhere.
    auto* search = new QAction(tr("Find Transform"), this);
    search->setShortcut(QKeySequence(QStringLiteral("Ctrl+K")));
    connect(search, &QAction::triggered, this, [this] {
        if (!m_actionPane->isVisible())
            onLeftPaneShown(true);
        m_actionPane->searchField()->setFocus(Qt::ShortcutFocusReason);
        m_actionPane->searchField()->selectAll();
    });
    addAction(search);
    m_actions.insert(QStringLiteral("Find Transform"), search);

    m_tipGroup = new QActionGroup(this);
    const int level = WindowSettings::instance().showCenterPaneTips();
    const char* const levels[] = { "&Off", "&Brief", "&Detailed" };
    for (int i = 0; i < 3; ++i) {
        QAction* a = m_tipGroup->addAction(QString::fromUtf8(levels[i]));
        a->setCheckable(true);
        a->setChecked(i == qBound(0, level, 2));
        a->setData(i);
        a->setStatusTip(tr("Set the level of tool tips shown over items in the center pane."));
        m_actions.insert(a->text(), a);
    }
    connect(m_tipGroup, &QActionGroup::triggered, this, &MainWindow::onTipLevel);

    const QSignalBlocker blockComments(m_actions.value(QStringLiteral("Show &Comments")));
    m_actions.value(QStringLiteral("Show &Comments"))
        ->setChecked(WindowSettings::instance().showComments());
    m_actions.value(QStringLiteral("Show &Warnings"))
        ->setChecked(WindowSettings::instance().showWarnings());
    m_actions.value(QStringLiteral("Show &Row/Col Changes"))
        ->setChecked(WindowSettings::instance().showChanges());
    for (const char* on : { "&Tool bar", "L&eft Pane", "Ri&ght Pane", "&Auto Run" }) {
        QAction* a = m_actions.value(QString::fromUtf8(on));
        const QSignalBlocker block(a);
        a->setChecked(true);
    }
    // The item commands act on the centre pane only when it has the focus,
    // so that the right pane's fields and data table keep their own
    // copy, paste and delete keys.
    for (const char* id : { "Cu&t", "&Copy", "&Paste", "&Delete", "Select &All" }) {
        QAction* a = m_actions.value(QString::fromUtf8(id));
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_graphPane->addAction(a);
    }
    m_actions.value(QStringLiteral("S&top Run"))->setEnabled(false);
}

void MainWindow::createMenus()
{
    auto addAll = [this](QMenu* menu, std::initializer_list<const char*> ids) {
        for (const char* id : ids) {
            if (!*id)
                menu->addSeparator();
            else
                menu->addAction(m_actions.value(QString::fromUtf8(id)));
        }
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addAll(file, { "&New", "&Open...", "Open &Recent...", "" });
    m_recentMenu = file->addMenu(QStringLiteral("&Recent"));
    addAll(file,
        { "", "&Save", "Save &As...", "", "&Batch Process...", "&Command Line...", "Run Rec&ord...",
            "", "New &Window", "", "E&xit" });
    rebuildRecentMenu();

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    addAll(edit,
        { "&Undo", "&Redo", "", "Cu&t", "&Copy", "&Paste", "&Delete", "Dis&connect", "Rena&me", "",
            "Select &All", "Fin&d Items...", "", "Add &Note", "No&tes...", "&Locale...", "",
            "P&references..." });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    addAll(view,
        { "Zoom &Fit", "Zoom &In", "Zoom &Out", "&Zoom Selected", "", "Snap To &Grid",
            "Show &Comments", "Show &Warnings", "Show &Row/Col Changes", "Timing &Profile" });
    QMenu* tips = view->addMenu(QStringLiteral("Show Too&l Tips"));
    tips->addActions(m_tipGroup->actions());
    addAll(view,
        { "&Magnify Cursor", "", "&Tool bar", "&Log Pane", "L&eft Pane", "Ri&ght Pane",
            "Two &Screen Mode", "Toggle &UI Theme", "", "Compare &Data...", "Compare &Headers...",
            "Column &Frequencies...", "C&heck Columns...", "Explore &Keys...",
            "Explore D&uplicates...", "Item &Summary..." });

    QMenu* run = menuBar()->addMenu(QStringLiteral("&Run"));
    addAll(
        run, { "&Auto Run", "", "Run &Unprocessed", "Run &Selected", "Run &All", "", "S&top Run" });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addAll(help,
        { "&Help Contents", "&Quick Start Guide", "&Keyboard Shortcuts", "&Expert Tips",
            "&Frequently Asked Questions", "", "&Technical Support", "Fo&rum", "&Newsletter",
            "&Introduction Video", "", "Check For &Updates", "&About" });
}

void MainWindow::createToolBar()
{
    m_toolBar = addToolBar(tr("Tool bar"));
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setMovable(false);
    const int sizes[] = { 16, 22, 28, 36 };
    const int size = sizes[qBound(0, WindowSettings::instance().toolbarIconSize(), 3)];
    m_toolBar->setIconSize(QSize(size, size));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const QList<QPair<const char*, QIcon>> tools = {
        { "&New", Icons::document() },
        { "&Open...", Icons::folder() },
        { "&Save", Icons::save() },
        { nullptr, QIcon() },
        { "&Undo", Icons::undo() },
        { "&Redo", Icons::redo() },
        { nullptr, QIcon() },
        { "&Auto Run", Icons::autoRun() },
        { "Run &Unprocessed", Icons::run() },
        { "S&top Run", Icons::stop() },
        { nullptr, QIcon() },
        { "Zoom &Fit", Icons::zoomFit() },
        { "Zoom &In", Icons::zoomIn() },
        { "Zoom &Out", Icons::zoomOut() },
    };
    for (const auto& tool : tools) {
        if (!tool.first) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* a = m_actions.value(QString::fromUtf8(tool.first));
        a->setIcon(tool.second);
        m_toolBar->addAction(a);
    }
    // Icons alone would leave the run commands hard to tell apart; the
    // others read well enough as icons.
    for (const char* iconOnly :
        { "&New", "&Open...", "&Save", "&Undo", "&Redo", "Zoom &Fit", "Zoom &In", "Zoom &Out" }) {
        QAction* a = m_actions.value(QString::fromUtf8(iconOnly));
        a->setIconText(QString());
        if (QWidget* w = m_toolBar->widgetForAction(a))
            static_cast<QToolButton*>(w)->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
}

void MainWindow::updateUndoTexts()
{
    // The scene refuses undo while it runs; the commands follow the
    // window's own interaction state so that they read right the moment a
    // run ends.
    QAction* undo = m_actions.value(QStringLiteral("&Undo"));
    QAction* redo = m_actions.value(QStringLiteral("&Redo"));
    const QString undoLabel = m_graph->undoLabel();
    undo->setText(
        undoLabel.isEmpty() ? QStringLiteral("&Undo") : QStringLiteral("&Undo %1").arg(undoLabel));
    redo->setText(m_redoLabels.isEmpty() ? QStringLiteral("&Redo")
                                         : QStringLiteral("&Redo %1").arg(m_redoLabels.last()));
    undo->setEnabled(m_interactive && !undoLabel.isEmpty());
    redo->setEnabled(m_interactive && !m_redoLabels.isEmpty());
}

void MainWindow::updateEditActions()
{
    updateUndoTexts();
    const bool running = !m_interactive;
    const bool anySelected = m_graph->hasSelection();
    const int selectedNodes = m_graph->nodes(true).size();
    m_actions.value(QStringLiteral("Cu&t"))->setEnabled(!running && selectedNodes > 0);
    m_actions.value(QStringLiteral("&Copy"))->setEnabled(selectedNodes > 0);
    m_actions.value(QStringLiteral("&Delete"))->setEnabled(!running && anySelected);
    // A run turns Paste off; it comes back with the rest when the run ends.
    m_actions.value(QStringLiteral("&Paste"))->setEnabled(!running);
    m_actions.value(QStringLiteral("Dis&connect"))->setEnabled(!running && selectedNodes > 0);
    m_actions.value(QStringLiteral("Rena&me"))->setEnabled(!running && selectedNodes == 1);
    m_actions.value(QStringLiteral("&Zoom Selected"))->setEnabled(selectedNodes > 0);
    m_actions.value(QStringLiteral("Run &Selected"))->setEnabled(!running && selectedNodes > 0);
    m_actions.value(QStringLiteral("Compare &Data..."))->setEnabled(selectedNodes == 2);
    m_actions.value(QStringLiteral("Compare &Headers..."))->setEnabled(selectedNodes >= 2);
    addExploreActions(nullptr);
}
