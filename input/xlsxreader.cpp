#include "input/xlsxreader.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <zip.h>

#include <algorithm>

namespace {

// A part of the archive read as it is unpacked, so that the XML reader
// pulls a few kilobytes at a time instead of the whole part: a sheet's XML
// is several times the size of the table made from it.
class ZipEntryDevice : public QIODevice
{
public:
    ZipEntryDevice(zip_file_t* file, qint64 size) : m_file(file), m_size(size)
    {
        QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    ~ZipEntryDevice() override
    {
        if (m_file)
            zip_fclose(m_file);
    }
    ZipEntryDevice(const ZipEntryDevice&) = delete;
    ZipEntryDevice& operator=(const ZipEntryDevice&) = delete;

    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_done; }
    qreal fraction() const { return m_size > 0 ? qreal(m_read) / qreal(m_size) : 1.0; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (!m_file || m_done)
            return -1;
        const zip_int64_t read = zip_fread(m_file, data, zip_uint64_t(maxSize));
        if (read <= 0) {
            m_done = true;
            return read < 0 ? -1 : 0;
        }
        m_read += read;
        return read;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    zip_file_t* m_file;
    qint64 m_size;
    qint64 m_read = 0;
    bool m_done = false;
};

const QString RelNs
    = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

bool isTrue(QStringView value)
{
    return value == QLatin1String("1") || value == QLatin1String("true");
}

QString partFolder(const QString& part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relsName(const QString& part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1)
        + QStringLiteral(".rels");
}

// The text of a string item: its own <t> or its runs', without the
// phonetic hints that follow them.
QString readStringItem(QXmlStreamReader& xml)
{
    const QString end = xml.name().toString();
    QString text;
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (xml.name() == QLatin1String("t") && phonetic == 0)
                text += xml.readElementText();
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            else if (xml.name() == end)
                break;
        }
    }
    return unescapeXlsxText(text);
}

} // namespace

bool parseCellReference(QStringView ref, int* row, int* column)
{
    // A sheet has at most 16,384 columns (XFD) and 1,048,576 rows: a
    // reference beyond them is damage, and would otherwise size the table.
    int i = 0;
    int c = 0;
    while (i < ref.size() && ref.at(i).isLetter()) {
        const char16_t letter = ref.at(i).toUpper().unicode();
        if (i == 3 || letter < 'A' || letter > 'Z')
            return false;
        c = c * 26 + (letter - 'A' + 1);
        ++i;
    }
    bool ok = false;
    const int r = ref.mid(i).toString().remove(QLatin1Char('$')).toInt(&ok);
    if (i == 0 || !ok || r < 1 || r > 1048576 || c > 16384)
        return false;
    *row = r - 1;
    *column = c - 1;
    return true;
}

QString unescapeXlsxText(const QString& text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    int from = 0;
    QRegularExpressionMatchIterator it = escape.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += text.midRef(from, m.capturedStart() - from);
        out += QChar(m.captured(1).toUShort(nullptr, 16));
        from = m.capturedEnd();
    }
    return out + text.midRef(from);
}

QString resolvePartName(const QString& fromPart, const QString& target)
{
    QString path
        = target.startsWith(QLatin1Char('/')) ? target.mid(1) : partFolder(fromPart) + target;
    QStringList parts;
    for (const QString& piece : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (piece == QLatin1String("..")) {
            // A target above the archive's root names no part.
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (piece != QLatin1String(".")) {
            parts << piece;
        }
    }
    return parts.join(QLatin1Char('/'));
}

XlsxBook::~XlsxBook()
{
    if (m_zip)
        zip_discard(m_zip);
}

bool XlsxBook::open(const QString& path)
{
    int error = 0;
    m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    return m_zip != nullptr && sizesAreSane(QFileInfo(path).size());
}

// The directory states each part's unpacked size, and a damaged or hostile
// archive may claim gigabytes for a few bytes. Deflate packs at most about
// 1032 to 1, so no part can be larger than that many times the whole file:
// a claim beyond it marks the file as no workbook before anything is read.
bool XlsxBook::sizesAreSane(qint64 archiveBytes) const
{
    const qint64 most = std::max<qint64>(archiveBytes, 1) * 1100;
    const zip_int64_t entries = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < entries; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(m_zip, zip_uint64_t(i), 0, &stat) != 0)
            return false;
        if ((stat.valid & ZIP_STAT_SIZE) && (stat.size > zip_uint64_t(most)))
            return false;
    }
    return true;
}

zip_file* XlsxBook::openPart(const QString& name, qint64* size) const
{
    const zip_int64_t index = zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE);
    zip_stat_t stat;
    if (index < 0 || zip_stat_index(m_zip, index, 0, &stat) != 0)
        return nullptr;
    *size = qint64(stat.size);
    return zip_fopen_index(m_zip, index, 0);
}

