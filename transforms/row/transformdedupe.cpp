#include "transforms/row/transformdedupe.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/duplicategroups.h"

namespace {

const QStringList& informationColumnNames()
{
    static const QStringList names = { QStringLiteral("Group"), QStringLiteral("Row"),
        QStringLiteral("Closeness"), QStringLiteral("Duplicate"), QStringLiteral("Duplicates") };
    return names;
}

// Appends the information columns, empty, and returns the first one's
// position.
int appendInformationColumns(Dataset& output)
{
    const int first = output.columnCount();
    for (const QString& name : informationColumnNames()) {
        const int column = output.columnCount();
        output.appendColumn();
        output.setColumnName(column, name);
    }
    return first;
}

// The rows grouped together, groups in the order of their first rows and rows
// in upstream order within a group.
QVector<int> rowsByGroup(const DuplicateGroups& groups)
{
    QVector<int> next(groups.groupCount());
    int start = 0;
    for (int g = 0; g < groups.groupCount(); ++g) {
        next[g] = start;
        start += groups.sizes.at(g);
    }
    QVector<int> order(groups.group.size());
    for (int r = 0; r < groups.group.size(); ++r)
        order[next[groups.group.at(r)]++] = r;
    return order;
}

bool isIdentity(const QVector<int>& order, int rowCount)
{
    if (order.size() != rowCount)
        return false;
    for (int i = 0; i < order.size(); ++i) {
        if (order.at(i) != i)
            return false;
    }
    return true;
}

} // namespace

QString TransformDedupe::description() const
{
    return QStringLiteral("Remove duplicate rows, keep only the duplicates, or add duplicate "
                          "information. Rows can match exactly or fuzzily.");
}

QSet<QString> TransformDedupe::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "dedup", "deduplication", "dupe", "dupes", "duplicated", "distinct",
             "similar", "close", "closeness", "approximate", "levenshtein", "repeated", "redundant",
             "identical", "remove", "doubles" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformDedupe::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("columns"))
        ->setTooltip(QStringLiteral("Rows are compared by their values in these columns."));
    addParameter(ParameterType::Selection, QStringLiteral("Match_Type"),
        QStringLiteral("match type"), QStringLiteral("Exact"), QStringList { "Exact", "Fuzzy" })
        ->setTooltip(QStringLiteral("Exact: rows must be the same. Fuzzy: rows must be at least "
                                    "as close as the fuzziness."));
    TransformParameter* fuzziness = addParameter(
        ParameterType::Int, QStringLiteral("Fuzziness"), QStringLiteral("fuzziness"), 80);
    fuzziness->setIntRange(0, 100);
    fuzziness->setSuffix(QStringLiteral("%"));
    fuzziness->setTooltip(QStringLiteral("The least closeness, as a percentage, for two rows to "
                                         "count as duplicates. 100% only matches identical "
                                         "rows."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), true)
        ->setTooltip(QStringLiteral("Letter case counts when comparing."));
    addParameter(ParameterType::Bool, QStringLiteral("Ignore_Spaces"),
        QStringLiteral("ignore whitespace"), false)
        ->setTooltip(QStringLiteral("Drop whitespace characters before comparing."));
    addParameter(ParameterType::Bool, QStringLiteral("Ignore_Punctuation"),
        QStringLiteral("ignore punctuation"), false)
        ->setTooltip(QStringLiteral("Drop punctuation characters before comparing."));
    addParameter(ParameterType::Selection, QStringLiteral("Dedupe_Mode"), QStringLiteral("mode"),
        QStringLiteral("Remove duplicates"),
        QStringList { "Remove duplicates", "Keep only duplicates", "Add duplicate information" })
        ->setTooltip(QStringLiteral("What to do with the duplicates."));
    addParameter(
        ParameterType::Bool, QStringLiteral("Drilldown"), QStringLiteral("allow drilldown"), false)
        ->setTooltip(QStringLiteral("Allow double click to drilldown in the data table."));
}

QList<QPair<QString, bool>> TransformDedupe::optionStates() const
{
    return { { QStringLiteral("Fuzziness"),
        selectionParameter(QStringLiteral("Match_Type")) == 1 } };
}

// Fuzzy grouping is slow enough to report often, so that the progress window
// moves and a stop takes effect soon.
bool TransformDedupe::reportRow(int row, int rowCount, bool fuzzy)
{
    if (!fuzzy)
        return reportProgress(row, rowCount);
    if (row % 25 == 0 && rowCount > 0)
        emit processed(qreal(row) / rowCount);
    return !stopRequested();
}

bool TransformDedupe::hasOptions()
{
    return requireParameters({ "Columns", "Match_Type", "Fuzziness", "Case_Sensitive",
        "Ignore_Spaces", "Ignore_Punctuation", "Dedupe_Mode", "Drilldown" });
}

