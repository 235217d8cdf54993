#pragma once

#include "transforms/parametervalues.h"
#include "transforms/support/columnvariables.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

class Dataset;

// The ways a replace term finds what it replaces. The numbers are stored in
// documents.
enum class MatchType : int {
    Text = 0, // every occurrence of the find text
    ExactText = 1, // the whole cell when it equals the find text
    Regex = 2, // every match of the find text as a regular expression
    Empty = 3, // an empty cell
    Letters = 4, // the character classes below, character by character
    Digits = 5,
    Punctuation = 6,
    Symbols = 7,
    Whitespace = 8,
    Currency = 9,
    NonAscii = 10
};

// One replace term made ready for many cells: the regular expression is
// compiled once, and column variables in the find and replace texts are
// parsed once and expanded per row (the expression is compiled again only
// when a row gives a different pattern). Case sensitivity applies to the
// Text, Exact text and Regex kinds.
//
// Besides replacing, matches() answers whether the term finds anything in a
// text, so that row filters can share the same matching rules.
class ReplaceMatcher
{
public:
    static constexpr int MatchTypeCount = 11;
    // The labels of the match types in number order ("Text" ... "Non-ASCII").
    static QStringList matchTypeNames();
    // Whether a single code point belongs to one of the character classes
    // (Letters to Non-ASCII); false for the other kinds.
    static bool isClassCharacter(MatchType type, uint codePoint);

    ReplaceMatcher(const ReplaceTerm& term, Qt::CaseSensitivity cs);

    // Parses column variables in the find and replace texts against the
    // dataset's columns. Without this call the texts are taken literally.
    void useVariables(const Dataset& dataset);
    bool usesRowValues() const { return m_findVars.hasVariables() || m_replaceVars.hasVariables(); }
    // Expands the variables for one row; call before matches()/apply() on
    // that row's cells whenever usesRowValues() is true.
    void setRow(const QStringList& rowValues);

    MatchType type() const { return m_type; }
    // True when the term cannot change anything (an empty find text for the
    // text kinds, or an unknown match type).
    bool isInert() const;
    // For Regex: whether the current pattern compiled.
    bool isValidPattern() const { return m_regex.isValid(); }

    bool matches(const QString& text) const;
    QString apply(const QString& text) const;

private:
    // A piece of a regex replacement: literal text, or a captured group.
    struct ReplacementPart
    {
        QString literal;
        int group = -1;
    };

    void setFind(const QString& find);
    void parseReplacement();
    QString replaceRegex(const QString& text) const;
    QString replaceClass(const QString& text) const;
    int firstClassMatch(const QString& text) const;

    MatchType m_type;
    Qt::CaseSensitivity m_cs;
    ReplaceTerm m_term;
    QString m_find;
    QString m_replace;
    QRegularExpression m_regex;
    QVector<ReplacementPart> m_replacement;
    ColumnVariables m_findVars;
    ColumnVariables m_replaceVars;
};

// A list of terms applied in order, each to the result of the previous one.
class ReplaceMatcherList
{
public:
    ReplaceMatcherList(const ReplaceTermList& terms, Qt::CaseSensitivity cs,
        const Dataset* variablesFrom = nullptr);
    bool isEmpty() const { return m_matchers.isEmpty(); }
    bool usesRowValues() const { return m_usesRowValues; }
    void setRow(const QStringList& rowValues);
    QString apply(const QString& text) const;

private:
    QVector<ReplaceMatcher> m_matchers;
    bool m_usesRowValues = false;
};
