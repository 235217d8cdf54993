// The axes of a chart facet: kinds, ranges, scales, labels and titles.

#include "charts/chartaxes.h"

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QValueAxis>

#include <QDateTime>
#include <QLocale>
#include <QMap>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace QtCharts;

namespace {

struct Span
{
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    void add(double v)
    {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    bool valid() const { return lo <= hi; }
};

// The Y extent: stacked bars reach the sums per category, bars start at 0.
Span ySpan(const ChartPlot& plot, const ChartFacetData& facet, const ChartOptions& o)
{
    Span span;
    const bool stackedBars = isBarChart(plot.type) && o.layout == LayoutStacked;
    QVector<double> up(plot.categories.size(), 0.0);
    QVector<double> down(plot.categories.size(), 0.0);
    for (const ChartSeriesData& s : facet.series) {
        for (const QPointF& p : s.points) {
            if (stackedBars) {
                (p.y() >= 0 ? up : down)[int(p.x())] += p.y();
            } else {
                span.add(p.y());
            }
        }
    }
    for (int i = 0; stackedBars && i < up.size(); ++i) {
        span.add(up.at(i));
        span.add(down.at(i));
    }
    if (isBarChart(plot.type) && span.valid())
        span.add(0.0);
    if (plot.type == ChartArea && o.layout == LayoutStacked) {
        // Stacked areas reach the running total, which the builder forms
        // the same way.
        QMap<double, double> total;
        for (const ChartSeriesData& s : facet.series) {
            for (const QPointF& p : s.points) {
                total[p.x()] += p.y();
                span.add(total.value(p.x()));
            }
        }
    }
    return span;
}

Span xSpan(const ChartFacetData& facet)
{
    Span span;
    for (const ChartSeriesData& s : facet.series) {
        for (const QPointF& p : s.points)
            span.add(p.x());
    }
    return span;
}

void applyCommon(QAbstractAxis* axis, const ChartAxisOptions& a, const QString& automaticTitle,
    const QString& letter, const QString& names)
{
    axis->setVisible(a.show);
    axis->setGridLineVisible(a.grid);
    axis->setLabelsVisible(a.showLabels);
    axis->setLabelsAngle(a.labelAngle);
    if (a.titleOption == TitleHidden) {
        axis->setTitleVisible(false);
        return;
    }
    QString title = a.titleOption == TitleCustom ? a.customTitle : automaticTitle;
    title.replace(letter, names);
    axis->setTitleText(title);
    axis->setTitleVisible(true);
}

void validateRange(const ChartAxisOptions& a, const QString& name, QStringList* warnings)
{
    const bool log = a.scale != ScaleLinear;
    if (log && a.customMin && a.minValue <= 0)
        *warnings
            << QStringLiteral("%1 axis minimum should be > 0 for a logarithmic scale").arg(name);
    if (log && a.customMax && a.maxValue <= 0)
        *warnings
            << QStringLiteral("%1 axis maximum should be > 0 for a logarithmic scale").arg(name);
    if (a.customMin && a.customMax && a.minValue >= a.maxValue) {
        // The logarithmic X axis has always worded it this way.
        const QString text = log && name == QLatin1String("X")
            ? QStringLiteral("X axis minimum (%1) should < X axis maximum (%2)")
            : QStringLiteral("%3 axis minimum (%1) should be < %3 axis maximum (%2)");
        *warnings << text.arg(a.minValue).arg(a.maxValue).arg(name);
    }
}

// Points of a scatter drawn on the edge of the plot would be cut in half.
Span padded(Span span, bool pad)
{
    if (pad && span.valid()) {
        const double margin = span.hi > span.lo ? (span.hi - span.lo) * 0.05 : 0.5;
        span.lo -= margin;
        span.hi += margin;
    }
    return span;
}

QAbstractAxis* valueAxis(
    const ChartAxisOptions& a, Span data, const QString& name, QStringList* warnings)
{
    validateRange(a, name, warnings);
    const bool log = a.scale != ScaleLinear;
    double lo = data.valid() ? data.lo : 0.0;
    double hi = data.valid() ? data.hi : 1.0;
    if (a.customMin && (!log || a.minValue > 0))
        lo = a.minValue;
    if (a.customMax && (!log || a.maxValue > 0))
        hi = a.maxValue;
    if (!(lo < hi)) {
        lo = a.customMin ? lo : (a.customMax ? hi - 1 : 0.0);
        hi = a.customMin && !a.customMax ? lo + 1 : (a.customMax ? hi : 1.0);
    }
    const QString format = labelFormat(a);
    if (log) {
        auto* axis = new QLogValueAxis;
        static const double bases[] = { 10.0, M_E, 10.0, 2.0 };
        axis->setBase(bases[a.scale]);
        axis->setRange(lo > 0 ? lo : hi / 1000.0, hi);
        if (!format.isEmpty())
            axis->setLabelFormat(format);
        return axis;
    }
    auto* axis = new QValueAxis;
    axis->setRange(lo, hi);
    if (a.niceValues && !(a.customMin && a.customMax))
        axis->applyNiceNumbers();
    if (!format.isEmpty()) {
        axis->setLabelFormat(format);
        const double step = (axis->max() - axis->min()) / std::max(1, axis->tickCount() - 1);
        if (data.valid() && labelFormatTruncates(a, axis->min(), axis->max(), step))
            *warnings << QStringLiteral("Label format '%1' may truncate %2 axis values.")
                             .arg(chartLabelFormatNames().at(a.labelFormat), name);
    }
    return axis;
}

QAbstractAxis* dateAxis(const ChartAxisOptions& a, Span data)
{
    auto* axis = new QDateTimeAxis;
    axis->setFormat(
        a.dateFormat.isEmpty() ? QLocale().dateFormat(QLocale::ShortFormat) : a.dateFormat);
    double lo = data.valid() ? data.lo : 0.0;
    double hi = data.valid() ? data.hi : lo + 86400000.0;
    if (!(lo < hi))
        hi = lo + 86400000.0;
    axis->setRange(
        QDateTime::fromMSecsSinceEpoch(qint64(lo)), QDateTime::fromMSecsSinceEpoch(qint64(hi)));
    return axis;
}

} // namespace

QString labelFormat(const ChartAxisOptions& axis)
{
    static const char letters[] = { 0, 'e', 'E', 'f', 'g', 'G', 'i' };
    if (axis.labelFormat <= 0 || axis.labelFormat > 6)
        return QString();
    if (axis.labelFormat == 6)
        return QStringLiteral("%i");
    return QStringLiteral("%.%1%2")
        .arg(axis.labelPrecision)
        .arg(QLatin1Char(letters[axis.labelFormat]));
}

bool labelFormatTruncates(const ChartAxisOptions& axis, double lo, double hi, double step)
{
    if (!(step > 0))
        return false;
    auto whole = [](double v) {
        return std::fabs(v - std::round(v)) < 1e-9 * std::max(1.0, std::fabs(v));
    };
    switch (axis.labelFormat) {
    case 6:
        return !whole(step) || !whole(lo);
    case 3: {
        const double scale = std::pow(10.0, axis.labelPrecision);
        return !whole(step * scale) || !whole(lo * scale);
    }
    case 1:
    case 2:
    case 4:
    case 5: {
        const double largest = std::max(std::fabs(lo), std::fabs(hi));
        const int needed = int(std::floor(std::log10(largest)) - std::floor(std::log10(step))) + 1;
        const int shown = axis.labelPrecision + (axis.labelFormat <= 2 ? 1 : 0);
        return largest > 0 && needed > shown;
    }
    default:
        return false;
    }
}

void attachAxes(QChart* chart, const ChartPlot& plot, const ChartFacetData& facet,
    const ChartOptions& o, AxisRanges* ranges, QStringList* warnings)
{
    const QString yNames = facet.yNames.join(QStringLiteral(", "));
    const bool scatter = plot.type == ChartScatter;
    QAbstractAxis* x = nullptr;
    if (plot.xKind == XAsText || !isXYChart(plot.type)) {
        auto* categories = new QBarCategoryAxis;
        categories->append(plot.categories);
        x = categories;
    } else if (plot.xKind == XAsDate) {
        x = dateAxis(o.xAxis, xSpan(facet));
    } else {
        x = valueAxis(o.xAxis, padded(xSpan(facet), scatter && o.xAxis.scale == ScaleLinear),
            QStringLiteral("X"), warnings);
    }
    const Span span = ySpan(plot, facet, o);
    QAbstractAxis* y = valueAxis(o.yAxis, padded(span, scatter && o.yAxis.scale == ScaleLinear),
        QStringLiteral("Y"), warnings);
    applyCommon(x, o.xAxis, plot.xName, QStringLiteral("$(X)"), plot.xName);
    applyCommon(y, o.yAxis, yNames, QStringLiteral("$(Y)"), yNames);
    const bool horizontal = plot.type == ChartHorizontalBar;
    chart->addAxis(x, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(y, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    ranges->yAxes << y;
    ranges->dataSpans << (span.valid() ? span.hi - span.lo : 0.0);
}

void shareYRange(const AxisRanges& ranges, const ChartAxisOptions& a)
{
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    int widest = 0;
    for (int i = 0; i < ranges.yAxes.size(); ++i) {
        const QAbstractAxis* axis = ranges.yAxes.at(i);
        lo = std::min(lo, axis->property("min").toDouble());
        hi = std::max(hi, axis->property("max").toDouble());
        if (ranges.dataSpans.at(i) > ranges.dataSpans.at(widest))
            widest = i;
    }
    const auto* wide = qobject_cast<const QValueAxis*>(ranges.yAxes.at(widest));
    for (QAbstractAxis* axis : ranges.yAxes) {
        if (!a.customMin)
            axis->setProperty("min", lo);
        if (!a.customMax)
            axis->setProperty("max", hi);
        if (auto* value = qobject_cast<QValueAxis*>(axis); value && wide)
            value->setTickCount(wide->tickCount());
    }
}
