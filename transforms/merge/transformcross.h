#pragma once

#include "transforms/transform.h"

// Every combination of the rows of all upstream datasets, the first dataset
// outermost.
class TransformCross : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Cross"); }
    QSet<QString> keywords() const override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformCross; }
};
