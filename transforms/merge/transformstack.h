#pragma once

#include "transforms/transform.h"

#include <QStringList>

// Puts the rows of every upstream dataset one below the other, in the
// vertical order of the upstream items, with columns matched by name or by
// position. A column some inputs lack is added and left empty there.
class TransformStack : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Stack"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool reorderInputs(const QList<TableSource*>& upstream) override;
    QList<QPair<QString, bool>> optionStates() const override;
    // A long top table (a file a run without windows streams) is stacked a
    // block at a time, the bottom table's rows after it.
    bool takesTopBlocks() const override { return true; }
    std::unique_ptr<RowBlockStage> topBlockStage(
        const TableSource& top, const TableSource& bottom) override;

    // Where each input's columns go in the stacked table: per input, the
    // output position of each of its columns. Names are matched in order of
    // occurrence, so a name repeated within one input pairs with the same
    // repetition in the others. outputNames receives the stacked columns.
    static QVector<QVector<int>> columnPlan(
        const QVector<QStringList>& inputNames, bool byName, QStringList& outputNames);

protected:
    Transform* newInstance() const override { return new TransformStack; }

private:
    friend class StackBlocks;
    bool hasOptions();
    static QStringList inputOrder(const QList<TableSource*>& upstream);
    // Warns of the columns each input (items: their names) lacks.
    void reportMissing(const QVector<QVector<int>>& plan, const QStringList& outputNames,
        const QStringList& items);
    void setStackSummary(qint64 rows, int inputs);
    static QVector<ColumnId> stackedIds(
        const QVector<QVector<int>>& plan, const QVector<const Dataset*>& inputs, int width);

    QStringList m_lastOrder;
};
