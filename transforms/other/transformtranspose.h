#pragma once

#include "transforms/transform.h"

// Swaps rows and columns.
class TransformTranspose : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Transpose"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformTranspose; }
};
