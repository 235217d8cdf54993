#include "batch/drift.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

// A column of the last run paired with the same column now.
struct ColumnPair
{
    int before;
    int now;
};

int indexOf(const QVector<ColumnFacts>& columns, const QString& name)
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).name == name)
            return i;
    }
    return -1;
}

// Columns paired by name, and by position where a name that went away and a
// name that came in stand at the same place with the same first values: a
// renamed column, not one removed and another added.
QVector<ColumnPair> pairColumns(const QVector<ColumnFacts>& before, const QVector<ColumnFacts>& now,
    QVector<ColumnPair>* renamed)
{
    QVector<ColumnPair> pairs;
    for (int i = 0; i < before.size(); ++i) {
        const int j = indexOf(now, before.at(i).name);
        if (j >= 0) {
            pairs.append({ i, j });
            continue;
        }
        if (i < now.size() && indexOf(before, now.at(i).name) < 0
            && before.at(i).first == now.at(i).first) {
            pairs.append({ i, i });
            renamed->append({ i, i });
        }
    }
    return pairs;
}

// The pairs whose order among the others changed: those outside a longest
// run of pairs that kept their order, so that a column added or removed
// (which shifts every later one) moves nothing.
QVector<ColumnPair> movedColumns(QVector<ColumnPair> pairs)
{
    std::sort(pairs.begin(), pairs.end(),
        [](const ColumnPair& a, const ColumnPair& b) { return a.now < b.now; });
    const int n = pairs.size();
    QVector<int> length(n, 1), previous(n, -1);
    int best = -1;
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < i; ++k) {
            if (pairs.at(k).before < pairs.at(i).before && length.at(k) + 1 > length.at(i)) {
                length[i] = length.at(k) + 1;
                previous[i] = k;
            }
        }
        if (best < 0 || length.at(i) > length.at(best))
            best = i;
    }
    QSet<int> kept;
    for (int i = best; i >= 0; i = previous.at(i))
        kept.insert(i);
    QVector<ColumnPair> moved;
    for (int i = 0; i < n; ++i) {
        if (!kept.contains(i))
            moved.append(pairs.at(i));
    }
    return moved;
}

QString quotedList(const QStringList& values)
{
    constexpr int Named = 2;
    QStringList quoted;
    for (int i = 0; i < values.size() && i < Named; ++i)
        quoted << QStringLiteral("'%1'").arg(values.at(i));
    QString text = quoted.join(QStringLiteral(", "));
    if (values.size() > Named)
        text += QStringLiteral(" and %1 more").arg(values.size() - Named);
    return text;
}

// Values of a column of a few categories (text of few distinct values) that
// the last run did not see. New dates and numbers are no news.
QString newValuesLine(const ColumnFacts& before, const ColumnFacts& now)
{
    if (before.distinct > ColumnFacts::ListedValues || before.distinct == 0
        || before.kind != QLatin1String("text"))
        return QString();
    const QSet<QString> known(before.values.cbegin(), before.values.cend());
    if (now.values.isEmpty() && now.distinct > before.distinct)
        return QStringLiteral("column '%1' has %2 distinct values, %3 in the recorded run")
            .arg(now.name)
            .arg(now.distinct)
            .arg(before.distinct);
    QStringList added;
    for (const QString& v : now.values) {
        if (!v.isEmpty() && !known.contains(v))
            added << v;
    }
    if (added.isEmpty())
        return QString();
    return QStringLiteral("column '%1' has new %2 %3")
        .arg(now.name, added.size() == 1 ? QStringLiteral("value") : QStringLiteral("values"),
            quotedList(added));
}

QString rowsLine(int before, int now, int percent)
{
    if (before == now)
        return QString();
    if (before == 0)
        return QStringLiteral("rows changed from 0 to %1").arg(now);
    const double change = (now - before) * 100.0 / before;
    if (std::abs(change) <= percent)
        return QString();
    return QStringLiteral("rows changed from %1 to %2 (%3%4%)")
        .arg(before)
        .arg(now)
        .arg(change > 0 ? QStringLiteral("+") : QString())
        .arg(qRound(change));
}

QStringList inputDrift(const InputFacts& before, const InputFacts& now, const DriftOptions& options)
{
    QVector<ColumnPair> renamed;
    const QVector<ColumnPair> pairs = pairColumns(before.columns, now.columns, &renamed);
    QSet<int> pairedBefore, pairedNow;
    for (const ColumnPair& p : pairs) {
        pairedBefore.insert(p.before);
        pairedNow.insert(p.now);
    }
    QStringList changes;
    for (int j = 0; j < now.columns.size(); ++j) {
        if (!pairedNow.contains(j))
            changes << QStringLiteral("column '%1' added").arg(now.columns.at(j).name);
    }
    for (int i = 0; i < before.columns.size(); ++i) {
        if (!pairedBefore.contains(i))
            changes << QStringLiteral("column '%1' removed").arg(before.columns.at(i).name);
    }
    for (const ColumnPair& p : qAsConst(renamed))
        changes << QStringLiteral("column '%1' renamed to '%2'")
                       .arg(before.columns.at(p.before).name, now.columns.at(p.now).name);
    for (const ColumnPair& p : movedColumns(pairs))
        changes << QStringLiteral("column '%1' moved from %2 to %3")
                       .arg(now.columns.at(p.now).name)
                       .arg(p.before + 1)
                       .arg(p.now + 1);
    for (const ColumnPair& p : pairs) {
        const ColumnFacts& b = before.columns.at(p.before);
        const ColumnFacts& n = now.columns.at(p.now);
        if (b.kindText() != n.kindText())
            changes << QStringLiteral("column '%1' changed from %2 to %3")
                           .arg(n.name, b.kindText(), n.kindText());
    }
    const QString rows = rowsLine(before.rows, now.rows, options.rowsPercent);
    if (!rows.isEmpty())
        changes << rows;
    for (const ColumnPair& p : pairs) {
        const QString line = newValuesLine(before.columns.at(p.before), now.columns.at(p.now));
        if (!line.isEmpty())
            changes << line;
    }
    return changes;
}

} // namespace

QStringList driftLines(const QVector<InputFacts>& previous, const QVector<InputFacts>& current,
    const DriftOptions& options)
{
    QStringList lines;
    for (const InputFacts& now : current) {
        const auto before = std::find_if(previous.cbegin(), previous.cend(),
            [&](const InputFacts& p) { return p.label == now.label; });
        if (before == previous.cend())
            continue;
        const QStringList changes = inputDrift(*before, now, options);
        for (const QString& change : changes)
            lines << QStringLiteral("Drift: Input '%1': %2").arg(now.label, change);
    }
    return lines;
}
