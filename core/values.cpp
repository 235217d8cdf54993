#include "core/values.h"

#include <QHash>
#include <QTextCodec>

#include <charconv>
#include <cmath>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VARNIX_VALUES_SSE2 1
#endif

namespace {

DateFormatList standardDefaultList();

// Replaced only from the user interface thread between runs; the first use
// fills it under the guarantee of a function-local static.
DateFormatList& dateFormatList()
{
    static DateFormatList list = standardDefaultList();
    return list;
}

// The locale with group separators switched on: the C locale omits them by
// default, but counts shown to the user must carry them in every locale.
QLocale groupingLocale()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

// Plain decimal numbers ("123", "-4.5") are by far the most common numeric
// cells. They are parsed directly; anything else goes through the locale's
// parser, which has the last word on what a number is.
bool parsePlainDecimal(const QString& text, QChar decimalPoint, double* value)
{
    const int n = text.size();
    if (n == 0 || n > 40)
        return false;
    char buffer[48];
    for (int i = 0; i < n; ++i) {
        const ushort c = text.at(i).unicode();
        if (c > 0x7F)
            return false;
        buffer[i] = char(c);
    }
    return readPlainDecimal(std::string_view(buffer, size_t(n)), decimalPoint, value);
}

} // namespace

bool readPlainDecimal(std::string_view bytes, QChar decimalPoint, double* value)
{
    const size_t n = bytes.size();
    if (n == 0 || n > 40)
        return false;
    bool sawDigit = false;
    bool sawPoint = false;
    for (size_t i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c >= '0' && c <= '9')
            sawDigit = true;
        else if (c == '.' && decimalPoint == QLatin1Char('.') && !sawPoint)
            sawPoint = true;
        else if (c != '-' || i != 0)
            return false;
    }
    if (!sawDigit)
        return false;
    const auto result = std::from_chars(bytes.data(), bytes.data() + n, *value);
    return result.ec == std::errc() && result.ptr == bytes.data() + n;
}

namespace {

bool isNonNumberWord(const QString& trimmed)
{
    if (trimmed.size() < 3 || trimmed.size() > 4)
        return false;
    return trimmed.compare(QLatin1String("nan"), Qt::CaseInsensitive) == 0
        || trimmed.compare(QLatin1String("inf"), Qt::CaseInsensitive) == 0
        || trimmed.compare(QLatin1String("-inf"), Qt::CaseInsensitive) == 0;
}

QString withoutCurrency(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Symbol_Currency)
            result.append(c);
    }
    return result;
}

// What a date format can match, worked out once per format. Most formats are
// made only of numeric fields (d, dd, M, MM, yy, yyyy) and separators; the
// toolkit's parser takes d and M with one or two digits, dd, MM and yy with
// exactly two and yyyy with exactly four. A text made only of digits and
// separators is checked against that shape here, which spares the
// comparatively slow parser almost every text that cannot match. Of other
// characters the parser only ever accepts a plus sign before a field, so
// such texts are left to it; any other character rules the format out.
struct DateField
{
    char kind = 'd'; // 'd', 'M' or 'y'
    int minDigits = 1;
    int maxDigits = 2;
};

} // namespace

struct DateFormatShape
{
    bool numericOnly = false;
    bool structural = false; // fields are separated by literals: shape check applies
    bool complete = false; // exactly one day, one month and one year field
    QString separators; // every literal character of the format
    QVector<DateField> fields;
    QStringList literals; // before the first field, between fields, after the last
};

