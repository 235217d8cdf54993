#pragma once

#include "transforms/transform.h"

#include <QVector>

// Finds outliers in numeric columns by z-score, modified z-score (median
// absolute deviation) or the IQR fences, then marks them in a new column,
// removes their rows, keeps only their rows, empties them or clamps them to
// the fence.
class TransformOutliers : public Transform
{
    Q_OBJECT

public:
    enum Method { ZScore, ModifiedZScore, IqrFences };
    enum Action { Mark, RemoveRows, KeepRows, EmptyCells, Clamp };

    QString typeKey() const override { return QStringLiteral("Outliers"); }
    QString droppedRowsReason() const override { return QStringLiteral("by the outlier action"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool keepsVerification() const override { return true; }
    QList<QPair<QString, bool>> optionStates() const override;

    // The lowest and highest values that are not outliers. Without spread
    // (constant values) nothing is an outlier: the fences are infinite.
    struct Fences
    {
        double low;
        double high;
    };
    static Fences fences(Method method, const QVector<double>& values, double threshold);

protected:
    Transform* newInstance() const override { return new TransformOutliers; }

private:
    double threshold(Method method) const;
    // Finds the outliers of one column, marks their rows, empties or clamps
    // them when asked, and reports the fences; returns how many it found.
    int searchColumn(const Dataset& input, int column, Dataset& output, QVector<bool>& outlierRow);
};
