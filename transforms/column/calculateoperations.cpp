#include "transforms/column/calculateoperations.h"

#include "transforms/column/calculatesupport.h"

#include "core/values.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QVector>

#include <charconv>
#include <cmath>

namespace CalculateOps {

namespace detail {

Outcome success(const QString& text)
{
    Outcome o;
    o.text = text;
    return o;
}

Outcome failure(Problem problem, int operand)
{
    Outcome o;
    o.problem = problem;
    o.operand = operand;
    o.text = errorText(problem);
    return o;
}

// Results are written without group separators so that they read back as
// numbers in every later step. The text is formatNumber's; writing it is
// most of the cost of a simple calculation, so locales with plain digits get
// the same digits straight from the standard library.
QString numberText(double value)
{
    value += 0.0; // negative zero (a rounded -0.3) becomes 0
    const QLocale locale;
    if (!std::isfinite(value) || locale.zeroDigit() != QLatin1Char('0'))
        return formatNumber(value, false, -1, true);
    const double magnitude = std::fabs(value);
    const int integerDigits = magnitude == 0.0 ? 0 : qMax(0, int(std::ceil(std::log10(magnitude))));
    const int decimals = qMax(0, 15 - integerDigits);
    // The library rounds an exact half to even, the locale's formatter away
    // from zero; such values take the slow road.
    if (isDecimalTie(value, decimals))
        return formatNumber(value, false, -1, true);
    char buffer[400];
    const auto end
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals)
              .ptr;
    int length = int(end - buffer);
    if (decimals > 0) {
        while (buffer[length - 1] == '0')
            --length;
        if (buffer[length - 1] == '.')
            --length;
    }
    int start = 0;
    if (buffer[0] == '-' && length == 2 && buffer[1] == '0')
        start = 1; // negative zero prints as 0
    QString text = QString::fromLatin1(buffer + start, length - start);
    if (locale.decimalPoint() != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), locale.decimalPoint());
    if (locale.negativeSign() != QLatin1Char('-'))
        text.replace(QLatin1Char('-'), locale.negativeSign());
    return text;
}

// Whether the exact value lies half-way between two texts with that many
// decimals: its fraction ends exactly one binary digit past 10^-decimals,
// i.e. value = odd * 2^-(decimals + 1).
bool isDecimalTie(double value, int decimals)
{
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);
    qint64 mantissa = qint64(std::ldexp(fraction, 53));
    if (mantissa == 0)
        return false;
    exponent -= 53;
    while ((mantissa & 1) == 0) {
        mantissa >>= 1;
        ++exponent;
    }
    return exponent == -(decimals + 1);
}

QString integerText(qint64 value)
{
    return formatInteger(value, false);
}

bool readNumber(const QString& text, double* value)
{
    bool ok = false;
    *value = toNumber(text, false, false, &ok);
    return ok;
}

// Whole numbers that fit a 64-bit integer; the text is read exactly when it
// is a plain integer, so that large values keep every digit.
bool wholeNumber(const QString& text, double number, qint64* out)
{
    if (!std::isfinite(number) || std::floor(number) != number || std::fabs(number) >= 9.2e18)
        return false;
    bool exact = false;
    const qint64 parsed = QLocale().toLongLong(text.trimmed(), &exact);
    *out = exact ? parsed : qint64(number);
    return true;
}

} // namespace detail

