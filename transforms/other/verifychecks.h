#pragma once

// The rules of the Verify transform: their names, what each takes, and the
// check of one rule against the values of one column.
//
// Kinds are numbered as they are stored. Per-value rules judge each value on
// its own (the duplicate rules remember the values seen, so the second and
// later occurrences fail); column-wide rules (name, gaps, at least one
// non-empty, required values) judge the column as a whole.
//
// Format rules (numeric, integer, date, regex, starts/ends/contains, e-mail,
// telephone and the identifiers) pass empty values: "No empty values" is the
// rule that catches those, so the two can be combined or not as the user
// wants.

#include "core/values.h"
#include "transforms/parametervalues.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

class Dataset;

namespace verify {

enum ColumnType { DateType, IntegerType, RealType, SelectionType, TextType };

const QStringList& datasetRuleNames();
const QStringList& columnRuleNames();
const QStringList& columnTypeNames();
const QStringList& severityNames();
// The rule kinds the editor offers for a column type, ascending.
QVector<int> columnRuleKinds(int columnType);
bool columnRuleTakesValue(int kind);
bool datasetRuleTakesValue(int kind);
// The kind's "Verify that ..." sentence.
QString columnRuleTooltip(int kind);
QString datasetRuleTooltip(int kind);
// The rule as the report names it: its name, and ": value" for kinds that
// take one.
QString columnRuleText(const VerifyRule& rule);
QString datasetRuleText(const VerifyRule& rule);
// Whether a kind needs the column's date format.
bool isDateRule(int kind);

class ColumnCheck
{
public:
    ColumnCheck(const VerifyRule& rule, const QString& dateFormat, Qt::CaseSensitivity cs);

    bool isPerValue() const;
    // For per-value rules, in row order.
    bool passes(const QString& value);
    // For column-wide rules: an empty text when the column passes, else the
    // finding ("missing value(s)=...").
    QString columnFinding(const Dataset& dataset, int column) const;
    // A value the rule cannot use (a pattern that does not compile); empty
    // when there is none.
    const QString& problem() const { return m_problem; }

private:
    QDate date(const QString& text) const;
    bool inList(const QString& value) const;
    bool passesFormat(const QString& value) const;
    bool passesCharacters(const QString& value) const;
    bool firstOccurrence(const QString& key);

    VerifyRule m_rule;
    DateFormat m_dateFormat;
    Qt::CaseSensitivity m_cs;
    QStringList m_list;
    double m_number = 0.0;
    bool m_numberOk = false;
    QDate m_date;
    QRegularExpression m_regex;
    QSet<QString> m_seen;
    QString m_problem;
};

// "'a', 'b'x3, 'c'": values with their counts where they repeat, at most
// five, then "+ %1 other(s)".
QString listValues(const QStringList& values);

} // namespace verify
