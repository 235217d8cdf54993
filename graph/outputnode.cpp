#include "graph/outputnode.h"

#include "graph/chartnode.h"

#include "input/inputformat.h"
#include "output/outputformat.h"

#include "core/enginesettings.h"
#include "core/runcontext.h"
#include "graph/graphmodel.h"
#include "graph/missingupstream.h"
#include "graph/nodefactory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

QString extensionOf(const QString& path)
{
    return QFileInfo(path).suffix().toLower();
}

// Every format's options with its defaults for what the map lacks (those
// of delimited output following the path), so that options that say the
// same compare equal and a new item stores every key.
QVariantMap completeFormatOptions(const QVariantMap& options, const QString& path)
{
    QVariantMap complete;
    for (const OutputFormat* format : outputFormats())
        format->saveOptions(options, &complete);
    DelimitedWriteOptions::from(options, path).store(&complete);
    return complete;
}

} // namespace

bool OutputOptions::operator==(const OutputOptions& o) const
{
    return files == o.files && confirmMultiFile == o.confirmMultiFile && writeMode == o.writeMode
        && lineEnding == o.lineEnding && encoding == o.encoding && byteOrderMark == o.byteOrderMark
        && writeHeader == o.writeHeader && headerOnlyIfEmpty == o.headerOnlyIfEmpty
        && fileComment == o.fileComment && formatOptions == o.formatOptions && alias == o.alias;
}

OutputNode::OutputNode(QObject* parent) : IONode(parent)
{
    m_options.formatOptions = completeFormatOptions(QVariantMap(), QString());
}

OutputNode::OutputNode(const QString& path, int fileType, QObject* parent) : OutputNode(parent)
{
    const QString trimmed = path.trimmed();
    setFilePath(trimmed);
    const int type = fileType >= 0 && fileType < FileTypeCount
        ? fileType
        : fileTypeForPath(runContext().settings(), trimmed);
    setFormatId(type);
    m_options.formatOptions = completeFormatOptions(QVariantMap(), trimmed);
    // JSON readers commonly reject a byte-order mark.
    m_options.byteOrderMark = type != FileTypeJson;
    m_options.fileComment = defaultFileComment();
}

QString OutputNode::displayName() const
{
    if (!name().isEmpty())
        return name();
    if (filePath().isEmpty())
        return QStringLiteral("Output.csv");
    QString path = filePath();
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString file = QFileInfo(path).fileName();
    return file.isEmpty() ? QDir::toNativeSeparators(filePath()) : file;
}

const OutputFormat* OutputNode::format() const
{
    return outputFormat(formatId());
}

bool OutputNode::hasSheets() const
{
    const OutputFormat* writer = format();
    return writer && writer->hasSheets();
}

void OutputNode::setOptions(const OutputOptions& options)
{
    OutputOptions complete = options;
    complete.formatOptions = completeFormatOptions(options.formatOptions, filePath());
    if (complete == m_options)
        return;
    m_options = complete;
    setStatus(StatusNeedsUpdating, true);
}

void OutputNode::setFilesColumn(int position)
{
    FilesColumn column;
    const QList<Node*> upstream = upstreamNodes(false);
    if (position >= 0) {
        column.position = position;
        if (upstream.size() == 1 && upstream.first()->dataset().isValidColumn(position)) {
            const Dataset& data = upstream.first()->dataset();
            column.id = data.columnId(position);
            column.name = data.columnName(position);
        }
    }
    m_filesColumn = column;
    setStatus(StatusNeedsUpdating, true);
}

int OutputNode::resolveFilesColumn(const Dataset& upstream)
{
    FilesColumn& fc = m_filesColumn;
    if (fc.pending) {
        if (!upstream.hasColumns())
            return -1;
        bool ok = false;
        const int position = fc.storedText.trimmed().toInt(&ok);
        fc = FilesColumn();
        if (!ok || !upstream.isValidColumn(position))
            return -1;
        fc.position = position;
        fc.id = upstream.columnId(position);
        fc.name = upstream.columnName(position);
        return position;
    }
    int c = fc.id.isValid() ? upstream.columnIndex(fc.id) : -1;
    if (c < 0 && !fc.name.isEmpty())
        c = upstream.columnIndexByName(fc.name);
    if (c < 0 && !fc.id.isValid() && fc.name.isEmpty() && upstream.isValidColumn(fc.position))
        c = fc.position;
    if (c >= 0) {
        fc.position = c;
        fc.id = upstream.columnId(c);
        fc.name = upstream.columnName(c);
    }
    return c;
}

