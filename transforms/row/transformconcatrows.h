#pragma once

#include "transforms/support/rowtest.h"

// Joins each row that meets a condition onto the kept row before it, cell by
// cell with a separator: continuation lines (an empty first column, say)
// become part of the record they continue.
class TransformConcatRows : public RowTestTransform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Concat_Rows"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformConcatRows; }
};
