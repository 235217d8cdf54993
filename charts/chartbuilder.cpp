// Building Qt Charts from a plot and rendering them to image and PDF files.
// The charts are graphics items, not widgets, so the same code serves the
// right pane and a run without windows.

#include "charts/chartbuilder.h"

#include "charts/chartaxes.h"

#include <QtCharts/QAreaSeries>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QHorizontalBarSeries>
#include <QtCharts/QHorizontalStackedBarSeries>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QSplineSeries>
#include <QtCharts/QStackedBarSeries>

#include <QtCharts/QBarSeries>

#include <QMap>
#include <QPen>

#include <algorithm>

using namespace QtCharts;

namespace {

QChart::ChartTheme chartTheme(int theme)
{
    static const QChart::ChartTheme themes[] = { QChart::ChartThemeLight, QChart::ChartThemeBlueNcs,
        QChart::ChartThemeBlueIcy, QChart::ChartThemeBlueCerulean, QChart::ChartThemeQt,
        QChart::ChartThemeBrownSand, QChart::ChartThemeDark };
    return themes[std::max(0, std::min(theme, 6))];
}

QString filledTitle(const QString& text, const QString& x, const QStringList& ys)
{
    QString title = text;
    title.replace(QStringLiteral("$(X)"), x);
    title.replace(QStringLiteral("$(Y)"), ys.join(QStringLiteral(", ")));
    return title;
}

void applyTitle(QChart* chart, const ChartOptions& o, const ChartPlot& plot, const QStringList& ys)
{
    if (o.titleOption == TitleHidden)
        return;
    const QString text = o.titleOption == TitleCustom
        ? o.customTitle
        : QStringLiteral("%1 vs %2").arg(QStringLiteral("$(X)"), QStringLiteral("$(Y)"));
    chart->setTitle(filledTitle(text, plot.xName, ys));
}

void applyLegend(QChart* chart, int option)
{
    QLegend* legend = chart->legend();
    legend->setShowToolTips(true);
    int where = option;
    if (option == LegendAutomatic) {
        const int markers = legend->markers().size();
        where = markers < 2 ? LegendHidden : markers < 6 ? LegendBottom : LegendLeft;
    }
    legend->setVisible(where != LegendHidden);
    static const Qt::Alignment places[]
        = { Qt::AlignBottom, Qt::AlignBottom, Qt::AlignLeft, Qt::AlignTop, Qt::AlignRight };
    if (where != LegendHidden)
        legend->setAlignment(places[where]);
}

void styleLine(QXYSeries* series, const ChartOptions& o)
{
    QPen pen = series->pen();
    pen.setWidthF(o.lineThickness);
    series->setPen(pen);
    series->setOpacity(o.opacity / 100.0);
}

QXYSeries* xySeries(int type, const ChartOptions& o)
{
    if (type == ChartScatter) {
        auto* s = new QScatterSeries;
        s->setMarkerSize(o.pointSizeOption == 1 ? o.customPointSize : 10.0);
        return s;
    }
    QLineSeries* s = type == ChartSmoothLine ? new QSplineSeries : new QLineSeries;
    s->setPointsVisible(o.showLinePoints);
    return s;
}

// Stacked areas sit on the running total of the series before them, by X.
void addAreas(QChart* chart, const ChartFacetData& facet, const ChartOptions& o, int plotWidth)
{
    QMap<double, double> total;
    for (const ChartSeriesData& data : facet.series) {
        auto* upper = new QLineSeries;
        QLineSeries* lower = nullptr;
        const bool stacked = o.layout == LayoutStacked;
        if (stacked && !total.isEmpty())
            lower = new QLineSeries;
        for (const QPointF& p : downsampleMinMax(data.points, plotWidth)) {
            const double base = stacked ? total.value(p.x(), 0.0) : 0.0;
            if (lower)
                lower->append(p.x(), base);
            upper->append(p.x(), base + p.y());
            if (stacked)
                total[p.x()] = base + p.y();
        }
        auto* area = new QAreaSeries(upper, lower);
        area->setName(data.name);
        chart->addSeries(area);
        area->setOpacity(o.opacity / 100.0);
        QPen pen = area->pen();
        pen.setWidthF(o.lineThickness);
        area->setPen(pen);
        area->setPointsVisible(o.showLinePoints);
    }
}

void addXY(QChart* chart, const ChartPlot& plot, const ChartFacetData& facet, const ChartOptions& o,
    int plotWidth)
{
    if (plot.type == ChartArea) {
        addAreas(chart, facet, o, plotWidth);
        return;
    }
    for (const ChartSeriesData& data : facet.series) {
        QXYSeries* series = xySeries(plot.type, o);
        series->setName(data.name);
        // A scatter shows every point; a line through a bucket's extremes
        // looks the same as one through all its points.
        series->replace(plot.type == ChartScatter || plot.xKind == XAsText
                ? data.points
                : downsampleMinMax(data.points, plotWidth));
        // The theme gives the series its colour when it joins the chart;
        // only the width is changed after that.
        chart->addSeries(series);
        styleLine(series, o);
    }
}

void addBars(
    QChart* chart, const ChartPlot& plot, const ChartFacetData& facet, const ChartOptions& o)
{
    const bool horizontal = plot.type == ChartHorizontalBar;
    const bool stacked = o.layout == LayoutStacked;
    QAbstractBarSeries* series = horizontal
        ? (stacked ? static_cast<QAbstractBarSeries*>(new QHorizontalStackedBarSeries)
                   : new QHorizontalBarSeries)
        : (stacked ? static_cast<QAbstractBarSeries*>(new QStackedBarSeries) : new QBarSeries);
    for (const ChartSeriesData& data : facet.series) {
        auto* set = new QBarSet(data.name);
        for (const QPointF& p : data.points)
            set->append(p.y());
        series->append(set);
    }
    chart->addSeries(series);
    series->setOpacity(o.opacity / 100.0);
}

void addPie(
    QChart* chart, const ChartPlot& plot, const ChartFacetData& facet, const ChartOptions& o)
{
    auto* series = new QPieSeries;
    for (const QPointF& p : facet.series.first().points)
        series->append(plot.categories.value(int(p.x())), p.y());
    if (plot.type == ChartDonut)
        series->setHoleSize(0.4);
    series->setOpacity(o.opacity / 100.0);
    chart->addSeries(series);
}

QChart* buildFacet(const ChartPlot& plot, const ChartFacetData& facet, const ChartOptions& o,
    int plotWidth, AxisRanges* ranges, QStringList* warnings)
{
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTheme(chartTheme(o.theme));
    if (isXYChart(plot.type))
        addXY(chart, plot, facet, o, plotWidth);
    else if (isBarChart(plot.type))
        addBars(chart, plot, facet, o);
    else
        addPie(chart, plot, facet, o);
    applyTitle(chart, o, plot, facet.yNames);
    applyLegend(chart, o.legend);
    if (!isPieChart(plot.type))
        attachAxes(chart, plot, facet, o, ranges, warnings);
    return chart;
}

} // namespace

QSize facetGrid(int facets, int across)
{
    const int columns = std::max(1, std::min(std::min(across, 5), facets));
    return QSize(columns, std::max(1, (facets + columns - 1) / columns));
}

QVector<QChart*> buildCharts(
    const ChartPlot& plot, const ChartOptions& options, int plotWidth, QStringList* warnings)
{
    QVector<QChart*> charts;
    if (!plot.plotted)
        return charts;
    QStringList lines;
    AxisRanges ranges;
    for (const ChartFacetData& facet : plot.facets)
        charts << buildFacet(plot, facet, options, plotWidth, &ranges, &lines);
    if (options.layout == LayoutFaceted && charts.size() >= 2 && options.yAxis.sameRangeAllFacets)
        shareYRange(ranges, options.yAxis);
    if (warnings) {
        for (const QString& line : qAsConst(lines)) {
            if (!warnings->contains(line))
                *warnings << line;
        }
    }
    return charts;
}
