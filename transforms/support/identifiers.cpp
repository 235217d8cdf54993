#include "transforms/support/identifiers.h"

#include <QHash>
#include <QRegularExpression>

namespace {

QString withoutSpaces(const QString& text, bool dashesToo = false)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (!c.isSpace() && !(dashesToo && c == QLatin1Char('-')))
            result.append(c);
    }
    return result;
}

bool allDigits(const QString& text)
{
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return !text.isEmpty();
}

bool isValidIsbn10(const QString& s)
{
    if (s.size() != 10)
        return false;
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        int digit = s.at(i).digitValue();
        if (i == 9 && s.at(i).toUpper() == QLatin1Char('X'))
            digit = 10;
        if (digit < 0 || (digit == 10 && i != 9) || (i < 9 && !s.at(i).isDigit()))
            return false;
        sum += (10 - i) * digit;
    }
    return sum % 11 == 0;
}

// Lengths from the ISO 13616 register of IBAN countries.
const QHash<QString, int>& ibanLengths()
{
    static const QHash<QString, int> lengths
        = { { "AD", 24 }, { "AE", 23 }, { "AL", 28 }, { "AT", 20 }, { "AZ", 28 }, { "BA", 20 },
              { "BE", 16 }, { "BG", 22 }, { "BH", 22 }, { "BI", 27 }, { "BR", 29 }, { "BY", 28 },
              { "CH", 21 }, { "CR", 22 }, { "CY", 28 }, { "CZ", 24 }, { "DE", 22 }, { "DJ", 27 },
              { "DK", 18 }, { "DO", 28 }, { "EE", 20 }, { "EG", 29 }, { "ES", 24 }, { "FI", 18 },
              { "FK", 18 }, { "FO", 18 }, { "FR", 27 }, { "GB", 22 }, { "GE", 22 }, { "GI", 23 },
              { "GL", 18 }, { "GR", 27 }, { "GT", 28 }, { "HR", 21 }, { "HU", 28 }, { "IE", 22 },
              { "IL", 23 }, { "IQ", 23 }, { "IS", 26 }, { "IT", 27 }, { "JO", 30 }, { "KW", 30 },
              { "KZ", 20 }, { "LB", 28 }, { "LC", 32 }, { "LI", 21 }, { "LT", 20 }, { "LU", 20 },
              { "LV", 21 }, { "LY", 25 }, { "MC", 27 }, { "MD", 24 }, { "ME", 22 }, { "MK", 19 },
              { "MN", 20 }, { "MR", 27 }, { "MT", 31 }, { "MU", 30 }, { "NI", 28 }, { "NL", 18 },
              { "NO", 15 }, { "OM", 23 }, { "PK", 24 }, { "PL", 28 }, { "PS", 29 }, { "PT", 25 },
              { "QA", 29 }, { "RO", 24 }, { "RS", 22 }, { "RU", 33 }, { "SA", 24 }, { "SC", 31 },
              { "SD", 18 }, { "SE", 24 }, { "SI", 19 }, { "SK", 24 }, { "SM", 27 }, { "SO", 23 },
              { "ST", 25 }, { "SV", 28 }, { "TL", 23 }, { "TN", 24 }, { "TR", 26 }, { "UA", 29 },
              { "VA", 22 }, { "VG", 24 }, { "XK", 20 }, { "YE", 30 } };
    return lengths;
}

} // namespace

bool isValidGtin(const QString& text, int length)
{
    const QString s = withoutSpaces(text);
    const int n = s.size();
    if (!allDigits(s) || (length > 0 ? n != length : (n != 8 && n != 12 && n != 13 && n != 14)))
        return false;
    int sum = 0;
    for (int i = n - 2, weight = 3; i >= 0; --i, weight = 4 - weight)
        sum += weight * s.at(i).digitValue();
    return (10 - sum % 10) % 10 == s.at(n - 1).digitValue();
}

bool isValidIsbn(const QString& text)
{
    const QString s = withoutSpaces(text, true);
    if (s.size() == 13)
        return (s.startsWith(QLatin1String("978")) || s.startsWith(QLatin1String("979")))
            && isValidGtin(s, 13);
    return isValidIsbn10(s);
}

bool isValidIban(const QString& text)
{
    const QString s = withoutSpaces(text).toUpper();
    if (s.size() < 5 || ibanLengths().value(s.left(2)) != s.size())
        return false;
    // Letters count as 10 .. 35; the remainder is carried digit by digit so
    // no big number is needed.
    const QString moved = s.mid(4) + s.left(4);
    int remainder = 0;
    for (QChar c : moved) {
        if (c.isDigit() && c.unicode() < 128) {
            remainder = (remainder * 10 + c.digitValue()) % 97;
        } else if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            remainder = (remainder * 100 + (c.unicode() - 'A' + 10)) % 97;
        } else {
            return false;
        }
    }
    return remainder == 1 && allDigits(s.mid(2, 2));
}

bool isValidAsin(const QString& text)
{
    const QString s = withoutSpaces(text);
    if (s.size() != 10)
        return false;
    if (allDigits(s.left(9)))
        return isValidIsbn10(s);
    static const QRegularExpression product(QStringLiteral("^B0[0-9A-Z]{8}$"));
    return product.match(s).hasMatch();
}

bool isValidEmail(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(?:[a-z0-9!#$%&'*+/=?^_`{|}~-]+(?:\.[a-z0-9!#$%&'*+/=?^_`{|}~-]+)*)"
                       R"(|"(?:[\x01-\x08\x0b\x0c\x0e-\x1f\x21\x23-\x5b\x5d-\x7f])"
                       R"(|\\[\x01-\x09\x0b\x0c\x0e-\x7f])*")@)"
                       R"((?:(?:[a-z0-9](?:[a-z0-9-]*[a-z0-9])?\.)+[a-z0-9](?:[a-z0-9-]*[a-z0-9])?)"
                       R"(|\[(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\.){3})"
                       R"((?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?|[a-z0-9-]*[a-z0-9]:)"
                       R"((?:[\x01-\x08\x0b\x0c\x0e-\x1f\x21-\x5a\x53-\x7f])"
                       R"(|\\[\x01-\x09\x0b\x0c\x0e-\x7f])+)\])$)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(text).hasMatch();
}
