#pragma once

#include "transforms/transform.h"

// Appends a column whose value comes from an IF / ELSE IF / ELSE chain: the
// THEN value of the first branch whose conditions all pass, else the ELSE
// value.
class TransformIf : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("If"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool streamsRows() const override { return true; }
    void setSummaryFromCounts(const QVector<qint64>& counts) override;
    bool usesDates() const override { return true; }

protected:
    Transform* newInstance() const override { return new TransformIf; }
};