void OutputNode::upstreamProcessed()
{
    const QList<Node*> upstream = upstreamNodes(false);
    if (upstream.size() == 1 && m_filesColumn.isSet())
        resolveFilesColumn(upstream.first()->dataset());
}

void OutputNode::process(bool processDownstream, bool force)
{
    Q_UNUSED(processDownstream)
    Q_UNUSED(force)
    // An output has nothing downstream to pass the call on to.
    if (runContext().stopRequested() || status() == StatusUpToDate || !canProcess()
        || m_writingPaused)
        return;
    const QList<Node*> upstream = upstreamNodes(false);
    for (const Node* n : upstream) {
        if (n->status() == StatusNeedsUpdating || n->status() == StatusError)
            return;
    }
    runOutput();
}

void OutputNode::setWritingPaused(bool paused)
{
    if (paused == m_writingPaused)
        return;
    m_writingPaused = paused;
    m_information.clear();
    if (paused)
        m_information << QStringLiteral(
            "Writing is paused for this output. Select it and use 'Run Selected' to write it.");
    update();
}

void OutputNode::runOutput()
{
    startRun();
    QElapsedTimer timer;
    timer.start();

    const QList<Node*> upstream = upstreamNodes(false);
    bool ok = true;
    if (upstream.size() != 1)
        m_warnings << QStringLiteral("No transforms or inputs connected");
    else
        ok = writeDataset(upstream.first()->dataset());
    m_warnings << MissingUpstream::notes(this);

    m_processingTime = timer.elapsed();
    m_lastProcessed = QDateTime::currentDateTime();
    m_dataset.dropPools();
    endProcessing(ok ? StatusUpToDate : StatusError);
}

void OutputNode::startRun()
{
    beginProcessing();
    m_dataset.clear();
    m_warnings.clear();
    m_information.clear();
    m_writtenPaths.clear();
    m_resolvedPath.clear();
    m_resolvedSheet.clear();
    m_multiFilesWritten = -1;
}

bool OutputNode::prepareWrite(const FileNameContext& context, bool* ok)
{
    *ok = false;
    if (m_options.files != OutputFilesFromColumn) {
        // A disabled output without a file is not worth an error.
        if (!resolveSinglePath(context) && m_options.writeMode != WriteModeDisabled) {
            m_warnings << QStringLiteral("No output file set");
            return false;
        }
        if (isBlockedExtension(runContext().settings(), m_resolvedPath)) {
            m_warnings << QStringLiteral(
                "The extension for this file is blocked in 'Preferences>Output Extensions':\n%1")
                              .arg(displayPath(m_resolvedPath));
            return false;
        }
    }
    *ok = true;
    if (m_options.writeMode == WriteModeDisabled) {
        m_warnings << QStringLiteral("Write mode='%1'").arg(writeModeName(WriteModeDisabled));
        return false;
    }
    const OutputFormat* writer = format();
    if (writer && writer->writesText() && m_options.lineEnding == LineEndingAutomatic) {
        m_information << QStringLiteral(
            "Line endings=Automatic sets line endings as %1, set 'Line endings' option to change")
                             .arg(lineEndingName(LineEndingWindows));
    }
    return true;
}

bool OutputNode::writeDataset(const Dataset& upstream)
{
    const FileNameContext context = fileNameContext();
    bool ok = false;
    const bool writes = prepareWrite(context, &ok);
    if (ok)
        m_dataset = upstream;
    if (!writes)
        return ok;
    if (m_options.files == OutputFilesFromColumn)
        return writeMultipleFiles(context);
    return writeOneFile(m_resolvedPath, m_resolvedSheet, m_dataset, context, 0.0, 1.0);
}

bool OutputNode::writesInBlocks() const
{
    return upstreamNodes(false).size() == 1 && m_options.files != OutputFilesFromColumn
        && m_options.writeMode == WriteModeOverwrite && formatId() == FileTypeDelimited
        && !m_writingPaused;
}

