#pragma once

#include "transforms/transform.h"

// Appends a column of seeded pseudo-random values: picks from a list of
// texts, dates, whole numbers or real numbers between two bounds.
class TransformRandom : public Transform
{
    Q_OBJECT

public:
    enum Type { Text, Date, Integer, Real };

    QString typeKey() const override { return QStringLiteral("Random"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    QList<QPair<QString, bool>> optionStates() const override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformRandom; }

private:
    // The values for rows rows, or an empty list after warning about the
    // bounds.
    QStringList generate(Type type, int rows);
    bool boundsInOrder(const QString& minimumKey, bool inOrder);
};
