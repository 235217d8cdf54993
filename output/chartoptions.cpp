// Storing a Chart item's options under the attribute names of the chart
// element of a document.

#include "output/chartoptions.h"

#include "core/optionmap.h"

#include <QLocale>

namespace {

using namespace OptionMap;

const QChar ListSeparator(0x1F);

QString automaticTitle()
{
    return QStringLiteral("%1 vs %2").arg(QStringLiteral("$(X)"), QStringLiteral("$(Y)"));
}

QString columnText(const ChartColumn& c)
{
    return c.position >= 0 ? QString::number(c.position) : QString();
}

ChartColumn columnFrom(const QString& text)
{
    ChartColumn c;
    bool ok = false;
    const int position = text.trimmed().toInt(&ok);
    if (ok && position >= 0) {
        c.position = position;
        c.pending = true;
    }
    return c;
}

void saveAxis(QVariantMap& map, const ChartAxisOptions& a, const QString& axis)
{
    const QString p = QStringLiteral("chart_") + axis + QStringLiteral("_axis");
    map.insert(QStringLiteral("chart_show_") + axis + QStringLiteral("_axis"), int(a.show));
    map.insert(QStringLiteral("chart_show_") + axis + QStringLiteral("_axis_grid"), int(a.grid));
    map.insert(p + QStringLiteral("_title_option"), a.titleOption);
    map.insert(p + QStringLiteral("_custom_title"), a.customTitle);
    map.insert(p + QStringLiteral("_scale"), a.scale);
    map.insert(p + QStringLiteral("_min_range_option"), int(a.customMin));
    map.insert(p + QStringLiteral("_min_range_custom_value"), a.minValue);
    map.insert(p + QStringLiteral("_max_range_option"), int(a.customMax));
    map.insert(p + QStringLiteral("_max_range_custom_value"), a.maxValue);
    map.insert(p + QStringLiteral("_nice_values"), int(a.niceValues));
    map.insert(p + QStringLiteral("_show_labels"), int(a.showLabels));
    map.insert(p + QStringLiteral("_label_angle"), a.labelAngle);
    map.insert(p + QStringLiteral("_label_format"), a.labelFormat);
    map.insert(p + QStringLiteral("_label_precision"), a.labelPrecision);
    if (axis == QLatin1String("x"))
        map.insert(p + QStringLiteral("_label_date_format"), a.dateFormat);
    else
        map.insert(p + QStringLiteral("_same_range_all_facets"), int(a.sameRangeAllFacets));
}

double readReal(const QVariantMap& map, const QString& key, double fallback)
{
    bool ok = false;
    const double v = map.value(key).toDouble(&ok);
    return map.contains(key) && ok ? v : fallback;
}

ChartAxisOptions restoreAxis(const QVariantMap& map, const QString& axis)
{
    const QString p = QStringLiteral("chart_") + axis + QStringLiteral("_axis");
    ChartAxisOptions a;
    a.show = readBool(map, QStringLiteral("chart_show_") + axis + QStringLiteral("_axis"), true);
    a.grid
        = readBool(map, QStringLiteral("chart_show_") + axis + QStringLiteral("_axis_grid"), true);
    a.titleOption = readInt(map, p + QStringLiteral("_title_option"), TitleHidden, 0, 2);
    a.customTitle = readText(map, p + QStringLiteral("_custom_title"),
        axis == QLatin1String("x") ? QStringLiteral("$(X)") : QStringLiteral("$(Y)"));
    a.scale = readInt(map, p + QStringLiteral("_scale"), ScaleLinear, 0, 3);
    a.customMin = readInt(map, p + QStringLiteral("_min_range_option"), 0, 0, 1) == 1;
    a.minValue = readReal(map, p + QStringLiteral("_min_range_custom_value"), 0.0);
    a.customMax = readInt(map, p + QStringLiteral("_max_range_option"), 0, 0, 1) == 1;
    a.maxValue = readReal(map, p + QStringLiteral("_max_range_custom_value"), 10.0);
    a.niceValues = readBool(map, p + QStringLiteral("_nice_values"), true);
    a.showLabels = readBool(map, p + QStringLiteral("_show_labels"), true);
    a.labelAngle = readInt(map, p + QStringLiteral("_label_angle"), 0, -360, 360);
    a.labelFormat = readInt(map, p + QStringLiteral("_label_format"), 0, 0, 6);
    a.labelPrecision = readInt(map, p + QStringLiteral("_label_precision"), 2, 0, 30);
    a.dateFormat = readText(map, p + QStringLiteral("_label_date_format"));
    a.sameRangeAllFacets = readBool(map, p + QStringLiteral("_same_range_all_facets"), false);
    return a;
}

} // namespace

