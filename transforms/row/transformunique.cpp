#include "transforms/row/transformunique.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/aggregates.h"
#include "transforms/support/columnnumbers.h"
#include "transforms/support/rowgroups.h"

#include <QHash>
#include <QSet>

#include <vector>

// Open points settled as the usual data frame group-by settles them:
// - empty values are missing values: "Count distinct", "Count unique" and
//   "Count duplicate" count non-empty values only;
// - those three compare values case-sensitively whatever "Case_Sensitive"
//   says, which only decides which rows form a group;
// - "Count duplicate" counts the values (rows) whose text occurs more than
//   once, so that unique plus duplicate is the non-empty count;
// - "Sum", "Average", "Maximum" and "Minimum" of a group without any number
//   leave the cell empty, with one warning per column giving the number of
//   such groups;
// - "Maximum" and "Minimum" keep the first of equal extremes, and over a
//   date column the text of the latest or earliest date as it stands;
// - "Average" is written as "Sum" is: no group separators, as many decimals
//   as are significant;
// - a column the options do not mention keeps its first value.

namespace {

const QStringList& aggregationNames()
{
    static const QStringList names = { "Keep unique", "Keep first", "Keep last", "Sum", "Maximum",
        "Minimum", "Average", "Concat", "Concat distinct", "Keep first non-empty",
        "Keep last non-empty", "Count distinct", "Count unique", "Count duplicate", "Count empty",
        "Count non-empty", "Set empty" };
    return names;
}

// One output column's aggregation over the rows of each group.
class ColumnAggregate
{
public:
    // dates: whether a Maximum or Minimum column holds dates, -1 to read it
    // from the input's first values.
    ColumnAggregate(const Dataset& input, int column, int aggregation, const QString& delimiter,
        bool ignoreEmpty, int dates)
        : m_input(input),
          m_column(column),
          m_aggregation(aggregation),
          m_delimiter(delimiter),
          m_ignoreEmpty(ignoreEmpty)
    {
        using U = TransformUnique;
        if (aggregation == U::Maximum || aggregation == U::Minimum)
            m_dates = dates < 0 ? input.isDateColumn(column, defaultDateFormats()) : dates > 0;
        if (aggregation >= U::Sum && aggregation <= U::Average)
            readNumbers();
    }

    QString value(const int* rows, int n);
    int groupsWithoutNumber() const { return m_withoutNumber; }

private:
    QString at(int row) const { return m_input.value(row, m_column); }
    void readNumbers();
    QString numeric(const int* rows, int n);
    QString extreme(const int* rows, int n);
    QString concat(const int* rows, int n, bool distinct) const;
    QString counted(const int* rows, int n) const;

    const Dataset& m_input;
    int m_column;
    int m_aggregation;
    QString m_delimiter;
    bool m_ignoreEmpty;
    bool m_dates = false;
    int m_withoutNumber = 0;
    // The column's values as numbers (dates as day numbers), by row.
    std::vector<double> m_numbers;
    std::vector<char> m_isNumber;
};

QString ColumnAggregate::value(const int* rows, int n)
{
    using U = TransformUnique;
    switch (m_aggregation) {
    case U::KeepUnique:
    case U::KeepFirst:
        return at(rows[0]);
    case U::KeepLast:
        return at(rows[n - 1]);
    case U::Sum:
    case U::Average:
        return numeric(rows, n);
    case U::Maximum:
    case U::Minimum:
        return extreme(rows, n);
    case U::Concat:
    case U::ConcatDistinct:
        return concat(rows, n, m_aggregation == U::ConcatDistinct);
    case U::KeepFirstNonEmpty:
        for (int i = 0; i < n; ++i) {
            if (!at(rows[i]).isEmpty())
                return at(rows[i]);
        }
        return QString();
    case U::KeepLastNonEmpty:
        for (int i = n - 1; i >= 0; --i) {
            if (!at(rows[i]).isEmpty())
                return at(rows[i]);
        }
        return QString();
    case U::SetEmpty:
        return QString();
    default:
        return counted(rows, n);
    }
}

// Each value is read once, in row order: reading them group by group would
// visit the rows' texts all over memory and wait at every one.
void ColumnAggregate::readNumbers()
{
    ColumnNumbers numbers = TransformUnique::readNumbers(m_input, m_column, m_dates);
    m_numbers.swap(numbers.values);
    m_isNumber.swap(numbers.ok);
}

QString ColumnAggregate::numeric(const int* rows, int n)
{
    KahanSum sum;
    int count = 0;
    for (int i = 0; i < n; ++i) {
        if (m_isNumber[rows[i]]) {
            sum.add(m_numbers[rows[i]]);
            ++count;
        }
    }
    if (count == 0) {
        ++m_withoutNumber;
        return QString();
    }
    return formatNumber(m_aggregation == TransformUnique::Sum ? sum.value() : sum.value() / count);
}

QString ColumnAggregate::extreme(const int* rows, int n)
{
    const bool maximum = m_aggregation == TransformUnique::Maximum;
    int best = -1;
    double bestValue = 0.0;
    for (int i = 0; i < n; ++i) {
        const int r = rows[i];
        if (m_isNumber[r]
            && (best < 0 || (maximum ? m_numbers[r] > bestValue : m_numbers[r] < bestValue))) {
            best = r;
            bestValue = m_numbers[r];
        }
    }
    if (best < 0) {
        ++m_withoutNumber;
        return QString();
    }
    return at(best);
}

QString ColumnAggregate::concat(const int* rows, int n, bool distinct) const
{
    QStringList parts;
    QSet<QString> seen;
    for (int i = 0; i < n; ++i) {
        const QString& v = at(rows[i]);
        if (m_ignoreEmpty && v.isEmpty())
            continue;
        if (distinct) {
            if (seen.contains(v))
                continue;
            seen.insert(v);
        }
        parts.append(v);
    }
    return parts.join(m_delimiter);
}

QString ColumnAggregate::counted(const int* rows, int n) const
{
    using U = TransformUnique;
    int empty = 0;
    QHash<QString, int> counts;
    for (int i = 0; i < n; ++i) {
        const QString& v = at(rows[i]);
        if (v.isEmpty())
            ++empty;
        else if (m_aggregation != U::CountEmpty && m_aggregation != U::CountNonEmpty)
            ++counts[v];
    }
    int result = 0;
    switch (m_aggregation) {
    case U::CountEmpty:
        result = empty;
        break;
    case U::CountNonEmpty:
        result = n - empty;
        break;
    case U::CountDistinct:
        result = counts.size();
        break;
    default:
        for (int c : qAsConst(counts)) {
            if ((c == 1) == (m_aggregation == U::CountUnique))
                result += c;
        }
    }
    return QString::number(result);
}

} // namespace

