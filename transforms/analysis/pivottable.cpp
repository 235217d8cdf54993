#include "transforms/analysis/pivottable.h"

#include "core/values.h"
#include "transforms/analysis/transformpivot.h"
#include "transforms/support/datasetsort.h"

#include <cmath>

namespace pivot {

void orderSide(Side& side, const Dataset& keys, bool noKeys, const QString& delimiter,
    const QString& noKeyHeading)
{
    const int n = keys.rowCount();
    QVector<int> sortKeys;
    for (int k = 0; k < keys.columnCount(); ++k)
        sortKeys.append(k + 1);
    DatasetSorter sorter(keys, sortKeys);
    sorter.sort();
    side.order = noKeys ? QVector<int>(n, 0) : sorter.order();
    side.rank.resize(n);
    side.headings.clear();
    for (int i = 0; i < n; ++i) {
        const int g = side.order.at(i);
        side.rank[g] = i;
        QStringList parts;
        for (const QString& v : keys.row(g))
            parts.append(v.isEmpty() ? QStringLiteral("(Empty)") : v);
        side.headings.append(noKeys ? noKeyHeading : parts.join(delimiter));
    }
}

void layOut(Dataset& output, const QString& rowHeading, const Side& rows, const Side& cols,
    const Layout& layout)
{
    QStringList header = QStringList { rowHeading } + cols.headings;
    if (layout.totalColumn)
        header << layout.grand;
    output.setColumnCount(header.size());
    output.setHeader(header);
    QStringList blank;
    for (int c = 1; c < header.size(); ++c)
        blank.append(layout.nonCalc);
    for (const QString& heading : rows.headings)
        output.appendRow(QStringList { heading } + blank);
    if (layout.totalRow)
        output.appendRow(QStringList { layout.grand } + blank);
}

ColumnNumbers readColumn(const Dataset& input, int column)
{
    return readNumberColumn(input, column);
}

void reportNotNumber(
    const Dataset& input, int row, int column, FailureList& failures, qint64 firstRow)
{
    const QString& text = input.value(row, column);
    if (text.isEmpty())
        return;
    failures.add([&] {
        return QStringLiteral("'%1' is not a numerical value in column '%2' at row %3")
            .arg(text, input.columnName(column))
            .arg(firstRow + row + 1);
    });
}

QString RunningCell::text(int function) const
{
    using P = TransformPivot;
    if (function == P::Count)
        return QString::number(count);
    if (function == P::StandardDeviation)
        return count < 2 ? QString() : formatNumber(std::sqrt(m2 / (double(count) - 1.0)));
    if (function == P::Minimum || function == P::Maximum)
        return formatNumber(function == P::Minimum ? least : most);
    return formatNumber(function == P::Sum ? sum.value() : sum.value() / double(count));
}

void RunningTable::add(int rowGroup, int columnGroup, double v)
{
    if (size_t(rowGroup) >= m_cells.size()) {
        m_cells.resize(size_t(rowGroup) + 1);
        m_rowTotals.resize(size_t(rowGroup) + 1);
    }
    if (size_t(columnGroup) >= m_columnTotals.size())
        m_columnTotals.resize(size_t(columnGroup) + 1);
    std::vector<RunningCell>& line = m_cells[size_t(rowGroup)];
    if (size_t(columnGroup) >= line.size()) {
        m_cellCount += qint64(columnGroup) + 1 - qint64(line.size());
        line.resize(size_t(columnGroup) + 1);
    }
    RunningCell* groups[] = { &line[size_t(columnGroup)], &m_rowTotals[size_t(rowGroup)],
        &m_columnTotals[size_t(columnGroup)], &m_grand };
    for (RunningCell* cell : groups) {
        // The spread first: it counts the value being added.
        if (m_spread)
            cell->addSpread(v);
        cell->add(v);
    }
}

void RunningTable::fill(
    Dataset& output, int function, const Side& rows, const Side& cols, const Layout& layout) const
{
    const int nr = rows.headings.size();
    const int nc = cols.headings.size();
    const auto fillCell = [&](int row, int column, const RunningCell& cell) {
        if (cell.count > 0)
            output.setValue(row, column, cell.text(function));
    };
    for (size_t g = 0; g < m_cells.size(); ++g) {
        const int row = rows.rank.at(int(g));
        const std::vector<RunningCell>& line = m_cells[g];
        for (size_t c = 0; c < line.size(); ++c)
            fillCell(row, cols.rank.at(int(c)) + 1, line[c]);
        if (layout.totalColumn)
            fillCell(row, nc + 1, m_rowTotals[g]);
    }
    for (size_t c = 0; layout.totalRow && c < m_columnTotals.size(); ++c)
        fillCell(nr, cols.rank.at(int(c)) + 1, m_columnTotals[c]);
    if (layout.totalRow && layout.totalColumn)
        fillCell(nr, nc + 1, m_grand);
}

} // namespace pivot
