#include "output/xlswriter.h"

#include "core/scratchfile.h"

#include "core/paths.h"
#include "input/workbook.h"
#include "input/xlsreader.h"
#include "output/compoundfilewriter.h"

#include <QDataStream>
#include <QFileInfo>
#include <QHash>
#include <QtEndian>

#include <cstring>

namespace {

constexpr int MaxRecord = 8224;
constexpr int XlsRowLimit = 65536;
constexpr int XlsColumnLimit = 256;
constexpr int FirstCellXf = 15;
// The number format of each ExcelColumnFormat: built-in ones, and 164 and
// 165 for the two dates written as FORMAT records.
const quint16 FormatIds[ExcelFormatCount] = { 0, 49, 1, 2, 164, 165, 9 };

class Out
{
public:
    void u8(int v) { m_bytes.append(char(v)); }
    void u16(int v)
    {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(quint32 v)
    {
        u16(int(v & 0xFFFF));
        u16(int(v >> 16));
    }
    void f64(double v)
    {
        quint64 bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        u32(quint32(bits));
        u32(quint32(bits >> 32));
    }
    void utf16(const QString& s)
    {
        for (const QChar c : s)
            u16(c.unicode());
    }
    void record(int id, const QByteArray& data)
    {
        u16(id);
        u16(data.size());
        m_bytes += data;
    }
    QByteArray& bytes() { return m_bytes; }

private:
    QByteArray m_bytes;
};

QByteArray body(const std::function<void(Out&)>& fill)
{
    Out o;
    fill(o);
    return o.bytes();
}

QByteArray bof(int type)
{
    return body([type](Out& o) {
        o.u16(0x0600);
        o.u16(type);
        o.u16(0x0DBB);
        o.u16(0x07CC);
        o.u32(0);
        o.u32(6);
    });
}

QByteArray xf(bool style, int format)
{
    return body([=](Out& o) {
        o.u16(0);
        o.u16(format);
        o.u16(style ? 0xFFF5 : 0x0001);
        o.u8(0x20);
        o.u8(0);
        o.u8(0);
        o.u8(style ? 0xF4 : 0x04);
        o.u32(0);
        o.u32(0);
        o.u16(0x20C0);
    });
}

// Shared strings in records of at most MaxRecord bytes: a string that does
// not fit goes on in a CONTINUE record, which repeats its width flag.
void writeSst(Out& out, const QStringList& strings, int total)
{
    QVector<QByteArray> records { body([&](Out& o) {
        o.u32(quint32(total));
        o.u32(quint32(strings.size()));
    }) };
    for (const QString& s : strings) {
        if (records.last().size() + 5 > MaxRecord)
            records.append(QByteArray());
        Out head;
        head.u16(s.size());
        head.u8(1);
        records.last() += head.bytes();
        int done = 0;
        while (done < s.size()) {
            const int room = (MaxRecord - records.last().size()) / 2;
            if (room <= 0) {
                records.append(QByteArray(1, '\x01'));
                continue;
            }
            const int n = std::min(room, s.size() - done);
            Out chars;
            chars.utf16(s.mid(done, n));
            records.last() += chars.bytes();
            done += n;
        }
    }
    out.record(0x00FC, records.first());
    for (int i = 1; i < records.size(); ++i)
        out.record(0x003C, records.at(i));
}

double excelSerial(const QDateTime& when)
{
    const qint64 days = QDate(1899, 12, 30).daysTo(when.date());
    return double(days) + when.time().msecsSinceStartOfDay() / 86400000.0;
}

} // namespace

namespace {

class SheetEncoder
{
public:
    SheetEncoder(QStringList* strings, QHash<QString, int>* index, int* total, int* cut)
        : m_strings(strings), m_index(index), m_total(total), m_cut(cut)
    {
    }

