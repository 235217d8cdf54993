#include "transforms/merge/transformjoin.h"

#include "core/freedmemory.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/keyreport.h"
#include "transforms/support/mergeutil.h"
#include "transforms/support/parallel.h"
#include "transforms/support/rowprefetch.h"
#include "transforms/support/storedvalues.h"

#include <QStringList>

namespace {

const QString Column1 = QStringLiteral("Column_1");
const QString Column2 = QStringLiteral("Column_2");
const QString CaseSensitive = QStringLiteral("Case_Sensitive");
const QString DetailedReport = QStringLiteral("Detailed_Report");
const QString KeepTop = QStringLiteral("Include_Non_Matching_1");
const QString KeepBottom = QStringLiteral("Include_Non_Matching_2");

enum JoinBy { ByKey = 0, ByRowNumber = 1 };

// Builds output rows from pieces of the two upstream rows. Values are copied
// by reference count only; the pieces were pooled upstream.
class RowBuilder
{
public:
    RowBuilder(int topColumns, const QVector<int>& bottomColumns)
        : m_topColumns(topColumns),
          m_bottomColumns(bottomColumns),
          m_width(topColumns + bottomColumns.size()),
          m_empty(QStringLiteral(""))
    {
    }

    Dataset::Row both(const Dataset::Row& top, const Dataset::Row& bottom) const
    {
        // With nothing to add from the bottom, the top row passes unchanged
        // and keeps sharing its storage.
        if (m_bottomColumns.isEmpty())
            return top;
        Dataset::Row row;
        row.reserve(m_width);
        row.append(top);
        addBottom(row, &bottom);
        return row;
    }

    Dataset::Row topOnly(const Dataset::Row& top) const
    {
        if (m_bottomColumns.isEmpty())
            return top;
        Dataset::Row row;
        row.reserve(m_width);
        row.append(top);
        addBottom(row, nullptr);
        return row;
    }

    // Grows a top row by the bottom row's values, or by empty cells.
    void addBottom(Dataset::Row& row, const Dataset::Row* bottom) const
    {
        if (m_bottomColumns.isEmpty())
            return;
        row.reserve(m_width);
        for (int c : m_bottomColumns)
            row.append(bottom ? bottom->at(c) : m_empty);
    }

    // Empty top cells, except the key, then the bottom values.
    Dataset::Row bottomOnly(const Dataset::Row& bottom, int topKey, const QString& key) const
    {
        Dataset::Row row;
        row.reserve(m_width);
        for (int c = 0; c < m_topColumns; ++c)
            row.append(c == topKey ? key : m_empty);
        for (int c : m_bottomColumns)
            row.append(bottom.at(c));
        return row;
    }

