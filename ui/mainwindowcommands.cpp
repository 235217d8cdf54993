// Edit, run and help commands of the main window.

#include "document/clipboard.h"
#include "graph/aliases.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/ionode.h"
#include "graph/nodefactory.h"
#include "graph/notenode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "ui/actionpane.h"
#include "ui/defaultfiletypedialog.h"
#include "ui/filefilters.h"
#include "ui/graphpane.h"
#include "ui/helppages.h"
#include "ui/helpwindow.h"
#include "ui/itempane.h"
#include "ui/mainwindow.h"
#include "ui/openautorun.h"
#include "ui/preferencesdialog.h"
#include "ui/windowdialogs.h"
#include "ui/windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

bool MainWindow::addTransform(const QString& typeKey)
{
    if (m_graph->isProcessing())
        return false;
    Transform* transform = Catalogue::instance().create(typeKey);
    if (!transform)
        return false;
    const QString problem = m_graph->addTransformProblem(*transform);
    if (!problem.isEmpty()) {
        delete transform;
        // Told beside the pointer rather than in a box that must be closed:
        // the user only has to select something and click again.
        m_lastMessage = problem;
        statusBar()->showMessage(problem.section(QLatin1Char('\n'), -1), 8000);
        if (!m_quietMessages)
            QToolTip::showText(QCursor::pos(), problem.trimmed(), this, QRect(), 8000);
        return false;
    }
    m_actionPane->noteUsed(typeKey);
    TransformNode* node = m_graph->addTransform(transform);
    m_graphPane->moveClear(node);
    if (node)
        m_graphPane->reveal({ node });
    return node != nullptr;
}

// Edit

void MainWindow::onUndo()
{
    const QString label = m_graph->undoLabel();
    m_inUndoRedo = true;
    if (m_graph->undo())
        m_redoLabels.append(label);
    m_inUndoRedo = false;
    updateEditActions();
}

void MainWindow::onRedo()
{
    m_inUndoRedo = true;
    if (m_graph->redo() && !m_redoLabels.isEmpty())
        m_redoLabels.removeLast();
    m_inUndoRedo = false;
    updateEditActions();
}

void MainWindow::onCut()
{
    onCopy();
    if (!m_graph->nodes(true).isEmpty())
        m_graph->deleteSelection();
    updateEditActions();
}

void MainWindow::onCopy()
{
    const int copied = m_graph->nodes(true).size();
    if (copied == 0)
        return;
    QApplication::clipboard()->setMimeData(ItemClipboard::copySelection(*m_graph));
    statusBar()->showMessage(tr("Copied %1 item(s)").arg(copied), 2000);
}

void MainWindow::onPaste()
{
    if (m_graph->isProcessing())
        return;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    // Text copied from a spreadsheet, an editor or a web page becomes an Input
    // item holding that text, so a table can be brought in without a file.
    if (data && !ItemClipboard::canPaste(data) && data->hasText()
        && !data->text().trimmed().isEmpty()) {
        addPastedTextInput(data->text());
        return;
    }
    QString error;
    const QList<Node*> pasted = ItemClipboard::paste(data, *m_graph, &error);
    if (pasted.isEmpty()) {
        if (!error.isEmpty())
            showMessage(error, true);
        return;
    }
    m_graphPane->placeGroup(pasted, m_graphPane->visibleCentre());
    m_graphPane->reveal(pasted);
    statusBar()->showMessage(tr("Pasted %1 item(s)").arg(pasted.size()), 2000);
}

void MainWindow::addPastedTextInput(const QString& text)
{
    GraphModel::UndoScope scope(*m_graph, QStringLiteral("add input"));
    m_graph->clearSelection();
    auto* node = new InputNode;
    node->setClipboardSource(text);
    node->setCentre(m_graphPane->visibleCentre());
    m_graph->addNode(node, QStringLiteral("add input"));
    m_graphPane->moveClear(node);
    m_graphPane->reveal({ node });
}

void MainWindow::onDelete()
{
    m_graph->deleteSelection();
    updateEditActions();
}

void MainWindow::onDisconnect()
{
    m_graph->disconnectSelection();
}

void MainWindow::onRename()
{
    const QList<Node*> selected = m_graph->nodes(true);
    if (selected.size() != 1 || m_graph->isProcessing())
        return;
    // The name is edited where it is shown large: the right pane's title.
    if (m_itemPane->node() != selected.first())
        m_itemPane->setNode(selected.first());
    m_actions.value(QStringLiteral("Ri&ght Pane"))->setChecked(true);
    m_itemPane->startRenaming();
}

void MainWindow::onSelectAll()
{
    m_graph->selectAll();
}

void MainWindow::onFindItems()
{
    FindItemsDialog dialog(m_graph, this);
    connect(&dialog, &FindItemsDialog::zoomWanted, m_graphPane, &GraphPane::zoomTo);
    dialog.exec();
}

void MainWindow::onNotes()
{
    bool ok = false;
    const QString text = QInputDialog::getMultiLineText(
        this, tr("Notes"), tr("Notes for this .transform document:"), m_info.notes, &ok);
    if (ok)
        setDocumentNotes(text);
}

