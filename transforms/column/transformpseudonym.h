#pragma once

#include "transforms/transform.h"

#include <QHash>
#include <QVector>

// Appends a column that replaces each distinct value of a column by a
// pseudonym: a prefix and a number. The numbers are handed out in an order
// shuffled by a seeded generator, so they reveal nothing about the values'
// order while one seed always gives the same assignment.
class TransformPseudonym : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Pseudonym"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    QList<QPair<QString, bool>> optionStates() const override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

    // The number each of count distinct values (in order of appearance)
    // receives, counted from start.
    static QVector<qint64> numbering(int count, qint64 start, quint64 seed);

protected:
    Transform* newInstance() const override { return new TransformPseudonym; }
};
