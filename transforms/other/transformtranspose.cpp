#include "transforms/other/transformtranspose.h"

#include "core/dataset.h"
#include "core/tablesource.h"

QString TransformTranspose::description() const
{
    return QStringLiteral("Swap rows and columns.");
}

void TransformTranspose::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::Bool, QStringLiteral("Header"), QStringLiteral("first row is header"), false)
        ->setTooltip(QStringLiteral("Make the new first row the column names."));
}

void TransformTranspose::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!requireParameters({ "Header" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    if (!input.hasHeader() && !input.hasRows()) {
        setSummary(QStringLiteral("Transposed"));
        return;
    }
    // The names, when there are any, come first, so that they become the
    // first column.
    const int offset = input.hasHeader() ? 1 : 0;
    const int sourceRows = input.rowCount() + offset;
    const auto cell = [&](int r, int c) -> QString {
        if (r < offset)
            return input.columnName(c);
        return input.row(r - offset).value(c);
    };
    const bool header = boolParameter(QStringLiteral("Header"));
    output.setColumnCount(sourceRows);
    output.reserveRows(input.columnCount());
    QVector<QStringList> columns(input.columnCount());
    for (int r = 0; r < sourceRows; ++r) {
        if (!reportProgress(r, sourceRows))
            break;
        for (int c = 0; c < input.columnCount(); ++c)
            columns[c].append(cell(r, c));
    }
    for (int c = 0; c < columns.size(); ++c) {
        if (header && c == 0)
            output.setHeader(columns.at(c));
        else
            output.appendRow(columns.at(c));
    }
    setSummary(QStringLiteral("Transposed"));
}
