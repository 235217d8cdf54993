#pragma once

#include "transforms/transform.h"

// Wide to long: each chosen column becomes a key and value row per upstream
// row.
class TransformGather : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Gather"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformGather; }
};
