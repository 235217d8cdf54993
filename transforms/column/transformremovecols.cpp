#include "transforms/column/transformremovecols.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

namespace {

const QString kColumns = QStringLiteral("Columns");

CheckedColumnList everyColumnChecked(const Dataset& dataset)
{
    CheckedColumnList list;
    list.reserve(dataset.columnCount());
    for (int c = 0; c < dataset.columnCount(); ++c)
        list.append(
            CheckedColumn { ColumnRef { c, dataset.columnId(c), dataset.columnName(c) }, true });
    return list;
}

} // namespace

QSet<QString> TransformRemoveCols::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("remove") << QStringLiteral("keep") << QStringLiteral("exclude")
          << QStringLiteral("hide") << QStringLiteral("discard");
    return words;
}

void TransformRemoveCols::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    TransformParameter* columns
        = addParameter(ParameterType::CheckedColumns, kColumns, QStringLiteral("Columns"));
    if (!upstream.isEmpty() && columns->checkedColumns().isEmpty())
        columns->setValue(QVariant::fromValue(everyColumnChecked(upstream.first()->dataset())));
}

void TransformRemoveCols::bindUpstream(const QList<TableSource*>& upstream, bool refresh)
{
    Transform::bindUpstream(upstream, refresh);
    TransformParameter* p = parameter(kColumns);
    if (!refresh || !p || p->needsUpdating() || !p->sourceItem())
        return;
    // A new upstream dataset: every column it has is offered checked. A
    // column the list already knows keeps its state, so rebinding the same
    // item (undo, reloading) does not bring back removed columns.
    const Dataset& dataset = p->sourceDataset();
    if (!dataset.hasColumns())
        return;
    CheckedColumnList list = everyColumnChecked(dataset);
    for (const CheckedColumn& old : p->checkedColumns()) {
        const int c = p->resolve(old.column);
        if (c >= 0)
            list[c].checked = old.checked;
    }
    p->setValue(QVariant::fromValue(list));
}

bool TransformRemoveCols::checkUnlistedColumns()
{
    TransformParameter* p = parameter(kColumns);
    if (!p || p->needsUpdating() || !p->sourceItem())
        return false;
    const Dataset& dataset = p->sourceDataset();
    CheckedColumnList list = p->checkedColumns();
    QVector<bool> listed(dataset.columnCount(), false);
    for (const CheckedColumn& entry : qAsConst(list)) {
        const int c = p->resolve(entry.column);
        if (c >= 0)
            listed[c] = true;
    }
    bool grew = false;
    for (int c = 0; c < dataset.columnCount(); ++c) {
        if (!listed.at(c)) {
            list.append(CheckedColumn { p->referenceAt(c), true });
            grew = true;
        }
    }
    if (grew)
        p->setValue(QVariant::fromValue(list));
    return grew;
}

void TransformRemoveCols::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "Columns" }))
        return;
    takeUpstreamTable(output, upstream);
    // Columns added upstream since the list was made are kept, and recorded
    // as checked so that a saved document keeps them too.
    checkUnlistedColumns();
    const QVector<bool> keep = keptColumns(output.columnCount());
    int removed = 0;
    for (int c = keep.size() - 1; c >= 0; --c) {
        if (!keep.at(c)) {
            output.removeColumn(c);
            ++removed;
        }
    }
    if (removed == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    setSummary(QStringLiteral("%1 %2 removed")
                   .arg(formatInteger(removed, true),
                       removed == 1 ? QStringLiteral("col") : QStringLiteral("cols")));
}

QVector<bool> TransformRemoveCols::keptColumns(int columnCount) const
{
    const TransformParameter* p = parameter(kColumns);
    QVector<bool> keep(columnCount, true);
    for (const CheckedColumn& entry : p->checkedColumns()) {
        const int c = p->resolve(entry.column);
        if (c >= 0 && c < keep.size() && !entry.checked)
            keep[c] = false;
    }
    return keep;
}

QVector<bool> TransformRemoveCols::usedUpstreamColumns(
    const Dataset& input, const QVector<bool>& usedOutput) const
{
    if (!parameter(kColumns))
        return {};
    QVector<bool> used = keptColumns(input.columnCount());
    int position = 0;
    for (bool& column : used) {
        if (column)
            column = usedOutput.value(position++, true);
    }
    return used;
}
