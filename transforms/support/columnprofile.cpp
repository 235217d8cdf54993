#include "transforms/support/columnprofile.h"

#include "core/dataset.h"
#include "core/parallel.h"
#include "core/textcolumn.h"
#include "core/values.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr int TopCount = 10;

// A trap's count and its first example.
struct Trap
{
    int count = 0;
    QString example;
    void add(const QString& value, int times)
    {
        if (count == 0)
            example = value;
        count += times;
    }
};

// UTF-8 read as Windows-1252 or ISO-8859-1, and replacement characters. Made
// per column: matching one pattern object from two threads is not something
// Qt promises.
struct Patterns
{
    QRegularExpression misdecoded { QStringLiteral(
        "\\x{00C3}[\\x{0080}-\\x{00BF}\\x{2018}-\\x{203A}\\x{20AC}\\x{2122}]|\\x{00E2}"
        "\\x{20AC}|\\x{00C2}[\\x{0080}-\\x{00BF}]|\\x{FFFD}") };
};

// The traps about digits look for simple shapes (a day and month, digits
// with separators, a leading zero, a long run of digits). Every distinct
// value with a digit is tried, so they are read by hand in one pass each
// rather than by four patterns: the profile of a million distinct values
// spent most of its time in the pattern engine.
int digitsFrom(const QString& v, int at)
{
    int end = at;
    while (end < v.size() && v.at(end).isDigit())
        ++end;
    return end - at;
}

bool isDateSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('.') || c == QLatin1Char('-');
}

// "d/M/yy" and the like with '/', '.' or '-': the day-or-month numbers.
bool dayMonthParts(const QString& v, int* first, int* second)
{
    const int a = digitsFrom(v, 0);
    if (a < 1 || a > 2 || a >= v.size() || !isDateSeparator(v.at(a)))
        return false;
    const int b = digitsFrom(v, a + 1);
    const int afterB = a + 1 + b;
    if (b < 1 || b > 2 || afterB >= v.size() || !isDateSeparator(v.at(afterB)))
        return false;
    const int c = digitsFrom(v, afterB + 1);
    if ((c != 2 && c != 4) || afterB + 1 + c != v.size())
        return false;
    *first = v.leftRef(a).toInt();
    *second = v.midRef(a + 1, b).toInt();
    return true;
}

int signLength(const QString& v)
{
    return !v.isEmpty() && (v.at(0) == QLatin1Char('+') || v.at(0) == QLatin1Char('-')) ? 1 : 0;
}

// A number with '.' or ',' among its digits, starting and ending in a digit.
bool isSeparatedNumber(const QString& v)
{
    const int start = signLength(v);
    if (v.size() - start < 3 || !v.at(start).isDigit() || !v.at(v.size() - 1).isDigit())
        return false;
    bool marks = false;
    for (auto c = v.begin() + start; c != v.end(); ++c) {
        if (*c == QLatin1Char('.') || *c == QLatin1Char(','))
            marks = true;
        else if (!c->isDigit())
            return false;
    }
    return marks;
}

bool hasLeadingZero(const QString& v)
{
    return v.size() >= 2 && v.at(0) == QLatin1Char('0') && digitsFrom(v, 1) == v.size() - 1;
}

bool isLongNumber(const QString& v)
{
    const int start = signLength(v);
    const int digits = digitsFrom(v, start);
    return digits >= 16 && start + digits == v.size();
}

struct Traps
{
    Trap ambiguousDates;
    Trap dotDecimal;
    Trap commaDecimal;
    Trap leadingZeros;
    Trap longNumbers;
    Trap misdecoded;
};

// Which character a number uses as its decimal point: '.', ',' or none
// when the value does not tell ("1,234" may be either).
QChar decimalMark(const QString& value)
{
    const int dots = value.count(QLatin1Char('.'));
    const int commas = value.count(QLatin1Char(','));
    if (dots > 0 && commas > 0)
        return value.at(
            std::max(value.lastIndexOf(QLatin1Char('.')), value.lastIndexOf(QLatin1Char(','))));
    const QChar mark = dots > 0 ? QLatin1Char('.') : QLatin1Char(',');
    const int marks = std::max(dots, commas);
    if (marks == 0)
        return QChar();
    if (marks > 1) // repeated, so the group separator: the other is the point
        return mark == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');
    const int after = value.size() - value.lastIndexOf(mark) - 1;
    return after == 3 ? QChar() : mark;
}

