#include "transforms/row/transformnewrows.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/columnvariables.h"

namespace {

const QString WhereKey = QStringLiteral("Where");
const QString Count = QStringLiteral("Count");
const QString Every = QStringLiteral("Every");
const QString Values = QStringLiteral("Values");
const QString Separator = QStringLiteral("Separator");

const QStringList& whereChoices()
{
    static const QStringList choices
        = { QStringLiteral("At the start"), QStringLiteral("At the end"),
              QStringLiteral("Every n rows"), QStringLiteral("After matching rows") };
    return choices;
}

// The values of one new row, one per column, with the variables of each
// value parsed once.
class NewRowValues
{
public:
    NewRowValues(const QString& text, QChar separator, const Dataset& data)
    {
        const QStringList parts
            = text.isEmpty() ? QStringList() : text.split(separator, Qt::KeepEmptyParts);
        for (int c = 0; c < data.columnCount(); ++c)
            m_values.append(ColumnVariables(parts.value(c), data));
        m_extra = qMax(0, parts.size() - data.columnCount());
    }

    // The row, variables taking the values of the given row (none before
    // the first row).
    Dataset::Row row(const Dataset::Row& from) const
    {
        Dataset::Row row;
        row.reserve(m_values.size());
        for (const ColumnVariables& v : m_values)
            row << v.expand(from);
        return row;
    }
    int extraValues() const { return m_extra; }

private:
    QVector<ColumnVariables> m_values;
    int m_extra = 0;
};

} // namespace

QSet<QString> TransformNewRows::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "insert", "blank", "empty", "separator", "spacer", "prepend", "after" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformNewRows::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    RowTestTransform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Selection, WhereKey, QStringLiteral("add rows"),
        whereChoices().at(AtEnd), whereChoices())
        ->setTooltip(QStringLiteral("Where the new rows go."));
    TransformParameter* count
        = addParameter(ParameterType::Int, Count, QStringLiteral("number of rows"), 1);
    count->setIntRange(1, 1000000);
    count->setTooltip(QStringLiteral("How many rows are added each time."));
    TransformParameter* every
        = addParameter(ParameterType::Int, Every, QStringLiteral("every"), 10);
    every->setIntRange(1, 999999999);
    every->setSuffix(QStringLiteral(" row(s)"));
    every->setTooltip(QStringLiteral("Add the new rows after every so many upstream rows."));
    addRowTestParameters(OpIsEmpty, QStringLiteral("Rows followed by new rows"));
    TransformParameter* values
        = addParameter(ParameterType::Text, Values, QStringLiteral("values"), QString());
    values->setTextRequired(false);
    values->setTooltip(QStringLiteral(
        "The values of a new row, one per column in column order, separated by the separator "
        "below. Leave empty for empty rows. Column variables such as $(Name) or $(2) take the "
        "value of the row before the new rows (the first row for rows at the start)."));
    addParameter(
        ParameterType::Char, Separator, QStringLiteral("separator"), QChar(QLatin1Char(',')))
        ->setTooltip(QStringLiteral("The character between the values."));
}

QList<QPair<QString, bool>> TransformNewRows::optionStates() const
{
    const int where = selectionParameter(WhereKey);
    QList<QPair<QString, bool>> states { qMakePair(Every, where == EveryN) };
    for (const QString& key : rowTestKeys())
        states << qMakePair(key, where == AfterMatching);
    states << qMakePair(Separator, !textParameter(Values).isEmpty());
    return states;
}

void TransformNewRows::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Where", "Count", "Every", "Test_Column", "Operation", "Value",
            "Case_Sensitive", "Values", "Separator" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    if (!input.hasColumns()) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const Where where = Where(selectionParameter(WhereKey));
    // A hand-edited document may hold any number: keep to the option's range
    // so that one matching row cannot ask for billions of copies.
    const int count = qBound(1, intParameter(Count, 1), 1000000);
    const int every = qMax(1, intParameter(Every, 10));
    const NewRowValues values(
        textParameter(Values), charParameter(Separator, QLatin1Char(',')), input);
    RowCondition condition = rowCondition(input);
    const Dataset::Row none;
    qint64 added = 0;
    auto addRows = [&](const Dataset::Row& from) {
        const Dataset::Row row = values.row(from);
        for (int i = 0; i < count; ++i)
            output.appendRow(row);
        added += count;
    };

    output.setRowCount(0);
    if (where == AtStart)
        addRows(input.hasRows() ? input.row(0) : none);
    for (int r = 0; r < input.rowCount(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            return;
        const Dataset::Row& row = input.row(r);
        output.appendRow(row);
        if ((where == EveryN && (r + 1) % every == 0)
            || (where == AfterMatching && condition.matches(row)))
            addRows(row);
    }
    if (where == AtEnd)
        addRows(input.hasRows() ? input.row(input.lastRow()) : none);
    if (!condition.problem().isEmpty() && where == AfterMatching)
        addWarning(condition.problem());
    if (values.extraValues() > 0)
        addWarning(QStringLiteral("%1 more than the dataset's columns left out")
                       .arg(countText(values.extraValues(), QStringLiteral("value"),
                           QStringLiteral("values"))));
    setSummary(added == 0 ? QStringLiteral("No changes")
                          : countText(added, QStringLiteral("row"), QStringLiteral("rows"))
                + QStringLiteral(" added"));
}
