#include "transforms/row/transformconcatrows.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

namespace {

const QString Separator = QStringLiteral("Separator");

} // namespace

QSet<QString> TransformConcatRows::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w :
        { "continuation", "wrapped", "lines", "multiline", "unwrap", "collapse", "condition" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformConcatRows::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    RowTestTransform::defineParameters(upstream, useUserDefaults);
    addRowTestParameters(OpIsEmpty, QStringLiteral("Rows joined onto the row before"));
    TransformParameter* separator = addParameter(
        ParameterType::Text, Separator, QStringLiteral("separator"), QStringLiteral(" "));
    separator->setTextRequired(false);
    separator->setTooltip(QStringLiteral("The text put between a cell's value and the value "
                                         "joined onto it. Empty values are not joined."));
}

void TransformConcatRows::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters(
            { "Test_Column", "Operation", "Value", "Case_Sensitive", "Separator" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    RowCondition condition = rowCondition(input);
    const QString separator = textParameter(Separator);
    QVector<Dataset::Row> rows;
    rows.reserve(input.rowCount());
    int joined = 0;
    for (int r = 0; r < input.rowCount(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            return;
        const Dataset::Row& row = input.row(r);
        // The first row has nothing to join onto and is kept.
        if (rows.isEmpty() || !condition.matches(row)) {
            rows.append(row);
            continue;
        }
        Dataset::Row& kept = rows.last();
        for (int c = 0; c < row.size() && c < kept.size(); ++c) {
            if (row.at(c).isEmpty())
                continue;
            kept[c] = kept.at(c).isEmpty() ? row.at(c) : kept.at(c) + separator + row.at(c);
        }
        ++joined;
    }
    if (!condition.problem().isEmpty())
        addWarning(condition.problem());
    if (joined == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    // Untouched rows keep sharing the input's storage.
    output.setRowCount(0);
    for (const Dataset::Row& row : qAsConst(rows))
        output.appendRow(row);
    setSummary(countText(joined, QStringLiteral("row"), QStringLiteral("rows"))
        + QStringLiteral(" joined onto the rows before"));
}
