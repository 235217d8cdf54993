#pragma once

#include "transforms/transform.h"

#include <QVector>

// k-means clustering of the rows on selected numeric columns: a k-means++
// start from a seed, then Lloyd's iterations; the cluster number goes into a
// new column. The same seed gives the same clusters.
class TransformCluster : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Cluster"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

    using Point = QVector<double>;
    // The cluster (0 to k - 1) of each point, numbered in the order the
    // clusters first occur among the points; *iterations receives the
    // number of assignment passes and *settled whether they stopped
    // changing.
    static QVector<int> kMeans(const QVector<Point>& points, int k, quint32 seed, int maxIterations,
        int* iterations, bool* settled);

protected:
    Transform* newInstance() const override { return new TransformCluster; }

private:
    // The rows whose values are all numbers, as points, with their rows.
    QVector<Point> readPoints(
        const Dataset& input, const QVector<int>& columns, QVector<int>& rows);
    // The points with every coordinate as a z-score.
    static QVector<Point> standardised(const QVector<Point>& points);
    void reportClusters(const Dataset& input, const QVector<int>& columns,
        const QVector<Point>& points, const QVector<int>& cluster, int clusters);
};
