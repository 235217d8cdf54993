#include "graph/inputnode.h"

#include "core/enginesettings.h"
#include "core/runcontext.h"
#include "core/values.h"
#include "graph/columnuse.h"
#include "graph/graphmodel.h"
#include "graph/nodefactory.h"
#include "input/inputformat.h"
#include "transforms/support/columnprofile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace {

// Every format's options with its defaults for what the map lacks, so that
// options that say the same compare equal and a new item stores every key.
QVariantMap completeFormatOptions(const QVariantMap& options)
{
    QVariantMap complete;
    for (const InputFormat* format : inputFormats())
        format->saveOptions(options, &complete);
    return complete;
}

} // namespace

bool InputOptions::operator==(const InputOptions& o) const
{
    return folder == o.folder && fileMatch == o.fileMatch && sheetMatch == o.sheetMatch
        && recurse == o.recurse && encoding == o.encoding && formatOptions == o.formatOptions
        && ignoredFirstRows == o.ignoredFirstRows && hasHeader == o.hasHeader
        && trimWhitespace == o.trimWhitespace && simplifyWhitespace == o.simplifyWhitespace
        && ignoreEmptyRows == o.ignoreEmptyRows && ignoreEmptyColumns == o.ignoreEmptyColumns
        && metaPlacement == o.metaPlacement && metaText == o.metaText
        && metaColumnName == o.metaColumnName && schema == o.schema && watching == o.watching
        && alias == o.alias;
}

InputNode::InputNode(QObject* parent) : IONode(parent)
{
    m_options.formatOptions = completeFormatOptions(QVariantMap());
    m_watchTimer.setSingleShot(true);
    m_watchTimer.setInterval(WatchDelayMs);
    connect(&m_watchTimer, &QTimer::timeout, this, &InputNode::onWatchTimeout);
}

InputNode::InputNode(const QString& path, int fileType, QObject* parent) : InputNode(parent)
{
    setSourceKind(MediumFile);
    setFilePath(path.trimmed());
    setFormatId(fileType >= 0 && fileType < FileTypeCount
            ? fileType
            : inputTypeForPath(runContext().settings(), path));
}

InputNode::~InputNode() = default;

QString InputNode::displayName() const
{
    if (!name().isEmpty())
        return name();
    switch (medium()) {
    case MediumClipboard:
        return QStringLiteral("Clipboard");
    case MediumFolder: {
        const QString folder = QFileInfo(QDir::fromNativeSeparators(m_options.folder)).fileName();
        if (m_options.fileMatch.isEmpty())
            return folder.isEmpty() ? QStringLiteral("Input") : folder;
        return QDir::toNativeSeparators(folder + QLatin1Char('/') + m_options.fileMatch);
    }
    default: {
        const QString file = QFileInfo(QDir::fromNativeSeparators(filePath())).fileName();
        return file.isEmpty() ? QStringLiteral("Input") : file;
    }
    }
}

void InputNode::setOptions(const InputOptions& options)
{
    InputOptions complete = options;
    complete.formatOptions = completeFormatOptions(options.formatOptions);
    if (complete == m_options)
        return;
    m_options = complete;
    if (!m_options.watching)
        stopWatching();
    setStatus(StatusNeedsUpdating, true);
}

void InputNode::setFileSource(const QString& path, int fileType)
{
    setSourceKind(MediumFile);
    setFilePath(path.trimmed());
    setFormatId(fileType >= 0 && fileType < FileTypeCount
            ? fileType
            : inputTypeForPath(runContext().settings(), path));
    stopWatching();
    setStatus(StatusNeedsUpdating, true);
}

void InputNode::setFolderSource(
    const QString& folder, const QString& fileMatch, bool recurse, int fileType)
{
    setSourceKind(MediumFolder);
    m_options.folder = folder.trimmed();
    m_options.fileMatch = fileMatch.trimmed();
    m_options.recurse = recurse;
    setFormatId(fileType >= 0 && fileType < FileTypeCount
            ? fileType
            : inputTypeForPath(runContext().settings(), fileMatch));
    stopWatching();
    setStatus(StatusNeedsUpdating, true);
}

void InputNode::setClipboardSource(const QString& text, int fileType)
{
    setSourceKind(MediumClipboard);
    setFurtherText(text);
    setFormatId(fileType >= 0 && fileType < FileTypeCount ? fileType : inputTypeForText(text));
    stopWatching();
    setStatus(StatusNeedsUpdating, true);
}

ReadOptions InputNode::readOptions() const
{
    ReadOptions o;
    o.fileType = fileType();
    o.encoding = m_options.encoding;
    o.customDelimiter = QString(charOption());
    o.formatOptions = m_options.formatOptions;
    o.ignoredFirstRows = m_options.ignoredFirstRows;
    o.hasHeader = m_options.hasHeader;
    o.trimWhitespace = m_options.trimWhitespace;
    o.simplifyWhitespace = m_options.simplifyWhitespace;
    o.ignoreEmptyRows = m_options.ignoreEmptyRows;
    o.pooling = runContext().settings().poolValues();
    return o;
}

