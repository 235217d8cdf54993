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

} // namespace

bool giveFileAlias(const GraphModel& graph, Node* node)
{
    if (auto* input = qobject_cast<InputNode*>(node)) {
        if (input->medium() != MediumFile || input->filePath().trimmed().isEmpty()
            || !input->options().alias.trimmed().isEmpty())
            return false;
        InputOptions options = input->options();
        options.alias = uniqueAlias(input->filePath(), aliasesInUse(graph));
        input->setOptions(options);
        return true;
    }
    if (auto* output = qobject_cast<OutputNode*>(node)) {
        if (output->filePath().trimmed().isEmpty() || !output->options().alias.trimmed().isEmpty())
            return false;
        OutputOptions options = output->options();
        options.alias = uniqueAlias(output->filePath(), aliasesInUse(graph));
        output->setOptions(options);
        return true;
    }
    return false;
}