bool ChartAxisOptions::operator==(const ChartAxisOptions& o) const
{
    return show == o.show && grid == o.grid && titleOption == o.titleOption
        && customTitle == o.customTitle && scale == o.scale && customMin == o.customMin
        && minValue == o.minValue && customMax == o.customMax && maxValue == o.maxValue
        && niceValues == o.niceValues && showLabels == o.showLabels && labelAngle == o.labelAngle
        && labelFormat == o.labelFormat && labelPrecision == o.labelPrecision
        && dateFormat == o.dateFormat && sameRangeAllFacets == o.sameRangeAllFacets;
}

ChartOptions::ChartOptions() : pdfSize(defaultPdfSize()), customTitle(automaticTitle())
{
    xAxis.customTitle = QStringLiteral("$(X)");
    yAxis.customTitle = QStringLiteral("$(Y)");
}

bool ChartOptions::operator==(const ChartOptions& o) const
{
    return type == o.type && x == o.x && xAs == o.xAs && y == o.y && layout == o.layout
        && facetsAcross == o.facetsAcross && writeFile == o.writeFile && path == o.path
        && imageType == o.imageType && imageWidth == o.imageWidth && imageHeight == o.imageHeight
        && pdfSize == o.pdfSize && pdfOrientation == o.pdfOrientation
        && pdfResolution == o.pdfResolution && alias == o.alias && theme == o.theme
        && titleOption == o.titleOption && customTitle == o.customTitle && legend == o.legend
        && lineThickness == o.lineThickness && opacity == o.opacity
        && showLinePoints == o.showLinePoints && pointSizeOption == o.pointSizeOption
        && customPointSize == o.customPointSize && xAxis == o.xAxis && yAxis == o.yAxis;
}

QVariantMap ChartOptions::save() const
{
    QStringList ys;
    for (const ChartColumn& c : y) {
        if (c.position >= 0)
            ys << QString::number(c.position);
    }
    QVariantMap map {
        { QStringLiteral("chart_type"), type },
        { QStringLiteral("chart_x_column"), columnText(x) },
        { QStringLiteral("chart_x_as"), xAs },
        { QStringLiteral("chart_y_columns"), ys.join(ListSeparator) },
        { QStringLiteral("chart_layout"), layout },
        { QStringLiteral("chart_facets_across"), facetsAcross },
        { QStringLiteral("write_file"), int(writeFile) },
        { QStringLiteral("path"), path },
        { QStringLiteral("chart_image_type"), imageType },
        { QStringLiteral("chart_image_width"), imageWidth },
        { QStringLiteral("chart_image_height"), imageHeight },
        { QStringLiteral("chart_pdf_size"), pdfSize },
        { QStringLiteral("chart_pdf_orientation"), pdfOrientation },
        { QStringLiteral("chart_pdf_resolution"), pdfResolution },
        { QStringLiteral("alias"), alias },
        { QStringLiteral("chart_theme"), theme },
        { QStringLiteral("chart_title_option"), titleOption },
        { QStringLiteral("chart_custom_title"), customTitle },
        { QStringLiteral("chart_legend_position"), legend },
        { QStringLiteral("chart_line_thickness"), lineThickness },
        { QStringLiteral("chart_opacity"), opacity },
        { QStringLiteral("chart_show_Line_data_points"), int(showLinePoints) },
        { QStringLiteral("chart_point_size_option"), pointSizeOption },
        { QStringLiteral("chart_custom_points_size"), customPointSize },
    };
    saveAxis(map, xAxis, QStringLiteral("x"));
    saveAxis(map, yAxis, QStringLiteral("y"));
    return map;
}

