#include "document/startup.h"

#include "document/autorecovery.h"
#include "graph/graphmodel.h"
#include "graph/node.h"

#include <QDir>
#include <QFileInfo>

StartupDocument chooseStartupDocument(
    const QString& documentPath, bool newWindow, UserPrompt& prompt, int openPreviousAtStart)
{
    if (AutoRecovery::offer(prompt))
        return StartupDocument::Recovery;
    if (!documentPath.isEmpty())
        return StartupDocument::Named;
    if (newWindow)
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

// The file or folder an input item reads (empty for pasted text), from one
// reading of its options.
struct Location
{
    QString path;
    bool folder = false;
};

Location locationOf(const Node& input)
{
    const QVariantMap options = input.saveOptions();
    const int medium = options.value(QStringLiteral("medium")).toInt();
    const GraphModel* graph = input.graph();
    auto absolute
        = [graph](const QString& path) { return graph ? graph->absolutePath(path) : path; };
    if (medium == MediumFile)
        return { absolute(options.value(QStringLiteral("path")).toString()), false };
    if (medium == MediumFolder)
        return { absolute(options.value(QStringLiteral("multi_file_folder")).toString()), true };
    return {};
}

} // namespace

bool readsFolder(const Node& input)
{
    return locationOf(input).folder;
}

QList<Node*> inputsWithMissingFiles(const GraphModel& scene)
{
    QList<Node*> missing;
    for (Node* n : scene.nodes()) {
        if (n->type() != InputNodeType)
            continue;
        const Location location = locationOf(*n);
        if (location.path.isEmpty())
            continue;
        const QFileInfo info(location.path);
        if (!(location.folder ? info.isDir() : info.exists()))
            missing.append(n);
    }
    return missing;
}

QStringList locationsOf(const QList<Node*>& inputs)
{
    QStringList paths;
    for (const Node* n : inputs) {
        const QString native
            = QDir::toNativeSeparators(QFileInfo(locationOf(*n).path).absoluteFilePath());
        if (!paths.contains(native))
            paths << native;
    }
    return paths;
}

QStringList missingInputPaths(const GraphModel& scene)
{
    return locationsOf(inputsWithMissingFiles(scene));
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