bool hasDigit(const QString& value)
{
    return std::any_of(value.begin(), value.end(), [](QChar c) { return c.isDigit(); });
}

// Characters that text decoded with the wrong encoding shows: where none
// is, the pattern need not be tried.
bool mayBeMisdecoded(const QString& value)
{
    return std::any_of(value.begin(), value.end(), [](QChar c) {
        const ushort u = c.unicode();
        return u == 0x00C3 || u == 0x00E2 || u == 0x00C2 || u == 0xFFFD;
    });
}

void checkTraps(const QString& value, bool digits, int times, const Patterns& p, Traps& t)
{
    if (mayBeMisdecoded(value) && p.misdecoded.match(value).hasMatch())
        t.misdecoded.add(value, times);
    // The other traps are all about digits.
    if (!digits)
        return;
    int first = 0;
    int second = 0;
    if (dayMonthParts(value, &first, &second) && first >= 1 && first <= 12 && second >= 1
        && second <= 12 && first != second)
        t.ambiguousDates.add(value, times);
    if (isSeparatedNumber(value)) {
        const QChar mark = decimalMark(value);
        if (mark == QLatin1Char('.'))
            t.dotDecimal.add(value, times);
        else if (mark == QLatin1Char(','))
            t.commaDecimal.add(value, times);
    }
    if (hasLeadingZero(value))
        t.leadingZeros.add(value, times);
    if (isLongNumber(value))
        t.longNumbers.add(value, times);
}

QStringList trapLines(const QString& column, const Traps& t, const ColumnProfile& profile)
{
    QStringList lines;
    auto line = [&](const Trap& trap, const char* text) {
        if (trap.count > 0)
            lines << QString::fromUtf8(text).arg(column, formatInteger(trap.count), trap.example);
    };
    line(t.ambiguousDates,
        "Column '%1': %2 values read both as month/day and day/month (for example '%3')");
    if (t.dotDecimal.count > 0 && t.commaDecimal.count > 0) {
        // The fewer are the odd ones out.
        line(t.dotDecimal.count <= t.commaDecimal.count ? t.dotDecimal : t.commaDecimal,
            "Column '%1': %2 values use ',' and '.' both as decimal and as group separator (for "
            "example '%3')");
    }
    line(t.leadingZeros,
        "Column '%1': %2 values have leading zeros that a number conversion drops (for example "
        "'%3')");
    line(t.longNumbers,
        "Column '%1': %2 values have 16 or more digits that a number or spreadsheet conversion "
        "rounds (for example '%3')");
    line(t.misdecoded,
        "Column '%1': %2 values look decoded with the wrong encoding (for example '%3')");
    const int numbers = profile.integers + profile.decimals;
    const int mixed = numbers + profile.texts;
    if (numbers > 0 && profile.texts > 0
        && (numbers * 10 >= mixed * 9 || profile.texts * 10 >= mixed * 9))
        lines << QStringLiteral("Column '%1': %2 values are numbers and %3 are text")
                     .arg(column, formatInteger(numbers), formatInteger(profile.texts));
    return lines;
}

// A letter other than the exponent's makes a value no number in any
// locale: e-mail addresses and codes need not go through the locale's
// number reading to fail it.
bool mayBeNumber(const QString& trimmed, const QLocale* locale)
{
    const QChar exponent = (locale ? locale->exponential() : QLocale().exponential()).toLower();
    return std::none_of(trimmed.begin(), trimmed.end(), [exponent](QChar c) {
        return c.isLetter() && c.toLower() != QLatin1Char('e') && c.toLower() != exponent;
    });
}

// Whether a text with digits is worth reading as a date: reading one in
// every format of the list is slow (the month names go through the locale),
// and e-mail addresses, codes and sentences with numbers are not dates.
bool mayBeDate(const QString& value)
{
    if (value.size() > 40 || value.contains(QLatin1Char('@')))
        return false;
    const int letters
        = int(std::count_if(value.begin(), value.end(), [](QChar c) { return c.isLetter(); }));
    return letters <= 12;
}

