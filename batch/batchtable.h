#pragma once

// The batch table of a document: which aliased items it has columns for,
// what the user is warned about before a batch, the rows as the window
// edits them and as the document stores them, and the file patterns of
// input cells.

#include "document/documentinfo.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

class GraphModel;
class Node;

struct BatchColumn
{
    enum Kind { Input, Output, Chart, Record };
    Kind kind = Input;
    QString alias;
    QString heading;
};

// One row of the table: the cell text for each alias; empty cells leave the
// item as the document has it.
using BatchRow = QMap<QString, QString>;

namespace BatchTable {

// The key of the window's extra column after the items' columns, where a
// row names the run record each of its runs writes (file-name variables
// allowed); no alias has braces.
inline const QString RecordKey = QStringLiteral("{record}");
// The items' columns and then the run record's.
QVector<BatchColumn> columnsWithRecord(const GraphModel& scene);

// A column per Input item with an alias, then per usable Output item and
// per usable Chart item, in canvas order; an alias gets one column only,
// the input's when an input holds it too.
QVector<BatchColumn> columns(const GraphModel& scene);
// What will be ignored in a batch, shown before processing.
QStringList checks(const GraphModel& scene);
// The Output and Chart items (their names) that more than one run of these
// rows would write to the same file, each run replacing what the one before
// wrote: no cell of their own, the same cell in two rows, or a row whose
// input cell is a wildcard. A cell with file-name variables ("{month}") is
// taken to differ from row to row; appending outputs are meant to gather.
QStringList sharedOutputs(const GraphModel& scene, const QVector<BatchRow>& rows);
// An Output or Chart item is usable when an Input item feeds it, and an
// Output item when its write mode writes something.
bool isUsable(const Node& node);
QString aliasOf(const Node& node);

// Stored rows are numbered from 0; a row left empty in between survives as
// an empty row.
QVector<BatchRow> rowsFromValues(const QVector<BatchValue>& values);
QVector<BatchValue> valuesFromRows(const QVector<BatchRow>& rows);

// "*" and "?" in the file name (not in its folder).
bool hasWildcards(const QString& text);
// A workbook cell may end with a sheet name or pattern in brackets:
// "*.xlsx[*]". Splits it off; the sheet is empty without brackets.
void splitSheetPattern(const QString& cell, QString* file, QString* sheet);
// The files of the pattern's folder whose names match it, any case,
// hidden files included and symbolic links left out, in name order,
// absolute.
QStringList matchingFiles(const QString& pattern);
// Whether a name matches a pattern of "*" and "?", any case.
bool matchesPattern(const QString& name, const QString& pattern);

} // namespace BatchTable
