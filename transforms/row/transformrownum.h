#pragma once

#include "transforms/transform.h"

// Appends a column numbering the rows: a start, a step, and how many rows
// share each number.
class TransformRowNum : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Row_Num"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

    // The number of row r (counted from 0); wide enough that large starts and
    // steps over many rows never wrap.
    static qint64 numberOf(int row, qint64 start, qint64 increment, qint64 every);

protected:
    Transform* newInstance() const override { return new TransformRowNum; }
};
