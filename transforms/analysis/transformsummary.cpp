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
    int progressRow = 0;
    for (int c = 0; c < input.columnCount(); ++c)
        output.appendRow(profile(input, c, dates, progressRow));
    setSummary(QStringLiteral("%1 profiled")
                   .arg(countText(
                       input.columnCount(), QStringLiteral("column"), QStringLiteral("columns"))));
}

QStringList TransformSummary::profile(
    const Dataset& input, int column, bool recogniseDates, int& progressRow)
{
    const int rows = input.rowCount();
    const int cells = rows * input.columnCount();
    int counts[Text + 1] = { 0, 0, 0, 0, 0, 0 };
    Extremes numbers, dates, truths, texts;
    QSet<QString> distinct;
    QStringList examples;
    for (int r = 0; r < rows; ++r) {
        reportProgress(progressRow++, cells);
        const QString& text = input.value(r, column);
        if (Stats::isBlank(text)) {
            ++counts[Empty];
            continue;
        }
        if (!distinct.contains(text)) {
            distinct.insert(text);
            if (examples.size() < 3)
                examples.append(text);
        }
        const Kind kind = kindOf(text, recogniseDates);
        ++counts[kind];
        if (kind == Integer || kind == Real)
            numbers.offer(Stats::cellNumber(text, nullptr), text);
        else if (kind == Date)
            dates.offer(toDateWithFormats(text.trimmed()).toJulianDay(), text);
        else if (kind == Boolean)
            truths.offer(toBool(text) ? 1 : 0, text);
        if (!texts.any || smartLessThan(text, texts.lowText))
            texts.lowText = text;
        if (!texts.any || smartLessThan(texts.highText, text))
            texts.highText = text;
        texts.any = true;
    }
    // Whole numbers are real numbers too, so they count for a Real column.
    const int filled = rows - counts[Empty];
    const int numeric = counts[Integer] + counts[Real];
    Kind kind = Empty;
    int matching = 0;
    if (filled > 0) {
        kind = counts[Real] > 0 ? Real : Integer;
        matching = numeric;
        for (Kind other : { Date, Boolean, Text }) {
            if (counts[other] > matching) {
                kind = other;
                matching = counts[other];
            }
        }
    }
    QStringList row = { input.columnName(column), kindName(kind), QString::number(counts[Empty]),
        QString::number(distinct.size()) };
    examples.reserve(3);
    while (examples.size() < 3)
        examples.append(QString());
    row << examples;
    const Extremes& range = kind == Date ? dates
        : kind == Boolean                ? truths
        : kind == Text                   ? texts
                                         : numbers;
    if (kind == Integer || kind == Real)
        row << Stats::cellText(numbers.low) << Stats::cellText(numbers.high);
    else
        row << range.lowText << range.highText;
    row << (filled > 0 ? formatPercent(double(matching) / filled, 0.0, 1) : QString());
    return row;
}
