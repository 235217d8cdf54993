// Turning a dataset into the numbers a chart draws, with the warnings about
// values that cannot be read.

#include "output/chartdata.h"

#include "core/dataset.h"
#include "core/values.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

constexpr int MaxFacetRows = 5;
constexpr int MaxFacetsAcross = 5;
// A long list of bad values helps no one; the first few show the pattern.
constexpr int ListedPerKind = 5;

// Collects message lines by kind, listing a few of each and summarising the
// rest once the plot is complete.
class MessageLines
{
public:
    explicit MessageLines(QStringList& target) : m_target(target) { }
    void add(const QString& kind, const QString& line)
    {
        const int n = ++m_counts[kind];
        if (n <= ListedPerKind)
            m_target << line;
        else if (!m_order.contains(kind))
            m_order << kind;
    }
    void finish()
    {
        for (const QString& kind : qAsConst(m_order)) {
            const int rest = m_counts.value(kind) - ListedPerKind;
            m_target << QStringLiteral("+ %1 %2").arg(rest).arg(
                rest == 1 ? QStringLiteral("other") : QStringLiteral("others"));
        }
    }

private:
    QStringList& m_target;
    QHash<QString, int> m_counts;
    QStringList m_order;
};

bool isLog(int scale)
{
    return scale != ScaleLinear;
}

struct Reader
{
    const Dataset& data;
    const ChartOptions& options;
    ChartPlot& plot;
    MessageLines warnings;

    // The number of a Y cell, false (and a warning) when it cannot be drawn.
    bool yValue(int row, int column, double* value)
    {
        const QString& text = data.value(row, column);
        if (text.isEmpty())
            return false;
        bool ok = false;
        *value = toNumber(text, false, false, &ok);
        if (!ok) {
            warnings.add(QStringLiteral("number"),
                QStringLiteral("'%1' is not a valid number in column '%2' at row %3")
                    .arg(text, data.columnName(column))
                    .arg(row + 1));
            return false;
        }
        if (isXYChart(options.type) && isLog(options.yAxis.scale) && *value <= 0)
            return logWarning(text, column, row);
        return true;
    }
    bool logWarning(const QString& text, int column, int row)
    {
        warnings.add(QStringLiteral("log"),
            QStringLiteral("'%1' is not a valid number for a logarithmic axis in column '%2' at "
                           "row %3 (must be > 0)")
                .arg(text, data.columnName(column))
                .arg(row + 1));
        return false;
    }
};

int chooseXKind(const Dataset& data, const ChartOptions& o, const QStringList& formats)
{
    if (o.xAs != XAsAutomatic)
        return o.xAs;
    if (data.isNumericColumn(o.x.position))
        return XAsNumeric;
    if (data.isDateColumn(o.x.position, formats))
        return XAsDate;
    return XAsText;
}

// The X coordinate of every row, NaN for a row not drawn.
QVector<double> readX(Reader& r, const QStringList& formats)
{
    const Dataset& data = r.data;
    const int column = r.options.x.position;
    const QString name = data.columnName(column);
    QVector<double> xs(data.rowCount(), qQNaN());
    QString format;
    if (r.plot.xKind == XAsDate) {
        if (!data.isDateColumn(column, formats, &format) || format.isEmpty()) {
            r.plot.warnings
                << QStringLiteral("Could not infer a date format for column '%1'").arg(name);
            return xs;
        }
        r.plot.information
            << QStringLiteral("'%1' inferred as date format for column '%2'").arg(format, name);
    }
    const DateFormat dateFormat(format);
    QHash<QString, int> seen;
    bool badDates = false;
    for (int row = 0; row < data.rowCount(); ++row) {
        const QString& text = data.value(row, column);
        if (r.plot.xKind == XAsText) {
            const QString label = text.isEmpty() ? QStringLiteral("(empty)") : text;
            const auto it = seen.constFind(label);
            if (it == seen.constEnd()) {
                seen.insert(label, r.plot.categories.size());
                r.plot.categories << label;
            }
            xs[row] = seen.value(label);
            continue;
        }
        if (text.isEmpty())
            continue;
        if (r.plot.xKind == XAsDate) {
            const QDate date = toDate(text, dateFormat);
            if (date.isValid()) {
                xs[row] = double(QDateTime(date, QTime(0, 0)).toMSecsSinceEpoch());
            } else {
                badDates = true;
                r.warnings.add(QStringLiteral("date"),
                    QStringLiteral("'%1' is not a valid date in column '%2' at row %3")
                        .arg(text, name)
                        .arg(row + 1));
            }
            continue;
        }
        bool ok = false;
        const double v = toNumber(text, false, false, &ok);
        if (!ok)
            r.warnings.add(QStringLiteral("number"),
                QStringLiteral("'%1' is not a valid number in column '%2' at row %3")
                    .arg(text, name)
                    .arg(row + 1));
        else if (isLog(r.options.xAxis.scale) && v <= 0)
            r.logWarning(text, column, row);
        else
            xs[row] = v;
    }
    if (badDates)
        r.plot.warnings.prepend(
            QStringLiteral("Some values in column '%1' are not recognized as dates").arg(name));
    return xs;
}

