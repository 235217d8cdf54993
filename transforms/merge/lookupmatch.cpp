#include "transforms/merge/lookupmatch.h"

#include "core/values.h"
#include "transforms/support/keyreport.h"

#include <QSet>

#include <algorithm>

QStringList lookupMatchTypeNames()
{
    return { QStringLiteral("Exact"), QStringLiteral("Fuzzy"), QStringLiteral("Equal"),
        QStringLiteral("Bottom contains top"), QStringLiteral("Bottom starts with top"),
        QStringLiteral("Bottom ends with top"), QStringLiteral("Bottom greater than top"),
        QStringLiteral("Bottom greater than equal to top"),
        QStringLiteral("Bottom matches top regex"), QStringLiteral("Top contains bottom"),
        QStringLiteral("Top starts with bottom"), QStringLiteral("Top ends with bottom"),
        QStringLiteral("Top greater than bottom"),
        QStringLiteral("Top greater than equal to bottom"),
        QStringLiteral("Top matches bottom regex"), QStringLiteral("Not exact"),
        QStringLiteral("Not equal"), QStringLiteral("Bottom doesn't contain top"),
        QStringLiteral("Bottom doesn't start with top"),
        QStringLiteral("Bottom doesn't end with top"), QStringLiteral("Top doesn't contain bottom"),
        QStringLiteral("Top doesn't start with bottom"),
        QStringLiteral("Top doesn't end with bottom") };
}

namespace {

bool readsNumbersAndDates(int type)
{
    switch (type) {
    case MatchEqual:
    case MatchNotEqual:
    case MatchBottomGreaterThanTop:
    case MatchBottomGreaterEqualTop:
    case MatchTopGreaterThanBottom:
    case MatchTopGreaterEqualBottom:
        return true;
    default:
        return false;
    }
}

bool isRegex(int type)
{
    return type == MatchBottomMatchesTopRegex || type == MatchTopMatchesBottomRegex;
}

} // namespace

RelationLookup::RelationLookup(
    const Dataset& bottom, int keyColumn, int valueColumn, const LookupOptions& options)
    : m_options(options), m_parse(readsNumbersAndDates(options.matchType))
{
    // A regular expression is told apart by its own text: lower-casing it
    // would change its meaning (\D is not \d), so case is ignored by the
    // matching option instead.
    const bool byOriginal = isRegex(options.matchType);
    QHash<QString, int> index;
    for (int r = 0; r < bottom.rowCount(); ++r) {
        const QString& value = bottom.value(r, valueColumn);
        if (options.ignoreEmptyValues && value.isEmpty())
            continue;
        const QString& original = bottom.value(r, keyColumn);
        const QString distinct = byOriginal ? original : keyText(original, options.caseSensitive);
        auto it = index.constFind(distinct);
        int k = 0;
        if (it == index.constEnd()) {
            k = m_keys.size();
            index.insert(distinct, k);
            m_keys.append(makeKey(original, options.caseSensitive, m_parse));
            m_keyFirstRow.append(m_rowKey.size());
        } else {
            k = it.value();
        }
        m_rowKey.append(k);
        m_rowValue.append(value);
    }
    if (options.matchType == MatchFuzzy) {
        m_fuzzyKeys.reserve(m_keys.size());
        for (const Key& k : qAsConst(m_keys))
            m_fuzzyKeys.append(FuzzyKey(QStringList { k.text }));
    }
    if (options.matchType == MatchTopMatchesBottomRegex) {
        m_bottomPatterns.resize(m_keys.size());
        m_bottomPatternReady.fill(0, m_keys.size());
    }
}

RelationLookup::Key RelationLookup::makeKey(const QString& original, bool caseSensitive, bool parse)
{
    Key key;
    key.original = original;
    key.text = keyText(original, caseSensitive);
    if (parse) {
        bool ok = false;
        key.number = toNumber(original, false, true, &ok);
        key.isNumber = ok;
        if (!ok)
            key.date = toDateWithFormats(original);
    }
    return key;
}

