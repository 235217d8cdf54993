#include "transforms/support/headercomparison.h"

#include "core/dataset.h"
#include "transforms/support/rowdifference.h"

#include <algorithm>

namespace {

// Marks the entries of a longest strictly increasing subsequence; patience
// sorting, O(n log n), since headers can run to thousands of columns.
QVector<bool> longestIncreasing(const QVector<int>& values)
{
    QVector<int> tails; // positions in values ending a run of each length
    QVector<int> previous(values.size(), -1);
    for (int i = 0; i < values.size(); ++i) {
        auto at = std::lower_bound(tails.begin(), tails.end(), values.at(i),
            [&](int position, int value) { return values.at(position) < value; });
        const int length = int(at - tails.begin());
        previous[i] = length > 0 ? tails.at(length - 1) : -1;
        if (at == tails.end())
            tails.append(i);
        else
            *at = i;
    }
    QVector<bool> kept(values.size(), false);
    for (int i = tails.isEmpty() ? -1 : tails.last(); i >= 0; i = previous.at(i))
        kept[i] = true;
    return kept;
}

} // namespace

QVector<HeaderDifference> compareHeaders(const Dataset& top, const Dataset& bottom)
{
    const QVector<QPair<int, int>> pairs = columnsByName(top, bottom);
    QVector<int> partnerOfTop(top.columnCount(), -1);
    QVector<bool> bottomPaired(bottom.columnCount(), false);
    QVector<int> bottomOrder;
    for (const auto& pair : pairs) {
        partnerOfTop[pair.first] = pair.second;
        bottomPaired[pair.second] = true;
        bottomOrder.append(pair.second);
    }
    const QVector<bool> inPlace = longestIncreasing(bottomOrder);
    QVector<HeaderDifference> result;
    int paired = 0;
    for (int t = 0; t < top.columnCount(); ++t) {
        const int b = partnerOfTop.at(t);
        if (b >= 0) {
            const bool kept = inPlace.at(paired++);
            result.append({ kept ? HeaderDifference::Same : HeaderDifference::Moved, t, b });
        } else if (t < bottom.columnCount() && !bottomPaired.at(t)) {
            bottomPaired[t] = true;
            result.append({ HeaderDifference::Renamed, t, t });
        } else {
            result.append({ HeaderDifference::TopOnly, t, -1 });
        }
    }
    for (int b = 0; b < bottom.columnCount(); ++b) {
        if (!bottomPaired.at(b))
            result.append({ HeaderDifference::BottomOnly, -1, b });
    }
    return result;
}
