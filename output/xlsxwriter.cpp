#include "output/xlsxwriter.h"

#include "core/paths.h"
#include "core/scratchfile.h"
#include "core/values.h"
#include "output/librarymessages.h"
#include "output/outputfile.h"
#include "output/xlsxsheetmode.h"
#include "output/xlsxtemplate.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <xlsxwriter.h>
#include <zip.h>

#include <cmath>

namespace {

// The number formats behind ExcelColumnFormat, in its order.
const char* const NumberFormats[ExcelFormatCount]
    = { nullptr, "@", "0", "0.00", "yyyy-mm-dd", "yyyy-mm-dd hh:mm:ss", "0%" };

} // namespace

bool readExcelNumber(const QString& text, double* value)
{
    // A leading zero is part of a code ("007"), not of a number.
    if (text.size() > 1 && text.at(0) == QLatin1Char('0') && text.at(1).isDigit())
        return false;
    bool ok = false;
    *value = toNumber(text, false, false, &ok);
    return ok;
}

// "2026-12-04", "2026-12-04T13:05", with seconds and milliseconds; a space
// may stand for the T.
bool readExcelDateTime(const QString& text, QDateTime* value, bool* hasTime)
{
    if (text.size() == 10) {
        const QDate date = QDate::fromString(text, Qt::ISODate);
        *value = QDateTime(date, QTime(0, 0));
        *hasTime = false;
        return date.isValid();
    }
    if (text.size() < 16 || (text.at(10) != QLatin1Char('T') && text.at(10) != QLatin1Char(' ')))
        return false;
    QString iso = text;
    iso[10] = QLatin1Char('T');
    *value = QDateTime::fromString(iso, Qt::ISODateWithMs);
    *hasTime = true;
    return value->isValid() && value->timeSpec() == Qt::LocalTime;
}

namespace {

int columnFormatFor(const Dataset& data, int column)
{
    bool numbers = true;
    bool whole = true;
    bool dates = true;
    bool times = false;
    bool any = false;
    for (int r = 0; r < data.rowCount() && (numbers || dates); ++r) {
        const QString& text = data.value(r, column);
        if (text.isEmpty())
            continue;
        any = true;
        double number = 0;
        if (numbers && readExcelNumber(text, &number))
            whole = whole && number == std::floor(number) && std::fabs(number) < 1e15;
        else
            numbers = false;
        QDateTime when;
        bool hasTime = false;
        if (dates && readExcelDateTime(text, &when, &hasTime))
            times = times || hasTime;
        else
            dates = false;
    }
    if (!any)
        return ExcelFormatGeneral;
    if (numbers)
        return whole ? ExcelFormatInteger : ExcelFormatGeneral;
    if (dates)
        return times ? ExcelFormatDateTime : ExcelFormatDate;
    return ExcelFormatText;
}

} // namespace

QStringList excelSheetNameProblems(const QString& name)
{
    QStringList lines;
    if (name.isEmpty())
        lines << QStringLiteral("\nSheet name cannot be empty.");
    if (name.size() > ExcelMaxSheetName)
        lines << QStringLiteral("\nSheet name length is %1 characters. Excel maximum sheet name "
                                "length is %2 characters.")
                     .arg(name.size())
                     .arg(ExcelMaxSheetName);
    for (const QChar c : QStringLiteral("][:?*/\\")) {
        if (name.contains(c))
            lines << QStringLiteral("\n'%1' is not allowed in Excel sheet names.").arg(c);
    }
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        lines << QStringLiteral("\nApostrophes (') are not allowed at the start or end of Excel "
                                "sheet names.");
    if (name.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0)
        lines << QStringLiteral("\n'History' is a reserved Excel sheet name.");
    return lines;
}

QString excelColumnFormatName(int format)
{
    static const char* const names[ExcelFormatCount]
        = { "General", "Text", "Integer", "Decimal", "Date", "Date-time", "Percent" };
    return QString::fromLatin1(names[format >= 0 && format < ExcelFormatCount ? format : 0]);
}

QVector<int> automaticExcelColumnFormats(const Dataset& data)
{
    QVector<int> formats;
    for (int c = 0; c < data.columnCount(); ++c)
        formats << columnFormatFor(data, c);
    return formats;
}

