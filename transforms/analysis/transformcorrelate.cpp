#include "transforms/analysis/transformcorrelate.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/statistics.h"

void TransformCorrelate::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("columns"))
        ->setTooltip(QStringLiteral("The numeric columns to correlate with each other. Each pair "
                                    "uses the rows where both values are numbers."));
    addParameter(ParameterType::Selection, QStringLiteral("Method"), QStringLiteral("method"),
        QStringLiteral("Pearson"),
        QStringList { QStringLiteral("Pearson"), QStringLiteral("Spearman") })
        ->setTooltip(QStringLiteral("Pearson: how close the pairs lie to a straight line.\n"
                                    "Spearman: Pearson on the ranks of the values, for any "
                                    "rising or falling relationship; less moved by outliers."));
}

void TransformCorrelate::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "Columns", "Method" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    const QVector<int> columns = columnIndexes(QStringLiteral("Columns"));
    const bool spearman = selectionParameter(QStringLiteral("Method")) == Spearman;
    const int n = columns.size();
    // Numbers per column, with a flag per row for whether the cell read.
    QVector<QVector<double>> numbers(n, QVector<double>(input.rowCount()));
    QVector<QVector<bool>> known(n, QVector<bool>(input.rowCount()));
    QStringList header = { QStringLiteral("Column") };
    for (int i = 0; i < n; ++i) {
        header.append(input.columnName(columns.at(i)));
        for (int r = 0; r < input.rowCount(); ++r) {
            bool ok = false;
            numbers[i][r] = Stats::cellNumber(input.value(r, columns.at(i)), &ok);
            known[i][r] = ok;
        }
    }
    output.setColumnCount(header.size());
    output.setHeader(header);
    for (int i = 0; i < n; ++i)
        output.appendRow({ header.at(i + 1) });
    for (int i = 0; i < n; ++i) {
        if (!reportProgress(i, n))
            break;
        for (int j = i; j < n; ++j) {
            QVector<double> x, y;
            for (int r = 0; r < input.rowCount(); ++r) {
                if (known.at(i).at(r) && known.at(j).at(r)) {
                    x.append(numbers.at(i).at(r));
                    y.append(numbers.at(j).at(r));
                }
            }
            const QString text
                = Stats::cellText(spearman ? Stats::spearman(x, y) : Stats::pearson(x, y));
            output.setValue(i, j + 1, text);
            output.setValue(j, i + 1, text);
            if (j > i)
                addInformation(
                    QStringLiteral("'%1' and '%2': %3")
                        .arg(header.at(i + 1), header.at(j + 1),
                            countText(x.size(), QStringLiteral("pair"), QStringLiteral("pairs"))));
        }
    }
    setSummary(QStringLiteral("%1 correlated")
                   .arg(countText(n, QStringLiteral("column"), QStringLiteral("columns"))));
}
