#pragma once

// The operations of the Calculate transform, one value (or a pair) at a
// time. Kept apart from the transform so that the arithmetic, date and text
// rules can be exercised without building a graph.

#include <QString>
#include <QStringList>

namespace CalculateOps {

// In the order the operation list shows them; the stored option value is
// the choice text, so this order is free to change only with the list.
enum class Op {
    Add,
    Subtract,
    Multiply,
    Divide,
    Power,
    Modulus,
    Abs,
    And,
    AndBitwise,
    Ceiling,
    DateTimeAddDays,
    DateTimeAddHours,
    DateTimeAddMonths,
    DateTimeAddMSecs,
    DateTimeAddSecs,
    DateTimeAddYears,
    DateTimeToMSecs,
    DateTimeToUTC,
    DateToJulianDay,
    DaysInMonth,
    DaysInYear,
    DayOfWeek,
    DayOfMonth,
    DayOfYear,
    Decrement,
    Floor,
    Increment,
    IndexOf,
    JulianDayToDate,
    LastIndexOf,
    Length,
    LevDistance,
    Log10,
    Log2,
    Ln,
    Maximum,
    Minimum,
    Month,
    MSecsToDateTime,
    MSecsToTime,
    Occurrences,
    Or,
    OrBitwise,
    Quarter,
    Round,
    Sign,
    TimeToMSecs,
    WeekOfYear,
    WordCount,
    Xor,
    XorBitwise,
    Year
};
constexpr int OperationCount = int(Op::Year) + 1;

QStringList operationChoices();
QString choiceText(Op op);
// The symbol used in automatic column names, or the choice text when the
// operation has none.
QString nameSymbol(Op op);
bool takesTwoValues(Op op);
// Whether the operation reads dates with the user's date formats.
bool readsDates(Op op);

// What went wrong with a cell. Each problem has one cell text and one
// warning wording (with a column form and a constant form).
enum class Problem {
    None,
    TwoDates,
    OnADate,
    OnDate,
    NotDate,
    NotInteger,
    DivideByZero,
    ModulusByZero,
    NotNumber,
    NotBoolean,
    CannotAdd,
    NotIsoDateTime,
    NotMsecsSinceEpoch,
    NotIntegerMsecs,
    NotTime,
    MsecsOutOfRange,
    IntegerMsecsExpected,
    JulianOutOfRange,
    NotJulianDay,
    NotIntegerJulianDay,
    NotPositive
};

struct Outcome
{
    QString text; // the result, or the error text
    Problem problem = Problem::None;
    int operand = 0; // 1 or 2: the value the problem is about

    bool failed() const { return problem != Problem::None; }
};

// Applies the operation; value2 is ignored by one-value operations.
Outcome calculate(Op op, const QString& value1, const QString& value2);

QString errorText(Problem problem);

// One operand as the warnings name it: its text and, when it came from a
// column, the column's name.
struct OperandLabel
{
    QString value;
    QString column;
    bool fromColumn = false;
};

// The warning for a failed cell; row is 1-based.
QString problemWarning(
    Op op, const Outcome& outcome, const OperandLabel& first, const OperandLabel& second, int row);

// Levenshtein edit distance between two texts, by UTF-16 code unit.
int levenshtein(const QString& a, const QString& b);

} // namespace CalculateOps
