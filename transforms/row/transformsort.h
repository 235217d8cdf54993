#pragma once

#include "transforms/transform.h"

#include "transforms/support/datasetsort.h"

// Orders the rows by one or more columns and can add a rank column.
class TransformSort : public Transform
{
    Q_OBJECT

public:
    enum RankType { RankMinimum, RankAverage, RankMaximum, RankDense, RankCumulative };

    QString typeKey() const override { return QStringLiteral("Sort"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool tellsUsedColumns() const override { return true; }
    QVector<bool> usedUpstreamColumns(
        const Dataset& input, const QVector<bool>& usedOutput) const override;
    bool usesDates() const override;
    QList<QPair<QString, bool>> optionStates() const override;
    bool takesBlocks() const override { return true; }
    std::unique_ptr<RowBlockConsumer> blockConsumer(const Dataset& firstRows) override;

    // The sort of a whole table, its messages included.
    void sortTable(Dataset& output, const Dataset& input, bool& error);
    // The messages of a sort stopped before it finished (its output the
    // columns without rows), and of one done in parts.
    void setStopped(Dataset& output, const Dataset& columns);
    void setSortMessages(const QStringList& information, bool changed);

    // The ranks of the rows of one sequence, given in sorted order; tied
    // rows form groups. Element i is the rank of sequence[i].
    static QVector<double> rankSequence(
        const QVector<int>& sequence, const DatasetSorter& sorter, RankType type);

protected:
    // Takes the rows in blocks, with the transform's run and progress.
    friend class SortBlocks;

    Transform* newInstance() const override { return new TransformSort; }

private:
    QVector<int> sortKeys() const;
    SortOptions sortOptions() const;
    void addRanks(Dataset& output, const Dataset& input, const DatasetSorter& sorter);
};
