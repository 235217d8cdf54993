#include "transforms/merge/transformsubtract.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/keyreport.h"
#include "transforms/support/mergeutil.h"

#include <QStringList>

#include <functional>

namespace {

const QString Column1 = QStringLiteral("Column_1");
const QString Column2 = QStringLiteral("Column_2");
const QString CaseSensitive = QStringLiteral("Case_Sensitive");
const QString Match = QStringLiteral("Match");

enum MatchMode { AllMatches = 0, FirstMatch = 1, LastMatch = 2 };

constexpr int ListedRows = 5;

// How often each key of the bottom table occurs; false when progress(row)
// stops it.
bool countBottomKeys(const Dataset& bottom, int bottomKey, bool caseSensitive,
    QHash<QString, int>* counts, const std::function<bool(int)>& progress)
{
    for (int r = 0; r < bottom.rowCount(); ++r) {
        if (!progress(r))
            return false;
        ++(*counts)[keyText(bottom.value(r, bottomKey), caseSensitive)];
    }
    return true;
}

// Whether a top row of the key is removed: every one whose key the bottom
// holds, or one per bottom occurrence.
bool takeMatch(QHash<QString, int>& counts, const QString& key, bool allMatches)
{
    auto it = counts.find(key);
    if (it == counts.end() || it.value() <= 0)
        return false;
    if (!allMatches)
        --it.value();
    return true;
}

} // namespace

void TransformSubtract::RemovedRows::add(qint64 row, const QString& key)
{
    if (++count <= ListedRows)
        listed.append(
            QStringLiteral("Subtracted row %1 with key '%2'").arg(QString::number(row + 1), key));
}

bool TransformSubtract::hasOptions()
{
    return requireParameters({ "Column_1", "Column_2", "Case_Sensitive", "Match" });
}

QSet<QString> TransformSubtract::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "difference", "exclude", "anti", "without", "not", "filter", "delete" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformSubtract::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addKeyColumnParameters(Column1, Column2);
    addKeyCaseParameter(CaseSensitive);
    addParameter(ParameterType::Selection, Match, QStringLiteral("Remove"),
        QStringLiteral("All matches"),
        QStringList { QStringLiteral("All matches"), QStringLiteral("First match"),
            QStringLiteral("Last match") })
        ->setTooltip(QStringLiteral(
            "All matches: remove every top row whose key exists in the bottom dataset.\n"
            "First match: remove one top row for each matching key in the bottom dataset, "
            "proceeding from the first to the last top row.\n"
            "Last match: remove one top row for each matching key in the bottom dataset, "
            "proceeding from the last to the first top row."));
}

bool TransformSubtract::reorderInputs(const QList<TableSource*>& upstream)
{
    return reorderTwoInputs(upstream, Column1, Column2);
}

void TransformSubtract::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (upstream.isEmpty() || upstream.size() > 2)
        return;
    const Dataset& top = upstream.at(0)->dataset();
    if (upstream.size() == 1) {
        output = top;
        setSummary(QStringLiteral("Connect a second dataset"));
        return;
    }
    if (!hasOptions())
        return;
    const Dataset& bottom = upstream.at(1)->dataset();
    const int topKey = columnIn(*this, Column1, top);
    const int bottomKey = columnIn(*this, Column2, bottom);
    const QVector<char> remove = topKey < 0 || bottomKey < 0
        ? QVector<char>()
        : rowsToRemove(top, bottom, topKey, bottomKey);
    const int removed = int(remove.count(1));
    if (removed == 0) {
        output = top;
        reportRemoved(RemovedRows());
        return;
    }
    // Kept rows are the top's own rows and keep sharing their storage.
    output = top;
    QVector<int> kept;
    kept.reserve(top.rowCount() - removed);
    RemovedRows removedRows;
    for (int r = 0; r < top.rowCount(); ++r) {
        if (!remove.at(r))
            kept.append(r);
        else
            removedRows.add(r, top.value(r, topKey));
    }
    output.selectRows(kept);
    reportRemoved(removedRows);
}

