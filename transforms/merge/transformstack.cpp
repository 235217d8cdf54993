#include "transforms/merge/transformstack.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/examples.h"

#include <QHash>

#include <algorithm>
#include <utility>

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

bool TransformStack::hasOptions()
{
    return requireParameters({ "Match_By", "Add_Source", "Source_Name" });
}

void TransformStack::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    m_lastOrder = inputOrder(upstream);
    if (!hasValidInputCount(upstream) || !hasOptions())
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

    QVector<const Dataset*> inputs;
    for (const TableSource* node : upstream)
        inputs << &node->dataset();
    output.setColumnCount(width);
    output.setColumnIds(stackedIds(plan, inputs, width));
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
    QStringList items;
    for (const TableSource* node : upstream)
        items << itemName(node);
    reportMissing(plan, names.mid(0, width - (addSource ? 1 : 0)), items);
    setStackSummary(total, upstream.size());
}

// Each output column keeps the identity of the first input column that feeds
// it, so options downstream follow it as they would a single input.
QVector<ColumnId> TransformStack::stackedIds(
    const QVector<QVector<int>>& plan, const QVector<const Dataset*>& inputs, int width)
{
    QVector<ColumnId> ids(width);
    QVector<bool> taken(width, false);
    for (int i = 0; i < plan.size(); ++i) {
        for (int c = 0; c < plan.at(i).size(); ++c) {
            const int to = plan.at(i).at(c);
            if (!std::exchange(taken[to], true))
                ids[to] = inputs.at(i)->columnId(c);
        }
    }
    return ids;
}

void TransformStack::setStackSummary(qint64 rows, int inputs)
{
    setSummary(countText(rows, QStringLiteral("row"), QStringLiteral("rows"))
        + QStringLiteral(" stacked from ")
        + countText(inputs, QStringLiteral("dataset"), QStringLiteral("datasets")));
}

// Each block of top rows, then the bottom table's rows, with their columns
// where the stacked table has them: a column is taken whole, not copied; a
// column a table lacks is empty, and a source column holds the item's name.
class StackBlocks : public RowBlockStage
{
public:
    struct Plan
    {
        QVector<QVector<int>> to;
        QStringList names; // the stacked columns', the source column's after
        QStringList items; // the two items' names
        bool addSource = false;
        bool header = false;
        QVector<ColumnId> ids;
    };

    StackBlocks(TransformStack* transform, const Dataset& bottom, Plan plan)
        : m_transform(transform), m_bottom(bottom), m_plan(std::move(plan))
    {
    }

    bool process(const Dataset& top, Dataset& output) override
    {
        if (top.columnCount() != m_plan.to.at(0).size())
            return false;
        output = stacked(top, 0);
        m_rows += top.rowCount();
        return true;
    }

    void finish(Dataset& output) override
    {
        output = stacked(m_bottom, 1);
        const int width = m_plan.names.size() - (m_plan.addSource ? 1 : 0);
        m_transform->reportMissing(m_plan.to, m_plan.names.mid(0, width), m_plan.items);
        m_transform->setStackSummary(m_rows + m_bottom.rowCount(), 2);
    }

private:
    Dataset stacked(const Dataset& rows, int input) const
    {
        const int count = rows.rowCount();
        QVector<TextColumn> columns(m_plan.names.size());
        QVector<bool> filled(columns.size(), false);
        const QVector<int>& to = m_plan.to.at(input);
        for (int c = 0; c < to.size(); ++c) {
            columns[to.at(c)] = rows.column(c);
            filled[to.at(c)] = true;
        }
        if (m_plan.addSource) {
            for (int r = 0; r < count; ++r)
                columns.last().append(m_plan.items.at(input));
            filled.last() = true;
        }
        for (int c = 0; c < columns.size(); ++c) {
            if (!filled.at(c))
                columns[c].appendEmpty(count);
        }
        Dataset out;
        out.setColumns(std::move(columns), count);
        out.setColumnIds(m_plan.ids);
        out.makeColumnIdsUnique();
        if (m_plan.header)
            out.setHeader(m_plan.names);
        return out;
    }

    TransformStack* m_transform;
    const Dataset m_bottom;
    const Plan m_plan;
    qint64 m_rows = 0;
};

std::unique_ptr<RowBlockStage> TransformStack::topBlockStage(
    const TableSource& top, const TableSource& bottom)
{
    if (!hasOptions())
        return nullptr;
    const Dataset& first = top.dataset();
    const Dataset& rows = bottom.dataset();
    StackBlocks::Plan plan;
    plan.to = columnPlan({ first.columnNames(), rows.columnNames() },
        selectionParameter(MatchBy) == ByName, plan.names);
    if (plan.names.isEmpty())
        return nullptr;
    plan.items = QStringList { itemName(&top), itemName(&bottom) };
    plan.addSource = boolParameter(AddSource);
    plan.header = first.hasHeader() || rows.hasHeader() || plan.addSource;
    plan.ids = stackedIds(plan.to, { &first, &rows }, plan.names.size() + (plan.addSource ? 1 : 0));
    if (plan.addSource)
        plan.names << textParameter(SourceName);
    return std::make_unique<StackBlocks>(this, rows, std::move(plan));
}

void TransformStack::reportMissing(
    const QVector<QVector<int>>& plan, const QStringList& outputNames, const QStringList& items)
{
    if (items.size() < 2)
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
                    .arg(items.at(i),
                        missing.size() == 1 ? QStringLiteral("column") : QStringLiteral("columns"),
                        quotedExamples(missing)));
    }
}
