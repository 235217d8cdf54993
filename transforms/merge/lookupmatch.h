#pragma once

#include "transforms/support/columnvariables.h"

// The Lookup transform's matching by relation (every match type except
// "Exact", which hashes) and the column variables of its no-match value.

#include "core/dataset.h"
#include "transforms/support/closeness.h"

#include <QDate>
#include <QHash>
#include <QPair>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>

enum LookupMatchType : int {
    MatchExact = 0,
    MatchFuzzy = 1,
    MatchEqual = 2,
    MatchBottomContainsTop = 3,
    MatchBottomStartsWithTop = 4,
    MatchBottomEndsWithTop = 5,
    MatchBottomGreaterThanTop = 6,
    MatchBottomGreaterEqualTop = 7,
    MatchBottomMatchesTopRegex = 8,
    MatchTopContainsBottom = 9,
    MatchTopStartsWithBottom = 10,
    MatchTopEndsWithBottom = 11,
    MatchTopGreaterThanBottom = 12,
    MatchTopGreaterEqualBottom = 13,
    MatchTopMatchesBottomRegex = 14,
    MatchNotExact = 15,
    MatchNotEqual = 16,
    MatchBottomNotContainsTop = 17,
    MatchBottomNotStartsWithTop = 18,
    MatchBottomNotEndsWithTop = 19,
    MatchTopNotContainsBottom = 20,
    MatchTopNotStartsWithBottom = 21,
    MatchTopNotEndsWithBottom = 22
};

// The choice texts of "Match_Type", by index.
QStringList lookupMatchTypeNames();

// Which fuzzy matches give the value: the best (the first of equals), every
// equally best one, or every match.
enum FuzzyValuesUsed : int { FuzzyFirstBest = 0, FuzzyAllBest = 1, FuzzyAll = 2 };

struct LookupOptions
{
    int matchType = MatchExact;
    bool caseSensitive = true;
    bool allValues = false; // "Bottom_Values_Used" is "All"
    int fuzzyValuesUsed = FuzzyFirstBest;
    int fuzziness = 80;
    bool ignoreEmptyValues = false;
    QString delimiter = QStringLiteral(",");
};

// Compares top keys with the bottom keys by one relation. The bottom is held
// as its distinct keys (in the order of their first row) plus the key and
// value of every usable bottom row, so that each relation is evaluated once
// per distinct pair of keys while values still come out in bottom row order.
// Results are cached per top key: a top dataset repeats its keys far more
// often than it brings new ones.
class RelationLookup
{
public:
    RelationLookup(
        const Dataset& bottom, int keyColumn, int valueColumn, const LookupOptions& options);

    // The new cell for a top key; false when nothing matches.
    bool lookUp(const QString& topKey, QString& cell);

    // A regular expression that could not be compiled (it matches nothing).
    const QString& invalidPattern() const { return m_invalidPattern; }

private:
    // A key prepared for the relations that read numbers and dates.
    struct Key
    {
        QString text; // lower-cased when case is ignored
        QString original;
        bool isNumber = false;
        double number = 0.0;
        QDate date;
    };
    static Key makeKey(const QString& original, bool caseSensitive, bool parse);
    static int smartCompare(const Key& a, const Key& b);
    bool relation(const Key& top, int bottomKey, const QRegularExpression* topPattern);
    const QRegularExpression& bottomPattern(int bottomKey);
    QRegularExpression pattern(const QString& text);
    bool matchByRelation(const Key& top, QString& cell);
    bool matchFuzzy(const Key& top, QString& cell);
    QString joined(const QVector<int>& rows) const;

    LookupOptions m_options;
    bool m_parse = false;
    QVector<Key> m_keys; // distinct bottom keys
    QVector<int> m_rowKey; // per usable bottom row: its key's index
    QVector<QString> m_rowValue; // per usable bottom row: its value
    QVector<int> m_keyFirstRow; // per distinct key: its first usable row
    QVector<FuzzyKey> m_fuzzyKeys; // per distinct key, for "Fuzzy"
    QVector<QRegularExpression> m_bottomPatterns;
    QVector<char> m_bottomPatternReady;
    QHash<QString, QPair<bool, QString>> m_cache;
    QString m_invalidPattern;
};
