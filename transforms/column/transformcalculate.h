#pragma once

#include "transforms/column/calculateoperations.h"
#include "transforms/transform.h"

// Appends one column computed row by row from one or two values, each taken
// from a column or given as a constant. Bad values never stop the run: the
// cell gets an error text and the first failures are described in warnings.
class TransformCalculate : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Calculate"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool streamsRows() const override { return true; }
    void setSummaryFromCounts(const QVector<qint64>& counts) override;
    bool tellsUsedColumns() const override { return true; }
    QVector<bool> usedUpstreamColumns(
        const Dataset& input, const QVector<bool>& usedOutput) const override;
    bool usesDates() const override;
    QList<QPair<QString, bool>> optionStates() const override;

    CalculateOps::Op operation() const;
    // The name the new column takes from the operation and its values, as
    // the values read in the given upstream dataset.
    QString automaticName(const Dataset& upstream) const;

    // At most this many failures are described one by one.
    static constexpr int DescribedFailures = 5;

protected:
    Transform* newInstance() const override { return new TransformCalculate; }

private:
    struct ValueSource
    {
        int column = -1; // -1: the constant
        QString constant;
        QString name; // the column's name or the trimmed constant
        bool usable = false;
    };
    ValueSource valueSource(int which, const Dataset& upstream) const;
    // The value tooltips speak of "the value" or "the first value" as the
    // operation takes one value or two.
    void updateTooltips() const;
    void reportFailures(const QStringList& described, qint64 failed);
};