    // Row i of a side, or empty cells when the side has fewer rows.
    void appendSide(Dataset::Row& row, const Dataset& side, int i) const
    {
        if (i < side.rowCount()) {
            row.append(side.row(i));
            return;
        }
        for (int c = 0; c < side.columnCount(); ++c)
            row.append(m_empty);
    }

private:
    int m_topColumns;
    QVector<int> m_bottomColumns;
    int m_width;
    QString m_empty;
};

// Every top row with each of its partners, in top row order. A large join
// makes the rows of the second half of the top rows on another thread,
// straight into their places after the first half's: the same rows in the
// same order, and no second list of them. False when stopped.
template <typename Progress>
bool appendPairs(Dataset& output, const Dataset& top, const Dataset& bottom, const JoinPlan& plan,
    const KeyIndex& index, const RowBuilder& build, const Progress& progress)
{
    const QVector<Dataset::Row>& topList = top.rows();
    // The output's room (reserved by the caller) holds every pair; each half
    // starts where the pairs before it end (see JoinPlan::firstHalfPairs).
    QVector<Dataset::Row> rows = output.takeRows();
    const int before = rows.size();
    rows.resize(before + int(plan.pairs));
    Dataset::Row* const out = rows.data() + before;
    int next[2] = { 0, int(plan.firstHalfPairs) };
    const bool done = Parallel::halves(top.rowCount(), plan.pairs, progress, [&](int r, int half) {
        RowPrefetch::ahead(topList, r, 0);
        RowPrefetch::textsToShare(topList, r);
        for (int b = plan.topChain.at(r); b >= 0; b = index.next(b))
            out[next[half]++] = build.both(top.row(r), bottom.row(b));
    });
    if (!done)
        return false;
    output.adoptRows(std::move(rows));
    return true;
}

// The rows of a join in which each top row has at most one partner, from the
// top rows taken over: each grows by its partner's values in place instead
// of being copied into a new row (a left join of a million rows with a table
// of cities: no second million lists, and no million references taken on
// their values). The order is the one of appendPairs and the top-only rows:
// the matched rows in top order, then the rest when kept. False when
// stopped.
template <typename Progress>
bool growTopRows(Dataset& output, QVector<Dataset::Row> rows, const Dataset& bottom,
    const JoinPlan& plan, const RowBuilder& build, bool keepTop, const Progress& progress)
{
    // The grown lists then reuse the memory of a table just let go.
    Dataset::finishReleases();
    // Each row moves to a larger list: a large table grows half on another
    // thread.
    const int count = rows.size();
    // The list may still be shared with the upstream table: it is made this
    // item's own here, once, before two threads write into its rows.
    Dataset::Row* const ownRows = rows.data();
    Q_ASSERT(rows.isDetached());
    const bool done = Parallel::halves(count, count, progress, [&](int r, int half) {
        const int partner = plan.topChain.at(r);
        if (partner >= 0 || keepTop)
            build.addBottom(ownRows[r], partner >= 0 ? &bottom.row(partner) : nullptr);
        // Both threads free old lists; this one hands the pages back for
        // both.
        if (half == 0)
            returnFreedMemoryEvery(2 * (r + 1));
    });
    if (!done)
        return false;
    QVector<Dataset::Row> ordered;
    ordered.reserve(keepTop ? count : count - plan.topOnly);
    for (int r = 0; r < count; ++r) {
        if (plan.topChain.at(r) >= 0)
            ordered.append(std::move(rows[r]));
    }
    for (int r = 0; keepTop && r < count; ++r) {
        if (plan.topChain.at(r) < 0)
            ordered.append(std::move(rows[r]));
    }
    // The top-only rows not kept go with the emptied list.
    rows = QVector<Dataset::Row>();
    output.adoptRows(std::move(ordered));
    return true;
}

} // namespace

// The first pass: the bottom rows of every top key, which bottom rows find a
// partner, and so the exact size of the result before any row is built.
JoinPlan planJoin(
    const Dataset& top, int topKey, const KeyIndex& index, int bottomRows, bool caseSensitive)
{
    JoinPlan plan;
    plan.topChain.resize(top.rowCount());
    plan.bottomMatched.fill(0, bottomRows);
    // A key repeated down the top column (a city per person) is looked up
    // once.
    PerStoredValue<int> heads;
    const auto lookUp
        = [&](const QString& key) { return index.first(keyText(key, caseSensitive)); };
    for (int r = 0; r < top.rowCount(); ++r) {
        if (r == top.rowCount() / 2)
            plan.firstHalfPairs = plan.pairs;
        const int head = heads.get(top.value(r, topKey), lookUp);
        plan.topChain[r] = head;
        if (head < 0) {
            ++plan.topOnly;
            continue;
        }
        plan.pairs += index.chainLength(head);
        if (!plan.bottomMatched.at(head)) {
            ++plan.keysInBoth;
            for (int b = head; b >= 0; b = index.next(b))
                plan.bottomMatched[b] = 1;
        }
    }
    plan.bottomOnly = int(plan.bottomMatched.count(0));
    return plan;
}

QSet<QString> TransformJoin::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "combine", "link", "relate", "full", "sql", "match", "side", "xlookup" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformJoin::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Selection, QStringLiteral("By"), QStringLiteral("join by"),
        QStringLiteral("Key"), QStringList { QStringLiteral("Key"), QStringLiteral("Row number") })
        ->setTooltip(QStringLiteral("Join rows by common (key) column values or by row number."));
    addKeyColumnParameters(Column1, Column2);
    addParameter(
        ParameterType::Bool, KeepTop, QStringLiteral("include non-matching top rows"), false)
        ->setTooltip(
            QStringLiteral("Check to keep top rows that have no matching bottom row "
                           "(left join). Check both to keep every row (full outer join)."));
    addParameter(
        ParameterType::Bool, KeepBottom, QStringLiteral("include non-matching bottom rows"), false)
        ->setTooltip(
            QStringLiteral("Check to keep bottom rows that have no matching top row "
                           "(right join). Check both to keep every row (full outer join)."));
    addKeyCaseParameter(CaseSensitive);
    addParameter(ParameterType::Bool, DetailedReport, QStringLiteral("detailed report"), false)
        ->setTooltip(QStringLiteral("Check to report keys without a partner, duplicate keys and "
                                    "keys with leading or trailing whitespace (slower)."));
}

