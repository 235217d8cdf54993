#include "document/startup.h"

#include "batch/commandline.h"
#include "document/autorecovery.h"
#include "graph/graphscene.h"
#include "graph/node.h"

#include <QDir>
#include <QFileInfo>

StartupDocument chooseStartupDocument(
    const CommandLine& line, UserPrompt& prompt, int openPreviousAtStart)
{
    if (AutoRecovery::offer(prompt))
        return StartupDocument::Recovery;
    if (!line.documentPath.isEmpty())
        return StartupDocument::Named;
    if (line.newWindow)
        return StartupDocument::Nothing;
    switch (openPreviousAtStart) {
    case 1:
        return StartupDocument::Previous;
    case 2:
        return StartupDocument::RecentList;
    default:
        return StartupDocument::Nothing;
    }
}

namespace DocumentChecks {

namespace {

enum { MediumFile = 0, MediumFolder = 2 };

// The file or folder an input item reads; empty for pasted text.
QString inputLocation(const Node& input)
{
    const QVariantMap options = input.saveOptions();
    const int medium = options.value(QStringLiteral("medium")).toInt();
    if (medium == MediumFile)
        return options.value(QStringLiteral("path")).toString();
    if (medium == MediumFolder)
        return options.value(QStringLiteral("multi_file_folder")).toString();
    return QString();
}

} // namespace

bool readsFolder(const Node& input)
{
    return input.saveOptions().value(QStringLiteral("medium")).toInt() == MediumFolder;
}

QList<Node*> inputsWithMissingFiles(const GraphScene& scene)
{
    QList<Node*> missing;
    for (Node* n : scene.nodes()) {
        if (n->type() != InputNodeType)
            continue;
        const QString path = inputLocation(*n);
        if (path.isEmpty())
            continue;
        const QFileInfo info(path);
        if (!(readsFolder(*n) ? info.isDir() : info.exists()))
            missing.append(n);
    }
    return missing;
}

QStringList missingInputPaths(const GraphScene& scene)
{
    QStringList missing;
    for (const Node* n : inputsWithMissingFiles(scene)) {
        const QString native
            = QDir::toNativeSeparators(QFileInfo(inputLocation(*n)).absoluteFilePath());
        if (!missing.contains(native))
            missing << native;
    }
    return missing;
}

QString missingInputsQuestion(const QStringList& paths)
{
    if (paths.isEmpty())
        return QString();
    const int shown = 5;
    QStringList listed = paths.mid(0, shown);
    if (paths.size() > shown)
        listed << QStringLiteral("+ %1 more").arg(paths.size() - shown);
    const QString list = listed.join(QLatin1Char('\n'));
    if (paths.size() == 1) {
        return QStringLiteral("The following input file cannot be found:\n\n%1\n\nDo you wish to "
                              "choose a new input file?")
            .arg(list);
    }
    return QStringLiteral("The following %1 input files cannot be found:\n\n%2\n\nDo you wish to "
                          "choose new input files?")
        .arg(paths.size())
        .arg(list);
}

QString newerReleaseWarning()
{
    return QStringLiteral(
        "This document was created with a later version of the software.\nSome information may "
        "not be readable and information may be lost if you overwrite the existing "
        "document.\nIt is recommended that you click 'Save' and save to a new document before "
        "continuing.");
}

} // namespace DocumentChecks
