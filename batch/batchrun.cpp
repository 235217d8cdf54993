#include "batch/batchrun.h"

#include "batch/runrecordbuilder.h"
#include "batch/runreport.h"
#include "core/filetypes.h"
#include "graph/graphmodel.h"
#include "graph/node.h"
#include "graph/outputnode.h"
#include "input/inputformat.h"
#include "output/outputformat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace {

// The stored values of the options a batch changes.
const QString KeyPath = QStringLiteral("path");
const QString KeyMedium = QStringLiteral("medium");
const QString KeyFolder = QStringLiteral("multi_file_folder");
const QString KeySheet = QStringLiteral("worksheet");
const QString KeyWriteMode = QStringLiteral("enable_output");
const QString KeyFiles = QStringLiteral("single_or_multi");
const QString KeyFileType = QStringLiteral("file_type");
constexpr int MediumFileValue = 0;
constexpr int MediumFolderValue = 2;
constexpr int WriteModeAppendValue = 2;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool isFolderInput(const Node& node)
{
    return node.saveOptions().value(KeyMedium).toInt() == MediumFolderValue;
}

} // namespace

// Each line goes to the log file, when one is open, and to the window.
class BatchRun::Sink : public ReportSink
{
public:
    explicit Sink(BatchRun& run) : m_run(run) { }
    void info(const QString& line) override
    {
        m_run.m_log.info(line);
        emit m_run.reported(line, false);
    }
    void error(const QString& line) override
    {
        m_run.m_log.error(line);
        emit m_run.reported(line, true);
    }

private:
    BatchRun& m_run;
};

namespace {

// The sheets a workbook input could read, whichever of the two formats the
// file turns out to be.
QStringList workbookSheets(const QString& workbook)
{
    QStringList sheets = inputFormat(FileTypeExcelXlsx)->listSheets(workbook, QString());
    if (sheets.isEmpty())
        sheets = inputFormat(FileTypeExcelXls)->listSheets(workbook, QString());
    return sheets;
}

} // namespace

BatchRun::BatchRun(GraphModel& scene, QObject* parent)
    : QObject(parent),
      m_scene(scene),
      m_sheetLister(workbookSheets),
      m_sink(new Sink(*this)),
      m_log(nullptr, nullptr)
{
}

BatchRun::~BatchRun() = default;

void BatchRun::info(const QString& line)
{
    m_sink->info(line);
}

void BatchRun::error(const QString& line)
{
    m_sink->error(line);
}

void BatchRun::run()
{
    if (m_running || m_scene.isProcessing())
        return;
    m_running = true;
    m_stopRequested = m_stopReported = false;
    m_runs = m_runsWithErrors = m_errors = m_warnings = 0;
    m_cleared.clear();
    m_overwrites.clear();
    QElapsedTimer total;
    total.start();
    openLog();
    if (m_logging.verbosity >= 2) {
        info(QStringLiteral("File: %1").arg(native(m_documentPath)));
        info(QStringLiteral("Started: %1").arg(RunReport::now()));
    }
    // Outputs take relative paths from the document's folder; a document
    // opened in a window may not have told its scene where it lives yet.
    if (m_scene.documentPath().isEmpty() && !m_documentPath.isEmpty())
        m_scene.setDocumentPath(QFileInfo(m_documentPath).absoluteFilePath());
    saveItems();
    for (int r = 0; r < m_rows.size() && !stopSeen(); ++r) {
        info(QStringLiteral("Batch row: %1").arg(r + 1));
        QVector<Assignment> runs;
        if (!expandRow(m_rows.at(r), &runs))
            continue;
        m_recordCell = m_rows.at(r).value(BatchTable::RecordKey).trimmed();
        for (const Assignment& targets : qAsConst(runs)) {
            if (stopSeen())
                break;
            assign(targets);
            clearAppendOutputs();
            runOnce();
        }
    }
    restoreItems();
    finish(total.elapsed());
    m_log.flush();
    m_running = false;
}

// A stop comes from the window's Stop button or from the main window's Stop
// command, which also cuts the run in progress short.
bool BatchRun::stopSeen()
{
    QCoreApplication::processEvents();
    if (m_scene.runContext().stopRequested()) {
        m_stopRequested = true;
        m_scene.runContext().clearStop();
    }
    if (m_stopRequested && !m_stopReported) {
        m_stopReported = true;
        error(QStringLiteral("Stopped by user"));
    }
    return m_stopRequested;
}

void BatchRun::openLog()
{
    if (!m_logging.enabled || m_logging.path.trimmed().isEmpty())
        return;
    FileNameContext context = currentFileNameContext();
    context.documentPath = m_documentPath;
    const QString path = absolute(expandFileNameVariables(m_logging.path.trimmed(), context));
    // Mode 0 appends, so that an earlier batch's log is never lost by default.
    if (m_log.openLog(path, m_logging.mode != 0))
        info(QStringLiteral("Writing to log file '%1'").arg(native(path)));
    else
        error(QStringLiteral("Unable to write to log file '%1'").arg(native(path)));
}