namespace {

struct OperationInfo
{
    const char* choice;
    bool twoValues;
    const char* symbol; // empty: the choice text stands in automatic names
    bool dates;
};

const OperationInfo kOperations[OperationCount] = {
    { "+ Add", true, "+", true },
    { "- Subtract", true, "-", true },
    { "* Multiply", true, "*", true },
    { "/ Divide", true, "/", true },
    { "^ Power", true, "^", true },
    { "% Modulus", true, "%", true },
    { "Abs", false, "", false },
    { "And", true, "", false },
    { "AndBitwise", true, "", false },
    { "Ceiling", false, "", false },
    { "DateTimeAddDays", true, "", false },
    { "DateTimeAddHours", true, "", false },
    { "DateTimeAddMonths", true, "", false },
    { "DateTimeAddMSecs", true, "", false },
    { "DateTimeAddSecs", true, "", false },
    { "DateTimeAddYears", true, "", false },
    { "DateTimeToMSecs", false, "", false },
    { "DateTimeToUTC", false, "", false },
    { "DateToJulianDay", false, "", true },
    { "DaysInMonth", false, "", true },
    { "DaysInYear", false, "", true },
    { "DayOfWeek", false, "", true },
    { "DayOfMonth", false, "", true },
    { "DayOfYear", false, "", true },
    { "Decrement", false, "", false },
    { "Floor", false, "", false },
    { "Increment", false, "", false },
    { "IndexOf", true, "", false },
    { "JulianDayToDate", false, "", false },
    { "LastIndexOf", true, "", false },
    { "Length", false, "", false },
    { "LevDistance", true, "", false },
    { "Log10", false, "", false },
    { "Log2", false, "", false },
    { "Ln", false, "", false },
    { "Maximum", true, "", true },
    { "Minimum", true, "", true },
    { "Month", false, "", true },
    { "MSecsToDateTime", false, "", false },
    { "MSecsToTime", false, "", false },
    { "Occurrences", true, "", false },
    { "Or", true, "", false },
    { "OrBitwise", true, "", false },
    { "Quarter", false, "", true },
    { "Round", false, "", false },
    { "Sign", false, "", false },
    { "TimeToMSecs", false, "", false },
    { "WeekOfYear", false, "", true },
    { "WordCount", false, "", false },
    { "Xor", true, "", false },
    { "XorBitwise", true, "", false },
    { "Year", false, "", true },
};

const OperationInfo& info(Op op)
{
    return kOperations[int(op)];
}

using namespace detail;

// The digit shape of a text ("2024-01-05" gives "9999-99-99"), which decides
// how many digits each field of a date format was written with.
QString digitShape(const QString& text)
{
    QString shape = text;
    for (QChar& c : shape) {
        if (c.isDigit())
            c = QLatin1Char('9');
    }
    return shape;
}

// The format with its one-letter day and month fields doubled as asked;
// quoted literal text is left alone.
QString padFields(const QString& format, bool days, bool months)
{
    QString result;
    bool quoted = false;
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            result.append(c);
            continue;
        }
        const bool single = !quoted && (i == 0 || format.at(i - 1) != c)
            && (i + 1 == format.size() || format.at(i + 1) != c);
        result.append(c);
        if (single && ((days && c == QLatin1Char('d')) || (months && c == QLatin1Char('M'))))
            result.append(c);
    }
    return result;
}

// The matched entry of the format list may read "2024-01-05" with one-letter
// fields ("yyyy-M-d"); writing with it unchanged would turn a column of
// 2024-01-05 values into 2024-1-12. The day and month fields are written
// with two digits when the text had them. A value of 10 or more shows
// nothing either way; it follows the other field, and when both are that
// large two digits are the likelier form.
QString chooseWritingFormat(const QDate& date, const QString& format, const QString& trimmed)
{
    bool reproduces[2][2] = { { false, false }, { false, false } }; // [pad days][pad months]
    bool any = false;
    for (int days = 0; days < 2; ++days) {
        for (int months = 0; months < 2; ++months) {
            const QString variant = padFields(format, days != 0, months != 0);
            reproduces[days][months] = formatDate(date, variant) == trimmed;
            any = any || reproduces[days][months];
        }
    }
    if (!any)
        return format;
    const bool dayShown = date.day() < 10;
    const bool monthShown = date.month() < 10;
    bool padDays = reproduces[1][0] || reproduces[1][1];
    bool padMonths = reproduces[0][1] || reproduces[1][1];
    if (!dayShown && !monthShown) {
        padDays = padMonths = true;
    } else if (!dayShown) {
        padDays = padMonths;
    } else if (!monthShown) {
        padMonths = padDays;
    }
    if (!reproduces[padDays][padMonths])
        return format;
    return padFields(format, padDays, padMonths);
}

