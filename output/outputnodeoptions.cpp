// Storing an Output item's options under the attribute names of the output
// element of a document, and describing them for the item summary.

#include "graph/optionmap.h"
#include "graph/runcontext.h"
#include "output/outputnode.h"

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
const QString KeyDelimiter = QStringLiteral("delimiter");
const QString KeyLineEndings = QStringLiteral("line_endings");
const QString KeyQuote = QStringLiteral("quote");
const QString KeyExcelFormatting = QStringLiteral("excel_output");
const QString KeyUseTemplate = QStringLiteral("excel_use_style_template");
const QString KeyTemplatePath = QStringLiteral("excel_style_template_path");
const QString KeyExcelFormats = QStringLiteral("excel_manual_col_formats");
const QString KeyJsonTypes = QStringLiteral("json_types");
const QString KeyJsonColumnTypes = QStringLiteral("json_manual_col_types");
const QString KeyEncoding = QStringLiteral("encoding");
const QString KeyBom = QStringLiteral("bom");
const QString KeyAboveRoot = QStringLiteral("xml_above_root");
const QString KeyRoot = QStringLiteral("xml_root");
const QString KeyBelowRoot = QStringLiteral("xml_below_root");
const QString KeyRow = QStringLiteral("xml_row");
const QString KeyEscapeHtml = QStringLiteral("html_encode");
const QString KeyWriteMode = QStringLiteral("enable_output");
const QString KeyOverwriteSheet = QStringLiteral("overwrite_sheet");
const QString KeySheet = QStringLiteral("worksheet");
const QString KeyWriteHeader = QStringLiteral("write_header");
const QString KeyHeaderIfEmpty = QStringLiteral("write_header_first_append_only");
const QString KeyRemoveEmpty = QStringLiteral("remove_empty");
const QString KeyComment = QStringLiteral("file_comment");

QString delimiterLabel(int delimiter)
{
    switch (delimiter) {
    case DelimiterSemicolon:
        return QStringLiteral("Semi-colon (;)");
    case DelimiterColon:
        return QStringLiteral("Colon (:)");
    case DelimiterTab:
        return QStringLiteral("Tab (\\t)");
    case DelimiterPipe:
        return QStringLiteral("Pipe (|)");
    case DelimiterCaret:
        return QStringLiteral("Caret (^)");
    case DelimiterSpace:
        return QStringLiteral("Space ( )");
    case DelimiterCustom:
        return QStringLiteral("Custom");
    case DelimiterUnitSeparator:
        return QStringLiteral("Unit separator (0x1F)");
    default:
        return QStringLiteral("Comma (,)");
    }
}

QString quotingLabel(int quoting)
{
    switch (quoting) {
    case QuotingAlways:
        return QStringLiteral("Always");
    case QuotingNever:
        return QStringLiteral("Never");
    default:
        return QStringLiteral("As needed");
    }
}

