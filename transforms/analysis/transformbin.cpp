#include "transforms/analysis/transformbin.h"

#include "core/dataset.h"
#include "core/values.h"
#include "graph/node.h"
#include "transforms/support/statistics.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// A value of the column as a number: dates become day numbers, so that the
// same bin arithmetic serves both.
bool readValue(const QString& text, bool dates, double* value)
{
    if (dates) {
        const QDate date = toDateWithFormats(text.trimmed());
        *value = double(date.toJulianDay());
        return date.isValid();
    }
    bool ok = false;
    *value = Stats::cellNumber(text, &ok);
    return ok;
}

// A column is binned as dates when more of its values read as dates than as
// numbers ("2024" alone is a number).
bool holdsDates(const Dataset& data, int column)
{
    int numbers = 0;
    int dates = 0;
    for (int r = 0; r < data.rowCount() && r < 1000; ++r) {
        const QString& text = data.value(r, column);
        if (Stats::isBlank(text))
            continue;
        bool ok = false;
        Stats::cellNumber(text, &ok);
        if (ok)
            ++numbers;
        else if (toDateWithFormats(text.trimmed()).isValid())
            ++dates;
    }
    return dates > numbers;
}

} // namespace

void TransformBin::defineParameters(const QList<Node*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::SingleColumn, QStringLiteral("Column"), QStringLiteral("column"))
        ->setTooltip(QStringLiteral("The column of numbers or dates to put into bins."));
    addParameter(ParameterType::Selection, QStringLiteral("Method"), QStringLiteral("bins by"),
        QStringLiteral("Equal width"),
        QStringList { QStringLiteral("Equal width"), QStringLiteral("Equal frequency"),
            QStringLiteral("Given edges") })
        ->setTooltip(QStringLiteral("Equal width: bins of the same size from the smallest to the "
                                    "largest value.\nEqual frequency: bins holding about the same "
                                    "number of values (quantiles).\nGiven edges: the bins between "
                                    "the edges you give."));
    TransformParameter* bins
        = addParameter(ParameterType::Int, QStringLiteral("Bins"), QStringLiteral("bins"), 5);
    bins->setIntRange(1, 10000);
    bins->setTooltip(QStringLiteral("How many bins to make. Equal frequency makes fewer when "
                                    "many values are the same."));
    addParameter(ParameterType::Text, QStringLiteral("Edges"), QStringLiteral("edges"))
        ->setTooltip(QStringLiteral("The bin edges, separated by spaces or semicolons, e.g. "
                                    "\"0 18 65 120\" or dates. Values below the first or above "
                                    "the last edge get no bin."));
    addParameter(ParameterType::Selection, QStringLiteral("Output"), QStringLiteral("write"),
        QStringLiteral("Bin label"),
        QStringList { QStringLiteral("Bin label"), QStringLiteral("Bin number") })
        ->setTooltip(QStringLiteral("Write the bin as a label such as \"[10, 20)\" (10 or more, "
                                    "less than 20) or as its number counted from 1."));
    TransformParameter* decimals = addParameter(
        ParameterType::Int, QStringLiteral("Decimals"), QStringLiteral("label decimals"), 2);
    decimals->setIntRange(0, 15);
    decimals->setTooltip(QStringLiteral("The most decimal places the edges of a label show."));
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("new column name"),
        QStringLiteral("Bin"))
        ->setTooltip(QStringLiteral("The name of the column that receives the bins."));
}

QList<QPair<QString, bool>> TransformBin::optionStates() const
{
    const int method = selectionParameter(QStringLiteral("Method"));
    return { { QStringLiteral("Bins"), method != GivenEdges },
        { QStringLiteral("Edges"), method == GivenEdges },
        { QStringLiteral("Decimals"), selectionParameter(QStringLiteral("Output")) == 0 } };
}

QVector<double> TransformBin::edgesFor(Method method, const QVector<double>& values, int bins)
{
    QVector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    QVector<double> edges;
    if (sorted.isEmpty())
        return edges;
    bins = qMax(1, bins);
    const double low = sorted.first();
    const double high = sorted.last();
    for (int i = 0; i <= bins; ++i) {
        double edge = method == EqualFrequency ? Stats::quantileSorted(sorted, double(i) / bins)
                                               : low + (high - low) * i / bins;
        if (i == bins)
            edge = high; // no rounding may leave the largest value outside
        if (edges.isEmpty() || edge > edges.last())
            edges.append(edge);
    }
    if (edges.size() == 1)
        edges.append(edges.first()); // all values equal: one closed bin
    return edges;
}

int TransformBin::binOf(const QVector<double>& edges, double value)
{
    if (edges.size() < 2 || value < edges.first() || value > edges.last())
        return -1;
    const auto above = std::upper_bound(edges.begin(), edges.end(), value);
    return qMin(int(above - edges.begin()) - 1, edges.size() - 2);
}