namespace {

DateFormatShape shapeOf(const QString& format)
{
    DateFormatShape shape;
    shape.numericOnly = true;
    shape.structural = true;
    QString literal;
    bool lastWasField = false;
    int i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        int run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        i += run;
        const bool dayOrMonth = c == QLatin1Char('d') || c == QLatin1Char('M');
        if ((dayOrMonth && run <= 2) || (c == QLatin1Char('y') && (run == 2 || run == 4))) {
            if (lastWasField)
                shape.structural = false;
            shape.literals.append(literal);
            literal.clear();
            const int minDigits = c == QLatin1Char('y') ? run : (run == 2 ? 2 : 1);
            shape.fields.append(
                DateField { char(c.unicode()), minDigits, c == QLatin1Char('y') ? run : 2 });
            lastWasField = true;
        } else if (c.isLetter() || c.isDigit() || c == QLatin1Char('\'')) {
            shape.numericOnly = false;
            return shape;
        } else {
            literal += QString(run, c);
            for (int k = 0; k < run; ++k) {
                if (!shape.separators.contains(c))
                    shape.separators.append(c);
            }
            lastWasField = false;
        }
    }
    shape.literals.append(literal);
    QString kinds;
    for (const DateField& field : shape.fields)
        kinds.append(QLatin1Char(field.kind));
    shape.complete = kinds.size() == 3 && kinds.contains(QLatin1Char('d'))
        && kinds.contains(QLatin1Char('M')) && kinds.contains(QLatin1Char('y'));
    return shape;
}

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Walks digit runs and separator runs of a clean text against the shape,
// collecting the field values.
bool fitsShape(const QString& text, const DateFormatShape& shape, int* values)
{
    int pos = 0;
    const int n = text.size();
    for (int f = 0; f <= shape.fields.size(); ++f) {
        const QString& literal = shape.literals.at(f);
        if (text.midRef(pos, literal.size()) != literal)
            return false;
        pos += literal.size();
        if (f == shape.fields.size())
            break;
        const DateField& field = shape.fields.at(f);
        int digits = 0;
        int value = 0;
        // A run longer than the field can never match; stopping one digit
        // past it keeps the value far from overflowing on long ids.
        while (pos + digits < n && isAsciiDigit(text.at(pos + digits))) {
            if (++digits > field.maxDigits)
                return false;
            value = value * 10 + (text.at(pos + digits - 1).unicode() - '0');
        }
        if (digits < field.minDigits)
            return false;
        if (f < 3)
            values[f] = value;
        pos += digits;
    }
    return pos == n;
}

// Decides a text against a format without the toolkit's parser where that
// is certain to give the parser's answer; returns false when undecided.
bool quickDate(const QString& text, const DateFormatShape& shape, QDate* date)
{
    *date = QDate();
    if (!shape.numericOnly)
        return false;
    bool clean = true;
    for (const QChar c : text) {
        if (isAsciiDigit(c) || shape.separators.contains(c))
            continue;
        // The parser takes a plus sign before a field, and perhaps other
        // scripts' digits; any other stray character makes the text no date.
        if (c == QLatin1Char('+') || c.isDigit())
            clean = false;
        else
            return true;
    }
    if (!clean || !shape.structural)
        return false;
    int values[3] = { 0, 0, 0 };
    if (!fitsShape(text, shape, values))
        return true;
    if (!shape.complete)
        return false;
    int year = 0, month = 0, day = 0;
    for (int f = 0; f < 3; ++f) {
        const DateField& field = shape.fields.at(f);
        if (field.kind == 'd')
            day = values[f];
        else if (field.kind == 'M')
            month = values[f];
        else
            year = field.maxDigits == 2 ? 1900 + values[f] : values[f];
    }
    if (QDate::isValid(year, month, day))
        *date = QDate(year, month, day);
    return true;
}

QDate parseDate(const QLocale& locale, const QString& trimmed, const QString& format)
{
    const QDate date = locale.toDate(trimmed, format);
    return date.isValid() ? date : QDate();
}

DateFormatList standardDefaultList()
{
    return DateFormatList(standardDateFormats(QLocale()));
}

} // namespace

DateFormat::DateFormat(const QString& format)
    : m_text(format), m_shape(std::make_shared<const DateFormatShape>(shapeOf(format)))
{
}