// Numbers as numbers, then dates as dates, otherwise the texts by their
// code units.
int RelationLookup::smartCompare(const Key& a, const Key& b)
{
    if (a.isNumber && b.isNumber)
        return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    if (a.date.isValid() && b.date.isValid())
        return a.date < b.date ? -1 : (a.date > b.date ? 1 : 0);
    const int c = a.text.compare(b.text);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QRegularExpression RelationLookup::pattern(const QString& text)
{
    QRegularExpression re(text,
        m_options.caseSensitive ? QRegularExpression::NoPatternOption
                                : QRegularExpression::CaseInsensitiveOption);
    if (!re.isValid() && m_invalidPattern.isEmpty())
        m_invalidPattern = text;
    return re;
}

const QRegularExpression& RelationLookup::bottomPattern(int bottomKey)
{
    if (!m_bottomPatternReady.at(bottomKey)) {
        m_bottomPatterns[bottomKey] = pattern(m_keys.at(bottomKey).original);
        m_bottomPatternReady[bottomKey] = 1;
    }
    return m_bottomPatterns.at(bottomKey);
}

bool RelationLookup::relation(const Key& top, int bottomKey, const QRegularExpression* topPattern)
{
    const Key& bottom = m_keys.at(bottomKey);
    const QString& t = top.text;
    const QString& b = bottom.text;
    switch (m_options.matchType) {
    case MatchEqual:
        return smartCompare(bottom, top) == 0;
    case MatchBottomContainsTop:
        return b.contains(t);
    case MatchBottomStartsWithTop:
        return b.startsWith(t);
    case MatchBottomEndsWithTop:
        return b.endsWith(t);
    case MatchBottomGreaterThanTop:
        return smartCompare(bottom, top) > 0;
    case MatchBottomGreaterEqualTop:
        return smartCompare(bottom, top) >= 0;
    case MatchBottomMatchesTopRegex:
        return topPattern->isValid() && topPattern->match(bottom.original).hasMatch();
    case MatchTopContainsBottom:
        return t.contains(b);
    case MatchTopStartsWithBottom:
        return t.startsWith(b);
    case MatchTopEndsWithBottom:
        return t.endsWith(b);
    case MatchTopGreaterThanBottom:
        return smartCompare(top, bottom) > 0;
    case MatchTopGreaterEqualBottom:
        return smartCompare(top, bottom) >= 0;
    case MatchTopMatchesBottomRegex: {
        const QRegularExpression& re = bottomPattern(bottomKey);
        return re.isValid() && re.match(top.original).hasMatch();
    }
    case MatchNotExact:
        return t != b;
    case MatchNotEqual:
        return smartCompare(bottom, top) != 0;
    case MatchBottomNotContainsTop:
        return !b.contains(t);
    case MatchBottomNotStartsWithTop:
        return !b.startsWith(t);
    case MatchBottomNotEndsWithTop:
        return !b.endsWith(t);
    case MatchTopNotContainsBottom:
        return !t.contains(b);
    case MatchTopNotStartsWithBottom:
        return !t.startsWith(b);
    case MatchTopNotEndsWithBottom:
        return !t.endsWith(b);
    default:
        return t == b;
    }
}

bool RelationLookup::lookUp(const QString& topKey, QString& cell)
{
    const auto cached = m_cache.constFind(topKey);
    if (cached != m_cache.constEnd()) {
        cell = cached->second;
        return cached->first;
    }
    const Key top = makeKey(topKey, m_options.caseSensitive, m_parse);
    const bool found
        = m_options.matchType == MatchFuzzy ? matchFuzzy(top, cell) : matchByRelation(top, cell);
    if (!found)
        cell.clear();
    m_cache.insert(topKey, qMakePair(found, cell));
    return found;
}

bool RelationLookup::matchByRelation(const Key& top, QString& cell)
{
    QRegularExpression topPattern;
    if (m_options.matchType == MatchBottomMatchesTopRegex)
        topPattern = pattern(top.original);
    if (!m_options.allValues) {
        // Keys are held in the order of their first row, so the first
        // matching key gives the first matching row.
        for (int k = 0; k < m_keys.size(); ++k) {
            if (relation(top, k, &topPattern)) {
                cell = m_rowValue.at(m_keyFirstRow.at(k));
                return true;
            }
        }
        return false;
    }
    QVector<char> keyMatches(m_keys.size(), 0);
    bool any = false;
    for (int k = 0; k < m_keys.size(); ++k) {
        keyMatches[k] = relation(top, k, &topPattern) ? 1 : 0;
        any = any || keyMatches.at(k);
    }
    if (!any)
        return false;
    QVector<int> rows;
    for (int r = 0; r < m_rowKey.size(); ++r) {
        if (keyMatches.at(m_rowKey.at(r)))
            rows.append(r);
    }
    cell = joined(rows);
    return true;
}

bool RelationLookup::matchFuzzy(const Key& top, QString& cell)
{
    const int least = qBound(0, m_options.fuzziness, 100);
    const int use = m_options.fuzzyValuesUsed;
    const ClosenessMatcher matcher(FuzzyKey(QStringList { top.text }));
    QVector<int> closeness(m_keys.size(), NoCloseness);
    int best = NoCloseness;
    int bestKey = -1;
    for (int k = 0; k < m_keys.size(); ++k) {
        // Once a match is known, a key that cannot beat it (or, for "All
        // best", equal it) need not be measured exactly.
        int need = least;
        if (use == FuzzyFirstBest)
            need = qMax(least, best + 1);
        else if (use == FuzzyAllBest)
            need = qMax(least, best);
        if (need > 100)
            break;
        const int c = matcher.closeness(m_fuzzyKeys.at(k), need);
        closeness[k] = c;
        if (c > best) {
            best = c;
            bestKey = k;
        }
    }
    if (bestKey < 0)
        return false;
    if (use == FuzzyFirstBest) {
        cell = m_rowValue.at(m_keyFirstRow.at(bestKey));
        return true;
    }
    QVector<int> rows;
    for (int r = 0; r < m_rowKey.size(); ++r) {
        const int c = closeness.at(m_rowKey.at(r));
        if (c != NoCloseness && (use == FuzzyAll || c == best))
            rows.append(r);
    }
    // Every match: the closest first, bottom order among equals.
    if (use == FuzzyAll)
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            return closeness.at(m_rowKey.at(a)) > closeness.at(m_rowKey.at(b));
        });
    cell = joined(rows);
    return true;
}

// The distinct values of the rows, in the order given.
QString RelationLookup::joined(const QVector<int>& rows) const
{
    QStringList values;
    QSet<QString> seen;
    for (int r : rows) {
        const QString& v = m_rowValue.at(r);
        if (!seen.contains(v)) {
            seen.insert(v);
            values.append(v);
        }
    }
    return values.join(m_options.delimiter);
}
