#include "transforms/analysis/transformsummary.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/statistics.h"

#include <QHash>

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

void TransformSummary::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
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

TransformSummary::Kind TransformSummary::kindOf(
    const QString& text, bool recogniseDates, double* key)
{
    double dummy = 0.0;
    double& value = key ? *key : dummy;
    bool ok = false;
    value = Stats::cellNumber(text, &ok);
    if (ok) {
        // "1e3" is a whole number, "1.0" was written as a real.
        const bool whole = std::floor(value) == value && std::fabs(value) < 9007199254740992.0;
        return whole && !text.contains(QLocale().decimalPoint()) ? Integer : Real;
    }
    value = toBool(text, true, false, &ok) ? 1.0 : 0.0;
    if (ok)
        return Boolean;
    if (recogniseDates) {
        const QDate date = toDateWithFormats(text.trimmed());
        value = double(date.toJulianDay());
        if (date.isValid())
            return Date;
    }
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
// What is known of one column while its cells go by. Each distinct value is
// read once: a repeat changes only the counts.
class TransformSummary::Profile
{
public:
    void add(const QString& text, bool recogniseDates)
    {
        if (Stats::isBlank(text)) {
            ++m_counts[Empty];
            return;
        }
        auto it = m_kinds.constFind(text);
        if (it == m_kinds.constEnd())
            it = m_kinds.insert(text, firstSeen(text, recogniseDates));
        ++m_counts[it.value()];
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
            QString::number(m_kinds.size()) };
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
    // Trying every date format on a text is slow; a column whose first
    // thousand texts held no date is taken to hold none.
    static constexpr int DateTrials = 1000;

    Kind firstSeen(const QString& text, bool recogniseDates)
    {
        if (m_examples.size() < 3)
            m_examples.append(text);
        double key = 0.0;
        const Kind kind
            = kindOf(text, recogniseDates && (m_dateFound || m_dateTrials < DateTrials), &key);
        if (kind == Integer || kind == Real) {
            m_numbers.offer(key, text);
        } else if (kind == Date) {
            m_dateFound = true;
            m_dates.offer(key, text);
        } else if (kind == Boolean) {
            m_truths.offer(key, text);
        } else {
            ++m_dateTrials;
            if (!m_texts.any || text < m_texts.lowText)
                m_texts.lowText = text;
            if (!m_texts.any || m_texts.highText < text)
                m_texts.highText = text;
            m_texts.any = true;
        }
        return kind;
    }

    int m_counts[Text + 1] = { 0, 0, 0, 0, 0, 0 };
    Extremes m_numbers, m_dates, m_truths, m_texts;
    QHash<QString, Kind> m_kinds;
    QStringList m_examples;
    int m_dateTrials = 0;
    bool m_dateFound = false;
};

void TransformSummary::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
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