ChartOptions ChartOptions::restore(const QVariantMap& map)
{
    ChartOptions o;
    o.type = readInt(map, QStringLiteral("chart_type"), ChartNone, ChartNone, ChartDonut);
    o.x = columnFrom(readText(map, QStringLiteral("chart_x_column")));
    o.xAs = readInt(map, QStringLiteral("chart_x_as"), XAsAutomatic, XAsAutomatic, XAsDate);
    // Older documents separate the positions with "^".
    QString ys = readText(map, QStringLiteral("chart_y_columns"));
    if (!ys.contains(ListSeparator))
        ys.replace(QLatin1Char('^'), ListSeparator);
    for (const QString& part : ys.split(ListSeparator, Qt::SkipEmptyParts)) {
        const ChartColumn c = columnFrom(part);
        if (c.isSet())
            o.y << c;
    }
    o.layout = readInt(map, QStringLiteral("chart_layout"), LayoutGrouped, 0, 2);
    o.facetsAcross = readInt(map, QStringLiteral("chart_facets_across"), 2, 1, 5);
    o.writeFile = readBool(map, QStringLiteral("write_file"), false);
    o.path = readText(map, QStringLiteral("path")).trimmed();
    o.imageType = readInt(map, QStringLiteral("chart_image_type"), ImagePng, 0, 2);
    o.imageWidth = readInt(map, QStringLiteral("chart_image_width"), 1024, 1, 20000);
    o.imageHeight = readInt(map, QStringLiteral("chart_image_height"), 1024, 1, 20000);
    o.pdfSize = readInt(map, QStringLiteral("chart_pdf_size"), defaultPdfSize(), 0, 10);
    o.pdfOrientation = readInt(map, QStringLiteral("chart_pdf_orientation"), 0, 0, 1);
    o.pdfResolution = readInt(map, QStringLiteral("chart_pdf_resolution"), 150, 1, 10000);
    o.alias = readText(map, QStringLiteral("alias")).trimmed();
    o.theme = readInt(map, QStringLiteral("chart_theme"), 0, 0, 6);
    o.titleOption = readInt(map, QStringLiteral("chart_title_option"), TitleAutomatic, 0, 2);
    o.customTitle = readText(map, QStringLiteral("chart_custom_title"), automaticTitle());
    o.legend = readInt(map, QStringLiteral("chart_legend_position"), LegendAutomatic, 0, 5);
    o.lineThickness = readReal(map, QStringLiteral("chart_line_thickness"), 2.0);
    o.opacity = readInt(map, QStringLiteral("chart_opacity"), 100, 0, 100);
    o.showLinePoints = readBool(map, QStringLiteral("chart_show_Line_data_points"), false);
    o.pointSizeOption = readInt(map, QStringLiteral("chart_point_size_option"), 0, 0, 1);
    o.customPointSize = readReal(map, QStringLiteral("chart_custom_points_size"), 15.0);
    o.xAxis = restoreAxis(map, QStringLiteral("x"));
    o.yAxis = restoreAxis(map, QStringLiteral("y"));
    return o;
}

QStringList chartTypeNames()
{
    return { QStringLiteral("<None selected>"), QStringLiteral("Scatter"), QStringLiteral("Line"),
        QStringLiteral("Smooth Line"), QStringLiteral("Area"), QStringLiteral("Vertical Bar"),
        QStringLiteral("Horizontal Bar"), QStringLiteral("Pie"), QStringLiteral("Donut") };
}

QString chartTypeName(int type)
{
    return chartTypeNames().value(type);
}

QStringList chartXAsNames()
{
    return { QStringLiteral("Automatic"), QStringLiteral("Numeric"), QStringLiteral("Text"),
        QStringLiteral("Date") };
}

QStringList chartLayoutNames()
{
    return { QStringLiteral("Grouped"), QStringLiteral("Faceted"), QStringLiteral("Stacked") };
}

QStringList chartImageTypeNames()
{
    return { QStringLiteral("PNG"), QStringLiteral("JPEG"), QStringLiteral("PDF") };
}

QStringList chartPdfSizeNames()
{
    return { QStringLiteral("A0"), QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3"),
        QStringLiteral("A4"), QStringLiteral("A5"), QStringLiteral("A6"), QStringLiteral("Ledger"),
        QStringLiteral("Legal"), QStringLiteral("Letter"), QStringLiteral("Tabloid") };
}

QStringList chartThemeNames()
{
    return { QStringLiteral("Light"), QStringLiteral("Natural Color System"),
        QStringLiteral("Ice Blue"), QStringLiteral("Dark Blue"), QStringLiteral("Green"),
        QStringLiteral("Brown"), QStringLiteral("Dark") };
}

QStringList chartLegendNames()
{
    return { QStringLiteral("Automatic"), QStringLiteral("Bottom"), QStringLiteral("Left"),
        QStringLiteral("Top"), QStringLiteral("Right"), QStringLiteral("Hidden") };
}

QStringList chartScaleNames()
{
    return { QStringLiteral("Linear"), QStringLiteral("Log e"), QStringLiteral("Log 10"),
        QStringLiteral("Log 2") };
}

QStringList chartLabelFormatNames()
{
    return { QStringLiteral("Automatic"), QStringLiteral("e"), QStringLiteral("E"),
        QStringLiteral("f"), QStringLiteral("g"), QStringLiteral("G"), QStringLiteral("i") };
}

int defaultPdfSize()
{
    return QLocale::system().country() == QLocale::UnitedStates ? 9 : 4;
}
