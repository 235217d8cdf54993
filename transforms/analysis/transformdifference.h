#pragma once

#include "transforms/transform.h"

struct RowDifferences;
struct RowComparison;

// Compares the top and the bottom upstream dataset row by row, by key
// columns or by row number, with columns matched by name. The result holds
// the rows of both with a "Difference" column (Added, Removed, Changed and,
// when asked, Unchanged) and a column naming the changed columns; the
// changed cells carry a mark that the data table shows.
class TransformDifference : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Difference"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool reorderInputs(const QList<TableSource*>& upstream) override;
    bool keepsVerification() const override { return true; }
    QList<QPair<QString, bool>> optionStates() const override;

    static QString kindText(int kind);

protected:
    Transform* newInstance() const override { return new TransformDifference; }

private:
    bool keyColumns(const Dataset& top, const Dataset& bottom, RowComparison& comparison);
    void build(Dataset& output, const Dataset& top, const Dataset& bottom,
        const RowComparison& comparison, const RowDifferences& differences);
    void report(const Dataset& top, const Dataset& bottom, const RowComparison& comparison,
        const RowDifferences& differences);
};
