#include "transforms/merge/transforminterpolate.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/mergeutil.h"
#include "transforms/support/statistics.h"

#include <QMap>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString TopX = QStringLiteral("Top_X");
const QString BottomX = QStringLiteral("Bottom_X");
const QString YColumns = QStringLiteral("Y_Columns");

double line(double x0, double y0, double x1, double y1, double x)
{
    return x1 == x0 ? y0 : y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

} // namespace

void TransformInterpolate::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::SingleColumn, TopX, QStringLiteral("Top X column"))
        ->setTooltip(QStringLiteral("The column of X values (numbers or dates) of the samples in "
                                    "the top upstream dataset."));
    addParameter(ParameterType::SingleColumn, BottomX, QStringLiteral("Bottom X column"))
        ->setTooltip(QStringLiteral("The column of X values in the bottom upstream dataset at "
                                    "which to interpolate."));
    addParameter(ParameterType::MultipleColumns, YColumns, QStringLiteral("Top Y columns"))
        ->setTooltip(QStringLiteral("The sampled values (numbers or dates) in the top upstream "
                                    "dataset; each becomes a new column of the output."));
    addParameter(ParameterType::Selection, QStringLiteral("Method"), QStringLiteral("method"),
        QStringLiteral("Linear"),
        QStringList { QStringLiteral("Linear"), QStringLiteral("Nearest"),
            QStringLiteral("Previous"), QStringLiteral("Next") })
        ->setTooltip(QStringLiteral("Linear: on the straight line between the samples either "
                                    "side.\nNearest: the value of the closest sample (the lower "
                                    "one on a tie).\nPrevious, Next: the value of the sample "
                                    "below or above."));
    addParameter(ParameterType::Selection, QStringLiteral("Outside"),
        QStringLiteral("outside the samples"), QStringLiteral("Leave empty"),
        QStringList { QStringLiteral("Leave empty"), QStringLiteral("Nearest end value"),
            QStringLiteral("Extrapolate linearly") })
        ->setTooltip(QStringLiteral("What X values below the first or above the last sample "
                                    "get: nothing, the value of the first or last sample, or the "
                                    "line through the two first or two last samples."));
}

void TransformInterpolate::bindUpstream(const QList<TableSource*>& upstream, bool refresh)
{
    Transform::bindUpstream(upstream, refresh);
    bindToSourceOf(YColumns, TopX);
}

// The X options change places with their items; the Y columns go with the
// top role and take the columns of the same names in the new top item.
bool TransformInterpolate::reorderInputs(const QList<TableSource*>& upstream)
{
    if (!reorderTwoInputs(upstream, TopX, BottomX))
        return false;
    TransformParameter* y = parameter(YColumns);
    const TransformParameter* x = parameter(TopX);
    if (y && x) {
        const ColumnRefList old = y->value().value<ColumnRefList>();
        y->setSourceItem(x->sourceItem());
        ColumnRefList renamed;
        for (const ColumnRef& ref : old) {
            const int c = ref.name.isEmpty() ? -1 : y->sourceDataset().columnIndexByName(ref.name);
            if (c >= 0)
                renamed.append(y->referenceAt(c));
        }
        y->setValue(QVariant::fromValue(renamed));
    }
    return true;
}

double TransformInterpolate::valueAt(const Samples& s, double x, Method method, Outside outside)
{
    const int n = s.x.size();
    if (n == 0)
        return std::numeric_limits<double>::quiet_NaN();
    if (x < s.x.first() || x > s.x.last()) {
        const bool below = x < s.x.first();
        if (outside == LeaveEmpty)
            return std::numeric_limits<double>::quiet_NaN();
        if (outside == NearestEnd || n == 1)
            return below ? s.y.first() : s.y.last();
        const int a = below ? 0 : n - 2;
        return line(s.x.at(a), s.y.at(a), s.x.at(a + 1), s.y.at(a + 1), x);
    }
    // The first sample at or above x.
    const int above = int(std::lower_bound(s.x.begin(), s.x.end(), x) - s.x.begin());
    if (s.x.at(above) == x)
        return s.y.at(above);
    const int below = above - 1;
    switch (method) {
    case Linear:
        return line(s.x.at(below), s.y.at(below), s.x.at(above), s.y.at(above), x);
    case Nearest:
        return x - s.x.at(below) <= s.x.at(above) - x ? s.y.at(below) : s.y.at(above);
    case Previous:
        return s.y.at(below);
    case Next:
        return s.y.at(above);
    }
    return std::numeric_limits<double>::quiet_NaN();
}

