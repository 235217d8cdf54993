#pragma once

// The condition operators that transforms use to test a cell against a term
// ("Contains", "Equal to", "Matches regex", "80% fuzzy match", ...).
//
// Three layers, so any transform can use the part it needs:
//
//   ConditionTest   one operator, one case sensitivity and one term text,
//                   tested against a cell. The term is read once: whether it
//                   is a number or a date, its lower-case form and its
//                   compiled pattern are kept, so testing a million cells
//                   parses nothing but the cells themselves (and only when
//                   the term could compare as a number or a date).
//   RowCondition    a ConditionTest on one column of a row, or on any column
//                   (column -1, shown as "<Any>"), with column variables in
//                   the term replaced from the row first. A term that holds
//                   variables is re-read only when its expanded text changes.
//   ConditionGroup  several RowConditions joined by AND or OR.
//
// A RowCondition without variables remembers its result per distinct stored
// value of its column, so a value repeated down a column is tested once.
//
// Comparing operators (=, !=, <, >, <=, >=) are smart: when both texts read
// as dates under the user's date formats they compare as dates, otherwise
// when both read as numbers as numbers, otherwise as texts with the case
// sensitivity. So "10" equals "10.0" but not "10 kg".
//
// A pattern that does not compile matches nothing; problem() then says which
// term it was, once, however many rows were tested.

#include <QDate>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>

#include "transforms/parametervalues.h"
#include "transforms/support/columnvariables.h"
#include "transforms/support/storedvalues.h"

#include <functional>

class Dataset;

enum ConditionOperator : int {
    OpContains = 0,
    OpEqual = 1,
    OpStartsWith = 2,
    OpEndsWith = 3,
    OpGreater = 4,
    OpLess = 5,
    OpGreaterEqual = 6,
    OpLessEqual = 7,
    OpMatchesRegex = 8,
    OpNotContains = 9,
    OpNotEqual = 10,
    OpNotStartsWith = 11,
    OpNotEndsWith = 12,
    OpNotMatchesRegex = 13,
    OpFuzzy90 = 14,
    OpFuzzy80 = 15,
    OpFuzzy70 = 16,
    OpFuzzy60 = 17,
    OpFuzzy50 = 18,
    OpIsEmpty = 19,
    OpIsNotEmpty = 20,
    ConditionOperatorCount = 21
};

// The operators' texts as the editors list them, by number.
const QStringList& conditionOperatorNames();
// The part of an operator's text before its first space ("=", "c", "rx").
QString conditionOperatorShortName(int op);

class ConditionTest
{
public:
    ConditionTest() = default;
    ConditionTest(int op, const QString& term, Qt::CaseSensitivity cs);

    int op() const { return m_op; }
    const QString& term() const { return m_term; }
    // Re-reads the term (for terms that change from row to row).
    void setTerm(const QString& term);
    bool matches(const QString& cell) const;
    // Empty unless the term is a pattern that does not compile.
    const QString& patternError() const { return m_patternError; }

private:
    int compare(const QString& cell) const;
    bool fuzzy(const QString& cell) const;

    int m_op = OpContains;
    Qt::CaseSensitivity m_cs = Qt::CaseSensitive;
    QString m_term;
    QString m_lowerTerm;
    bool m_termIsNumber = false;
    double m_number = 0.0;
    QDate m_date;
    QRegularExpression m_regex;
    QString m_patternError;
};

class RowCondition
{
public:
    // column: the column tested, -1 for every column of the row ("<Any>"),
    // below -1 for a column that no longer exists (never matches).
    RowCondition(
        int column, int op, const QString& term, const Dataset& dataset, Qt::CaseSensitivity cs);

    bool matches(const QStringList& row);
    // The same for a row of a table, reading only the cells tested.
    bool matches(const Dataset& data, int row);
    // The column tested (below 0 for every column or none).
    int column() const { return m_column; }
    // Whether the term takes values from the row, which makes the test
    // depend on the rows tested before.
    bool hasVariables() const { return m_variables.hasVariables(); }
    // A sentence naming the term whose pattern did not compile; empty when
    // every pattern so far compiled.
    const QString& problem() const { return m_problem; }

private:
    bool testCell(const QString& cell) const;

    int m_column;
    ColumnVariables m_variables;
    ConditionTest m_test;
    // Per distinct value of the column, for a term without variables.
    PerStoredValue<bool> m_results;
    QString m_scratch;
    QString m_problem;
};

class ConditionGroup
{
public:
    explicit ConditionGroup(bool all = true) : m_all(all) { }
    void add(const RowCondition& condition);
    bool isEmpty() const { return m_conditions.isEmpty(); }
    // Tests the conditions cheapest first from now on, judged on the first
    // rows of the dataset: a column of few distinct stored values is tested
    // once per value, a column of mostly different values once per row. The
    // outcome is the same in any order, unless a term takes values from the
    // row (its problems then depend on the rows it saw): such a group keeps
    // its order.
    void orderByCost(const Dataset& dataset);
    // The column the condition tested first tests (below 0 when that
    // condition tests every column or none).
    int firstColumn() const { return isEmpty() ? -1 : m_conditions.at(m_order.first()).column(); }
    // AND stops at the first failing condition, OR at the first passing one.
    // An empty group matches.
    bool matches(const QStringList& row);
    bool matches(const Dataset& data, int row);
    // The conditions' problems, each once.
    QStringList problems() const;

private:
    QVector<RowCondition> m_conditions;
    // The conditions in the order they are tested.
    QVector<int> m_order;
    bool m_all;
};

// The conditions of stored terms. resolve gives a term's column index in the
// dataset, or -1 when its column no longer exists; an empty reference stands
// for any column.
ConditionGroup makeConditionGroup(const ConditionTermList& terms, bool all,
    const std::function<int(const ColumnRef&)>& resolve, const Dataset& dataset,
    Qt::CaseSensitivity cs);