// The labels of the Excel "Formatting" and JSON "Types" choices.
QString automaticGeneralManual(int value, const QString& middle)
{
    switch (value) {
    case 1:
        return middle;
    case 2:
        return QStringLiteral("Manual");
    default:
        return QStringLiteral("Automatic");
    }
}

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
    return QVariantMap {
        { KeyFiles, o.files },
        { KeyFilesColumn, column },
        { KeyConfirm, int(o.confirmMultiFile) },
        { KeyPath, filePath() },
        { KeyFileType, formatId() },
        { KeyAlias, o.alias },
        { KeyCustomDelimiter, QString(charOption()) },
        { KeyDelimiter, o.delimiter },
        { KeyLineEndings, o.lineEnding },
        { KeyQuote, o.quoting },
        { KeyExcelFormatting, o.excelFormatting },
        { KeyUseTemplate, int(o.excelUseStyleTemplate) },
        { KeyTemplatePath, o.excelStyleTemplatePath },
        { KeyExcelFormats, intListText(o.excelColumnFormats) },
        { KeyJsonTypes, o.jsonValueTypes },
        { KeyJsonColumnTypes, intListText(o.jsonColumnTypes) },
        { KeyEncoding, o.encoding },
        { KeyBom, int(o.byteOrderMark) },
        { KeyAboveRoot, o.xmlAboveRoot },
        { KeyRoot, o.xmlRootName },
        { KeyBelowRoot, o.xmlBelowRoot },
        { KeyRow, o.xmlRowName },
        { KeyEscapeHtml, int(o.escapeHtml) },
        { KeyWriteMode, o.writeMode },
        { KeyOverwriteSheet, int(o.excelOverwriteSheet) },
        { KeySheet, sheetName() },
        { KeyWriteHeader, int(o.writeHeader) },
        { KeyHeaderIfEmpty, int(o.headerOnlyIfEmpty) },
        { KeyRemoveEmpty, int(o.removeEmpty) },
        { KeyComment, o.fileComment },
    };
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
    o.excelOverwriteSheet = readBool(map, KeyOverwriteSheet, true);
    o.delimiter
        = readInt(map, KeyDelimiter, DelimiterComma, DelimiterComma, DelimiterUnitSeparator);
    o.quoting = readInt(map, KeyQuote, defaultOutputQuoting(path), QuotingAsNeeded, QuotingNever);
    o.lineEnding = readInt(
        map, KeyLineEndings, LineEndingAutomatic, LineEndingAutomatic, LineEndingRecordSeparator);
    o.encoding = readText(map, KeyEncoding, QStringLiteral("UTF-8"));
    if (o.encoding.isEmpty())
        o.encoding = QStringLiteral("UTF-8");
    o.byteOrderMark = readBool(map, KeyBom, true);
    o.writeHeader = readBool(map, KeyWriteHeader, true);
    o.headerOnlyIfEmpty = readBool(map, KeyHeaderIfEmpty, true);
    o.removeEmpty = readBool(map, KeyRemoveEmpty, true);
    o.escapeHtml = readBool(map, KeyEscapeHtml, true);
    o.xmlAboveRoot = readText(map, KeyAboveRoot);
    o.xmlRootName = readText(map, KeyRoot);
    if (o.xmlRootName.isEmpty())
        o.xmlRootName = QStringLiteral("root");
    o.xmlBelowRoot = readText(map, KeyBelowRoot);
    o.xmlRowName = readText(map, KeyRow);
    if (o.xmlRowName.isEmpty())
        o.xmlRowName = QStringLiteral("record");
    o.fileComment = readText(map, KeyComment);
    o.excelFormatting = readInt(map, KeyExcelFormatting, ExcelFormattingAutomatic,
        ExcelFormattingAutomatic, ExcelFormattingManual);
    o.excelColumnFormats = readIntList(map, KeyExcelFormats);
    o.excelUseStyleTemplate = readBool(map, KeyUseTemplate, false);
    o.excelStyleTemplatePath = readText(map, KeyTemplatePath);
    o.jsonValueTypes = readInt(
        map, KeyJsonTypes, JsonValueTypesAutomatic, JsonValueTypesAutomatic, JsonValueTypesManual);
    o.jsonColumnTypes = readIntList(map, KeyJsonColumnTypes);
    o.alias = readText(map, KeyAlias);
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
    const int type = formatId();
    const bool excel = isExcel();
    QList<QPair<QString, QString>> rows;
    if (type == FileTypeDelimited || type == FileTypeFixedWidth) {
        QString delimiter = delimiterLabel(o.delimiter);
        if (o.delimiter == DelimiterCustom)
            delimiter += QStringLiteral(" (%1)").arg(charOption());
        rows << qMakePair(QStringLiteral("Delimiter"), delimiter)
             << qMakePair(QStringLiteral("Quoting"), quotingLabel(o.quoting));
    }
    if (!excel) {
        rows << qMakePair(QStringLiteral("Line endings"), lineEndingName(o.lineEnding))
             << qMakePair(QStringLiteral("Encoding"), o.encoding);
        if (o.encoding.contains(QLatin1String("utf"), Qt::CaseInsensitive))
            rows << qMakePair(QStringLiteral("Byte Order Mark"), yesNo(o.byteOrderMark));
    }
    if (type == FileTypeJson || type == FileTypeXml)
        rows << qMakePair(QStringLiteral("Remove empty"), yesNo(o.removeEmpty));
    if (type == FileTypeXml) {
        rows << qMakePair(QStringLiteral("Above root"), o.xmlAboveRoot)
             << qMakePair(QStringLiteral("Root name"), o.xmlRootName)
             << qMakePair(QStringLiteral("Below root"), o.xmlBelowRoot)
             << qMakePair(QStringLiteral("Row name"), o.xmlRowName);
    }
    if (type == FileTypeHtml)
        rows << qMakePair(QStringLiteral("Escape special"), yesNo(o.escapeHtml));
    if (excel) {
        rows << qMakePair(QStringLiteral("Formatting"),
            automaticGeneralManual(o.excelFormatting, QStringLiteral("General")));
    }
    if (type == FileTypeJson) {
        rows << qMakePair(QStringLiteral("Types"),
            automaticGeneralManual(o.jsonValueTypes, QStringLiteral("String")));
    }
    QString mode = writeModeName(o.writeMode);
    if (excel)
        mode += o.excelOverwriteSheet ? QStringLiteral("/Sheet") : QStringLiteral("/File");
    rows << qMakePair(QStringLiteral("Write mode"), mode);
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
