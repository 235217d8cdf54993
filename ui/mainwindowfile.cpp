// Document commands of the main window: new, open, recent, save, new
// window, exit, and the start-up choice.

#include "batch/commandlinerun.h"
#include "batch/driftwatch.h"
#include "document/autorecovery.h"
#include "document/documentlocale.h"
#include "document/documentreader.h"
#include "document/documentwriter.h"
#include "document/startup.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/ionode.h"
#include "graph/outputnode.h"
#include "ui/commandlinedialog.h"
#include "ui/filefilters.h"
#include "ui/graphpane.h"
#include "ui/itempane.h"
#include "ui/mainwindow.h"
#include "ui/openautorun.h"
#include "ui/prompts.h"
#include "ui/windowdialogs.h"
#include "ui/windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStatusBar>

namespace {

const QString DocumentFilter = QStringLiteral("Varnix documents (*.transform)");

} // namespace

void MainWindow::resetDocument()
{
    m_itemPane->setNode(nullptr);
    // A fresh scene, so the undo history of the previous document goes too.
    GraphModel* old = m_graph;
    disconnect(old, nullptr, this, nullptr);
    m_graph = new GraphModel(this);
    m_graph->setPrompt(m_prompt.get());
    m_graphPane->setGraph(m_graph);
    wireGraph();
    delete old;
    m_held.close();
    m_documentPath.clear();
    // Nothing of the previous document's choices carries over: auto run and
    // snapping start as a new document has them.
    m_info = DocumentInfo();
    applyDocumentFlags();
    // A new document starts in the locale of the preferences.
    WindowSettings::instance().apply();
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
    const QString name
        = m_documentPath.isEmpty() ? tr("Untitled") : QFileInfo(m_documentPath).fileName();
    const auto answer = QMessageBox::question(this, QStringLiteral("Varnix"),
        tr("Save changes to '%1'?").arg(name),
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
    const QString start = m_documentPath.isEmpty() ? WindowSettings::instance().previousPath()
                                                   : QFileInfo(m_documentPath).absolutePath();
    const QString path = QFileDialog::getOpenFileName(this, tr("Open"), start, DocumentFilter);
    if (!path.isEmpty())
        loadFrom(path);
}

void MainWindow::onOpenRecent()
{
    RecentDocumentsDialog dialog(WindowSettings::instance().recentDocuments(), this);
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
        start = QDir(WindowSettings::instance().previousPath()).filePath(tr("Untitled.transform"));
    QString path = QFileDialog::getSaveFileName(this, tr("Save As"), start, DocumentFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".transform");
    saveTo(path);
}

bool MainWindow::saveTo(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString native = QDir::toNativeSeparators(absolute);
    m_info.snapToGrid = m_graphPane->snapToGrid();
    m_info.autoRun = m_graph->autoRun();
    // The held file is rewritten in place; a new name is saved atomically
    // and then held in its turn.
    const bool sameFile
        = m_held.isOpen() && QFileInfo(m_held.path()).absoluteFilePath() == absolute;
    if (!sameFile)
        m_held.close();
    anchorRelativeInputs(*m_graph, absolute);
    SaveOptions options;
    options.heldFile = sameFile ? m_held.file() : nullptr;
    QString error;
    if (!DocumentWriter::save(*m_graph, absolute, m_info, options, &error)) {
        showMessage(QStringLiteral("Unable to save '%1'. %2").arg(native, error), true);
        return false;
    }
    if (!sameFile)
        m_held.open(absolute);
    m_documentPath = absolute;
    m_graph->setDocumentPath(absolute);
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(native), 4000);
    addRecent(m_documentPath);
    AutoRecovery::remove();
    setModified(false);
    return true;
}

bool MainWindow::loadFrom(const QString& path, bool hold)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString native = QDir::toNativeSeparators(absolute);
    resetDocument();
    if (hold && !m_held.openForEditing(absolute, *m_prompt))
        return false;
    statusBar()->showMessage(QStringLiteral("Loading %1").arg(native), 2000);
    DocumentInfo info;
    LoadReport report;
    QString error;
    if (!DocumentReader::load(absolute, *m_graph, &info, &report, &error)) {
        m_held.close();
        resetDocument();
        showMessage(error, true);
        return false;
    }
    m_info = info;
    m_documentPath = absolute;
    const QString previousLocale = QLocale().name();
    if (DocumentLocale::apply(info.locale) && QLocale().name() != previousLocale
        && WindowSettings::instance().warnOnLocaleChange())
        appendLog(QStringLiteral("Locale set to %1, the locale this document was saved with")
                      .arg(QLocale().name()));
    applyDocumentFlags();
    addRecent(m_documentPath);
    WindowSettings::instance().setPreviousPath(QFileInfo(absolute).absolutePath());
    setModified(report.relocated);
    m_graphPane->onGraphChanged();
    m_graphPane->zoomFit();
    refreshMemoryGauge();
    if (!report.warnings.isEmpty()) {
        appendLog(report.warnings);
        showMessage(report.warnings, true);
    }
    if (report.newerRelease)
        showMessage(
            QStringLiteral("This document was created with a later version of the software.\nSome "
                           "information may not be readable and information may be lost if you "
                           "overwrite the existing document.\nIt is recommended that you click "
                           "'Save' and save to a new document before continuing."),
            true);
    checkMissingInputs();
    // A quiet window (scripted use) asks nothing: the choices that would ask
    // leave auto run as the document has it.
    int openChoice = WindowSettings::instance().openAutoRun();
    if (m_quietMessages
        && (openChoice == OpenAutoRun::PromptDisableAutoRun
            || openChoice == OpenAutoRun::PromptDisableOutputs))
        openChoice = OpenAutoRun::LeaveEnabled;
    if (OpenAutoRun::apply(*m_graph, openChoice, this))
        m_graph->runCommand(GraphModel::RunUnprocessed);
    // The answer may have turned auto run off.
    QAction* autoRun = m_actions.value(QStringLiteral("&Auto Run"));
    const QSignalBlocker block(autoRun);
    autoRun->setChecked(m_graph->autoRun());
    return true;
}