QDate DateFormat::readTrimmed(const QLocale& locale, const QString& trimmed) const
{
    QDate date;
    if (m_shape && locale.zeroDigit() == QLatin1Char('0') && quickDate(trimmed, *m_shape, &date))
        return date;
    return parseDate(locale, trimmed, m_text);
}

DateFormatList::DateFormatList(const QStringList& formats) : m_formats(formats)
{
    m_parsed.reserve(formats.size());
    for (const QString& format : formats)
        m_parsed.append(DateFormat(format));
}

QDate DateFormatList::read(const QString& text, QString* matchedFormat) const
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QDate();
    const QLocale locale;
    for (const DateFormat& format : m_parsed) {
        const QDate date = format.readTrimmed(locale, trimmed);
        if (date.isValid()) {
            if (matchedFormat)
                *matchedFormat = format.text();
            return date;
        }
    }
    return QDate();
}

QStringList standardDateFormats(const QLocale& locale)
{
    static const QStringList us
        = { QStringLiteral("M/d/yyyy"), QStringLiteral("d/M/yyyy"), QStringLiteral("yyyy/M/d"),
              QStringLiteral("M/d/yy"), QStringLiteral("d/M/yy"), QStringLiteral("yy/M/d"),
              QStringLiteral("M-d-yyyy"), QStringLiteral("d-M-yyyy"), QStringLiteral("yyyy-M-d"),
              QStringLiteral("M-d-yy"), QStringLiteral("d-M-yy"), QStringLiteral("yy-M-d") };
    static const QStringList other
        = { QStringLiteral("d/M/yyyy"), QStringLiteral("M/d/yyyy"), QStringLiteral("yyyy/M/d"),
              QStringLiteral("d/M/yy"), QStringLiteral("M/d/yy"), QStringLiteral("yy/M/d"),
              QStringLiteral("d-M-yyyy"), QStringLiteral("M-d-yyyy"), QStringLiteral("yyyy-M-d"),
              QStringLiteral("d-M-yy"), QStringLiteral("M-d-yy"), QStringLiteral("yy-M-d") };
    QStringList formats = locale.country() == QLocale::UnitedStates ? us : other;
    const QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
    if (!formats.contains(shortFormat))
        formats.prepend(shortFormat);
    return formats;
}

const QStringList& defaultDateFormats()
{
    return dateFormatList().formats();
}

const DateFormatList& defaultDateFormatList()
{
    return dateFormatList();
}

void setDefaultDateFormats(const QStringList& formats)
{
    // An empty list stands for the locale's standard one.
    dateFormatList() = formats.isEmpty() ? DateFormatList(standardDateFormats(QLocale()))
                                         : DateFormatList(formats);
}

double toNumber(const QString& text, bool emptyIsZero, bool ignoreCurrency, bool* ok)
{
    return toNumber(QLocale(), text, emptyIsZero, ignoreCurrency, ok);
}

double toNumber(
    const QLocale& locale, const QString& text, bool emptyIsZero, bool ignoreCurrency, bool* ok)
{
    bool dummy;
    bool& good = ok ? *ok : dummy;
    double value = 0.0;
    // Most number columns hold plain decimals: no space, sign of currency
    // or word to take off, and no copy to make.
    if (parsePlainDecimal(text, locale.decimalPoint(), &value)) {
        good = true;
        return value;
    }
    good = false;
    QString trimmed = text.trimmed();
    if (isNonNumberWord(trimmed))
        return 0.0;
    if (ignoreCurrency)
        trimmed = withoutCurrency(trimmed);
    if (trimmed.isEmpty()) {
        good = emptyIsZero;
        return 0.0;
    }
    if (parsePlainDecimal(trimmed, locale.decimalPoint(), &value)) {
        good = true;
        return value;
    }
    value = locale.toDouble(trimmed, &good);
    // Words such as "infinity" and overflowing exponents are never numbers.
    if (!good || !std::isfinite(value)) {
        good = false;
        return 0.0;
    }
    return value;
}