void TransformDedupe::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!hasOptions())
        return;
    dedupeTable(output, upstream.first()->dataset(), error);
}

void TransformDedupe::dedupeTable(Dataset& output, const Dataset& input, bool& error)
{
    output = input;
    // The upstream drilldown points at rows that no longer stand where they
    // did.
    output.clearDrilldown();
    const auto mode = Mode(selectionParameter(QStringLiteral("Dedupe_Mode")));
    const QVector<int> columns = columnIndexes(QStringLiteral("Columns"), true);
    if (columns.isEmpty()) {
        if (mode == AddDuplicateInformation)
            appendInformationColumns(output);
        setSummary(QStringLiteral("No changes"));
        return;
    }
    DuplicateOptions options;
    options.fuzzy = selectionParameter(QStringLiteral("Match_Type")) == 1;
    options.fuzziness = options.fuzzy ? intParameter(QStringLiteral("Fuzziness")) : 100;
    options.caseSensitive = boolParameter(QStringLiteral("Case_Sensitive"));
    options.ignoreSpaces = boolParameter(QStringLiteral("Ignore_Spaces"));
    options.ignorePunctuation = boolParameter(QStringLiteral("Ignore_Punctuation"));
    DuplicateGroups groups;
    const bool fuzzy = options.fuzzy;
    if (!findDuplicates(input, columns, options, groups,
            [this, fuzzy](int row, int rows) { return reportRow(row, rows, fuzzy); })) {
        setStopped(output, input);
        error = true;
        return;
    }
    QVector<int> order;
    if (mode == AddDuplicateInformation) {
        order = rowsByGroup(groups);
    } else {
        order.reserve(input.rowCount());
        for (int r = 0; r < input.rowCount(); ++r) {
            if (groups.isFirst(r) == (mode == RemoveDuplicates))
                order.append(r);
        }
    }
    if (!isIdentity(order, input.rowCount()))
        output.selectRows(order);
    const int groupColumn
        = mode == AddDuplicateInformation ? addInformationColumns(output, groups, order) : -1;
    if (boolParameter(QStringLiteral("Drilldown")))
        addDrilldown(output, groups, order, columns, groupColumn);
    setRemovedSummary(mode, input.rowCount() - output.rowCount());
}

void TransformDedupe::setStopped(Dataset& output, const Dataset& columns)
{
    output = columns;
    output.clearDrilldown();
    addWarning(QStringLiteral("Dedupe was stopped before it finished."));
    setSummary(QStringLiteral("No changes"));
}

void TransformDedupe::setRemovedSummary(Mode mode, qint64 removed)
{
    if (mode == AddDuplicateInformation)
        setSummary(QStringLiteral("Duplicate information added"));
    else if (removed == 0)
        setSummary(QStringLiteral("No changes"));
    else
        setSummary(QStringLiteral("%1 removed")
                       .arg(countText(removed, QStringLiteral("row"), QStringLiteral("rows"))));
}

int TransformDedupe::addInformationColumns(
    Dataset& output, const DuplicateGroups& groups, const QVector<int>& order)
{
    const int first = appendInformationColumns(output);
    const QString yes = QStringLiteral("true");
    const QString no = QStringLiteral("false");
    for (int i = 0; i < order.size(); ++i) {
        const int r = order.at(i);
        const int g = groups.group.at(r);
        const bool duplicate = !groups.isFirst(r);
        output.setValue(i, first, QString::number(g + 1));
        output.setValue(i, first + 1, QString::number(r + 1));
        output.setValue(
            i, first + 2, duplicate ? QString::number(groups.closeness.at(r)) : QString());
        output.setValue(i, first + 3, duplicate ? yes : no);
        output.setValue(i, first + 4, QString::number(groups.sizes.at(g) - 1));
    }
    return first;
}

// A group with duplicates is drilled into from its first row in the output:
// the compared cells of that row (and its "Group" cell) lead to every
// upstream row of the group. Recording it on one row per group keeps the map
// as large as the data at most, however big the groups.
void TransformDedupe::addDrilldown(Dataset& output, const DuplicateGroups& groups,
    const QVector<int>& order, const QVector<int>& columns, int groupColumn)
{
    QVector<int> cells = columns;
    if (groupColumn >= 0)
        cells.append(groupColumn);
    QVector<QVector<int>> members(groups.groupCount());
    for (int r = 0; r < groups.group.size(); ++r) {
        const int g = groups.group.at(r);
        if (groups.sizes.at(g) > 1)
            members[g].append(r);
    }
    QVector<bool> done(groups.groupCount(), false);
    for (int i = 0; i < order.size(); ++i) {
        const int g = groups.group.at(order.at(i));
        if (done[g] || members[g].isEmpty())
            continue;
        done[g] = true;
        for (int c : qAsConst(cells)) {
            for (int r : qAsConst(members[g]))
                output.addDrilldown(i, c, r);
        }
    }
}