    QByteArray encode(const XlsSheet& sheet)
    {
        Out out;
        out.record(0x0809, bof(0x0010));
        const int columns = std::min(sheet.data.columnCount(), XlsColumnLimit);
        const int rows = std::min(sheet.data.rowCount() + (sheet.header ? 1 : 0), XlsRowLimit);
        out.record(0x0200, body([=](Out& o) {
            o.u32(0);
            o.u32(quint32(rows));
            o.u16(0);
            o.u16(columns);
            o.u16(0);
        }));
        int row = 0;
        if (sheet.header) {
            for (int c = 0; c < columns; ++c)
                cell(out, row, c, sheet.data.columnName(c), ExcelFormatText);
            ++row;
        }
        for (int r = 0; r < sheet.data.rowCount() && row < XlsRowLimit; ++r, ++row) {
            for (int c = 0; c < columns; ++c)
                cell(out, row, c, sheet.data.value(r, c), sheet.columnFormats.value(c));
        }
        out.record(0x023E, body([](Out& o) {
            o.u16(0x06B6);
            o.u16(0);
            o.u16(0);
            o.u32(0x40);
            o.u16(0);
            o.u16(0);
            o.u32(0);
        }));
        out.record(0x000A, QByteArray());
        return out.bytes();
    }

private:
    void cell(Out& out, int row, int column, const QString& text, int format)
    {
        if (text.isEmpty())
            return;
        const int f = format >= 0 && format < ExcelFormatCount ? format : ExcelFormatGeneral;
        const int style = FirstCellXf + f;
        const bool dateFormat = f == ExcelFormatDate || f == ExcelFormatDateTime;
        double number = 0;
        bool isNumber = false;
        QDateTime when;
        bool hasTime = false;
        if (dateFormat && readExcelDateTime(text, &when, &hasTime)) {
            number = excelSerial(when);
            // The 1900 system counts a 29 February that never was.
            if (when.date() < QDate(1900, 3, 1))
                number -= 1;
            isNumber = true;
        } else if (!dateFormat && f != ExcelFormatText) {
            isNumber = readExcelNumber(text, &number);
        }
        if (!isNumber) {
            out.record(0x00FD, body([&](Out& o) {
                o.u16(row);
                o.u16(column);
                o.u16(f == ExcelFormatText ? style : FirstCellXf);
                o.u32(quint32(stringIndex(text)));
            }));
            return;
        }
        out.record(0x0203, body([&](Out& o) {
            o.u16(row);
            o.u16(column);
            o.u16(style);
            o.f64(number);
        }));
    }

    int stringIndex(QString text)
    {
        if (text.size() > ExcelMaxCellChars) {
            text.truncate(ExcelMaxCellChars);
            ++*m_cut;
        }
        ++*m_total;
        auto it = m_index->constFind(text);
        if (it != m_index->constEnd())
            return it.value();
        m_strings->append(text);
        m_index->insert(text, m_strings->size() - 1);
        return m_strings->size() - 1;
    }

