#include "transforms/support/keyreport.h"

#include "core/dataset.h"
#include "core/values.h"
#include "transforms/transform.h"

#include <QStringList>

#include <algorithm>

namespace {

constexpr int ListedExamples = 5;

// The heading, the tally's listed cells, then "+ <rest> <restWords>" for the
// ones not listed (restWords gives the words for a count).
void addTally(Transform& transform, const KeyTally& tally, const QString& heading,
    const std::function<QString(qint64)>& restWords)
{
    transform.addInformation(heading);
    for (const QString& line : tally.listed)
        transform.addInformation(line);
    const qint64 rest = tally.count - tally.listed.size();
    if (rest > 0)
        transform.addInformation(
            QStringLiteral("+ %1 %2").arg(formatInteger(rest, true), restWords(rest)));
}

QString missWords(qint64 count)
{
    return count == 1 ? QStringLiteral("miss") : QStringLiteral("misses");
}

} // namespace

void KeyTally::add(const QString& cell, qint64 row)
{
    if (++count <= ListedExamples)
        listed.append(QStringLiteral("'%1' at row %2").arg(cell, QString::number(row + 1)));
}

QSet<QString> keySet(const Dataset& data, int column, bool caseSensitive)
{
    QSet<QString> keys;
    for (int r = 0; r < data.rowCount(); ++r)
        keys.insert(keyText(data.value(r, column), caseSensitive));
    return keys;
}

QHash<QString, int> keyCounts(const Dataset& data, int column, bool caseSensitive)
{
    QHash<QString, int> counts;
    for (int r = 0; r < data.rowCount(); ++r)
        ++counts[keyText(data.value(r, column), caseSensitive)];
    return counts;
}

KeyIndex::KeyIndex(
    const Dataset& data, int column, bool caseSensitive, const std::function<bool(int)>& rowVisited)
{
    const int rows = data.rowCount();
    m_next.fill(-1, rows);
    m_length.fill(0, rows);
    // Walking backwards leaves every key at its first row, with the chain in
    // ascending order behind it.
    for (int r = rows - 1; r >= 0; --r) {
        if (rowVisited && !rowVisited(rows - 1 - r))
            break;
        int& head = m_first[keyText(data.value(r, column), caseSensitive)];
        if (head > 0) {
            m_next[r] = head - 1;
            m_length[r] = m_length.at(head - 1) + 1;
        } else {
            m_length[r] = 1;
        }
        head = r + 1;
    }
}

namespace KeyReport {

void misses(Transform& transform, const KeyTally& tally, const QString& label)
{
    if (tally.count == 0)
        return;
    addTally(transform, tally,
        QStringLiteral("%1 %2 in the %3:")
            .arg(formatInteger(tally.count, true), missWords(tally.count), label),
        [](qint64 rest) -> QString { return QStringLiteral("other ") + missWords(rest); });
}

int misses(Transform& transform, const Dataset& data, int column, const QString& label,
    const std::function<bool(int)>& hasPartner)
{
    KeyTally tally;
    for (int r = 0; r < data.rowCount(); ++r) {
        if (!hasPartner(r))
            tally.add(data.value(r, column), r);
    }
    misses(transform, tally, label);
    return int(tally.count);
}

int duplicates(
    Transform& transform, const Dataset& data, int column, const QString& label, bool caseSensitive)
{
    struct Seen
    {
        int firstRow;
        int count;
    };
    QHash<QString, Seen> seen;
    QVector<int> repeatedFirstRows; // first rows of repeated keys, in row order
    for (int r = 0; r < data.rowCount(); ++r) {
        const QString key = keyText(data.value(r, column), caseSensitive);
        auto it = seen.find(key);
        if (it == seen.end()) {
            seen.insert(key, Seen { r, 1 });
        } else if (++it->count == 2) {
            repeatedFirstRows.append(it->firstRow);
        }
    }
    if (repeatedFirstRows.isEmpty())
        return 0;
    std::sort(repeatedFirstRows.begin(), repeatedFirstRows.end());
    const int count = repeatedFirstRows.size();
    transform.addInformation(
        QStringLiteral("%1 duplicated keys in the %2:").arg(formatInteger(count, true), label));
    const QString note = caseSensitive ? QString() : QStringLiteral(" (case insensitive)");
    for (int i = 0; i < qMin(count, ListedExamples); ++i) {
        const QString& cell = data.value(repeatedFirstRows.at(i), column);
        const int times = seen.value(keyText(cell, caseSensitive)).count;
        transform.addInformation(
            QStringLiteral("'%1' occurs %2 times%3").arg(cell, formatInteger(times, true), note));
    }
    const int rest = count - ListedExamples;
    if (rest > 0)
        transform.addInformation(
            QStringLiteral("+ %1 other %2")
                .arg(formatInteger(rest, true),
                    rest == 1 ? QStringLiteral("duplicate") : QStringLiteral("duplicates")));
    return count;
}

bool hasOuterWhitespace(const QString& text)
{
    if (text.isEmpty())
        return false;
    return text.at(0).isSpace() || (text.size() >= 2 && text.at(text.size() - 1).isSpace());
}

void whitespace(Transform& transform, const KeyTally& tally, const QString& label)
{
    if (tally.count == 0)
        return;
    addTally(transform, tally,
        QStringLiteral("%1 values with leading or trailing whitespace in the %2:")
            .arg(formatInteger(tally.count, true), label),
        [](qint64 rest) {
            return rest == 1 ? QStringLiteral("other with whitespace")
                             : QStringLiteral("others with whitespace");
        });
    transform.addInformation(QStringLiteral("(keys are whitespace and case sensitive)"));
}

int whitespace(Transform& transform, const Dataset& data, int column, const QString& label)
{
    KeyTally tally;
    for (int r = 0; r < data.rowCount(); ++r) {
        const QString& cell = data.value(r, column);
        if (hasOuterWhitespace(cell))
            tally.add(cell, r);
    }
    whitespace(transform, tally, label);
    return int(tally.count);
}

} // namespace KeyReport
