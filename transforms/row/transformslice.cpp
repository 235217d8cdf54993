#include "transforms/row/transformslice.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/conditions.h"

namespace {

const QStringList& fromModes()
{
    static const QStringList modes = { QStringLiteral("Start"), QStringLiteral("Start plus"),
        QStringLiteral("First row where"), QStringLiteral("Last row where") };
    return modes;
}

const QStringList& toModes()
{
    static const QStringList modes = { QStringLiteral("End"), QStringLiteral("End minus"),
        QStringLiteral("Next row where"), QStringLiteral("Last row where") };
    return modes;
}

QString key(const QString& side, const char* name)
{
    return side + QLatin1Char('_') + QLatin1String(name);
}

} // namespace

QString TransformSlice::description() const
{
    return QStringLiteral("Keep or remove a contiguous section of rows.");
}

QSet<QString> TransformSlice::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "section", "range", "between", "from", "to", "start", "end", "cut",
             "skip", "head", "tail", "trim", "block" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformSlice::addSide(const QString& side, const QStringList& modes, const QString& modeTip)
{
    addParameter(ParameterType::Selection, key(side, "Mode"), side, modes.first(), modes)
        ->setTooltip(modeTip);
    TransformParameter* column
        = addParameter(ParameterType::SingleColumn, key(side, "Column"), QStringLiteral("Column"));
    column->setColumnRequired(false);
    column->setNoneText(QStringLiteral("<Any>"));
    column->setTooltip(QStringLiteral("The '%1' column to match.").arg(side));
    addParameter(ParameterType::Selection, key(side, "Operation"), QStringLiteral("Matches"),
        conditionOperatorNames().first(), conditionOperatorNames());
    addParameter(ParameterType::Text, key(side, "Value"), QStringLiteral("Value"), QString())
        ->setTextRequired(false);
}

void TransformSlice::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Selection, QStringLiteral("Keep_Remove"), QStringLiteral("Mode"),
        QStringLiteral("Keep"), QStringList { QStringLiteral("Keep"), QStringLiteral("Remove") })
        ->setTooltip(QStringLiteral("Choose to keep only the rows in the slice or remove only the "
                                    "rows in the slice."));
    const QString from = QStringLiteral("From");
    const QString to = QStringLiteral("To");
    addSide(from, fromModes(), QStringLiteral("Where to start the slice."));
    TransformParameter* plus
        = addParameter(ParameterType::Int, QStringLiteral("From_Plus"), QStringLiteral("Plus"), 0);
    plus->setSuffix(QStringLiteral(" row(s)"));
    plus->setTooltip(QStringLiteral("The number of rows after the start row."));
    addParameter(ParameterType::Bool, QStringLiteral("From_Include_First"),
        QStringLiteral("include 'From' row"), true)
        ->setTooltip(QStringLiteral("Check to include the 'From' row in the slice."));
    addSide(to, toModes(),
        QStringLiteral("Where to end the slice. Note that the 'From' row and above are ignored "
                       "for matching."));
    TransformParameter* minus
        = addParameter(ParameterType::Int, QStringLiteral("To_Minus"), QStringLiteral("Minus"), 0);
    minus->setSuffix(QStringLiteral(" row(s)"));
    minus->setTooltip(QStringLiteral("The number of rows before the end row."));
    addParameter(ParameterType::Bool, QStringLiteral("To_Include_Last"),
        QStringLiteral("include 'To' row"), true)
        ->setTooltip(QStringLiteral("Check to include the 'To' row in the slice."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), false)
        ->setTooltip(QStringLiteral("Letter case counts when matching rows."));
}

QList<QPair<QString, bool>> TransformSlice::optionStates() const
{
    const int from = selectionParameter(QStringLiteral("From_Mode"));
    const int to = selectionParameter(QStringLiteral("To_Mode"));
    const bool fromWhere = from >= FromFirstWhere;
    const bool toWhere = to >= ToNextWhere;
    return { { QStringLiteral("From_Column"), fromWhere },
        { QStringLiteral("From_Operation"), fromWhere },
        { QStringLiteral("From_Value"), fromWhere },
        { QStringLiteral("From_Plus"), from == FromStartPlus },
        { QStringLiteral("To_Column"), toWhere }, { QStringLiteral("To_Operation"), toWhere },
        { QStringLiteral("To_Value"), toWhere }, { QStringLiteral("To_Minus"), to == ToEndMinus } };
}

