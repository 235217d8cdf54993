#include "transforms/other/verifychecks.h"

#include "core/dataset.h"
#include "core/values.h"
#include "transforms/format/transformcase.h"
#include "transforms/support/identifiers.h"

#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <cmath>

namespace verify {

namespace {

// Column rule kinds by meaning.
enum Kind {
    MatchName = 0,
    Numeric = 1,
    Integer = 2,
    DateInFormat = 3,
    NoDuplicates = 4,
    NoIntegerGaps = 5,
    NoDateGaps = 6,
    NoEmpty = 7,
    SomeNonEmpty = 8,
    MinInteger = 9,
    MaxInteger = 10,
    MinReal = 11,
    MaxReal = 12,
    MinDate = 13,
    MaxDate = 14,
    MinChars = 15,
    MaxChars = 16,
    OnlyListed = 17,
    NotListed = 18,
    RequireListed = 19,
    Regex = 20,
    StartsWith = 21,
    EndsWith = 22,
    Contains = 23,
    LowerCase = 24,
    UpperCase = 25,
    TitleCase = 26,
    SentenceCase = 27,
    Folder = 28,
    File = 29,
    Email = 30,
    Telephone = 31,
    Ean13 = 32,
    UpcA = 33,
    // 34 .. 46: character classes
    NoDuplicateIntegers = 47,
    NoDuplicateDates = 48,
    Isbn = 49,
    Iban = 50,
    Gtin = 51,
    Asin = 52,
    AllEmpty = 53
};

bool isMinimum(int kind)
{
    return kind == MinInteger || kind == MinReal || kind == MinDate;
}

// Integral values as 64-bit integers: '1', '+1', ' 1' and '01' are one.
bool toInteger(const QString& text, qint64* value)
{
    bool ok = false;
    const double number = toNumber(text, false, false, &ok);
    if (!ok || number != std::floor(number) || std::fabs(number) > 9.0e15)
        return false;
    *value = qint64(number);
    return true;
}

} // namespace

const QStringList& datasetRuleNames()
{
    static const QStringList names
        = { QStringLiteral("No duplicate col names"), QStringLiteral("Minimum number of cols"),
              QStringLiteral("Maximum number of cols"), QStringLiteral("Minimum number of rows"),
              QStringLiteral("Maximum number of rows"), QStringLiteral("No empty rows") };
    return names;
}

const QStringList& columnRuleNames()
{
    static const QStringList names = { "Match column name", "Numeric except listed",
        "Integer except listed", "Valid date in format", "No duplicate values", "No gaps in values",
        "No gaps in values", "No empty values", "At least 1 non-empty", "Minimum value",
        "Maximum value", "Minimum value", "Maximum value", "Minimum value", "Maximum value",
        "Minimum characters", "Maximum characters", "Only allow listed values",
        "Don't allow listed values", "Require listed values", "Matches regex", "Starts with",
        "Ends with", "Contains", "Is lower case", "Is upper case", "Is title case",
        "Is sentence case", "Is local folder", "Is local file", "Is valid email",
        "Is valid telephone num.", "Is valid EAN13", "Is valid UPC-A", "No punctuation",
        "No digits", "No currency", "No whitespace", "No leading/trailing whitespace",
        "No Tab characters", "No Carriage Returns", "No Line Feeds", "No double Spaces",
        "No blank values", "No symbols", "No non-ASCII", "No non-printable", "No duplicate values",
        "No duplicate values", "Is valid ISBN", "Is valid IBAN", "Is valid GTIN", "Is valid ASIN",
        "All empty values" };
    return names;
}

const QStringList& columnTypeNames()
{
    static const QStringList names = { QStringLiteral("Date"), QStringLiteral("Numeric (integer)"),
        QStringLiteral("Numeric (real)"), QStringLiteral("Selection"), QStringLiteral("Text") };
    return names;
}

const QStringList& severityNames()
{
    static const QStringList names
        = { QStringLiteral("Information"), QStringLiteral("Warning"), QStringLiteral("Error") };
    return names;
}

QVector<int> columnRuleKinds(int columnType)
{
    QVector<int> kinds { MatchName, NoEmpty, SomeNonEmpty, MinChars, MaxChars, AllEmpty };
    switch (columnType) {
    case DateType:
        kinds += { DateInFormat, NoDateGaps, MinDate, MaxDate, NoDuplicateDates };
        break;
    case IntegerType:
        kinds += { Integer, NoIntegerGaps, MinInteger, MaxInteger, NoDuplicateIntegers };
        break;
    case RealType:
        kinds += { Numeric, NoDuplicates, MinReal, MaxReal };
        break;
    case SelectionType:
        kinds += { NoDuplicates, OnlyListed, NotListed, RequireListed };
        break;
    default:
        kinds += { NoDuplicates, OnlyListed, NotListed, RequireListed };
        for (int k = Regex; k <= 46; ++k)
            kinds.append(k);
        kinds += { Isbn, Iban, Gtin, Asin };
    }
    std::sort(kinds.begin(), kinds.end());
    return kinds;
}

bool columnRuleTakesValue(int kind)
{
    return kind <= Integer || kind == DateInFormat || (kind >= MinInteger && kind <= Contains);
}

bool datasetRuleTakesValue(int kind)
{
    return kind >= 1 && kind <= 4;
}

bool isDateRule(int kind)
{
    return kind == DateInFormat || kind == NoDateGaps || kind == MinDate || kind == MaxDate
        || kind == NoDuplicateDates;
}

QString columnRuleText(const VerifyRule& rule)
{
    const QString name = columnRuleNames().value(rule.kind, QString::number(rule.kind));
    return columnRuleTakesValue(rule.kind) && !rule.value.isEmpty()
        ? name + QStringLiteral(": ") + rule.value
        : name;
}

QString datasetRuleText(const VerifyRule& rule)
{
    const QString name = datasetRuleNames().value(rule.kind, QString::number(rule.kind));
    return datasetRuleTakesValue(rule.kind) && !rule.value.isEmpty()
        ? name + QStringLiteral(": ") + rule.value
        : name;
}

QString datasetRuleTooltip(int kind)
{
    static const QStringList tips = {
        QStringLiteral("Verify that no 2 column names in the dataset are the same."),
        QStringLiteral("Verify that the dataset has at least this many columns."),
        QStringLiteral("Verify that the dataset has at most this many columns."),
        QStringLiteral("Verify that the dataset has at least this many rows."),
        QStringLiteral("Verify that the dataset has at most this many rows."),
        QStringLiteral("Verify that no rows in the dataset has an empty value for every column.\n"
                       "A value containing whitespace is not considered empty.")
    };
    return tips.value(kind);
}

QString columnRuleTooltip(int kind)
{
    static const QStringList tips = { "the column name matches the value",
        "every value is a real number or one of the comma-separated values",
        "every value is an integer or one of the comma-separated values",
        "every value is a date in the given format", "no value occurs twice",
        "every integer between the minimum and maximum occurs",
        "every date between the first and last occurs",
        "no value is empty (whitespace is not empty)", "at least one value is not empty",
        "no number is below the value", "no number is above the value",
        "no number is below the value", "no number is above the value",
        "no date is before the value", "no date is after the value",
        "every value has at least that many characters, whitespace counted",
        "every value has at most that many characters, whitespace counted",
        "every value is in the comma-separated list", "no value is in the comma-separated list",
        "every value of the comma-separated list occurs at least once",
        "every value matches the regular expression", "every value starts with the text",
        "every value ends with the text", "every value contains the text", "letters are lower case",
        "letters are upper case", "values are title case", "values are sentence case",
        "every value is the path of an existing folder",
        "every value is the path of an existing file", "every value is a valid email address",
        "every value is a valid telephone number", "every value is a valid EAN13",
        "every value is a valid UPC-A", "no value contains punctuation", "no value contains digits",
        "no value contains a currency symbol", "no value contains whitespace",
        "no value has whitespace at either end", "no value contains a Tab character",
        "no value contains a Carriage Return", "no value contains a Line Feed",
        "no value contains two or more spaces in a row", "no value is only whitespace",
        "no value contains a symbol", "no value contains a character outside ASCII",
        "no value contains a non-printable character",
        "no value occurs twice, comparing as integers", "no value occurs twice, comparing as dates",
        "every value is a valid ISBN-10 or ISBN-13", "every value is a valid IBAN",
        "every value is a valid GTIN-8, GTIN-12, GTIN-13 or GTIN-14", "every value is a valid ASIN",
        "every value is empty" };
    return QStringLiteral("Verify that %1.").arg(tips.value(kind));
}

QString listValues(const QStringList& values)
{
    QMap<QString, int> counts;
    QStringList order;
    for (const QString& v : values) {
        if (!counts.contains(v))
            order.append(v);
        ++counts[v];
    }
    QStringList shown;
    for (int i = 0; i < order.size() && i < 5; ++i) {
        const int n = counts.value(order.at(i));
        shown << (n > 1 ? QStringLiteral("'%1'x%2").arg(order.at(i)).arg(n)
                        : QStringLiteral("'%1'").arg(order.at(i)));
    }
    QString text = shown.join(QStringLiteral(", "));
    if (order.size() > 5) {
        const int rest = order.size() - 5;
        text += QStringLiteral(" + %1 %2").arg(rest).arg(rest == 1 ? "other" : "others");
    }
    return text;
}

ColumnCheck::ColumnCheck(const VerifyRule& rule, const QString& dateFormat, Qt::CaseSensitivity cs)
    : m_rule(rule), m_dateFormat(dateFormat), m_cs(cs)
{
    const int kind = rule.kind;
    if (kind == Numeric || kind == Integer || (kind >= OnlyListed && kind <= RequireListed)) {
        for (const QString& item : rule.value.split(QLatin1Char(',')))
            m_list.append(item.trimmed());
    }
    if (kind >= MinInteger && kind <= MaxChars)
        m_number = toNumber(rule.value, false, false, &m_numberOk);
    if (kind == MinDate || kind == MaxDate)
        m_date = date(rule.value);
    if (kind == Regex || kind == Telephone) {
        m_regex.setPattern(kind == Regex
                ? rule.value
                : QStringLiteral(R"(^(\+\d{1,2}\s?)?1?\-?\.?\s?\(?\d{3}\)?)"
                                 R"([\s.-]?\d{3}[\s.-]?\d{4}$)"));
        if (kind == Regex && cs == Qt::CaseInsensitive)
            m_regex.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
        if (!m_regex.isValid()) {
            m_problem = QStringLiteral("Invalid regular expression '%1' (%2)")
                            .arg(rule.value, m_regex.errorString());
        }
    }
    if ((kind >= MinInteger && kind <= MaxReal) || kind == MinChars || kind == MaxChars) {
        if (!m_numberOk)
            m_problem = QStringLiteral("'%1' is not a number").arg(rule.value);
    }
    if ((kind == MinDate || kind == MaxDate) && !m_date.isValid())
        m_problem = QStringLiteral("'%1' is not a date").arg(rule.value);
}

QDate ColumnCheck::date(const QString& text) const
{
    if (!m_dateFormat.isEmpty()) {
        const QDate d = toDate(text, m_dateFormat);
        if (d.isValid())
            return d;
    }
    return m_rule.kind == MinDate || m_rule.kind == MaxDate ? toDateWithFormats(text) : QDate();
}

bool ColumnCheck::isPerValue() const
{
    const int kind = m_rule.kind;
    return kind != MatchName && kind != NoIntegerGaps && kind != NoDateGaps && kind != SomeNonEmpty
        && kind != RequireListed;
}

bool ColumnCheck::inList(const QString& value) const
{
    for (const QString& item : m_list) {
        if (value.compare(item, m_cs) == 0)
            return true;
    }
    return false;
}

bool ColumnCheck::firstOccurrence(const QString& key)
{
    const int before = m_seen.size();
    m_seen.insert(key);
    return m_seen.size() != before;
}

// Rules about the characters a value holds.
bool ColumnCheck::passesCharacters(const QString& value) const
{
    const int kind = m_rule.kind;
    switch (kind) {
    case 38:
        return value.isEmpty() || (!value.front().isSpace() && !value.back().isSpace());
    case 39:
        return !value.contains(QLatin1Char('\t'));
    case 40:
        return !value.contains(QLatin1Char('\r'));
    case 41:
        return !value.contains(QLatin1Char('\n'));
    case 42:
        return !value.contains(QLatin1String("  "));
    case 43:
        return value.isEmpty() || !value.trimmed().isEmpty();
    default:
        break;
    }
    for (QChar c : value) {
        const bool bad = (kind == 34 && c.isPunct()) || (kind == 35 && c.isDigit())
            || (kind == 36 && c.category() == QChar::Symbol_Currency) || (kind == 37 && c.isSpace())
            || (kind == 44 && c.isSymbol()) || (kind == 45 && c.unicode() > 127)
            || (kind == 46 && !c.isPrint());
        if (bad)
            return false;
    }
    return true;
}

// Rules about the form of a non-empty value.
bool ColumnCheck::passesFormat(const QString& value) const
{
    bool ok = false;
    switch (m_rule.kind) {
    case Numeric:
        toNumber(value, false, false, &ok);
        return ok || inList(value);
    case Integer: {
        qint64 integer = 0;
        return toInteger(value, &integer) || inList(value);
    }
    case DateInFormat:
        return toDate(value, m_dateFormat).isValid();
    case Regex:
    case Telephone:
        return m_regex.isValid() && m_regex.match(value).hasMatch();
    case StartsWith:
        return value.startsWith(m_rule.value, m_cs);
    case EndsWith:
        return value.endsWith(m_rule.value, m_cs);
    case Contains:
        return value.contains(m_rule.value, m_cs);
    case Email:
        return isValidEmail(value);
    case Ean13:
        return isValidEan13(value);
    case UpcA:
        return isValidUpcA(value);
    case Isbn:
        return isValidIsbn(value);
    case Iban:
        return isValidIban(value);
    case Gtin:
        return isValidGtin(value);
    case Asin:
        return isValidAsin(value);
    default:
        return true;
    }
}

bool ColumnCheck::passes(const QString& value)
{
    const int kind = m_rule.kind;
    qint64 integer = 0;
    bool ok = false;
    switch (kind) {
    case NoEmpty:
        return !value.isEmpty();
    case AllEmpty:
        return value.isEmpty();
    case NoDuplicates:
        return firstOccurrence(m_cs == Qt::CaseSensitive ? value : value.toLower());
    case NoDuplicateIntegers:
        return !toInteger(value, &integer) || firstOccurrence(QString::number(integer));
    case NoDuplicateDates: {
        const QDate d = date(value);
        return !d.isValid() || firstOccurrence(QString::number(d.toJulianDay()));
    }
    case MinInteger:
    case MaxInteger:
    case MinReal:
    case MaxReal: {
        const double number = toNumber(value, false, false, &ok);
        return !ok || !m_numberOk || (isMinimum(kind) ? number >= m_number : number <= m_number);
    }
    case MinDate:
    case MaxDate: {
        const QDate d = date(value);
        return !d.isValid() || !m_date.isValid() || (isMinimum(kind) ? d >= m_date : d <= m_date);
    }
    case MinChars:
        return !m_numberOk || value.size() >= m_number;
    case MaxChars:
        return !m_numberOk || value.size() <= m_number;
    case OnlyListed:
        return inList(value);
    case NotListed:
        return !inList(value);
    case LowerCase:
        return value == value.toLower();
    case UpperCase:
        return value == value.toUpper();
    case TitleCase:
        return value == TransformCase::titleCase(value, false);
    case SentenceCase:
        return value == TransformCase::sentenceCase(value, false);
    case Folder:
        return QFileInfo(value).isDir();
    case File:
        return QFileInfo(value).isFile();
    default:
        break;
    }
    if (kind >= 34 && kind <= 46)
        return passesCharacters(value);
    return value.isEmpty() || passesFormat(value);
}

namespace {

// The missing members of a run of sorted distinct integers, at most a
// handful of them spelled out.
QString missingIntegers(const QVector<qint64>& sorted, const std::function<QString(qint64)>& text)
{
    QStringList shown;
    qint64 missing = 0;
    for (int i = 1; i < sorted.size(); ++i) {
        for (qint64 v = sorted[i - 1] + 1; v < sorted[i]; ++v) {
            if (shown.size() < 5)
                shown << QStringLiteral("'%1'").arg(text(v));
            ++missing;
            if (shown.size() >= 5) {
                missing += sorted[i] - v - 1;
                break;
            }
        }
    }
    if (missing == 0)
        return QString();
    QString list = shown.join(QStringLiteral(", "));
    if (missing > shown.size()) {
        const qint64 rest = missing - shown.size();
        list += QStringLiteral(" + %1 %2").arg(rest).arg(rest == 1 ? "other" : "others");
    }
    return QStringLiteral("missing value(s)=%1").arg(list);
}

} // namespace

QString ColumnCheck::columnFinding(const Dataset& dataset, int column) const
{
    const int rows = dataset.rowCount();
    switch (m_rule.kind) {
    case MatchName: {
        const QString name = dataset.columnName(column);
        return name.compare(m_rule.value, m_cs) == 0
            ? QString()
            : QStringLiteral("name is '%1', expected '%2'").arg(name, m_rule.value);
    }
    case SomeNonEmpty:
        for (int r = 0; r < rows; ++r) {
            if (!dataset.value(r, column).isEmpty())
                return QString();
        }
        return QStringLiteral("every value is empty");
    case RequireListed: {
        QStringList notFound;
        for (const QString& item : m_list) {
            bool found = false;
            for (int r = 0; r < rows && !found; ++r)
                found = dataset.value(r, column).compare(item, m_cs) == 0;
            if (!found)
                notFound << item;
        }
        return notFound.isEmpty()
            ? QString()
            : QStringLiteral("required value(s) not found=%1").arg(listValues(notFound));
    }
    case NoIntegerGaps:
    case NoDateGaps: {
        const bool dates = m_rule.kind == NoDateGaps;
        QSet<qint64> values;
        for (int r = 0; r < rows; ++r) {
            qint64 v = 0;
            const QDate d = dates ? date(dataset.value(r, column)) : QDate();
            if (dates ? d.isValid() : toInteger(dataset.value(r, column), &v))
                values.insert(dates ? d.toJulianDay() : v);
        }
        QVector<qint64> sorted(values.begin(), values.end());
        std::sort(sorted.begin(), sorted.end());
        const QString format = m_dateFormat.text();
        return missingIntegers(sorted, [dates, format](qint64 v) {
            return dates ? formatDate(QDate::fromJulianDay(v), format) : QString::number(v);
        });
    }
    default:
        return QString();
    }
}

} // namespace verify
