#pragma once

// What the workbook readers (.xlsx and .xls) hand over: the sheets of a
// workbook and the cells of one sheet, before they become text. Both formats
// meet here so that choosing a sheet, turning cells into text, hyperlinks and
// the hidden and empty rows behave the same for either.

#include "input/reader.h"
#include "input/workbookformats.h"

#include <climits>

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

struct WorkbookSheetInfo
{
    QString name;
    // Chart sheets and other kinds are listed by the file but hold no cells.
    bool isWorksheet = true;
};

// How a date-time cell shows its time, from the cell's number format.
enum WorkbookTimeForm : int { TimeMinutes = 0, TimeSeconds = 1, TimeMilliseconds = 2 };

struct WorkbookCell
{
    enum Kind : quint8 { Empty, Text, Number, Boolean, DateTime };
    int column = 0;
    Kind kind = Empty;
    quint8 timeForm = TimeMinutes;
    double number = 0.0;
    QString text;
};

struct WorkbookHyperlink
{
    int firstRow = 0;
    int lastRow = 0;
    int firstColumn = 0;
    int lastColumn = 0;
    QString target;
};

struct WorkbookSheet
{
    // Rows by index; a row's cells in column order. Rows past the last one
    // with cells are not there.
    QVector<QVector<WorkbookCell>> rows;
    QVector<int> hiddenRows;
    QVector<int> hiddenColumns;
    QVector<WorkbookHyperlink> hyperlinks;
    bool date1904 = false;
    // When set, a reader that meets the rows in order hands each one over
    // here instead of keeping it in rows, so that a large sheet is never
    // held twice. fraction is how far the read has come; returning false
    // stops the read (which still counts as read).
    std::function<bool(int row, const QVector<WorkbookCell>& cells, qreal fraction)> rowSink;

    QVector<WorkbookCell>& row(int index);
};

// The time form a number format code gives, or -1 when the code shows no
// date or time. Quoted text, escapes and colour or locale brackets are
// skipped; elapsed-time brackets such as [h] count as time.
int dateTimeFormForCode(const QString& code);
// The same for the formats every workbook has without storing them.
int dateTimeFormForBuiltIn(int id);

// "2026-12-04T13:05" and its longer forms for a cell number.
QString workbookDateText(double serial, bool date1904, int timeForm);

// The index of the sheet the name chooses: equal ignoring case, else the
// 1-based position written as a number; -1 when none, and the first sheet
// for an empty name.
int chooseWorkbookSheet(const QVector<WorkbookSheetInfo>& sheets, const QString& name);
// The worksheets with cells whose names match the wildcard (any case; empty
// or "*" match all), in workbook order.
QStringList matchWorkbookSheets(const QVector<WorkbookSheetInfo>& sheets,
    const QVector<bool>& hasCells, const QString& wildcard);

// Builds result->dataset from a sheet's rows as the options say. Rows are
// taken as they come, so the only thing held back is the number of each
// date cell: a date's time form is chosen per column, and a later cell can
// need a longer form than the ones written before it.
class WorkbookTableBuilder
{
public:
    WorkbookTableBuilder(const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result, bool date1904);

    // Makes the reader of this sheet hand its rows straight to the table.
    void attach(WorkbookSheet* sheet);
    // One sheet row, rows in increasing order; false when stopped.
    bool addRow(int row, const QVector<WorkbookCell>& cells, qreal fraction);
    // Takes the rows the reader kept, then applies the sheet's hyperlinks,
    // hidden rows and columns and the empty rows, adding the counts of what
    // was left out. False when stopped.
    bool finish(WorkbookSheet& sheet);

private:
    bool widenRows(Dataset* data, int width) const;
    // Marks the read as stopped by the user; false, for returning.
    bool stop();
    struct DateCell
    {
        int row;
        int column;
        double serial;
        quint8 form;
    };

    const ReadOptions& m_options;
    // The hidden rows and columns choice, from the format options.
    const WorkbookReadOptions m_hidden;
    const ReadProgress& m_progress;
    ReadResult* m_result;
    bool m_date1904;
    int m_first;
    int m_firstColumn = INT_MAX;
    int m_lastColumn = -1;
    qint64 m_cells = 0;
    // Per column: the longest time form met so far.
    QVector<quint8> m_forms;
    QVector<DateCell> m_dates;
};

// The same for a sheet whose rows were all kept.
bool workbookSheetToDataset(WorkbookSheet& sheet, const ReadOptions& options,
    const ReadProgress& progress, ReadResult* result);
