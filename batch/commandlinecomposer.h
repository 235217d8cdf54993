#pragma once

// Composes, for a document, the shell command that runs it without the
// window: every aliased input, output and chart pointed at its current file,
// the reporting options the user chose, and optionally a loop over the files
// of a folder. Also lists what would make the command not do what the user
// expects. The dialog only shows the result.

#include <QString>
#include <QStringList>

class GraphModel;

struct ComposerChoices
{
    enum Target { ShellCommand = 0, ShellScript = 1 };

    QString program;
    QString documentPath;
    int target = ShellCommand;
    int verbosity = 2;
    QString logPath;
    bool overwriteLog = false;
    // Looping: the input alias that takes each file in turn, the folder and
    // the wildcard. Used only when all three are set.
    QString loopAlias;
    QString loopFolder;
    QString loopPattern = QStringLiteral("*.csv");
    int pauseSeconds = 0;

    bool loops() const
    {
        return !loopAlias.isEmpty() && !loopFolder.isEmpty() && !loopPattern.isEmpty();
    }
};

struct ComposedCommand
{
    QString text;
    QStringList warnings;
    // The aliases of file inputs that the command points elsewhere: the
    // candidates for looping.
    QStringList fileInputAliases;
};

namespace CommandLineComposer {

// The text in single quotes for a POSIX shell; a quote inside becomes '\''.
QString shellQuote(const QString& text);
// A folder and a wildcard for a shell loop: the folder and the literal runs
// of the pattern quoted, the wildcard characters left for the shell.
QString shellGlob(const QString& folder, const QString& pattern);

ComposedCommand compose(
    const GraphModel& scene, const ComposerChoices& choices, bool unsavedChanges);

} // namespace CommandLineComposer
