#include "transforms/support/conditions.h"

#include "core/dataset.h"
#include "core/values.h"
#include "transforms/support/closeness.h"

#include <algorithm>

namespace {

bool isRegexOperator(int op)
{
    return op == OpMatchesRegex || op == OpNotMatchesRegex;
}

bool isComparingOperator(int op)
{
    return op == OpEqual || op == OpNotEqual || (op >= OpGreater && op <= OpLessEqual);
}

int fuzzyThreshold(int op)
{
    return 90 - (op - OpFuzzy90) * 10;
}

} // namespace

const QStringList& conditionOperatorNames()
{
    static const QStringList names = { QStringLiteral("c   Contains"),
        QStringLiteral("=   Equal to"), QStringLiteral("^   Starts with"),
        QStringLiteral("$   Ends with"), QStringLiteral(">   Greater than"),
        QStringLiteral("<   Less than"), QStringLiteral(">=  Greater than equal"),
        QStringLiteral("<=  Less than equal"), QStringLiteral("rx  Matches regex"),
        QStringLiteral("!c   Doesn't contain"), QStringLiteral("!=  Not equal to"),
        QStringLiteral("!^  Doesn't start with"), QStringLiteral("!$  Doesn't end with"),
        QStringLiteral("!rx Doesn't match regex"), QStringLiteral("≈9  90% fuzzy match"),
        QStringLiteral("≈8  80% fuzzy match"), QStringLiteral("≈7  70% fuzzy match"),
        QStringLiteral("≈6  60% fuzzy match"), QStringLiteral("≈5  50% fuzzy match"),
        QStringLiteral("∅   Is empty"), QStringLiteral("!∅  Is not empty") };
    return names;
}

QString conditionOperatorShortName(int op)
{
    const QString name = conditionOperatorNames().value(op);
    return name.left(name.indexOf(QLatin1Char(' ')));
}

ConditionTest::ConditionTest(int op, const QString& term, Qt::CaseSensitivity cs)
    : m_op(qBound(0, op, ConditionOperatorCount - 1)), m_cs(cs)
{
    setTerm(term);
}

void ConditionTest::setTerm(const QString& term)
{
    m_term = term;
    m_patternError.clear();
    if (isRegexOperator(m_op)) {
        m_regex.setPattern(term);
        m_regex.setPatternOptions(m_cs == Qt::CaseSensitive
                ? QRegularExpression::NoPatternOption
                : QRegularExpression::CaseInsensitiveOption);
        if (m_regex.isValid())
            m_regex.optimize();
        else
            m_patternError = m_regex.errorString();
    } else if (isComparingOperator(m_op)) {
        // Whether the term is a number or a date decides whether any cell
        // needs reading as one: a term that is neither compares as text.
        m_number = toNumber(term, false, false, &m_termIsNumber);
        m_date = toDateWithFormats(term);
    } else if (m_op >= OpFuzzy90 && m_op <= OpFuzzy50 && m_cs == Qt::CaseInsensitive) {
        m_lowerTerm = term.toLower();
    }
}

// Orders the cell against the term: negative, 0 or positive.
int ConditionTest::compare(const QString& cell) const
{
    if (m_date.isValid()) {
        // The cell is read by the whole list in order, never first by the
        // term's format: the same text must be the same date whatever it is
        // compared with.
        const QDate date = toDateWithFormats(cell);
        if (date.isValid())
            return date < m_date ? -1 : (m_date < date ? 1 : 0);
    }
    if (m_termIsNumber) {
        bool ok = false;
        const double value = toNumber(cell, false, false, &ok);
        if (ok)
            return value < m_number ? -1 : (m_number < value ? 1 : 0);
    }
    return cell.compare(m_term, m_cs);
}

bool ConditionTest::fuzzy(const QString& cell) const
{
    const int least = fuzzyThreshold(m_op);
    if (m_cs == Qt::CaseInsensitive)
        return closeness(cell.toLower(), m_lowerTerm, least) >= least;
    return closeness(cell, m_term, least) >= least;
}

bool ConditionTest::matches(const QString& cell) const
{
    switch (m_op) {
    case OpContains:
        return cell.contains(m_term, m_cs);
    case OpNotContains:
        return !cell.contains(m_term, m_cs);
    case OpStartsWith:
        return cell.startsWith(m_term, m_cs);
    case OpNotStartsWith:
        return !cell.startsWith(m_term, m_cs);
    case OpEndsWith:
        return cell.endsWith(m_term, m_cs);
    case OpNotEndsWith:
        return !cell.endsWith(m_term, m_cs);
    case OpMatchesRegex:
        return m_patternError.isEmpty() && m_regex.match(cell).hasMatch();
    case OpNotMatchesRegex:
        return m_patternError.isEmpty() && !m_regex.match(cell).hasMatch();
    case OpIsEmpty:
        return cell.isEmpty();
    case OpIsNotEmpty:
        return !cell.isEmpty();
    case OpEqual:
    case OpNotEqual:
        // A text that is not a number never equals one: "10 kg" vs "10".
        return (compare(cell) == 0) == (m_op == OpEqual);
    case OpGreater:
        return compare(cell) > 0;
    case OpLess:
        return compare(cell) < 0;
    case OpGreaterEqual:
        return compare(cell) >= 0;
    case OpLessEqual:
        return compare(cell) <= 0;
    default:
        return fuzzy(cell);
    }
}

