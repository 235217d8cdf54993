#pragma once

#include "transforms/transform.h"

class FailureList;
namespace pivot {
struct Plan;
}

// A summary table: one row per combination of row-key values, one column per
// combination of column-key values, each cell summarising the value column
// over the rows with that pair of keys, with optional totals.
//
// The option keys "Rows" and "Columns" are the reverse of their labels:
// "Rows" holds the columns whose values become the table's columns. Stored
// documents depend on it.
class TransformPivot : public Transform
{
    Q_OBJECT

public:
    enum Function {
        Sum,
        Minimum,
        Maximum,
        Average,
        Median,
        Mode,
        StandardDeviation,
        Count,
        CountDistinct
    };

    QString typeKey() const override { return QStringLiteral("Pivot"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool tellsUsedColumns() const override { return true; }
    QVector<bool> usedUpstreamColumns(
        const Dataset& input, const QVector<bool>& usedOutput) const override;
    QList<QPair<QString, bool>> optionStates() const override;
    void validate() override;
    // Headings of date columns sort as dates.
    bool usesDates() const override { return true; }

    static const QStringList& functionNames();

    // A table summed up as the rows go by (see RowBlockConsumer) holds only
    // its cells, whatever the number of rows.
    bool takesBlocks() const override { return true; }
    std::unique_ptr<RowBlockConsumer> blockConsumer(const Dataset& firstRows) override;

protected:
    Transform* newInstance() const override { return new TransformPivot; }

private:
    friend class PivotBlocks;
    friend class PivotHeld;
    // False (with the summary or warning set) when there is nothing to make.
    bool planFor(const Dataset& input, pivot::Plan& plan);
    // The table the plan asks for, from every row of input.
    void pivotTable(Dataset& output, const Dataset& input, const pivot::Plan& plan);
    void setMessages(const FailureList& failures);
};