void MainWindow::onLocale()
{
    LocaleDialog dialog(WindowSettings::instance().locale(), this);
    if (dialog.exec() != QDialog::Accepted
        || dialog.locale() == WindowSettings::instance().locale())
        return;
    WindowSettings::instance().setLocale(dialog.locale());
    WindowSettings::instance().apply();
    setModified(true);
    // Numbers and dates may now read differently: everything runs again.
    const QList<Node*> all = m_graph->nodes();
    for (Node* n : all)
        n->setStatus(StatusNeedsUpdating, false);
    if (m_graph->autoRun())
        m_graph->runCommand(GraphModel::RunUnprocessed);
}

void MainWindow::onPreferences()
{
    PreferencesDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The theme and the centre pane follow the preferences at once.
    const WindowSettings& s = WindowSettings::instance();
    if ((s.uiTheme() == WindowSettings::UiThemeDark) != m_darkTheme)
        onToggleTheme();
    NodePaintOptions& paint = m_graphPane->paintOptions();
    paint.connectionThickness = s.customConnectionThickness();
    for (const auto& flag : { qMakePair(QStringLiteral("Show &Comments"), s.showComments()),
             qMakePair(QStringLiteral("Show &Warnings"), s.showWarnings()) })
        m_actions.value(flag.first)->setChecked(flag.second);
    m_graphPane->viewport()->update();
    refreshMemoryGauge();
}

void MainWindow::onAddNote()
{
    if (m_graph->isProcessing())
        return;
    auto* note = new NoteNode;
    note->setCentre(m_graphPane->visibleCentre());
    m_graph->clearSelection();
    m_graph->addNode(note, QStringLiteral("add note"));
    m_graphPane->moveClear(note);
    m_graphPane->reveal({ note });
}

void MainWindow::onAddInput()
{
    if (m_graph->isProcessing())
        return;
    const QStringList paths = QFileDialog::getOpenFileNames(this, tr("Add Input"),
        WindowSettings::instance().previousPath(), FileFilters::inputFilters());
    if (!paths.isEmpty())
        onFilesDropped(paths, m_graphPane->visibleCentre());
}

void MainWindow::onFilesDropped(const QStringList& paths, const QPointF& at)
{
    if (m_graph->isProcessing()) {
        // Files dropped one after the other: the next waits for the run the
        // first one started.
        m_graph->whenIdle(this, [this, paths, at] { onFilesDropped(paths, at); });
        return;
    }
    if (paths.size() == 1 && paths.first().endsWith(QStringLiteral(".transform"))) {
        if (maybeSave())
            loadFrom(paths.first());
        return;
    }
    // Extensions the map does not know are asked about before anything is
    // added, so that cancelling leaves no trace in the undo history.
    QList<QPair<QString, int>> typed;
    for (const QString& path : paths) {
        const int type = DefaultFileTypeDialog::typeForNewInput(path, this);
        if (type != FileTypeNone)
            typed.append(qMakePair(QFileInfo(path).absoluteFilePath(), type));
    }
    if (typed.isEmpty())
        return;
    GraphModel::UndoScope scope(*m_graph, QStringLiteral("add input"));
    m_graph->clearSelection();
    QPointF place = at;
    QList<Node*> added;
    for (const auto& input : typed) {
        auto* node = new InputNode(input.first, input.second);
        node->setCentre(place);
        m_graph->addNode(node, QStringLiteral("add input"));
        giveFileAlias(*m_graph, node);
        m_graphPane->moveClear(node);
        added << node;
        place += QPointF(0, 90);
    }
    m_graphPane->reveal(added);
    WindowSettings::instance().setPreviousPath(QFileInfo(paths.first()).absolutePath());
}

void MainWindow::onAddOutput()
{
    const QList<Node*> selected = m_graph->nodes(true);
    if (m_graph->isProcessing())
        return;
    if (selected.size() != 1 || selected.first()->maxDownstream() == 0) {
        showMessage(tr("To add an Output you need to first select just 1 Input or Transform "
                       "item in the Center pane."),
            false);
        return;
    }
    const QString start = QDir(WindowSettings::instance().previousPath())
                              .filePath(QStringLiteral("output.")
                                  + WindowSettings::instance().defaultOutputExtension());
    const QString path
        = QFileDialog::getSaveFileName(this, tr("Add Output"), start, FileFilters::outputFilters());
    if (path.isEmpty())
        return;
    Node* from = selected.first();
    GraphModel::UndoScope scope(*m_graph, QStringLiteral("add output"));
    auto* node = new OutputNode(path);
    node->setCentre(from->centre() + QPointF(0, 100));
    m_graph->addNode(node, QStringLiteral("add output"));
    giveFileAlias(*m_graph, node);
    m_graphPane->moveClear(node);
    m_graph->connectNodes(from, node);
    m_graphPane->reveal({ node });
}

