#include "transforms/support/cellrewrite.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "transforms/support/storedvalues.h"

#include <algorithm>

void CellRewriteTransform::addColumnsParameter()
{
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("Columns"))
        ->setTooltip(QStringLiteral("The columns whose values are changed."));
}

void CellRewriteTransform::startRow(int row, const QStringList& rowValues)
{
    Q_UNUSED(row)
    Q_UNUSED(rowValues)
}

void CellRewriteTransform::setRewriteSummary(qint64 changed, qint64 unchanged)
{
    setChangeSummary(changed, unchanged);
}

namespace {

struct Rewritten
{
    QString text;
    bool changed = false;
};

} // namespace

void CellRewriteTransform::process(
    Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    QStringList keys = requiredKeys();
    keys.prepend(QStringLiteral("Columns"));
    for (const QString& key : qAsConst(keys)) {
        if (!parameter(key)) {
            setSummary(QStringLiteral("No changes"));
            return;
        }
    }

    bool inPlace = false;
    if (readsOtherRows())
        output = upstream.first()->dataset();
    else
        inPlace = takeUpstreamTable(output, upstream);
    const Dataset& input = inPlace ? output : upstream.first()->dataset();
    QVector<int> columns = columnIndexes(QStringLiteral("Columns"), true);
    columns.erase(std::remove_if(columns.begin(), columns.end(),
                      [&](int c) { return !input.isValidColumn(c); }),
        columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    if (columns.isEmpty() || !prepare(input, columns)) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    if (reverseColumns())
        std::reverse(columns.begin(), columns.end());

    const int rowCount = input.rowCount();
    const bool backwards = reverseRows();
    // A rewrite of the text alone is worked out once per distinct value of
    // each column (a few hundred names over a million rows).
    std::vector<PerStoredValue<Rewritten>> perValue(
        rewritesTextAlone() ? size_t(input.columnCount()) : 0);
    qint64 changed = 0;
    qint64 unchanged = 0;
    for (int i = 0; i < rowCount; ++i) {
        if (!reportProgress(i, rowCount))
            break;
        const int r = backwards ? rowCount - 1 - i : i;
        const QStringList& rowValues = input.row(r);
        startRow(r, rowValues);
        for (const int c : qAsConst(columns)) {
            const QString& old = rowValues.at(c);
            const auto work = [&](const QString& text) {
                QString result = rewrite(text, r, c);
                const bool differs = result != text;
                return Rewritten { std::move(result), differs };
            };
            const Rewritten done
                = perValue.empty() ? work(old) : perValue[size_t(c)].get(old, work);
            if (done.changed) {
                output.setValue(r, c, done.text);
                ++changed;
            } else {
                ++unchanged;
            }
        }
    }
    setCountedSummary({ changed, unchanged });
}

void CellRewriteTransform::setSummaryFromCounts(const QVector<qint64>& counts)
{
    setRewriteSummary(counts.value(0), counts.value(1));
}
