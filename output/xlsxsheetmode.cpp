#include "output/xlsxsheetmode.h"

#include "core/paths.h"
#include "input/xlsxreader.h"
#include "output/xlsxwriter.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <zip.h>

namespace {

QString openFailure(const QString& path)
{
    return QStringLiteral("Unable to open/create Excel workbook '%1'.").arg(displayPath(path));
}

QString xmlEscaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// Inserts before the closing tag of an element, creating the element after
// the opening tag of its parent when the part has none.
void insertBeforeEnd(
    QString* xml, const QString& element, const QString& parent, const QString& content, int added)
{
    const QString end = QStringLiteral("</%1>").arg(element);
    int at = xml->indexOf(end);
    if (at < 0) {
        const int open = xml->indexOf(QStringLiteral("<%1").arg(parent));
        const int close = xml->indexOf(QLatin1Char('>'), open);
        xml->insert(close + 1, QStringLiteral("<%1 count=\"0\">%2</%1>").arg(element, content));
    } else {
        xml->insert(at, content);
    }
    // Keep the count attribute right: some readers size their tables by it.
    const QRegularExpression count(QStringLiteral("<%1([^>]*)count=\"(\\d+)\"").arg(element));
    const QRegularExpressionMatch m = count.match(*xml);
    if (m.hasMatch())
        xml->replace(m.capturedStart(2), m.capturedLength(2),
            QString::number(m.captured(2).toInt() + added));
}

int countElements(const QString& xml, const QString& element, const QString& within)
{
    const int from = xml.indexOf(QStringLiteral("<%1").arg(within));
    const int to = xml.indexOf(QStringLiteral("</%1>").arg(within));
    if (from < 0 || to < 0)
        return 0;
    return xml.mid(from, to - from)
        .count(QRegularExpression(QStringLiteral("<%1[ />]").arg(element)));
}

// The elements of one list of a styles part ("font" within "fonts").
QStringList listElements(const QString& xml, const QString& element, const QString& list)
{
    const int from = xml.indexOf(QStringLiteral("<%1").arg(list));
    const int to = xml.indexOf(QStringLiteral("</%1>").arg(list));
    if (from < 0 || to < 0)
        return {};
    const QRegularExpression one(
        QStringLiteral("<%1(?: [^>]*)?/>|<%1(?: [^>]*)?>.*?</%1>").arg(element),
        QRegularExpression::DotMatchesEverythingOption);
    QStringList found;
    for (auto it = one.globalMatch(xml.mid(from, to - from)); it.hasNext();)
        found << it.next().captured();
    return found;
}

// Adds our elements of a list to theirs; the number theirs had before.
int appendList(const QString& ours, QString* theirs, const QString& element, const QString& list)
{
    const int base = countElements(*theirs, element, list);
    const QStringList added = listElements(ours, element, list);
    if (!added.isEmpty())
        insertBeforeEnd(
            theirs, list, QStringLiteral("styleSheet"), added.join(QString()), added.size());
    return base;
}

// Adds the scratch workbook's cell formats, with their number formats,
// fonts, fills and borders, to the existing styles and renumbers the sheet's
// style references to match.
void mergeStyles(const QString& ours, QString* theirs, QString* sheetXml)
{
    const QRegularExpression numFmt(
        QStringLiteral("<numFmt numFmtId=\"(\\d+)\" formatCode=\"([^\"]*)\""));
    int nextId = 164;
    for (auto it = numFmt.globalMatch(*theirs); it.hasNext();)
        nextId = std::max(nextId, it.next().captured(1).toInt() + 1);
    QHash<int, int> idMap;
    QString fmts;
    for (auto it = numFmt.globalMatch(ours); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        idMap.insert(m.captured(1).toInt(), nextId);
        fmts += QStringLiteral("<numFmt numFmtId=\"%1\" formatCode=\"%2\"/>")
                    .arg(nextId++)
                    .arg(m.captured(2));
    }
    if (!fmts.isEmpty())
        insertBeforeEnd(
            theirs, QStringLiteral("numFmts"), QStringLiteral("styleSheet"), fmts, idMap.size());
    const QHash<QString, int> bases {
        { QStringLiteral("fontId"), appendList(ours, theirs, "font", "fonts") },
        { QStringLiteral("fillId"), appendList(ours, theirs, "fill", "fills") },
        { QStringLiteral("borderId"), appendList(ours, theirs, "border", "borders") },
    };
    const int base = countElements(*theirs, QStringLiteral("xf"), QStringLiteral("cellXfs"));
    const QRegularExpression reference(
        QStringLiteral(" (numFmtId|fontId|fillId|borderId|xfId)=\"(\\d+)\""));
    QString xfs;
    const QStringList ourXfs = listElements(ours, QStringLiteral("xf"), QStringLiteral("cellXfs"));
    for (const QString& xf : ourXfs) {
        QString renumbered;
        int last = 0;
        for (auto it = reference.globalMatch(xf); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString name = m.captured(1);
            const int id = m.captured(2).toInt();
            const int value = name == QLatin1String("numFmtId") ? idMap.value(id, id)
                : name == QLatin1String("xfId")                 ? 0
                                                                : bases.value(name) + id;
            renumbered += xf.midRef(last, m.capturedStart() - last)
                + QStringLiteral(" %1=\"%2\"").arg(name).arg(value);
            last = m.capturedEnd();
        }
        xfs += renumbered + xf.midRef(last);
    }
    insertBeforeEnd(
        theirs, QStringLiteral("cellXfs"), QStringLiteral("styleSheet"), xfs, ourXfs.size());
    const QRegularExpression style(QStringLiteral(" s=\"(\\d+)\""));
    QString out;
    int last = 0;
    for (auto it = style.globalMatch(*sheetXml); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += sheetXml->midRef(last, m.capturedStart() - last);
        out += QStringLiteral(" s=\"%1\"").arg(base + m.captured(1).toInt());
        last = m.capturedEnd();
    }
    *sheetXml = out + sheetXml->midRef(last);
}

QString unusedSheetPart(const XlsxBook& book)
{
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("xl/worksheets/sheet%1.xml").arg(n);
        bool found = false;
        book.part(name, &found);
        if (!found)
            return name;
    }
}

