// The workbook output formats, .xlsx and .xls: the dataset as one named
// sheet of a workbook. The two differ in the writer and in how large a
// sheet the file format holds.

#include "output/workbookformats.h"

#include "core/optionmap.h"
#include "output/outputformat.h"
#include "output/xlswriter.h"
#include "output/xlsxwriter.h"

namespace {

using namespace OptionMap;

const QString KeyFormatting = QStringLiteral("excel_output");
const QString KeyUseTemplate = QStringLiteral("excel_use_style_template");
const QString KeyTemplatePath = QStringLiteral("excel_style_template_path");
const QString KeyColumnFormats = QStringLiteral("excel_manual_col_formats");
const QString KeyOverwriteSheet = QStringLiteral("overwrite_sheet");

using WorkbookWriter = WorkbookWriteResult (*)(
    const QString&, const Dataset&, const WorkbookWriteOptions&, const WriteProgress&);

QString formattingName(int formatting)
{
    switch (formatting) {
    case ExcelFormattingGeneral:
        return QStringLiteral("General");
    case ExcelFormattingManual:
        return QStringLiteral("Manual");
    default:
        return QStringLiteral("Automatic");
    }
}

// The cell format of each column as the Formatting option says; the
// automatic choice is told to the user, who may want to change it.
QVector<int> columnFormats(
    const Dataset& data, const WorkbookOutputOptions& options, QStringList* information)
{
    if (options.formatting == ExcelFormattingGeneral)
        return {};
    if (options.formatting == ExcelFormattingManual)
        return options.columnFormats;
    const QVector<int> formats = automaticExcelColumnFormats(data);
    *information << QStringLiteral("Formatting=Automatic sets Excel column formats as:");
    for (int c = 0; c < formats.size(); ++c)
        *information << QStringLiteral("%1: %2").arg(
            data.columnName(c), excelColumnFormatName(formats.at(c)));
    *information << QStringLiteral("Set 'Formatting' option to change");
    return formats;
}

} // namespace

WorkbookOutputOptions WorkbookOutputOptions::from(const QVariantMap& map)
{
    WorkbookOutputOptions o;
    o.formatting = readInt(map, KeyFormatting, ExcelFormattingAutomatic, ExcelFormattingAutomatic,
        ExcelFormattingManual);
    o.columnFormats = readIntList(map, KeyColumnFormats);
    o.useStyleTemplate = readBool(map, KeyUseTemplate, false);
    o.styleTemplatePath = readText(map, KeyTemplatePath);
    o.replaceSheetOnly = readBool(map, KeyOverwriteSheet, true);
    return o;
}

void WorkbookOutputOptions::store(QVariantMap* map) const
{
    map->insert(KeyFormatting, formatting);
    map->insert(KeyUseTemplate, int(useStyleTemplate));
    map->insert(KeyTemplatePath, styleTemplatePath);
    map->insert(KeyColumnFormats, intListText(columnFormats));
    map->insert(KeyOverwriteSheet, int(replaceSheetOnly));
}

namespace {

class WorkbookOutputFormat : public OutputFormat
{
public:
    WorkbookOutputFormat(int type, WorkbookWriter writer, int maxRows, int maxColumns)
        : m_type(type), m_writer(writer), m_maxRows(maxRows), m_maxColumns(maxColumns)
    {
    }

    int fileType() const override { return m_type; }
    bool hasSheets() const override { return true; }
    bool writesText() const override { return false; }

    void saveOptions(const QVariantMap& options, QVariantMap* stored) const override
    {
        WorkbookOutputOptions::from(options).store(stored);
    }

    void restoreOptions(
        const QVariantMap& stored, const QString&, QVariantMap* options) const override
    {
        WorkbookOutputOptions::from(stored).store(options);
    }

    OutputSummaryRows trailingSummary(const TextWriteOptions& options) const override
    {
        const int formatting = WorkbookOutputOptions::from(options.formatOptions).formatting;
        return { qMakePair(QStringLiteral("Formatting"), formattingName(formatting)) };
    }

    QString writeModeSummary(int writeMode, const TextWriteOptions& options) const override
    {
        const bool sheetOnly = WorkbookOutputOptions::from(options.formatOptions).replaceSheetOnly;
        return writeModeName(writeMode)
            + (sheetOnly ? QStringLiteral("/Sheet") : QStringLiteral("/File"));
    }

    TextWriteResult writeFile(const QString& path, const QString& sheet, const Dataset& data,
        const FileWriteOptions& options, const WriteProgress& progress) const override
    {
        TextWriteResult result;
        if (data.rowCount() > m_maxRows || data.columnCount() > m_maxColumns)
            result.warnings << sizeWarning();
        const WorkbookOutputOptions own = WorkbookOutputOptions::from(options.text.formatOptions);
        WorkbookWriteOptions book;
        // A path without a sheet writes the sheet a new workbook would have.
        book.sheet = sheet.isEmpty() ? QStringLiteral("Sheet1") : sheet;
        book.writeMode = options.writeMode;
        book.replaceSheetOnly = own.replaceSheetOnly;
        book.writeHeader = options.text.writeHeader;
        book.headerOnlyIfEmpty = options.headerOnlyIfEmpty;
        book.columnFormats = columnFormats(data, own, &result.information);
        if (own.useStyleTemplate)
            book.styleTemplate = own.styleTemplatePath;
        const WorkbookWriteResult written = m_writer(path, data, book, progress);
        result.error = written.error;
        result.fileWritten = written.written;
        result.warnings << written.warnings;
        result.information << written.information;
        return result;
    }

    TextWriteResult write(
        QTextStream&, const Dataset&, const TextWriteOptions&, const WriteProgress&) const override
    {
        TextWriteResult result;
        result.error = true;
        result.warnings
            << QStringLiteral("File type '%1' is not written as text").arg(fileTypeName(m_type));
        return result;
    }

private:
    QString sizeWarning() const
    {
        const bool xlsx = m_type == FileTypeExcelXlsx;
        const QString warning = QStringLiteral(
            "The output dataset exceeds the maximum size for an Excel %1 file of %2 rows x %3 "
            "columns, it may be truncated by Excel")
                                    .arg(xlsx ? QStringLiteral(".xlsx") : QStringLiteral(".xls"))
                                    .arg(m_maxRows)
                                    .arg(m_maxColumns);
        return xlsx ? warning
                    : warning + QStringLiteral(" (the Excel .xlsx format supports larger files)");
    }

    int m_type;
    WorkbookWriter m_writer;
    int m_maxRows;
    int m_maxColumns;
};

} // namespace

const OutputFormat& xlsxOutputFormat()
{
    static const WorkbookOutputFormat format(FileTypeExcelXlsx, &writeXlsxWorkbook, 1048576, 16384);
    return format;
}

const OutputFormat& xlsOutputFormat()
{
    static const WorkbookOutputFormat format(FileTypeExcelXls, &writeXlsWorkbook, 65536, 256);
    return format;
}
