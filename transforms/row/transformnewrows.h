#pragma once

#include "transforms/support/rowtest.h"

// Adds rows: a number of empty rows, or rows of given values (column
// variables taking the values of the row before), at the start, at the end,
// every n rows, or after each row that meets a condition.
class TransformNewRows : public RowTestTransform
{
    Q_OBJECT

public:
    enum Where { AtStart, AtEnd, EveryN, AfterMatching };

    QString typeKey() const override { return QStringLiteral("New_Rows"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    Transform* newInstance() const override { return new TransformNewRows; }
};
