#include "transforms/support/keyexploration.h"

#include "core/dataset.h"
#include "transforms/support/keyreport.h"

#include <QHash>

namespace {

constexpr int ProgressStep = 4096;

// Counts one side's keys into the shared list; returns false when stopped.
bool countSide(const Dataset& data, int column, bool caseSensitive, bool top,
    QHash<QString, int>& positions, KeyExploration& result, int doneBefore, int total,
    const KeyProgress& progress)
{
    if (!data.isValidColumn(column))
        return true;
    for (int r = 0; r < data.rowCount(); ++r) {
        if (progress && r % ProgressStep == 0 && !progress(doneBefore + r, total))
            return false;
        const QString& cell = data.value(r, column);
        const QString key = keyText(cell, caseSensitive);
        auto it = positions.find(key);
        if (it == positions.end()) {
            it = positions.insert(key, result.keys.size());
            result.keys.append({ cell });
        }
        ExploredKey& entry = result.keys[*it];
        ++(top ? entry.topRows : entry.bottomRows);
    }
    return true;
}

void tally(KeyExploration& result)
{
    for (const ExploredKey& key : qAsConst(result.keys)) {
        if (key.inBoth()) {
            ++result.bothKeys;
        } else if (key.topRows > 0) {
            ++result.topOnlyKeys;
            result.topOnlyRows += key.topRows;
        } else {
            ++result.bottomOnlyKeys;
            result.bottomOnlyRows += key.bottomRows;
        }
        result.topDuplicateKeys += key.topRows > 1 ? 1 : 0;
        result.bottomDuplicateKeys += key.bottomRows > 1 ? 1 : 0;
    }
}

void findNearKeys(KeyExploration& result)
{
    QHash<QString, int> firstByLoose; // loose key -> first key position
    QHash<int, int> groupOfFirst; // first key position -> near group
    for (int k = 0; k < result.keys.size(); ++k) {
        const QString loose = result.keys.at(k).text.trimmed().toLower();
        auto it = firstByLoose.find(loose);
        if (it == firstByLoose.end()) {
            firstByLoose.insert(loose, k);
            continue;
        }
        auto group = groupOfFirst.find(*it);
        if (group == groupOfFirst.end()) {
            group = groupOfFirst.insert(*it, result.nearGroups.size());
            result.nearGroups.append(QVector<int> { *it });
            result.keys[*it].nearGroup = *group;
        }
        result.nearGroups[*group].append(k);
        result.keys[k].nearGroup = *group;
    }
}

} // namespace

KeyExploration exploreKeys(const Dataset& top, int topColumn, const Dataset& bottom,
    int bottomColumn, bool caseSensitive, const KeyProgress& progress)
{
    KeyExploration result;
    QHash<QString, int> positions;
    const int total = top.rowCount() + bottom.rowCount();
    if (!countSide(top, topColumn, caseSensitive, true, positions, result, 0, total, progress)
        || !countSide(bottom, bottomColumn, caseSensitive, false, positions, result, top.rowCount(),
            total, progress)) {
        result.complete = false;
    }
    tally(result);
    if (result.complete)
        findNearKeys(result);
    if (progress && result.complete)
        progress(total, total);
    return result;
}

QVector<int> rowsWithKey(const Dataset& data, int column, const QString& key, bool caseSensitive)
{
    QVector<int> rows;
    if (!data.isValidColumn(column))
        return rows;
    const QString wanted = keyText(key, caseSensitive);
    for (int r = 0; r < data.rowCount(); ++r) {
        if (keyText(data.value(r, column), caseSensitive) == wanted)
            rows.append(r);
    }
    return rows;
}
