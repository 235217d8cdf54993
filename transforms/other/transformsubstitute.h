#pragma once

#include "transforms/transform.h"

// Adds one column whose value in each row is a template text with the row's
// column variables filled in.
class TransformSubstitute : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Substitute"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformSubstitute; }
};
