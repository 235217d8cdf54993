#include "transforms/row/transformfilter.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/columnvariables.h"
#include "transforms/support/conditions.h"

QString TransformFilter::description() const
{
    return QStringLiteral("Keep or remove rows that match conditions.");
}

QSet<QString> TransformFilter::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "filtering", "where", "select", "keep", "remove", "delete", "exclude",
             "include", "condition", "conditions", "match", "matching", "query", "subset", "regex",
             "fuzzy", "greater", "less", "equal", "contains" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformFilter::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::FilterColumns, QStringLiteral("Columns"), QStringLiteral("Filtering"))
        ->setTooltip(QStringLiteral("Choose whether to keep or remove matches."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), false)
        ->setTooltip(QStringLiteral("Letter case counts when comparing text."));
    TransformParameter* disable = addParameter(
        ParameterType::Bool, QStringLiteral("Disable"), QStringLiteral("disable filtering"), false);
    disable->setMarksInput(true);
    disable->setTooltip(
        QStringLiteral("Check to disable filtering (which means that transform does nothing)."));
}

void TransformFilter::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Columns", "Case_Sensitive", "Disable" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    if (boolParameter(QStringLiteral("Disable"))) {
        addWarning(QStringLiteral("Filtering is disabled"));
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const TransformParameter* p = parameter(QStringLiteral("Columns"));
    const FilterList list = p->filterList();
    if (list.terms.isEmpty()) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const Qt::CaseSensitivity cs
        = boolParameter(QStringLiteral("Case_Sensitive")) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    ConditionGroup group = makeConditionGroup(
        list.terms, list.allAny == 0, [p](const ColumnRef& ref) { return p->resolve(ref); }, input,
        cs);
    const bool keepMatches = list.keepRemove == 0;
    const int count = input.rowCount();
    QVector<int> kept;
    kept.reserve(count);
    for (int r = 0; r < count; ++r) {
        if (!reportProgress(r, count))
            break;
        if (group.matches(input, r) == keepMatches)
            kept.append(r);
    }
    for (const QString& problem : group.problems())
        addWarning(problem);
    // The kept rows share their storage with the input.
    if (kept.size() != count)
        output.selectRows(kept);
    setCountedSummary({ qint64(count) - kept.size() });
}

void TransformFilter::setSummaryFromCounts(const QVector<qint64>& counts)
{
    setSummary(QStringLiteral("%1 removed")
                   .arg(countText(counts.value(0), QStringLiteral("row"), QStringLiteral("rows"))));
}

// The rules as a sentence: "not matching 'country' equal to 'Germany'".
QString TransformFilter::droppedRowsReason() const
{
    const TransformParameter* p = parameter(QStringLiteral("Columns"));
    const FilterList list = p ? p->filterList() : FilterList();
    QStringList tests;
    for (const ConditionTerm& term : list.terms) {
        const QString name = conditionOperatorNames().value(term.op);
        QString test = term.column.isEmpty() ? QStringLiteral("any column")
            : term.column.name.isEmpty() ? QStringLiteral("column %1").arg(term.column.position + 1)
                                         : QStringLiteral("'%1'").arg(term.column.name);
        test += QLatin1Char(' ') + name.mid(name.indexOf(QLatin1Char(' '))).trimmed().toLower();
        if (term.op != OpIsEmpty && term.op != OpIsNotEmpty)
            test += QStringLiteral(" '%1'").arg(term.text);
        tests << test;
    }
    if (tests.isEmpty())
        return QStringLiteral("not matching the rules");
    return (list.keepRemove == 0 ? QStringLiteral("not matching ") : QStringLiteral("matching "))
        + tests.join(list.allAny == 0 ? QStringLiteral(" and ") : QStringLiteral(" or "));
}

namespace {

// A condition without a column tests every column, and a term may name
// columns of its own ("$(name)"): which columns such a filter reads depends
// on the row.
bool readsNamedColumns(const FilterList& list)
{
    for (const ConditionTerm& term : list.terms) {
        if (term.column.isEmpty() || ColumnVariables::mayContainVariables(term.text))
            return false;
    }
    return true;
}

} // namespace

QVector<bool> TransformFilter::usedUpstreamColumns(
    const Dataset& input, const QVector<bool>& usedOutput) const
{
    const TransformParameter* p = parameter(QStringLiteral("Columns"));
    if (!p || !readsNamedColumns(p->filterList()))
        return {};
    return usedInPlace(input, usedOutput);
}

// The test of process(), on the same conditions: a row it drops is
// dropped here too.
std::function<RowTest()> TransformFilter::rowTest(const Dataset& input) const
{
    const TransformParameter* p = parameter(QStringLiteral("Columns"));
    if (!p || boolParameter(QStringLiteral("Disable")) || !readsNamedColumns(p->filterList())
        || p->filterList().terms.isEmpty())
        return {};
    const FilterList list = p->filterList();
    const Qt::CaseSensitivity cs
        = boolParameter(QStringLiteral("Case_Sensitive")) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const ConditionGroup group = makeConditionGroup(
        list.terms, list.allAny == 0, [p](const ColumnRef& ref) { return p->resolve(ref); }, input,
        cs);
    const bool keepMatches = list.keepRemove == 0;
    return [group, keepMatches] {
        return RowTest([test = ConditionGroup(group), keepMatches](const QStringList& row) mutable {
            return test.matches(row) == keepMatches;
        });
    };
}
