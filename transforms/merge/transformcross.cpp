#include "transforms/merge/transformcross.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "transforms/support/mergeutil.h"

QSet<QString> TransformCross::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "cross", "join", "multiply", "permutations", "pairs", "all", "grid" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformCross::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (upstream.isEmpty())
        return;
    if (upstream.size() == 1) {
        output = upstream.first()->dataset();
        output.makeColumnIdsUnique();
        setSummary(QStringLiteral("No changes"));
        return;
    }
    QVector<const Dataset*> inputs;
    QVector<ColumnPick> picks;
    qint64 product = 1;
    for (const TableSource* n : upstream) {
        const Dataset& d = n->dataset();
        inputs.append(&d);
        picks.append({ &d, columnsExcept(d.columnCount()) });
        // Capped so that the product cannot overflow; a later empty input
        // still brings it to 0.
        product = qMin(product * d.rowCount(), qint64(Transform::NoLimit) + 1);
    }
    setCombinedColumns(output, picks);
    setSummary(QStringLiteral("Crossed %1 inputs").arg(upstream.size()));
    if (product > Transform::NoLimit) {
        addWarning(QStringLiteral("Too many rows"));
        setSummary(QStringLiteral("Too many rows"));
        return;
    }
    if (!output.hasColumns())
        return;

    // An odometer over the inputs' rows: the last input turns fastest, as in
    // nested loops with the first input outermost.
    const int rows = int(product);
    const int n = inputs.size();
    QVector<int> at(n, 0);
    output.reserveRows(rows);
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            return;
        Dataset::Row row;
        row.reserve(output.columnCount());
        for (int i = 0; i < n; ++i)
            row.append(inputs.at(i)->row(at.at(i)));
        output.appendRow(row);
        for (int i = n - 1; i >= 0; --i) {
            if (++at[i] < inputs.at(i)->rowCount())
                break;
            at[i] = 0;
        }
    }
}
