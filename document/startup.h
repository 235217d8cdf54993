#pragma once

// What an interactive start opens, and the checks made right after a
// document is loaded.

#include <QList>
#include <QString>
#include <QStringList>

class GraphModel;
class UserPrompt;

enum class StartupDocument {
    Recovery, // the auto-recovery file
    Named, // the document named on the command line
    Previous, // the most recently used document
    RecentList, // the list of recent documents is shown
    Nothing
};

// Offers the auto-recovery file first (see AutoRecovery::offer), then the
// document named on the command line, then (unless a new window was asked for) what the
// open_previous_at_start preference says: 0 nothing, 1 the previous
// document, 2 the recent list.
StartupDocument chooseStartupDocument(
    const QString& documentPath, bool newWindow, UserPrompt& prompt, int openPreviousAtStart);

class Node;

namespace DocumentChecks {

// The input items whose file (file inputs) or folder (folder inputs) does not
// exist, in canvas order.
QList<Node*> inputsWithMissingFiles(const GraphModel& scene);
// The files and folders of these input items, absolute, with native
// separators, without repeats.
QStringList locationsOf(const QList<Node*>& inputs);
// Whether the item reads a folder of files rather than one file.
bool readsFolder(const Node& input);
// The files of file inputs and the folders of folder inputs that do not
// exist, without repeats, in canvas order.
QStringList missingInputPaths(const GraphModel& scene);
// The question offering to choose new files; empty for no paths.
QString missingInputsQuestion(const QStringList& paths);
// Shown after loading a document from a newer release.
QString newerReleaseWarning();

} // namespace DocumentChecks
