#include "graph/aliases.h"

#include "graph/chartnode.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"

#include <QFileInfo>

QString uniqueAlias(const QString& path, const QSet<QString>& used)
{
    const QString stem = QFileInfo(path.trimmed()).completeBaseName();
    QString alias = stem;
    for (int n = 2; used.contains(alias) || alias.isEmpty(); ++n)
        alias = stem + QLatin1Char('_') + QString::number(n);
    return alias;
}

namespace {

// Inputs and Outputs share one name space on the command line (an Input
// wins), so a new alias must differ from both; charts' too.
QSet<QString> aliasesInUse(const GraphModel& graph)
{
    QSet<QString> used;
    for (const Node* node : graph.nodes()) {
        if (const auto* input = qobject_cast<const InputNode*>(node))
            used.insert(input->options().alias.trimmed());
        else if (const auto* output = qobject_cast<const OutputNode*>(node))
            used.insert(output->options().alias.trimmed());
        else if (node->type() == ChartNodeType)
            used.insert(node->saveOptions().value(QStringLiteral("alias")).toString().trimmed());
    }
    return used;
}

template <class FileItem> bool nameAfterFile(const GraphModel& graph, FileItem* item)
{
    if (item->filePath().trimmed().isEmpty() || !item->options().alias.trimmed().isEmpty())
        return false;
    auto options = item->options();
    options.alias = uniqueAlias(item->filePath(), aliasesInUse(graph));
    item->setOptions(options);
    return true;
}

} // namespace

bool giveFileAlias(const GraphModel& graph, Node* node)
{
    if (auto* input = qobject_cast<InputNode*>(node))
        return input->medium() == MediumFile && nameAfterFile(graph, input);
    if (auto* output = qobject_cast<OutputNode*>(node))
        return nameAfterFile(graph, output);
    return false;
}