void MainWindow::applyDocumentFlags()
{
    for (const auto& flag : { qMakePair(QStringLiteral("Snap To &Grid"), m_info.snapToGrid),
             qMakePair(QStringLiteral("&Auto Run"), m_info.autoRun) }) {
        QAction* a = m_actions.value(flag.first);
        const QSignalBlocker block(a);
        a->setChecked(flag.second);
    }
    m_graphPane->setSnapToGrid(m_info.snapToGrid);
    m_graph->setAutoRun(m_info.autoRun);
}

void MainWindow::checkMissingInputs()
{
    const QList<Node*> missing = DocumentChecks::inputsWithMissingFiles(*m_graph);
    if (missing.isEmpty())
        return;
    const QString question
        = DocumentChecks::missingInputsQuestion(DocumentChecks::locationsOf(missing));
    m_lastMessage = question;
    if (m_quietMessages
        || QMessageBox::question(
               this, QStringLiteral("Varnix"), question, QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
        return;
    for (Node* node : missing)
        chooseNewInputLocation(node);
}

void MainWindow::chooseNewInputLocation(Node* input)
{
    const bool folder = DocumentChecks::readsFolder(*input);
    QVariantMap options = input->saveOptions();
    const QString key = folder ? QStringLiteral("multi_file_folder") : QStringLiteral("path");
    const QString previous = options.value(key).toString();
    const QString title
        = QStringLiteral("Input alias=%1").arg(options.value(QStringLiteral("alias")).toString());
    const QString chosen = folder
        // Opened at the missing folder's parent: the folder itself cannot be shown.
        ? QFileDialog::getExistingDirectory(this, title, QFileInfo(previous).absolutePath())
        : QFileDialog::getOpenFileName(this, title, previous, FileFilters::inputFilters());
    if (chosen.isEmpty())
        return;
    GraphModel::UndoScope scope(*m_graph,
        QStringLiteral("input file (previously '%1')").arg(QDir::toNativeSeparators(previous)));
    options.insert(key, chosen);
    input->restoreOptions(options);
    if (auto* io = qobject_cast<IONode*>(input); io && !folder)
        io->setFilePath(chosen);
    m_graph->onSourceChanged(input);
    setModified(true);
}

void MainWindow::addRecent(const QString& path)
{
    QStringList recent = WindowSettings::instance().recentDocuments();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > MaxRecentDocuments)
        recent.removeLast();
    WindowSettings::instance().setRecentDocuments(recent);
    rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu()
{
    m_recentMenu->clear();
    const QStringList recent = WindowSettings::instance().recentDocuments();
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
    CommandLineDialog dialog(m_graph, m_documentPath, isWindowModified(), this);
    dialog.exec();
}

void MainWindow::onRunRecord()
{
    const QString start = m_documentPath.isEmpty()
        ? QString()
        : QFileInfo(m_documentPath)
              .absoluteDir()
              .filePath(QFileInfo(m_documentPath).completeBaseName() + QStringLiteral(".run.json"));
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save Run Record"), start, tr("Run records (*.json)"));
    if (path.isEmpty())
        return;
    QString error;
    if (m_driftWatch->lastRunRecord().save(path, &error))
        statusBar()->showMessage(tr("Run record saved to '%1'").arg(path), 4000);
    else
        showMessage(error, true);
}

void MainWindow::onNewWindow()
{
    if (!QProcess::startDetached(
            QApplication::applicationFilePath(), { QStringLiteral("-new_window") }))
        showMessage(tr("Could not start a new window."), true);
}

void MainWindow::onExit()
{
    close();
}

void MainWindow::openAtStart(
    const QString& documentPath, bool newWindow, const QStringList& assignments)
{
    if (AutoRecovery::offer(*m_prompt)) {
        if (loadFrom(AutoRecovery::filePath(), false)) {
            // The recovered work has no file of its own yet.
            m_documentPath.clear();
            m_graph->setDocumentPath(QString());
            setModified(true);
        }
        return;
    }
    if (!documentPath.isEmpty()) {
        if (loadFrom(documentPath) && !assignments.isEmpty()) {
            const QString error = CommandLineRun::applyAssignments(*m_graph, assignments);
            if (!error.isEmpty())
                showMessage(error, true);
        }
        return;
    }
    if (newWindow)
        return;
    const QStringList recent = WindowSettings::instance().recentDocuments();
    const int atStart = WindowSettings::instance().openPreviousAtStart();
    if (atStart == 1 && !recent.isEmpty() && QFileInfo::exists(recent.first()))
        loadFrom(recent.first());
    else if (atStart == 2 && !recent.isEmpty())
        onOpenRecent();
}

void MainWindow::writeRecoveryFile()
{
    if (!isWindowModified() || m_graph->nodes().isEmpty())
        return;
    QString error;
    if (!AutoRecovery::write(*m_graph, m_documentPath, m_info, &error))
        qWarning("%s", qPrintable(error));
}