QList<QPair<QString, bool>> TransformJoin::optionStates() const
{
    const bool byKey = selectionParameter(QStringLiteral("By")) == ByKey;
    return { qMakePair(Column1, byKey), qMakePair(Column2, byKey), qMakePair(CaseSensitive, byKey),
        qMakePair(DetailedReport, byKey) };
}

bool TransformJoin::reorderInputs(const QList<TableSource*>& upstream)
{
    return reorderTwoInputs(upstream, Column1, Column2);
}

void TransformJoin::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (upstream.size() == 1) {
        output = upstream.first()->dataset();
        setSummary(QStringLiteral("Connect a second dataset"));
        return;
    }
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "By", "Column_1", "Column_2", "Include_Non_Matching_1",
            "Include_Non_Matching_2", "Case_Sensitive", "Detailed_Report" }))
        return;
    const Dataset& top = upstream.at(0)->dataset();
    const Dataset& bottom = upstream.at(1)->dataset();
    if (selectionParameter(QStringLiteral("By")) == ByRowNumber) {
        joinByRowNumber(output, top, bottom);
        return;
    }
    const int topKey = columnIn(*this, Column1, top);
    const int bottomKey = columnIn(*this, Column2, bottom);
    if (topKey < 0 || bottomKey < 0) {
        output = top;
        setSummary(QStringLiteral("No changes"));
        return;
    }
    joinByKey(output, upstream, topKey, bottomKey);
}

void TransformJoin::joinByKey(
    Dataset& output, const QList<TableSource*>& upstream, int topKey, int bottomKey)
{
    const Dataset& top = upstream.at(0)->dataset();
    const Dataset& bottom = upstream.at(1)->dataset();
    const bool caseSensitive = boolParameter(CaseSensitive, true);
    const bool keepTop = boolParameter(KeepTop);
    const bool keepBottom = boolParameter(KeepBottom);
    const QVector<int> bottomColumns = columnsExcept(bottom.columnCount(), bottomKey);
    // The names are set whether or not the inputs have a header, so that a
    // joined column keeps the name it had on its side.
    setCombinedColumns(
        output, { { &top, columnsExcept(top.columnCount()) }, { &bottom, bottomColumns } }, true);

    // Progress runs over the bottom rows while they are indexed, then over
    // the top rows.
    const int work = bottom.rowCount() + top.rowCount();
    const KeyIndex index(
        bottom, bottomKey, caseSensitive, [this, work](int i) { return reportProgress(i, work); });
    if (stopRequested())
        return;
    const JoinPlan plan = planJoin(top, topKey, index, bottom.rowCount(), caseSensitive);
    const qint64 total
        = plan.pairs + (keepTop ? plan.topOnly : 0) + (keepBottom ? plan.bottomOnly : 0);
    if (total > Transform::NoLimit) {
        addWarning(QStringLiteral("Too many rows"));
        setSummary(QStringLiteral("Too many rows"));
        return;
    }
    const RowBuilder build(top.columnCount(), bottomColumns);
    const auto progress = [&](int r) { return reportProgress(bottom.rowCount() + r, work); };
    // With at most one partner per top row (a lookup of a small table), the
    // top rows may be taken over and grown in place (see growTopRows); the
    // key report reads them afterwards, so it keeps them.
    const bool onePartnerEach = plan.pairs == top.rowCount() - plan.topOnly;
    QVector<Dataset::Row> taken = onePartnerEach && !boolParameter(DetailedReport)
        ? takeUpstreamRows(upstream, 0)
        : QVector<Dataset::Row>();
    if (!taken.isEmpty()) {
        if (!growTopRows(output, std::move(taken), bottom, plan, build, keepTop, progress))
            return;
    } else {
        output.reserveRows(int(total));
        if (!appendPairs(output, top, bottom, plan, index, build, progress))
            return;
        if (keepTop) {
            for (int r = 0; r < top.rowCount(); ++r) {
                if (plan.topChain.at(r) < 0)
                    output.appendSharedRow(build.topOnly(top.row(r)));
            }
        }
    }
    if (keepBottom) {
        for (int b = 0; b < bottom.rowCount(); ++b) {
            if (!plan.bottomMatched.at(b))
                output.appendSharedRow(
                    build.bottomOnly(bottom.row(b), topKey, bottom.value(b, bottomKey)));
        }
    }
    setSummary(countText(output.rowCount(), QStringLiteral("row"), QStringLiteral("rows"))
        + QStringLiteral(" joined"));
    addInformation(
        QStringLiteral("%1 rows have keys in both datasets").arg(formatInteger(plan.pairs, true)));
    if (boolParameter(DetailedReport))
        reportKeys(top, bottom, topKey, bottomKey, plan);
}

