#include "transforms/analysis/transformdifference.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/examples.h"
#include "transforms/support/rowdifference.h"

namespace {

const QString CompareBy = QStringLiteral("Compare_By");
const QString TopKeys = QStringLiteral("Top_Key_Columns");
const QString BottomKeys = QStringLiteral("Bottom_Key_Columns");
const QString CaseSensitive = QStringLiteral("Case_Sensitive");
const QString ShowUnchanged = QStringLiteral("Show_Unchanged");

enum By { ByKey = 0, ByRowNumber = 1 };

// Changed cells are marked like a verification warning.
constexpr int ChangedCellStatus = 1;

QVector<int> resolvedIn(const TransformParameter* p, const Dataset& data)
{
    QVector<int> columns;
    if (!p)
        return columns;
    for (const ColumnRef& ref : p->columnRefs()) {
        const int c = ref.id.isValid() ? data.columnIndex(ref.id)
                                       : (data.isValidColumn(ref.position) ? ref.position : -1);
        if (c >= 0)
            columns << c;
    }
    return columns;
}

QStringList namesOf(const Dataset& data, const QVector<int>& columns)
{
    QStringList names;
    for (int c : columns)
        names << data.columnName(c);
    return names;
}

} // namespace

QString TransformDifference::kindText(int kind)
{
    switch (kind) {
    case RowDifference::Added:
        return QStringLiteral("Added");
    case RowDifference::Removed:
        return QStringLiteral("Removed");
    case RowDifference::Changed:
        return QStringLiteral("Changed");
    default:
        return QStringLiteral("Unchanged");
    }
}

QSet<QString> TransformDifference::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "added", "removed", "changed", "delta", "versions", "audit" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformDifference::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Selection, CompareBy, QStringLiteral("compare by"),
        QStringLiteral("Key columns"),
        QStringList { QStringLiteral("Key columns"), QStringLiteral("Row number") })
        ->setTooltip(QStringLiteral("Pair the rows by common (key) column values or by row "
                                    "number."));
    addParameter(ParameterType::MultipleColumns, TopKeys, QStringLiteral("top key columns"))
        ->setTooltip(QStringLiteral("Select the key columns in the top upstream dataset."));
    addParameter(ParameterType::MultipleColumns, BottomKeys, QStringLiteral("bottom key columns"))
        ->setTooltip(QStringLiteral("Select the key columns in the bottom upstream dataset, in "
                                    "the same order as the top ones."));
    addKeyCaseParameter(CaseSensitive);
    addParameter(ParameterType::Bool, ShowUnchanged, QStringLiteral("show unchanged rows"), false)
        ->setTooltip(QStringLiteral("Check to include the rows that are the same in both "
                                    "datasets."));
}

QList<QPair<QString, bool>> TransformDifference::optionStates() const
{
    const bool byKey = selectionParameter(CompareBy) == ByKey;
    return { qMakePair(TopKeys, byKey), qMakePair(BottomKeys, byKey) };
}

bool TransformDifference::reorderInputs(const QList<TableSource*>& upstream)
{
    return reorderTwoInputs(upstream, TopKeys, BottomKeys);
}

void TransformDifference::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (upstream.size() == 1) {
        output = upstream.first()->dataset();
        output.clearVerification();
        setSummary(QStringLiteral("Connect a second dataset"));
        return;
    }
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Compare_By", "Top_Key_Columns", "Bottom_Key_Columns",
            "Case_Sensitive", "Show_Unchanged" }))
        return;
    const Dataset& top = upstream.at(0)->dataset();
    const Dataset& bottom = upstream.at(1)->dataset();
    RowComparison comparison;
    comparison.caseSensitive = boolParameter(CaseSensitive, true);
    comparison.columns = columnsByName(top, bottom);
    if (selectionParameter(CompareBy) == ByKey && !keyColumns(top, bottom, comparison)) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const RowDifferences differences = compareRows(top, bottom, comparison,
        [this](int done, int total) { return reportProgress(done, total); });
    if (!differences.complete)
        return;
    build(output, top, bottom, comparison, differences);
    report(top, bottom, comparison, differences);
}

bool TransformDifference::keyColumns(
    const Dataset& top, const Dataset& bottom, RowComparison& comparison)
{
    comparison.topKeys = resolvedIn(parameter(TopKeys), top);
    comparison.bottomKeys = resolvedIn(parameter(BottomKeys), bottom);
    if (comparison.topKeys.isEmpty() || comparison.bottomKeys.isEmpty())
        return false;
    if (comparison.topKeys.size() != comparison.bottomKeys.size()) {
        const int n = qMin(comparison.topKeys.size(), comparison.bottomKeys.size());
        addWarning(QStringLiteral("%1 top and %2 bottom key columns: comparing by the first %3")
                       .arg(comparison.topKeys.size())
                       .arg(comparison.bottomKeys.size())
                       .arg(n));
        comparison.topKeys.resize(n);
        comparison.bottomKeys.resize(n);
    }
    return true;
}

