#include "transforms/column/transformreshape.h"

#include "core/dataset.h"
#include "core/tablesource.h"

QString TransformReshape::description() const
{
    return QStringLiteral("Lay all cells out again, in reading order, in a given number of "
                          "columns.");
}

void TransformReshape::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    const int columns = upstream.isEmpty() ? 2 : upstream.first()->dataset().columnCount();
    TransformParameter* size = addParameter(ParameterType::Int, QStringLiteral("New_Size"),
        QStringLiteral("number of columns"), qMax(1, columns));
    size->setIntRange(1, 100000);
    size->setTooltip(QStringLiteral("The number of columns to lay the cells out in."));
}

void TransformReshape::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!requireParameters({ "New_Size" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    // A hand-edited document may hold any number; keep to the option's range.
    const int size = qBound(1, intParameter(QStringLiteral("New_Size")), 100000);
    const int columns = input.columnCount();
    if (size == columns || columns == 0) {
        output = input;
        setSummary(QStringLiteral("No changes"));
        return;
    }
    output.setColumnCount(size);
    if (input.hasHeader()) {
        QStringList names;
        for (int c = 0; c < size; ++c)
            names.append(c < columns ? input.columnName(c) : QString::number(c + 1));
        output.setHeader(names);
    }
    const qint64 cells = qint64(input.rowCount()) * columns;
    const int outRows = int((cells + size - 1) / size);
    output.reserveRows(outRows);
    for (int r = 0; r < outRows; ++r) {
        if (!reportProgress(r, outRows))
            break;
        QStringList row;
        row.reserve(size);
        for (qint64 i = qint64(r) * size; i < qint64(r + 1) * size && i < cells; ++i)
            row.append(input.value(int(i / columns), int(i % columns)));
        output.appendRow(row);
    }
    setSummary(QStringLiteral("Changed to %1 cols x %2 rows").arg(size).arg(output.rowCount()));
}
