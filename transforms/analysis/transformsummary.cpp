#include "transforms/analysis/transformsummary.h"

#include "core/dataset.h"
#include "core/values.h"
#include "graph/node.h"
#include "transforms/support/statistics.h"

#include <QSet>

#include <cmath>

namespace {

const QStringList& outputNames()
{
    static const QStringList names = { QStringLiteral("Column"), QStringLiteral("Type"),
        QStringLiteral("Empty"), QStringLiteral("Distinct"), QStringLiteral("Example 1"),
        QStringLiteral("Example 2"), QStringLiteral("Example 3"), QStringLiteral("Minimum"),
        QStringLiteral("Maximum"), QStringLiteral("Type Share") };
    return names;
}

// The smallest and largest of the values of one kind, kept as their texts so
// that dates and truth values show as the file wrote them.
struct Extremes
{
    QString lowText;
    QString highText;
    double low = 0.0;
    double high = 0.0;
    bool any = false;

    void offer(double key, const QString& text)
    {
        if (!any || key < low) {
            low = key;
            lowText = text;
        }
        if (!any || key > high) {
            high = key;
            highText = text;
        }
        any = true;
    }
};

} // namespace

void TransformSummary::defineParameters(const QList<Node*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::Bool, QStringLiteral("Dates"), QStringLiteral("recognise dates"), true)
        ->setTooltip(QStringLiteral("Read values in one of the date formats of the preferences as "
                                    "dates. Uncheck to profile them as text."));
}

bool TransformSummary::usesDates() const
{
    return boolParameter(QStringLiteral("Dates"), true);
}

TransformSummary::Kind TransformSummary::kindOf(const QString& text, bool recogniseDates)
{
    bool ok = false;
    const double number = Stats::cellNumber(text, &ok);
    if (ok) {
        // "1e3" is a whole number, "1.0" was written as a real.
        const bool whole = std::floor(number) == number && std::fabs(number) < 9007199254740992.0;
        return whole && !text.contains(QLocale().decimalPoint()) ? Integer : Real;
    }
    toBool(text, true, false, &ok);
    if (ok)
        return Boolean;
    if (recogniseDates && toDateWithFormats(text.trimmed()).isValid())
        return Date;
    return Text;
}

QString TransformSummary::kindName(Kind kind)
{
    static const QStringList names
        = { QStringLiteral("Empty"), QStringLiteral("Integer"), QStringLiteral("Real"),
              QStringLiteral("Date"), QStringLiteral("Boolean"), QStringLiteral("Text") };
    return names.value(kind);
}

// What is known of one column while its cells go by.
class TransformSummary::Profile
{
public:
    void add(const QString& text, bool recogniseDates)
    {
        if (Stats::isBlank(text)) {
            ++m_counts[Empty];
            return;
        }
        if (!m_distinct.contains(text)) {
            m_distinct.insert(text);
            if (m_examples.size() < 3)
                m_examples.append(text);
        }
        const Kind kind = kindOf(text, recogniseDates);
        ++m_counts[kind];
        if (kind == Integer || kind == Real)
            m_numbers.offer(Stats::cellNumber(text, nullptr), text);
        else if (kind == Date)
            m_dates.offer(toDateWithFormats(text.trimmed()).toJulianDay(), text);
        else if (kind == Boolean)
            m_truths.offer(toBool(text) ? 1 : 0, text);
        if (!m_texts.any || smartLessThan(text, m_texts.lowText))
            m_texts.lowText = text;
        if (!m_texts.any || smartLessThan(m_texts.highText, text))
            m_texts.highText = text;
        m_texts.any = true;
    }

    QStringList row(const QString& name, int rows) const
    {
        // Whole numbers are real numbers too, so they count for a Real column.
        const int filled = rows - m_counts[Empty];
        Kind kind = Empty;
        int matching = 0;
        if (filled > 0) {
            kind = m_counts[Real] > 0 ? Real : Integer;
            matching = m_counts[Integer] + m_counts[Real];
            for (Kind other : { Date, Boolean, Text }) {
                if (m_counts[other] > matching) {
                    kind = other;
                    matching = m_counts[other];
                }
            }
        }
        QStringList row = { name, kindName(kind), QString::number(m_counts[Empty]),
            QString::number(m_distinct.size()) };
        row << m_examples;
        while (row.size() < 7)
            row.append(QString());
        if (kind == Integer || kind == Real) {
            row << Stats::cellText(m_numbers.low) << Stats::cellText(m_numbers.high);
        } else {
            const Extremes& range = kind == Date ? m_dates : kind == Boolean ? m_truths : m_texts;
            row << range.lowText << range.highText;
        }
        row << (filled > 0 ? formatPercent(double(matching) / filled, 0.0, 1) : QString());
        return row;
    }

private:
    int m_counts[Text + 1] = { 0, 0, 0, 0, 0, 0 };
    Extremes m_numbers, m_dates, m_truths, m_texts;
    QSet<QString> m_distinct;
    QStringList m_examples;
};

void TransformSummary::process(Dataset& output, const QList<Node*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "Dates" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output.setColumnCount(outputNames().size());
    output.setHeader(outputNames());
    const bool dates = boolParameter(QStringLiteral("Dates"));
    // One pass over the rows, as they are stored, profiling every column.
    QVector<Profile> profiles(input.columnCount());
    for (int r = 0; r < input.rowCount(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            break;
        for (int c = 0; c < input.columnCount(); ++c)
            profiles[c].add(input.value(r, c), dates);
    }
    for (int c = 0; c < input.columnCount(); ++c)
        output.appendRow(profiles.at(c).row(input.columnName(c), input.rowCount()));
    setSummary(QStringLiteral("%1 profiled")
                   .arg(countText(
                       input.columnCount(), QStringLiteral("column"), QStringLiteral("columns"))));
}