void TransformDifference::build(Dataset& output, const Dataset& top, const Dataset& bottom,
    const RowComparison& comparison, const RowDifferences& differences)
{
    // Layout: the two report columns, every top column, then the bottom
    // columns the top lacks. A shared column shows the bottom (newer) value.
    QVector<int> bottomFor(top.columnCount(), -1);
    QVector<bool> bottomShared(bottom.columnCount(), false);
    for (const QPair<int, int>& c : comparison.columns) {
        bottomFor[c.first] = c.second;
        bottomShared[c.second] = true;
    }
    QVector<int> bottomOnly;
    for (int c = 0; c < bottom.columnCount(); ++c) {
        if (!bottomShared.at(c))
            bottomOnly << c;
    }
    const int width = 2 + top.columnCount() + bottomOnly.size();
    QStringList names { QStringLiteral("Difference"), QStringLiteral("Changed columns") };
    QVector<ColumnId> ids { ColumnId(), ColumnId() };
    names << top.columnNames();
    ids << top.columnIds();
    for (int c : bottomOnly) {
        names << bottom.columnName(c);
        ids << bottom.columnId(c);
    }
    output.setColumnCount(width);
    output.setColumnIds(ids);
    output.makeColumnIdsUnique();
    output.setHeader(names);

    const bool showUnchanged = boolParameter(ShowUnchanged);
    VerificationResults& marks = output.verification();
    for (const RowDifference& d : differences.rows) {
        if (d.kind == RowDifference::Unchanged && !showUnchanged)
            continue;
        Dataset::Row row;
        row.reserve(width);
        row << kindText(d.kind);
        QStringList changed;
        for (int i : d.changedPairs)
            changed << top.columnName(comparison.columns.at(i).first);
        row << changed.join(QStringLiteral(", "));
        for (int c = 0; c < top.columnCount(); ++c) {
            const int b = bottomFor.at(c);
            if (d.bottomRow >= 0 && (b >= 0 || d.topRow < 0))
                row << (b >= 0 ? bottom.value(d.bottomRow, b) : QString());
            else
                row << (d.topRow >= 0 ? top.value(d.topRow, c) : QString());
        }
        for (int c : bottomOnly)
            row << (d.bottomRow >= 0 ? bottom.value(d.bottomRow, c) : QString());
        const int outRow = output.rowCount();
        output.appendRow(row);
        for (int i : d.changedPairs) {
            const int topColumn = comparison.columns.at(i).first;
            const CellPos cell { outRow, 2 + topColumn };
            marks.cellStatus.insert(cell, ChangedCellStatus);
            marks.cellMessages[cell]
                << QStringLiteral("Top value: '%1'").arg(top.value(d.topRow, topColumn));
            ++marks.failuresByRow[outRow];
            ++marks.failuresByColumn[cell.column];
            ++marks.totalFailures;
        }
    }
}

void TransformDifference::report(const Dataset& top, const Dataset& bottom,
    const RowComparison& comparison, const RowDifferences& differences)
{
    const int* n = differences.counts;
    if (n[RowDifference::Added] + n[RowDifference::Removed] + n[RowDifference::Changed] == 0)
        setSummary(QStringLiteral("No differences"));
    else
        setSummary(QStringLiteral("%1 added, %2 removed, %3 changed")
                       .arg(formatInteger(n[RowDifference::Added], true),
                           formatInteger(n[RowDifference::Removed], true),
                           formatInteger(n[RowDifference::Changed], true)));
    addInformation(QStringLiteral("%1 unchanged")
                       .arg(countText(n[RowDifference::Unchanged], QStringLiteral("row"),
                           QStringLiteral("rows"))));
    QVector<bool> topShared(top.columnCount(), false);
    QVector<bool> bottomShared(bottom.columnCount(), false);
    for (const QPair<int, int>& c : comparison.columns) {
        topShared[c.first] = true;
        bottomShared[c.second] = true;
    }
    QVector<int> topOnly;
    QVector<int> bottomOnly;
    for (int c = 0; c < top.columnCount(); ++c) {
        if (!topShared.at(c))
            topOnly << c;
    }
    for (int c = 0; c < bottom.columnCount(); ++c) {
        if (!bottomShared.at(c))
            bottomOnly << c;
    }
    if (!topOnly.isEmpty())
        addInformation(QStringLiteral("Only in the top dataset, not compared: %1")
                           .arg(quotedExamples(namesOf(top, topOnly))));
    if (!bottomOnly.isEmpty())
        addInformation(QStringLiteral("Only in the bottom dataset, not compared: %1")
                           .arg(quotedExamples(namesOf(bottom, bottomOnly))));
}
