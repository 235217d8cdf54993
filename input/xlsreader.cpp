#include "input/xlsreader.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QtEndian>

#include <cstring>

namespace {

quint16 u16(const QByteArray& b, qint64 at)
{
    return at + 2 <= b.size() ? qFromLittleEndian<quint16>(b.constData() + at) : 0;
}

quint32 u32(const QByteArray& b, qint64 at)
{
    return at + 4 <= b.size() ? qFromLittleEndian<quint32>(b.constData() + at) : 0;
}

// Records are as long as the file says: a field past a short record's end
// reads as 0, like the integers above.
quint8 u8(const QByteArray& b, qint64 at)
{
    return at >= 0 && at < b.size() ? quint8(b.at(int(at))) : 0;
}

double f64(const QByteArray& b, qint64 at)
{
    double value = 0;
    if (at >= 0 && at + qint64(sizeof value) <= b.size())
        std::memcpy(&value, b.constData() + at, sizeof value);
    return value;
}

constexpr quint32 EndOfChain = 0xFFFFFFFE;

// Follows a chain of the allocation table and joins its sectors. A damaged
// table may loop or point outside the data: the chain ends at the first
// sector seen twice or not in the data, so the result is never larger than
// the data it comes from.
QByteArray readChain(const QByteArray& data, qint64 dataOffset, int sectorSize,
    const QVector<quint32>& table, quint32 start, qint64 size)
{
    QByteArray out;
    const qint64 sectorsInData = std::max<qint64>(0, (data.size() - dataOffset) / sectorSize + 1);
    const qint64 wanted = std::min<qint64>(size, sectorsInData * sectorSize);
    QVector<bool> seen(table.size(), false);
    for (quint32 s = start; s < quint32(table.size()) && !seen.at(int(s)) && out.size() < wanted;
         s = table.at(int(s))) {
        seen[int(s)] = true;
        const qint64 at = dataOffset + qint64(s) * sectorSize;
        if (at >= data.size())
            break;
        out += data.mid(at, sectorSize);
    }
    out.truncate(int(std::min<qint64>(wanted, out.size())));
    return out;
}

} // namespace

double decodeRk(quint32 rk)
{
    double value = 0;
    if (rk & 2) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100 : value;
}