namespace {

constexpr int XlsxRowLimit = 1048576;
constexpr int XlsxColumnLimit = 16384;

// Writes the cells of one sheet, each column with its own cell formats for
// the header and the data: the number format of its column format, and the
// look of a style template's column when there is one.
class SheetWriter
{
public:
    SheetWriter(lxw_workbook* book, lxw_worksheet* sheet, const QVector<int>& columnFormats,
        int columns, const XlsxSheetStyle* look)
        : m_sheet(sheet)
    {
        for (int c = 0; c < columns; ++c) {
            const int format = columnFormats.value(c);
            m_kinds << (format >= 0 && format < ExcelFormatCount ? format : 0);
            const XlsxCellStyle* header
                = look && c < look->header.size() ? &look->header[c] : nullptr;
            const XlsxCellStyle* data = look && c < look->data.size() ? &look->data[c] : nullptr;
            m_header << addTemplateFormat(book, header, NumberFormats[ExcelFormatText]);
            m_data << addTemplateFormat(book, data, NumberFormats[m_kinds.last()]);
            if (look && look->widths.value(c) > 0)
                worksheet_set_column(
                    sheet, lxw_col_t(c), lxw_col_t(c), look->widths.at(c), nullptr);
        }
    }

    void writeHeader(int column, const QString& text)
    {
        writeText(0, column, text, m_header.at(column));
    }

    void write(int row, int column, const QString& text)
    {
        if (text.isEmpty())
            return;
        const int format = m_kinds.at(column);
        lxw_format* style = m_data.at(column);
        if (format == ExcelFormatDate || format == ExcelFormatDateTime) {
            QDateTime when;
            bool hasTime = false;
            if (readExcelDateTime(text, &when, &hasTime)) {
                const QTime t = when.time();
                lxw_datetime value { when.date().year(), when.date().month(), when.date().day(),
                    t.hour(), t.minute(), t.second() + t.msec() / 1000.0 };
                worksheet_write_datetime(m_sheet, row, lxw_col_t(column), &value, style);
                return;
            }
        } else if (format != ExcelFormatText) {
            double number = 0;
            if (readExcelNumber(text, &number)) {
                worksheet_write_number(m_sheet, row, lxw_col_t(column), number, style);
                return;
            }
        }
        writeText(row, column, text, style);
    }

    int cutCount() const { return m_cut; }

private:
    void writeText(int row, int column, const QString& text, lxw_format* style)
    {
        if (text.isEmpty())
            return;
        // Excel holds no longer text in a cell; the rest is cut rather
        // than the whole value lost.
        QString shown = text;
        if (shown.size() > ExcelMaxCellChars) {
            shown.truncate(ExcelMaxCellChars);
            if (shown.at(shown.size() - 1).isHighSurrogate())
                shown.chop(1);
            ++m_cut;
        }
        worksheet_write_string(m_sheet, row, lxw_col_t(column), shown.toUtf8().constData(), style);
    }

    lxw_worksheet* m_sheet;
    QVector<int> m_kinds;
    QVector<lxw_format*> m_header;
    QVector<lxw_format*> m_data;
    int m_cut = 0;
};

// The library keeps a sheet's rows in a scratch file and does not notice
// when writing it fails (a full disk): the workbook then holds a sheet cut
// off in the middle and is reported written. A complete sheet part ends
// with its closing tag, so the written archive is read back to see it.
bool sheetIsComplete(const QString& file)
{
    int error = 0;
    zip* archive = zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return false;
    zip_file_t* part = zip_fopen(archive, "xl/worksheets/sheet1.xml", 0);
    QByteArray tail;
    if (part) {
        char buffer[65536];
        zip_int64_t read = 0;
        while ((read = zip_fread(part, buffer, sizeof buffer)) > 0)
            tail = tail.right(64) + QByteArray(buffer, int(read)).right(64);
        zip_fclose(part);
    }
    zip_discard(archive);
    return tail.trimmed().endsWith("</worksheet>");
}

// Writes a one-sheet workbook to file; false with the library's reason.
bool writeNewWorkbook(const QString& file, const QString& sheetName, const Dataset& data,
    const WorkbookWriteOptions& options, bool header, const XlsxSheetStyle* look,
    const WriteProgress& progress, WorkbookWriteResult* result)
{
    QTemporaryDir scratch;
    QByteArray scratchPath = QFile::encodeName(scratch.path());
    lxw_workbook_options bookOptions { LXW_TRUE, scratchPath.data(), LXW_TRUE };
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(file).constData(), &bookOptions);
    if (!book)
        return false;
    lxw_worksheet* sheet = workbook_add_worksheet(book, sheetName.toUtf8().constData());
    const int columns = std::min(data.columnCount(), XlsxColumnLimit);
    SheetWriter writer(book, sheet, options.columnFormats, columns, look);
    int row = 0;
    if (header) {
        for (int c = 0; c < columns; ++c)
            writer.writeHeader(c, data.columnName(c));
        ++row;
    }
    for (int r = 0; r < data.rowCount() && row < XlsxRowLimit; ++r, ++row) {
        for (int c = 0; c < columns; ++c)
            writer.write(row, c, data.value(r, c));
        if (progress && r % 4096 == 0 && !progress(qreal(r) / data.rowCount())) {
            LibraryMessages messages;
            workbook_close(book);
            messages.take();
            result->warnings << QStringLiteral("Stopped by user");
            return false;
        }
    }
    if (writer.cutCount() > 0)
        result->warnings << QStringLiteral(
            "%1 value(s) longer than %2 characters were cut to fit an Excel cell")
                                .arg(writer.cutCount())
                                .arg(ExcelMaxCellChars);
    LibraryMessages messages;
    const lxw_error closed = workbook_close(book);
    result->warnings << messages.take();
    return closed == LXW_NO_ERROR && sheetIsComplete(file);
}

