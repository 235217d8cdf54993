// The cell texts and warnings of the Calculate operations. Every problem has
// one cell text; its warning comes in a column form, naming the column the
// value came from, and a constant form.

#include "transforms/column/calculateoperations.h"

namespace CalculateOps {

namespace {

struct ProblemText
{
    Problem problem;
    const char* cell;
    const char* columnForm; // %1 value, %2 column, %3 row (or %1 column, %2 row)
    const char* constantForm; // %1 value, %2 row (or %1 row)
    bool namesValue;
};

const ProblemText kProblems[] = {
    { Problem::TwoDates, "Error: invalid operation", "Operation not valid on 2 dates at row %1",
        "Operation not valid on 2 dates at row %1", false },
    { Problem::OnADate, "Error: invalid operation",
        "Operation not valid on a date in column '%1' at row %2",
        "Operation not valid on a date at row %1", false },
    { Problem::OnDate, "Error: invalid operation",
        "Operation not valid on date '%1' in column '%2' at row %3",
        "Operation not valid on date '%1' at row %2", true },
    { Problem::NotDate, "Error: date expected", "'%1' is not a valid date in column '%2' at row %3",
        "'%1' is not a valid date at row %2", true },
    { Problem::NotInteger, "Error: integer expected",
        "'%1' is not an integer in column '%2' at row %3", "'%1' is not an integer at row %2",
        true },
    { Problem::DivideByZero, "Error: divide by 0", "Divide by 0 in column '%1' at row %2",
        "Divide by 0 at row %1", false },
    { Problem::ModulusByZero, "Error: divide by 0", "Modulus by 0 in column '%1' at row %2",
        "Modulus by 0 at row %1", false },
    // The constant form numbers the row %3; filled in order it reads like
    // the others.
    { Problem::NotNumber, "Error: number expected", "'%1' is not a number in column '%2' at row %3",
        "'%1' is not a number at row %3", true },
    { Problem::NotBoolean, "Error: boolean expected",
        "'%1' is not a valid value for this operation in column '%2' at row %3",
        "'%1' is not a valid value for this operation at row %2", true },
    { Problem::CannotAdd, "Error: Cannot convert datetime",
        "Cannot add '%1' %2 to datetime '%3' at row %4",
        "Cannot add '%1' %2 to datetime '%3' at row %4", true },
    { Problem::NotIsoDateTime, "Error: ISO datetime expected",
        "'%1' is not a valid ISO datetime in column '%2' at row %3",
        "'%1' is not a valid ISO datetime at row %2", true },
    { Problem::NotMsecsSinceEpoch, "Error: msecs since epoch expected",
        "'%1' is not valid msecs since epoch in column '%2' at row %3",
        "'%1' is not valid msecs since epoch at row %2", true },
    { Problem::NotIntegerMsecs, "Error: msecs since epoch expected",
        "'%1' is not a valid integer value for msecs in column '%2' at row %3",
        "'%1' is not a valid integer value for msecs at row %2", true },
    { Problem::NotTime, "Error: h:m:s(.z) time expected",
        "'%1' is not a valid time in column '%2' at row %3", "'%1' is not a valid time at row %2",
        true },
    { Problem::MsecsOutOfRange, "Error: integer out of expected range",
        "'%1' msecs out of range in column '%2' at row %3", "'%1' msecs out of range at row %2",
        true },
    { Problem::IntegerMsecsExpected, "Error: integer out of expected range",
        "'%1' integer msecs expected in column '%2' at row %3",
        "'%1' integer msecs expected at row %2", true },
    { Problem::JulianOutOfRange, "Error: Date out of range",
        "'%1' is out of range to represent a Julian day as an ISO date in column '%2' at row %3",
        "'%1' is out of range to represent a Julian day as an ISO date at row %2", true },
    { Problem::NotJulianDay, "Error: Julian days expected",
        "'%1' is not a valid Julian day in column '%2' at row %3",
        "'%1' is not a valid Julian day at row %2", true },
    { Problem::NotIntegerJulianDay, "Error: Julian days expected",
        "'%1' is not a valid integer expected for msecs in column '%2' at row %3",
        "'%1' is not a valid integer expected for msecs at row %2", true },
    { Problem::NotPositive, "Error: >0 expected", "'%1' <= 0 in column '%2' at row %3",
        "'%1' <= 0 at row %2", true },
};

const ProblemText* problemText(Problem problem)
{
    for (const ProblemText& p : kProblems) {
        if (p.problem == problem)
            return &p;
    }
    return nullptr;
}

QString amountUnit(Op op)
{
    switch (op) {
    case Op::DateTimeAddMSecs:
        return QStringLiteral("millisecond(s)");
    case Op::DateTimeAddSecs:
        return QStringLiteral("second(s)");
    case Op::DateTimeAddHours:
        return QStringLiteral("hour(s)");
    case Op::DateTimeAddMonths:
        return QStringLiteral("month(s)");
    case Op::DateTimeAddYears:
        return QStringLiteral("year(s)");
    default:
        return QStringLiteral("day(s)");
    }
}

} // namespace

QString errorText(Problem problem)
{
    const ProblemText* p = problemText(problem);
    return p ? QString::fromLatin1(p->cell) : QString();
}

QString problemWarning(
    Op op, const Outcome& outcome, const OperandLabel& first, const OperandLabel& second, int row)
{
    const ProblemText* p = problemText(outcome.problem);
    if (!p)
        return QString();
    const QString rowText = QString::number(row);
    if (outcome.problem == Problem::TwoDates)
        return QString::fromLatin1(p->columnForm).arg(rowText);
    const OperandLabel& about = outcome.operand == 2 ? second : first;
    if (outcome.problem == Problem::CannotAdd) {
        // The amount is the operand the problem is about; the other one is
        // the date or date-time it was to be added to.
        const OperandLabel& target = outcome.operand == 2 ? first : second;
        return QString::fromLatin1(p->columnForm)
            .arg(about.value, amountUnit(op), target.value, rowText);
    }
    if (about.fromColumn) {
        const QString form = QString::fromLatin1(p->columnForm);
        return p->namesValue ? form.arg(about.value, about.column, rowText)
                             : form.arg(about.column, rowText);
    }
    const QString form = QString::fromLatin1(p->constantForm);
    return p->namesValue ? form.arg(about.value, rowText) : form.arg(rowText);
}

} // namespace CalculateOps