QString writingFormat(const QDate& date, const QString& format, const QString& text)
{
    static QHash<QString, QString> cache;
    const QString trimmed = text.trimmed();
    const QString key = format + QChar(0x1f) + digitShape(trimmed) + QChar(0x1f)
        + QLatin1Char(date.day() < 10 ? 'd' : '-') + QLatin1Char(date.month() < 10 ? 'm' : '-');
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return found.value();
    const QString chosen = chooseWritingFormat(date, format, trimmed);
    if (cache.size() > 4096)
        cache.clear();
    cache.insert(key, chosen);
    return chosen;
}

struct DateValue
{
    QDate date;
    QString format;
    QString text;
    bool isValid() const { return date.isValid(); }
};

DateValue readDate(const QString& text)
{
    DateValue d;
    d.text = text;
    d.date = toDateWithFormats(text, &d.format);
    return d;
}

// A computed date in the form of the date it came from; dates outside the
// four-digit years cannot be written back in any of the user's formats.
bool dateText(const QDate& date, const DateValue& from, QString* out)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return false;
    *out = formatDate(date, writingFormat(from.date, from.format, from.text));
    return true;
}

Outcome numbers(Op op, double a, double b, const QString& t1, const QString& t2)
{
    switch (op) {
    case Op::Add:
        return success(numberText(a + b));
    case Op::Subtract:
        return success(numberText(a - b));
    case Op::Multiply:
        return success(numberText(a * b));
    case Op::Divide:
        if (b == 0.0)
            return failure(Problem::DivideByZero, 2);
        return success(numberText(a / b));
    case Op::Power:
        return success(numberText(std::pow(a, b)));
    case Op::Maximum:
        return success(numberText(qMax(a, b)));
    case Op::Minimum:
        return success(numberText(qMin(a, b)));
    default:
        break;
    }
    // Modulus: an integer remainder of two integers.
    if (b == 0.0)
        return failure(Problem::ModulusByZero, 2);
    qint64 x = 0;
    qint64 y = 0;
    if (!wholeNumber(t1, a, &x))
        return failure(Problem::NotInteger, 1);
    if (!wholeNumber(t2, b, &y))
        return failure(Problem::NotInteger, 2);
    if (y == -1) // avoids the overflow of the smallest integer % -1
        return success(QStringLiteral("0"));
    return success(integerText(x % y));
}

Outcome twoDates(Op op, const DateValue& d1, const DateValue& d2)
{
    QString text;
    switch (op) {
    case Op::Subtract:
        return success(integerText(d2.date.daysTo(d1.date)));
    case Op::Maximum:
    case Op::Minimum: {
        const bool firstWins = (op == Op::Maximum) == (d1.date >= d2.date);
        const DateValue& winner = firstWins ? d1 : d2;
        dateText(winner.date, winner, &text);
        return success(text);
    }
    default:
        return failure(Problem::TwoDates, 0);
    }
}

// One value a date, the other not: only days can be added to or taken from
// a date.
Outcome dateAndOther(Op op, const DateValue& date, int dateSide, const QString& other)
{
    const int otherSide = 3 - dateSide;
    const bool shifts = op == Op::Add || (op == Op::Subtract && dateSide == 1);
    if (!shifts)
        return failure(Problem::OnADate, dateSide);
    double number = 0;
    qint64 days = 0;
    if (!readNumber(other, &number) || !wholeNumber(other, number, &days))
        return failure(Problem::NotInteger, otherSide);
    if (std::llabs(days) > 5000000)
        return failure(Problem::CannotAdd, otherSide);
    QString text;
    if (!dateText(date.date.addDays(op == Op::Add ? days : -days), date, &text))
        return failure(Problem::CannotAdd, otherSide);
    return success(text);
}

