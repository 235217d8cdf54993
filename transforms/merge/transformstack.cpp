#include "transforms/merge/transformstack.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/examples.h"

#include <QHash>

#include <algorithm>

namespace {

const QString MatchBy = QStringLiteral("Match_By");
const QString AddSource = QStringLiteral("Add_Source");
const QString SourceName = QStringLiteral("Source_Name");

enum Match { ByName = 0, ByPosition = 1 };

QString itemName(const TableSource* node)
{
    return node->displayName();
}

} // namespace

QSet<QString> TransformStack::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "vertical", "rbind", "bind", "union", "all", "rows", "together" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformStack::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Selection, MatchBy, QStringLiteral("match columns by"),
        QStringLiteral("Name"), QStringList { QStringLiteral("Name"), QStringLiteral("Position") })
        ->setTooltip(QStringLiteral("Put values under the column of the same name, or under the "
                                    "column at the same position."));
    addParameter(ParameterType::Bool, AddSource, QStringLiteral("add source column"), false)
        ->setTooltip(QStringLiteral("Check to add a column holding the name of the upstream item "
                                    "each row came from."));
    addParameter(ParameterType::Text, SourceName, QStringLiteral("source column name"),
        QStringLiteral("Source"))
        ->setTooltip(QStringLiteral("The name of the column holding the upstream item names."));
}

QList<QPair<QString, bool>> TransformStack::optionStates() const
{
    return { qMakePair(SourceName, boolParameter(AddSource)) };
}

// Items of the same name are told apart by their ids.
QStringList TransformStack::inputOrder(const QList<TableSource*>& upstream)
{
    QStringList order;
    for (const TableSource* node : upstream)
        order << QStringLiteral("%1:%2").arg(node->id()).arg(itemName(node));
    return order;
}

bool TransformStack::reorderInputs(const QList<TableSource*>& upstream)
{
    const QStringList order = inputOrder(upstream);
    const bool changed = order != m_lastOrder;
    m_lastOrder = order;
    return changed;
}

QVector<QVector<int>> TransformStack::columnPlan(
    const QVector<QStringList>& inputNames, bool byName, QStringList& outputNames)
{
    outputNames.clear();
    QVector<QVector<int>> plan;
    // Name plus its occurrence within one input -> output position.
    QHash<QPair<QString, int>, int> positions;
    for (const QStringList& names : inputNames) {
        QVector<int> columns;
        QHash<QString, int> seen;
        for (int c = 0; c < names.size(); ++c) {
            if (!byName) {
                if (c >= outputNames.size())
                    outputNames << names.at(c);
                columns << c;
                continue;
            }
            const QPair<QString, int> key(names.at(c), seen[names.at(c)]++);
            auto it = positions.find(key);
            if (it == positions.end()) {
                it = positions.insert(key, outputNames.size());
                outputNames << names.at(c);
            }
            columns << it.value();
        }
        plan << columns;
    }
    return plan;
}

void TransformStack::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    m_lastOrder = inputOrder(upstream);
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Match_By", "Add_Source", "Source_Name" }))
        return;
    QVector<QStringList> inputNames;
    bool anyHeader = false;
    int total = 0;
    for (const TableSource* node : upstream) {
        inputNames << node->dataset().columnNames();
        anyHeader = anyHeader || node->dataset().hasHeader();
        total += node->dataset().rowCount();
    }
    QStringList names;
    const QVector<QVector<int>> plan
        = columnPlan(inputNames, selectionParameter(MatchBy) == ByName, names);
    const bool addSource = boolParameter(AddSource);
    const int width = names.size() + (addSource ? 1 : 0);
    if (width == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }

    // Each output column keeps the identity of the first input column that
    // feeds it, so options downstream follow it as they would a single input.
    QVector<ColumnId> ids(width);
    QVector<bool> taken(width, false);
    for (int i = 0; i < plan.size(); ++i) {
        for (int c = 0; c < plan.at(i).size(); ++c) {
            const int to = plan.at(i).at(c);
            if (!taken.at(to)) {
                ids[to] = upstream.at(i)->dataset().columnId(c);
                taken[to] = true;
            }
        }
    }
    output.setColumnCount(width);
    output.setColumnIds(ids);
    output.makeColumnIdsUnique();
    if (addSource)
        names << textParameter(SourceName);
    if (anyHeader || addSource)
        output.setHeader(names);
    output.reserveRows(total);

    int done = 0;
    for (int i = 0; i < upstream.size(); ++i) {
        const Dataset& data = upstream.at(i)->dataset();
        const QVector<int>& to = plan.at(i);
        const QString source = itemName(upstream.at(i));
        for (int r = 0; r < data.rowCount(); ++r, ++done) {
            if (!reportProgress(done, total))
                return;
            const Dataset::Row& in = data.row(r);
            if (!addSource && to.size() == width && std::is_sorted(to.begin(), to.end())) {
                // Columns in place: the row is shared, not copied.
                output.appendRow(in);
                continue;
            }
            Dataset::Row row;
            row.reserve(width);
            for (int c = 0; c < width; ++c)
                row.append(QString());
            for (int c = 0; c < in.size() && c < to.size(); ++c)
                row[to.at(c)] = in.at(c);
            if (addSource)
                row[width - 1] = source;
            output.appendRow(row);
        }
    }
    reportMissing(plan, names.mid(0, width - (addSource ? 1 : 0)), upstream);
    setStackSummary(total, upstream.size());
}

