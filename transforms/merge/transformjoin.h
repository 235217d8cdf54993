#pragma once

#include "core/dataset.h"
#include "transforms/transform.h"

#include <QVector>

class KeyIndex;

// How the top rows pair with the bottom rows of a join by key.
struct JoinPlan
{
    QVector<int> topChain; // per top row: its first bottom row, or -1
    QVector<char> bottomMatched; // per bottom row: whether a top row shares its key
    qint64 pairs = 0;
    int topOnly = 0;
    int bottomOnly = 0;
    int keysInBoth = 0;
};
JoinPlan planJoin(
    const Dataset& top, int topKey, const KeyIndex& index, int bottomRows, bool caseSensitive);

// Merges the top and the bottom upstream dataset side by side, by key (inner,
// left, right or full outer join by the two "include non-matching" flags) or
// by row number.
class TransformJoin : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Join"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool reorderInputs(const QList<TableSource*>& upstream) override;
    QString helpImage() const override { return QStringLiteral("join.png"); }
    bool offersExploreKeys() const override { return true; }
    QString keyColumn1Key() const override { return QStringLiteral("Column_1"); }
    QString keyColumn2Key() const override { return QStringLiteral("Column_2"); }
    QString caseSensitiveKey() const override { return QStringLiteral("Case_Sensitive"); }
    QList<QPair<QString, bool>> optionStates() const override;
    // A join by key takes a large top table in blocks against its bottom
    // table.
    bool takesTopBlocks() const override { return true; }
    std::unique_ptr<RowBlockStage> topBlockStage(
        const TableSource& top, const TableSource& bottom) override;

protected:
    Transform* newInstance() const override { return new TransformJoin; }

private:
    friend class JoinBlocks;
    bool hasOptions();
    void setJoinMessages(qint64 rows, qint64 pairs);
    void joinByKey(Dataset& output, const QList<TableSource*>& upstream, int topKey, int bottomKey);
    void joinByRowNumber(Dataset& output, const Dataset& top, const Dataset& bottom);
    void reportKeys(
        const Dataset& top, const Dataset& bottom, int topKey, int bottomKey, const JoinPlan& plan);
};
