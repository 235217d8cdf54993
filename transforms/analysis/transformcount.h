#pragma once

#include "transforms/transform.h"

#include <functional>

// A frequency table of the values of one column.
class TransformCount : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Count"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;
    bool takesBlocks() const override { return true; }
    std::unique_ptr<RowBlockConsumer> blockConsumer(const Dataset& firstRows) override;

protected:
    Transform* newInstance() const override { return new TransformCount; }

private:
    friend class CountBlocks;

    // The two columns' names; false (the summary set) when no column is
    // chosen.
    bool startOutput(Dataset& output, const Dataset& input, int column);
    // The values (each group's first text) and their counts in the order the
    // options ask for; gives the order of the groups.
    QVector<int> appendCounts(
        Dataset& output, const QStringList& values, const QVector<int>& sizes, qint64 rows);
    // Whether a value with its count comes before another in the result.
    using CountOrder = std::function<bool(const QString&, qint64, const QString&, qint64)>;
    CountOrder countOrder() const;
    void setCountSummary(qint64 values, qint64 rows);
};
