#include "transforms/row/transformsort.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/datasetsort.h"

#include <QHash>

namespace {

const QStringList& rankTypeChoices()
{
    static const QStringList choices = { QStringLiteral("Minimum"), QStringLiteral("Average"),
        QStringLiteral("Maximum"), QStringLiteral("Dense"), QStringLiteral("Cumulative") };
    return choices;
}

const QStringList& rankTypeTooltips()
{
    static const QStringList tips = { QStringLiteral("Minimum rank of each group."),
        QStringLiteral("Average rank of each group."), QStringLiteral("Maximum rank of each group"),
        QStringLiteral("No gaps between groups."),
        QStringLiteral("Proportion of rows with the same or lower numbered rank.") };
    return tips;
}

} // namespace

QString TransformSort::description() const
{
    return QStringLiteral("Sort rows by one or more columns, ascending or descending, and "
                          "optionally rank them.");
}

QSet<QString> TransformSort::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "sorting", "sorted", "reorder", "ordering", "alphabetical",
             "alphabetically", "alphabetise", "alphabetize", "rank", "ranks", "ranking", "dense",
             "percentile", "cumulative", "collation", "smallest", "largest", "highest", "lowest" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformSort::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::SortColumns, QStringLiteral("Columns"), QStringLiteral("columns"))
        ->setTooltip(QStringLiteral("The columns to sort by, most significant first, each "
                                    "ascending or descending."));
    addParameter(ParameterType::Bool, QStringLiteral("Rank_Add"), QStringLiteral("add rank"), false)
        ->setTooltip(QStringLiteral("Add a 'Rank' column with the rank of each row."));
    TransformParameter* types = addParameter(ParameterType::Selection, QStringLiteral("Rank_Types"),
        QStringLiteral("rank type"), QStringLiteral("Minimum"), rankTypeChoices());
    QStringList tips;
    for (int i = 0; i < rankTypeChoices().size(); ++i)
        tips << rankTypeChoices().at(i) + QStringLiteral(": ") + rankTypeTooltips().at(i);
    types->setTooltip(tips.join(QLatin1Char('\n')));
    TransformParameter* by = addParameter(
        ParameterType::SingleColumn, QStringLiteral("Rank_By"), QStringLiteral("rank by"));
    by->setColumnRequired(false);
    by->setTooltip(QStringLiteral("Rank separately within each distinct value of this column."));
    addParameter(ParameterType::Bool, QStringLiteral("Intelligent_Sort"),
        QStringLiteral("intelligent sort"), true)
        ->setTooltip(QStringLiteral("Sort dates as dates and numbers as numbers. When unchecked "
                                    "everything is sorted as text."));
    addParameter(ParameterType::Bool, QStringLiteral("Locale_Aware_Sort"),
        QStringLiteral("locale aware sort"), false)
        ->setTooltip(QStringLiteral("Order text by the collation of the locale chosen in the "
                                    "preferences."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), true)
        ->setTooltip(QStringLiteral("Letter case counts when comparing text."));
}

bool TransformSort::usesDates() const
{
    return boolParameter(QStringLiteral("Intelligent_Sort"), true);
}

QList<QPair<QString, bool>> TransformSort::optionStates() const
{
    const bool ranking = boolParameter(QStringLiteral("Rank_Add"));
    return { { QStringLiteral("Rank_Types"), ranking }, { QStringLiteral("Rank_By"), ranking } };
}

QVector<int> TransformSort::sortKeys() const
{
    QVector<int> keys;
    const TransformParameter* p = parameter(QStringLiteral("Columns"));
    for (const SortColumn& sc : p->sortColumns()) {
        const int column = p->resolve(sc.column);
        if (column >= 0)
            keys.append(sc.ascending ? column + 1 : -(column + 1));
    }
    return keys;
}

void TransformSort::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!requireParameters({ "Columns", "Rank_Add", "Rank_Types", "Rank_By", "Intelligent_Sort",
            "Locale_Aware_Sort", "Case_Sensitive" }))
        return;
    sortTable(output, upstream.first()->dataset(), error);
}