// Relative cells are taken from the document's folder, as output paths are.
QString BatchRun::absolute(const QString& cell) const
{
    if (QFileInfo(cell).isAbsolute() || m_documentPath.isEmpty())
        return QFileInfo(cell).absoluteFilePath();
    return QFileInfo(m_documentPath).absoluteDir().absoluteFilePath(cell);
}

// Several input cells of one row give one run per combination of their
// files, in column order; output and chart cells apply to every run.
bool BatchRun::expandRow(const BatchRow& row, QVector<Assignment>* runs)
{
    runs->clear();
    runs->append(Assignment());
    bool ok = true;
    const QList<Node*> nodes = m_scene.nodes();
    for (const BatchColumn& column : BatchTable::columns(m_scene)) {
        const QString cell = row.value(column.alias).trimmed();
        if (cell.isEmpty())
            continue;
        QList<Node*> items;
        const int type = column.kind == BatchColumn::Input
            ? InputNodeType
            : (column.kind == BatchColumn::Output ? OutputNodeType : ChartNodeType);
        for (Node* n : nodes) {
            if (n->type() == type && BatchTable::aliasOf(*n) == column.alias
                && (type == InputNodeType || BatchTable::isUsable(*n)))
                items.append(n);
        }
        if (column.kind == BatchColumn::Input) {
            ok = expandInput(items, cell, runs) && ok;
            continue;
        }
        for (Assignment& targets : *runs) {
            for (Node* n : qAsConst(items))
                targets.append(Target { n, cell, QString() });
        }
    }
    return ok;
}

bool BatchRun::expandInput(
    const QList<Node*>& inputs, const QString& cell, QVector<Assignment>* runs)
{
    QString pattern;
    QString sheetPattern;
    BatchTable::splitSheetPattern(cell, &pattern, &sheetPattern);
    const QString path = absolute(pattern);
    QVector<QPair<QString, QString>> choices; // file, sheet
    const bool folder = !inputs.isEmpty() && isFolderInput(*inputs.first());
    if (folder) {
        if (!QFileInfo(path).isDir()) {
            error(QStringLiteral("Input folder '%1' not found.").arg(native(path)));
            ++m_errors;
            return false;
        }
        choices.append({ path, QString() });
    } else {
        QStringList files { path };
        if (BatchTable::hasWildcards(pattern)) {
            files = BatchTable::matchingFiles(path);
            if (files.isEmpty()) {
                error(QStringLiteral("No files match wildcard '%1'.").arg(native(path)));
                ++m_errors;
                return false;
            }
        } else if (!QFileInfo(path).isFile()) {
            error(QStringLiteral("Input file '%1' not found.").arg(native(path)));
            ++m_errors;
            return false;
        }
        for (const QString& file : qAsConst(files)) {
            if (!BatchTable::hasWildcards(sheetPattern)) {
                choices.append({ file, sheetPattern });
                continue;
            }
            const QStringList sheets = m_sheetLister ? m_sheetLister(file) : QStringList();
            for (const QString& sheet : sheets) {
                if (BatchTable::matchesPattern(sheet, sheetPattern))
                    choices.append({ file, sheet });
            }
        }
        if (choices.isEmpty()) {
            error(QStringLiteral("No sheets match '%1' in '%2'.").arg(sheetPattern, native(path)));
            ++m_errors;
            return false;
        }
    }
    QVector<Assignment> combined;
    for (const Assignment& targets : qAsConst(*runs)) {
        for (const auto& choice : qAsConst(choices)) {
            Assignment more = targets;
            for (Node* n : inputs)
                more.append(Target { n, choice.first, choice.second });
            combined.append(more);
        }
    }
    *runs = combined;
    return true;
}

void BatchRun::assign(const Assignment& targets)
{
    for (const Target& t : targets) {
        QVariantMap options = t.node->saveOptions();
        if (t.node->type() != InputNodeType) {
            options.insert(KeyPath, t.value);
        } else if (isFolderInput(*t.node)) {
            options.insert(KeyFolder, t.value);
        } else {
            options.insert(KeyMedium, MediumFileValue);
            options.insert(KeyPath, t.value);
            options.insert(KeySheet, t.sheet);
        }
        t.node->restoreOptions(options);
        t.node->setStatus(StatusNeedsUpdating, true);
    }
}

