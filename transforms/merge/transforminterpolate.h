#pragma once

#include "transforms/support/statistics.h"
#include "transforms/transform.h"

#include <QVector>

// Samples in the top dataset (an X column and Y columns, numbers or dates)
// give the Y values at the X values of the bottom dataset: linearly, from
// the nearest, previous or next sample, with a choice for X values outside
// the samples.
class TransformInterpolate : public Transform
{
    Q_OBJECT

public:
    enum Method { Linear, Nearest, Previous, Next };
    enum Outside { LeaveEmpty, NearestEnd, Extrapolate };

    QString typeKey() const override { return QStringLiteral("Interpolate"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    void bindUpstream(const QList<TableSource*>& upstream, bool refresh) override;
    bool reorderInputs(const QList<TableSource*>& upstream) override;
    bool usesDates() const override { return true; }

    // Samples sorted by x with distinct x.
    struct Samples
    {
        QVector<double> x;
        QVector<double> y;
    };
    // The value at x; NaN when there is none (no samples, or outside them
    // with LeaveEmpty).
    static double valueAt(const Samples& samples, double x, Method method, Outside outside);

protected:
    Transform* newInstance() const override { return new TransformInterpolate; }

private:
    Samples samplesOf(
        const Stats::CellValues& x, const Dataset& top, int yColumn, bool yDates) const;
    QVector<int> yColumnsIn(const Dataset& top) const;
    void reportDuplicates(const Stats::CellValues& x);
};
