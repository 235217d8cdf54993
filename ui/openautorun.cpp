#include "ui/openautorun.h"

#include "graph/graphmodel.h"
#include "graph/outputnode.h"

#include <QMessageBox>

#include <algorithm>

namespace OpenAutoRun {

namespace {

bool ask(QWidget* parent, const QString& question)
{
    return QMessageBox::question(parent, QStringLiteral("Varnix"), question,
               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

QList<OutputNode*> outputs(GraphModel& graph, bool selectedOnly)
{
    QList<OutputNode*> found;
    for (Node* n : graph.nodes(selectedOnly)) {
        if (auto* output = qobject_cast<OutputNode*>(n))
            found << output;
    }
    return found;
}

} // namespace

bool apply(GraphModel& graph, int choice, QWidget* parent)
{
    if (!graph.autoRun() || choice == LeaveEnabled)
        return graph.autoRun();
    // Nothing to overwrite: no question.
    const QList<Node*> nodes = graph.nodes();
    const bool writes
        = std::any_of(nodes.begin(), nodes.end(), [](const Node* n) { return writesFiles(*n); });
    if ((choice == PromptDisableAutoRun || choice == PromptDisableOutputs) && !writes)
        return true;
    const QList<OutputNode*> outs = outputs(graph, false);
    bool disableRun = choice == DisableAutoRun;
    bool pauseOutputs = choice == DisableOutputs && !outs.isEmpty();
    if (choice == PromptDisableAutoRun)
        disableRun = ask(parent,
            QStringLiteral("This document runs automatically when it is opened, which may "
                           "overwrite its output files.\n\nTurn auto run off?"));
    else if (choice == PromptDisableOutputs && !outs.isEmpty())
        pauseOutputs = ask(parent,
            QStringLiteral("This document runs automatically when it is opened, which may "
                           "overwrite its %1 output file(s).\n\nPause its outputs? A paused "
                           "output writes when you select it and use 'Run Selected'.")
                .arg(outs.size()));
    if (disableRun)
        graph.setAutoRun(false);
    if (pauseOutputs) {
        for (OutputNode* output : outs)
            output->setWritingPaused(true);
    }
    return graph.autoRun();
}

void resumeSelectedOutputs(GraphModel& graph)
{
    for (OutputNode* output : outputs(graph, true))
        output->setWritingPaused(false);
}

} // namespace OpenAutoRun
