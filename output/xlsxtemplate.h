#pragma once

// Style templates for .xlsx output: the look of a sheet of another workbook
// (column widths, and the number format, font, fill, borders and alignment
// of its header row and first data row, column by column) read so that a
// written sheet can be given the same look.

#include <QString>
#include <QVector>

struct lxw_workbook;
struct lxw_format;

// Colours are 0xRRGGBB; -1 keeps the default.
struct XlsxFont
{
    QString name;
    double size = 0.0;
    bool bold = false;
    bool italic = false;
    int underline = 0;
    qint64 color = -1;
};

// Styles left, right, top, bottom in the file's order of names (0 none,
// 1 thin, 2 medium ...) and their colours.
struct XlsxBorder
{
    int styles[4] = { 0, 0, 0, 0 };
    qint64 colors[4] = { -1, -1, -1, -1 };
};

struct XlsxCellStyle
{
    // A built-in number format by its index, or a format code of the file.
    int numberFormatIndex = 0;
    QString numberFormat;
    XlsxFont font;
    qint64 fillColor = -1;
    XlsxBorder border;
    int horizontal = 0;
    int vertical = 0;
    bool wrap = false;

    bool isPlain() const;
};

struct XlsxSheetStyle
{
    // The sheet the template named, as the workbook spells it.
    QString sheet;
    // Widths in characters as the user sees them; 0 for the default.
    QVector<double> widths;
    QVector<XlsxCellStyle> header;
    QVector<XlsxCellStyle> data;
};

// Reads the look of a sheet (chosen as an Input item chooses one: by name in
// any case, then by number; the first sheet for an empty name). False with
// the reason in *error.
bool readXlsxSheetStyle(
    const QString& file, const QString& sheet, XlsxSheetStyle* style, QString* error);

// A cell format of the workbook with the template cell's look; the number
// format falls back to the given one when the template cell has none. Null
// when there is nothing to set.
lxw_format* addTemplateFormat(
    lxw_workbook* book, const XlsxCellStyle* style, const char* fallbackNumberFormat);