    QStringList* m_strings;
    QHash<QString, int>* m_index;
    int* m_total;
    int* m_cut;
};

} // namespace

QByteArray xlsWorkbookStream(const QVector<XlsSheet>& sheets, int* cut)
{
    QStringList strings;
    QHash<QString, int> index;
    int total = 0;
    *cut = 0;
    QVector<QByteArray> bodies;
    SheetEncoder encoder(&strings, &index, &total, cut);
    for (const XlsSheet& sheet : sheets)
        bodies << encoder.encode(sheet);

    Out g;
    g.record(0x0809, bof(0x0005));
    g.record(0x0042, body([](Out& o) { o.u16(1200); }));
    g.record(0x003D, body([](Out& o) {
        for (int v : { 0, 0, 0x3000, 0x2000, 0x0038, 0, 0, 1, 0x0258 })
            o.u16(v);
    }));
    g.record(0x0022, body([](Out& o) { o.u16(0); }));
    for (int i = 0; i < 4; ++i) {
        g.record(0x0031, body([](Out& o) {
            for (int v : { 200, 0, 0x7FFF, 400, 0 })
                o.u16(v);
            o.u32(0);
            o.u8(5);
            o.u8(0);
            o.bytes() += "Arial";
        }));
    }
    const std::pair<int, const char*> codes[]
        = { { 164, "yyyy-mm-dd" }, { 165, "yyyy-mm-dd hh:mm:ss" } };
    for (const auto& code : codes) {
        g.record(0x041E, body([&](Out& o) {
            o.u16(code.first);
            o.u16(int(strlen(code.second)));
            o.u8(0);
            o.bytes() += code.second;
        }));
    }
    for (int i = 0; i < FirstCellXf; ++i)
        g.record(0x00E0, xf(true, 0));
    for (int f = 0; f < ExcelFormatCount; ++f)
        g.record(0x00E0, xf(false, FormatIds[f]));
    g.record(0x0293, body([](Out& o) {
        o.u16(0x8000);
        o.u8(0);
        o.u8(0xFF);
    }));
    QVector<int> offsetAt;
    for (const XlsSheet& sheet : sheets) {
        offsetAt << g.bytes().size() + 4;
        g.record(0x0085, body([&](Out& o) {
            o.u32(0);
            o.u16(0);
            o.u8(sheet.name.size());
            o.u8(1);
            o.utf16(sheet.name);
        }));
    }
    writeSst(g, strings, total);
    g.record(0x000A, QByteArray());
    QByteArray stream = g.bytes();
    quint32 offset = quint32(stream.size());
    for (int i = 0; i < bodies.size(); ++i) {
        qToLittleEndian(offset, stream.data() + offsetAt.at(i));
        offset += quint32(bodies.at(i).size());
    }
    for (const QByteArray& b : qAsConst(bodies))
        stream += b;
    return stream;
}

namespace {

// The sheets of an existing workbook as values, with the named one replaced
// or appended to; false when the file cannot be read.
bool existingSheets(const QString& path, const Dataset& data, const WorkbookWriteOptions& options,
    QVector<XlsSheet>* sheets, bool* appended)
{
    XlsBook book;
    if (!book.load(path))
        return false;
    ReadOptions plain;
    plain.trimWhitespace = plain.simplifyWhitespace = plain.ignoreEmptyRows = false;
    int named = -1;
    for (int i = 0; i < book.sheets().size(); ++i) {
        if (!book.sheets().at(i).isWorksheet)
            continue;
        WorkbookSheet cells;
        ReadResult read;
        book.readSheet(i, &cells);
        workbookSheetToDataset(cells, plain, {}, &read);
        const QString name = book.sheets().at(i).name;
        if (name.compare(options.sheet, Qt::CaseInsensitive) == 0)
            named = sheets->size();
        sheets->append({ name, read.dataset, false, automaticExcelColumnFormats(read.dataset) });
    }
    *appended = named < 0 || options.writeMode == WriteModeAppend;
    XlsSheet ours { options.sheet, data, options.writeHeader, options.columnFormats };
    if (named < 0) {
        sheets->append(ours);
        return true;
    }
    XlsSheet& old = (*sheets)[named];
    if (options.writeMode != WriteModeAppend || !old.data.hasRows()) {
        old = ours;
        return true;
    }
    old.data.setColumnCount(std::max(old.data.columnCount(), data.columnCount()));
    if (options.writeHeader && !options.headerOnlyIfEmpty)
        old.data.appendRow(data.columnNames());
    for (int r = 0; r < data.rowCount(); ++r)
        old.data.appendRow(data.row(r));
    old.columnFormats = options.columnFormats;
    return true;
}

} // namespace

WorkbookWriteResult writeXlsWorkbook(const QString& path, const Dataset& data,
    const WorkbookWriteOptions& options, const WriteProgress& progress)
{
    Q_UNUSED(progress)
    WorkbookWriteResult result;
    const QString shown = QStringLiteral("%1[%2]").arg(displayPath(path), options.sheet);
    const QStringList problems = excelSheetNameProblems(options.sheet);
    if (!problems.isEmpty()) {
        result.error = true;
        result.warnings << QStringLiteral("Unable to add sheet to '%1'.").arg(displayPath(path))
                + problems.join(QString())
                        << QStringLiteral("Failed to write to %1").arg(shown);
        return result;
    }
    const bool existed = QFileInfo::exists(path);
    if (options.writeMode == WriteModeNew && existed) {
        result.warnings
            << QStringLiteral("Write mode='New' and '%1' already exists").arg(displayPath(path));
        return result;
    }
    if (!options.styleTemplate.isEmpty())
        result.warnings << QStringLiteral(
            "Style templates are applied to .xlsx files only: '%1' is written without one")
                               .arg(shown);
    const bool intoExisting
        = existed && (options.replaceSheetOnly || options.writeMode == WriteModeAppend);
    QVector<XlsSheet> sheets;
    bool appended = false;
    if (intoExisting) {
        if (!existingSheets(path, data, options, &sheets, &appended)) {
            result.error = true;
            result.warnings << QStringLiteral("Unable to open/create Excel workbook '%1'.")
                                   .arg(displayPath(path))
                            << QStringLiteral("Failed to write to %1").arg(shown);
            return result;
        }
        result.warnings << QStringLiteral("The other sheets of '%1' keep their values only: their "
                                          "charts, images and styles are not kept in .xls files")
                               .arg(displayPath(path));
    } else {
        sheets.append({ options.sheet, data, options.writeHeader, options.columnFormats });
    }
    int cut = 0;
    const QByteArray bytes
        = compoundFile(QStringLiteral("Workbook"), xlsWorkbookStream(sheets, &cut));
    if (!saveWholeFile(path, bytes)) {
        result.error = true;
        result.warnings << QStringLiteral("Unable to save to '%1'. If this file is already open, "
                                          "close it and click the write to file button in the "
                                          "'Data' tab.")
                               .arg(displayPath(path))
                        << QStringLiteral("Failed to write to %1").arg(shown);
        return result;
    }
    if (cut > 0)
        result.warnings << QStringLiteral(
            "%1 value(s) longer than %2 characters were cut to fit an Excel cell")
                               .arg(cut)
                               .arg(ExcelMaxCellChars);
    result.written = true;
    if (!intoExisting)
        result.information << (existed ? QStringLiteral("Overwrote file '%1'")
                                       : QStringLiteral("Created file '%1'"))
                                  .arg(displayPath(path));
    else
        result.information << (appended ? QStringLiteral("Appended sheet '%1'")
                                        : QStringLiteral("Overwrote sheet '%1'"))
                                  .arg(shown);
    return result;
}
