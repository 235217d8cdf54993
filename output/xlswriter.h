#pragma once

// Writing .xls workbooks: BIFF8 records in a compound file.
//
// Written here because no Debian library writes BIFF8. A table needs only a
// small part of it: one font, the number formats of the column formats,
// shared strings, number and string cells, and the sheet list.

#include "output/xlsxwriter.h"

#include <QByteArray>
#include <QString>
#include <QVector>

struct XlsSheet
{
    QString name;
    Dataset data;
    bool header = false;
    QVector<int> columnFormats;
};

// The workbook stream for the sheets; *cut counts the values shortened to
// the cell limit.
QByteArray xlsWorkbookStream(const QVector<XlsSheet>& sheets, int* cut);

// Writes the named sheet as the options say. "Sheet" mode into an existing
// .xls rewrites the workbook from the values of its other sheets.
WorkbookWriteResult writeXlsWorkbook(const QString& path, const Dataset& data,
    const WorkbookWriteOptions& options, const WriteProgress& progress);
