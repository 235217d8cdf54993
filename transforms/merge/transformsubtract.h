#pragma once

#include "transforms/transform.h"

// Removes the top rows whose key occurs in the bottom dataset: all of them,
// or one per bottom occurrence counted from the first or the last top row.
class TransformSubtract : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Subtract"); }
    QString droppedRowsReason() const override
    {
        return QStringLiteral("found in the other dataset");
    }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool reorderInputs(const QList<TableSource*>& upstream) override;
    bool offersExploreKeys() const override { return true; }
    QString keyColumn1Key() const override { return QStringLiteral("Column_1"); }
    QString keyColumn2Key() const override { return QStringLiteral("Column_2"); }
    QString caseSensitiveKey() const override { return QStringLiteral("Case_Sensitive"); }
    // A long top table (a file a run without windows streams) is taken a
    // block at a time against the whole bottom table, unless the matches are
    // counted from the last top row.
    bool takesTopBlocks() const override { return true; }
    std::unique_ptr<RowBlockStage> topBlockStage(
        const TableSource& top, const TableSource& bottom) override;

protected:
    Transform* newInstance() const override { return new TransformSubtract; }

private:
    friend class SubtractBlocks;
    // The rows removed: how many, and the lines on the first few.
    struct RemovedRows
    {
        qint64 count = 0;
        QStringList listed;
        void add(qint64 row, const QString& key);
    };
    bool hasOptions();
    QVector<char> rowsToRemove(
        const Dataset& top, const Dataset& bottom, int topKey, int bottomKey);
    void reportRemoved(const RemovedRows& removedRows);
};
