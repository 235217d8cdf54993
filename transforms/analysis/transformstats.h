#pragma once

#include "transforms/transform.h"

// The chosen statistics of the selected columns, one row per column.
class TransformStats : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Stats"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

    // One statistic: its option key, its output column and what it says.
    struct Statistic
    {
        const char* key;
        const char* name;
        const char* tooltip;
    };
    static const QVector<Statistic>& statistics();
    // Every statistic of one column, in the order of statistics().
    static QStringList describe(const Dataset& data, int column);

protected:
    Transform* newInstance() const override { return new TransformStats; }
};
