#include "batch/commandlinecomposer.h"

#include "graph/graphmodel.h"
#include "graph/node.h"
#include "graph/outputnode.h"
#include "input/inputsource.h"
#include "output/outputfile.h"

#include <QSet>

namespace {

const QString KeyAlias = QStringLiteral("alias");

QString aliasOf(const Node* node)
{
    return node->saveOptions().value(KeyAlias).toString().trimmed();
}

// Whether an item of one of the kinds is reachable from the node in the
// direction given: an input that reaches no output or chart changes
// nothing, and an output that no input feeds ignores its assignment.
bool reaches(const Node* start, const QSet<int>& kinds, bool downstream)
{
    QList<const Node*> pending { start };
    QSet<const Node*> seen { start };
    while (!pending.isEmpty()) {
        const Node* node = pending.takeFirst();
        const QList<Node*> next
            = downstream ? node->downstreamNodes(false) : node->upstreamNodes(false);
        for (const Node* n : next) {
            if (kinds.contains(n->type()))
                return true;
            if (!seen.contains(n)) {
                seen.insert(n);
                pending.append(n);
            }
        }
    }
    return false;
}

struct Assignment
{
    QString option; // "file" or "folder"
    QString alias;
    QString value;
};

// Collects one kind of item: their aliases, the warnings about empty and
// repeated ones, and which aliases occur at all (for clashes between kinds).
class Gatherer
{
public:
    Gatherer(const GraphModel& scene, QStringList& warnings) : m_scene(scene), m_warnings(warnings)
    {
    }