TransformInterpolate::Samples TransformInterpolate::samplesOf(
    const Stats::CellValues& x, const Dataset& top, int yColumn, bool yDates) const
{
    // Samples of the same x are averaged; the map keeps them sorted by x.
    QMap<double, QPair<double, int>> byX;
    for (int r = 0; r < top.rowCount(); ++r) {
        double y = 0.0;
        if (!x.known.at(r) || !Stats::readNumberOrDate(top.value(r, yColumn), yDates, &y))
            continue;
        QPair<double, int>& entry = byX[x.values.at(r)];
        entry.first += y;
        ++entry.second;
    }
    Samples s;
    for (auto it = byX.cbegin(); it != byX.cend(); ++it) {
        s.x.append(it.key());
        s.y.append(it.value().first / it.value().second);
    }
    return s;
}

QVector<int> TransformInterpolate::yColumnsIn(const Dataset& top) const
{
    QVector<int> columns;
    for (const ColumnRef& ref : parameter(YColumns)->columnRefs()) {
        const int c = resolveColumn(ref, top);
        if (c >= 0)
            columns.append(c);
    }
    return columns;
}

void TransformInterpolate::reportDuplicates(const Stats::CellValues& x)
{
    QSet<double> seen;
    int duplicates = 0;
    for (int r = 0; r < x.values.size(); ++r) {
        if (!x.known.at(r))
            continue;
        if (seen.contains(x.values.at(r)))
            ++duplicates;
        else
            seen.insert(x.values.at(r));
    }
    if (duplicates > 0)
        addWarning(
            QStringLiteral("%1 with the X value of an earlier sample %2 averaged with it.")
                .arg(countText(duplicates, QStringLiteral("sample"), QStringLiteral("samples")),
                    duplicates == 1 ? QStringLiteral("was") : QStringLiteral("were")));
}

void TransformInterpolate::process(
    Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (upstream.size() == 1) {
        output = upstream.first()->dataset();
        setSummary(QStringLiteral("Connect a second dataset"));
        return;
    }
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Top_X", "Bottom_X", "Y_Columns", "Method", "Outside" }))
        return;
    const Dataset& top = upstream.at(0)->dataset();
    const Dataset& bottom = upstream.at(1)->dataset();
    output = bottom;
    const int topX = columnIn(*this, TopX, top);
    const int bottomX = columnIn(*this, BottomX, bottom);
    const QVector<int> yColumns = yColumnsIn(top);
    if (topX < 0 || bottomX < 0 || yColumns.isEmpty()) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const bool xDates = Stats::holdsDates(top, topX);
    const Stats::CellValues x = Stats::readCells(top, topX, xDates);
    const Stats::CellValues at = Stats::readCells(bottom, bottomX, xDates);
    const auto method = Method(selectionParameter(QStringLiteral("Method")));
    const auto outside = Outside(selectionParameter(QStringLiteral("Outside")));
    qint64 filled = 0;
    qint64 empty = 0;
    for (int i = 0; i < yColumns.size(); ++i) {
        const bool yDates = Stats::holdsDates(top, yColumns.at(i));
        const Samples samples = samplesOf(x, top, yColumns.at(i), yDates);
        const int target = output.columnCount();
        output.appendColumn();
        output.setColumnName(target, top.columnName(yColumns.at(i)));
        for (int r = 0; r < bottom.rowCount(); ++r) {
            if (!reportProgress(r, bottom.rowCount()))
                break;
            const QString text = at.known.at(r) ? Stats::numberOrDateText(
                                     valueAt(samples, at.values.at(r), method, outside), yDates)
                                                : QString();
            output.setValue(r, target, text);
            ++(text.isEmpty() ? empty : filled);
        }
    }
    reportDuplicates(x);
    Stats::reportExamples(*this,
        QStringLiteral("%1 in '%2' got no value (not %3):")
            .arg(countText(at.unreadable, QStringLiteral("X value"), QStringLiteral("X values")),
                bottom.columnName(bottomX),
                xDates ? QStringLiteral("dates") : QStringLiteral("numbers")),
        at.examples, at.unreadable);
    setSummary(QStringLiteral("%1 interpolated, %2 left empty")
                   .arg(countText(filled, QStringLiteral("value"), QStringLiteral("values")),
                       formatInteger(empty, true)));
}
