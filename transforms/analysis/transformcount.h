#pragma once

#include "transforms/transform.h"

// A frequency table of the values of one column.
class TransformCount : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Count"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    Transform* newInstance() const override { return new TransformCount; }
};
