// Storing an Output item's options under the attribute names of the output
// element of a document, and describing them for the item summary.

#include "core/optionmap.h"
#include "core/runcontext.h"
#include "graph/outputnode.h"
#include "output/outputformat.h"

#include <climits>

namespace {

using namespace OptionMap;

const QString KeyFiles = QStringLiteral("single_or_multi");
const QString KeyFilesColumn = QStringLiteral("multi_file_column");
const QString KeyConfirm = QStringLiteral("multi_file_confirm");
const QString KeyPath = QStringLiteral("path");
const QString KeyFileType = QStringLiteral("file_type");
const QString KeyAlias = QStringLiteral("alias");
const QString KeyCustomDelimiter = QStringLiteral("custom_delimiter");
const QString KeyLineEndings = QStringLiteral("line_endings");
const QString KeyEncoding = QStringLiteral("encoding");
const QString KeyBom = QStringLiteral("bom");
const QString KeyWriteMode = QStringLiteral("enable_output");
const QString KeySheet = QStringLiteral("worksheet");
const QString KeyWriteHeader = QStringLiteral("write_header");
const QString KeyHeaderIfEmpty = QStringLiteral("write_header_first_append_only");
const QString KeyComment = QStringLiteral("file_comment");

// Long lists of written files would swamp the summary.
QString shortList(const QStringList& paths)
{
    constexpr int Shown = 20;
    if (paths.size() <= Shown)
        return paths.join(QLatin1Char('\n'));
    return QStringList(paths.mid(0, Shown)).join(QLatin1Char('\n'))
        + QStringLiteral("\n+ %1 more").arg(paths.size() - Shown);
}

} // namespace

QVariantMap OutputNode::saveOptions() const
{
    const OutputOptions& o = m_options;
    QString column;
    if (m_filesColumn.pending)
        column = m_filesColumn.storedText;
    else if (m_filesColumn.position >= 0)
        column = QString::number(m_filesColumn.position);
    QVariantMap map {
        { KeyFiles, o.files },
        { KeyFilesColumn, column },
        { KeyConfirm, int(o.confirmMultiFile) },
        { KeyPath, filePath() },
        { KeyFileType, formatId() },
        { KeyAlias, o.alias },
        { KeyCustomDelimiter, QString(charOption()) },
        { KeyLineEndings, o.lineEnding },
        { KeyEncoding, o.encoding },
        { KeyBom, int(o.byteOrderMark) },
        { KeyWriteMode, o.writeMode },
        { KeySheet, sheetName() },
        { KeyWriteHeader, int(o.writeHeader) },
        { KeyHeaderIfEmpty, int(o.headerOnlyIfEmpty) },
        { KeyComment, o.fileComment },
    };
    for (const OutputFormat* format : outputFormats())
        format->saveOptions(o.formatOptions, &map);
    return map;
}

void OutputNode::restoreOptions(const QVariantMap& map)
{
    const QString path = readText(map, KeyPath).trimmed();
    setFilePath(path);
    // 11 and above (or nothing stored) means the type follows the extension.
    const int type = readInt(map, KeyFileType, FileTypeCount, INT_MIN, INT_MAX);
    setFormatId(
        type >= 0 && type < FileTypeCount ? type : fileTypeForPath(runContext().settings(), path));
    setSheetName(readText(map, KeySheet));
    const QString custom = readText(map, KeyCustomDelimiter);
    setCharOption(custom.isEmpty() ? QLatin1Char('*') : custom.at(0));

    OutputOptions o;
    o.files = readInt(map, KeyFiles, OutputSingleFile, OutputSingleFile, OutputFilesFromColumn);
    o.confirmMultiFile = readBool(map, KeyConfirm, true);
    o.writeMode = readInt(map, KeyWriteMode, WriteModeOverwrite, WriteModeDisabled, WriteModeNew);
    o.lineEnding = readInt(
        map, KeyLineEndings, LineEndingAutomatic, LineEndingAutomatic, LineEndingRecordSeparator);
    o.encoding = readText(map, KeyEncoding, QStringLiteral("UTF-8"));
    if (o.encoding.isEmpty())
        o.encoding = QStringLiteral("UTF-8");
    o.byteOrderMark = readBool(map, KeyBom, true);
    o.writeHeader = readBool(map, KeyWriteHeader, true);
    o.headerOnlyIfEmpty = readBool(map, KeyHeaderIfEmpty, true);
    o.fileComment = readText(map, KeyComment);
    o.alias = readText(map, KeyAlias);
    for (const OutputFormat* format : outputFormats())
        format->restoreOptions(map, path, &o.formatOptions);
    m_options = o;

    // The position waits as text until the upstream dataset has columns.
    m_filesColumn = FilesColumn();
    const QString column = readText(map, KeyFilesColumn).trimmed();
    if (!column.isEmpty()) {
        m_filesColumn.storedText = column;
        m_filesColumn.pending = true;
    }
}

QList<QPair<QString, QString>> OutputNode::optionSummary() const
{
    const OutputOptions& o = m_options;
    QList<QPair<QString, QString>> rows;
    const OutputFormat* writer = format();
    const TextWriteOptions formatOptions = textWriteOptions();
    if (writer)
        rows << writer->leadingSummary(formatOptions);
    if (!writer || writer->writesText()) {
        rows << qMakePair(QStringLiteral("Line endings"), lineEndingName(o.lineEnding))
             << qMakePair(QStringLiteral("Encoding"), o.encoding);
        if (o.encoding.contains(QLatin1String("utf"), Qt::CaseInsensitive))
            rows << qMakePair(QStringLiteral("Byte Order Mark"), yesNo(o.byteOrderMark));
    }
    if (writer)
        rows << writer->trailingSummary(formatOptions);
    rows << qMakePair(QStringLiteral("Write mode"),
        writer ? writer->writeModeSummary(o.writeMode, formatOptions) : writeModeName(o.writeMode));
    QString header = yesNo(o.writeHeader);
    if (o.writeHeader && o.writeMode == WriteModeAppend && o.headerOnlyIfEmpty)
        header += QStringLiteral(" (if empty)");
    rows << qMakePair(QStringLiteral("Write header"), header);
    if (!o.alias.isEmpty())
        rows << qMakePair(QStringLiteral("Alias"), o.alias);
    return rows;
}

QList<QPair<QString, QString>> OutputNode::outputSummary() const
{
    QList<QPair<QString, QString>> rows;
    rows << qMakePair(QStringLiteral("File type"), fileTypeName(formatId()));
    if (m_options.files == OutputFilesFromColumn) {
        const QString column
            = m_filesColumn.pending ? m_filesColumn.storedText : m_filesColumn.name;
        rows << qMakePair(QStringLiteral("From dataset column"), column)
             << qMakePair(QStringLiteral("Files"), shortList(m_writtenPaths));
    } else {
        rows << qMakePair(QStringLiteral("File"), location());
    }
    rows << qMakePair(
        QStringLiteral("Connections in"), QString::number(connections(Incoming).size()));
    rows << qMakePair(QStringLiteral("Alias"), m_options.alias);
    return rows;
}

QList<QPair<QString, QString>> OutputNode::summaryRows() const
{
    QList<QPair<QString, QString>> rows = Node::summaryRows();
    rows << qMakePair(QStringLiteral("Result"), statusWord());
    rows << outputSummary() << optionSummary();
    return rows;
}
