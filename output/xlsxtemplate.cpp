#include "output/xlsxtemplate.h"

#include "input/xlsxreader.h"

#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <QXmlStreamReader>

#include <xlsxwriter.h>

#include <algorithm>

namespace {

// The names the file uses, in the order of libxlsxwriter's values for them.
const QStringList BorderNames { "none", "thin", "medium", "dashed", "dotted", "thick", "double",
    "hair", "mediumDashed", "dashDot", "mediumDashDot", "dashDotDot", "mediumDashDotDot",
    "slantDashDot" };
const QStringList HorizontalNames { "general", "left", "center", "right", "fill", "justify",
    "centerContinuous", "distributed" };
const QStringList VerticalNames { "top", "bottom", "center", "justify", "distributed" };

bool isOn(const QXmlStreamAttributes& a)
{
    const QStringRef value = a.value(QLatin1String("val"));
    return value.isEmpty() || value == QLatin1String("1") || value == QLatin1String("true");
}

// An "FFRRGGBB" colour; theme and palette colours keep the default, as
// they depend on parts of the template that the written file does not have.
qint64 colorOf(const QXmlStreamAttributes& a)
{
    const QString rgb = a.value(QLatin1String("rgb")).toString();
    bool ok = false;
    const qint64 value = rgb.right(6).toLongLong(&ok, 16);
    return ok && rgb.size() >= 6 ? value : -1;
}

struct Styles
{
    QHash<int, QString> formats;
    QVector<XlsxFont> fonts;
    QVector<qint64> fills;
    QVector<XlsxBorder> borders;
    QVector<XlsxCellStyle> cells;
};

void readFont(QXmlStreamReader& xml, XlsxFont* font)
{
    while (xml.readNextStartElement()) {
        const QXmlStreamAttributes a = xml.attributes();
        const QStringRef tag = xml.name();
        if (tag == QLatin1String("b"))
            font->bold = isOn(a);
        else if (tag == QLatin1String("i"))
            font->italic = isOn(a);
        else if (tag == QLatin1String("u"))
            font->underline = a.value(QLatin1String("val")) == QLatin1String("double") ? 2 : 1;
        else if (tag == QLatin1String("sz"))
            font->size = a.value(QLatin1String("val")).toDouble();
        else if (tag == QLatin1String("name"))
            font->name = a.value(QLatin1String("val")).toString();
        else if (tag == QLatin1String("color"))
            font->color = colorOf(a);
        xml.skipCurrentElement();
    }
}

qint64 readFill(QXmlStreamReader& xml)
{
    qint64 color = -1;
    bool solid = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("fill"))
            break;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("patternFill"))
            solid = xml.attributes().value(QLatin1String("patternType")) == QLatin1String("solid");
        else if (xml.name() == QLatin1String("fgColor"))
            color = colorOf(xml.attributes());
    }
    return solid ? color : -1;
}

void readBorder(QXmlStreamReader& xml, XlsxBorder* border)
{
    static const QStringList sides { "left", "right", "top", "bottom" };
    int side = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("border"))
            break;
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("color")) {
            if (side >= 0)
                border->colors[side] = colorOf(a);
            continue;
        }
        side = sides.indexOf(xml.name().toString());
        if (side >= 0)
            border->styles[side] = std::max(0, BorderNames.indexOf(a.value("style").toString()));
    }
}

XlsxCellStyle readCellFormat(QXmlStreamReader& xml, const Styles& styles)
{
    XlsxCellStyle cell;
    const QXmlStreamAttributes a = xml.attributes();
    const int format = a.value(QLatin1String("numFmtId")).toInt();
    cell.numberFormat = styles.formats.value(format);
    cell.numberFormatIndex = cell.numberFormat.isEmpty() && format < 164 ? format : 0;
    // The first font is the workbook's default: only another one is copied.
    const int font = a.value(QLatin1String("fontId")).toInt();
    if (font > 0 && font < styles.fonts.size())
        cell.font = styles.fonts.at(font);
    cell.fillColor = styles.fills.value(a.value(QLatin1String("fillId")).toInt(), -1);
    cell.border = styles.borders.value(a.value(QLatin1String("borderId")).toInt());
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("alignment")) {
            const QXmlStreamAttributes al = xml.attributes();
            cell.horizontal
                = std::max(0, HorizontalNames.indexOf(al.value("horizontal").toString()));
            const int vertical = VerticalNames.indexOf(al.value("vertical").toString());
            cell.vertical = vertical < 0 ? 0 : LXW_ALIGN_VERTICAL_TOP + vertical;
            const QStringRef wrap = al.value(QLatin1String("wrapText"));
            cell.wrap = wrap == QLatin1String("1") || wrap == QLatin1String("true");
        }
        xml.skipCurrentElement();
    }
    return cell;
}

Styles readStyles(const QByteArray& part)
{
    Styles styles;
    QXmlStreamReader xml(part);
    QString list;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QStringRef tag = xml.name();
        if (tag == QLatin1String("fonts") || tag == QLatin1String("fills")
            || tag == QLatin1String("borders") || tag == QLatin1String("cellXfs")
            || tag == QLatin1String("cellStyleXfs")) {
            list = tag.toString();
        } else if (tag == QLatin1String("numFmt")) {
            const QXmlStreamAttributes a = xml.attributes();
            styles.formats.insert(a.value(QLatin1String("numFmtId")).toInt(),
                a.value(QLatin1String("formatCode")).toString());
        } else if (tag == QLatin1String("font") && list == QLatin1String("fonts")) {
            styles.fonts.append(XlsxFont());
            readFont(xml, &styles.fonts.last());
        } else if (tag == QLatin1String("fill") && list == QLatin1String("fills")) {
            styles.fills.append(readFill(xml));
        } else if (tag == QLatin1String("border") && list == QLatin1String("borders")) {
            styles.borders.append(XlsxBorder());
            readBorder(xml, &styles.borders.last());
        } else if (tag == QLatin1String("xf") && list == QLatin1String("cellXfs")) {
            styles.cells.append(readCellFormat(xml, styles));
        }
    }
    return styles;
}

