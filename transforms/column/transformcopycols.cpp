#include "transforms/column/transformcopycols.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

namespace {

constexpr qint64 MaxColumns = 100000;

} // namespace

QString TransformCopyCols::description() const
{
    return QStringLiteral("Copy selected columns to new columns at the end.");
}

QSet<QString> TransformCopyCols::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("replicate") << QStringLiteral("repeat") << QStringLiteral("copies");
    return words;
}

void TransformCopyCols::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("Columns"));
    TransformParameter* copies
        = addParameter(ParameterType::Int, QStringLiteral("Copies"), QStringLiteral("Copies"), 1);
    copies->setZeroIsUnset(true);
    copies->setTooltip(QStringLiteral("The number of copies to make of each selected column."));
}

void TransformCopyCols::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "Columns", "Copies" }))
        return;
    // Taken over, the rows are read from the output, whose new columns only
    // follow the ones read.
    const Dataset& input
        = takeUpstreamTable(output, upstream) ? output : upstream.first()->dataset();
    const QVector<int> sources = columnIndexes(QStringLiteral("Columns"), true);
    const qint64 copies = qMax(0, intParameter(QStringLiteral("Copies")));
    const qint64 wanted = sources.size() * copies;
    if (wanted == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    // The spin box allows far more copies than anyone can use: beyond the
    // columns the data grid can show, the copies would only take gigabytes.
    if (input.columnCount() + wanted > MaxColumns) {
        addWarning(QStringLiteral("Cannot add %1 columns").arg(formatInteger(wanted, true)));
        setSummary(QStringLiteral("No changes"));
        error = true;
        return;
    }
    const int added = int(wanted);

    // Widen once, so every row is touched in one pass instead of one per
    // new column.
    const int first = input.columnCount();
    output.setColumnCount(first + added);
    QVector<int> origin; // upstream column of each new column
    origin.reserve(added);
    for (int source : sources) {
        for (int k = 0; k < copies; ++k)
            origin.append(source);
    }
    if (input.hasHeader()) {
        for (int i = 0; i < added; ++i)
            output.setColumnName(first + i, input.columnName(origin.at(i)));
    }
    const int rows = output.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        for (int i = 0; i < added; ++i)
            output.setValue(r, first + i, input.value(r, origin.at(i)));
    }
    setSummary(QStringLiteral("%1 %2 added")
                   .arg(formatInteger(added, true),
                       added == 1 ? QStringLiteral("col") : QStringLiteral("cols")));
}