QString relsOf(const QString& part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1)
        + QStringLiteral(".rels");
}

// The workbook, its relationships and the content types with the new sheet.
void addSheetParts(const XlsxBook& book, const QString& part, const QString& name,
    QHash<QString, QByteArray>* changed)
{
    const QString workbook = book.workbookPart();
    QString rels = QString::fromUtf8(book.part(relsOf(workbook)));
    int id = 1;
    while (rels.contains(QStringLiteral("Id=\"rIdV%1\"").arg(id)))
        ++id;
    const QString rid = QStringLiteral("rIdV%1").arg(id);
    rels.insert(rels.indexOf(QLatin1String("</Relationships>")),
        QStringLiteral("<Relationship Id=\"%1\" Type=\"http://schemas.openxmlformats.org/"
                       "officeDocument/2006/relationships/worksheet\" Target=\"/%2\"/>")
            .arg(rid, part));
    QString book_ = QString::fromUtf8(book.part(workbook));
    int sheetId = 1;
    const QRegularExpression ids(QStringLiteral("sheetId=\"(\\d+)\""));
    for (auto it = ids.globalMatch(book_); it.hasNext();)
        sheetId = std::max(sheetId, it.next().captured(1).toInt() + 1);
    const QString prefix
        = book_.contains(QLatin1String("<x:sheets")) ? QStringLiteral("x:") : QString();
    book_.insert(book_.indexOf(QStringLiteral("</%1sheets>").arg(prefix)),
        QStringLiteral("<%1sheet name=\"%2\" sheetId=\"%3\" r:id=\"%4\" "
                       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                       "relationships\"/>")
            .arg(prefix, xmlEscaped(name))
            .arg(sheetId)
            .arg(rid));
    QString types = QString::fromUtf8(book.part(QStringLiteral("[Content_Types].xml")));
    types.insert(types.indexOf(QLatin1String("</Types>")),
        QStringLiteral("<Override PartName=\"/%1\" ContentType=\"application/"
                       "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>")
            .arg(part));
    changed->insert(relsOf(workbook), rels.toUtf8());
    changed->insert(workbook, book_.toUtf8());
    changed->insert(QStringLiteral("[Content_Types].xml"), types.toUtf8());
}

} // namespace

