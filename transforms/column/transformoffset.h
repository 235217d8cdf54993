#pragma once

#include "transforms/transform.h"

// Moves the values of the selected columns up or down by a number of rows,
// leaving the other columns where they are (lag and lead).
class TransformOffset : public Transform
{
    Q_OBJECT

public:
    enum Direction { Up = 0, Down = 1 };

    QString typeKey() const override { return QStringLiteral("Offset"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

    // The row whose value lands in row r of n rows for a shift d (positive
    // moves values up); -1 when it falls outside and there is no wrapping.
    static qint64 sourceRow(qint64 row, qint64 shift, qint64 rowCount, bool wraparound);

protected:
    Transform* newInstance() const override { return new TransformOffset; }
};
