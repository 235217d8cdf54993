#include "transforms/format/replacematcher.h"

#include "core/dataset.h"

#include <QChar>

namespace {

bool isTextKind(MatchType type)
{
    return type == MatchType::Text || type == MatchType::ExactText || type == MatchType::Regex;
}

bool isClassKind(MatchType type)
{
    return int(type) >= int(MatchType::Letters) && int(type) <= int(MatchType::NonAscii);
}

// The code point starting at i and how many UTF-16 units it takes; a lone
// surrogate is taken as it is.
uint codePointAt(const QString& text, int i, int* units)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    *units = 1;
    return c.unicode();
}

} // namespace

QStringList ReplaceMatcher::matchTypeNames()
{
    return { QStringLiteral("Text"), QStringLiteral("Exact text"), QStringLiteral("Regex"),
        QStringLiteral("Empty"), QStringLiteral("Letters"), QStringLiteral("Digits"),
        QStringLiteral("Punctuation"), QStringLiteral("Symbols"), QStringLiteral("Whitespace"),
        QStringLiteral("Currency"), QStringLiteral("Non-ASCII") };
}

bool ReplaceMatcher::isClassCharacter(MatchType type, uint cp)
{
    switch (type) {
    case MatchType::Letters:
        return QChar::isLetter(cp);
    case MatchType::Digits:
        // ASCII digits, plus the decimal digits of other scripts (Arabic-Indic,
        // Devanagari, full-width ...).
        return (cp >= '0' && cp <= '9')
            || (cp > 127 && QChar::category(cp) == QChar::Number_DecimalDigit);
    case MatchType::Punctuation:
        return QChar::isPunct(cp);
    case MatchType::Symbols:
        return QChar::isSymbol(cp);
    case MatchType::Whitespace:
        return QChar::isSpace(cp);
    case MatchType::Currency:
        return QChar::category(cp) == QChar::Symbol_Currency;
    // Latin-1 counts as "ASCII" here so that accented Western letters stay.
    case MatchType::NonAscii:
        return cp > 255;
    default:
        return false;
    }
}

ReplaceMatcher::ReplaceMatcher(const ReplaceTerm& term, Qt::CaseSensitivity cs)
    : m_type(MatchType(term.matchType)), m_cs(cs), m_term(term), m_replace(term.replace)
{
    setFind(term.find);
}

void ReplaceMatcher::useVariables(const Dataset& dataset)
{
    // The character classes and "Empty" ignore the find text, so only the
    // replace text can hold variables for them.
    if (isTextKind(m_type))
        m_findVars = ColumnVariables(m_term.find, dataset);
    m_replaceVars = ColumnVariables(m_term.replace, dataset);
}

void ReplaceMatcher::setRow(const QStringList& rowValues)
{
    if (m_replaceVars.hasVariables())
        m_replace = m_replaceVars.expand(rowValues);
    if (m_findVars.hasVariables())
        setFind(m_findVars.expand(rowValues));
    if (m_type == MatchType::Regex && m_replaceVars.hasVariables())
        parseReplacement();
}

void ReplaceMatcher::setFind(const QString& find)
{
    if (m_type != MatchType::Regex) {
        m_find = find;
        return;
    }
    // Rows that give the same pattern reuse the compiled expression.
    if (find == m_find && !m_regex.pattern().isNull())
        return;
    m_find = find;
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (m_cs == Qt::CaseInsensitive)
        options |= QRegularExpression::CaseInsensitiveOption;
    m_regex = QRegularExpression(find, options);
    if (m_regex.isValid())
        m_regex.optimize();
    parseReplacement();
}

// "\1" to "\99" refer to captured groups that the expression has (two
// digits only when that group exists); any other backslash is literal.
// Parsed once rather than for every cell.
void ReplaceMatcher::parseReplacement()
{
    m_replacement.clear();
    const int groups = m_regex.isValid() ? m_regex.captureCount() : 0;
    QString literal;
    for (int i = 0; i < m_replace.size(); ++i) {
        const int first = i + 1 < m_replace.size() && m_replace.at(i) == QLatin1Char('\\')
            ? m_replace.at(i + 1).digitValue()
            : -1;
        if (first < 1 || first > groups) {
            literal += m_replace.at(i);
            continue;
        }
        int group = first;
        ++i;
        const int second = i + 1 < m_replace.size() ? m_replace.at(i + 1).digitValue() : -1;
        if (second >= 0 && group * 10 + second <= groups) {
            group = group * 10 + second;
            ++i;
        }
        if (!literal.isEmpty())
            m_replacement.append(ReplacementPart { literal, -1 });
        literal.clear();
        m_replacement.append(ReplacementPart { QString(), group });
    }
    if (!literal.isEmpty())
        m_replacement.append(ReplacementPart { literal, -1 });
}

