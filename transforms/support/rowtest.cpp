#include "transforms/support/rowtest.h"

const QString RowTestTransform::TestColumnKey = QStringLiteral("Test_Column");
const QString RowTestTransform::OperationKey = QStringLiteral("Operation");
const QString RowTestTransform::ValueKey = QStringLiteral("Value");
const QString RowTestTransform::CaseKey = QStringLiteral("Case_Sensitive");

void RowTestTransform::addRowTestParameters(int defaultOperator, const QString& rowsText)
{
    TransformParameter* column
        = addParameter(ParameterType::SingleColumn, TestColumnKey, QStringLiteral("Column"));
    column->setColumnRequired(false);
    column->setNoneText(QStringLiteral("<Any>"));
    column->setTooltip(
        QStringLiteral("%1 are tested on this column; <Any> tests every column.").arg(rowsText));
    addParameter(ParameterType::Selection, OperationKey, QStringLiteral("Matches"),
        conditionOperatorNames().value(defaultOperator), conditionOperatorNames())
        ->setTooltip(QStringLiteral("How the column's value is compared with the value below."));
    TransformParameter* value
        = addParameter(ParameterType::Text, ValueKey, QStringLiteral("Value"), QString());
    value->setTextRequired(false);
    value->setTooltip(QStringLiteral("The value compared with. Column variables such as $(Name) "
                                     "take the row's value of that column."));
    addParameter(ParameterType::Bool, CaseKey, QStringLiteral("case sensitive"), false)
        ->setTooltip(QStringLiteral("Letter case counts when comparing text."));
}

RowCondition RowTestTransform::rowCondition(const Dataset& dataset) const
{
    const TransformParameter* column = parameter(TestColumnKey);
    int index = -1;
    if (column && !column->columnRef().isEmpty()) {
        index = column->resolve(column->columnRef());
        if (index < 0)
            index = -2;
    }
    return RowCondition(index, selectionParameter(OperationKey), textParameter(ValueKey), dataset,
        boolParameter(CaseKey) ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

QStringList RowTestTransform::rowTestKeys()
{
    return { TestColumnKey, OperationKey, ValueKey, CaseKey };
}