bool TransformBin::readEdges(bool dates, QVector<double>& edges)
{
    static const QRegularExpression separators(QStringLiteral("[\\s;]+"));
    const QStringList parts
        = textParameter(QStringLiteral("Edges")).split(separators, Qt::SkipEmptyParts);
    QStringList unreadable;
    for (const QString& part : parts) {
        double value = 0.0;
        if (readValue(part, dates, &value))
            edges.append(value);
        else
            unreadable.append(QStringLiteral("'%1'").arg(part));
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    Stats::reportExamples(*this,
        dates ? QStringLiteral("These edges are not dates and were left out:")
              : QStringLiteral("These edges are not numbers and were left out:"),
        unreadable, unreadable.size());
    if (edges.size() >= 2)
        return true;
    addWarning(QStringLiteral("Give at least 2 different edges in the 'edges' option."));
    return false;
}

QStringList TransformBin::labels(const QVector<double>& edges, bool dates) const
{
    const int decimals = intParameter(QStringLiteral("Decimals"), 2);
    const auto text = [&](double edge) {
        return dates ? formatDate(
                   QDate::fromJulianDay(qint64(std::floor(edge))), QStringLiteral("yyyy-MM-dd"))
                     : formatNumber(edge, false, decimals, true);
    };
    QStringList list;
    for (int i = 0; i + 1 < edges.size(); ++i) {
        const bool last = i + 2 == edges.size();
        list.append(QStringLiteral("[%1, %2%3")
                        .arg(text(edges.at(i)), text(edges.at(i + 1)),
                            last ? QStringLiteral("]") : QStringLiteral(")")));
    }
    return list;
}

void TransformBin::process(Dataset& output, const QList<Node*>& upstream, bool& error)
{
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Column", "Method", "Bins", "Edges", "Output", "New_Name" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    const int column = columnIndex(QStringLiteral("Column"));
    output = input;
    if (column < 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const bool dates = holdsDates(input, column);
    QVector<double> numbers(input.rowCount());
    QVector<bool> readable(input.rowCount(), false);
    QVector<double> values;
    QStringList unreadable;
    int unreadableCount = 0;
    for (int r = 0; r < input.rowCount(); ++r) {
        const QString& text = input.value(r, column);
        if (Stats::isBlank(text))
            continue;
        readable[r] = readValue(text, dates, &numbers[r]);
        if (readable.at(r))
            values.append(numbers.at(r));
        else if (++unreadableCount <= 5)
            unreadable.append(Stats::example(text, r));
    }
    const auto method = Method(selectionParameter(QStringLiteral("Method")));
    QVector<double> edges;
    if (method == GivenEdges) {
        if (!readEdges(dates, edges)) {
            error = true;
            return;
        }
    } else {
        edges = edgesFor(method, values, intParameter(QStringLiteral("Bins")));
    }
    const bool asNumber = selectionParameter(QStringLiteral("Output")) == 1;
    const QStringList names = labels(edges, dates);
    const int target = output.columnCount();
    output.appendColumn();
    output.setColumnName(target, textParameter(QStringLiteral("New_Name")));
    QVector<int> counts(qMax(0, edges.size() - 1), 0);
    int outside = 0;
    for (int r = 0; r < input.rowCount(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            break;
        if (!readable.at(r))
            continue;
        const int bin = binOf(edges, numbers.at(r));
        if (bin < 0) {
            ++outside;
            continue;
        }
        ++counts[bin];
        output.setValue(r, target, asNumber ? QString::number(bin + 1) : names.at(bin));
    }
    Stats::reportExamples(*this,
        QStringLiteral("%1 in '%2' got no bin (not %3):")
            .arg(countText(unreadableCount, QStringLiteral("value"), QStringLiteral("values")),
                input.columnName(column),
                dates ? QStringLiteral("dates") : QStringLiteral("numbers")),
        unreadable, unreadableCount);
    for (int i = 0; i < counts.size(); ++i) {
        addInformation(
            QStringLiteral("Bin %1 %2: %3")
                .arg(QString::number(i + 1), names.at(i),
                    countText(counts.at(i), QStringLiteral("value"), QStringLiteral("values"))));
    }
    if (outside > 0)
        addInformation(
            QStringLiteral("%1 outside the edges got no bin.")
                .arg(countText(outside, QStringLiteral("value"), QStringLiteral("values"))));
    setSummary(QStringLiteral("%1 binned into %2")
                   .arg(countText(values.size() - outside, QStringLiteral("value"),
                            QStringLiteral("values")),
                       countText(counts.size(), QStringLiteral("bin"), QStringLiteral("bins"))));
}
