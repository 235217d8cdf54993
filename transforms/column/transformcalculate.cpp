#include "transforms/column/transformcalculate.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/storedvalues.h"

using CalculateOps::Op;

namespace {

const QString AutoNewName = QStringLiteral("Auto_New_Name");
const QString NewName = QStringLiteral("New_Name");
const QString Operation = QStringLiteral("Operation");
const QString Type1 = QStringLiteral("Type1");
const QString Column1 = QStringLiteral("Column1");
const QString Constant1 = QStringLiteral("Constant1");
const QString Type2 = QStringLiteral("Type2");
const QString Column2 = QStringLiteral("Column2");
const QString Constant2 = QStringLiteral("Constant2");

const QStringList kTypeChoices = { QStringLiteral("Column"), QStringLiteral("Constant") };
constexpr int TypeConstant = 1;

const char* const kExtraKeywords[]
    = { "plus", "minus", "times", "product", "quotient", "power", "exponent", "modulus", "modulo",
          "remainder", "absolute", "round", "ceiling", "floor", "logarithm", "log", "boolean",
          "bitwise", "date", "dates", "days", "datetime", "julian", "weekday", "week", "month",
          "quarter", "year", "length", "levenshtein", "distance", "occurrences", "words", "maximum",
          "minimum", "increment", "decrement", "epoch", "milliseconds" };

} // namespace

QString TransformCalculate::description() const
{
    return QStringLiteral("Perform various calculations on selected columns to create a new "
                          "column. E.g. add values in 2 selected columns.");
}

QSet<QString> TransformCalculate::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* word : kExtraKeywords)
        words.insert(QString::fromLatin1(word));
    return words;
}

void TransformCalculate::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::Bool, AutoNewName, QStringLiteral("automatic new column name"), true)
        ->setTooltip(QStringLiteral("Name the new column after the operation and its values."));
    addParameter(ParameterType::Text, NewName, QStringLiteral("New column name"), displayName())
        ->setTooltip(QStringLiteral("Name of the new column."));
    addParameter(ParameterType::Selection, Operation, QStringLiteral("Operation"),
        CalculateOps::choiceText(Op::Add), CalculateOps::operationChoices())
        ->setTooltip(QStringLiteral("The calculation to perform."));
    addParameter(ParameterType::Selection, Type1, QStringLiteral("Value 1 type"),
        kTypeChoices.first(), kTypeChoices);
    addParameter(ParameterType::SingleColumn, Column1, QStringLiteral("Value 1"));
    addParameter(ParameterType::Text, Constant1, QStringLiteral("Value 1"), QString())
        ->setTextRequired(false);
    addParameter(ParameterType::Selection, Type2, QStringLiteral("Value 2 type"),
        kTypeChoices.first(), kTypeChoices);
    addParameter(ParameterType::SingleColumn, Column2, QStringLiteral("Value 2"));
    // An empty constant is a value like any other (searching for an empty
    // text, for example), so it never counts as unset.
    addParameter(ParameterType::Text, Constant2, QStringLiteral("Value 2"), QString())
        ->setTextRequired(false);
    updateTooltips();
}

Op TransformCalculate::operation() const
{
    const int index = selectionParameter(Operation);
    if (index < 0 || index >= CalculateOps::OperationCount)
        return Op::Add;
    return Op(index);
}

bool TransformCalculate::usesDates() const
{
    return CalculateOps::readsDates(operation());
}

QList<QPair<QString, bool>> TransformCalculate::optionStates() const
{
    // The option form asks for the states whenever it is built or refreshed,
    // which is also when the wording of the value tooltips must follow the
    // operation.
    updateTooltips();
    const bool twoValues = CalculateOps::takesTwoValues(operation());
    const bool constant1 = selectionParameter(Type1) == TypeConstant;
    const bool constant2 = selectionParameter(Type2) == TypeConstant;
    return { qMakePair(NewName, !boolParameter(AutoNewName, true)), qMakePair(Column1, !constant1),
        qMakePair(Constant1, constant1), qMakePair(Type2, twoValues),
        qMakePair(Column2, twoValues && !constant2), qMakePair(Constant2, twoValues && constant2) };
}

void TransformCalculate::updateTooltips() const
{
    const bool twoValues = CalculateOps::takesTwoValues(operation());
    const QString first = twoValues ? QStringLiteral("first value") : QStringLiteral("value");
    const QString second = QStringLiteral("second value");
    auto set = [this](const QString& key, const QString& text) {
        if (TransformParameter* p = parameter(key))
            p->setTooltip(text);
    };
    set(Type1, QStringLiteral("Select whether the %1 is a column or a constant.").arg(first));
    set(Column1, QStringLiteral("Set the %1 as a column.").arg(first));
    set(Constant1, QStringLiteral("Set the %1 as a constant.").arg(first));
    set(Type2, QStringLiteral("Select whether the %1 is a column or a constant.").arg(second));
    set(Column2, QStringLiteral("Set the %1 as a column.").arg(second));
    set(Constant2, QStringLiteral("Set the %1 as a constant.").arg(second));
}

