#pragma once

// Reads .xls workbooks (BIFF8 records inside an OLE2 compound file).
//
// Written here rather than taken from a library: the one Debian library for
// the format reads no booleans, number formats, hidden rows or hyperlinks
// and fails on workbooks that hold a chart sheet, all of which a table read
// needs. Only the parts a table needs are read: the compound file's
// allocation tables and directory to find the workbook stream, then the
// sheet list, shared strings, formats and the cell records of one sheet.

#include "input/workbook.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class XlsBook
{
public:
    // Reads the workbook stream and its global records; false when the
    // file is no compound file or holds no BIFF8 workbook.
    bool load(const QString& path);
    const QVector<WorkbookSheetInfo>& sheets() const { return m_sheets; }
    bool date1904() const { return m_date1904; }
    bool readSheet(int index, WorkbookSheet* sheet) const;

private:
    bool readGlobals();

    QByteArray m_stream;
    QVector<WorkbookSheetInfo> m_sheets;
    QVector<quint32> m_sheetOffsets;
    QStringList m_shared;
    // Per XF record: the time form of its number format, or -1.
    QVector<int> m_xfForms;
    bool m_date1904 = false;
};

// The workbook stream ("Workbook", or "Book" in older files) of a compound
// file; empty when there is none.
QByteArray compoundFileStream(const QByteArray& file, const QStringList& names);
// An RK number: a 30-bit integer or the high bits of a double, maybe / 100.
double decodeRk(quint32 rk);