bool OutputNode::startBlocks()
{
    startRun();
    const FileNameContext context = fileNameContext();
    bool ok = false;
    if (!prepareWrite(context, &ok))
        return false;
    m_blockFile = std::make_unique<TextFileInBlocks>();
    // A block write that warns (an encoding not available) is the whole
    // write's business: the run goes the usual way.
    if (!m_blockFile->open(m_resolvedPath, fileWriteOptions(context))
        || !m_blockFile->result().warnings.isEmpty()) {
        m_blockFile.reset();
        return false;
    }
    m_processingTime = 0;
    return true;
}

bool OutputNode::writeBlock()
{
    QElapsedTimer timer;
    timer.start();
    m_dataset = upstreamNodes(false).first()->dataset();
    m_streamedRows = qMax<qint64>(m_streamedRows, 0) + m_dataset.rowCount();
    const bool written = m_blockFile->write(m_dataset) && m_blockFile->result().warnings.isEmpty();
    m_processingTime += timer.elapsed();
    return written;
}

void OutputNode::finishBlocks(bool commit)
{
    if (!m_blockFile)
        return;
    const std::unique_ptr<TextFileInBlocks> file = std::move(m_blockFile);
    if (!commit) {
        file->finish(false);
        return;
    }
    QElapsedTimer timer;
    timer.start();
    file->finish(true);
    const bool ok = noteWrite(m_resolvedPath, file->result());
    m_warnings << MissingUpstream::notes(this);
    m_processingTime += timer.elapsed();
    m_lastProcessed = QDateTime::currentDateTime();
    m_dataset.dropPools();
    endProcessing(ok ? StatusUpToDate : StatusError);
}

FileNameContext OutputNode::fileNameContext() const
{
    return fileNameContextOf(graph());
}

// Variables are replaced in both the path and the sheet; a relative path is
// taken from the document's folder once the document has been saved. False
// when no file is named.
bool OutputNode::resolveSinglePath(const FileNameContext& context)
{
    QString path = expandFileNameVariables(filePath().trimmed(), context);
    QString sheet = expandFileNameVariables(sheetName(), context);
    if (hasSheets() && sheet.isEmpty())
        splitSheetFromPath(QString(path), path, sheet);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).isRelative() && !context.documentPath.isEmpty())
        path = QFileInfo(context.documentPath).absoluteDir().filePath(path);
    m_resolvedPath = path;
    m_resolvedSheet = sheet;
    return true;
}

FileWriteOptions OutputNode::fileWriteOptions(const FileNameContext& context) const
{
    FileWriteOptions options;
    options.writeMode = m_options.writeMode;
    options.headerOnlyIfEmpty = m_options.headerOnlyIfEmpty;
    TextWriteOptions& text = options.text;
    text = textWriteOptions();
    text.encoding = m_options.encoding.isEmpty() ? QStringLiteral("UTF-8") : m_options.encoding;
    text.byteOrderMark = m_options.byteOrderMark;
    text.writeHeader = m_options.writeHeader;
    text.lineEnding = m_options.lineEnding;
    if (!m_options.fileComment.isEmpty())
        text.comment = expandFileNameVariables(m_options.fileComment, context);
    return options;
}

TextWriteOptions OutputNode::textWriteOptions() const
{
    TextWriteOptions text;
    text.fileType = formatId();
    text.customDelimiter = charOption();
    text.formatOptions = m_options.formatOptions;
    return text;
}

bool OutputNode::writeOneFile(const QString& path, const QString& sheet, const Dataset& data,
    const FileNameContext& context, qreal progressFrom, qreal progressTo)
{
    const OutputFormat* writer = format();
    if (!writer) {
        m_warnings
            << QStringLiteral("File type '%1' cannot be written").arg(fileTypeName(formatId()));
        return false;
    }
    const qreal span = progressTo - progressFrom;
    const WriteProgress progress = [this, progressFrom, span](qreal fraction) {
        onProcessed(progressFrom + fraction * span);
        return !runContext().stopRequested();
    };
    const bool existed = QFileInfo::exists(path);
    TextWriteResult result
        = writer->writeFile(path, sheet, data, fileWriteOptions(context), progress);
    // Appending to a file that was not there creates it, and the user is
    // told so rather than that something was appended.
    if (result.fileWritten && !existed && m_options.writeMode == WriteModeAppend) {
        const QString name = displayPath(path);
        result.information.replaceInStrings(QStringLiteral("Appended file '%1'").arg(name),
            QStringLiteral("Created file '%1'").arg(name));
    }
    return noteWrite(path, result);
}

