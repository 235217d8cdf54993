#include "transforms/merge/transformjoin.h"

#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/keyreport.h"
#include "transforms/support/mergeutil.h"
#include "transforms/support/spillrows.h"
#include "transforms/support/storedvalues.h"

#include <QFileInfo>
#include <QStringList>

#include <limits>

namespace {

const QString Column1 = QStringLiteral("Column_1");
const QString Column2 = QStringLiteral("Column_2");
const QString CaseSensitive = QStringLiteral("Case_Sensitive");
const QString DetailedReport = QStringLiteral("Detailed_Report");
const QString KeepTop = QStringLiteral("Include_Non_Matching_1");
const QString KeepBottom = QStringLiteral("Include_Non_Matching_2");

enum JoinBy { ByKey = 0, ByRowNumber = 1 };

// The share of the memory limit, in percent, the top rows without a partner
// may take before they wait on disk for the end: the bottom table and the
// blocks going through take the rest.
constexpr int TopOnlyShare = 30;

const QString JoinStopped = QStringLiteral("Join was stopped before it finished.");

// The rows of a join as pairs of a top and a bottom row number (-1 for
// none), in output order.
struct JoinedRows
{
    QVector<int> top;
    QVector<int> bottom;
    void reserve(qint64 count)
    {
        top.reserve(int(count));
        bottom.reserve(int(count));
    }
    void add(int topRow, int bottomRow)
    {
        top.append(topRow);
        bottom.append(bottomRow);
    }
};

// Every top row with each of its partners, in top row order. False when
// stopped.
template <typename Progress>
bool addPairs(JoinedRows& rows, int topRows, const JoinPlan& plan, const KeyIndex& index,
    const Progress& progress)
{
    for (int r = 0; r < topRows; ++r) {
        if ((r & 0xfff) == 0 && !progress(r))
            return false;
        for (int b = plan.topChain.at(r); b >= 0; b = index.next(b))
            rows.add(r, b);
    }
    return true;
}

// Adds the bottom rows no top row matched (when kept) after the rows
// gathered, and puts them all in the empty output: a bottom-only row shows
// its key in the top key's place.
void appendWithBottomOnly(Dataset& output, JoinedRows& rows, const Dataset& top, int topKey,
    const Dataset& bottom, int bottomKey, const QVector<int>& bottomColumns,
    const QVector<char>& bottomMatched, bool keepBottom)
{
    const int firstBottomOnly = rows.top.size();
    for (int b = 0; keepBottom && b < bottom.rowCount(); ++b) {
        if (!bottomMatched.at(b))
            rows.add(-1, b);
    }
    output.appendJoinedRows(top, rows.top, bottom, bottomColumns, rows.bottom);
    for (int i = firstBottomOnly; i < rows.bottom.size(); ++i)
        output.setValue(i, topKey, bottom.value(rows.bottom.at(i), bottomKey));
}

} // namespace

// A join by key taking the top rows in blocks: each block's pairs go on at
// once, in top order as in the whole join; the top rows without a partner
// (kept for a left join) and the bottom rows without one (a right join)
// come after every pair, so they are kept for the end: the top ones in
// memory up to their share of the memory limit, then on disk in their
// order. The bottom table is indexed once.
class JoinBlocks : public RowBlockStage, private SpillStep
{
public:
    JoinBlocks(TransformJoin* transform, const Dataset& bottom, int topKey, int bottomKey)
        : SpillStep(transform, transform->runContext()),
          m_transform(transform),
          m_bottom(bottom),
          m_topKey(topKey),
          m_bottomKey(bottomKey),
          m_caseSensitive(transform->boolParameter(CaseSensitive, true)),
          m_keepTop(transform->boolParameter(KeepTop)),
          m_keepBottom(transform->boolParameter(KeepBottom)),
          m_bottomColumns(columnsExcept(bottom.columnCount(), bottomKey)),
          m_index(bottom, bottomKey, m_caseSensitive),
          m_bottomMatched(bottom.rowCount(), 0),
          m_budget(transform->runContext(), TopOnlyShare)
    {
    }

