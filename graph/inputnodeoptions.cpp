// Storing an Input item's options under the attribute names of the input
// element of a document, and describing the item for its summaries.

#include "core/optionmap.h"
#include "core/runcontext.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "input/inputformat.h"

#include "core/values.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <climits>

namespace {

using namespace OptionMap;

const QString KeyMedium = QStringLiteral("medium");
const QString KeyIgnoredRows = QStringLiteral("ignored_rows");
const QString KeyHeader = QStringLiteral("header");
const QString KeyWatching = QStringLiteral("watching");
const QString KeyTrim = QStringLiteral("trim");
const QString KeySimplify = QStringLiteral("simplify");
const QString KeyIgnoreEmpty = QStringLiteral("ignore_empty");
const QString KeyIgnoreEmptyCols = QStringLiteral("ignore_empty_cols");
const QString KeyShowMeta = QStringLiteral("show_meta");
const QString KeyMetaText = QStringLiteral("meta_text");
const QString KeyMetaColumn = QStringLiteral("meta_col_name");
const QString KeySchemaInUse = QStringLiteral("schema_in_use");
const QString KeySchemaNames = QStringLiteral("schema_col_name");
const QString KeySchemaValues = QStringLiteral("schema_missing_value");
const QString KeySchemaMissing = QStringLiteral("schema_missing_cols");
const QString KeySchemaOrder = QStringLiteral("schema_reorder_cols");
const QString KeySchemaExtra = QStringLiteral("schema_extra_cols");
const QString KeyPath = QStringLiteral("path");
const QString KeyFolder = QStringLiteral("multi_file_folder");
const QString KeyFileMatch = QStringLiteral("multi_file_match");
const QString KeySheetMatch = QStringLiteral("multi_sheetmatch");
const QString KeyRecurse = QStringLiteral("multi_file_recurse");
const QString KeyFileType = QStringLiteral("file_type");
const QString KeyAlias = QStringLiteral("alias");
const QString KeyCustomDelimiter = QStringLiteral("custom_delimiter");
const QString KeyEncoding = QStringLiteral("encoding");
const QString KeySheet = QStringLiteral("worksheet");
const QString KeyText = QStringLiteral("text");

QString headerText(int hasHeader)
{
    switch (hasHeader) {
    case HeaderNo:
        return QStringLiteral("No");
    case HeaderAutomatic:
        return QStringLiteral("Automatic");
    default:
        return QStringLiteral("Yes");
    }
}

} // namespace

QVariantMap InputNode::saveOptions() const
{
    const InputOptions& o = m_options;
    QVariantMap map {
        { KeyMedium, medium() },
        { KeyIgnoredRows, o.ignoredFirstRows },
        { KeyHeader, o.hasHeader },
        { KeyWatching, int(o.watching) },
        { KeyTrim, int(o.trimWhitespace) },
        { KeySimplify, int(o.simplifyWhitespace) },
        { KeyIgnoreEmpty, int(o.ignoreEmptyRows) },
        { KeyIgnoreEmptyCols, int(o.ignoreEmptyColumns) },
        { KeyShowMeta, o.metaPlacement },
        { KeyMetaText, o.metaText },
        { KeyMetaColumn, o.metaColumnName },
        { KeySchemaInUse, int(o.schema.inUse) },
        { KeySchemaNames, o.schema.columnNames },
        { KeySchemaValues, o.schema.missingValues },
        { KeySchemaMissing, o.schema.missingColumns },
        { KeySchemaOrder, o.schema.outOfOrder },
        { KeySchemaExtra, o.schema.extraColumns },
        { KeyPath, filePath() },
        { KeyFolder, o.folder },
        { KeyFileMatch, o.fileMatch },
        { KeySheetMatch, o.sheetMatch },
        { KeyRecurse, int(o.recurse) },
        { KeyFileType, fileType() },
        { KeyAlias, o.alias },
        { KeyCustomDelimiter, QString(charOption()) },
        { KeyEncoding, o.encoding },
        { KeySheet, sheetName() },
        { KeyText, clipboardText() },
    };
    for (const InputFormat* format : inputFormats())
        format->saveOptions(o.formatOptions, &map);
    return map;
}

