#pragma once

// Reads .xlsx workbooks: a ZIP archive (libzip) of XML parts
// (QXmlStreamReader). Only what a table needs is read: the sheet list, the
// cells with their shared strings and number formats, hidden rows and
// columns, and hyperlinks.

#include "input/workbook.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

struct zip;
struct zip_file;

class XlsxBook
{
public:
    XlsxBook() = default;
    ~XlsxBook();
    XlsxBook(const XlsxBook&) = delete;
    XlsxBook& operator=(const XlsxBook&) = delete;

    // Opens the archive; false when it is no ZIP archive.
    bool open(const QString& path);
    // Reads the sheet list, the shared strings and the styles; false when
    // the archive holds no readable workbook.
    bool load();
    bool load(const QString& path) { return open(path) && load(); }
    const QVector<WorkbookSheetInfo>& sheets() const { return m_sheets; }
    bool date1904() const { return m_date1904; }
    // Reads the sheet's cells as its part is unpacked, never holding the
    // whole part; rows go to sheet->rowSink when it is set.
    bool readSheet(int index, WorkbookSheet* sheet);

    // Where the parts are, for writing a sheet into the archive.
    QString workbookPart() const { return m_workbookPart; }
    QString stylesPart() const { return m_stylesPart; }
    QString sheetPart(int index) const { return m_sheetParts.value(index); }

    // A part of the archive by name (any case); empty when missing.
    QByteArray part(const QString& name, bool* found = nullptr) const;

private:
    QHash<QString, QString> relationships(const QString& partName, QHash<QString, QString>* types,
        QHash<QString, bool>* external = nullptr) const;
    // Opens a part for reading as it is unpacked; null when missing.
    zip_file* openPart(const QString& name, qint64* size) const;
    void readSharedStrings(const QString& name);
    void readStyles(const QString& name);

    // The parts read whole (workbook, relationships, styles) are a few KB in
    // any real workbook; sheets and shared strings are streamed.
    static constexpr qint64 MaxWholePartBytes = 256 * 1024 * 1024;
    bool sizesAreSane(qint64 archiveBytes) const;

    zip* m_zip = nullptr;
    QVector<WorkbookSheetInfo> m_sheets;
    QStringList m_sheetParts;
    QString m_workbookPart;
    QString m_stylesPart;
    QStringList m_shared;
    // Per cell style: the time form of its number format, or -1.
    QVector<int> m_styleForms;
    bool m_date1904 = false;
};

// "A1" to zero-based row and column; false for anything else.
bool parseCellReference(QStringView ref, int* row, int* column);
// Undoes the "_xHHHH_" escapes that keep characters XML cannot hold.
QString unescapeXlsxText(const QString& text);
// A relationship target resolved against the folder of the part it is in.
QString resolvePartName(const QString& fromPart, const QString& target);