bool TransformSlice::usesDates() const
{
    return selectionParameter(QStringLiteral("From_Mode")) >= FromFirstWhere
        || selectionParameter(QStringLiteral("To_Mode")) >= ToNextWhere;
}

int TransformSlice::findWhere(const Dataset& input, const QString& side, int after, bool last)
{
    const Qt::CaseSensitivity cs
        = boolParameter(QStringLiteral("Case_Sensitive")) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    RowCondition condition(columnIndex(key(side, "Column")),
        selectionParameter(key(side, "Operation")), textParameter(key(side, "Value")), input, cs);
    int found = -1;
    const int count = input.rowCount();
    for (int r = after + 1; r < count; ++r) {
        if (!reportProgress(r, count))
            return -1;
        if (condition.matches(input, r)) {
            found = r;
            if (!last)
                break;
        }
    }
    if (!condition.problem().isEmpty())
        addWarning(condition.problem());
    return found;
}

int TransformSlice::findFrom(const Dataset& input)
{
    const QString side = QStringLiteral("From");
    switch (selectionParameter(QStringLiteral("From_Mode"))) {
    case FromStartPlus:
        return intParameter(QStringLiteral("From_Plus"));
    case FromFirstWhere:
        return findWhere(input, side, -1, false);
    case FromLastWhere:
        return findWhere(input, side, -1, true);
    default:
        return 0;
    }
}

int TransformSlice::findTo(const Dataset& input, int from)
{
    const QString side = QStringLiteral("To");
    switch (selectionParameter(QStringLiteral("To_Mode"))) {
    case ToEndMinus:
        return input.lastRow() - intParameter(QStringLiteral("To_Minus"));
    case ToNextWhere:
        return findWhere(input, side, from, false);
    case ToLastWhere:
        return findWhere(input, side, from, true);
    default:
        return input.lastRow();
    }
}

void TransformSlice::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Keep_Remove", "From_Mode", "From_Column", "From_Operation",
            "From_Value", "From_Plus", "From_Include_First", "To_Mode", "To_Column", "To_Operation",
            "To_Value", "To_Minus", "To_Include_Last", "Case_Sensitive" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const int count = input.rowCount();
    if (count == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const int from = findFrom(input);
    const int to = from >= 0 && from < count ? findTo(input, from) : -1;
    if (from < 0 || from >= count || to < 0 || to < from) {
        // Neither keeping nor removing makes sense without both bounds.
        output.selectRows({});
        if (from < 0 || from >= count)
            addWarning(QStringLiteral("The 'From' row was not found: the output is empty"));
        else if (to < 0 && selectionParameter(QStringLiteral("To_Mode")) >= ToNextWhere)
            addWarning(QStringLiteral("The 'To' row was not found: the output is empty"));
        else
            addWarning(QStringLiteral("The 'To' row comes before the 'From' row: the output is "
                                      "empty"));
        setSummary(QStringLiteral("%1 removed")
                       .arg(countText(count, QStringLiteral("row"), QStringLiteral("rows"))));
        return;
    }
    const int first = boolParameter(QStringLiteral("From_Include_First")) ? from : from + 1;
    const int last = boolParameter(QStringLiteral("To_Include_Last")) ? to : to - 1;
    const bool keep = selectionParameter(QStringLiteral("Keep_Remove")) == 0;
    QVector<int> rows;
    for (int r = 0; r < count; ++r) {
        if ((r >= first && r <= last) == keep)
            rows.append(r);
    }
    const int removed = count - rows.size();
    if (removed > 0)
        output.selectRows(rows);
    setSummary(removed == 0
            ? QStringLiteral("No changes")
            : QStringLiteral("%1 removed")
                  .arg(countText(removed, QStringLiteral("row"), QStringLiteral("rows"))));
}