QString TransformUnique::description() const
{
    return QStringLiteral("Aggregate rows that have matching values");
}

void TransformUnique::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    const QString concat = aggregationNames().at(Concat);
    const QString distinct = aggregationNames().at(ConcatDistinct);
    addParameter(
        ParameterType::Unique, QStringLiteral("Column_Options"), QStringLiteral("Column options"))
        ->setTooltip(QStringLiteral("What to do with each column."));
    TransformParameter* delim = addParameter(ParameterType::Text, QStringLiteral("Delim"),
        QStringLiteral("Concat delimiter"), QStringLiteral(","));
    delim->setTextRequired(false);
    delim->setTooltip(QStringLiteral("The delimiter to use between concatenated terms for '%1' or "
                                     "'%2'.")
                          .arg(concat, distinct));
    addParameter(ParameterType::Bool, QStringLiteral("Concat_Ignore_Empty"),
        QStringLiteral("ignore empty values for concat"), false)
        ->setTooltip(QStringLiteral("Check to ignore any empty values for '%1' or '%2'.")
                         .arg(concat, distinct));
    addParameter(
        ParameterType::Bool, QStringLiteral("Count"), QStringLiteral("add count column"), false)
        ->setTooltip(QStringLiteral("Check to add an additional column that counts the number of "
                                    "rows that have been replaced with one unique row."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), true)
        ->setTooltip(QStringLiteral("Check for case sensitive '%1' matching.")
                         .arg(aggregationNames().at(KeepUnique)));
    addParameter(
        ParameterType::Bool, QStringLiteral("Drilldown"), QStringLiteral("allow drilldown"), false)
        ->setTooltip(QStringLiteral("Allow double click to drilldown in the data table."));
}

// "Maximum" and "Minimum" compare a date column as dates.
bool TransformUnique::usesDates() const
{
    const TransformParameter* p = parameter(QStringLiteral("Column_Options"));
    if (!p)
        return false;
    for (const UniqueColumn& u : p->uniqueColumns()) {
        if (u.aggregation == Maximum || u.aggregation == Minimum)
            return true;
    }
    return false;
}

ColumnNumbers TransformUnique::readNumbers(const Dataset& input, int column, bool dates)
{
    if (!dates)
        return readNumberColumn(input, column);
    return readColumnNumbers(input, column, [](const QString& text, const QLocale&) {
        ReadNumber n;
        const QDate d = toDateWithFormats(text, defaultDateFormats());
        n.ok = d.isValid();
        n.value = double(d.toJulianDay());
        return n;
    });
}

void TransformUnique::setMessages(
    const QStringList& names, const std::vector<int>& withoutNumber, qint64 removed)
{
    for (size_t c = 0; c < withoutNumber.size(); ++c) {
        if (withoutNumber[c] > 0) {
            addWarning(QStringLiteral("No numerical value in column '%1' for %2, so left empty")
                           .arg(names.value(int(c)),
                               countText(withoutNumber[c], QStringLiteral("group"),
                                   QStringLiteral("groups"))));
        }
    }
    setSummary(removed == 0 ? QStringLiteral("No changes")
                            : QStringLiteral("%1 row(s) removed").arg(formatInteger(removed)));
}

