#pragma once

#include "transforms/transform.h"

// Appends a column saying "true" or "false": whether each row's value of one
// column passes a condition whose term is the row's value of another column.
class TransformCompareCols : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Compare_Cols"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool usesDates() const override { return true; }
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    Transform* newInstance() const override { return new TransformCompareCols; }
};
