#pragma once

#include "transforms/transform.h"

#include <QHash>

// Long to wide: the values of a key column become new columns filled from a value column.
class TransformSpread : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Spread"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

private:
    QStringList newKeys(
        const Dataset& input, int key, QHash<QString, int>& position, int& newColumns);

protected:
    Transform* newInstance() const override { return new TransformSpread; }
};
