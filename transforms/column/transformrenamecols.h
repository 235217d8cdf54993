#pragma once

#include "transforms/transform.h"

// Gives listed columns new names and warns when names end up shared.
class TransformRenameCols : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Rename_Cols"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool streamsRows() const override { return true; }
    bool tellsUsedColumns() const override { return true; }
    QVector<bool> usedUpstreamColumns(
        const Dataset& input, const QVector<bool>& usedOutput) const override;

protected:
    Transform* newInstance() const override { return new TransformRenameCols; }
};
