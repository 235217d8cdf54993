#pragma once

#include "transforms/transform.h"

// Keeps or removes one contiguous run of rows, bounded by positions from the
// start and the end or by the rows where a condition holds.
class TransformSlice : public Transform
{
    Q_OBJECT

public:
    enum FromMode { FromStart, FromStartPlus, FromFirstWhere, FromLastWhere };
    enum ToMode { ToEnd, ToEndMinus, ToNextWhere, ToLastWhere };

    QString typeKey() const override { return QStringLiteral("Slice"); }
    QString droppedRowsReason() const override { return QStringLiteral("outside the slice"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool usesDates() const override;
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    Transform* newInstance() const override { return new TransformSlice; }

private:
    void addSide(const QString& side, const QStringList& modes, const QString& modeTip);
    int findFrom(const Dataset& input);
    int findTo(const Dataset& input, int from);
    // The first (or last) row after `after` where the side's condition holds.
    int findWhere(const Dataset& input, const QString& side, int after, bool last);
};