QString ReplaceMatcher::replaceRegex(const QString& text) const
{
    QRegularExpressionMatchIterator it = m_regex.globalMatch(text);
    if (!it.hasNext())
        return text;
    QString result;
    result.reserve(text.size() + m_replace.size());
    int copied = 0;
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        result += text.midRef(copied, match.capturedStart() - copied);
        for (const ReplacementPart& part : m_replacement) {
            if (part.group < 0)
                result += part.literal;
            else
                result += match.capturedRef(part.group);
        }
        copied = match.capturedEnd();
    }
    result += text.midRef(copied);
    return result;
}

bool ReplaceMatcher::isInert() const
{
    if (isTextKind(m_type))
        return m_find.isEmpty() || (m_type == MatchType::Regex && !m_regex.isValid());
    return !isClassKind(m_type) && m_type != MatchType::Empty;
}

bool ReplaceMatcher::matches(const QString& text) const
{
    if (isInert())
        return false;
    switch (m_type) {
    case MatchType::Text:
        return text.contains(m_find, m_cs);
    case MatchType::ExactText:
        return text.compare(m_find, m_cs) == 0;
    case MatchType::Regex:
        return m_regex.match(text).hasMatch();
    case MatchType::Empty:
        return text.isEmpty();
    default:
        return firstClassMatch(text) >= 0;
    }
}

QString ReplaceMatcher::apply(const QString& text) const
{
    if (isInert())
        return text;
    switch (m_type) {
    case MatchType::Text: {
        if (!text.contains(m_find, m_cs))
            return text;
        QString result = text;
        return result.replace(m_find, m_replace, m_cs);
    }
    case MatchType::ExactText:
        return text.compare(m_find, m_cs) == 0 ? m_replace : text;
    case MatchType::Regex:
        return replaceRegex(text);
    case MatchType::Empty:
        return text.isEmpty() ? m_replace : text;
    default:
        return replaceClass(text);
    }
}

int ReplaceMatcher::firstClassMatch(const QString& text) const
{
    int units = 1;
    for (int i = 0; i < text.size(); i += units) {
        if (isClassCharacter(m_type, codePointAt(text, i, &units)))
            return i;
    }
    return -1;
}

// Every character of the class becomes the replace text (or goes). Building
// the result from the front is the same as editing in place from the back:
// inserted replace texts are never looked at again.
QString ReplaceMatcher::replaceClass(const QString& text) const
{
    const int first = firstClassMatch(text);
    if (first < 0)
        return text;
    QString result;
    result.reserve(text.size() + m_replace.size() * 4);
    result += text.leftRef(first);
    int units = 1;
    for (int i = first; i < text.size(); i += units) {
        const uint cp = codePointAt(text, i, &units);
        if (isClassCharacter(m_type, cp))
            result += m_replace;
        else
            result += text.midRef(i, units);
    }
    return result;
}

ReplaceMatcherList::ReplaceMatcherList(
    const ReplaceTermList& terms, Qt::CaseSensitivity cs, const Dataset* variablesFrom)
{
    m_matchers.reserve(terms.size());
    for (const ReplaceTerm& term : terms) {
        ReplaceMatcher matcher(term, cs);
        if (variablesFrom)
            matcher.useVariables(*variablesFrom);
        // A term that can never change anything is dropped, unless its find
        // text may become non-empty once its variables are filled in.
        if (matcher.isInert() && !matcher.usesRowValues())
            continue;
        m_usesRowValues = m_usesRowValues || matcher.usesRowValues();
        m_matchers.append(matcher);
    }
}

void ReplaceMatcherList::setRow(const QStringList& rowValues)
{
    for (ReplaceMatcher& matcher : m_matchers) {
        if (matcher.usesRowValues())
            matcher.setRow(rowValues);
    }
}

QString ReplaceMatcherList::apply(const QString& text) const
{
    QString result = text;
    for (const ReplaceMatcher& matcher : m_matchers)
        result = matcher.apply(result);
    return result;
}