QByteArray compoundFileStream(const QByteArray& file, const QStringList& names)
{
    if (!file.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")) || file.size() < 512)
        return QByteArray();
    // The shifts are checked before they are used: real files have 9 or 12
    // for sectors and 6 for the mini stream.
    const int sectorShift = u16(file, 0x1E);
    const int miniShift = u16(file, 0x20);
    if (sectorShift < 7 || sectorShift > 16 || miniShift < 1 || miniShift > sectorShift)
        return QByteArray();
    const int sectorSize = 1 << sectorShift;
    const int miniSize = 1 << miniShift;
    const qint64 base = sectorSize; // sector 0 follows the header sector
    if (file.size() <= base)
        return QByteArray();
    // No table, chain or list can name more sectors than the file holds.
    const qint64 sectorCount = (file.size() - base + sectorSize - 1) / sectorSize;
    // The sectors of the allocation table: 109 in the header, the rest in
    // a chain of further sectors (large files), which may not loop.
    QVector<quint32> fatSectors;
    for (int i = 0; i < 109; ++i)
        fatSectors << u32(file, 0x4C + i * 4);
    quint32 difat = u32(file, 0x44);
    QSet<quint32> difatSeen;
    while (difat < EndOfChain && qint64(difat) < sectorCount && fatSectors.size() < sectorCount
        && !difatSeen.contains(difat)) {
        difatSeen.insert(difat);
        const qint64 at = base + qint64(difat) * sectorSize;
        for (int i = 0; i < sectorSize / 4 - 1; ++i)
            fatSectors << u32(file, at + i * 4);
        difat = u32(file, at + sectorSize - 4);
    }
    QVector<quint32> fat;
    const quint32 fatCount = u32(file, 0x2C);
    QSet<quint32> fatSeen;
    for (quint32 i = 0; i < fatCount && int(i) < fatSectors.size() && qint64(i) < sectorCount;
         ++i) {
        // A table sector named twice, or beyond the file, is damage.
        if (qint64(fatSectors.at(int(i))) >= sectorCount || fatSeen.contains(fatSectors.at(int(i))))
            return QByteArray();
        fatSeen.insert(fatSectors.at(int(i)));
        const qint64 at = base + qint64(fatSectors.at(int(i))) * sectorSize;
        for (int k = 0; k < sectorSize / 4; ++k)
            fat << u32(file, at + k * 4);
    }
    const QByteArray directory
        = readChain(file, base, sectorSize, fat, u32(file, 0x30), qint64(fat.size()) * sectorSize);
    const quint32 cutoff = u32(file, 0x38);
    QByteArray miniStream;
    for (int e = 0; e + 128 <= directory.size(); e += 128) {
        const int nameBytes = std::min<int>(u16(directory, e + 0x40), 64);
        const QString name
            = QString::fromUtf16(reinterpret_cast<const char16_t*>(directory.constData() + e),
                std::max(0, nameBytes / 2 - 1));
        const int type = u8(directory, e + 0x42);
        const quint32 start = u32(directory, e + 0x74);
        const quint32 size = u32(directory, e + 0x78);
        if (type == 5) {
            miniStream = readChain(file, base, sectorSize, fat, start, size);
        } else if (type == 2 && names.contains(name, Qt::CaseInsensitive)) {
            if (size >= cutoff)
                return readChain(file, base, sectorSize, fat, start, size);
            QVector<quint32> miniFat;
            const QByteArray table = readChain(
                file, base, sectorSize, fat, u32(file, 0x3C), qint64(u32(file, 0x40)) * sectorSize);
            for (int k = 0; k + 4 <= table.size(); k += 4)
                miniFat << u32(table, k);
            return readChain(miniStream, -qint64(0), miniSize, miniFat, start, size);
        }
    }
    return QByteArray();
}

namespace {

// A record with its CONTINUE records, read as one run of bytes except for
// strings, whose characters start each continuation with their width again.
class Chunks
{
public:
    explicit Chunks(QVector<QByteArray> parts) : m_parts(std::move(parts)) { }

    bool atEnd()
    {
        settle();
        return m_part >= m_parts.size();
    }
    quint8 u8()
    {
        settle();
        return m_part < m_parts.size() ? quint8(m_parts.at(m_part).at(m_pos++)) : 0;
    }
    quint16 u16() { return quint16(u8() | (u8() << 8)); }
    quint32 u32() { return quint32(u16()) | (quint32(u16()) << 16); }
    void skip(qint64 n)
    {
        while (n-- > 0 && !atEnd())
            ++m_pos;
    }
    QString chars(int count, bool wide)
    {
        QString text;
        text.reserve(count);
        while (text.size() < count && m_part < m_parts.size()) {
            if (m_pos >= m_parts.at(m_part).size()) {
                ++m_part;
                m_pos = 0;
                if (m_part < m_parts.size())
                    wide = (u8() & 1) != 0;
                continue;
            }
            text += wide ? QChar(u16()) : QChar(u8());
        }
        return text;
    }
    // An SST or STRING entry: length, flags, characters and the run and
    // phonetic data after them.
    QString richString()
    {
        const int count = u16();
        const quint8 flags = u8();
        const int runs = (flags & 0x08) ? u16() : 0;
        const quint32 extra = (flags & 0x04) ? u32() : 0;
        const QString text = chars(count, flags & 1);
        skip(qint64(runs) * 4 + extra);
        return text;
    }

private:
    void settle()
    {
        while (m_part < m_parts.size() && m_pos >= m_parts.at(m_part).size()) {
            ++m_part;
            m_pos = 0;
        }
    }

    QVector<QByteArray> m_parts;
    int m_part = 0;
    int m_pos = 0;
};

struct Record
{
    quint16 id = 0;
    QByteArray data;
};

// The record at *offset, which moves past it; false at the end.
bool nextRecord(const QByteArray& stream, qint64* offset, Record* record)
{
    if (*offset + 4 > stream.size())
        return false;
    record->id = u16(stream, *offset);
    const quint16 size = u16(stream, *offset + 2);
    record->data = stream.mid(*offset + 4, size);
    *offset += 4 + size;
    return true;
}

constexpr quint16 RecContinue = 0x003C;

// A record's data followed by that of the CONTINUE records after it; *offset
// moves past the last of them.
QVector<QByteArray> withContinues(const QByteArray& stream, qint64* offset, QByteArray first)
{
    QVector<QByteArray> parts { std::move(first) };
    qint64 next = *offset;
    Record more;
    while (nextRecord(stream, &next, &more) && more.id == RecContinue) {
        parts << more.data;
        *offset = next;
    }
    return parts;
}

QString shortString(const QByteArray& data, int at, bool lengthIs16 = false)
{
    Chunks chunks({ data.mid(at) });
    const int count = lengthIs16 ? chunks.u16() : chunks.u8();
    const bool wide = chunks.u8() & 1;
    return chunks.chars(count, wide);
}

} // namespace

bool XlsBook::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_stream = compoundFileStream(
        file.readAll(), { QStringLiteral("Workbook"), QStringLiteral("Book") });
    return !m_stream.isEmpty() && u16(m_stream, 0) == 0x0809 && readGlobals();
}