QString savingFailure(const QString& path)
{
    return QStringLiteral("Unable to save to '%1'. If this file is already open, close it and "
                          "click the write to file button in the 'Data' tab.")
        .arg(displayPath(path));
}

// The look of the style template sheet, when one is set and can be read;
// the write goes on without it otherwise.
void readStyleTemplate(const QString& path, const WorkbookWriteOptions& options,
    XlsxSheetStyle* look, WorkbookWriteResult* result)
{
    if (options.styleTemplate.isEmpty())
        return;
    QString file;
    QString sheet;
    splitSheetFromPath(options.styleTemplate, file, sheet);
    QString error;
    if (!readXlsxSheetStyle(file, sheet, look, &error)) {
        result->warnings << QStringLiteral("Unable to copy styling from '%1[%2]: %3")
                                .arg(displayPath(file), sheet, error);
        return;
    }
    if (QFileInfo(file).canonicalFilePath() == QFileInfo(path).canonicalFilePath()
        && look->sheet.compare(options.sheet, Qt::CaseInsensitive) == 0) {
        *look = XlsxSheetStyle();
        result->warnings << QStringLiteral("Cannot use a sheet as it's own style template.");
        return;
    }
    result->information
        << QStringLiteral("Copied styling from '%1[%2]'").arg(displayPath(file), look->sheet);
}

} // namespace

WorkbookWriteResult writeXlsxWorkbook(const QString& path, const Dataset& data,
    const WorkbookWriteOptions& options, const WriteProgress& progress)
{
    WorkbookWriteResult result;
    const QString shown = QStringLiteral("%1[%2]").arg(displayPath(path), options.sheet);
    const QStringList problems = excelSheetNameProblems(options.sheet);
    if (!problems.isEmpty()) {
        result.error = true;
        result.warnings << QStringLiteral("Unable to add sheet to '%1'.").arg(displayPath(path))
                + problems.join(QString());
        result.warnings << QStringLiteral("Failed to write to %1").arg(shown);
        return result;
    }
    const bool existed = QFileInfo::exists(path);
    if (options.writeMode == WriteModeNew && existed) {
        result.warnings
            << QStringLiteral("Write mode='New' and '%1' already exists").arg(displayPath(path));
        return result;
    }
    const bool intoExisting
        = existed && (options.replaceSheetOnly || options.writeMode == WriteModeAppend);
    XlsxSheetStyle look;
    readStyleTemplate(path, options, &look, &result);
    SheetModeResult merged;
    Dataset rows = data;
    bool header = options.writeHeader;
    if (intoExisting && !prepareSheetMode(path, options, &rows, &header, &merged)) {
        result.error = true;
        result.warnings << merged.error << QStringLiteral("Failed to write to %1").arg(shown);
        return result;
    }
    // The new workbook (and, into an existing one, the sheet on its own) go
    // to scratch files that replace the workbook only once complete.
    ScratchFile scratch(path);
    ScratchFile sheetScratch(path);
    const QString sheetFile = intoExisting ? sheetScratch.path() : scratch.path();
    const bool ok = scratch.isValid() && sheetScratch.isValid()
        && writeNewWorkbook(sheetFile, options.sheet, rows, options, header,
            look.sheet.isEmpty() ? nullptr : &look, progress, &result)
        && (!intoExisting
            || mergeSheetInto(path, sheetFile, scratch.path(), options.sheet, merged));
    if (!ok || !scratch.commit()) {
        result.error = true;
        result.warnings << savingFailure(path)
                        << QStringLiteral("Failed to write to %1").arg(shown);
        return result;
    }
    result.written = true;
    if (!intoExisting)
        result.information << (existed ? QStringLiteral("Overwrote file '%1'")
                                       : QStringLiteral("Created file '%1'"))
                                  .arg(displayPath(path));
    else
        result.information << (merged.appended ? QStringLiteral("Appended sheet '%1'")
                                               : QStringLiteral("Overwrote sheet '%1'"))
                                  .arg(shown);
    return result;
}