// The numbers and dates of a column, each distinct one with its count, for
// the histogram once the range is known.
struct Spread
{
    QVector<QPair<double, int>> numbers;
    QVector<QPair<double, int>> days;
};

// Adds one distinct value, seen times times, to the kind counts and ranges.
void addKind(const QString& value, bool digits, int times, const DateFormatList& dates,
    const QLocale& locale, ColumnProfile& p, Spread& spread)
{
    double number = 0.0;
    QDate date;
    const ValueKind kind = kindOfValue(value, digits, dates, &number, &date, &locale);
    if (kind == ValueKind::Date)
        spread.days.append({ double(date.toJulianDay()), times });
    else if (kind == ValueKind::Integer || kind == ValueKind::Decimal)
        spread.numbers.append({ number, times });
    switch (kind) {
    case ValueKind::Empty:
        p.empty += times;
        return;
    case ValueKind::Text:
        p.texts += times;
        return;
    case ValueKind::Date:
        p.dates += times;
        if (!p.firstDate.isValid() || date < p.firstDate)
            p.firstDate = date;
        if (!p.lastDate.isValid() || date > p.lastDate)
            p.lastDate = date;
        return;
    case ValueKind::Integer:
    case ValueKind::Decimal:
        (kind == ValueKind::Integer ? p.integers : p.decimals) += times;
        p.minimum = p.hasNumbers ? std::min(p.minimum, number) : number;
        p.maximum = p.hasNumbers ? std::max(p.maximum, number) : number;
        p.hasNumbers = true;
        return;
    }
}

QVector<int> binned(const QVector<QPair<double, int>>& values, double low, double high)
{
    const int bins = high > low ? HistogramBins : 1;
    QVector<int> counts(bins, 0);
    const double width = (high - low) / bins;
    for (const auto& v : values) {
        const int bin = width > 0 ? int((v.first - low) / width) : 0;
        counts[qBound(0, bin, bins - 1)] += v.second;
    }
    return counts;
}

void addHistogram(const Spread& spread, ColumnProfile& p)
{
    const int numbers = p.integers + p.decimals;
    p.histogramOfDates = p.dates > numbers;
    if (p.histogramOfDates || numbers > 0)
        p.histogram = binned(
            p.histogramOfDates ? spread.days : spread.numbers, p.histogramLow(), p.histogramHigh());
}

// The positions of the first TopCount by count, ties in the order first
// seen, without sorting a million distinct values to keep ten.
template <typename Counted> QVector<int> mostFrequent(const QVector<Counted>& values)
{
    QVector<int> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    const int kept = std::min<int>(TopCount, order.size());
    std::partial_sort(order.begin(), order.begin() + kept, order.end(), [&values](int a, int b) {
        const int ca = values.at(a).count;
        const int cb = values.at(b).count;
        return ca > cb || (ca == cb && a < b);
    });
    order.resize(kept);
    return order;
}

} // namespace

ValueKind kindOfValue(const QString& value, bool digits, const DateFormatList& dates,
    double* number, QDate* date, const QLocale* locale)
{
    const QString trimmed = value.trimmed();
    if (trimmed.isEmpty())
        return ValueKind::Empty;
    // Numbers and dates all have digits; names, e-mails and cities are
    // known as text without reading them as either.
    if (!digits || !mayBeNumber(trimmed, locale))
        return ValueKind::Text;
    bool isNumber = false;
    const double n = locale ? toNumber(*locale, trimmed, false, false, &isNumber)
                            : toNumber(trimmed, false, false, &isNumber);
    if (isNumber && std::isfinite(n)) {
        if (number)
            *number = n;
        const bool whole = std::floor(n) == n && !trimmed.contains(QLatin1Char('.'))
            && !trimmed.contains(QLatin1Char(','));
        return whole ? ValueKind::Integer : ValueKind::Decimal;
    }
    const QDate d = mayBeDate(trimmed) ? dates.read(trimmed) : QDate();
    if (d.isValid()) {
        if (date)
            *date = d;
        return ValueKind::Date;
    }
    return ValueKind::Text;
}