Outcome arithmetic(Op op, const QString& t1, const QString& t2)
{
    double a = 0;
    double b = 0;
    const bool n1 = readNumber(t1, &a);
    const bool n2 = readNumber(t2, &b);
    if (n1 && n2)
        return numbers(op, a, b, t1, t2);
    const DateValue d1 = n1 ? DateValue() : readDate(t1);
    const DateValue d2 = n2 ? DateValue() : readDate(t2);
    if (d1.isValid() && d2.isValid())
        return twoDates(op, d1, d2);
    if (d1.isValid())
        return dateAndOther(op, d1, 1, t2);
    if (d2.isValid())
        return dateAndOther(op, d2, 2, t1);
    return failure(Problem::NotNumber, n1 ? 2 : 1);
}

Outcome oneNumber(Op op, const QString& text)
{
    double v = 0;
    if (!readNumber(text, &v)) {
        if (toDateWithFormats(text).isValid())
            return failure(Problem::OnDate, 1);
        return failure(Problem::NotNumber, 1);
    }
    switch (op) {
    case Op::Abs:
        return success(numberText(std::fabs(v)));
    case Op::Ceiling:
        return success(numberText(std::ceil(v)));
    case Op::Floor:
        return success(numberText(std::floor(v)));
    case Op::Round:
        return success(numberText(std::round(v)));
    case Op::Increment:
        return success(numberText(v + 1));
    case Op::Decrement:
        return success(numberText(v - 1));
    case Op::Sign:
        return success(integerText(v > 0 ? 1 : (v < 0 ? -1 : 0)));
    default:
        break;
    }
    if (v <= 0)
        return failure(Problem::NotPositive, 1);
    if (op == Op::Log10)
        return success(numberText(std::log10(v)));
    if (op == Op::Log2)
        return success(numberText(std::log2(v)));
    return success(numberText(std::log(v)));
}

Outcome logic(Op op, const QString& t1, const QString& t2)
{
    bool ok1 = false;
    bool ok2 = false;
    const bool a = toBool(t1, true, false, &ok1);
    if (!ok1)
        return failure(Problem::NotBoolean, 1);
    const bool b = toBool(t2, true, false, &ok2);
    if (!ok2)
        return failure(Problem::NotBoolean, 2);
    bool r = false;
    if (op == Op::And)
        r = a && b;
    else if (op == Op::Or)
        r = a || b;
    else
        r = a != b;
    return success(r ? QStringLiteral("true") : QStringLiteral("false"));
}

Outcome bitwise(Op op, const QString& t1, const QString& t2)
{
    double a = 0;
    double b = 0;
    qint64 x = 0;
    qint64 y = 0;
    if (!readNumber(t1, &a))
        return failure(Problem::NotNumber, 1);
    if (!wholeNumber(t1, a, &x))
        return failure(Problem::NotInteger, 1);
    if (!readNumber(t2, &b))
        return failure(Problem::NotNumber, 2);
    if (!wholeNumber(t2, b, &y))
        return failure(Problem::NotInteger, 2);
    if (op == Op::AndBitwise)
        return success(integerText(x & y));
    if (op == Op::OrBitwise)
        return success(integerText(x | y));
    return success(integerText(x ^ y));
}

Outcome datePart(Op op, const QString& text)
{
    const QDate d = toDateWithFormats(text);
    if (!d.isValid())
        return failure(Problem::NotDate, 1);
    switch (op) {
    case Op::DateToJulianDay:
        return success(integerText(d.toJulianDay()));
    case Op::DaysInMonth:
        return success(integerText(d.daysInMonth()));
    case Op::DaysInYear:
        return success(integerText(d.daysInYear()));
    case Op::DayOfWeek:
        return success(integerText(d.dayOfWeek()));
    case Op::DayOfMonth:
        return success(integerText(d.day()));
    case Op::DayOfYear:
        return success(integerText(d.dayOfYear()));
    case Op::Month:
        return success(integerText(d.month()));
    case Op::Quarter:
        return success(integerText((d.month() - 1) / 3 + 1));
    case Op::WeekOfYear:
        return success(integerText(d.weekNumber()));
    default:
        return success(integerText(d.year()));
    }
}