QByteArray XlsxBook::part(const QString& name, bool* found) const
{
    QByteArray bytes;
    const zip_int64_t index = zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE);
    zip_stat_t stat;
    if (found)
        *found = false;
    if (index < 0 || zip_stat_index(m_zip, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)
        || qint64(stat.size) > MaxWholePartBytes)
        return bytes;
    zip_file_t* file = zip_fopen_index(m_zip, index, 0);
    if (!file)
        return bytes;
    bytes.resize(int(stat.size));
    const zip_int64_t read = zip_fread(file, bytes.data(), stat.size);
    zip_fclose(file);
    if (read != zip_int64_t(stat.size))
        return QByteArray();
    if (found)
        *found = true;
    return bytes;
}

QHash<QString, QString> XlsxBook::relationships(
    const QString& partName, QHash<QString, QString>* types, QHash<QString, bool>* external) const
{
    QHash<QString, QString> targets;
    QXmlStreamReader xml(part(relsName(partName)));
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QString id = a.value(QLatin1String("Id")).toString();
        const bool outside = a.value(QLatin1String("TargetMode")) == QLatin1String("External");
        const QString target = a.value(QLatin1String("Target")).toString();
        targets.insert(id, outside ? target : resolvePartName(partName, target));
        if (types)
            types->insert(id, a.value(QLatin1String("Type")).toString());
        if (external)
            external->insert(id, outside);
    }
    return targets;
}

bool XlsxBook::load()
{
    QHash<QString, QString> rootTypes;
    const QHash<QString, QString> root = relationships(QString(), &rootTypes);
    QString workbook = QStringLiteral("xl/workbook.xml");
    for (auto it = rootTypes.cbegin(); it != rootTypes.cend(); ++it) {
        if (it.value().endsWith(QLatin1String("/officeDocument")))
            workbook = root.value(it.key());
    }
    bool found = false;
    QXmlStreamReader xml(part(workbook, &found));
    if (!found)
        return false;
    m_workbookPart = workbook;
    QHash<QString, QString> types;
    const QHash<QString, QString> targets = relationships(workbook, &types);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("workbookPr")) {
            m_date1904 = isTrue(a.value(QLatin1String("date1904")));
        } else if (xml.name() == QLatin1String("sheet")) {
            const QString id = a.value(RelNs, QLatin1String("id")).toString();
            m_sheets.append({ a.value(QLatin1String("name")).toString(),
                types.value(id).endsWith(QLatin1String("/worksheet")) });
            m_sheetParts << targets.value(id);
        }
    }
    if (xml.hasError())
        return false;
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        if (it.value().endsWith(QLatin1String("/sharedStrings")))
            readSharedStrings(targets.value(it.key()));
        else if (it.value().endsWith(QLatin1String("/styles")))
            readStyles(m_stylesPart = targets.value(it.key()));
    }
    return true;
}

void XlsxBook::readSharedStrings(const QString& name)
{
    qint64 size = 0;
    zip_file_t* file = openPart(name, &size);
    if (!file)
        return;
    ZipEntryDevice device(file, size);
    QXmlStreamReader xml(&device);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("si"))
            m_shared << readStringItem(xml);
    }
}

void XlsxBook::readStyles(const QString& name)
{
    QXmlStreamReader xml(part(name));
    QHash<int, int> customForms;
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs"))
            inCellXfs = false;
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const int id = a.value(QLatin1String("numFmtId")).toInt();
        if (xml.name() == QLatin1String("numFmt"))
            customForms.insert(
                id, dateTimeFormForCode(a.value(QLatin1String("formatCode")).toString()));
        else if (xml.name() == QLatin1String("cellXfs"))
            inCellXfs = true;
        else if (inCellXfs && xml.name() == QLatin1String("xf"))
            m_styleForms << customForms.value(id, dateTimeFormForBuiltIn(id));
    }
}

