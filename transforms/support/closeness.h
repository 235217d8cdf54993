#pragma once

// Closeness: how alike two keys are, as a percentage built on the Levenshtein
// edit distance. Dedupe groups rows by it and Lookup's fuzzy match type pairs
// keys with it.
//
// A key is a list of values, one per compared column. Two keys are compared
// value by value against one budget of edits derived from the least closeness
// the caller asks for, so that a pair that cannot reach it is abandoned after
// a few steps:
//
//   L = sum over the values of the longer value's length (UTF-16 code units)
//   budget B = floor((100 - least) * L / 100)
//   each value pair may use what is left of B; D is the total distance
//   closeness = 100 - ceil(100 * D / L)
//
// Keys with a different number of values have closeness 0; keys with no
// values, or whose values are all empty, have closeness 100. For a pair that
// reaches the least closeness the result is its exact closeness, so raising
// the least closeness while searching for a best match is safe.
//
// For one-off comparisons call closeness(). To compare one key with many
// (a new key against every key seen so far, a top key against every bottom
// key), wrap each key once in a FuzzyKey and the one key in a
// ClosenessMatcher: same results, several times faster.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>
#include <QVector>

#include <array>

// What closeness() returns for a pair below the least closeness.
constexpr int NoCloseness = -1;

// The Levenshtein distance of two texts in UTF-16 code units (insertion,
// deletion and substitution each cost 1), worked out only as far as needed:
// a distance of limit or more is returned as limit. A limit of 0 or less
// returns 0.
int boundedEditDistance(QStringView a, QStringView b, int limit);

// The closeness (0 to 100) of two keys when it is at least leastCloseness
// (clamped to 0..100), otherwise NoCloseness.
int closeness(const QStringList& a, const QStringList& b, int leastCloseness);
// The same for keys of one value each.
int closeness(const QString& a, const QString& b, int leastCloseness);

// A key with what is needed to reject hopeless pairs without working out any
// distance: the values' lengths and, per value, a 64-bit mask of the code
// units it holds (a difference of k letters needs at least k edits).
class FuzzyKey
{
public:
    FuzzyKey() = default;
    explicit FuzzyKey(const QStringList& values);

    const QStringList& values() const { return m_values; }
    int size() const { return m_values.size(); }
    // The sum of the values' lengths.
    int length() const { return m_length; }
    quint64 letters(int i) const { return m_letters.at(i); }

private:
    QStringList m_values;
    QVarLengthArray<quint64, 2> m_letters;
    int m_length = 0;
};

// One key prepared for comparison with many others.
class ClosenessMatcher
{
public:
    explicit ClosenessMatcher(const FuzzyKey& key);
    ClosenessMatcher(const ClosenessMatcher&) = delete;
    ClosenessMatcher& operator=(const ClosenessMatcher&) = delete;

    const FuzzyKey& key() const { return m_key; }
    // closeness(key(), other.values(), leastCloseness).
    int closeness(const FuzzyKey& other, int leastCloseness) const;

private:
    // Bit j of the mask of a code unit is set where the value holds it at
    // position j; only values of up to 64 code units have one.
    struct Pattern
    {
        std::array<quint64, 128> ascii {};
        QVector<QPair<ushort, quint64>> other;
        bool usable = false;
        quint64 mask(ushort unit) const;
    };

    int distance(int value, QStringView other, int limit) const;

    FuzzyKey m_key;
    QVector<Pattern> m_patterns;
};
