#pragma once

#include "output/chartoptions.h"

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

class Dataset;

// One series of a chart: for Scatter, Line and Area the (x, y) points with
// x a number, a category index or milliseconds since the epoch; for bars
// and pies x is the category index and y the summed value.
struct ChartSeriesData
{
    QString name;
    int column = -1;
    QVector<QPointF> points;
};

struct ChartFacetData
{
    QStringList yNames;
    QVector<ChartSeriesData> series;
};

// What a Chart item draws, as plain numbers: the chart widgets and the file
// renderer build their charts from it, so no text of the dataset is held a
// second time.
struct ChartPlot
{
    bool plotted = false;
    QString message; // shown in place of the chart when nothing is plotted
    int type = ChartNone;
    int xKind = XAsNumeric; // Numeric, Text or Date once plotted
    QString xName;
    QStringList categories;
    QVector<ChartFacetData> facets;
    QStringList warnings;
    QStringList information;

    int seriesCount() const;
    int pointCount() const;
};

// The chart families the Part's rules tell apart.
bool isXYChart(int type);
bool isBarChart(int type);
bool isPieChart(int type);
int maxPointsPerFacet(int type);

// Reads the upstream dataset into a plot. The X and Y positions of the
// options must already be resolved against the dataset.
ChartPlot makeChartPlot(
    const Dataset& data, const ChartOptions& options, const QStringList& dateFormats);

// Keeps the first and last point and, per bucket of x, the lowest and the
// highest point in their order, so a line drawn through them looks the same
// at the bucket's width in pixels. Points must be sorted by x.
QVector<QPointF> downsampleMinMax(const QVector<QPointF>& points, int buckets);