SortOptions TransformSort::sortOptions() const
{
    SortOptions options;
    options.intelligent = boolParameter(QStringLiteral("Intelligent_Sort"));
    options.localeAware = boolParameter(QStringLiteral("Locale_Aware_Sort"));
    options.caseSensitive = boolParameter(QStringLiteral("Case_Sensitive"));
    return options;
}

void TransformSort::sortTable(Dataset& output, const Dataset& input, bool& error)
{
    output = input;
    const QVector<int> keys = sortKeys();
    if (keys.isEmpty()) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    DatasetSorter sorter(input, keys, sortOptions());
    if (!sorter.sort([this](int done, int total) { return reportProgress(done, total); })) {
        setStopped(output, input);
        error = true;
        return;
    }
    const bool unchanged = sorter.isUnchanged();
    if (!unchanged)
        output.selectRows(sorter.order());
    const bool ranked = boolParameter(QStringLiteral("Rank_Add"));
    if (ranked)
        addRanks(output, input, sorter);
    setSortMessages(sorter.information(), !unchanged || ranked);
}

void TransformSort::setStopped(Dataset& output, const Dataset& columns)
{
    output = columns;
    addWarning(QStringLiteral("Sorting was stopped before it finished."));
    setSummary(QStringLiteral("No changes"));
}

void TransformSort::setSortMessages(const QStringList& information, bool changed)
{
    for (const QString& line : information)
        addInformation(line);
    setSummary(changed ? QStringLiteral("Sorted") : QStringLiteral("No changes"));
}

// Each distinct value of the "Rank_By" column is ranked on its own; its rows
// keep their sorted order within the sequence.
void TransformSort::addRanks(Dataset& output, const Dataset& input, const DatasetSorter& sorter)
{
    const QVector<int>& order = sorter.order();
    const int byColumn = columnIndex(QStringLiteral("Rank_By"));
    QVector<QVector<int>> sequences;
    if (byColumn < 0 || !input.isValidColumn(byColumn)) {
        sequences.append(order);
    } else {
        QHash<QString, int> sequenceOf;
        for (int row : order) {
            const QString& key = input.value(row, byColumn);
            auto it = sequenceOf.find(key);
            if (it == sequenceOf.end()) {
                it = sequenceOf.insert(key, sequences.size());
                sequences.append(QVector<int>());
            }
            sequences[it.value()].append(row);
        }
    }
    QVector<int> outputRow(order.size());
    for (int i = 0; i < order.size(); ++i)
        outputRow[order[i]] = i;
    const int rankColumn = output.columnCount();
    output.appendColumn();
    output.setColumnName(rankColumn, QStringLiteral("Rank"));
    const auto type = RankType(selectionParameter(QStringLiteral("Rank_Types")));
    for (const QVector<int>& sequence : qAsConst(sequences)) {
        const QVector<double> ranks = rankSequence(sequence, sorter, type);
        for (int i = 0; i < sequence.size(); ++i)
            output.setValue(outputRow[sequence[i]], rankColumn, formatNumber(ranks[i]));
    }
}

QVector<double> TransformSort::rankSequence(
    const QVector<int>& sequence, const DatasetSorter& sorter, RankType type)
{
    const int n = sequence.size();
    QVector<double> ranks(n);
    int group = 0;
    for (int first = 0; first < n;) {
        int last = first;
        while (last + 1 < n && sorter.tied(sequence[first], sequence[last + 1]))
            ++last;
        ++group;
        double rank = 0.0;
        switch (type) {
        case RankAverage:
            rank = (first + last + 2) / 2.0;
            break;
        case RankMaximum:
            rank = last + 1;
            break;
        case RankDense:
            rank = group;
            break;
        case RankCumulative:
            rank = double(last + 1) / n;
            break;
        default:
            rank = first + 1;
            break;
        }
        for (int i = first; i <= last; ++i)
            ranks[i] = rank;
        first = last + 1;
    }
    return ranks;
}

QVector<bool> TransformSort::usedUpstreamColumns(
    const Dataset& input, const QVector<bool>& usedOutput) const
{
    return usedInPlace(input, usedOutput);
}
