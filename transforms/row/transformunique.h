#pragma once

#include "transforms/support/rowgroups.h"
#include "transforms/transform.h"

#include <vector>

class Dataset;
struct ColumnNumbers;

// What a table's unique rows were made from.
struct UniqueGroups
{
    RowGroups rows;
    // The upstream rows of every group, one group after another, and where
    // each group starts in the list.
    QVector<int> members;
    QVector<int> starts;
    // Per column, the groups without any number to add or compare.
    std::vector<int> withoutNumber;
};

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
    friend class UniqueSpill;

    // Unique over blocks that are mostly a group each: the rows held whole,
    // or grouped on disk when they outgrow memory.
    std::unique_ptr<RowBlockConsumer> spillingConsumer(
        const Dataset& first, const QVector<int>& options, const QVector<int>& keys);
    // One row per group of the input's rows, in the order of the groups'
    // first rows. dates tells per column whether its Maximum or Minimum
    // compares dates (empty: read from the input's first values). False when
    // progress(step, steps) stops it.
    bool uniqueTable(const Dataset& input, const QVector<int>& options, const QVector<int>& keys,
        const QVector<int>& dates, Dataset& output, UniqueGroups& groups,
        const GroupProgress& progress);

    // The warning for each column with groups without any number (counted
    // per column), and the summary.
    void setMessages(
        const QStringList& names, const std::vector<int>& withoutNumber, qint64 removed);

    void addDrilldown(Dataset& output, const QVector<int>& keys, const QVector<int>& rows,
        const QVector<int>& starts);
};
