#include "transforms/analysis/transformcluster.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

double squaredDistance(const TransformCluster::Point& a, const TransformCluster::Point& b)
{
    double d = 0.0;
    for (int i = 0; i < a.size(); ++i)
        d += (a.at(i) - b.at(i)) * (a.at(i) - b.at(i));
    return d;
}

int nearest(const TransformCluster::Point& p, const QVector<TransformCluster::Point>& centres)
{
    int best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int c = 0; c < centres.size(); ++c) {
        const double d = squaredDistance(p, centres.at(c));
        if (d < bestDistance) {
            best = c;
            bestDistance = d;
        }
    }
    return best;
}

// The standard's mersenne twister gives the same numbers everywhere, but its
// distributions may not; this fraction in [0, 1) is our own so that a seed
// makes the same clusters on every platform.
double fraction(std::mt19937& random)
{
    return random() / 4294967296.0;
}

// k-means++: the first centre is a random point, each further one a point
// drawn with probability proportional to its squared distance from the
// nearest centre so far.
QVector<TransformCluster::Point> startCentres(
    const QVector<TransformCluster::Point>& points, int k, quint32 seed)
{
    std::mt19937 random(seed);
    QVector<TransformCluster::Point> centres;
    centres.append(points.at(int(fraction(random) * points.size())));
    QVector<double> distances(points.size(), std::numeric_limits<double>::infinity());
    while (centres.size() < k) {
        double total = 0.0;
        for (int i = 0; i < points.size(); ++i) {
            distances[i] = qMin(distances.at(i), squaredDistance(points.at(i), centres.last()));
            total += distances.at(i);
        }
        if (total <= 0.0)
            break; // fewer distinct points than clusters
        double target = fraction(random) * total;
        int chosen = points.size() - 1;
        for (int i = 0; i < points.size(); ++i) {
            target -= distances.at(i);
            if (target < 0.0 && distances.at(i) > 0.0) {
                chosen = i;
                break;
            }
        }
        centres.append(points.at(chosen));
    }
    return centres;
}

} // namespace

void TransformCluster::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("columns"))
        ->setTooltip(QStringLiteral("The numeric columns whose values place each row. Rows with "
                                    "a value that is not a number in any of them get no cluster."));
    TransformParameter* k = addParameter(
        ParameterType::Int, QStringLiteral("Clusters"), QStringLiteral("clusters"), 3);
    k->setIntRange(1, 1000);
    k->setTooltip(QStringLiteral("How many clusters to make (k)."));
    addParameter(
        ParameterType::Bool, QStringLiteral("Standardise"), QStringLiteral("standardise"), true)
        ->setTooltip(QStringLiteral("Scale each column to z-scores first, so that columns with "
                                    "large numbers do not outweigh the others."));
    TransformParameter* seed
        = addParameter(ParameterType::Int, QStringLiteral("Seed"), QStringLiteral("seed"), 1);
    seed->setIntRange(0, 999999999);
    seed->setTooltip(QStringLiteral("The starting point of the random choice of first centres. "
                                    "The same seed gives the same clusters; try another seed "
                                    "when the clusters look poor."));
    TransformParameter* iterations = addParameter(ParameterType::Int, QStringLiteral("Iterations"),
        QStringLiteral("maximum iterations"), 100);
    iterations->setIntRange(1, 100000);
    iterations->setTooltip(QStringLiteral("Stop moving the centres after this many rounds even "
                                          "when the clusters still change."));
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("new column name"),
        QStringLiteral("Cluster"))
        ->setTooltip(QStringLiteral("The name of the column that receives the cluster numbers."));
}

QVector<int> TransformCluster::kMeans(const QVector<Point>& points, int k, quint32 seed,
    int maxIterations, int* iterations, bool* settled)
{
    *iterations = 0;
    *settled = true;
    if (points.isEmpty())
        return {};
    QVector<Point> centres = startCentres(points, qMin(k, points.size()), seed);
    QVector<int> cluster(points.size(), -1);
    const int dimensions = points.first().size();
    *settled = false;
    while (*iterations < maxIterations) {
        ++*iterations;
        bool moved = false;
        for (int i = 0; i < points.size(); ++i) {
            const int c = nearest(points.at(i), centres);
            moved = moved || c != cluster.at(i);
            cluster[i] = c;
        }
        if (!moved) {
            *settled = true;
            break;
        }
        // A cluster that lost every point keeps its centre.
        QVector<Point> sums(centres.size(), Point(dimensions, 0.0));
        QVector<int> sizes(centres.size(), 0);
        for (int i = 0; i < points.size(); ++i) {
            ++sizes[cluster.at(i)];
            for (int d = 0; d < dimensions; ++d)
                sums[cluster.at(i)][d] += points.at(i).at(d);
        }
        for (int c = 0; c < centres.size(); ++c) {
            for (int d = 0; sizes.at(c) > 0 && d < dimensions; ++d)
                centres[c][d] = sums.at(c).at(d) / sizes.at(c);
        }
    }
    QVector<int> renumbered(centres.size(), -1);
    int next = 0;
    for (int& c : cluster) {
        if (renumbered.at(c) < 0)
            renumbered[c] = next++;
        c = renumbered.at(c);
    }
    return cluster;
}