void TransformStack::setStackSummary(qint64 rows, int inputs)
{
    setSummary(countText(rows, QStringLiteral("row"), QStringLiteral("rows"))
        + QStringLiteral(" stacked from ")
        + countText(inputs, QStringLiteral("dataset"), QStringLiteral("datasets")));
}

// Each block of top rows, then the bottom table's rows, with their columns
// where the stacked table has them: a column is taken whole, not copied.
class StackBlocks : public RowBlockStage
{
public:
    StackBlocks(TransformStack* transform, const Dataset& bottom, const QVector<QVector<int>>& plan,
        const QStringList& names, bool header, const QVector<ColumnId>& ids)
        : m_transform(transform),
          m_bottom(bottom),
          m_plan(plan),
          m_names(names),
          m_header(header),
          m_ids(ids)
    {
    }

    bool process(const Dataset& top, Dataset& output) override
    {
        if (top.columnCount() != m_plan.at(0).size())
            return false;
        output = stacked(top, m_plan.at(0));
        m_rows += top.rowCount();
        return true;
    }

    void finish(Dataset& output) override
    {
        output = stacked(m_bottom, m_plan.at(1));
        m_transform->setStackSummary(m_rows + m_bottom.rowCount(), 2);
    }

private:
    Dataset stacked(const Dataset& rows, const QVector<int>& to) const
    {
        QVector<TextColumn> columns(m_names.size());
        for (int c = 0; c < to.size(); ++c)
            columns[to.at(c)] = rows.column(c);
        Dataset out;
        out.setColumns(std::move(columns), rows.rowCount());
        out.setColumnIds(m_ids);
        out.makeColumnIdsUnique();
        if (m_header)
            out.setHeader(m_names);
        return out;
    }

    TransformStack* m_transform;
    const Dataset m_bottom;
    QVector<QVector<int>> m_plan;
    QStringList m_names;
    bool m_header;
    QVector<ColumnId> m_ids;
    qint64 m_rows = 0;
};

std::unique_ptr<RowBlockStage> TransformStack::topBlockStage(
    const Dataset& firstTop, const Dataset& bottom)
{
    if (!requireParameters({ "Match_By", "Add_Source", "Source_Name" }) || boolParameter(AddSource))
        return nullptr;
    QStringList names;
    const QVector<QVector<int>> plan = columnPlan({ firstTop.columnNames(), bottom.columnNames() },
        selectionParameter(MatchBy) == ByName, names);
    // Every stacked column in both tables, each once: nothing to warn about.
    for (const QVector<int>& to : plan) {
        QVector<int> sorted = to;
        std::sort(sorted.begin(), sorted.end());
        if (to.size() != names.size()
            || std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
            return nullptr;
    }
    if (names.isEmpty())
        return nullptr;
    // Each stacked column keeps the identity of the top column that feeds
    // it, as the whole table's does.
    QVector<ColumnId> ids(names.size());
    for (int c = 0; c < plan.at(0).size(); ++c)
        ids[plan.at(0).at(c)] = firstTop.columnId(c);
    const bool header = firstTop.hasHeader() || bottom.hasHeader();
    return std::make_unique<StackBlocks>(this, bottom, plan, names, header, ids);
}

void TransformStack::reportMissing(const QVector<QVector<int>>& plan,
    const QStringList& outputNames, const QList<TableSource*>& upstream)
{
    if (upstream.size() < 2)
        return;
    const int stacked = outputNames.size();
    for (int i = 0; i < plan.size(); ++i) {
        QVector<bool> present(stacked, false);
        for (int to : plan.at(i))
            present[to] = true;
        QStringList missing;
        for (int c = 0; c < stacked && c < present.size(); ++c) {
            if (!present.at(c))
                missing << outputNames.at(c);
        }
        if (!missing.isEmpty())
            addWarning(
                QStringLiteral("'%1' has no %2 %3: left empty")
                    .arg(itemName(upstream.at(i)),
                        missing.size() == 1 ? QStringLiteral("column") : QStringLiteral("columns"),
                        quotedExamples(missing)));
    }
}
