#pragma once

#include "transforms/transform.h"

#include <QPair>
#include <QSet>
#include <QVector>

// Keeps the top rows whose key also occurs in the bottom dataset.
class TransformIntersect : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Intersect"); }
    QString droppedRowsReason() const override
    {
        return QStringLiteral("not in the other dataset");
    }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool reorderInputs(const QList<TableSource*>& upstream) override;
    bool offersExploreKeys() const override { return true; }
    QString keyColumn1Key() const override { return QStringLiteral("Column_1"); }
    QString keyColumn2Key() const override { return QStringLiteral("Column_2"); }
    QString caseSensitiveKey() const override { return QStringLiteral("Case_Sensitive"); }

protected:
    Transform* newInstance() const override { return new TransformIntersect; }

private:
    QPair<int, int> report(const Dataset& top, const Dataset& bottom, int topKey, int bottomKey,
        const QVector<char>& topMatched, const QSet<QString>& inBoth);
};