void TransformJoin::reportKeys(
    const Dataset& top, const Dataset& bottom, int topKey, int bottomKey, const JoinPlan& plan)
{
    const bool caseSensitive = boolParameter(CaseSensitive, true);
    const QString topLabel = parameter(Column1)->label();
    const QString bottomLabel = parameter(Column2)->label();
    const int topOnly = KeyReport::misses(
        *this, top, topKey, topLabel, [&](int r) { return plan.topChain.at(r) >= 0; });
    const int bottomOnly = KeyReport::misses(*this, bottom, bottomKey, bottomLabel,
        [&](int r) { return plan.bottomMatched.at(r) != 0; });
    addInformation(QStringLiteral("%1 unique keys appear in both datasets")
                       .arg(formatInteger(plan.keysInBoth, true)));
    addInformation(QStringLiteral("%1 top only").arg(formatInteger(topOnly, true)));
    addInformation(QStringLiteral("%1 bottom only").arg(formatInteger(bottomOnly, true)));
    KeyReport::duplicates(*this, top, topKey, topLabel, caseSensitive);
    KeyReport::duplicates(*this, bottom, bottomKey, bottomLabel, caseSensitive);
    KeyReport::whitespace(*this, top, topKey, topLabel);
    KeyReport::whitespace(*this, bottom, bottomKey, bottomLabel);
}

void TransformJoin::joinByRowNumber(Dataset& output, const Dataset& top, const Dataset& bottom)
{
    const bool keepTop = boolParameter(KeepTop);
    const bool keepBottom = boolParameter(KeepBottom);
    const int topRows = top.rowCount();
    const int bottomRows = bottom.rowCount();
    int rows = qMin(topRows, bottomRows);
    if (keepTop && keepBottom)
        rows = qMax(topRows, bottomRows);
    else if (keepTop)
        rows = topRows;
    else if (keepBottom)
        rows = bottomRows;
    setCombinedColumns(output,
        { { &top, columnsExcept(top.columnCount()) },
            { &bottom, columnsExcept(bottom.columnCount()) } },
        true);
    if (output.hasColumns()) {
        output.reserveRows(rows);
        const RowBuilder build(top.columnCount(), {});
        for (int i = 0; i < rows; ++i) {
            if (!reportProgress(i, rows))
                return;
            Dataset::Row row;
            row.reserve(output.columnCount());
            build.appendSide(row, top, i);
            build.appendSide(row, bottom, i);
            output.appendSharedRow(row);
        }
    }
    setSummary(countText(output.rowCount(), QStringLiteral("row"), QStringLiteral("rows"))
        + QStringLiteral(" joined"));
    const auto used = [](int available, int wanted) { return qMin(available, wanted); };
    addInformation(
        QStringLiteral("%1 used from %2 in top upstream dataset")
            .arg(countText(used(topRows, rows), QStringLiteral("row"), QStringLiteral("rows")),
                formatInteger(topRows, true)));
    addInformation(
        QStringLiteral("%1 used from %2 in bottom upstream dataset")
            .arg(countText(used(bottomRows, rows), QStringLiteral("row"), QStringLiteral("rows")),
                formatInteger(bottomRows, true)));
}
