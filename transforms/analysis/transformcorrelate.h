#pragma once

#include "transforms/transform.h"

// The correlation matrix (Pearson or Spearman) of the selected numeric
// columns, each pair over the rows where both values are numbers.
class TransformCorrelate : public Transform
{
    Q_OBJECT

public:
    enum Method { Pearson, Spearman };

    QString typeKey() const override { return QStringLiteral("Correlate"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformCorrelate; }
};
