#include "transforms/support/drilldown.h"

#include "core/dataset.h"

#include <algorithm>

QVector<int> drilldownRows(const Dataset& result, int row, int column, bool cellsOnly)
{
    const QMultiMap<CellPos, int>& map = result.drilldown();
    QList<int> rows = map.values(CellPos { row, column });
    if (rows.isEmpty() && !cellsOnly) {
        // The map is ordered by row, then column: the row's first cell with
        // entries is the first key at or after (row, -1).
        const auto it = map.lowerBound(CellPos { row, -1 });
        if (it != map.constEnd() && it.key().row == row)
            rows = map.values(it.key());
    }
    QVector<int> sorted(rows.begin(), rows.end());
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    return sorted;
}

Dataset drilldownDataset(
    const Dataset& result, const Dataset& upstream, int row, int column, bool cellsOnly)
{
    Dataset rows = upstream;
    rows.clearDrilldown();
    rows.clearVerification();
    rows.selectRows(drilldownRows(result, row, column, cellsOnly));
    return rows;
}
