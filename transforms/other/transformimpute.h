#pragma once

#include "transforms/transform.h"

#include <QVector>

// Fills the missing values of the selected columns in place: with the mean,
// median or mode of the column, a constant, the previous or next value, or
// by linear interpolation between the neighbouring numbers; optionally
// within groups of rows sharing key values.
class TransformImpute : public Transform
{
    Q_OBJECT

public:
    enum Method { Mean, Median, Mode, Constant, Previous, Next, Linear };

    QString typeKey() const override { return QStringLiteral("Impute"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    Transform* newInstance() const override { return new TransformImpute; }

private:
    bool isMissing(const QString& text) const;
    // Fills one column within one group of rows; returns the cells filled
    // and counts the missing ones left empty.
    int fillGroup(Dataset& output, int column, const QVector<int>& rows, int& left) const;
    int fillLinear(Dataset& output, int column, const QVector<int>& rows, int& left) const;

    Method m_method = Mean;
    bool m_nonNumeric = false;
    QString m_constant;
};
