#include "transforms/column/transformreordercols.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

namespace {

const QString kColumns = QStringLiteral("Columns");

} // namespace

QString TransformReorderCols::description() const
{
    return QStringLiteral("Change the order of columns.");
}

QSet<QString> TransformReorderCols::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("reorder") << QStringLiteral("rearrange") << QStringLiteral("swap")
          << QStringLiteral("position") << QStringLiteral("drag");
    return words;
}

void TransformReorderCols::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    TransformParameter* columns = addParameter(
        ParameterType::ReorderColumns, kColumns, QStringLiteral("Drag columns to reorder"));
    if (upstream.isEmpty() || !columns->columnRefs().isEmpty())
        return;
    // The order list starts as the upstream order, ready to be dragged.
    const Dataset& dataset = upstream.first()->dataset();
    ColumnRefList refs;
    for (int c = 0; c < dataset.columnCount(); ++c)
        refs.append(ColumnRef { c, dataset.columnId(c), dataset.columnName(c) });
    columns->setValue(QVariant::fromValue(refs));
}

QVector<int> TransformReorderCols::columnOrder(const QVector<int>& listed, int columnCount)
{
    QVector<int> order;
    order.reserve(columnCount);
    QVector<bool> placed(columnCount, false);
    for (int c : listed) {
        if (c >= 0 && c < columnCount && !placed.at(c)) {
            order.append(c);
            placed[c] = true;
        }
    }
    for (int c = 0; c < columnCount; ++c) {
        if (!placed.at(c))
            order.append(c);
    }
    return order;
}

void TransformReorderCols::process(
    Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "Columns" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const TransformParameter* p = parameter(kColumns);
    QVector<int> listed;
    for (const ColumnRef& ref : p->columnRefs())
        listed.append(p->resolve(ref));
    const int columns = input.columnCount();
    const QVector<int> order = columnOrder(listed, columns);
    int moved = 0;
    for (int i = 0; i < columns; ++i)
        moved += order.at(i) != i ? 1 : 0;
    if (moved == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }

    // Names and identities travel with their columns. Names are taken in
    // full, so a column shown under its default name keeps that name.
    QVector<ColumnId> ids(columns);
    QStringList names;
    const QStringList oldNames = input.columnNames();
    for (int i = 0; i < columns; ++i) {
        ids[i] = input.columnId(order.at(i));
        names.append(oldNames.at(order.at(i)));
    }
    const int rows = input.rowCount();
    Dataset::Row row;
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        const Dataset::Row& source = input.row(r);
        row.clear();
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(source.at(order.at(i)));
        output.setRow(r, row);
    }
    output.setColumnIds(ids);
    if (input.hasHeader())
        output.setHeader(names);
    setSummary(QStringLiteral("%1 cols reordered").arg(formatInteger(moved, true)));
}