namespace {

struct CellState
{
    QString type;
    int style = 0;
    QString value;
    QString inlineText;
    bool hasInline = false;
};

WorkbookCell makeCell(const CellState& s, const QStringList& shared, const QVector<int>& forms)
{
    WorkbookCell cell;
    if (s.hasInline || s.type == QLatin1String("inlineStr")) {
        cell.kind = WorkbookCell::Text;
        cell.text = s.inlineText;
    } else if (s.type == QLatin1String("s")) {
        cell.kind = WorkbookCell::Text;
        cell.text = shared.value(s.value.toInt());
    } else if (s.type == QLatin1String("str") || s.type == QLatin1String("d")) {
        cell.kind = WorkbookCell::Text;
        cell.text = unescapeXlsxText(s.value);
    } else if (s.type == QLatin1String("b")) {
        cell.kind = WorkbookCell::Boolean;
        cell.number = isTrue(s.value) ? 1.0 : 0.0;
    } else if (s.type.isEmpty() || s.type == QLatin1String("n")) {
        bool ok = false;
        cell.number = s.value.toDouble(&ok);
        if (!ok)
            return cell;
        const int form = forms.value(s.style, -1);
        cell.kind = form >= 0 ? WorkbookCell::DateTime : WorkbookCell::Number;
        cell.timeForm = quint8(std::max(form, 0));
    }
    return cell;
}

void readColumns(QXmlStreamReader& xml, WorkbookSheet* sheet)
{
    const QXmlStreamAttributes a = xml.attributes();
    if (!isTrue(a.value(QLatin1String("hidden"))))
        return;
    const int last = std::min(a.value(QLatin1String("max")).toInt(), 16384);
    for (int c = a.value(QLatin1String("min")).toInt(); c >= 1 && c <= last; ++c)
        sheet->hiddenColumns << c - 1;
}

void readHyperlink(
    QXmlStreamReader& xml, const QHash<QString, QString>& targets, WorkbookSheet* sheet)
{
    const QXmlStreamAttributes a = xml.attributes();
    const QStringList range = a.value(QLatin1String("ref")).toString().split(QLatin1Char(':'));
    WorkbookHyperlink link;
    if (!parseCellReference(range.first(), &link.firstRow, &link.firstColumn))
        return;
    link.lastRow = link.firstRow;
    link.lastColumn = link.firstColumn;
    if (range.size() > 1)
        parseCellReference(range.at(1), &link.lastRow, &link.lastColumn);
    const QString id = a.value(RelNs, QLatin1String("id")).toString();
    link.target = id.isEmpty() ? a.value(QLatin1String("location")).toString() : targets.value(id);
    sheet->hyperlinks << link;
}

// Hands one finished row to the sheet's sink, or keeps it in the sheet;
// false when the sink wants no more rows.
bool takeRow(int row, QVector<WorkbookCell>* cells, qreal fraction, WorkbookSheet* sheet)
{
    const auto byColumn
        = [](const WorkbookCell& a, const WorkbookCell& b) { return a.column < b.column; };
    if (!std::is_sorted(cells->cbegin(), cells->cend(), byColumn))
        std::stable_sort(cells->begin(), cells->end(), byColumn);
    bool more = true;
    if (sheet->rowSink)
        more = sheet->rowSink(row, *cells, fraction);
    else
        sheet->row(row) << *cells;
    cells->clear();
    return more;
}

} // namespace

bool XlsxBook::readSheet(int index, WorkbookSheet* sheet)
{
    const QString name = m_sheetParts.value(index);
    qint64 size = 0;
    zip_file_t* file = openPart(name, &size);
    if (!file)
        return false;
    ZipEntryDevice device(file, size);
    QXmlStreamReader xml(&device);
    sheet->date1904 = m_date1904;
    const QHash<QString, QString> targets = relationships(name, nullptr);
    int row = -1;
    int column = -1;
    CellState cell;
    QVector<WorkbookCell> cells;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("c")) {
                WorkbookCell made = makeCell(cell, m_shared, m_styleForms);
                made.column = column;
                if (made.kind != WorkbookCell::Empty)
                    cells.append(made);
            } else if (xml.name() == QLatin1String("row") && !cells.isEmpty()) {
                if (!takeRow(row, &cells, device.fraction(), sheet))
                    return true;
            }
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const QStringRef tag = xml.name();
        // The values come first: they are most of the elements and need no
        // attributes.
        if (tag == QLatin1String("v")) {
            cell.value = xml.readElementText();
            continue;
        }
        const QXmlStreamAttributes a = xml.attributes();
        if (tag == QLatin1String("row")) {
            const int r = a.value(QLatin1String("r")).toInt();
            row = r > 0 ? r - 1 : row + 1;
            column = -1;
            if (isTrue(a.value(QLatin1String("hidden"))))
                sheet->hiddenRows << row;
        } else if (tag == QLatin1String("c")) {
            int r = 0;
            if (!parseCellReference(a.value(QLatin1String("r")), &r, &column))
                ++column;
            cell = CellState();
            cell.type = a.value(QLatin1String("t")).toString();
            cell.style = a.value(QLatin1String("s")).toInt();
        } else if (tag == QLatin1String("is")) {
            cell.hasInline = true;
            cell.inlineText = readStringItem(xml);
        } else if (tag == QLatin1String("col")) {
            readColumns(xml, sheet);
        } else if (tag == QLatin1String("hyperlink")) {
            readHyperlink(xml, targets, sheet);
        }
    }
    return !xml.hasError();
}
