#include "batch/commandlinerun.h"

#include "batch/commandlinereport.h"
#include "batch/drift.h"
#include "batch/runrecordbuilder.h"
#include "batch/runreport.h"
#include "core/values.h"
#include "document/documentlocale.h"
#include "document/documentreader.h"
#include "document/documentwriter.h"
#include "document/startup.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/node.h"
#include "graph/outputnode.h"
#include "graph/rundeadline.h"
#include "output/outputfile.h"
#include "transforms/support/columnprofile.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSysInfo>

#include <memory>

namespace {

QString nativeAbsolute(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QList<Node*> nodesOfType(const GraphModel& scene, int type)
{
    QList<Node*> list;
    for (Node* n : scene.nodes()) {
        if (n->type() == type)
            list.append(n);
    }
    return list;
}

QList<Node*> withAlias(const GraphModel& scene, int type, const QString& alias)
{
    QList<Node*> list;
    for (Node* n : nodesOfType(scene, type)) {
        if (n->saveOptions().value(QStringLiteral("alias")).toString().trimmed() == alias)
            list.append(n);
    }
    return list;
}

void setOption(Node* node, const QString& key, const QString& value)
{
    QVariantMap options = node->saveOptions();
    options.insert(key, value);
    node->restoreOptions(options);
    node->setStatus(StatusNeedsUpdating, true);
}

// Points the inputs with the alias at the value; the fatal message when the
// file or folder is missing.
// A relative path typed on the command line is the shell's, from the
// current folder; the Input would take it from the document's folder.
QString assignToInputs(const QList<Node*>& inputs, const QString& typed)
{
    const QString value = QFileInfo(typed).isRelative() && QFileInfo::exists(typed)
        ? QFileInfo(typed).absoluteFilePath()
        : typed;
    for (Node* input : inputs) {
        const int medium = input->saveOptions().value(QStringLiteral("medium")).toInt();
        if (medium == MediumFolder) {
            if (!QFileInfo(value).isDir())
                return QStringLiteral("Folder '%1' does not exist").arg(value);
            setOption(input, QStringLiteral("multi_file_folder"), value);
        } else {
            if (!QFileInfo(value).isFile())
                return QStringLiteral("File '%1' does not exist").arg(value);
            setOption(input, QStringLiteral("path"), value);
        }
    }
    return QString();
}

} // namespace

CommandLineRun::CommandLineRun(const CommandLine& line, CommandLineReport& report)
    : m_line(line), m_report(report)
{
}

QString CommandLineRun::versionLine()
{
    return QStringLiteral("Version: %1 %2")
        .arg(DocumentWriter::productName(), QStringLiteral(VARNIX_VERSION));
}

QString CommandLineRun::buildLine()
{
    return QStringLiteral("Build: %1 (Qt %2, %3)")
        .arg(QStringLiteral(VARNIX_VERSION), QStringLiteral(QT_VERSION_STR), QSysInfo::buildAbi());
}

int CommandLineRun::fatal(const QString& message)
{
    m_report.error(message);
    m_report.error(QStringLiteral("Aborted processing"));
    m_report.flush();
    return ExitFatal;
}

void CommandLineRun::openLog()
{
    if (m_line.logPath.isEmpty())
        return;
    FileNameContext context = currentFileNameContext();
    if (!m_line.documentPath.isEmpty())
        context.documentPath = QFileInfo(m_line.documentPath).absoluteFilePath();
    const QString path = expandFileNameVariables(m_line.logPath, context);
    if (!m_report.openLog(path, m_line.overwriteLog))
        m_report.info(QStringLiteral("Could not open log file at '%1'").arg(nativeAbsolute(path)));
}

QString CommandLineRun::applyAssignments(GraphModel& scene, const QStringList& assignments)
{
    for (const QString& assignment : assignments) {
        const QStringList parts = assignment.split(QLatin1Char('='));
        if (parts.size() != 2)
            return QStringLiteral("Expected <alias>=<value> for %1 argument").arg(assignment);
        const QString alias = parts.at(0).trimmed();
        const QString& value = parts.at(1);
        const QList<Node*> inputs = withAlias(scene, InputNodeType, alias);
        if (!inputs.isEmpty()) {
            const QString problem = assignToInputs(inputs, value);
            if (!problem.isEmpty())
                return problem;
            continue;
        }
        // A chart's alias names the file it writes, as an output's does.
        const QList<Node*> outputs
            = withAlias(scene, OutputNodeType, alias) + withAlias(scene, ChartNodeType, alias);
        if (outputs.isEmpty())
            return QStringLiteral("Alias '%1' not recognized").arg(alias);
        for (Node* output : outputs)
            setOption(output, QStringLiteral("path"), value);
    }
    return QString();
}

int CommandLineRun::run()
{
    if (!m_line.isValid())
        return fatal(m_line.fatalError);
    openLog();
    if (m_line.verbosity > 0 || m_line.printVersion || m_line.printBuild
        || m_line.documentPath.isEmpty())
        m_report.info(QString());
    if (m_line.printVersion)
        m_report.info(versionLine());
    if (m_line.printBuild)
        m_report.info(buildLine());
    if (m_line.documentPath.isEmpty())
        return fatal(QStringLiteral("No .%1 file specified.").arg(QStringLiteral("transform")));
    if (!m_line.tempFolder.isEmpty() && !QFileInfo(m_line.tempFolder).isDir())
        return fatal(QStringLiteral("Temporary folder '%1' not found").arg(m_line.tempFolder));

    auto owned = std::make_unique<GraphModel>();
    GraphModel& scene = *owned;
    scene.runContext().setSettings(m_settings);
    bool overMemory = false;
    QObject::connect(
        &scene, &GraphModel::memoryLimitExceeded, [&overMemory] { overMemory = true; });
    DocumentInfo info;
    LoadReport loaded;
    QString error;
    if (!DocumentReader::load(m_line.documentPath, scene, &info, &loaded, &error))
        return fatal(QStringLiteral("Unable to open '%1': %2").arg(m_line.documentPath, error));
    DocumentLocale::apply(info.locale);
    const QString problem = applyAssignments(scene, m_line.assignments);
    if (!problem.isEmpty())
        return fatal(problem);
    if (m_line.verbosity >= 2) {
        m_report.info(QStringLiteral("File: '%1'").arg(nativeAbsolute(m_line.documentPath)));
        m_report.info(QStringLiteral("Started: %1").arg(RunReport::now()));
    }
    int loadWarnings = reportLoadWarnings(loaded);
    RunRecord previous;
    const bool comparing = !m_line.comparePath.isEmpty() && loadRecord(&previous);
    if (!m_line.comparePath.isEmpty() && !comparing) {
        if (m_line.failOnDrift)
            return stopBeforeWriting();
        ++loadWarnings;
    }
    QElapsedTimer stopwatch;
    stopwatch.start();
    const QDateTime started = QDateTime::currentDateTime();
    scene.setAutoRun(info.autoRun);
    // The columns are checked after the run: the Inputs keep their rows.
    scene.setKeepsResults(m_line.checkColumns);
    scene.runContext().setRecordsRun(comparing || !m_line.recordPath.isEmpty());
    scene.runContext().setTempFolder(m_line.tempFolder);
    bool timedOut = false;
    QVector<InputFacts> inputs;
    {
        const RunDeadline deadline(scene.runContext(), m_line.timeoutSeconds);
        if (!processGraph(scene, comparing ? &previous : nullptr, &inputs, &loadWarnings))
            return stopBeforeWriting();
        timedOut = deadline.expired();
    }
    const qint64 elapsed = stopwatch.elapsed();
    if (timedOut) {
        m_report.error(
            QStringLiteral("Processing stopped after %1 second(s)").arg(m_line.timeoutSeconds));
        m_report.flush();
        return ExitItemErrors;
    }
    if (overMemory) {
        m_report.error(
            QStringLiteral("%1 has exceeded the memory allocation set in 'Preferences' and will "
                           "close.")
                .arg(QStringLiteral("Varnix")));
        m_report.flush();
        return ExitItemErrors;
    }

    const int errors = reportRun(scene, elapsed, loadWarnings, inputs, started);
    if (m_leaveGraphAtExit)
        (void)owned.release();
    return errors > 0 ? ExitItemErrors : ExitOk;
}

int CommandLineRun::reportRun(const GraphModel& scene, qint64 elapsed, int warnings,
    const QVector<InputFacts>& inputs, const QDateTime& started)
{
    RunReport report(m_report, m_line.verbosity);
    report.items(scene);
    report.rowCounts(scene);
    report.addWarnings(warnings);
    if (m_line.verbosity >= 2) {
        m_report.info(QStringLiteral("Finished: %1").arg(RunReport::now()));
        report.counts(scene);
        report.overwritten(RunReport::writtenFiles(scene, OutputNodeType, false));
        report.elapsed(elapsed);
    }
    if (m_line.checkColumns)
        reportColumnTraps(scene);
    if (!m_line.recordPath.isEmpty() && !writeRecord(scene, inputs, started))
        report.addError();
    report.results();
    if (m_line.verbosity >= 2 && m_report.hasLog())
        m_report.info(QStringLiteral("Log: %1").arg(m_report.logPath()));
    m_report.flush();
    return report.errors();
}

bool CommandLineRun::processGraph(
    GraphModel& scene, const RunRecord* previous, QVector<InputFacts>* inputs, int* warnings)
{
    if (previous) {
        // The Inputs first, so that their drift is known before anything is
        // written.
        readInputsFirst(scene);
        *inputs = inputsFacts(scene);
        const int drift = reportDrift(*previous, *inputs);
        if (drift > 0 && m_line.failOnDrift)
            return false;
        *warnings += drift;
        scene.process(GraphModel::RunUnprocessed, true);
    } else if (!m_line.recordPath.isEmpty()) {
        // The Inputs' facts are worked out while the rest of the graph runs.
        InputFactsCollector collector(scene);
        scene.process(GraphModel::RunAll, true);
        *inputs = collector.take();
    } else {
        scene.process(GraphModel::RunAll, true);
    }
    return true;
}

bool CommandLineRun::loadRecord(RunRecord* record)
{
    QString error;
    if (!RunRecord::load(m_line.comparePath, record, &error)) {
        m_report.error(error);
        return false;
    }
    if (!record->isOfDocument(m_line.documentPath)) {
        m_report.error(QStringLiteral("Run record '%1' is of another document ('%2')")
                           .arg(QDir::toNativeSeparators(m_line.comparePath),
                               QDir::toNativeSeparators(record->documentPath)));
        return false;
    }
    return true;
}

// Reads every Input and nothing else: the rest of the graph runs after.
void CommandLineRun::readInputsFirst(GraphModel& scene)
{
    for (Node* n : scene.nodes())
        n->setSelected(n->type() == InputNodeType);
    scene.process(GraphModel::RunSelected, true);
    scene.clearSelection();
}

int CommandLineRun::reportDrift(const RunRecord& previous, const QVector<InputFacts>& inputs)
{
    DriftOptions options;
    options.rowsPercent = m_line.driftRowsPercent;
    const QStringList lines = driftLines(previous.inputs, inputs, options);
    for (const QString& line : lines)
        m_report.info(line);
    return int(lines.size());
}

int CommandLineRun::stopBeforeWriting()
{
    m_report.error(QStringLiteral("Stopped before writing anything (-fail-on-drift)"));
    m_report.flush();
    return ExitItemErrors;
}

bool CommandLineRun::writeRecord(
    const GraphModel& scene, const QVector<InputFacts>& inputs, const QDateTime& started)
{
    const QString path = expandFileNameVariables(m_line.recordPath, fileNameContextOf(&scene));
    const RunRecord record = buildRunRecord(scene, inputs, started, QDateTime::currentDateTime());
    QString error;
    if (record.save(path, &error))
        return true;
    m_report.error(error);
    return false;
}

// The traps in the columns of every Input that was read, a heading per
// Input that has any.
void CommandLineRun::reportColumnTraps(const GraphModel& scene)
{
    const DateFormatList dates(scene.runContext().settings().dateFormatList());
    for (const Node* input : nodesOfType(scene, InputNodeType)) {
        if (input->status() != StatusUpToDate)
            continue;
        const QStringList traps = columnTraps(input->dataset(), dates);
        if (traps.isEmpty())
            continue;
        m_report.info(QStringLiteral("Columns of '%1':").arg(input->displayName()));
        for (const QString& trap : qAsConst(traps))
            m_report.info(QStringLiteral("  ") + trap);
    }
}

// What the loader could not take over (transform types this release does not
// have, a document from a newer release) is a warning each: the run goes on
// without it, but the user must hear of it.
int CommandLineRun::reportLoadWarnings(const LoadReport& loaded)
{
    QStringList blocks;
    if (!loaded.warnings.isEmpty())
        blocks = loaded.warnings.split(QStringLiteral("\n\n"));
    if (loaded.newerRelease)
        blocks << DocumentChecks::newerReleaseWarning();
    if (m_line.verbosity < 2)
        return int(blocks.size());
    for (const QString& block : qAsConst(blocks)) {
        const QStringList lines = block.split(QLatin1Char('\n'));
        m_report.info(QStringLiteral("Warning: ") + lines.first());
        for (int i = 1; i < lines.size(); ++i)
            m_report.info(QStringLiteral("    ") + lines.at(i));
    }
    return int(blocks.size());
}