RowCondition::RowCondition(
    int column, int op, const QString& term, const Dataset& dataset, Qt::CaseSensitivity cs)
    : m_column(column), m_test(op, term, cs)
{
    if (ColumnVariables::mayContainVariables(term))
        m_variables = ColumnVariables(term, dataset);
    if (!m_variables.hasVariables() && !m_test.patternError().isEmpty()) {
        m_problem = QStringLiteral("Invalid regular expression '%1' (%2): the term matches nothing")
                        .arg(term, m_test.patternError());
    }
}

bool RowCondition::testCell(const QString& cell) const
{
    return m_test.matches(cell);
}

bool RowCondition::matches(const Dataset& data, int row)
{
    if (m_variables.hasVariables() || m_column < -1)
        return matches(data.row(row));
    if (m_column >= 0) {
        if (m_column >= data.columnCount())
            return testCell(QString());
        return m_results.getCell(data.column(m_column), row, m_scratch,
            [this](const QString& v) { return testCell(v); });
    }
    QString scratch;
    for (int c = 0; c < data.columnCount(); ++c) {
        if (testCell(data.text(row, c, scratch)))
            return true;
    }
    return false;
}

bool RowCondition::matches(const QStringList& row)
{
    if (m_variables.hasVariables()) {
        const QString term = m_variables.expand(row);
        if (term != m_test.term()) {
            m_test.setTerm(term);
            if (m_problem.isEmpty() && !m_test.patternError().isEmpty()) {
                m_problem = QStringLiteral(
                    "Invalid regular expression '%1' from term '%2' (%3): it matches nothing")
                                .arg(term, m_variables.text(), m_test.patternError());
            }
        }
    }
    if (m_column < -1)
        return false;
    if (m_column >= 0) {
        static const QString missing;
        const QString& cell = m_column < row.size() ? row.at(m_column) : missing;
        if (m_variables.hasVariables())
            return testCell(cell);
        return m_results.get(cell, [this](const QString& v) { return testCell(v); });
    }
    for (const QString& cell : row) {
        if (testCell(cell))
            return true;
    }
    return false;
}

void ConditionGroup::add(const RowCondition& condition)
{
    m_order.append(m_conditions.size());
    m_conditions.append(condition);
}

void ConditionGroup::orderByCost(const Dataset& dataset)
{
    constexpr int SampleRows = 256;
    if (m_conditions.size() < 2)
        return;
    const int sample = qMin(dataset.rowCount(), SampleRows);
    QVector<int> cost(m_conditions.size(), 0);
    for (int i = 0; i < m_conditions.size(); ++i) {
        const RowCondition& condition = m_conditions.at(i);
        if (condition.hasVariables())
            return;
        const int column = condition.column();
        if (column == -1) {
            cost[i] = sample * dataset.columnCount();
        } else if (column >= 0 && column < dataset.columnCount()) {
            // A repeating column is tested once per distinct value.
            const TextColumn& values = dataset.column(column);
            QSet<quint32> seen;
            for (int r = 0; r < sample; ++r)
                seen.insert(values.code(r));
            cost[i] = seen.size();
        }
    }
    std::stable_sort(
        m_order.begin(), m_order.end(), [&cost](int a, int b) { return cost[a] < cost[b]; });
}

bool ConditionGroup::matches(const Dataset& data, int row)
{
    for (int i : qAsConst(m_order)) {
        const bool passed = m_conditions[i].matches(data, row);
        if (passed != m_all)
            return passed;
    }
    return m_all || m_conditions.isEmpty();
}

bool ConditionGroup::matches(const QStringList& row)
{
    for (int i : qAsConst(m_order)) {
        const bool passed = m_conditions[i].matches(row);
        if (passed != m_all)
            return passed;
    }
    return m_all || m_conditions.isEmpty();
}

QStringList ConditionGroup::problems() const
{
    QStringList list;
    for (const RowCondition& condition : m_conditions) {
        if (!condition.problem().isEmpty() && !list.contains(condition.problem()))
            list.append(condition.problem());
    }
    return list;
}

ConditionGroup makeConditionGroup(const ConditionTermList& terms, bool all,
    const std::function<int(const ColumnRef&)>& resolve, const Dataset& dataset,
    Qt::CaseSensitivity cs)
{
    ConditionGroup group(all);
    for (const ConditionTerm& term : terms) {
        int column = -1;
        if (!term.column.isEmpty()) {
            column = resolve(term.column);
            if (column < 0)
                column = -2;
        }
        group.add(RowCondition(column, term.op, term.text, dataset, cs));
    }
    group.orderByCost(dataset);
    return group;
}
