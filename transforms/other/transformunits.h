#pragma once

#include "transforms/support/cellrewrite.h"
#include "transforms/support/valueexamples.h"

#include <QVector>

// Converts the numbers of the selected columns from one unit of measurement
// to another of the same dimension.
class TransformUnits : public CellRewriteTransform
{
    Q_OBJECT

public:
    // Relative to the first unit of its dimension:
    // value in the unit = value in the first unit x scale + offset.
    struct Unit
    {
        QString name;
        double scale;
        double offset;
    };
    struct Dimension
    {
        QString name;
        QVector<Unit> units;
    };

    QString typeKey() const override { return QStringLiteral("Units"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    // Keeps the unit lists to the chosen dimension, so the form offers only
    // units that can be converted into each other.
    bool updateChoices() override;

    static const QVector<Dimension>& dimensions();
    static double convert(double value, const Unit& from, const Unit& to);

protected:
    Transform* newInstance() const override { return new TransformUnits; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    void setRewriteSummary(qint64 changed, qint64 unchanged) override;

private:
    Unit m_from;
    Unit m_to;
    QStringList m_columnNames;
    ValueExamples m_nonNumeric;
};
