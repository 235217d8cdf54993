#pragma once

#include "transforms/transform.h"

// Completes a sequence of integers or dates: where the next row of a group
// jumps further than one step, the rows for the missing values are inserted
// before it. New rows are empty apart from the group and sequence columns,
// or copies of the row before them. Rows are taken in their order, so a
// table sorted by group and sequence gets every gap filled in place.
class TransformSequence : public Transform
{
    Q_OBJECT

public:
    enum Step { Number, Day, Week, Month, Year };

    QString typeKey() const override { return QStringLiteral("Sequence"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;
    bool usesDates() const override;

protected:
    Transform* newInstance() const override { return new TransformSequence; }
};
