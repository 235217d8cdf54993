#include "transforms/column/transformif.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/columnvariables.h"
#include "transforms/support/conditions.h"

QString TransformIf::description() const
{
    return QStringLiteral("Add a new column whose value depends on conditions (if, else if, "
                          "else).");
}

QSet<QString> TransformIf::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "else", "elseif", "then", "condition", "conditional", "case", "when",
             "switch", "choose", "logic", "branch" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformIf::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("New column name"),
        QStringLiteral("If"));
    addParameter(ParameterType::If, QStringLiteral("If"), QStringLiteral("If"))
        ->setTooltip(QStringLiteral("The conditions, tested in order: the first branch whose "
                                    "conditions all pass gives the new value."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), false)
        ->setTooltip(QStringLiteral("Letter case counts when comparing text."));
}

void TransformIf::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "New_Name", "If", "Case_Sensitive" }))
        return;
    // Taken over, the rows are read from the output, whose new columns only
    // follow the ones read.
    const Dataset& input
        = takeUpstreamTable(output, upstream) ? output : upstream.first()->dataset();
    const TransformParameter* p = parameter(QStringLiteral("If"));
    const IfList chain = p->ifList();
    const Qt::CaseSensitivity cs
        = boolParameter(QStringLiteral("Case_Sensitive")) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const auto resolve = [p](const ColumnRef& ref) { return p->resolve(ref); };
    QVector<ConditionGroup> branches;
    QVector<ColumnVariables> thenValues;
    bool allEmpty = chain.elseValue.isEmpty();
    for (const IfBranch& branch : chain.branches) {
        branches.append(makeConditionGroup(branch.conditions, true, resolve, input, cs));
        thenValues.append(ColumnVariables(branch.thenValue, input));
        allEmpty = allEmpty && branch.thenValue.isEmpty();
    }
    const ColumnVariables elseValue(chain.elseValue, input);
    if (allEmpty)
        addWarning(QStringLiteral("THEN and ELSE empty"));

    const int column = input.columnCount();
    output.setColumnCount(column + 1);
    output.setColumnName(column, textParameter(QStringLiteral("New_Name")));
    const int count = input.rowCount();
    qint64 taken = 0;
    for (int r = 0; r < count; ++r) {
        if (!reportProgress(r, count))
            break;
        const Dataset::Row& row = input.row(r);
        int b = 0;
        while (b < branches.size() && !branches[b].matches(row))
            ++b;
        const ColumnVariables& value = b < branches.size() ? thenValues.at(b) : elseValue;
        if (b < branches.size())
            ++taken;
        if (!value.text().isEmpty())
            output.setValue(r, column, value.expand(row));
    }
    QStringList problems;
    for (const ConditionGroup& branch : qAsConst(branches))
        problems += branch.problems();
    problems.removeDuplicates();
    for (const QString& problem : qAsConst(problems))
        addWarning(problem);
    setCountedSummary({ taken, count - taken });
}

void TransformIf::setSummaryFromCounts(const QVector<qint64>& counts)
{
    setSummary(QStringLiteral("%1 match(es) IF/ELSE IF, %2 match(es) ELSE")
                   .arg(formatInteger(counts.value(0)), formatInteger(counts.value(1))));
}
