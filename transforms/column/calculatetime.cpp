// The Calculate operations on ISO date-times, times of day and Julian day
// numbers. Unlike the plain date operations these read fixed notations
// rather than the user's date formats, so that values exchanged with other
// systems (time stamps, epoch milliseconds) round-trip exactly.

#include "transforms/column/calculatesupport.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace CalculateOps {
namespace detail {

namespace {

constexpr qint64 MSecsPerDay = 86400000;

QDateTime readIsoDateTime(const QString& text)
{
    return QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
}

// Milliseconds are written only when there are any, so whole-second stamps
// keep their usual form. Years outside 0 to 9999 have no ISO text.
QString isoText(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return QString();
    return dateTime.toString(dateTime.time().msec() != 0 ? Qt::ISODateWithMs : Qt::ISODate);
}

// "h:m:s" with an optional fraction of a second, or "h:m". The fraction is
// read as a decimal fraction, so ".5" is half a second.
bool readTime(const QString& text, QTime* time)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2})(?:\\.(\\d{1,3}))?)?$"));
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    int msecs = 0;
    const QString fraction = m.captured(4);
    if (!fraction.isEmpty())
        msecs = QString(fraction + QStringLiteral("00")).left(3).toInt();
    *time = QTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), msecs);
    return time->isValid();
}

QString timeText(const QTime& time)
{
    return time.toString(
        time.msec() != 0 ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

// Amounts beyond these would leave the years that can be written anyway;
// refusing them early keeps the date arithmetic clear of overflow.
qint64 amountLimit(Op op)
{
    switch (op) {
    case Op::DateTimeAddDays:
        return 5000000;
    case Op::DateTimeAddHours:
        return 120000000;
    case Op::DateTimeAddMonths:
        return 200000;
    case Op::DateTimeAddSecs:
        return 500000000000LL;
    case Op::DateTimeAddYears:
        return 20000;
    default:
        return 500000000000000LL;
    }
}

QDateTime shifted(Op op, const QDateTime& from, qint64 amount)
{
    switch (op) {
    case Op::DateTimeAddDays:
        return from.addDays(amount);
    case Op::DateTimeAddHours:
        return from.addSecs(amount * 3600);
    case Op::DateTimeAddMonths:
        return from.addMonths(int(amount));
    case Op::DateTimeAddSecs:
        return from.addSecs(amount);
    case Op::DateTimeAddYears:
        return from.addYears(int(amount));
    default:
        return from.addMSecs(amount);
    }
}

Outcome addToDateTime(Op op, const QString& t1, const QString& t2)
{
    const QDateTime from = readIsoDateTime(t1);
    if (!from.isValid())
        return failure(Problem::NotIsoDateTime, 1);
    double number = 0;
    qint64 amount = 0;
    if (!readNumber(t2, &number) || !wholeNumber(t2, number, &amount))
        return failure(Problem::NotInteger, 2);
    if (std::llabs(amount) > amountLimit(op))
        return failure(Problem::CannotAdd, 2);
    const QString text = isoText(shifted(op, from, amount));
    if (text.isEmpty())
        return failure(Problem::CannotAdd, 2);
    return success(text);
}

Outcome msecsToDateTime(const QString& text)
{
    double number = 0;
    qint64 msecs = 0;
    if (!readNumber(text, &number))
        return failure(Problem::NotMsecsSinceEpoch, 1);
    if (!wholeNumber(text, number, &msecs))
        return failure(Problem::NotIntegerMsecs, 1);
    // Written in UTC: the same count gives the same text on every machine.
    const QString result = isoText(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC));
    if (result.isEmpty())
        return failure(Problem::NotMsecsSinceEpoch, 1);
    return success(result);
}

Outcome msecsToTime(const QString& text)
{
    double number = 0;
    qint64 msecs = 0;
    if (!readNumber(text, &number) || !wholeNumber(text, number, &msecs))
        return failure(Problem::IntegerMsecsExpected, 1);
    if (msecs < 0 || msecs >= MSecsPerDay)
        return failure(Problem::MsecsOutOfRange, 1);
    return success(timeText(QTime::fromMSecsSinceStartOfDay(int(msecs))));
}

Outcome julianDayToDate(const QString& text)
{
    double number = 0;
    qint64 day = 0;
    if (!readNumber(text, &number))
        return failure(Problem::NotJulianDay, 1);
    if (!wholeNumber(text, number, &day))
        return failure(Problem::NotIntegerJulianDay, 1);
    const QString result = QDate::fromJulianDay(day).toString(Qt::ISODate);
    if (result.isEmpty())
        return failure(Problem::JulianOutOfRange, 1);
    return success(result);
}

} // namespace

Outcome dateTimeOperation(Op op, const QString& value1, const QString& value2)
{
    switch (op) {
    case Op::DateTimeAddDays:
    case Op::DateTimeAddHours:
    case Op::DateTimeAddMonths:
    case Op::DateTimeAddMSecs:
    case Op::DateTimeAddSecs:
    case Op::DateTimeAddYears:
        return addToDateTime(op, value1, value2);
    case Op::DateTimeToMSecs:
    case Op::DateTimeToUTC: {
        const QDateTime dateTime = readIsoDateTime(value1);
        if (!dateTime.isValid())
            return failure(Problem::NotIsoDateTime, 1);
        if (op == Op::DateTimeToMSecs)
            return success(integerText(dateTime.toMSecsSinceEpoch()));
        return success(isoText(dateTime.toUTC()));
    }
    case Op::MSecsToDateTime:
        return msecsToDateTime(value1);
    case Op::MSecsToTime:
        return msecsToTime(value1);
    case Op::TimeToMSecs: {
        QTime time;
        if (!readTime(value1, &time))
            return failure(Problem::NotTime, 1);
        return success(integerText(time.msecsSinceStartOfDay()));
    }
    default:
        return julianDayToDate(value1);
    }
}

} // namespace detail
} // namespace CalculateOps