bool XlsBook::readGlobals()
{
    qint64 offset = 0;
    Record record;
    QHash<int, int> customForms;
    QVector<int> xfFormats;
    while (nextRecord(m_stream, &offset, &record) && record.id != 0x000A) {
        switch (record.id) {
        case 0x0085: // BOUNDSHEET
            m_sheetOffsets << u32(record.data, 0);
            m_sheets.append({ shortString(record.data, 6), u8(record.data, 5) == 0 });
            break;
        case 0x0022: // DATEMODE
            m_date1904 = u16(record.data, 0) == 1;
            break;
        case 0x041E: // FORMAT
            customForms.insert(
                u16(record.data, 0), dateTimeFormForCode(shortString(record.data, 2, true)));
            break;
        case 0x00E0: // XF
            xfFormats << u16(record.data, 2);
            break;
        case 0x00FC: { // SST, continued
            const quint32 unique = u32(record.data, 4);
            Chunks chunks(withContinues(m_stream, &offset, record.data.mid(8)));
            for (quint32 i = 0; i < unique && !chunks.atEnd(); ++i)
                m_shared << chunks.richString();
            break;
        }
        default:
            break;
        }
    }
    for (int id : qAsConst(xfFormats))
        m_xfForms << customForms.value(id, dateTimeFormForBuiltIn(id));
    return true;
}

namespace {

void addNumber(WorkbookSheet* sheet, int row, int column, double value, int form)
{
    WorkbookCell cell;
    cell.column = column;
    cell.number = value;
    cell.kind = form >= 0 ? WorkbookCell::DateTime : WorkbookCell::Number;
    cell.timeForm = quint8(std::max(form, 0));
    sheet->row(row).append(cell);
}

void addText(WorkbookSheet* sheet, int row, int column, const QString& text)
{
    WorkbookCell cell;
    cell.column = column;
    cell.kind = WorkbookCell::Text;
    cell.text = text;
    sheet->row(row).append(cell);
}

QString utf16At(const QByteArray& data, int* at, int count)
{
    QString text;
    for (int i = 0; i < count && *at + 2 <= data.size(); ++i, *at += 2)
        text += QChar(u16(data, *at));
    return text;
}

// A hyperlink's cell range and its target: a URL, or a place in the
// workbook. Links to files keep only their place.
void readHyperlink(const QByteArray& d, WorkbookSheet* sheet)
{
    WorkbookHyperlink link { u16(d, 0), u16(d, 2), u16(d, 4), u16(d, 6), QString() };
    const quint32 flags = u32(d, 28);
    int at = 32;
    if (flags & 0x14) { // display name
        const int n = int(u32(d, at));
        at += 4;
        utf16At(d, &at, n);
    }
    if (flags & 0x80) { // target frame
        const int n = int(u32(d, at));
        at += 4;
        utf16At(d, &at, n);
    }
    static const QByteArray UrlMoniker = QByteArray::fromHex("E0C9EA79F9BACE118C8200AA004BA90B");
    if ((flags & 0x01) && (flags & 0x100)) {
        const int n = int(u32(d, at));
        at += 4;
        link.target = utf16At(d, &at, n);
    } else if ((flags & 0x01) && d.mid(at, 16) == UrlMoniker) {
        at += 16;
        const int bytes = int(u32(d, at));
        at += 4;
        link.target = utf16At(d, &at, bytes / 2);
    }
    if (link.target.isEmpty() && (flags & 0x08)) {
        const int n = int(u32(d, at));
        at += 4;
        link.target = utf16At(d, &at, n);
    }
    while (link.target.endsWith(QChar(0)))
        link.target.chop(1);
    sheet->hyperlinks << link;
}

} // namespace

