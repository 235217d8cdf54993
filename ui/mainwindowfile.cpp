// Document commands of the main window: new, open, recent, save, new
// window, exit, and the start-up choice.

#include "core/settings.h"
#include "graph/graphscene.h"
#include "graph/ionode.h"
#include "ui/documentbridge.h"
#include "ui/graphpane.h"
#include "ui/itempane.h"
#include "ui/mainwindow.h"
#include "ui/prompts.h"
#include "ui/windowdialogs.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStatusBar>

namespace {

const QString DocumentFilter = QStringLiteral("Varnix documents (*.transform)");

// "3 hours", "2 days": the age of the recovery file in words.
QString ageInWords(const QDateTime& since)
{
    const qint64 seconds = qMax<qint64>(0, since.secsTo(QDateTime::currentDateTime()));
    const QList<QPair<qint64, QString>> units = { { 86400, QStringLiteral("day") },
                                                  { 3600, QStringLiteral("hour") },
                                                  { 60, QStringLiteral("minute") } };
    for (const auto& unit : units) {
        if (seconds >= unit.first) {
            const qint64 n = seconds / unit.first;
            return QStringLiteral("%1 %2%3").arg(n).arg(unit.second,
                                                       n == 1 ? QString() : QStringLiteral("s"));
        }
    }
    return QStringLiteral("%1 second%2").arg(seconds).arg(seconds == 1 ? "" : "s");
}

} // namespace

void MainWindow::resetDocument()
{
    m_itemPane->setNode(nullptr);
    // A fresh scene, so the undo history of the previous document goes too.
    GraphScene* old = m_graph;
    disconnect(old, nullptr, this, nullptr);
    m_graph = new GraphScene(this);
    m_graph->setAutoRun(old->autoRun());
    m_graph->setPrompt(m_prompt.get());
    m_graphPane->setGraph(m_graph);
    wireGraph();
    delete old;
    m_documentPath.clear();
    m_notes.clear();
    m_redoLabels.clear();
    m_log->clear();
    m_graphPane->resetTransform();
    m_graphPane->onGraphChanged();
    updateEditActions();
    setModified(false);
}

bool MainWindow::maybeSave()
{
    if (!isWindowModified() || m_graph->nodes().isEmpty())
        return true;
    const QString name = m_documentPath.isEmpty() ? tr("Untitled")
                                                  : QFileInfo(m_documentPath).fileName();
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Varnix"), tr("Save changes to '%1'?").arg(name),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Save) {
        if (m_documentPath.isEmpty()) {
            onSaveAs();
            return !isWindowModified();
        }
        return saveTo(m_documentPath);
    }
    return true;
}

void MainWindow::onNew()
{
    if (m_graph->isProcessing() || !maybeSave())
        return;
    resetDocument();
}

void MainWindow::onOpen()
{
    if (m_graph->isProcessing() || !maybeSave())
        return;
    const QString start = m_documentPath.isEmpty() ? Settings::instance().previousPath()
                                                   : QFileInfo(m_documentPath).absolutePath();
    const QString path = QFileDialog::getOpenFileName(this, tr("Open"), start, DocumentFilter);
    if (!path.isEmpty())
        loadFrom(path);
}

void MainWindow::onOpenRecent()
{
    RecentDocumentsDialog dialog(Settings::instance().recentDocuments(), this);
    if (dialog.exec() != QDialog::Accepted || dialog.chosenPath().isEmpty())
        return;
    if (!m_graph->isProcessing() && maybeSave())
        loadFrom(dialog.chosenPath());
}

void MainWindow::onSave()
{
    if (m_documentPath.isEmpty())
        onSaveAs();
    else
        saveTo(m_documentPath);
}

void MainWindow::onSaveAs()
{
    QString start = m_documentPath;
    if (start.isEmpty())
        start = QDir(Settings::instance().previousPath()).filePath(tr("Untitled.transform"));
    QString path = QFileDialog::getSaveFileName(this, tr("Save As"), start, DocumentFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".transform");
    saveTo(path);
}

bool MainWindow::saveTo(const QString& path)
{
    const QString error
        = DocumentBridge::save(*m_graph, path, m_notes, m_graphPane->snapToGrid(), m_graph->autoRun());
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (!error.isEmpty()) {
        showMessage(QStringLiteral("Unable to save '%1'. %2").arg(native, error), true);
        return false;
    }
    m_documentPath = QFileInfo(path).absoluteFilePath();
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(native), 4000);
    addRecent(m_documentPath);
    QFile::remove(DocumentBridge::recoveryPath());
    setModified(false);
    return true;
}

bool MainWindow::loadFrom(const QString& path)
{
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    statusBar()->showMessage(QStringLiteral("Loading %1").arg(native), 2000);
    resetDocument();
    DocumentBridge::Loaded loaded;
    const QString error = DocumentBridge::load(path, *m_graph, &loaded);
    if (!error.isEmpty()) {
        showMessage(error, true);
        return false;
    }
    m_documentPath = QFileInfo(path).absoluteFilePath();
    m_notes = loaded.notes;
    for (const auto& flag : { qMakePair(QStringLiteral("Snap To &Grid"), loaded.snapToGrid),
                              qMakePair(QStringLiteral("&Auto Run"), loaded.autoRun) }) {
        QAction* a = m_actions.value(flag.first);
        const QSignalBlocker block(a);
        a->setChecked(flag.second);
    }
    m_graphPane->setSnapToGrid(loaded.snapToGrid);
    m_graph->setAutoRun(loaded.autoRun);
    addRecent(m_documentPath);
    Settings::instance().setPreviousPath(QFileInfo(path).absolutePath());
    setModified(loaded.pathsRelocated);
    m_graphPane->onGraphChanged();
    m_graphPane->zoomFit();
    refreshMemoryGauge();
    if (!loaded.warnings.isEmpty())
        showMessage(loaded.warnings, true);
    if (loaded.newerVersion)
        showMessage(QStringLiteral(
                        "This document was created with a later version of the software.\nSome "
                        "information may not be readable and information may be lost if you "
                        "overwrite the existing document.\nIt is recommended that you click "
                        "'Save' and save to a new document before continuing."),
                    true);
    checkMissingInputs();
    if (m_graph->autoRun())
        m_graph->runCommand(GraphScene::RunUnprocessed);
    return true;
}

