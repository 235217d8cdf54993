#pragma once

// The base of the row transforms that act on the rows meeting one condition
// (Concat Rows, New Rows): a column (or "<Any>"), one of the shared
// condition operators, a value and case sensitivity, declared and read the
// same way by each of them.

#include "transforms/support/conditions.h"
#include "transforms/transform.h"

class RowTestTransform : public Transform
{
    Q_OBJECT

public:
    using Transform::Transform;

protected:
    static const QString TestColumnKey; // "Test_Column"
    static const QString OperationKey; // "Operation"
    static const QString ValueKey; // "Value"
    static const QString CaseKey; // "Case_Sensitive"

    // Adds the four options; rowsText names the rows tested in tooltips
    // ("Rows").
    void addRowTestParameters(int defaultOperator, const QString& rowsText);
    // The condition built from the options against the dataset. An empty
    // column option tests every column; a column that no longer exists
    // matches nothing.
    RowCondition rowCondition(const Dataset& dataset) const;
    // The option keys of the test, for optionStates().
    static QStringList rowTestKeys();
};