bool OutputNode::noteWrite(const QString& path, const TextWriteResult& result)
{
    m_warnings << result.warnings;
    m_information << result.information;
    if (result.fileWritten) {
        m_writtenPaths << displayPath(path);
        const QString mismatch = extensionMismatch(runContext().settings(), path, formatId());
        if (!mismatch.isEmpty() && !m_warnings.contains(mismatch))
            m_warnings << mismatch;
    }
    return !result.error;
}

QString OutputNode::statusWord() const
{
    if (status() == StatusError)
        return QStringLiteral("Error writing");
    if (status() == StatusUpToDate && !m_writtenPaths.isEmpty())
        return QStringLiteral("Written");
    return QStringLiteral("Not written");
}

QString OutputNode::resultText() const
{
    if (status() == StatusUpToDate || status() == StatusError)
        return statusWord();
    return QString();
}

QString OutputNode::locationText() const
{
    if (m_multiFilesWritten >= 0) {
        return QStringLiteral("%1: %2 file(s) written")
            .arg(m_filesColumn.name)
            .arg(m_multiFilesWritten);
    }
    return location();
}

int OutputNode::fileTypeForPath(const EngineSettings& settings, const QString& path)
{
    const QMap<QString, int> map = settings.outputFileExtensions();
    return map.value(extensionOf(path), FileTypeDelimited);
}

bool OutputNode::isBlockedExtension(const EngineSettings& settings, const QString& path)
{
    const QString ext = extensionOf(path);
    if (ext.isEmpty())
        return false;
    return EngineSettings::extensionList(settings.blockedOutputExtensions()).contains(ext);
}

QString OutputNode::extensionMismatch(
    const EngineSettings& settings, const QString& path, int fileType)
{
    const QString ext = extensionOf(path);
    const QMap<QString, int> map = settings.outputFileExtensions();
    const auto it = map.constFind(ext);
    if (ext.isEmpty() || it == map.constEnd() || *it == fileType)
        return QString();
    return QStringLiteral("'%1' extension is '%2' but file type is %3")
        .arg(displayPath(path), QFileInfo(path).suffix(), fileTypeName(fileType));
}

void registerOutputNodeKind()
{
    NodeFactory::registerKind(OutputNodeType, [] { return new OutputNode; });
}

bool writesFiles(const Node& node)
{
    if (const auto* output = qobject_cast<const OutputNode*>(&node))
        return output->options().writeMode != WriteModeDisabled;
    if (const auto* chart = qobject_cast<const ChartNode*>(&node))
        return chart->options().writeFile;
    return false;
}

QString documentPathOf(const GraphModel* graph)
{
    return graph ? graph->documentPath() : QString();
}

FileNameContext fileNameContextOf(const GraphModel* graph)
{
    FileNameContext context = currentFileNameContext();
    context.documentPath = documentPathOf(graph);
    context.aliases = fileNameAliases(graph);
    return context;
}

// Any IONode of the Input kind takes part; its alias, folder and sheet are
// read from its options so that no particular input class is assumed.
QVector<FileNameAlias> fileNameAliases(const GraphModel* graph)
{
    QVector<FileNameAlias> aliases;
    if (!graph)
        return aliases;
    const QList<Node*> nodes = graph->nodes();
    for (Node* node : nodes) {
        const auto* input = qobject_cast<const IONode*>(node);
        if (!input || input->type() != InputNodeType)
            continue;
        const QVariantMap options = input->saveOptions();
        FileNameAlias alias;
        alias.alias = options.value(QStringLiteral("alias")).toString().trimmed();
        const QString folder = options.value(QStringLiteral("multi_file_folder")).toString();
        alias.isFolder
            = input->sourceKind() == 2 || options.value(QStringLiteral("medium")).toInt() == 2;
        alias.path
            = graph->absolutePath(alias.isFolder && !folder.isEmpty() ? folder : input->filePath());
        alias.sheet = input->sheetName();
        if (alias.sheet.isEmpty())
            alias.sheet = options.value(QStringLiteral("worksheet")).toString();
        const InputFormat* reader = inputFormat(input->formatId());
        const bool workbook = reader && reader->hasSheets();
        if (workbook && alias.sheet.isEmpty() && !alias.isFolder)
            splitSheetFromPath(QString(alias.path), alias.path, alias.sheet);
        if (!alias.alias.isEmpty() && !alias.path.isEmpty())
            aliases.append(alias);
    }
    return aliases;
}
