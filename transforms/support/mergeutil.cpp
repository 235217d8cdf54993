#include "transforms/support/mergeutil.h"

#include "core/dataset.h"
#include "transforms/transform.h"

#include <QStringList>

QVector<int> columnsExcept(int count, int skipped)
{
    QVector<int> columns;
    columns.reserve(count);
    for (int c = 0; c < count; ++c) {
        if (c != skipped)
            columns.append(c);
    }
    return columns;
}

void setCombinedColumns(Dataset& output, const QVector<ColumnPick>& picks, bool alwaysNamed)
{
    QVector<ColumnId> ids;
    QStringList names;
    bool anyHeader = false;
    for (const ColumnPick& pick : picks) {
        anyHeader = anyHeader || pick.data->hasHeader();
        for (int c : pick.columns) {
            ids.append(pick.data->columnId(c));
            names.append(pick.data->columnName(c));
        }
    }
    output.setColumnCount(ids.size());
    if (ids.isEmpty())
        return;
    output.setColumnIds(ids);
    output.makeColumnIdsUnique();
    if (anyHeader || alwaysNamed)
        output.setHeader(names);
}

Dataset withoutRows(const Dataset& data)
{
    Dataset copy = data;
    copy.setRowCount(0);
    return copy;
}

int columnIn(const Transform& transform, const QString& key, const Dataset& data)
{
    const TransformParameter* p = transform.parameter(key);
    if (!p || p->type() != ParameterType::SingleColumn)
        return -1;
    const ColumnRef ref = p->columnRef();
    if (ref.id.isValid())
        return data.columnIndex(ref.id);
    return data.isValidColumn(ref.position) ? ref.position : -1;
}