ReadOptions InputNode::runReadOptions()
{
    ReadOptions o = readOptions();
    o.hashContent = runContext().recordsRun();
    auto* graph = this->graph();
    // The window shows the first rows of a long read while the rest comes.
    if (graph && graph->keepsResults())
        o.firstRows = [this](Dataset&& rows) { showFirstRows(std::move(rows)); };
    if (!graph || graph->keepsResults())
        return o;
    // Blocks go away as they are passed on, and their texts with them.
    o.handOver = m_handOver;
    if (!o.handOver.isOn())
        o.runTexts = graph->runTexts();
    // The schema, the meta information and the removal of empty columns
    // work on every column after the read, and may move them.
    if (m_options.schema.inUse || m_options.metaPlacement != MetaNotAdded
        || m_options.ignoreEmptyColumns || o.hashContent)
        return o;
    o.usedColumns = [this](const Dataset& header) { return usedColumnsAfter(this, header); };
    return o;
}

void InputNode::process(bool processDownstream, bool force)
{
    if (runContext().stopRequested())
        return;
    if (status() != StatusUpToDate)
        runRead();
    if (status() == StatusUpToDate && processDownstream) {
        const QList<Node*> downstream = downstreamNodes(true);
        for (Node* n : downstream)
            n->process(processDownstream, force);
    }
}

void InputNode::runRead()
{
    beginProcessing();
    const bool ok = readRows();
    endProcessing(ok ? StatusUpToDate : StatusError);
}

bool InputNode::readRows()
{
    m_dataset.clear();
    m_warnings.clear();
    m_information.clear();
    m_filesRead = 0;
    m_rowsLeftOut = 0;
    m_sheetsRead = 0;
    QElapsedTimer timer;
    timer.start();

    // Each progress point of a reader also checks the memory limit, so a
    // Stop or a file too large for the limit ends the read where it is.
    ReadProgress progress;
    progress.callback = [this](qreal fraction) {
        onProcessed(fraction);
        return !runContext().stopRequested();
    };
    const bool ok = medium() == MediumFolder ? readFolder(progress) : readSingle(progress);
    if (m_dataset.hasRows() && m_options.ignoreEmptyColumns) {
        const int removed = m_dataset.removeEmptyColumns();
        if (removed > 0)
            m_information << QStringLiteral("%1 empty column(s) ignored").arg(removed);
    }
    m_dataset.assignColumnIds(id());
    checkColumnsAfterWarnings();

    m_processingTime = timer.elapsed();
    m_lastProcessed = QDateTime::currentDateTime();
    m_dataset.dropPools();
    return ok;
}

bool InputNode::readsInBlocks() const
{
    return medium() == MediumFile && !hasSheets()
        && (fileType() == FileTypeDelimited || fileType() == FileTypePlainText)
        && !m_options.schema.inUse && m_options.metaPlacement == MetaNotAdded
        && !m_options.ignoreEmptyColumns;
}

bool InputNode::readInBlocks(const std::function<bool()>& take, int blockRows, int chunkChars)
{
    qint64 handed = 0;
    m_handOver.blockRows = blockRows;
    m_handOver.chunkChars = chunkChars;
    m_handOver.take = [&](Dataset&& rows) {
        m_dataset = std::move(rows);
        m_dataset.assignColumnIds(id());
        handed += m_dataset.rowCount();
        m_streamedRows = handed;
        return take();
    };
    bool ok = readRows();
    m_handOver = RowHandOver();
    // The rest, or the whole table of a text read in one piece (an empty
    // one too: its header still goes out).
    if (ok && (handed == 0 || m_dataset.hasRows())) {
        m_streamedRows = handed + m_dataset.rowCount();
        ok = take();
    }
    return ok;
}

// A read that warns has the user looking for what went wrong: the traps in
// its columns are part of the answer. A run that keeps no results leaves out
// values nothing reads, which would show as traps that are not there, and a
// large table is left to the Check Columns command.
void InputNode::checkColumnsAfterWarnings()
{
    m_columnTraps.clear();
    const qint64 cells = qint64(m_dataset.rowCount()) * m_dataset.columnCount();
    if (m_warnings.isEmpty() || cells == 0 || cells > AutomaticTrapCells
        || (graph() && !graph()->keepsResults()))
        return;
    m_columnTraps
        = ::columnTraps(m_dataset, DateFormatList(runContext().settings().dateFormatList()));
}

bool InputNode::readSingle(const ReadProgress& progress)
{
    if (medium() != MediumClipboard)
        return readFile(progress);
    onGraphThread([this] { stopWatching(); });
    if (clipboardText().isEmpty())
        return true;
    ReadResult result = readInputText(clipboardText(), runReadOptions(), progress);
    takeMessages(result);
    if (!result.ok())
        return false;
    m_dataset = result.dataset;
    return finishRead(&m_dataset, result.hasHeader, QString(), QString());
}

