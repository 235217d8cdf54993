#include "transforms/column/transformcomparecols.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/conditions.h"

QString TransformCompareCols::description() const
{
    return QStringLiteral("Compare the values of two columns row by row.");
}

QSet<QString> TransformCompareCols::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "comparison", "equal", "greater", "less", "same", "different",
             "difference", "match", "fuzzy", "contains" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformCompareCols::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Bool, QStringLiteral("Auto_New_Name"),
        QStringLiteral("automatic new column name"), true)
        ->setTooltip(QStringLiteral("Name the new column after the compared columns and the "
                                    "comparison."));
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("New column name"),
        QString());
    addParameter(ParameterType::SingleColumn, QStringLiteral("Column1"), QStringLiteral("Column 1"))
        ->setTooltip(QStringLiteral("Select the first column to compare."));
    addParameter(ParameterType::Selection, QStringLiteral("Comparison"),
        QStringLiteral("Comparison"), conditionOperatorNames().value(OpEqual),
        conditionOperatorNames())
        ->setTooltip(QStringLiteral("The comparison operator."));
    addParameter(ParameterType::SingleColumn, QStringLiteral("Column2"), QStringLiteral("Column 2"))
        ->setTooltip(QStringLiteral("Select the second column to compare."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), false)
        ->setTooltip(QStringLiteral("Letter case counts when comparing text."));
}

QList<QPair<QString, bool>> TransformCompareCols::optionStates() const
{
    return { { QStringLiteral("New_Name"),
        !boolParameter(QStringLiteral("Auto_New_Name"), true) } };
}

void TransformCompareCols::process(
    Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters(
            { "Auto_New_Name", "New_Name", "Column1", "Comparison", "Column2", "Case_Sensitive" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const int first = columnIndex(QStringLiteral("Column1"));
    const int second = columnIndex(QStringLiteral("Column2"));
    if (first < 0 || second < 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const int op = selectionParameter(QStringLiteral("Comparison"));
    const Qt::CaseSensitivity cs
        = boolParameter(QStringLiteral("Case_Sensitive")) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const int column = input.columnCount();
    output.setColumnCount(column + 1);
    output.setColumnName(column,
        boolParameter(QStringLiteral("Auto_New_Name"))
            ? QStringLiteral("%1 %2 %3")
                  .arg(input.columnName(first), conditionOperatorShortName(op),
                      input.columnName(second))
            : textParameter(QStringLiteral("New_Name")));
    const QString yes = QStringLiteral("true");
    const QString no = QStringLiteral("false");
    ConditionTest test(op, QString(), cs);
    QString patternError;
    const int count = input.rowCount();
    qint64 trueCount = 0;
    for (int r = 0; r < count; ++r) {
        if (!reportProgress(r, count))
            break;
        const QString& term = input.value(r, second);
        if (r == 0 || term != test.term())
            test.setTerm(term);
        if (patternError.isEmpty() && !test.patternError().isEmpty())
            patternError = test.patternError();
        const bool passed = test.matches(input.value(r, first));
        trueCount += passed ? 1 : 0;
        output.setValue(r, column, passed ? yes : no);
    }
    if (!patternError.isEmpty()) {
        addWarning(QStringLiteral("Column '%1' holds values that are not valid regular expressions "
                                  "(%2): they match nothing")
                       .arg(input.columnName(second), patternError));
    }
    setSummary(QStringLiteral("%1 true, %2 false")
                   .arg(formatInteger(trueCount), formatInteger(count - trueCount)));
}