QVector<int> TransformUnique::aggregations(const Dataset& input) const
{
    QVector<int> result(input.columnCount(), KeepFirst);
    const TransformParameter* p = parameter(QStringLiteral("Column_Options"));
    if (!p)
        return result;
    for (const UniqueColumn& u : p->uniqueColumns()) {
        const int c = resolveColumn(u.column, input);
        if (c >= 0 && u.aggregation >= KeepUnique && u.aggregation <= SetEmpty)
            result[c] = u.aggregation;
    }
    return result;
}

void TransformUnique::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!requireParameters({ "Column_Options", "Delim", "Concat_Ignore_Empty", "Count",
            "Case_Sensitive", "Drilldown" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    const QVector<int> options = aggregations(input);
    QVector<int> keys;
    for (int c = 0; c < options.size(); ++c) {
        if (options.at(c) == KeepUnique)
            keys.append(c);
    }
    if (keys.isEmpty()) {
        output = input;
        setSummary(QStringLiteral("No changes"));
        return;
    }
    UniqueGroups groups;
    if (!uniqueTable(input, options, keys, QVector<int>(), output, groups,
            [this](int step, int steps) { return reportProgress(step, steps); }))
        return;
    if (boolParameter(QStringLiteral("Drilldown")))
        addDrilldown(output, keys, groups.members, groups.starts);
    setMessages(input.columnNames(), groups.withoutNumber, input.rowCount() - output.rowCount());
}

bool TransformUnique::uniqueTable(const Dataset& input, const QVector<int>& options,
    const QVector<int>& keys, const QVector<int>& dates, Dataset& output, UniqueGroups& groups,
    const GroupProgress& progress)
{
    KeyOptions keyOptions;
    keyOptions.caseSensitive = boolParameter(QStringLiteral("Case_Sensitive"));
    if (!groupRows(input, keys, keyOptions, groups.rows,
            [&](int row, int count) { return progress(row, count * 2); }))
        return false;
    const int count = groups.rows.groupCount();
    groups.rows.members(groups.members, groups.starts);

    const QString delimiter = textParameter(QStringLiteral("Delim"));
    const bool ignoreEmpty = boolParameter(QStringLiteral("Concat_Ignore_Empty"));
    std::vector<ColumnAggregate> columns;
    columns.reserve(options.size());
    for (int c = 0; c < options.size(); ++c)
        columns.emplace_back(input, c, options.at(c), delimiter, ignoreEmpty, dates.value(c, -1));
    const bool withCount = boolParameter(QStringLiteral("Count"));
    QStringList header = input.columnNames();
    if (withCount)
        header.append(QStringLiteral("Count"));
    output.setColumnCount(header.size());
    output.setHeader(header);
    output.reserveRows(count);
    for (int g = 0; g < count; ++g) {
        if (!progress(count + g, count * 2))
            return false;
        const int* groupRows = groups.members.constData() + groups.starts.at(g);
        const int n = groups.rows.sizes.at(g);
        QStringList row;
        row.reserve(header.size());
        for (ColumnAggregate& column : columns)
            row.append(column.value(groupRows, n));
        if (withCount)
            row.append(QString::number(n));
        output.appendRow(row);
    }
    groups.withoutNumber.clear();
    for (const ColumnAggregate& column : columns)
        groups.withoutNumber.push_back(column.groupsWithoutNumber());
    return true;
}

// A group's rows are recorded on its first key cell; a double click elsewhere
// on the row finds them there, and the map stays one entry an upstream row.
void TransformUnique::addDrilldown(
    Dataset& output, const QVector<int>& keys, const QVector<int>& rows, const QVector<int>& starts)
{
    for (int g = 0; g + 1 < starts.size(); ++g) {
        for (int i = starts.at(g); i < starts.at(g + 1); ++i)
            output.addDrilldown(g, keys.first(), rows.at(i));
    }
}

// Each output column is its own upstream column aggregated over the groups
// of the key columns. A column set empty is not read at all, and the first
// value is only a copy; the other aggregations may warn about the values.
QVector<bool> TransformUnique::usedUpstreamColumns(
    const Dataset& input, const QVector<bool>& usedOutput) const
{
    if (!parameter(QStringLiteral("Column_Options")))
        return {};
    const QVector<int> options = aggregations(input);
    // Without a key column the table goes through unchanged.
    if (!options.contains(KeepUnique))
        return usedOutput.size() == input.columnCount() ? usedOutput : QVector<bool>();
    QVector<bool> used(options.size(), false);
    for (int c = 0; c < options.size(); ++c) {
        const int aggregation = options.at(c);
        used[c] = aggregation == KeepFirst ? usedOutput.value(c, true) : aggregation != SetEmpty;
    }
    return used;
}
