#include "transforms/support/rowdifference.h"

#include "core/dataset.h"

#include <QHash>
#include <QStringList>

namespace {

// Key cells joined by a separator no typed value holds.
QString rowKey(const Dataset& data, int row, const QVector<int>& keys, bool caseSensitive)
{
    QString key;
    for (int i = 0; i < keys.size(); ++i) {
        if (i > 0)
            key += QChar(0x1F);
        key += data.value(row, keys.at(i));
    }
    return caseSensitive ? key : key.toLower();
}

bool sameText(const QString& a, const QString& b, bool caseSensitive)
{
    return a.compare(b, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

// For each top row its bottom partner, or -1.
QVector<int> pairRows(const Dataset& top, const Dataset& bottom, const RowComparison& comparison,
    const std::function<bool(int, int)>& progress, bool& complete)
{
    const int total = top.rowCount() + bottom.rowCount();
    QVector<int> partner(top.rowCount(), -1);
    if (comparison.topKeys.isEmpty()) {
        for (int r = 0; r < top.rowCount() && r < bottom.rowCount(); ++r)
            partner[r] = r;
        return partner;
    }
    // Bottom rows of each key, in order; taken from the front as top rows
    // with that key come along.
    QHash<QString, QVector<int>> byKey;
    for (int b = 0; b < bottom.rowCount(); ++b) {
        if (progress && !progress(b, total)) {
            complete = false;
            return partner;
        }
        byKey[rowKey(bottom, b, comparison.bottomKeys, comparison.caseSensitive)].append(b);
    }
    QHash<QString, int> used;
    for (int r = 0; r < top.rowCount(); ++r) {
        if (progress && !progress(bottom.rowCount() + r, total)) {
            complete = false;
            return partner;
        }
        const QString key = rowKey(top, r, comparison.topKeys, comparison.caseSensitive);
        const auto it = byKey.constFind(key);
        if (it == byKey.constEnd())
            continue;
        int& next = used[key];
        if (next < it->size())
            partner[r] = it->at(next++);
    }
    return partner;
}

} // namespace

RowDifferences compareRows(const Dataset& top, const Dataset& bottom,
    const RowComparison& comparison, const std::function<bool(int, int)>& progress)
{
    RowDifferences result;
    const QVector<int> partner = pairRows(top, bottom, comparison, progress, result.complete);
    if (!result.complete)
        return result;
    QVector<bool> bottomPaired(bottom.rowCount(), false);
    result.rows.reserve(top.rowCount());
    for (int r = 0; r < top.rowCount(); ++r) {
        RowDifference d;
        d.topRow = r;
        d.bottomRow = partner.at(r);
        if (d.bottomRow < 0) {
            d.kind = RowDifference::Removed;
        } else {
            bottomPaired[d.bottomRow] = true;
            for (int i = 0; i < comparison.columns.size(); ++i) {
                const QPair<int, int>& c = comparison.columns.at(i);
                if (!sameText(top.value(r, c.first), bottom.value(d.bottomRow, c.second),
                        comparison.caseSensitive))
                    d.changedPairs.append(i);
            }
            d.kind = d.changedPairs.isEmpty() ? RowDifference::Unchanged : RowDifference::Changed;
        }
        ++result.counts[d.kind];
        result.rows.append(d);
    }
    for (int b = 0; b < bottom.rowCount(); ++b) {
        if (bottomPaired.at(b))
            continue;
        RowDifference d;
        d.kind = RowDifference::Added;
        d.bottomRow = b;
        ++result.counts[d.kind];
        result.rows.append(d);
    }
    return result;
}

QVector<QPair<int, int>> columnsByName(const Dataset& top, const Dataset& bottom)
{
    QHash<QString, QVector<int>> bottomByName;
    for (int c = 0; c < bottom.columnCount(); ++c)
        bottomByName[bottom.columnName(c)].append(c);
    QHash<QString, int> seen;
    QVector<QPair<int, int>> pairs;
    for (int c = 0; c < top.columnCount(); ++c) {
        const QString name = top.columnName(c);
        const int occurrence = seen[name]++;
        const QVector<int> candidates = bottomByName.value(name);
        if (occurrence < candidates.size())
            pairs.append(qMakePair(c, candidates.at(occurrence)));
    }
    return pairs;
}
