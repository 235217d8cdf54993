#pragma once

#include "transforms/transform.h"

// Re-flows all cells, in reading order, into a given number of columns.
class TransformReshape : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Reshape"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformReshape; }
};
