#pragma once

#include "transforms/transform.h"

#include <QVector>

// Rearranges the columns into the listed order. Upstream columns missing from
// the list (added later, or never placed) follow the listed ones in their
// upstream order.
class TransformReorderCols : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Reorder"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool streamsRows() const override { return true; }

    // The upstream position of each output column, for a dataset of
    // columnCount columns and the listed positions (unresolved ones -1).
    static QVector<int> columnOrder(const QVector<int>& listed, int columnCount);

protected:
    Transform* newInstance() const override { return new TransformReorderCols; }
};