void TransformSubtract::reportRemoved(const RemovedRows& removedRows)
{
    const qint64 removed = removedRows.count;
    if (removed == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    for (const QString& line : removedRows.listed)
        addInformation(line);
    const qint64 rest = removed - removedRows.listed.size();
    if (rest > 0)
        addInformation(QStringLiteral("+ %1 %2").arg(formatInteger(rest, true),
            rest == 1 ? QStringLiteral("other") : QStringLiteral("others")));
    setSummary(QStringLiteral("%1 row(s) removed").arg(formatInteger(removed, true)));
}

// Removes a block of top rows at a time, matches counted from the first top
// row as the rows come; the lines on the removed rows are said at the end.
class SubtractBlocks : public RowBlockStage
{
public:
    SubtractBlocks(TransformSubtract* transform, const Dataset& firstTop, const Dataset& bottom,
        int topKey, int bottomKey)
        : m_transform(transform),
          m_topKey(topKey),
          m_caseSensitive(transform->boolParameter(CaseSensitive, true)),
          m_allMatches(transform->selectionParameter(Match) == AllMatches),
          m_shape(withoutRows(firstTop))
    {
        countBottomKeys(bottom, bottomKey, m_caseSensitive, &m_counts, [](int) { return true; });
    }

    bool process(const Dataset& top, Dataset& output) override
    {
        if (top.columnCount() != m_shape.columnCount())
            return false;
        QVector<int> kept;
        kept.reserve(top.rowCount());
        for (int r = 0; r < top.rowCount(); ++r) {
            const QString& cell = top.value(r, m_topKey);
            if (!takeMatch(m_counts, keyText(cell, m_caseSensitive), m_allMatches))
                kept.append(r);
            else
                m_removed.add(m_rows + r, cell);
        }
        m_rows += top.rowCount();
        output = top;
        if (kept.size() < top.rowCount())
            output.selectRows(kept);
        return true;
    }

    void finish(Dataset& output) override
    {
        output = m_shape;
        m_transform->reportRemoved(m_removed);
    }

private:
    TransformSubtract* m_transform;
    int m_topKey;
    bool m_caseSensitive;
    bool m_allMatches;
    QHash<QString, int> m_counts;
    Dataset m_shape;
    qint64 m_rows = 0;
    TransformSubtract::RemovedRows m_removed;
};

std::unique_ptr<RowBlockStage> TransformSubtract::topBlockStage(
    const TableSource& top, const TableSource& bottom)
{
    const Dataset& firstTop = top.dataset();
    const Dataset& bottomRows = bottom.dataset();
    if (!hasOptions() || selectionParameter(Match) == LastMatch)
        return nullptr;
    const int topKey = columnIn(*this, Column1, firstTop);
    const int bottomKey = columnIn(*this, Column2, bottomRows);
    if (topKey < 0 || bottomKey < 0)
        return nullptr;
    return std::make_unique<SubtractBlocks>(this, firstTop, bottomRows, topKey, bottomKey);
}

QVector<char> TransformSubtract::rowsToRemove(
    const Dataset& top, const Dataset& bottom, int topKey, int bottomKey)
{
    const bool caseSensitive = boolParameter(CaseSensitive, true);
    const int mode = selectionParameter(Match);
    const int topRows = top.rowCount();
    const int work = bottom.rowCount() + topRows;
    QVector<char> remove(topRows, 0);

    QHash<QString, int> counts;
    if (!countBottomKeys(bottom, bottomKey, caseSensitive, &counts,
            [&](int r) { return reportProgress(r, work); }))
        return QVector<char>();
    for (int i = 0; i < topRows; ++i) {
        if (!reportProgress(bottom.rowCount() + i, work))
            return QVector<char>();
        const int r = mode == LastMatch ? topRows - 1 - i : i;
        if (takeMatch(counts, keyText(top.value(r, topKey), caseSensitive), mode == AllMatches))
            remove[r] = 1;
    }
    return remove;
}