QVector<double> toNumbers(const QStringList& texts, bool emptyIsZero, bool ignoreCurrency)
{
    QVector<double> numbers;
    numbers.reserve(texts.size());
    const QLocale locale;
    for (const QString& text : texts) {
        bool ok = false;
        const double value = toNumber(locale, text, emptyIsZero, ignoreCurrency, &ok);
        if (ok)
            numbers.append(value);
    }
    return numbers;
}

bool toBool(const QString& text, bool emptyIsInvalid, bool allowNumbers, bool* ok)
{
    bool dummy;
    bool& good = ok ? *ok : dummy;
    good = false;
    const QString t = text.trimmed().toLower();
    if (t.isEmpty())
        return false;
    Q_UNUSED(emptyIsInvalid) // an empty text is invalid either way; the flag only decides it early
    if (t == QLatin1String("true")) {
        good = true;
        return true;
    }
    if (t == QLatin1String("false")) {
        good = true;
        return false;
    }
    if (!allowNumbers)
        return false;
    bool numberOk = false;
    const double value = toNumber(t, false, false, &numberOk);
    if (!numberOk)
        return false;
    good = true;
    return value != 0.0;
}

QDate toDate(const QString& text, const QString& format)
{
    return toDate(QLocale(), text, format);
}

QDate toDate(const QString& text, const DateFormat& format)
{
    return format.readTrimmed(QLocale(), text.trimmed());
}

QDate toDate(const QLocale& locale, const QString& text, const QString& format)
{
    return DateFormat(format).readTrimmed(locale, text.trimmed());
}

QDate toDate(const QLocale& locale, const QString& text, const DateFormat& format)
{
    return format.readTrimmed(locale, text.trimmed());
}

QDate toDateWithFormats(const QString& text, const QStringList& formats, QString* matchedFormat)
{
    // The default list already has its shapes (a shared copy compares at
    // once); any other is worked out here.
    if (formats == defaultDateFormats())
        return defaultDateFormatList().read(text, matchedFormat);
    return DateFormatList(formats).read(text, matchedFormat);
}

QDate toDateWithFormats(const QString& text, const DateFormatList& formats, QString* matchedFormat)
{
    return formats.read(text, matchedFormat);
}

QDate toDateWithFormats(const QString& text, QString* matchedFormat)
{
    return defaultDateFormatList().read(text, matchedFormat);
}

bool formatHasTimeFields(const QString& format)
{
    static const QString timeLetters = QStringLiteral("hHmszaAt");
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && timeLetters.contains(c))
            return true;
    }
    return false;
}

QDateTime toDateTime(const QLocale& locale, const QString& text, const QString& format)
{
    if (!formatHasTimeFields(format)) {
        const QDate date = toDate(locale, text, format);
        return date.isValid() ? QDateTime(date, QTime(0, 0)) : QDateTime();
    }
    const QDateTime result = locale.toDateTime(text.trimmed(), format);
    return result.isValid() ? result : QDateTime();
}

QTime toTime(const QString& text)
{
    const QString trimmed = text.trimmed();
    QTime time = QTime::fromString(trimmed, QStringLiteral("h:m:s"));
    if (!time.isValid())
        time = QTime::fromString(trimmed, QStringLiteral("h:m"));
    return time;
}

