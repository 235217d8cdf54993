// Drawing charts to PNG files: a line of 1,000,000 points (more than a Chart
// item plots, so the plot is made here directly, as the renderer would get
// it) thinned to the image's width, and a bar chart of 1,000 categories
// summed from 100,000 rows.
#include "charts/chartbuilder.h"
#include "core/dataset.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

ChartOptions pngOptions(int type)
{
    ChartOptions o;
    o.type = type;
    o.x.position = 0;
    ChartColumn y;
    y.position = 1;
    o.y << y;
    o.imageWidth = 1600;
    o.imageHeight = 900;
    return o;
}

void BM_ChartLineMillionPng(benchmark::State& state)
{
    ChartPlot plot;
    plot.plotted = true;
    plot.type = ChartLine;
    plot.xName = QStringLiteral("x");
    plot.facets.resize(1);
    plot.facets[0].yNames << QStringLiteral("y");
    ChartSeriesData series;
    series.name = QStringLiteral("y");
    const int points = int(state.range(0));
    series.points.reserve(points);
    for (int i = 0; i < points; ++i)
        series.points << QPointF(i, std::sin(i / 5000.0) * 100 + (i % 97));
    plot.facets[0].series << series;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.png"));
    for (auto _ : state) {
        QStringList warnings;
        QString error;
        if (!writeChartFile(plot, pngOptions(ChartLine), path, &warnings, &error))
            state.SkipWithError("write failed");
    }
}

void BM_ChartBarsPng(benchmark::State& state)
{
    const int categories = int(state.range(0));
    Dataset data;
    data.setColumnCount(2);
    data.setHeader({ "category", "value" });
    for (int r = 0; r < categories * 100; ++r)
        data.appendRow({ QStringLiteral("c%1").arg(r % categories), QString::number(r % 37) });
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bars.png"));
    const ChartOptions options = pngOptions(ChartVerticalBar);
    for (auto _ : state) {
        const ChartPlot plot = makeChartPlot(data, options, {});
        QStringList warnings;
        QString error;
        if (!writeChartFile(plot, options, path, &warnings, &error))
            state.SkipWithError("write failed");
    }
}

} // namespace

BENCHMARK(BM_ChartLineMillionPng)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartBarsPng)->Arg(1000)->Unit(benchmark::kMillisecond);