// Text X values of Scatter, Line and Area charts name one point each.
void warnDuplicateCategories(Reader& r, const QVector<double>& xs)
{
    if (r.plot.categories.size() == r.data.rowCount())
        return;
    QVector<int> counts(r.plot.categories.size(), 0);
    for (double x : xs)
        ++counts[int(x)];
    QStringList lines;
    int more = 0;
    for (int i = 0; i < counts.size(); ++i) {
        if (counts.at(i) < 2)
            continue;
        if (lines.size() < ListedPerKind)
            lines << QStringLiteral("X axis value '%1' occurs %2 times")
                         .arg(r.plot.categories.at(i))
                         .arg(counts.at(i));
        else
            ++more;
    }
    r.plot.warnings << QStringLiteral(
        "Duplicate values are not allowed for an X axis of type text in %1 charts\nYou can use "
        "a 'Count' transform to sum duplicates.")
                           .arg(chartTypeName(r.options.type));
    r.plot.warnings << lines;
    if (more > 0)
        r.plot.warnings << QStringLiteral("+ %1 more").arg(more);
}

void readXY(Reader& r, const QStringList& formats)
{
    r.plot.xKind = chooseXKind(r.data, r.options, formats);
    if (r.options.xAs == XAsAutomatic)
        r.plot.information
            << QStringLiteral("X axis interpreted as %1").arg(chartXAsNames().at(r.plot.xKind));
    const QVector<double> xs = readX(r, formats);
    if (r.plot.xKind == XAsText)
        warnDuplicateCategories(r, xs);
    const bool sortByX = r.options.type != ChartScatter && r.plot.xKind != XAsText;
    for (ChartFacetData& facet : r.plot.facets) {
        for (ChartSeriesData& series : facet.series) {
            const int column = series.column;
            series.points.reserve(r.data.rowCount());
            for (int row = 0; row < r.data.rowCount(); ++row) {
                double y = 0;
                if (!std::isnan(xs.at(row)) && r.yValue(row, column, &y))
                    series.points << QPointF(xs.at(row), y);
            }
            if (sortByX)
                std::stable_sort(series.points.begin(), series.points.end(),
                    [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
        }
    }
}

void readCategories(Reader& r, const QVector<int>& yColumns)
{
    const Dataset& data = r.data;
    r.plot.xKind = XAsText;
    QHash<QString, int> index;
    QVector<int> categoryOf(data.rowCount());
    for (int row = 0; row < data.rowCount(); ++row) {
        const QString& text = data.value(row, r.options.x.position);
        const QString label = text.isEmpty() ? QStringLiteral("(empty)") : text;
        auto it = index.find(label);
        if (it == index.end()) {
            it = index.insert(label, r.plot.categories.size());
            r.plot.categories << label;
        }
        categoryOf[row] = *it;
    }
    if (r.plot.categories.size() < data.rowCount())
        r.plot.information << QStringLiteral("Y values with the same X value are summed");
    QVector<QVector<double>> sums(yColumns.size());
    QVector<QVector<bool>> has(yColumns.size());
    for (int s = 0; s < yColumns.size(); ++s) {
        sums[s].fill(0.0, r.plot.categories.size());
        has[s].fill(false, r.plot.categories.size());
        for (int row = 0; row < data.rowCount(); ++row) {
            double y = 0;
            if (r.yValue(row, yColumns.at(s), &y)) {
                sums[s][categoryOf.at(row)] += y;
                has[s][categoryOf.at(row)] = true;
            }
        }
    }
    int s = 0;
    for (ChartFacetData& facet : r.plot.facets) {
        for (ChartSeriesData& series : facet.series) {
            for (int c = 0; c < r.plot.categories.size(); ++c) {
                if (has.at(s).at(c) || isBarChart(r.options.type))
                    series.points << QPointF(c, sums.at(s).at(c));
            }
            ++s;
        }
    }
}

void checkPies(Reader& r)
{
    int negative = 0;
    for (const ChartFacetData& facet : qAsConst(r.plot.facets)) {
        const ChartSeriesData& series = facet.series.first();
        if (series.points.isEmpty())
            r.plot.warnings << QStringLiteral("No data points for column '%1'").arg(series.name);
        else if (series.points.size() == 1)
            r.plot.warnings << QStringLiteral("1 data point for column '%1'").arg(series.name);
        for (const QPointF& p : series.points)
            negative += p.y() < 0 ? 1 : 0;
    }
    if (negative > 0)
        r.plot.warnings << QStringLiteral(
            "%1 charts are not a good choice for negative values (%2 negative %3)")
                               .arg(chartTypeName(r.options.type))
                               .arg(negative)
                               .arg(negative == 1 ? QStringLiteral("value")
                                                  : QStringLiteral("values"));
}

QString promptFor(const ChartOptions& o)
{
    if (o.type == ChartNone)
        return QStringLiteral("Select a chart type");
    if (o.x.position < 0)
        return QStringLiteral("Select a data column for the X axis");
    if (o.y.isEmpty())
        return QStringLiteral("Select one or more data columns for the Y axis");
    return QString();
}

QString facetLimit(int facets, int across)
{
    across = std::max(1, std::min(across, MaxFacetsAcross));
    const int rows = (facets + across - 1) / across;
    if (rows <= MaxFacetRows)
        return QString();
    QString text
        = QStringLiteral("A maximum of %1 rows of facets can be displayed").arg(MaxFacetRows);
    if (across < MaxFacetsAcross && facets < MaxFacetRows * MaxFacetsAcross)
        text += QStringLiteral("\nTry increasing the number of facets across");
    return text;
}

QString pointLimit(int type, int points)
{
    if (points <= maxPointsPerFacet(type))
        return QString();
    return QStringLiteral("%1 charts can display a maximum of %2 data points (per facet, if "
                          "faceted) - you can use a 'Sample', 'Filter' or 'Slice' transforms to "
                          "reduce the amount of data")
        .arg(chartTypeName(type))
        .arg(maxPointsPerFacet(type));
}

int distinctCount(const Dataset& data, int column)
{
    QSet<QString> seen;
    for (int row = 0; row < data.rowCount(); ++row)
        seen.insert(data.value(row, column));
    return seen.size();
}

} // namespace

int ChartPlot::seriesCount() const
{
    int n = 0;
    for (const ChartFacetData& f : facets)
        n += f.series.size();
    return n;
}

int ChartPlot::pointCount() const
{
    int n = 0;
    for (const ChartFacetData& f : facets) {
        for (const ChartSeriesData& s : f.series)
            n += s.points.size();
    }
    return n;
}

bool isXYChart(int type)
{
    return type >= ChartScatter && type <= ChartArea;
}

bool isBarChart(int type)
{
    return type == ChartVerticalBar || type == ChartHorizontalBar;
}

bool isPieChart(int type)
{
    return type == ChartPie || type == ChartDonut;
}

int maxPointsPerFacet(int type)
{
    if (isXYChart(type))
        return 10000;
    return isBarChart(type) ? 1000 : 100;
}

ChartPlot makeChartPlot(
    const Dataset& data, const ChartOptions& options, const QStringList& dateFormats)
{
    ChartPlot plot;
    plot.type = options.type;
    plot.message = promptFor(options);
    if (!plot.message.isEmpty())
        return plot;
    QVector<int> yColumns;
    for (const ChartColumn& c : options.y)
        yColumns << c.position;
    const bool perColumn = options.layout == LayoutFaceted || isPieChart(options.type);
    const int facetCount = perColumn ? yColumns.size() : 1;
    plot.message = perColumn ? facetLimit(facetCount, options.facetsAcross) : QString();
    if (plot.message.isEmpty()) {
        const int points
            = isXYChart(options.type) ? data.rowCount() : distinctCount(data, options.x.position);
        plot.message = pointLimit(options.type, points);
    }
    if (!plot.message.isEmpty())
        return plot;
    plot.xName = data.columnName(options.x.position);
    plot.facets.resize(facetCount);
    for (int i = 0; i < yColumns.size(); ++i) {
        ChartFacetData& facet = plot.facets[perColumn ? i : 0];
        facet.yNames << data.columnName(yColumns.at(i));
        ChartSeriesData series;
        series.name = data.columnName(yColumns.at(i));
        series.column = yColumns.at(i);
        facet.series << series;
    }
    Reader reader { data, options, plot, MessageLines(plot.warnings) };
    if (isXYChart(options.type))
        readXY(reader, dateFormats);
    else
        readCategories(reader, yColumns);
    reader.warnings.finish();
    if (isPieChart(options.type))
        checkPies(reader);
    plot.plotted = true;
    return plot;
}

QVector<QPointF> downsampleMinMax(const QVector<QPointF>& points, int buckets)
{
    if (buckets < 1 || points.size() <= 2 * buckets + 2)
        return points;
    const double first = points.first().x();
    const double span = points.last().x() - first;
    if (!(span > 0))
        return points;
    QVector<QPointF> out;
    out.reserve(2 * buckets + 2);
    out << points.first();
    int i = 1;
    const int last = points.size() - 1;
    while (i < last) {
        const int bucket = std::min(buckets - 1, int((points.at(i).x() - first) / span * buckets));
        int low = i;
        int high = i;
        int j = i;
        for (; j < last
             && std::min(buckets - 1, int((points.at(j).x() - first) / span * buckets)) == bucket;
             ++j) {
            if (points.at(j).y() < points.at(low).y())
                low = j;
            if (points.at(j).y() > points.at(high).y())
                high = j;
        }
        out << points.at(std::min(low, high));
        if (low != high)
            out << points.at(std::max(low, high));
        i = j;
    }
    out << points.last();
    return out;
}
