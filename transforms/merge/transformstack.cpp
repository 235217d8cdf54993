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
    setSummary(countText(total, QStringLiteral("row"), QStringLiteral("rows"))
        + QStringLiteral(" stacked from ")
        + countText(upstream.size(), QStringLiteral("dataset"), QStringLiteral("datasets")));
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
