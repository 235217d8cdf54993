// Combining the files of a folder read into one dataset.

#include "input/inputsource.h"

#include "core/values.h"

#include <QVector>

namespace {

constexpr int MaxLinesPerKind = 5;

void addLimited(QStringList* lines, const QStringList& kind)
{
    for (int i = 0; i < kind.size() && i < MaxLinesPerKind; ++i)
        lines->append(kind.at(i));
    const int rest = kind.size() - MaxLinesPerKind;
    if (rest > 0)
        lines->append(QStringLiteral("  + %1 %2")
                          .arg(formatInteger(rest))
                          .arg(rest == 1 ? QStringLiteral("other") : QStringLiteral("others")));
}

// For each column of the later file, the combined column it goes under, or
// -1 when it needs a new one.
QVector<int> mapColumns(const QStringList& combined, const QStringList& later, bool byName)
{
    QVector<int> target(later.size(), -1);
    QVector<bool> used(combined.size(), false);
    if (byName) {
        for (int j = 0; j < later.size(); ++j) {
            for (int c = 0; c < combined.size(); ++c) {
                if (!used.at(c) && combined.at(c) == later.at(j)) {
                    target[j] = c;
                    used[c] = true;
                    break;
                }
            }
        }
    }
    // Columns whose names did not help go by position.
    for (int j = 0; j < later.size(); ++j) {
        if (target.at(j) < 0 && j < combined.size() && !used.at(j)) {
            target[j] = j;
            used[j] = true;
        }
    }
    return target;
}

bool isIdentity(const QVector<int>& target, int combinedColumns)
{
    if (target.size() != combinedColumns)
        return false;
    for (int j = 0; j < target.size(); ++j) {
        if (target.at(j) != j)
            return false;
    }
    return true;
}

} // namespace

QString headerMismatchWarning(
    const QStringList& combined, const QStringList& later, const QString& path)
{
    QStringList missing;
    QStringList different;
    QStringList extra;
    const int common = qMin(combined.size(), later.size());
    for (int i = 0; i < common; ++i) {
        if (combined.at(i) != later.at(i))
            different.append(QStringLiteral("  Column name difference at column %1: '%2' -> '%3'")
                                 .arg(i + 1)
                                 .arg(combined.at(i), later.at(i)));
    }
    for (int i = common; i < combined.size(); ++i)
        missing.append(QStringLiteral("  Missing column %1: '%2'").arg(i + 1).arg(combined.at(i)));
    for (int i = common; i < later.size(); ++i)
        extra.append(QStringLiteral("  Extra column %1: '%2'").arg(i + 1).arg(later.at(i)));
    if (missing.isEmpty() && different.isEmpty() && extra.isEmpty())
        return QString();
    QStringList lines(QStringLiteral("'%1' header mismatch:").arg(displayPath(path)));
    addLimited(&lines, missing);
    addLimited(&lines, different);
    addLimited(&lines, extra);
    return lines.join(QLatin1Char('\n'));
}

void appendFolderDataset(Dataset* combined, const Dataset& later, bool byName, bool metaColumnLast)
{
    const QStringList laterNames = later.columnNames();
    QVector<int> target = mapColumns(combined->columnNames(), laterNames, byName);
    const bool named = combined->hasHeader() || later.hasHeader();
    for (int j = 0; j < target.size(); ++j) {
        if (target.at(j) >= 0)
            continue;
        int position = combined->columnCount();
        if (metaColumnLast && position > 0)
            --position;
        combined->insertColumn(position);
        // Everything at or after the new column moves one place on.
        for (int& t : target) {
            if (t >= position)
                ++t;
        }
        target[j] = position;
        if (named)
            combined->setColumnName(position, laterNames.at(j));
    }

    if (isIdentity(target, combined->columnCount())) {
        combined->appendRows(later);
        return;
    }
    combined->reserveRows(combined->rowCount() + later.rowCount());
    Dataset::Row row;
    for (int r = 0; r < later.rowCount(); ++r) {
        const Dataset::Row in = later.row(r);
        row.clear();
        for (int c = 0; c < combined->columnCount(); ++c)
            row.append(QString());
        for (int j = 0; j < target.size() && j < in.size(); ++j)
            row[target.at(j)] = in.at(j);
        combined->appendRow(row);
    }
}
