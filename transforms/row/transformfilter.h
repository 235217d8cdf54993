#pragma once

#include "transforms/transform.h"

// Keeps or removes the rows that match a list of terms, all or any of them.
class TransformFilter : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Filter"); }
    QString droppedRowsReason() const override;
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool streamsRows() const override { return true; }
    void setSummaryFromCounts(const QVector<qint64>& counts) override;
    bool tellsUsedColumns() const override { return true; }
    QVector<bool> usedUpstreamColumns(
        const Dataset& input, const QVector<bool>& usedOutput) const override;
    std::function<RowTest()> rowTest(const Dataset& input) const override;
    bool usesDates() const override { return true; }

protected:
    Transform* newInstance() const override { return new TransformFilter; }
};
