#pragma once

// Reading text as numbers, truth values, dates and times, and formatting
// numbers back to text. Every value in a Dataset is text; whoever needs a
// number or a date reads it through these routines so that the same text is
// a number everywhere or nowhere. All of them use the default locale
// (QLocale()) unless a locale is passed, and the default date-format list.

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVector>

class QTextCodec;

#include <memory>
#include <string_view>

// The standard date-format list for a locale: its short date format first
// (unless already listed), then the US or non-US list.
QStringList standardDateFormats(const QLocale& locale);

struct DateFormatShape;

// A date format together with what the quick reading of plain numeric
// dates needs to know about it, worked out once when it is made. It never
// changes afterwards, so threads can share one without a lock; loops that
// read many texts with one format hold one instead of passing the text.
class DateFormat
{
public:
    DateFormat() = default;
    explicit DateFormat(const QString& format);
    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    // Reads an already trimmed text.
    QDate readTrimmed(const QLocale& locale, const QString& trimmed) const;

private:
    QString m_text;
    std::shared_ptr<const DateFormatShape> m_shape;
};

// Formats tried in order, the first that gives a valid date winning.
class DateFormatList
{
public:
    DateFormatList() = default;
    explicit DateFormatList(const QStringList& formats);
    const QStringList& formats() const { return m_formats; }
    QDate read(const QString& text, QString* matchedFormat = nullptr) const;

private:
    QStringList m_formats;
    QVector<DateFormat> m_parsed;
};

// The list of date formats tried by toDateWithFormats() when no list is
// given. Set at start-up and whenever the preferences are applied, never
// while a run reads it.
const QStringList& defaultDateFormats();
const DateFormatList& defaultDateFormatList();
void setDefaultDateFormats(const QStringList& formats);

double toNumber(
    const QString& text, bool emptyIsZero = false, bool ignoreCurrency = false, bool* ok = nullptr);
double toNumber(const QLocale& locale, const QString& text, bool emptyIsZero = false,
    bool ignoreCurrency = false, bool* ok = nullptr);
// A plain decimal ("123", "-4.5", with the decimal point given) read from
// the bytes a column keeps: true with the value that toNumber() gives for
// the same text; false for anything else, which toNumber() has to read.
bool readPlainDecimal(std::string_view bytes, QChar decimalPoint, double* value);
QVector<double> toNumbers(
    const QStringList& texts, bool emptyIsZero = false, bool ignoreCurrency = false);
bool toBool(const QString& text, bool emptyIsInvalid = false, bool allowNumbers = false,
    bool* ok = nullptr);
QDate toDate(const QString& text, const QString& format);
QDate toDate(const QString& text, const DateFormat& format);
QDate toDateWithFormats(
    const QString& text, const QStringList& formats, QString* matchedFormat = nullptr);
QDate toDateWithFormats(
    const QString& text, const DateFormatList& formats, QString* matchedFormat = nullptr);
QDate toDateWithFormats(const QString& text, QString* matchedFormat = nullptr);
QTime toTime(const QString& text);
// The same reading with an explicit locale (month and day names, digits).
QDate toDate(const QLocale& locale, const QString& text, const QString& format);
QDate toDate(const QLocale& locale, const QString& text, const DateFormat& format);
// Reads a date with a time of day by a format that has time fields (h, H,
// m, s, z, a, A, t outside quotes); a date-only format gives midnight.
QDateTime toDateTime(const QLocale& locale, const QString& text, const QString& format);
bool formatHasTimeFields(const QString& format);

QString formatNumber(
    double value, bool groupSeparators = false, int decimals = -1, bool trimZeros = true);
QString formatInteger(qint64 value, bool groupSeparators = true);
// The shortest decimal text that reads back as the same double, in fixed
// notation with the locale's decimal point and no group separators: how a
// workbook's number cell becomes text.
QString formatShortestNumber(double value);
QString formatPercent(
    double fraction, double minimum = 0.0, int decimals = 1, bool trimZeros = true);
QString formatDuration(qint64 milliseconds);
// A moment shown to the user (a run's start and end, when an item was last
// processed, when a file changed): one unambiguous form everywhere, whatever
// the locale's order of day and month, "2026-12-07 23:14:22"; empty when
// invalid.
QString formatTimestamp(const QDateTime& when);
QString formatDate(const QDate& date, const QString& format);
QString formatTime(const QTime& time, const QString& format);

QString normalizeSpace(const QString& text);
QString plainSpaces(const QString& text);
QString showInvisibles(const QString& text);
QString elide(const QString& text, int maximumLength, bool withEllipsis = true);

bool smartLessThan(const QString& a, const QString& b);

// "%1 row"/"%1 rows" style: the count with group separators and the word
// chosen by the count.
QString countText(qint64 count, const QString& singular, const QString& plural);

// One value of a delimited-text line, quoted "as needed": double quotes are
// doubled and the value is wrapped in quotes when it holds a quote, the
// delimiter, a line feed or a carriage return.
QString quoteAsNeeded(const QString& value, QChar delimiter);
// Whether quoteAsNeeded() would quote the value.
bool needsQuoting(const QString& value, QChar delimiter);
// Whether Latin-1 bytes are ASCII that quoteAsNeeded() would leave as it is,
// so that they can be written as UTF-8 unchanged.
bool isPlainAscii(std::string_view bytes, QChar delimiter);

// The codec of an encoding name as the options store it ("UTF-8",
// "Windows-1252", ...); "System" is the codec of the machine's locale. Null
// for a name no codec answers to.
QTextCodec* codecForEncoding(const QString& name);
