#pragma once

#include "transforms/transform.h"

#include <QVector>

// Rescales the numbers of the selected columns in place: to a range, to
// z-scores, by the largest absolute value, robustly (median and IQR), to
// logarithms, or to percentages of the column total.
class TransformScale : public Transform
{
    Q_OBJECT

public:
    enum Method { MinMax, ZScore, MaxAbsolute, Robust, Log10, NaturalLog, PercentOfTotal };

    QString typeKey() const override { return QStringLiteral("Scale"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;

    // The linear map value * factor + offset that the method applies to a
    // column of these values (the logarithms are not linear and return
    // false). A column without spread maps to the start of the range, or to 0.
    static bool linearMap(Method method, const QVector<double>& values, double from, double to,
        double* factor, double* offset);

protected:
    Transform* newInstance() const override { return new TransformScale; }

private:
    void scaleColumn(Dataset& output, int column, qint64& changed, qint64& unchanged);
};
