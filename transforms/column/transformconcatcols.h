#pragma once

#include "transforms/transform.h"

// Appends one column joining the selected columns' values of each row.
class TransformConcatCols : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Concat"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    Transform* newInstance() const override { return new TransformConcatCols; }
};