// Outputs that append gather the rows of every run; what an earlier batch
// left in their files would otherwise stay in front of them. The path is
// worked out as the output will: variables, then the document's folder.
void BatchRun::clearAppendOutputs()
{
    if (!m_scene.runContext().settings().batchClearBeforeAppend())
        return;
    const FileNameContext context = fileNameContextOf(&m_scene);
    for (const Node* n : m_scene.nodes()) {
        const QVariantMap options = n->saveOptions();
        if (n->type() != OutputNodeType
            || options.value(KeyWriteMode).toInt() != WriteModeAppendValue
            || options.value(KeyFiles).toInt() != 0)
            continue;
        QString path
            = expandFileNameVariables(options.value(KeyPath).toString().trimmed(), context);
        const OutputFormat* format = outputFormat(options.value(KeyFileType).toInt());
        if (format && format->hasSheets() && options.value(KeySheet).toString().isEmpty()) {
            QString sheet;
            splitSheetFromPath(QString(path), path, sheet);
        }
        if (path.isEmpty())
            continue;
        if (QFileInfo(path).isRelative() && !context.documentPath.isEmpty())
            path = QFileInfo(context.documentPath).absoluteDir().filePath(path);
        path = native(path);
        if (m_cleared.contains(path))
            continue;
        m_cleared.insert(path);
        if (!QFileInfo::exists(path))
            continue;
        if (QFile::remove(path)) {
            info(QStringLiteral("'%1' already exists, cleared before first append").arg(path));
        } else {
            error(QStringLiteral("'%1' already exists, unable to clear before first append")
                      .arg(path));
            ++m_errors;
        }
    }
}

void BatchRun::runOnce()
{
    info(QStringLiteral("Processing:"));
    RunReport report(*m_sink, m_logging.verbosity);
    const QMetaObject::Connection live = connect(
        &m_scene, &GraphModel::nodeProcessed, this, [&report](Node* node) { report.item(*node); });
    QElapsedTimer timer;
    timer.start();
    const QDateTime started = QDateTime::currentDateTime();
    m_scene.runContext().setRecordsRun(!m_recordCell.isEmpty());
    m_scene.process(GraphModel::RunAllForced, true);
    const qint64 elapsed = timer.elapsed();
    disconnect(live);
    if (!m_recordCell.isEmpty() && !writeRecord(started))
        report.addError();
    report.rowCounts(m_scene);
    if (m_logging.verbosity >= 2) {
        report.counts(m_scene);
        report.elapsed(elapsed);
    }
    report.results();
    for (int type : { int(OutputNodeType), int(ChartNodeType) }) {
        const QMap<QString, int> files = RunReport::writtenFiles(m_scene, type, false);
        for (auto it = files.constBegin(); it != files.constEnd(); ++it)
            m_overwrites[it.key()] += it.value();
    }
    ++m_runs;
    m_runsWithErrors += report.errors() > 0 ? 1 : 0;
    m_errors += report.errors();
    m_warnings += report.warnings();
}

bool BatchRun::writeRecord(const QDateTime& started)
{
    const QString path
        = absolute(expandFileNameVariables(m_recordCell, fileNameContextOf(&m_scene)));
    const RunRecord record
        = buildRunRecord(m_scene, inputsFacts(m_scene), started, QDateTime::currentDateTime());
    QString message;
    if (record.save(path, &message)) {
        if (m_logging.verbosity >= 3)
            info(QStringLiteral("Run record: %1").arg(native(path)));
        return true;
    }
    error(message);
    return false;
}

void BatchRun::finish(qint64 elapsedMs)
{
    RunReport totals(*m_sink, m_logging.verbosity);
    if (m_logging.verbosity >= 2) {
        info(QStringLiteral("Finished: %1").arg(RunReport::now()));
        totals.overwritten(m_overwrites);
        totals.elapsed(elapsedMs, QStringLiteral("Total elapsed"));
    }
    const bool failed = m_errors > 0;
    const QString runs = QStringLiteral("Total .transform runs: %1, %2 with errors")
                             .arg(m_runs)
                             .arg(m_runsWithErrors);
    const QString results
        = QStringLiteral("Total results: %1 error(s), %2 warning(s)").arg(m_errors).arg(m_warnings);
    failed ? error(runs) : info(runs);
    failed ? error(results) : info(results);
}

// The items a batch points at other files get their own options back, so
// that the document is as the user left it.
void BatchRun::saveItems()
{
    m_saved.clear();
    for (Node* n : m_scene.nodes()) {
        if (n->type() != NoteNodeType && !BatchTable::aliasOf(*n).isEmpty())
            m_saved.insert(n, n->saveOptions());
    }
}

void BatchRun::restoreItems()
{
    for (auto it = m_saved.constBegin(); it != m_saved.constEnd(); ++it) {
        if (it.key()->saveOptions() == it.value())
            continue;
        it.key()->restoreOptions(it.value());
        it.key()->setStatus(StatusNeedsUpdating, true);
    }
    m_saved.clear();
}