QString formatNumber(double value, bool groupSeparators, int decimals, bool trimZeros)
{
    if (std::isinf(value))
        return QStringLiteral("NaN");
    if (decimals < 0) {
        const double magnitude = std::fabs(value);
        int integerDigits = magnitude == 0.0 ? 0 : int(std::ceil(std::log10(magnitude)));
        if (integerDigits < 0)
            integerDigits = 0;
        decimals = qMax(0, 15 - integerDigits);
    }
    const QLocale locale = groupingLocale();
    QString text = locale.toString(value, 'f', decimals);
    if (text.compare(QLatin1String("nan"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("NaN");
    const QChar point = locale.decimalPoint();
    if (text.contains(point)) {
        if (trimZeros) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
        }
        if (text.endsWith(point))
            text.chop(1);
    }
    if (!groupSeparators)
        text.remove(locale.groupSeparator());
    if (value < 0 && text.startsWith(locale.negativeSign())) {
        bool ok = false;
        if (toNumber(locale, text, false, false, &ok) == 0.0 && ok)
            text.remove(0, 1);
    }
    return text;
}

QString formatShortestNumber(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("NaN");
    if (value == 0.0)
        return QStringLiteral("0"); // negative zero included
    // Fixed notation of 1e308 takes 309 digits; the buffer holds any double.
    char buffer[400];
    const std::to_chars_result end
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer, int(end.ptr - buffer));
    const QLocale locale;
    if (locale.decimalPoint() != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), locale.decimalPoint());
    if (locale.negativeSign() != QLatin1Char('-'))
        text.replace(QLatin1Char('-'), locale.negativeSign());
    return text;
}

QString formatInteger(qint64 value, bool groupSeparators)
{
    const QLocale locale = groupingLocale();
    QString text = locale.toString(value);
    if (!groupSeparators)
        text.remove(locale.groupSeparator());
    return text;
}

QString formatPercent(double fraction, double minimum, int decimals, bool trimZeros)
{
    const double percent = fraction * 100.0;
    if (percent >= minimum)
        return formatNumber(percent, false, decimals, trimZeros) + QLatin1Char('%');
    return QLatin1Char('<') + formatNumber(minimum, false, decimals, trimZeros) + QLatin1Char('%');
}

QString formatTimestamp(const QDateTime& when)
{
    return when.isValid() ? when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString formatDuration(qint64 milliseconds)
{
    const QLocale locale;
    if (milliseconds == 0)
        return QStringLiteral("<%1 second(s)").arg(locale.toString(0.001, 'g', 6));
    return QStringLiteral("%1 second(s)").arg(locale.toString(milliseconds / 1000.0, 'g', 6));
}

QString formatDate(const QDate& date, const QString& format)
{
    return QLocale().toString(date, format);
}

QString formatTime(const QTime& time, const QString& format)
{
    return QLocale().toString(time, format);
}

QString normalizeSpace(const QString& text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text.at(i) == QLatin1Char(' ') || !text.at(i).isSpace()))
        ++i;
    if (i == n)
        return text;
    QString result;
    result.reserve(n);
    result.append(text.constData(), i);
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r'))
            continue;
        result.append(c.isSpace() ? QChar(QLatin1Char(' ')) : c);
    }
    return result;
}

QString plainSpaces(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        const ushort u = c.unicode();
        if (c.isSpace() && u != '\t' && u != '\n' && u != '\r' && u != ' ')
            c = QLatin1Char(' ');
    }
    return result;
}

QString showInvisibles(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        switch (c.unicode()) {
        case 0x0000:
            c = QChar(0x2205);
            break;
        case '\t':
            c = QChar(0x2192);
            break;
        case '\n':
            c = QChar(0x21B5);
            break;
        case '\r':
            c = QChar(0x2190);
            break;
        case ' ':
            c = QChar(0x00B7);
            break;
        case 0x00A0:
            c = QChar(0x237D);
            break;
        default:
            if (c.isSpace())
                c = QChar(0x25A1);
        }
    }
    return result;
}

QString elide(const QString& text, int maximumLength, bool withEllipsis)
{
    if (maximumLength < 0 || text.size() <= maximumLength)
        return text;
    if (withEllipsis && maximumLength > 1)
        return text.left(maximumLength - 1) + QChar(0x2026);
    return text.left(maximumLength);
}