void MainWindow::checkMissingInputs()
{
    QList<IONode*> missing;
    QStringList paths;
    for (Node* n : m_graph->nodes()) {
        auto* input = qobject_cast<IONode*>(n);
        if (!input || n->type() != InputNodeType || input->filePath().isEmpty()
            || QFileInfo::exists(input->filePath()))
            continue;
        missing.append(input);
        const QString native = QDir::toNativeSeparators(input->filePath());
        if (!paths.contains(native))
            paths << native;
    }
    if (missing.isEmpty())
        return;
    QStringList listed = paths.mid(0, 5);
    if (paths.size() > 5)
        listed << QStringLiteral("+ %1 more").arg(paths.size() - 5);
    const QString question = paths.size() == 1
        ? QStringLiteral("The following input file cannot be found:\n\n%1\n\nDo you wish to "
                         "choose a new input file?")
              .arg(listed.join(QLatin1Char('\n')))
        : QStringLiteral("The following %1 input files cannot be found:\n\n%2\n\nDo you wish to "
                         "choose new input files?")
              .arg(paths.size())
              .arg(listed.join(QLatin1Char('\n')));
    m_lastMessage = question;
    if (m_quietMessages
        || QMessageBox::question(this, QStringLiteral("Varnix"), question,
                                 QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
        return;
    for (IONode* input : qAsConst(missing)) {
        QVariantMap options = input->saveOptions();
        const QString alias = options.value(QStringLiteral("alias")).toString();
        const QString chosen = QFileDialog::getOpenFileName(
            this, QStringLiteral("Input alias=%1").arg(alias), input->filePath());
        if (chosen.isEmpty())
            continue;
        GraphScene::UndoScope scope(
            *m_graph, QStringLiteral("input file (previously '%1')")
                          .arg(QDir::toNativeSeparators(input->filePath())));
        options.insert(QStringLiteral("path"), chosen);
        input->restoreOptions(options);
        input->setFilePath(chosen);
        m_graph->onSourceChanged(input);
        setModified(true);
    }
}

void MainWindow::addRecent(const QString& path)
{
    QStringList recent = Settings::instance().recentDocuments();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > MaxRecentDocuments)
        recent.removeLast();
    Settings::instance().setRecentDocuments(recent);
    rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu()
{
    m_recentMenu->clear();
    const QStringList recent = Settings::instance().recentDocuments();
    int number = 1;
    for (const QString& path : recent) {
        QAction* a = m_recentMenu->addAction(
            QStringLiteral("&%1 %2").arg(number++).arg(QDir::toNativeSeparators(path)));
        a->setEnabled(QFileInfo::exists(path));
        connect(a, &QAction::triggered, this, [this, path] {
            if (!m_graph->isProcessing() && maybeSave())
                loadFrom(path);
        });
    }
    m_recentMenu->setEnabled(!recent.isEmpty());
}

void MainWindow::onCommandLine()
{
    CommandLineDialog dialog(m_documentPath, isWindowModified(), this);
    dialog.exec();
}

void MainWindow::onNewWindow()
{
    if (!QProcess::startDetached(QApplication::applicationFilePath(),
                                 { QStringLiteral("-new_window") }))
        showMessage(tr("Could not start a new window."), true);
}

void MainWindow::onExit()
{
    close();
}

void MainWindow::openAtStart(const QString& documentPath, bool newWindow)
{
    const QString recovery = DocumentBridge::recoveryPath();
    const QFileInfo recoveryFile(recovery);
    if (DocumentBridge::available() && recoveryFile.exists()
        && DocumentBridge::runningInstances() <= 1) {
        const QString question
            = QStringLiteral("An automatic recovery file was created %1 ago. Do you wish to open "
                             "it?")
                  .arg(ageInWords(recoveryFile.lastModified()));
        if (QMessageBox::question(this, QStringLiteral("Varnix"), question,
                                  QMessageBox::Ok | QMessageBox::Cancel)
            == QMessageBox::Ok) {
            if (loadFrom(recovery)) {
                // The recovered work has no file of its own yet.
                m_documentPath.clear();
                setModified(true);
            }
            return;
        }
    }
    if (!documentPath.isEmpty()) {
        loadFrom(documentPath);
        return;
    }
    if (newWindow)
        return;
    const QStringList recent = Settings::instance().recentDocuments();
    const int atStart = Settings::instance().openPreviousAtStart();
    if (atStart == 1 && !recent.isEmpty() && QFileInfo::exists(recent.first()))
        loadFrom(recent.first());
    else if (atStart == 2 && !recent.isEmpty())
        onOpenRecent();
}
