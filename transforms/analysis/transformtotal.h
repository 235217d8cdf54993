#pragma once

#include "transforms/transform.h"

// Appends a running total of one numeric column, over all rows or kept
// separately for each value of a grouping column.
class TransformTotal : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Total"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    Transform* newInstance() const override { return new TransformTotal; }
};
