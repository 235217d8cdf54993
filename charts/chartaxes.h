#pragma once

#include "output/chartdata.h"

#include <QStringList>
#include <QVector>

namespace QtCharts {
class QAbstractAxis;
class QChart;
} // namespace QtCharts

// The Y axes of the facets built so far, for a range shared by all facets.
struct AxisRanges
{
    QVector<QtCharts::QAbstractAxis*> yAxes;
    QVector<double> dataSpans;
};

// Gives a facet's chart its X and Y axes as the options say, with the
// range problems and label format doubts as warnings.
void attachAxes(QtCharts::QChart* chart, const ChartPlot& plot, const ChartFacetData& facet,
    const ChartOptions& options, AxisRanges* ranges, QStringList* warnings);

// One minimum and maximum for the Y axes of all facets, at each end the
// user left automatic.
void shareYRange(const AxisRanges& ranges, const ChartAxisOptions& yAxis);

// The printf-style label format of an axis, empty for "Automatic".
QString labelFormat(const ChartAxisOptions& axis);
// Whether the format shows fewer digits than the ticks from lo to hi in
// steps of step need.
bool labelFormatTruncates(const ChartAxisOptions& axis, double lo, double hi, double step);
