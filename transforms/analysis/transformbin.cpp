#include "transforms/analysis/transformbin.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/statistics.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

void TransformBin::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
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
        if (Stats::readNumberOrDate(part, dates, &value))
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

void TransformBin::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
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
    const bool dates = Stats::holdsDates(input, column);
    const Stats::CellValues cells = Stats::readCells(input, column, dates);
    const auto method = Method(selectionParameter(QStringLiteral("Method")));
    QVector<double> edges;
    if (method == GivenEdges) {
        if (!readEdges(dates, edges)) {
            error = true;
            return;
        }
    } else {
        QVector<double> values;
        for (int r = 0; r < cells.values.size(); ++r) {
            if (cells.known.at(r))
                values.append(cells.values.at(r));
        }
        edges = edgesFor(method, values, intParameter(QStringLiteral("Bins")));
    }
    Stats::reportExamples(*this,
        QStringLiteral("%1 in '%2' got no bin (not %3):")
            .arg(countText(cells.unreadable, QStringLiteral("value"), QStringLiteral("values")),
                input.columnName(column),
                dates ? QStringLiteral("dates") : QStringLiteral("numbers")),
        cells.examples, cells.unreadable);
    writeBins(output, cells, edges, labels(edges, dates));
}

void TransformBin::writeBins(Dataset& output, const Stats::CellValues& cells,
    const QVector<double>& edges, const QStringList& names)
{
    const bool asNumber = selectionParameter(QStringLiteral("Output")) == 1;
    const int target = output.columnCount();
    output.appendColumn();
    output.setColumnName(target, textParameter(QStringLiteral("New_Name")));
    QVector<int> counts(qMax(0, edges.size() - 1), 0);
    int binned = 0;
    int outside = 0;
    for (int r = 0; r < cells.values.size(); ++r) {
        if (!reportProgress(r, cells.values.size()))
            break;
        const int bin = cells.known.at(r) ? binOf(edges, cells.values.at(r)) : -1;
        outside += cells.known.at(r) && bin < 0 ? 1 : 0;
        if (bin < 0)
            continue;
        ++counts[bin];
        ++binned;
        output.setValue(r, target, asNumber ? QString::number(bin + 1) : names.at(bin));
    }
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
                   .arg(countText(binned, QStringLiteral("value"), QStringLiteral("values")),
                       countText(counts.size(), QStringLiteral("bin"), QStringLiteral("bins"))));
}
