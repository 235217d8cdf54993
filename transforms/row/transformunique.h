#pragma once

#include "transforms/transform.h"

#include <vector>

class Dataset;
struct ColumnNumbers;
struct RowGroups;

// Keeps one row per group of rows that match in the key columns and fills
// every other column with an aggregate of the group's values.
class TransformUnique : public Transform
{
    Q_OBJECT

public:
    enum Aggregation {
        KeepUnique,
        KeepFirst,
        KeepLast,
        Sum,
        Maximum,
        Minimum,
        Average,
        Concat,
        ConcatDistinct,
        KeepFirstNonEmpty,
        KeepLastNonEmpty,
        CountDistinct,
        CountUnique,
        CountDuplicate,
        CountEmpty,
        CountNonEmpty,
        SetEmpty
    };

    QString typeKey() const override { return QStringLiteral("Unique"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool tellsUsedColumns() const override { return true; }
    QVector<bool> usedUpstreamColumns(
        const Dataset& input, const QVector<bool>& usedOutput) const override;
    bool usesDates() const override;
    bool takesBlocks() const override { return true; }
    std::unique_ptr<RowBlockConsumer> blockConsumer(const Dataset& firstRows) override;

    // The aggregation of every upstream column, by position; a column the
    // option does not mention keeps its first value.
    QVector<int> aggregations(const Dataset& input) const;
    // A column's values as the numeric aggregations read them: numbers, or
    // dates as day numbers.
    static ColumnNumbers readNumbers(const Dataset& input, int column, bool dates);

protected:
    Transform* newInstance() const override { return new TransformUnique; }

private:
    friend class UniqueBlocks;

    // The warning for each column with groups without any number (counted
    // per column), and the summary.
    void setMessages(
        const QStringList& names, const std::vector<int>& withoutNumber, qint64 removed);

    void addDrilldown(Dataset& output, const QVector<int>& keys, const QVector<int>& rows,
        const QVector<int>& starts);
};