    bool process(const Dataset& top, Dataset& output) override;
    void finish(Dataset& output) override
    {
        finishInBlocks(output, std::numeric_limits<int>::max(), [] { return true; });
    }
    bool finishInBlocks(
        Dataset& output, int blockRows, const std::function<bool()>& passOn) override;
    QString failure() const override { return m_failure; }

private:
    void setColumns(Dataset& output, const Dataset& top) const
    {
        setCombinedColumns(output,
            { { &top, columnsExcept(top.columnCount()) }, { &m_bottom, m_bottomColumns } }, true);
    }
    bool keepTopOnly(const Dataset& kept);
    // The top rows without a partner as joined rows, and the bottom rows
    // without one after them when last.
    void appendEnd(Dataset& output, const Dataset& topOnly, bool last) const;
    bool passTopOnlyFromDisk(Dataset& output, int blockRows, const std::function<bool()>& passOn);
    bool ended(bool done) { return SpillStep::ended(done, JoinStopped); }

    TransformJoin* m_transform;
    const Dataset m_bottom;
    int m_topKey;
    int m_bottomKey;
    bool m_caseSensitive;
    bool m_keepTop;
    bool m_keepBottom;
    QVector<int> m_bottomColumns;
    KeyIndex m_index;
    QVector<char> m_bottomMatched;
    // The top rows without a partner so far (while in memory), and an empty
    // block of the top columns.
    Dataset m_topOnly;
    SpillBudget m_budget;
    std::unique_ptr<SpillWriter> m_topOnlyFile;
    qint64 m_topOnlyOnDisk = 0;
    SpilledBlocks m_blocks;
    qint64 m_pairs = 0;
};

bool JoinBlocks::process(const Dataset& top, Dataset& output)
{
    if (!m_topOnly.hasColumns()) {
        m_topOnly = top;
        m_topOnly.selectRows({});
        m_blocks.setShape(top);
    } else if (top.columnCount() != m_topOnly.columnCount()) {
        return false;
    }
    const JoinPlan plan = planJoin(top, m_topKey, m_index, m_bottom.rowCount(), m_caseSensitive);
    setColumns(output, top);
    JoinedRows rows;
    rows.reserve(plan.pairs);
    if (!addPairs(rows, top.rowCount(), plan, m_index, [this](int) { return !stopped(); }))
        return false;
    output.appendJoinedRows(top, rows.top, m_bottom, m_bottomColumns, rows.bottom);
    m_pairs += plan.pairs;
    for (int b = 0; b < m_bottomMatched.size(); ++b)
        m_bottomMatched[b] |= plan.bottomMatched.at(b);
    if (m_keepTop && plan.topOnly > 0) {
        QVector<int> topOnly;
        topOnly.reserve(plan.topOnly);
        for (int r = 0; r < top.rowCount(); ++r) {
            if (plan.topChain.at(r) < 0)
                topOnly.append(r);
        }
        Dataset kept = top;
        kept.selectRows(topOnly);
        if (!keepTopOnly(kept))
            return false;
    }
    // A result the whole join would refuse as too many rows is left to it.
    return m_pairs + m_topOnlyOnDisk + m_topOnly.rowCount() + m_bottom.rowCount()
        <= Transform::NoLimit;
}

// Holds the top rows without a partner, or writes them to disk once they
// are past their share (and every later one after them).
bool JoinBlocks::keepTopOnly(const Dataset& kept)
{
    if (!m_topOnlyFile) {
        if (!m_budget.hold(m_topOnly, kept))
            return true;
        m_topOnlyFile = std::make_unique<SpillWriter>(m_budget.folder());
        if (!m_topOnlyFile->open())
            return fail(m_topOnlyFile->errorText());
        m_budget.addRun();
    }
    const Dataset& rows = m_topOnly.rowCount() > 0 ? m_topOnly : kept;
    const bool written = writeSpillRows(
        rows, m_topOnlyOnDisk, QVector<int>(), m_topOnlyFile.get(), [this] { return stopped(); });
    if (!written) {
        if (!stopped())
            fail(m_topOnlyFile->errorText());
        return ended(false);
    }
    m_topOnlyOnDisk += rows.rowCount();
    m_topOnly.selectRows({});
    return true;
}

void JoinBlocks::appendEnd(Dataset& output, const Dataset& topOnly, bool last) const
{
    output.clear();
    setColumns(output, topOnly);
    JoinedRows rows;
    for (int r = 0; r < topOnly.rowCount(); ++r)
        rows.add(r, -1);
    appendWithBottomOnly(output, rows, topOnly, m_topKey, m_bottom, m_bottomKey, m_bottomColumns,
        m_bottomMatched, m_keepBottom && last);
}

