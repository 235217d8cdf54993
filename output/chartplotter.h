#pragma once

#include "output/chartdata.h"

#include <QString>
#include <QStringList>

// Draws a plot to an image or PDF file; false with the reason in error when
// the file cannot be written. Drawing needs the widgets' graphics scene (the
// charts library is built on it), which the engine does not link: a program
// that can draw charts installs its plotter once at start-up, before any
// run, and Chart items without one report that they cannot draw.
using ChartFileWriter = bool (*)(const ChartPlot& plot, const ChartOptions& options,
    const QString& path, QStringList* warnings, QString* error);

void setChartFileWriter(ChartFileWriter writer);
ChartFileWriter chartFileWriter();