void MainWindow::onContextMenu(const QPoint& globalPos, const QPointF& scenePos)
{
    QMenu menu(this);
    if (m_graph->hasSelection()) {
        for (const char* id : { "Cu&t", "&Copy", "&Delete", "Dis&connect" })
            menu.addAction(m_actions.value(QString::fromUtf8(id)));
        if (m_graph->nodes(true).size() == 1)
            menu.addAction(m_actions.value(QStringLiteral("Rena&me")));
        menu.addSeparator();
        menu.addAction(m_actions.value(QStringLiteral("Run &Selected")));
        menu.addAction(m_actions.value(QStringLiteral("&Zoom Selected")));
        menu.addSeparator();
        addExploreActions(&menu);
    }
    menu.addAction(m_actions.value(QStringLiteral("&Paste")));
    QAction* note = menu.addAction(tr("Add Note Here"));
    QAction* chosen = menu.exec(globalPos);
    if (chosen == note) {
        onAddNote();
        if (Node* added = m_graph->nodes(true).value(0))
            added->setCentre(scenePos);
    }
}

// Run

void MainWindow::onAutoRun(bool on)
{
    m_graph->setAutoRun(on);
    if (on && !m_graph->isProcessing())
        m_graph->runCommand(GraphModel::RunUnprocessed);
}

void MainWindow::onRunUnprocessed()
{
    m_graph->runCommand(GraphModel::RunUnprocessed);
}

void MainWindow::onRunSelected()
{
    OpenAutoRun::resumeSelectedOutputs(*m_graph);
    m_graph->runCommand(GraphModel::RunSelected);
}

void MainWindow::onRunAll()
{
    m_graph->runCommand(GraphModel::RunAll);
}

void MainWindow::onStopRun()
{
    const bool wasAutoRun = m_graph->autoRun();
    m_graph->stop();
    if (wasAutoRun && !m_graph->autoRun()) {
        QAction* autoRun = m_actions.value(QStringLiteral("&Auto Run"));
        const QSignalBlocker block(autoRun);
        autoRun->setChecked(false);
    }
}

void MainWindow::onAutoRunStoppedTip(const QString& tip, int milliseconds)
{
    QAction* autoRun = m_actions.value(QStringLiteral("&Auto Run"));
    {
        const QSignalBlocker block(autoRun);
        autoRun->setChecked(m_graph->autoRun());
    }
    QWidget* button = m_toolBar->widgetForAction(autoRun);
    if (button && button->isVisible())
        QToolTip::showText(
            button->mapToGlobal(button->rect().bottomLeft()), tip, button, QRect(), milliseconds);
    else
        statusBar()->showMessage(tip, milliseconds);
}

// Help

void MainWindow::onHelpLink()
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    // The help comes with the program; only support, news and updates are
    // on the web.
    static const QHash<QString, QString> local = {
        { QStringLiteral("&Help Contents"), QStringLiteral("help:contents") },
        { QStringLiteral("&Quick Start Guide"), QStringLiteral("help:quick-start") },
        { QStringLiteral("&Expert Tips"), QStringLiteral("help:tips") },
        { QStringLiteral("&Frequently Asked Questions"), QStringLiteral("help:faq") },
    };
    const QString id = m_actions.key(action);
    if (local.contains(id)) {
        QUrl url(local.value(id));
        const QList<Node*> selected = m_graph->nodes(true);
        auto* transformNode
            = selected.size() == 1 ? qobject_cast<TransformNode*>(selected.first()) : nullptr;
        if (id == QLatin1String("&Help Contents") && transformNode && transformNode->transform())
            url = HelpPages::transformUrl(transformNode->transform()->typeKey());
        auto* help = findChild<HelpWindow*>();
        if (!help)
            help = new HelpWindow(this);
        help->showPage(url);
        return;
    }
    static const QHash<QString, QString> pages = {
        { QStringLiteral("&Technical Support"), QStringLiteral("support/") },
        { QStringLiteral("Fo&rum"), QStringLiteral("forum/") },
        { QStringLiteral("&Newsletter"), QStringLiteral("newsletter/") },
        { QStringLiteral("&Introduction Video"), QStringLiteral("video/introduction/") },
        { QStringLiteral("Check For &Updates"), QStringLiteral("download/?version=%1") },
    };
    QString page = pages.value(id);
    page.replace(QStringLiteral("%1"), QApplication::applicationVersion());
    if (!QDesktopServices::openUrl(QUrl(QStringLiteral("https://www.varnix.app/") + page)))
        statusBar()->showMessage(tr("Could not open a web browser."), 4000);
}

void MainWindow::onKeyboardShortcuts()
{
    QList<QAction*> commands;
    for (QAction* a : qAsConst(m_actions)) {
        if (!a->shortcut().isEmpty())
            commands.append(a);
    }
    KeyboardShortcutsDialog dialog(commands, this);
    dialog.exec();
}

void MainWindow::onAbout()
{
    QMessageBox::about(this, tr("About Varnix"),
        tr("<h3>Varnix %1</h3><p>Clean, reshape, merge and analyse tabular data without "
           "programming.</p><p>Qt %2</p>")
            .arg(QApplication::applicationVersion(), QString::fromLatin1(qVersion())));
}