bool JoinBlocks::finishInBlocks(Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    qint64 endRows = 0;
    if (m_topOnlyFile) {
        if (!ended(passTopOnlyFromDisk(output, blockRows, passOn)))
            return false;
        endRows = m_topOnlyOnDisk;
    }
    // What is left: the top rows held, and the bottom rows without a partner.
    appendEnd(output, m_topOnly, true);
    endRows += output.rowCount();
    m_transform->setJoinMessages(m_pairs + endRows, m_pairs);
    if (m_topOnlyFile) {
        // Said because the user did not choose it.
        m_transform->addInformation(
            QStringLiteral("The top rows without a partner took more than %1% of the memory "
                           "limit: kept on disk until the end (%2 MB in '%3')")
                .arg(TopOnlyShare)
                .arg(qMax<qint64>(1, QFileInfo(m_topOnlyFile->path()).size() >> 20))
                .arg(m_budget.where()));
    }
    return passOn();
}

// Reads the top rows without a partner back from disk, in their order, and
// hands them on joined in blocks.
bool JoinBlocks::passTopOnlyFromDisk(
    Dataset& output, int blockRows, const std::function<bool()>& passOn)
{
    if (!m_topOnlyFile->close())
        return fail(m_topOnlyFile->errorText());
    SpillReader reader(m_topOnlyFile->path());
    if (!reader.open())
        return fail(reader.errorText());
    const int reserve = int(qMin<qint64>(blockRows, m_topOnlyOnDisk));
    QVector<SpillReader::Cell> cells;
    qint64 row = 0;
    Dataset block;
    m_blocks.start(reserve);
    const auto passJoined = [&] {
        appendEnd(output, block, false);
        return passOn();
    };
    while (reader.next(&row, &cells)) {
        if (!m_blocks.appendAfterFull(cells, blockRows, reserve, block, passJoined))
            return false;
        // The rows read back are the join's last work: its progress.
        if (row % 1024 == 0 && !progress(qreal(row) / qreal(m_topOnlyOnDisk)))
            return false;
    }
    if (!reader.errorText().isEmpty())
        return fail(reader.errorText());
    m_blocks.end(block);
    return passJoined();
}

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
    if (!hasValidInputCount(upstream) || !hasOptions())
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
    const auto progress = [&](int r) { return reportProgress(bottom.rowCount() + r, work); };
    JoinedRows rows;
    rows.reserve(total);
    if (!addPairs(rows, top.rowCount(), plan, index, progress))
        return;
    for (int r = 0; keepTop && r < top.rowCount(); ++r) {
        if (plan.topChain.at(r) < 0)
            rows.add(r, -1);
    }
    appendWithBottomOnly(output, rows, top, topKey, bottom, bottomKey, bottomColumns,
        plan.bottomMatched, keepBottom);
    setJoinMessages(output.rowCount(), plan.pairs);
    if (boolParameter(DetailedReport))
        reportKeys(top, bottom, topKey, bottomKey, plan);
}

bool TransformJoin::hasOptions()
{
    return requireParameters({ "By", "Column_1", "Column_2", "Include_Non_Matching_1",
        "Include_Non_Matching_2", "Case_Sensitive", "Detailed_Report" });
}

void TransformJoin::setJoinMessages(qint64 rows, qint64 pairs)
{
    setSummary(
        countText(rows, QStringLiteral("row"), QStringLiteral("rows")) + QStringLiteral(" joined"));
    addInformation(
        QStringLiteral("%1 rows have keys in both datasets").arg(formatInteger(pairs, true)));
}

std::unique_ptr<RowBlockStage> TransformJoin::topBlockStage(
    const TableSource& top, const TableSource& bottom)
{
    const Dataset& firstTop = top.dataset();
    const Dataset& bottomRows = bottom.dataset();
    // The key reports and a join by row number need the whole top table.
    if (!hasOptions() || selectionParameter(QStringLiteral("By")) != ByKey
        || boolParameter(DetailedReport))
        return nullptr;
    const int topKey = columnIn(*this, Column1, firstTop);
    const int bottomKey = columnIn(*this, Column2, bottomRows);
    if (topKey < 0 || bottomKey < 0)
        return nullptr;
    return std::make_unique<JoinBlocks>(this, bottomRows, topKey, bottomKey);
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
        JoinedRows pairs;
        pairs.reserve(rows);
        for (int i = 0; i < rows; ++i)
            pairs.add(i < topRows ? i : -1, i < bottomRows ? i : -1);
        output.appendJoinedRows(
            top, pairs.top, bottom, columnsExcept(bottom.columnCount()), pairs.bottom);
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