bool XlsBook::readSheet(int index, WorkbookSheet* sheet) const
{
    qint64 offset = m_sheetOffsets.value(index);
    sheet->date1904 = m_date1904;
    Record record;
    if (!nextRecord(m_stream, &offset, &record) || record.id != 0x0809)
        return false;
    const auto form
        = [this](const QByteArray& d, int at) { return m_xfForms.value(u16(d, at), -1); };
    int formulaRow = -1;
    int formulaColumn = -1;
    while (nextRecord(m_stream, &offset, &record) && record.id != 0x000A) {
        const QByteArray& d = record.data;
        const int row = u16(d, 0);
        const int column = u16(d, 2);
        switch (record.id) {
        case 0x00FD: // LABELSST
            addText(sheet, row, column, m_shared.value(int(u32(d, 6))));
            break;
        case 0x0204: // LABEL
            addText(sheet, row, column, shortString(d, 6, true));
            break;
        case 0x0203: // NUMBER
            addNumber(sheet, row, column, f64(d, 6), form(d, 4));
            break;
        case 0x027E: // RK
            addNumber(sheet, row, column, decodeRk(u32(d, 6)), form(d, 4));
            break;
        case 0x00BD: // MULRK
            for (int at = 4, c = column; at + 6 <= d.size() - 2; at += 6, ++c)
                addNumber(sheet, row, c, decodeRk(u32(d, at + 2)), form(d, at));
            break;
        case 0x0205: // BOOLERR
            if (u8(d, 7) == 0) {
                WorkbookCell cell;
                cell.column = column;
                cell.kind = WorkbookCell::Boolean;
                cell.number = u8(d, 6) ? 1 : 0;
                sheet->row(row).append(cell);
            }
            break;
        case 0x0006: // FORMULA: its cached result
            if (u16(d, 12) != 0xFFFF) {
                addNumber(sheet, row, column, f64(d, 6), form(d, 4));
            } else if (u8(d, 6) == 0) {
                formulaRow = row;
                formulaColumn = column;
            } else if (u8(d, 6) == 1) {
                WorkbookCell cell;
                cell.column = column;
                cell.kind = WorkbookCell::Boolean;
                cell.number = u8(d, 8) ? 1 : 0;
                sheet->row(row).append(cell);
            }
            break;
        case 0x0207: { // STRING: the text result of the formula before
            // A long result goes on in CONTINUE records, each starting
            // with its own character width.
            Chunks chunks(withContinues(m_stream, &offset, d));
            const int count = chunks.u16();
            const bool wide = chunks.u8() & 1;
            const QString text = chunks.chars(count, wide);
            if (formulaRow >= 0)
                addText(sheet, formulaRow, formulaColumn, text);
            formulaRow = -1;
            break;
        }
        case 0x0208: // ROW
            if (u32(d, 12) & 0x20)
                sheet->hiddenRows << row;
            break;
        case 0x007D: // COLINFO
            if (u16(d, 8) & 1) {
                for (int c = row; c <= column && c < 256; ++c)
                    sheet->hiddenColumns << c;
            }
            break;
        case 0x01B8: // HLINK
            readHyperlink(d, sheet);
            break;
        default:
            break;
        }
    }
    for (QVector<WorkbookCell>& cells : sheet->rows)
        std::stable_sort(cells.begin(), cells.end(),
            [](const WorkbookCell& a, const WorkbookCell& b) { return a.column < b.column; });
    return true;
}