    QList<Node*> aliased(int type, const QString& emptyWarning, const QString& repeatWarning)
    {
        QList<Node*> found;
        QSet<QString> seen;
        QSet<QString> repeated;
        bool empty = false;
        for (Node* node : m_scene.nodes()) {
            if (node->type() != type)
                continue;
            const QString alias = aliasOf(node);
            if (alias.isEmpty()) {
                empty = true;
                continue;
            }
            if (seen.contains(alias) && !repeated.contains(alias)) {
                repeated.insert(alias);
                m_warnings << repeatWarning.arg(alias);
            }
            seen.insert(alias);
            found.append(node);
        }
        if (empty)
            m_warnings << emptyWarning;
        return found;
    }

private:
    const GraphModel& m_scene;
    QStringList& m_warnings;
};

struct Gathered
{
    QList<Assignment> assignments;
    QStringList warnings;
    QStringList fileInputAliases;
    bool writes = false;
};

void gatherInputs(const GraphModel& scene, Gathered& g, QSet<QString>& inputAliases)
{
    Gatherer gatherer(scene, g.warnings);
    const QList<Node*> inputs
        = gatherer.aliased(InputNodeType, QStringLiteral("Empty input alias."),
            QStringLiteral("Input alias '%1' occurs more than once."));
    int usable = 0;
    for (const Node* input : inputs) {
        const QString alias = aliasOf(input);
        inputAliases.insert(alias);
        if (!reaches(input, { OutputNodeType, ChartNodeType }, true)) {
            g.warnings << QStringLiteral(
                "Input with alias '%1' is not connected to an output and will be ignored.")
                              .arg(alias);
            continue;
        }
        const QVariantMap options = input->saveOptions();
        const int medium = options.value(QStringLiteral("medium")).toInt();
        // Pasted text has no file to point elsewhere.
        if (medium == MediumClipboard)
            continue;
        ++usable;
        if (medium == MediumFolder) {
            g.assignments.append({ QStringLiteral("folder"), alias,
                options.value(QStringLiteral("multi_file_folder")).toString() });
        } else {
            g.assignments.append({ QStringLiteral("file"), alias,
                options.value(QStringLiteral("path")).toString() });
            if (!g.fileInputAliases.contains(alias))
                g.fileInputAliases << alias;
        }
    }
    if (usable == 0)
        g.warnings << QStringLiteral("No input aliases that can be used.");
}

void gatherOutputs(const GraphModel& scene, Gathered& g, const QSet<QString>& inputAliases)
{
    Gatherer gatherer(scene, g.warnings);
    for (const Node* node : scene.nodes()) {
        const auto* output = qobject_cast<const OutputNode*>(node);
        if (output && output->options().writeMode != WriteModeDisabled)
            g.writes = true;
    }
    const QList<Node*> outputs
        = gatherer.aliased(OutputNodeType, QStringLiteral("Empty output alias"),
            QStringLiteral("Output alias '%1' occurs more than once."));
    for (const Node* node : outputs) {
        const auto* output = qobject_cast<const OutputNode*>(node);
        const QString alias = aliasOf(node);
        if (inputAliases.contains(alias)) {
            // The command line gives a shared alias to the input.
            g.warnings << QStringLiteral("Alias '%1' occurs for both input and output.").arg(alias);
            continue;
        }
        if (output && output->options().files == OutputFilesFromColumn
            && !output->filesColumn().isSet())
            g.warnings << QStringLiteral(
                "Files column not set for multi-file output with alias '%1'.")
                              .arg(alias);
        if (!reaches(node, { InputNodeType }, false)) {
            g.warnings << QStringLiteral(
                "Output with alias '%1' is not connected to an input and will be ignored.")
                              .arg(alias);
            continue;
        }
        if (output && output->options().writeMode == WriteModeDisabled) {
            g.warnings << QStringLiteral(
                "Output with alias '%1' has 'Write mode'='%2' and will be ignored.")
                              .arg(alias, writeModeName(WriteModeDisabled));
            continue;
        }
        g.assignments.append({ QStringLiteral("file"), alias,
            output ? output->filePath()
                   : node->saveOptions().value(QStringLiteral("path")).toString() });
    }
}

// Chart items are read through their generic options only, so that any
// chart kind with an "alias" and a "path" takes part.
void gatherCharts(const GraphModel& scene, Gathered& g, const QSet<QString>& inputAliases)
{
    Gatherer gatherer(scene, g.warnings);
    bool anyChart = false;
    for (const Node* node : scene.nodes())
        anyChart = anyChart || node->type() == ChartNodeType;
    g.writes = g.writes || anyChart;
    const QList<Node*> charts = gatherer.aliased(ChartNodeType, QStringLiteral("Empty chart alias"),
        QStringLiteral("Chart alias '%1' occurs more than once."));
    for (const Node* chart : charts) {
        const QString alias = aliasOf(chart);
        if (inputAliases.contains(alias)) {
            g.warnings
                << QStringLiteral("Alias '%1' occurs for both Input and Chart items.").arg(alias);
            continue;
        }
        if (!reaches(chart, { InputNodeType }, false)) {
            g.warnings << QStringLiteral(
                "Chart with alias '%1' is not connected to an Input item and will be ignored.")
                              .arg(alias);
            continue;
        }
        g.assignments.append({ QStringLiteral("file"), alias,
            chart->saveOptions().value(QStringLiteral("path")).toString() });
    }
}

const QString LoopVariable = QStringLiteral("\"$f\"");

QString command(const ComposerChoices& c, const QList<Assignment>& assignments)
{
    using CommandLineComposer::shellQuote;
    QStringList words { shellQuote(c.program), shellQuote(c.documentPath) };
    // The command line points every item sharing an alias at the one value,
    // so each alias is assigned once, from the first item that holds it.
    QSet<QString> assigned;
    for (const Assignment& a : assignments) {
        if (assigned.contains(a.alias))
            continue;
        assigned.insert(a.alias);
        words << QStringLiteral("-") + a.option;
        if (c.loops() && a.option == QLatin1String("file") && a.alias == c.loopAlias)
            words << shellQuote(a.alias + QLatin1Char('=')) + LoopVariable;
        else
            words << shellQuote(a.alias + QLatin1Char('=') + a.value);
    }
    words << QStringLiteral("-cli") << QStringLiteral("-verbosity") << QString::number(c.verbosity);
    if (!c.logPath.isEmpty()) {
        words << QStringLiteral("-log") << shellQuote(c.logPath);
        if (c.overwriteLog)
            words << QStringLiteral("-overwrite");
    }
    return words.join(QLatin1Char(' '));
}

QString wrap(const ComposerChoices& c, const QString& line)
{
    const bool script = c.target == ComposerChoices::ShellScript;
    const QString shebang = QStringLiteral("#!/bin/sh\n");
    if (!c.loops())
        return script ? QString(shebang + line + QLatin1Char('\n')) : line;
    QStringList body;
    // An unmatched wildcard stays as the literal pattern in the loop.
    body << QStringLiteral("[ -e %1 ] || continue").arg(LoopVariable) << line;
    if (c.pauseSeconds > 0)
        body << QStringLiteral("sleep %1").arg(c.pauseSeconds);
    const QString head = QStringLiteral("for f in %1; do")
                             .arg(CommandLineComposer::shellGlob(c.loopFolder, c.loopPattern));
    if (!script)
        return head + QLatin1Char(' ') + body.join(QStringLiteral("; ")) + QStringLiteral("; done");
    return shebang + head + QStringLiteral("\n    ") + body.join(QStringLiteral("\n    "))
        + QStringLiteral("\ndone\n");
}

} // namespace

namespace CommandLineComposer {

QString shellQuote(const QString& text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QString shellGlob(const QString& folder, const QString& pattern)
{
    QString glob = shellQuote(folder) + QLatin1Char('/');
    QString literal;
    for (const QChar ch : pattern) {
        if (ch == QLatin1Char('*') || ch == QLatin1Char('?')) {
            if (!literal.isEmpty())
                glob += shellQuote(literal);
            literal.clear();
            glob += ch;
        } else {
            literal += ch;
        }
    }
    if (!literal.isEmpty())
        glob += shellQuote(literal);
    return glob;
}

ComposedCommand compose(
    const GraphModel& scene, const ComposerChoices& choices, bool unsavedChanges)
{
    Gathered g;
    QSet<QString> inputAliases;
    gatherInputs(scene, g, inputAliases);
    gatherOutputs(scene, g, inputAliases);
    gatherCharts(scene, g, inputAliases);
    if (!g.writes)
        g.warnings
            << QStringLiteral("No %1 are written to.").arg(QStringLiteral("Output/Chart items"));
    if (unsavedChanges)
        g.warnings << QStringLiteral("This .transform file has unsaved changes.");

    ComposerChoices c = choices;
    if (!g.fileInputAliases.contains(c.loopAlias))
        c.loopAlias.clear();
    ComposedCommand result;
    result.text = wrap(c, command(c, g.assignments));
    result.warnings = g.warnings;
    result.fileInputAliases = g.fileInputAliases;
    return result;
}

} // namespace CommandLineComposer