ValueKind kindOfValue(const QString& value, const DateFormatList& dates)
{
    return kindOfValue(value, hasDigit(value), dates);
}

namespace {

// The shape written into a text kept from value to value: it is only
// copied when the shape is new, not made anew for each of a million values.
void writeShape(const QString& value, QString& shape)
{
    shape.resize(value.size());
    QChar* out = shape.data();
    for (const QChar c : value) {
        if (c.isDigit())
            *out++ = QLatin1Char('9');
        else if (c.isUpper())
            *out++ = QLatin1Char('A');
        else if (c.isLower())
            *out++ = QLatin1Char('a');
        else
            *out++ = c;
    }
}

} // namespace

QString valueShape(const QString& value)
{
    QString shape;
    writeShape(value, shape);
    return shape;
}

double ColumnProfile::histogramLow() const
{
    return histogramOfDates ? double(firstDate.toJulianDay()) : minimum;
}

double ColumnProfile::histogramHigh() const
{
    return histogramOfDates ? double(lastDate.toJulianDay()) : maximum;
}

double ColumnProfile::binStart(int bin) const
{
    return histogramLow() + bin * binWidth();
}

double ColumnProfile::binWidth() const
{
    return histogram.isEmpty() ? 0.0 : (histogramHigh() - histogramLow()) / histogram.size();
}

ColumnProfile profileColumn(const Dataset& data, int column, const DateFormatList& dates)
{
    ColumnProfile profile;
    profile.rows = data.rowCount();
    if (!data.isValidColumn(column))
        return profile;
    // Every distinct value is looked at once, weighted by how often it
    // occurs: a column of repeating values costs its distinct values only.
    // Values are known by their first row; only the ten most frequent are
    // read out to be kept.
    const TextColumn& cells = data.column(column);
    QVector<RowFrequency> counted;
    countRows(cells, counted);
    profile.distinct = counted.size();
    const Patterns patterns;
    Traps traps;
    DistinctKeys shapeKeys;
    QVector<ValueFrequency> shapes;
    Spread spread;
    const QLocale locale;
    QString scratch;
    QString shape;
    for (const RowFrequency& f : counted) {
        const QString& value = cells.text(f.row, scratch);
        const bool digits = hasDigit(value);
        addKind(value, digits, f.count, dates, locale, profile, spread);
        checkTraps(value, digits, f.count, patterns, traps);
        writeShape(value, shape);
        bool added = false;
        const int at = shapeKeys.find(shape, &added);
        if (added)
            shapes.append({ shape, f.count });
        else
            shapes[at].count += f.count;
    }
    addHistogram(spread, profile);
    for (int at : mostFrequent(counted))
        profile.topValues.append({ cells.value(counted.at(at).row), counted.at(at).count });
    for (int at : mostFrequent(shapes))
        profile.topShapes.append(shapes.at(at));
    profile.traps = trapLines(data.columnName(column), traps, profile);
    return profile;
}

QVector<ColumnProfile> profileTable(
    const Dataset& data, const DateFormatList& dates, const std::atomic<bool>* cancel)
{
    const int columns = data.columnCount();
    QVector<ColumnProfile> profiles(columns);
    ColumnProfile* out = profiles.data(); // detached here, before the threads share it
    // Each thread takes the next column left. Columns of plain texts (a
    // value per row, the costly ones) go first, so that the two threads
    // end together instead of one waiting on the last large column.
    QVector<int> order(columns);
    std::iota(order.begin(), order.end(), 0);
    std::stable_partition(
        order.begin(), order.end(), [&data](int c) { return !data.column(c).isCoded(); });
    std::atomic<int> next { 0 };
    const auto work = [&] {
        for (int i = next++; i < columns && !(cancel && *cancel); i = next++)
            out[order.at(i)] = profileColumn(data, order.at(i), dates);
    };
    Parallel::both(Parallel::worthSplitting(qint64(data.rowCount()) * columns), work, work);
    return profiles;
}

QStringList columnTraps(const Dataset& data, const DateFormatList& dates)
{
    QStringList traps;
    for (const ColumnProfile& profile : profileTable(data, dates))
        traps << profile.traps;
    return traps;
}