// Column widths and the cell formats of the first two rows; a column's own
// format stands in for a cell that has none.
void readSheetLook(const QByteArray& part, const Styles& styles, XlsxSheetStyle* look)
{
    QXmlStreamReader xml(part);
    QVector<int> columnFormats;
    QVector<int> rowFormats[2];
    int row = -1;
    while (!xml.atEnd() && row < 2) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("col")) {
            const int last = std::min(a.value(QLatin1String("max")).toInt(), 16384);
            const double width = a.value(QLatin1String("width")).toDouble();
            for (int c = a.value(QLatin1String("min")).toInt(); c >= 1 && c <= last; ++c) {
                if (look->widths.size() < c) {
                    look->widths.resize(c);
                    columnFormats.resize(c);
                }
                // The file holds the width with the cell padding added.
                look->widths[c - 1] = std::max(0.0, width - 5.0 / 7.0);
                columnFormats[c - 1] = a.value(QLatin1String("style")).toInt();
            }
        } else if (xml.name() == QLatin1String("row")) {
            row = a.value(QLatin1String("r")).toInt() - 1;
        } else if (xml.name() == QLatin1String("c") && row >= 0 && row < 2) {
            int r = 0;
            int c = 0;
            if (!parseCellReference(a.value(QLatin1String("r")), &r, &c))
                continue;
            if (rowFormats[row].size() <= c)
                rowFormats[row].resize(c + 1);
            rowFormats[row][c] = a.value(QLatin1String("s")).toInt();
        }
    }
    const int columns
        = std::max({ columnFormats.size(), rowFormats[0].size(), rowFormats[1].size() });
    for (int c = 0; c < columns; ++c) {
        const int column = columnFormats.value(c);
        look->header << styles.cells.value(rowFormats[0].value(c, column));
        look->data << styles.cells.value(rowFormats[1].value(c, column));
    }
}

} // namespace

bool XlsxCellStyle::isPlain() const
{
    const int* sides = border.styles;
    const bool noBorder = std::all_of(sides, sides + 4, [](int side) { return side == 0; });
    return numberFormatIndex == 0 && numberFormat.isEmpty() && font.name.isEmpty()
        && font.size == 0.0 && !font.bold && !font.italic && font.underline == 0 && font.color < 0
        && fillColor < 0 && noBorder && horizontal == 0 && vertical == 0 && !wrap;
}

bool readXlsxSheetStyle(
    const QString& file, const QString& sheet, XlsxSheetStyle* style, QString* error)
{
    if (!QFileInfo(file).isFile()) {
        *error = QStringLiteral("File not found");
        return false;
    }
    XlsxBook book;
    if (!book.load(file)) {
        *error = QStringLiteral("Only .xlsx workbooks can be style templates");
        return false;
    }
    const int index = chooseWorkbookSheet(book.sheets(), sheet);
    if (index < 0 || !book.sheets().at(index).isWorksheet) {
        *error = QStringLiteral("Sheet '%1' not found.").arg(sheet);
        return false;
    }
    style->sheet = book.sheets().at(index).name;
    const Styles styles = readStyles(book.part(book.stylesPart()));
    readSheetLook(book.part(book.sheetPart(index)), styles, style);
    return true;
}

lxw_format* addTemplateFormat(
    lxw_workbook* book, const XlsxCellStyle* style, const char* fallbackNumberFormat)
{
    if ((!style || style->isPlain()) && !fallbackNumberFormat)
        return nullptr;
    lxw_format* format = workbook_add_format(book);
    if (!style || (style->numberFormatIndex == 0 && style->numberFormat.isEmpty())) {
        if (fallbackNumberFormat)
            format_set_num_format(format, fallbackNumberFormat);
    } else if (!style->numberFormat.isEmpty()) {
        format_set_num_format(format, style->numberFormat.toUtf8().constData());
    } else {
        format_set_num_format_index(format, uint8_t(style->numberFormatIndex));
    }
    if (!style)
        return format;
    const XlsxFont& font = style->font;
    if (!font.name.isEmpty())
        format_set_font_name(format, font.name.toUtf8().constData());
    if (font.size > 0)
        format_set_font_size(format, font.size);
    if (font.bold)
        format_set_bold(format);
    if (font.italic)
        format_set_italic(format);
    if (font.underline)
        format_set_underline(format, uint8_t(font.underline));
    if (font.color >= 0)
        format_set_font_color(format, lxw_color_t(font.color));
    if (style->fillColor >= 0)
        format_set_bg_color(format, lxw_color_t(style->fillColor));
    void (*const sides[4])(lxw_format*, uint8_t)
        = { format_set_left, format_set_right, format_set_top, format_set_bottom };
    void (*const colors[4])(lxw_format*, lxw_color_t) = { format_set_left_color,
        format_set_right_color, format_set_top_color, format_set_bottom_color };
    for (int side = 0; side < 4; ++side) {
        if (style->border.styles[side] == 0)
            continue;
        sides[side](format, uint8_t(style->border.styles[side]));
        if (style->border.colors[side] >= 0)
            colors[side](format, lxw_color_t(style->border.colors[side]));
    }
    if (style->horizontal)
        format_set_align(format, uint8_t(style->horizontal));
    if (style->vertical)
        format_set_align(format, uint8_t(style->vertical));
    if (style->wrap)
        format_set_text_wrap(format);
    return format;
}
