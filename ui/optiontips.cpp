#include "ui/optiontips.h"

#include <QCoreApplication>
#include <QHash>

namespace {

struct Tip
{
    const char* field;
    const char* text;
};

// One table, so that the wording of the forms' tips reads as one voice and a
// new option shows where it lacks one (the window test lists those).
const Tip Tips[] = {
    // Inputs
    { "Type", "The kind of file, which decides how it is read or written." },
    { "File", "The file to read or write. A relative path is taken from the document's folder." },
    { "Worksheet", "The sheet of the workbook to read; empty for the first sheet." },
    { "Folder", "The folder whose matching files are read, one after another, into one table." },
    { "Recurse", "Read matching files in the folders inside the folder too." },
    { "Delimiter", "The character between values. Automatic looks at the start of the file." },
    { "Custom delimiter", "The delimiter character when Delimiter is set to Custom." },
    { "ignore repeated delimiters",
        "Take several delimiters in a row as one, as in columns lined up with spaces." },
    { "Quoting",
        "Whether values may be enclosed in double quotes, so that they can hold delimiters "
        "and line breaks." },
    { "Columns", "Find the columns of a fixed-width file from the text, or give their widths." },
    { "Encoding",
        "How the file's bytes stand for characters. Automatic recognises the Unicode "
        "encodings and falls back to UTF-8." },
    { "Ignore first rows", "Skip this many rows at the start of the file, empty rows included." },
    { "Has header",
        "Whether the first row holds the column names. Automatic decides on the next read." },
    { "trim whitespace", "Remove spaces and tabs at the start and end of every value." },
    { "simplify whitespace",
        "Replace runs of spaces, tabs and line breaks inside values with "
        "one space." },
    { "ignore empty rows", "Leave out rows in which every value is empty." },
    { "ignore empty columns", "Leave out columns in which every value is empty." },
    { "ignore hidden Excel rows", "Leave out rows that are hidden in the workbook." },
    { "ignore hidden Excel columns", "Leave out columns that are hidden in the workbook." },
    { "Meta column name", "The heading of the column that holds the meta information." },
    // Outputs
    { "Write mode",
        "Overwrite replaces the file, Append adds to its end, New writes a new file beside "
        "it, and Disabled writes nothing." },
    { "Line endings", "The characters that end each line. Automatic uses Windows (CRLF)." },
    { "byte order mark", "Start the file with the mark that tells readers its Unicode encoding." },
    { "write header", "Write the column names as the first row." },
    { "Formatting",
        "How cells are formatted in the workbook: Automatic recognises numbers and dates, "
        "General writes text as it is, Manual sets a format per column." },
    { "Excel style template",
        "Copy the widths, fonts, fills, borders and number formats of a sheet of another "
        "workbook." },
    // Charts
    { "chart type", "The kind of chart: scatter, line, area, bar, pie or donut." },
    { "X type",
        "Whether the X axis takes its values as numbers, text or dates; Automatic decides "
        "from the values." },
    { "X column", "The column whose values run along the X axis." },
    { "layout",
        "Several Y columns side by side in one chart, one small chart (facet) each, or "
        "stacked on one another." },
    { "facets across", "How many facets stand side by side before the next row." },
    { "theme", "The colours and look of the chart." },
    { "title", "Title the chart after its columns, with a title of your own, or not at all." },
    { "point size", "The size of the points: chosen from the plot's size, or your own." },
    { "orientation", "Whether a PDF page stands upright or lies on its side." },
    { "custom title", "The chart's title; $(X) and $(Y) stand for the columns' names." },
    { "legend", "Where the legend that names the series is shown." },
    { "line thickness", "The width of the lines, in pixels." },
    { "opacity", "How solid the bars, areas and points are drawn; lower shows what is behind." },
    { "data points", "Mark each value on a line with a point." },
    { "custom size", "The size of the points, in pixels." },
    { "write file", "Write the chart to an image or PDF file whenever it is plotted." },
    { "file", "The image or PDF file the chart is written to." },
    { "image type", "The format of the file: PNG, JPEG or PDF." },
    { "width", "The width of the image, in pixels." },
    { "height", "The height of the image, in pixels." },
    { "page size", "The paper size of a PDF." },
    { "resolution", "The dots per inch of a PDF." },
    { "alias", "The name by which the command line points this chart at another file." },
    // Chart axes, after "X " or "Y "
    { "axis shown", "Draw the axis." },
    { "axis grid", "Draw grid lines across the plot at the axis's ticks." },
    { "axis title", "Name the axis after its column, with a title of your own, or not at all." },
    { "axis custom title", "The axis's own title; $(X) or $(Y) stands for its column's name." },
    { "axis scale", "A linear scale, or a logarithmic one to base e, 10 or 2." },
    { "axis minimum", "Start the axis at a value of your own rather than the data's lowest." },
    { "axis minimum value", "The value the axis starts at." },
    { "axis maximum", "End the axis at a value of your own rather than the data's highest." },
    { "axis maximum value", "The value the axis ends at." },
    { "axis nice values", "Round the axis's range out to whole ticks." },
    { "axis labels", "Show the values at the axis's ticks." },
    { "axis label angle", "Turn the tick labels by this many degrees, to fit long ones." },
    { "axis label format", "How numbers at the ticks are written." },
    { "axis label precision", "The number of decimals of the tick labels." },
    { "axis date format", "How dates at the ticks are written, e.g. yyyy-MM-dd." },
    { "axis same range", "Give every facet the same range, so that they compare at a glance." },
};

} // namespace

QString optionTip(const QString& field)
{
    static const QHash<QString, QString> tips = [] {
        QHash<QString, QString> all;
        for (const Tip& tip : Tips)
            all.insert(
                QString::fromUtf8(tip.field), QCoreApplication::translate("OptionTips", tip.text));
        return all;
    }();
    const auto found = tips.constFind(field);
    if (found != tips.constEnd())
        return *found;
    const bool axis
        = field.startsWith(QLatin1String("X axis ")) || field.startsWith(QLatin1String("Y axis "));
    return axis ? tips.value(field.mid(2)) : QString();
}
