#pragma once

#include "transforms/transform.h"

// Passes the upstream dataset through unchanged; it only gives the graph a
// second place to branch from.
class TransformClone : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Clone"); }
    QSet<QString> keywords() const override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformClone; }
};
