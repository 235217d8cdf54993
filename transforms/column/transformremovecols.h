#pragma once

#include "transforms/transform.h"

// Keeps the checked columns and drops the others. Columns the option has not
// seen yet (added upstream later) count as checked, so new data is never lost
// silently.
class TransformRemoveCols : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Remove"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool streamsRows() const override { return true; }
    bool tellsUsedColumns() const override { return true; }
    QVector<bool> usedUpstreamColumns(
        const Dataset& input, const QVector<bool>& usedOutput) const override;
    void bindUpstream(const QList<TableSource*>& upstream, bool refresh) override;

protected:
    Transform* newInstance() const override { return new TransformRemoveCols; }

private:
    QVector<bool> keptColumns(int columnCount) const;
    // Adds every column of the bound dataset that the list does not mention,
    // checked; returns whether the list grew.
    bool checkUnlistedColumns();
};
