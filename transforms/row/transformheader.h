#pragma once

#include "transforms/transform.h"

// Moves the top rows into the column names, replacing or extending them.
class TransformHeader : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Header"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformHeader; }
};