bool InputNode::hasSheets() const
{
    const InputFormat* format = inputFormat(fileType());
    return format && format->hasSheets();
}

bool InputNode::readFile(const ReadProgress& progress)
{
    QString path = sourcePath();
    QString sheet = sheetName();
    if (path.isEmpty()) {
        onGraphThread([this] { stopWatching(); });
        return true;
    }
    if (hasSheets()) {
        QString named;
        splitWorkbookPath(QString(path), &path, &named);
        if (sheet.isEmpty())
            sheet = named;
    }
    if (!QFileInfo::exists(path)) {
        m_warnings << QStringLiteral("File '%1' not found").arg(displayPath(path));
        return false;
    }
    if (isBlockedInputExtension(runContext().settings(), path)) {
        m_warnings << QStringLiteral("The extension for this file is blocked in 'Preferences>Input "
                                     "Extensions':\n%1")
                          .arg(displayPath(path));
        return false;
    }
    ReadResult result = readInputFile(path, sheet, runReadOptions(), progress);
    takeMessages(result);
    if (!result.ok())
        return false;
    // The watcher and its timer belong to the window's thread.
    onGraphThread([this, &path] { updateWatching(path); });
    const QString mismatch = extensionMismatchWarning(runContext().settings(), path, fileType());
    if (!mismatch.isEmpty())
        m_warnings << mismatch;
    m_dataset = result.dataset;
    return finishRead(&m_dataset, result.hasHeader, path, sheet);
}

bool InputNode::finishRead(
    Dataset* data, int appliedHeader, const QString& path, const QString& sheet)
{
    if (m_options.hasHeader == HeaderAutomatic)
        m_options.hasHeader = appliedHeader;
    if (appliedHeader != HeaderYes && m_options.schema.inUse) {
        // Said once, however many files a folder read takes.
        const QString warning = QStringLiteral("Using a schema, but 'has header' not checked");
        if (!m_warnings.contains(warning))
            m_warnings << warning;
    }
    if (!applySchema(data, m_options.schema, &m_warnings, &m_information))
        return false;
    if (m_options.metaPlacement != MetaNotAdded) {
        const QString text = expandMetaVariables(m_options.metaText, path, sheet, *data);
        addMetaInformation(data, m_options.metaPlacement, text, m_options.metaColumnName);
    }
    return true;
}

void InputNode::takeMessages(const ReadResult& result)
{
    m_warnings << result.warnings;
    m_information << result.information;
    m_rowsLeftOut += result.rowsLeftOut;
    m_contentHash = result.contentHash;
    // What the read worked out becomes the item's own without marking the
    // item as changed.
    if (const InputFormat* format = inputFormat(fileType()))
        format->keepWorkedOut(result, &m_options.formatOptions);
    m_fixedWidthPreview = result.preview;
}

QString InputNode::watchedPath() const
{
    return m_watcher ? m_watcher->files().value(0) : QString();
}

void InputNode::updateWatching(const QString& path)
{
    if (!m_options.watching || medium() != MediumFile) {
        stopWatching();
        return;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(
            m_watcher, &QFileSystemWatcher::fileChanged, this, &InputNode::onWatchedFileChanged);
    }
    const QStringList current = m_watcher->files();
    if (current == QStringList(absolute))
        return;
    if (!current.isEmpty())
        m_watcher->removePaths(current);
    m_watcher->addPath(absolute);
}

void InputNode::stopWatching()
{
    m_watchTimer.stop();
    if (m_watcher && !m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
}

void InputNode::onWatchedFileChanged(const QString& path)
{
    // A file saved by writing a new one and renaming it over the old one
    // drops out of the watch list; keep following the name.
    if (m_watcher && !m_watcher->files().contains(path) && QFileInfo::exists(path))
        m_watcher->addPath(path);
    auto* graph = this->graph();
    if (graph && graph->autoRun()) {
        if (!m_watchTimer.isActive())
            m_watchTimer.start();
        return;
    }
    // A run may be reading the statuses: the graph takes the change up
    // once it ends.
    if (graph && graph->isProcessing()) {
        graph->onSourceChanged(this);
        return;
    }
    setStatus(StatusNeedsUpdating, true);
}

void InputNode::onWatchTimeout()
{
    auto* graph = this->graph();
    if (!graph) {
        setStatus(StatusNeedsUpdating, true);
        return;
    }
    // A run in progress would ignore the change; try again once it is over.
    if (graph->isProcessing()) {
        m_watchTimer.start();
        return;
    }
    graph->onSourceChanged(this);
}

void registerInputNodeKind()
{
    NodeFactory::registerKind(InputNodeType, [] { return new InputNode; });
}
