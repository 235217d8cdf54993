#pragma once

#include "transforms/support/statistics.h"
#include "transforms/transform.h"

#include <QVector>

// Puts the numbers or dates of one column into bins (equal width, equal
// frequency or given edges) and writes each value's bin label or number
// into a new column.
class TransformBin : public Transform
{
    Q_OBJECT

public:
    enum Method { EqualWidth, EqualFrequency, GivenEdges };

    QString typeKey() const override { return QStringLiteral("Bin"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;
    bool usesDates() const override { return true; }

    // Ascending distinct edges for the method; values are not sorted.
    static QVector<double> edgesFor(Method method, const QVector<double>& values, int bins);
    // The 0-based bin of a value: edges[i] <= value < edges[i + 1], the last
    // bin closed at both ends; -1 outside the edges.
    static int binOf(const QVector<double>& edges, double value);

protected:
    Transform* newInstance() const override { return new TransformBin; }

private:
    bool readEdges(bool dates, QVector<double>& edges);
    QStringList labels(const QVector<double>& edges, bool dates) const;
    void writeBins(Dataset& output, const Stats::CellValues& cells, const QVector<double>& edges,
        const QStringList& names);
};
