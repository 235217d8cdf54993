#pragma once

// Writing a table into a workbook sheet: a new .xlsx through libxlsxwriter,
// or one sheet replaced or appended inside an existing .xlsx.

#include "core/dataset.h"
#include "output/writer.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// The cell formats of workbook output; the integers are stored in
// documents as the manual per-column formats.
enum ExcelColumnFormat : int {
    ExcelFormatGeneral = 0,
    ExcelFormatText = 1,
    ExcelFormatInteger = 2,
    ExcelFormatDecimal = 3,
    ExcelFormatDate = 4,
    ExcelFormatDateTime = 5,
    ExcelFormatPercent = 6,
    ExcelFormatCount
};

struct WorkbookWriteOptions
{
    QString sheet;
    int writeMode = WriteModeOverwrite;
    // "Sheet" mode: an existing workbook keeps its other sheets.
    bool replaceSheetOnly = true;
    bool writeHeader = true;
    bool headerOnlyIfEmpty = true;
    // One ExcelColumnFormat per column; missing columns are General.
    QVector<int> columnFormats;
    // A workbook path, maybe with "[sheet]", whose sheet lends the written
    // one its look; empty for none.
    QString styleTemplate;
};

struct WorkbookWriteResult
{
    bool written = false;
    bool error = false;
    QStringList warnings;
    QStringList information;
};

constexpr int ExcelMaxCellChars = 32767;
constexpr int ExcelMaxSheetName = 31;

// The lines "Unable to add sheet to '%1'." collects for a name Excel refuses;
// empty for a good name.
QStringList excelSheetNameProblems(const QString& name);
QString excelColumnFormatName(int format);
// How a value goes into a cell: a number (no leading zeros, which make a
// code), or an ISO date or date-time ("2026-12-04", "2026-12-04T13:05:07").
bool readExcelNumber(const QString& text, double* value);
bool readExcelDateTime(const QString& text, QDateTime* value, bool* hasTime);
// A format per column from its values: whole numbers, numbers, dates and
// date-times as such, anything else as text.
QVector<int> automaticExcelColumnFormats(const Dataset& data);

WorkbookWriteResult writeXlsxWorkbook(const QString& path, const Dataset& data,
    const WorkbookWriteOptions& options, const WriteProgress& progress);
