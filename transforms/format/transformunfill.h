#pragma once

#include "transforms/format/transformfill.h"

// Empties cells of the selected columns that repeat the value of the cell
// before them in a direction, so that only the first of each run of equal
// values remains: the reverse of Fill.
class TransformUnfill : public TransformFill
{
    Q_OBJECT

public:
    TransformUnfill() : TransformFill(true) { }

    QString typeKey() const override { return QStringLiteral("Unfill"); }
    QString description() const override;
    QSet<QString> keywords() const override;

protected:
    Transform* newInstance() const override { return new TransformUnfill; }
};
