#include "transforms/column/transformoffset.h"

#include "core/dataset.h"
#include "core/tablesource.h"

namespace {

const QString kColumns = QStringLiteral("Columns");
const QString kAmount = QStringLiteral("Offset_Amount");
const QString kDirection = QStringLiteral("Offset_Direction");
const QString kWraparound = QStringLiteral("Wraparound");
const QString kNewValue = QStringLiteral("New_Value");

} // namespace

QString TransformOffset::description() const
{
    return QStringLiteral("Offset value positions up or down in selected columns.");
}

QSet<QString> TransformOffset::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("move") << QStringLiteral("delay") << QStringLiteral("rotate")
          << QStringLiteral("wraparound") << QStringLiteral("up") << QStringLiteral("down");
    return words;
}

void TransformOffset::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::MultipleColumns, kColumns, QStringLiteral("Columns"));
    addParameter(ParameterType::Int, kAmount, QStringLiteral("Offset"), 0)
        ->setTooltip(QStringLiteral("How many rows up or down to offset selected columns."));
    addParameter(ParameterType::Selection, kDirection, QStringLiteral("Direction"),
        QStringLiteral("Down"), QStringList { QStringLiteral("Up"), QStringLiteral("Down") })
        ->setTooltip(QStringLiteral("The offset direction."));
    addParameter(ParameterType::Bool, kWraparound, QStringLiteral("wraparound"), false)
        ->setTooltip(QStringLiteral("Check to wraparound values pushed off the top or bottom."));
    TransformParameter* newValue
        = addParameter(ParameterType::Text, kNewValue, QStringLiteral("New value"), QString());
    newValue->setTextRequired(false);
    newValue->setTooltip(QStringLiteral("The value to be set for any newly empty cells."));
}

qint64 TransformOffset::sourceRow(qint64 row, qint64 shift, qint64 rowCount, bool wraparound)
{
    if (rowCount <= 0)
        return -1;
    const qint64 source = row + shift;
    if (wraparound)
        return ((source % rowCount) + rowCount) % rowCount;
    return source >= 0 && source < rowCount ? source : -1;
}

void TransformOffset::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters(
            { "Columns", "Offset_Amount", "Offset_Direction", "Wraparound", "New_Value" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const qint64 amount = intParameter(kAmount);
    const qint64 shift = selectionParameter(kDirection) == Up ? amount : -amount;
    const QVector<int> columns = columnIndexes(kColumns, true);
    const int rows = input.rowCount();
    if (columns.isEmpty() || shift == 0 || rows == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const bool wraparound = boolParameter(kWraparound);
    const QString newValue = textParameter(kNewValue);
    qint64 changed = 0;
    qint64 unchanged = 0;
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        const qint64 source = sourceRow(r, shift, rows, wraparound);
        for (int c : columns) {
            const QString& value = source < 0 ? newValue : input.value(int(source), c);
            if (value == input.value(r, c)) {
                ++unchanged;
                continue;
            }
            output.setValue(r, c, value);
            ++changed;
        }
    }
    setChangeSummary(changed, unchanged);
}
