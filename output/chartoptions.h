#pragma once

#include "core/columnid.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

enum ChartType : int {
    ChartNone = 0,
    ChartScatter = 1,
    ChartLine = 2,
    ChartSmoothLine = 3,
    ChartArea = 4,
    ChartVerticalBar = 5,
    ChartHorizontalBar = 6,
    ChartPie = 7,
    ChartDonut = 8,
    ChartTypeCount = 9
};

enum ChartXAs : int { XAsAutomatic = 0, XAsNumeric = 1, XAsText = 2, XAsDate = 3 };
enum ChartLayout : int { LayoutGrouped = 0, LayoutFaceted = 1, LayoutStacked = 2 };
enum ChartImageType : int { ImagePng = 0, ImageJpeg = 1, ImagePdf = 2 };
enum ChartTitleOption : int { TitleAutomatic = 0, TitleCustom = 1, TitleHidden = 2 };
enum ChartLegend : int {
    LegendAutomatic = 0,
    LegendBottom = 1,
    LegendLeft = 2,
    LegendTop = 3,
    LegendRight = 4,
    LegendHidden = 5
};
enum ChartScale : int { ScaleLinear = 0, ScaleLogE = 1, ScaleLog10 = 2, ScaleLog2 = 3 };

// The options one axis of a chart has; the X and Y axes are stored alike
// under keys that differ only in "x" or "y".
struct ChartAxisOptions
{
    bool show = true;
    bool grid = true;
    int titleOption = TitleHidden;
    QString customTitle;
    int scale = ScaleLinear;
    bool customMin = false;
    double minValue = 0.0;
    bool customMax = false;
    double maxValue = 10.0;
    bool niceValues = true;
    bool showLabels = true;
    int labelAngle = 0;
    int labelFormat = 0; // "Automatic", "e", "E", "f", "g", "G", "i"
    int labelPrecision = 2;
    QString dateFormat; // X axis only
    bool sameRangeAllFacets = false; // Y axis only

    bool operator==(const ChartAxisOptions& o) const;
};

// A column the chart reads, followed by identity, then by name; a document
// gives only the position, kept until the upstream has columns.
struct ChartColumn
{
    int position = -1;
    ColumnId id;
    QString name;
    bool pending = false;

    bool isSet() const { return pending || position >= 0 || id.isValid() || !name.isEmpty(); }
    bool operator==(const ChartColumn& o) const
    {
        return position == o.position && id == o.id && name == o.name && pending == o.pending;
    }
};

struct ChartOptions
{
    int type = ChartNone;
    ChartColumn x;
    int xAs = XAsAutomatic;
    QVector<ChartColumn> y;
    int layout = LayoutGrouped;
    int facetsAcross = 2;
    bool writeFile = false;
    QString path;
    int imageType = ImagePng;
    int imageWidth = 1024;
    int imageHeight = 1024;
    int pdfSize = 4;
    int pdfOrientation = 0;
    int pdfResolution = 150;
    QString alias;
    int theme = 0;
    int titleOption = TitleAutomatic;
    QString customTitle;
    int legend = LegendAutomatic;
    double lineThickness = 2.0;
    int opacity = 100;
    bool showLinePoints = false;
    int pointSizeOption = 0; // 0 automatic, 1 the custom size
    double customPointSize = 15.0;
    ChartAxisOptions xAxis;
    ChartAxisOptions yAxis;

    ChartOptions();
    bool operator==(const ChartOptions& o) const;
    bool operator!=(const ChartOptions& o) const { return !(*this == o); }

    // Keys and values as the chart element of a document stores them.
    QVariantMap save() const;
    static ChartOptions restore(const QVariantMap& map);
};

// The names the user sees for the choices.
QString chartTypeName(int type);
QStringList chartTypeNames();
QStringList chartXAsNames();
QStringList chartLayoutNames();
QStringList chartImageTypeNames();
QStringList chartPdfSizeNames();
QStringList chartThemeNames();
QStringList chartLegendNames();
QStringList chartScaleNames();
QStringList chartLabelFormatNames();
// A4, or Letter where the system's locale is that of the United States.
int defaultPdfSize();
