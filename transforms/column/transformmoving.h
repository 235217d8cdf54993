#pragma once

#include "transforms/transform.h"

#include <QVector>

// A moving statistic (average, sum, minimum, maximum, median, standard
// deviation) over a window of rows of a numeric column, in a new column;
// the window trails the row or is centred on it, and can restart with each
// group of key values.
class TransformMoving : public Transform
{
    Q_OBJECT

public:
    enum Statistic { Average, Sum, Minimum, Maximum, Median, StdDev };

    QString typeKey() const override { return QStringLiteral("Moving"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;

    // The statistic of a window's numbers; NaN when undefined.
    static double statistic(Statistic which, const QVector<double>& values);

protected:
    Transform* newInstance() const override { return new TransformMoving; }
};