TransformCalculate::ValueSource TransformCalculate::valueSource(
    int which, const Dataset& upstream) const
{
    const QString number = QString::number(which);
    ValueSource source;
    if (selectionParameter(QStringLiteral("Type") + number) == TypeConstant) {
        source.constant = textParameter(QStringLiteral("Constant") + number);
        source.name = source.constant.trimmed();
        source.usable = true;
        return source;
    }
    source.column = columnIndex(QStringLiteral("Column") + number);
    source.usable = upstream.isValidColumn(source.column);
    if (source.usable)
        source.name = upstream.columnName(source.column);
    return source;
}

QString TransformCalculate::automaticName(const Dataset& upstream) const
{
    const Op op = operation();
    const QString symbol = CalculateOps::nameSymbol(op);
    const QString a = valueSource(1, upstream).name;
    if (!CalculateOps::takesTwoValues(op))
        return QStringLiteral("%1(%2)").arg(symbol, a);
    const QString b = valueSource(2, upstream).name;
    if (symbol.size() == 1)
        return QStringLiteral("%1%2%3").arg(a, symbol, b);
    return QStringLiteral("%1(%2,%3)").arg(symbol, a, b);
}

void TransformCalculate::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Auto_New_Name", "New_Name", "Operation", "Type1", "Column1",
            "Constant1", "Type2", "Column2", "Constant2" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const Op op = operation();
    const bool twoValues = CalculateOps::takesTwoValues(op);
    const ValueSource first = valueSource(1, input);
    const ValueSource second = twoValues ? valueSource(2, input) : ValueSource();
    if (!first.usable || (twoValues && !second.usable)) {
        // The unset column is reported by the validation that follows.
        setSummary(QStringLiteral("No changes"));
        return;
    }
    // With one column operand the result depends on its value alone, so it
    // is worked out once per distinct value (dates of a few thousand days
    // over a million rows), and its text is shared by its rows.
    const bool perValue = first.column >= 0 && second.column < 0;
    const QString name
        = boolParameter(AutoNewName, true) ? automaticName(input) : textParameter(NewName);
    // The result is a column added to the upstream table, whose other columns
    // stay shared. The upstream item's own copy is let go here when nothing
    // else reads it, so the values are read from the output.
    takeUpstreamTable(output, upstream);
    const int rowCount = output.rowCount();
    QVector<QString> results;
    results.reserve(rowCount);

    qint64 succeeded = 0;
    qint64 failed = 0;
    QStringList described;
    CalculateOps::OperandLabel label1 { QString(), first.name, first.column >= 0 };
    CalculateOps::OperandLabel label2 { QString(), second.name, second.column >= 0 };
    PerStoredValue<CalculateOps::Outcome> outcomes;
    // Cells are read without copies of their own; a column of mostly
    // different values has no shared texts to know a value by.
    QString scratch1;
    QString scratch2;
    const bool byValue = perValue && output.column(first.column).isCoded();
    int row = 0;
    for (; row < rowCount; ++row) {
        if (!reportProgress(row, rowCount))
            break;
        const QString& v1
            = first.column >= 0 ? output.text(row, first.column, scratch1) : first.constant;
        const QString& v2
            = second.column >= 0 ? output.text(row, second.column, scratch2) : second.constant;
        const auto compute = [&](const QString&) { return CalculateOps::calculate(op, v1, v2); };
        const CalculateOps::Outcome outcome = byValue ? outcomes.get(v1, compute) : compute(v1);
        if (!outcome.failed()) {
            ++succeeded;
        } else if (++failed <= DescribedFailures) {
            label1.value = v1;
            label2.value = v2;
            described.append(CalculateOps::problemWarning(op, outcome, label1, label2, row + 1));
        }
        results.append(outcome.text);
    }
    // Stopped part way, the table holds the rows done.
    output.setRowCount(row);
    output.appendColumnValues(results);
    output.setColumnName(output.lastColumn(), name);
    reportFailures(described, failed);
    setCountedSummary({ succeeded, failed });
}

void TransformCalculate::setSummaryFromCounts(const QVector<qint64>& counts)
{
    setSummary(
        QStringLiteral("%1 calculations succeeded, %2 failed")
            .arg(formatInteger(counts.value(0), true), formatInteger(counts.value(1), true)));
}

void TransformCalculate::reportFailures(const QStringList& described, qint64 failed)
{
    if (failed == 0)
        return;
    for (const QString& line : described)
        addWarning(line);
    const qint64 more = failed - described.size();
    if (more > 0)
        addWarning(QStringLiteral("+ %1 %2").arg(formatInteger(more, true),
            more == 1 ? QStringLiteral("other") : QStringLiteral("others")));
    // A blank line sets these apart from the warnings that follow them.
    addWarning(QString());
}

QVector<bool> TransformCalculate::usedUpstreamColumns(
    const Dataset& input, const QVector<bool>& usedOutput) const
{
    return usedInPlace(input, usedOutput);
}