void InputNode::restoreOptions(const QVariantMap& map)
{
    const QString path = readText(map, KeyPath).trimmed();
    const QString text = readText(map, KeyText);
    const int medium = readInt(map, KeyMedium, path.isEmpty() && !text.isEmpty() ? 1 : 0);
    setSourceKind(medium >= MediumFile && medium <= MediumFolder ? medium : MediumFile);
    setFilePath(path);
    setFurtherText(text);
    setSheetName(readText(map, KeySheet));
    const QString custom = readText(map, KeyCustomDelimiter);
    setCharOption(custom.isEmpty() ? QLatin1Char('*') : custom.at(0));

    InputOptions o;
    o.folder = readText(map, KeyFolder);
    o.fileMatch = readText(map, KeyFileMatch);
    o.sheetMatch = readText(map, KeySheetMatch);
    o.recurse = readBool(map, KeyRecurse, false);
    o.encoding = readText(map, KeyEncoding).trimmed();
    if (o.encoding.isEmpty())
        o.encoding = QStringLiteral("Automatic");
    for (const InputFormat* format : inputFormats())
        format->restoreOptions(map, &o.formatOptions);
    o.ignoredFirstRows = readInt(map, KeyIgnoredRows, 0, 0);
    o.hasHeader = readInt(map, KeyHeader, HeaderNo, HeaderNo, HeaderAutomatic);
    o.trimWhitespace = readBool(map, KeyTrim, false);
    o.simplifyWhitespace = readBool(map, KeySimplify, false);
    o.ignoreEmptyRows = readBool(map, KeyIgnoreEmpty, true);
    o.ignoreEmptyColumns = readBool(map, KeyIgnoreEmptyCols, false);
    o.metaPlacement = readInt(map, KeyShowMeta, MetaNotAdded, MetaNotAdded, MetaEveryRow);
    o.metaText = readText(map, KeyMetaText);
    o.metaColumnName = readText(map, KeyMetaColumn);
    if (o.metaColumnName.isEmpty())
        o.metaColumnName = QStringLiteral("Meta Info");
    o.schema.inUse = readBool(map, KeySchemaInUse, false);
    o.schema.columnNames = readList(map, KeySchemaNames);
    o.schema.missingValues = readList(map, KeySchemaValues);
    o.schema.missingColumns
        = readInt(map, KeySchemaMissing, SchemaAddMissing, SchemaAddMissing, SchemaMissingIsError);
    o.schema.outOfOrder
        = readInt(map, KeySchemaOrder, SchemaReorder, SchemaReorder, SchemaOrderIsError);
    o.schema.extraColumns
        = readInt(map, KeySchemaExtra, SchemaAddExtra, SchemaAddExtra, SchemaExtraIsError);
    o.watching = readBool(map, KeyWatching, false);
    o.alias = readText(map, KeyAlias);
    m_options = o;
    if (!o.watching || sourceKind() != MediumFile)
        stopWatching();

    // 11 and above (or nothing stored) means the type follows the source.
    int type = readInt(map, KeyFileType, FileTypeCount);
    if (type < 0 || type >= FileTypeCount) {
        if (sourceKind() == MediumClipboard)
            type = inputTypeForText(text);
        else
            type = inputTypeForPath(
                runContext().settings(), sourceKind() == MediumFolder ? o.fileMatch : path);
    }
    setFormatId(type);
}

QList<QPair<QString, QString>> InputNode::optionSummary() const
{
    const InputOptions& o = m_options;
    QList<QPair<QString, QString>> rows;
    const InputFormat* format = inputFormat(fileType());
    const ReadOptions read = readOptions();
    if (format)
        rows << format->optionSummary(read);
    if (format && format->usesIgnoredRows())
        rows << qMakePair(
            QStringLiteral("Ignore"), QStringLiteral("First %1 row(s)").arg(o.ignoredFirstRows));
    rows << qMakePair(QStringLiteral("Has header"), headerText(o.hasHeader))
         << qMakePair(QStringLiteral("Trim whitespace"), yesNo(o.trimWhitespace))
         << qMakePair(QStringLiteral("Simplify whitespace"), yesNo(o.simplifyWhitespace))
         << qMakePair(QStringLiteral("Ignore empty rows"), yesNo(o.ignoreEmptyRows))
         << qMakePair(QStringLiteral("Ignore empty columns"), yesNo(o.ignoreEmptyColumns));
    if (format)
        rows << format->trailingSummary(read);
    rows << qMakePair(QStringLiteral("Meta information"), metaPlacementName(o.metaPlacement))
         << qMakePair(QStringLiteral("Uses schema"), yesNo(o.schema.inUse));
    if (!o.alias.isEmpty())
        rows << qMakePair(QStringLiteral("Alias"), o.alias);
    return rows;
}

