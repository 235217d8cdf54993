#pragma once

#include "transforms/transform.h"

// Appends copies of the selected columns after the last column.
class TransformCopyCols : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Copy"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool streamsRows() const override { return true; }

protected:
    Transform* newInstance() const override { return new TransformCopyCols; }
};
