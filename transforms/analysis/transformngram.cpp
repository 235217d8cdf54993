#include "transforms/analysis/transformngram.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

#include <QHash>

#include <algorithm>
#include <numeric>

namespace {

// Punctuation inside a word ("don't", "e-mail") belongs to it.
QString trimPunctuation(const QString& word)
{
    int start = 0;
    int end = word.size();
    while (start < end && word.at(start).isPunct())
        ++start;
    while (end > start && word.at(end - 1).isPunct())
        --end;
    return word.mid(start, end - start);
}

} // namespace

void TransformNgram::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::SingleColumn, QStringLiteral("Column"), QStringLiteral("column"))
        ->setTooltip(QStringLiteral("The text column to count in. N-grams never run from one "
                                    "cell into the next."));
    addParameter(ParameterType::Selection, QStringLiteral("Unit"), QStringLiteral("count"),
        QStringLiteral("Words"),
        QStringList { QStringLiteral("Words"), QStringLiteral("Characters") })
        ->setTooltip(QStringLiteral("Count runs of words or runs of characters."));
    TransformParameter* size
        = addParameter(ParameterType::Int, QStringLiteral("Size"), QStringLiteral("n"), 1);
    size->setIntRange(1, 5);
    size->setTooltip(QStringLiteral("How many words or characters make one n-gram: 1 counts "
                                    "single words, 2 pairs (\"new york\") and so on."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), false)
        ->setTooltip(QStringLiteral("Count \"The\" and \"the\" apart. Unchecked, n-grams are "
                                    "shown in lower case."));
    addParameter(ParameterType::Bool, QStringLiteral("Keep_Punctuation"),
        QStringLiteral("keep punctuation"), false)
        ->setTooltip(QStringLiteral("Keep punctuation marks. Unchecked, they are removed from "
                                    "the ends of words, or from the text for characters."));
    TransformParameter* minimum = addParameter(
        ParameterType::Int, QStringLiteral("Minimum_Count"), QStringLiteral("minimum count"), 1);
    minimum->setIntRange(1, 999999999);
    minimum->setTooltip(QStringLiteral("Leave out n-grams that occur fewer times than this."));
    TransformParameter* top
        = addParameter(ParameterType::Int, QStringLiteral("Top"), QStringLiteral("show top"), 0);
    top->setIntRange(0, 999999999);
    top->setSpecialValueText(QStringLiteral("All"));
    top->setTooltip(QStringLiteral("Show only this many of the most frequent n-grams."));
    addParameter(
        ParameterType::Bool, QStringLiteral("Drilldown"), QStringLiteral("allow drilldown"), false)
        ->setTooltip(QStringLiteral("Allow double click on an n-gram in the data table to show "
                                    "the rows it occurs in."));
}

QStringList TransformNgram::ngrams(
    const QString& text, int size, bool characters, bool keepPunctuation)
{
    QStringList result;
    if (characters) {
        QString cleaned;
        for (const QChar c : text) {
            if (!keepPunctuation && c.isPunct())
                continue;
            if (c.isSpace() && (cleaned.isEmpty() || cleaned.endsWith(QLatin1Char(' '))))
                continue;
            cleaned += c.isSpace() ? QChar(QLatin1Char(' ')) : c;
        }
        cleaned = cleaned.trimmed();
        for (int i = 0; i + size <= cleaned.size(); ++i)
            result.append(cleaned.mid(i, size));
        return result;
    }
    QStringList words;
    int i = 0;
    while (i < text.size()) {
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        const int start = i;
        while (i < text.size() && !text.at(i).isSpace())
            ++i;
        const QString word = keepPunctuation ? text.mid(start, i - start)
                                             : trimPunctuation(text.mid(start, i - start));
        if (!word.isEmpty())
            words.append(word);
    }
    for (int first = 0; first + size <= words.size(); ++first) {
        QString gram = words.at(first);
        for (int k = 1; k < size; ++k)
            gram += QLatin1Char(' ') + words.at(first + k);
        result.append(gram);
    }
    return result;
}

void TransformNgram::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Column", "Unit", "Size", "Case_Sensitive", "Keep_Punctuation",
            "Minimum_Count", "Top", "Drilldown" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    const QStringList header
        = { QStringLiteral("Ngram"), QStringLiteral("Count"), QStringLiteral("Percent") };
    output.setColumnCount(header.size());
    output.setHeader(header);
    const int column = columnIndex(QStringLiteral("Column"));
    if (column < 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    Tally tally = count(input, column);
    QVector<int> ranked(tally.grams.size());
    std::iota(ranked.begin(), ranked.end(), 0);
    std::stable_sort(ranked.begin(), ranked.end(),
        [&](int a, int b) { return tally.counts.at(a) > tally.counts.at(b); });
    const int minimum = intParameter(QStringLiteral("Minimum_Count"), 1);
    const int top = intParameter(QStringLiteral("Top"));
    for (int i : qAsConst(ranked)) {
        if (tally.counts.at(i) < minimum || (top > 0 && output.rowCount() >= top))
            break;
        const int row = output.rowCount();
        output.appendRow({ tally.grams.at(i), QString::number(tally.counts.at(i)),
            formatNumber(100.0 * tally.counts.at(i) / tally.total, false, 2, true) });
        // The n-gram and its count lead to the rows it occurs in.
        for (int upstreamRow : tally.rows.value(i)) {
            output.addDrilldown(row, 0, upstreamRow);
            output.addDrilldown(row, 1, upstreamRow);
        }
    }
    setSummary(
        QStringLiteral("%1 listed of %2 found")
            .arg(countText(output.rowCount(), QStringLiteral("n-gram"), QStringLiteral("n-grams")),
                formatInteger(tally.grams.size(), true)));
}

TransformNgram::Tally TransformNgram::count(const Dataset& input, int column)
{
    // A hand-edited document may hold any number; n-grams are 1 to 5 long.
    const int size = qBound(1, intParameter(QStringLiteral("Size"), 1), 5);
    const bool characters = selectionParameter(QStringLiteral("Unit")) == 1;
    const bool caseSensitive = boolParameter(QStringLiteral("Case_Sensitive"));
    const bool punctuation = boolParameter(QStringLiteral("Keep_Punctuation"));
    const bool drilldown = boolParameter(QStringLiteral("Drilldown"));
    Tally tally;
    QHash<QString, int> index;
    for (int r = 0; r < input.rowCount(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            break;
        const QString& text = input.value(r, column);
        for (const QString& gram :
            ngrams(caseSensitive ? text : text.toLower(), size, characters, punctuation)) {
            auto it = index.find(gram);
            if (it == index.end()) {
                it = index.insert(gram, tally.grams.size());
                tally.grams.append(gram);
                tally.counts.append(0);
                if (drilldown)
                    tally.rows.append(QVector<int>());
            }
            ++tally.counts[it.value()];
            ++tally.total;
            if (drilldown
                && (tally.rows.at(it.value()).isEmpty() || tally.rows.at(it.value()).last() != r))
                tally.rows[it.value()].append(r);
        }
    }
    return tally;
}