QList<QPair<QString, QString>> InputNode::inputSummary() const
{
    QList<QPair<QString, QString>> rows;
    rows << qMakePair(QStringLiteral("Type"), fileTypeName(fileType()))
         << qMakePair(QStringLiteral("Source"), mediumName(medium()));
    if (medium() == MediumFolder) {
        QString where = QDir::toNativeSeparators(
            QDir::fromNativeSeparators(m_options.folder) + QLatin1Char('/') + m_options.fileMatch);
        if (!m_options.sheetMatch.isEmpty())
            where += QStringLiteral("[%1]").arg(m_options.sheetMatch);
        rows << qMakePair(QStringLiteral("Folder"), where);
    } else if (medium() == MediumClipboard) {
        rows << qMakePair(QStringLiteral("Size"),
            QStringLiteral("%1 characters").arg(formatInteger(clipboardText().size())));
    } else {
        rows << qMakePair(QStringLiteral("File"), location());
    }
    rows << qMakePair(
        QStringLiteral("Connections out"), QString::number(connections(Outgoing).size()));
    if (m_filesRead > 0) {
        const QString read = m_sheetsRead > 0
            ? QStringLiteral("Read %1 sheet(s) from %2 file(s)").arg(m_sheetsRead).arg(m_filesRead)
            : QStringLiteral("Read %1 file(s)").arg(m_filesRead);
        rows << qMakePair(QStringLiteral("Read"), read);
    }
    return rows;
}

QString InputNode::sourcePath() const
{
    QString path;
    if (medium() == MediumFolder)
        path = m_options.folder.trimmed();
    else if (medium() == MediumFile)
        path = filePath().trimmed();
    return graph() ? graph()->absolutePath(path) : path;
}

void anchorRelativeInputs(GraphModel& graph, const QString& newDocumentPath)
{
    const QString from = QFileInfo(graph.documentPath()).absolutePath();
    if (graph.documentPath().isEmpty() || from == QFileInfo(newDocumentPath).absolutePath())
        return;
    for (Node* node : graph.nodes()) {
        auto* input = qobject_cast<InputNode*>(node);
        if (!input)
            continue;
        if (input->medium() == MediumFile && QFileInfo(input->filePath().trimmed()).isRelative())
            input->setFilePath(input->sourcePath());
        if (input->medium() == MediumFolder
            && QFileInfo(input->options().folder.trimmed()).isRelative()) {
            InputOptions options = input->options();
            options.folder = input->sourcePath();
            input->setOptions(options);
        }
    }
}

QList<QPair<QString, QString>> InputNode::locationRows() const
{
    QList<QPair<QString, QString>> rows;
    if (medium() == MediumFolder) {
        const QString folder = sourcePath();
        const QFileInfo info(folder);
        const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
        if (folder.isEmpty() || !info.isDir())
            return { qMakePair(QStringLiteral("Folder not found"), shown) };
        QStringList ignored;
        const int matching = listFolderFiles(
            runContext().settings(), folder, m_options.fileMatch, m_options.recurse, &ignored)
                                 .size();
        rows << qMakePair(QStringLiteral("Folder location"), shown)
             << qMakePair(QStringLiteral("Folder readable"), yesNo(info.isReadable()))
             << qMakePair(QStringLiteral("Folder created"), formatTimestamp(info.birthTime()))
             << qMakePair(QStringLiteral("Folder modified"), formatTimestamp(info.lastModified()))
             << qMakePair(QStringLiteral("And sub-folders"), yesNo(m_options.recurse))
             << qMakePair(QStringLiteral("Matching files"), formatInteger(matching));
        return rows;
    }
    const QString whole = sourcePath();
    if (medium() != MediumFile || whole.isEmpty())
        return rows;
    QString path;
    QString sheet;
    splitWorkbookPath(whole, &path, &sheet);
    const QFileInfo info(QFileInfo::exists(whole) ? whole : path);
    const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
    if (!info.exists())
        return { qMakePair(QStringLiteral("File not found"), shown) };
    rows << qMakePair(QStringLiteral("File location"), shown)
         << qMakePair(QStringLiteral("File readable"), yesNo(info.isReadable()))
         << qMakePair(QStringLiteral("File writable"), yesNo(info.isWritable()))
         << qMakePair(QStringLiteral("File size"),
                QStringLiteral("%1 bytes").arg(formatInteger(info.size())))
         << qMakePair(QStringLiteral("File created"), formatTimestamp(info.birthTime()))
         << qMakePair(QStringLiteral("File modified"), formatTimestamp(info.lastModified()));
    return rows;
}

QList<QPair<QString, QString>> InputNode::summaryRows() const
{
    QList<QPair<QString, QString>> rows = Node::summaryRows();
    rows << locationRows();
    // The item summary already has a "Type" row: the item's kind.
    QList<QPair<QString, QString>> input = inputSummary();
    for (auto& row : input) {
        if (row.first == QLatin1String("Type"))
            row.first = QStringLiteral("File type");
    }
    rows << input << optionSummary();
    return rows;
}
