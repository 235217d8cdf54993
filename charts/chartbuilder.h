#pragma once

#include "output/chartdata.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

namespace QtCharts {
class QChart;
}

// Builds the charts of a plot: one per facet, with the theme, title, legend
// and axes of the options applied. The caller owns the charts.
// plotWidth is the width in pixels a facet is drawn at, for thinning lines
// of many points. Axis range and label problems go to warnings.
QVector<QtCharts::QChart*> buildCharts(
    const ChartPlot& plot, const ChartOptions& options, int plotWidth, QStringList* warnings);

// The number of facet columns and rows of a plot's grid.
QSize facetGrid(int facets, int across);

// Renders the plot off-screen to the file of the options' image type.
// False with the reason in error when the file cannot be written.
bool writeChartFile(const ChartPlot& plot, const ChartOptions& options, const QString& path,
    QStringList* warnings, QString* error);

// Lets the engine's Chart items draw through writeChartFile. Drawing needs a
// QApplication.
void installChartPlotting();