bool smartLessThan(const QString& a, const QString& b)
{
    bool aNumber = false;
    bool bNumber = false;
    const double x = toNumber(a, false, true, &aNumber);
    const double y = aNumber ? toNumber(b, false, true, &bNumber) : 0.0;
    if (aNumber && bNumber)
        return x < y;
    const QDate aDate = toDateWithFormats(a);
    if (aDate.isValid()) {
        const QDate bDate = toDateWithFormats(b);
        if (bDate.isValid())
            return aDate < bDate;
    }
    return a < b;
}

QString countText(qint64 count, const QString& singular, const QString& plural)
{
    return formatInteger(count, true) + QLatin1Char(' ') + (count == 1 ? singular : plural);
}

// Eight bytes at a time, a byte equal to one sought found as a zero byte of
// the difference.
bool isPlainAscii(std::string_view bytes, QChar delimiter)
{
    constexpr quint64 ones = ~quint64(0) / 255;
    constexpr quint64 high = ones * 128;
    const ushort d = delimiter.unicode();
    const quint64 ds = ones * (d < 0x80 ? d : '"');
    const auto hasZero = [](quint64 x) { return (x - ones) & ~x & high; };
    const char* p = bytes.data();
    size_t n = bytes.size();
    for (; n >= 8; p += 8, n -= 8) {
        quint64 w;
        std::memcpy(&w, p, 8);
        if ((w & high) || hasZero(w ^ ds) || hasZero(w ^ (ones * '"')) || hasZero(w ^ (ones * '\n'))
            || hasZero(w ^ (ones * '\r')))
            return false;
    }
    for (; n > 0; ++p, --n) {
        const uchar c = uchar(*p);
        if (c >= 0x80 || c == d || c == '"' || c == '\n' || c == '\r')
            return false;
    }
    return true;
}

bool needsQuoting(const QString& value, QChar delimiter)
{
    const ushort d = delimiter.unicode();
    const ushort* p = reinterpret_cast<const ushort*>(value.constData());
    const ushort* end = p + value.size();
#ifdef VARNIX_VALUES_SSE2
    // Eight characters per step: writers ask this of every cell, and a
    // character-by-character loop was the largest cost of writing a big table.
    // Most cells are short, so the last part of a value (and a value of four
    // to seven characters) is one step of two loads that overlap: looking at
    // a character twice changes nothing.
    const __m128i vd = _mm_set1_epi16(short(d));
    const __m128i vq = _mm_set1_epi16('"');
    const __m128i vlf = _mm_set1_epi16('\n');
    const __m128i vcr = _mm_set1_epi16('\r');
    const auto special = [&](__m128i chunk) {
        const __m128i hits
            = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(chunk, vd), _mm_cmpeq_epi16(chunk, vq)),
                _mm_or_si128(_mm_cmpeq_epi16(chunk, vlf), _mm_cmpeq_epi16(chunk, vcr)));
        return _mm_movemask_epi8(hits) != 0;
    };
    if (end - p >= 8) {
        for (; end - p > 8; p += 8) {
            if (special(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))))
                return true;
        }
        return special(_mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 8)));
    }
    if (end - p >= 4) {
        long long head;
        long long tail;
        std::memcpy(&head, p, 8);
        std::memcpy(&tail, end - 4, 8);
        return special(_mm_set_epi64x(tail, head));
    }
#endif
    for (; p != end; ++p) {
        // Every character that matters is below '#' or is the delimiter.
        const ushort c = *p;
        if ((c <= '"' && (c == '"' || c == '\n' || c == '\r')) || c == d)
            return true;
    }
    return false;
}

QString quoteAsNeeded(const QString& value, QChar delimiter)
{
    if (!needsQuoting(value, delimiter))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QTextCodec* codecForEncoding(const QString& name)
{
    if (name.compare(QLatin1String("System"), Qt::CaseInsensitive) == 0)
        return QTextCodec::codecForLocale();
    return QTextCodec::codecForName(name.toLatin1());
}