QVector<TransformCluster::Point> TransformCluster::readPoints(
    const Dataset& input, const QVector<int>& columns, QVector<int>& rows)
{
    QVector<Point> points;
    for (int r = 0; r < input.rowCount() && !columns.isEmpty(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            return {};
        Point p(columns.size());
        bool ok = true;
        for (int d = 0; d < columns.size() && ok; ++d)
            p[d] = Stats::cellNumber(input.value(r, columns.at(d)), &ok);
        if (ok) {
            points.append(p);
            rows.append(r);
        }
    }
    return points;
}

QVector<TransformCluster::Point> TransformCluster::standardised(const QVector<Point>& points)
{
    QVector<Point> scaled = points;
    const int dimensions = points.isEmpty() ? 0 : points.first().size();
    for (int d = 0; d < dimensions; ++d) {
        QVector<double> values;
        for (const Point& p : points)
            values.append(p.at(d));
        const double mean = Stats::mean(values);
        double spread = Stats::sampleStdDev(values);
        spread = std::isfinite(spread) && spread > 0.0 ? spread : 1.0;
        for (Point& p : scaled)
            p[d] = (p.at(d) - mean) / spread;
    }
    return scaled;
}

// Each cluster's size and centre in the columns' own units.
void TransformCluster::reportClusters(const Dataset& input, const QVector<int>& columns,
    const QVector<Point>& points, const QVector<int>& cluster, int clusters)
{
    QVector<int> sizes(clusters, 0);
    QVector<Point> sums(clusters, Point(columns.size(), 0.0));
    for (int i = 0; i < cluster.size(); ++i) {
        ++sizes[cluster.at(i)];
        for (int d = 0; d < columns.size(); ++d)
            sums[cluster.at(i)][d] += points.at(i).at(d);
    }
    for (int c = 0; c < clusters; ++c) {
        QStringList centre;
        for (int d = 0; d < columns.size(); ++d)
            centre.append(QStringLiteral("%1 = %2").arg(input.columnName(columns.at(d)),
                formatNumber(sums.at(c).at(d) / sizes.at(c), false, 4, true)));
        addInformation(
            QStringLiteral("Cluster %1: %2, centre %3")
                .arg(QString::number(c + 1),
                    countText(sizes.at(c), QStringLiteral("row"), QStringLiteral("rows")),
                    centre.join(QStringLiteral(", "))));
    }
}

void TransformCluster::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters(
            { "Columns", "Clusters", "Standardise", "Seed", "Iterations", "New_Name" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const QVector<int> columns = columnIndexes(QStringLiteral("Columns"));
    const int target = output.columnCount();
    output.appendColumn();
    output.setColumnName(target, textParameter(QStringLiteral("New_Name")));
    QVector<int> rows;
    const QVector<Point> points = readPoints(input, columns, rows);
    const int k = intParameter(QStringLiteral("Clusters"), 3);
    int iterations = 0;
    bool settled = true;
    const QVector<int> cluster
        = kMeans(boolParameter(QStringLiteral("Standardise")) ? standardised(points) : points, k,
            quint32(intParameter(QStringLiteral("Seed"))),
            intParameter(QStringLiteral("Iterations")), &iterations, &settled);
    const int clusters
        = cluster.isEmpty() ? 0 : *std::max_element(cluster.begin(), cluster.end()) + 1;
    for (int i = 0; i < cluster.size(); ++i)
        output.setValue(rows.at(i), target, QString::number(cluster.at(i) + 1));
    reportClusters(input, columns, points, cluster, clusters);
    if (!points.isEmpty() && clusters < k)
        addWarning(
            QStringLiteral("Only %1 could be made: there are fewer different rows than "
                           "clusters asked for.")
                .arg(countText(clusters, QStringLiteral("cluster"), QStringLiteral("clusters"))));
    if (!settled)
        addInformation(QStringLiteral("Stopped after %1 before the clusters settled.")
                           .arg(countText(iterations, QStringLiteral("iteration"),
                               QStringLiteral("iterations"))));
    const int missing = input.rowCount() - points.size();
    if (missing > 0 && !columns.isEmpty())
        addWarning(QStringLiteral("%1 with an empty value or one that is not a number got no "
                                  "cluster.")
                       .arg(countText(missing, QStringLiteral("row"), QStringLiteral("rows"))));
    setSummary(QStringLiteral("%1 clustered into %2")
                   .arg(countText(points.size(), QStringLiteral("row"), QStringLiteral("rows")),
                       countText(clusters, QStringLiteral("cluster"), QStringLiteral("clusters"))));
}