bool prepareSheetMode(const QString& path, const WorkbookWriteOptions& options, Dataset* rows,
    bool* header, SheetModeResult* result)
{
    XlsxBook book;
    if (!book.open(path) || !book.load()) {
        result->error = openFailure(path);
        return false;
    }
    int index = -1;
    for (int i = 0; i < book.sheets().size(); ++i) {
        if (book.sheets().at(i).name.compare(options.sheet, Qt::CaseInsensitive) == 0)
            index = i;
    }
    result->appended = index < 0 || options.writeMode == WriteModeAppend;
    if (index < 0)
        return true;
    if (!book.sheets().at(index).isWorksheet) {
        result->error = openFailure(path);
        return false;
    }
    result->sheetPart = book.sheetPart(index);
    if (options.writeMode != WriteModeAppend)
        return true;
    WorkbookSheet cells;
    ReadResult old;
    ReadOptions plain;
    plain.trimWhitespace = false;
    plain.simplifyWhitespace = false;
    plain.ignoreEmptyRows = false;
    if (!book.readSheet(index, &cells) || !workbookSheetToDataset(cells, plain, {}, &old)
        || !old.dataset.hasRows())
        return true;
    // The old rows come first; the header goes between them and the new
    // rows only when it is wanted even in a sheet that is not empty.
    Dataset combined = old.dataset;
    combined.setColumnCount(std::max(combined.columnCount(), rows->columnCount()));
    if (*header && !options.headerOnlyIfEmpty)
        combined.appendRow(rows->columnNames());
    for (int r = 0; r < rows->rowCount(); ++r)
        combined.appendRow(rows->row(r));
    *header = false;
    *rows = combined;
    return true;
}

bool mergeSheetInto(const QString& existingPath, const QString& sheetFile, const QString& outPath,
    const QString& sheetName, const SheetModeResult& result)
{
    XlsxBook scratch;
    XlsxBook book;
    if (!scratch.open(sheetFile) || !scratch.load() || !book.open(existingPath) || !book.load())
        return false;
    QString sheetXml = QString::fromUtf8(scratch.part(scratch.sheetPart(0)));
    QString styles = QString::fromUtf8(book.part(book.stylesPart()));
    if (sheetXml.isEmpty() || styles.isEmpty())
        return false;
    mergeStyles(QString::fromUtf8(scratch.part(scratch.stylesPart())), &styles, &sheetXml);
    QHash<QString, QByteArray> changed;
    changed.insert(book.stylesPart(), styles.toUtf8());
    QString part = result.sheetPart;
    if (part.isEmpty()) {
        part = unusedSheetPart(book);
        addSheetParts(book, part, sheetName, &changed);
    }
    changed.insert(part, sheetXml.toUtf8());

    int error = 0;
    zip* source = zip_open(QFile::encodeName(existingPath).constData(), ZIP_RDONLY, &error);
    zip* target
        = zip_open(QFile::encodeName(outPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    bool ok = source && target;
    QList<QByteArray> kept;
    const zip_int64_t count = ok ? zip_get_num_entries(source, 0) : 0;
    for (zip_int64_t i = 0; ok && i < count; ++i) {
        const QString name = QString::fromUtf8(zip_get_name(source, zip_uint64_t(i), 0));
        zip_source_t* data = nullptr;
        if (changed.contains(name)) {
            kept << changed.take(name);
            data = zip_source_buffer(
                target, kept.last().constData(), zip_uint64_t(kept.last().size()), 0);
        } else {
            // Every other part goes over as it was.
            data = zip_source_zip(target, source, zip_uint64_t(i), 0, 0, -1);
        }
        ok = data && zip_file_add(target, zip_get_name(source, zip_uint64_t(i), 0), data, 0) >= 0;
    }
    for (auto it = changed.cbegin(); ok && it != changed.cend(); ++it) {
        kept << it.value();
        zip_source_t* data = zip_source_buffer(
            target, kept.last().constData(), zip_uint64_t(kept.last().size()), 0);
        ok = data && zip_file_add(target, it.key().toUtf8().constData(), data, 0) >= 0;
    }
    if (target) {
        if (ok)
            ok = zip_close(target) == 0;
        else
            zip_discard(target);
    }
    if (source)
        zip_discard(source);
    return ok;
}