// A word is a run of non-blank characters holding at least one letter or
// digit, so that a lone dash or bullet between words is not counted.
int wordCount(const QString& text)
{
    int count = 0;
    bool inWord = false;
    bool counted = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            inWord = false;
            continue;
        }
        if (!inWord) {
            inWord = true;
            counted = false;
        }
        if (!counted && c.isLetterOrNumber()) {
            ++count;
            counted = true;
        }
    }
    return count;
}

int occurrences(const QString& needle, const QString& haystack)
{
    if (needle.isEmpty())
        return 0;
    int count = 0;
    int from = haystack.indexOf(needle);
    while (from >= 0) {
        ++count;
        from = haystack.indexOf(needle, from + needle.size());
    }
    return count;
}

Outcome textOperation(Op op, const QString& t1, const QString& t2)
{
    switch (op) {
    case Op::IndexOf: {
        const int at = t2.indexOf(t1);
        return success(at < 0 ? QString() : integerText(at + 1));
    }
    case Op::LastIndexOf: {
        if (t1.isEmpty())
            return success(integerText(t2.size() + 1));
        const int at = t2.lastIndexOf(t1);
        return success(at < 0 ? QString() : integerText(at + 1));
    }
    case Op::Length:
        return success(integerText(t1.size()));
    case Op::LevDistance:
        return success(integerText(levenshtein(t1, t2)));
    case Op::Occurrences:
        return success(integerText(occurrences(t1, t2)));
    default:
        return success(integerText(wordCount(t1)));
    }
}

} // namespace

QStringList operationChoices()
{
    QStringList choices;
    for (const OperationInfo& o : kOperations)
        choices.append(QString::fromLatin1(o.choice));
    return choices;
}

QString choiceText(Op op)
{
    return QString::fromLatin1(info(op).choice);
}

QString nameSymbol(Op op)
{
    const char* symbol = info(op).symbol;
    return *symbol ? QString::fromLatin1(symbol) : choiceText(op);
}

bool takesTwoValues(Op op)
{
    return info(op).twoValues;
}

bool readsDates(Op op)
{
    return info(op).dates;
}

int levenshtein(const QString& a, const QString& b)
{
    const int n = b.size();
    QVector<int> previous(n + 1);
    QVector<int> current(n + 1);
    for (int j = 0; j <= n; ++j)
        previous[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (int j = 1; j <= n; ++j) {
            const int substitution = previous[j - 1] + (a.at(i - 1) == b.at(j - 1) ? 0 : 1);
            current[j] = qMin(substitution, qMin(previous[j], current[j - 1]) + 1);
        }
        std::swap(previous, current);
    }
    return previous[n];
}

Outcome calculate(Op op, const QString& value1, const QString& value2)
{
    switch (op) {
    case Op::Add:
    case Op::Subtract:
    case Op::Multiply:
    case Op::Divide:
    case Op::Power:
    case Op::Modulus:
    case Op::Maximum:
    case Op::Minimum:
        return arithmetic(op, value1, value2);
    case Op::Abs:
    case Op::Ceiling:
    case Op::Floor:
    case Op::Round:
    case Op::Increment:
    case Op::Decrement:
    case Op::Sign:
    case Op::Log10:
    case Op::Log2:
    case Op::Ln:
        return oneNumber(op, value1);
    case Op::And:
    case Op::Or:
    case Op::Xor:
        return logic(op, value1, value2);
    case Op::AndBitwise:
    case Op::OrBitwise:
    case Op::XorBitwise:
        return bitwise(op, value1, value2);
    case Op::DateToJulianDay:
    case Op::DaysInMonth:
    case Op::DaysInYear:
    case Op::DayOfWeek:
    case Op::DayOfMonth:
    case Op::DayOfYear:
    case Op::Month:
    case Op::Quarter:
    case Op::WeekOfYear:
    case Op::Year:
        return datePart(op, value1);
    case Op::IndexOf:
    case Op::LastIndexOf:
    case Op::Length:
    case Op::LevDistance:
    case Op::Occurrences:
    case Op::WordCount:
        return textOperation(op, value1, value2);
    default:
        return detail::dateTimeOperation(op, value1, value2);
    }
}

} // namespace CalculateOps
