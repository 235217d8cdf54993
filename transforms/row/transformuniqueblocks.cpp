// Unique over rows that come in blocks (a run that streams a file): each
// group keeps what its aggregations need as the rows go by, so a file of a
// hundred million rows in a few hundred groups never has its rows in memory.
// Every aggregation kept here gives what the whole-table one gives, value
// for value: the first, last and first or last non-empty texts, sums and
// averages added in row order, the first of equal extremes, the counts of
// empty and non-empty cells. Concatenations and the distinct counts need a
// group's values and are left to the whole table, as is a drilldown.

#include "core/dataset.h"
#include "core/values.h"
#include "transforms/row/transformunique.h"
#include "transforms/support/aggregates.h"
#include "transforms/support/columnnumbers.h"
#include "transforms/support/rowgroups.h"

#include <vector>

namespace {

using U = TransformUnique;

// Beyond this many groups the whole table costs less than the groups.
constexpr int MaxGroups = 1000000;

bool keptAsRowsGo(int aggregation)
{
    switch (aggregation) {
    case U::KeepUnique:
    case U::KeepFirst:
    case U::KeepLast:
    case U::Sum:
    case U::Maximum:
    case U::Minimum:
    case U::Average:
    case U::KeepFirstNonEmpty:
    case U::KeepLastNonEmpty:
    case U::CountEmpty:
    case U::CountNonEmpty:
    case U::SetEmpty:
        return true;
    default:
        return false;
    }
}

// What a group keeps of one column.
struct Cell
{
    QString text;
    KahanSum sum;
    double best = 0.0;
    int count = 0;
    bool has = false;
};

struct Group
{
    std::vector<Cell> cells;
    int rows = 0;
};

} // namespace

class UniqueBlocks : public RowBlockConsumer
{
public:
    UniqueBlocks(TransformUnique* transform, const Dataset& first, QVector<int> aggregations,
        QVector<int> keys, const KeyOptions& options)
        : m_transform(transform),
          m_names(first.columnNames()),
          m_aggregations(std::move(aggregations)),
          m_keys(std::move(keys)),
          m_dates(size_t(m_aggregations.size()), false),
          m_withoutNumber(size_t(m_aggregations.size()), 0),
          m_groupOf(m_keys, options)
    {
        for (int c = 0; c < m_aggregations.size(); ++c) {
            const int a = m_aggregations.at(c);
            if (a == U::Maximum || a == U::Minimum)
                m_dates[size_t(c)] = first.isDateColumn(c, defaultDateFormats());
            // A group's first row gives the kept texts, every row the rest;
            // the texts are read only where they are kept.
            if (a == U::KeepUnique || a == U::KeepFirst)
                m_fromFirstRow.append(c);
            else if (a != U::SetEmpty)
                m_fromEveryRow.append(c);
        }
    }

    bool take(const Dataset& rows) override;
    QString failure() const override { return m_spill ? m_spill->failure() : QString(); }
    void finish(Dataset& output) override;
    bool finishInBlocks(
        Dataset& output, int blockRows, const std::function<bool()>& passOn) override
    {
        if (m_spill)
            return m_spill->finishInBlocks(output, blockRows, passOn);
        finish(output);
        return passOn();
    }

private:
    QString value(const Cell& cell, int aggregation, int groupRows, int column);
    void add(Cell& cell, int aggregation, const TextColumn& column, const ColumnNumbers* numbers,
        int row, bool first);

    TransformUnique* m_transform;
    QStringList m_names;
    QVector<int> m_aggregations;
    QVector<int> m_keys;
    QVector<int> m_fromFirstRow;
    QVector<int> m_fromEveryRow;
    std::vector<bool> m_dates;
    std::vector<int> m_withoutNumber;
    BlockGroups m_groupOf;
    std::vector<Group> m_groups;
    qint64 m_rows = 0;
    // Where the rows go once the first block showed them mostly a group each.
    std::unique_ptr<RowBlockConsumer> m_spill;
};

std::unique_ptr<RowBlockConsumer> TransformUnique::blockConsumer(const Dataset& firstRows)
{
    if (!parameter(QStringLiteral("Column_Options")) || boolParameter(QStringLiteral("Drilldown")))
        return nullptr;
    const QVector<int> options = aggregations(firstRows);
    QVector<int> keys;
    for (int c = 0; c < options.size(); ++c) {
        if (!keptAsRowsGo(options.at(c)))
            return nullptr;
        if (options.at(c) == KeepUnique)
            keys.append(c);
        // Whether a column holds dates is read from its first 50 values:
        // the first block must hold them for the answer to be the whole's.
        const bool extreme = options.at(c) == Maximum || options.at(c) == Minimum;
        int filled = 0;
        for (int r = 0; extreme && r < firstRows.rowCount() && filled < 50; ++r)
            filled += firstRows.column(c).isEmpty(r) ? 0 : 1;
        if (extreme && filled < 50)
            return nullptr;
    }
    if (keys.isEmpty())
        return nullptr;
    // Keys that stopped repeating in an earlier try: the rows are held (and
    // put on disk) from the first block.
    if (takeBlocksAgain()) {
        // Said because the user did not choose it.
        addInformation(QStringLiteral("The keys stopped repeating after the first rows: the file "
                                      "was read again, its rows held to be grouped whole"));
        return spillingConsumer(firstRows, options, keys);
    }
    KeyOptions keyOptions;
    keyOptions.caseSensitive = boolParameter(QStringLiteral("Case_Sensitive"));
    return std::make_unique<UniqueBlocks>(this, firstRows, options, keys, keyOptions);
}

void UniqueBlocks::add(Cell& cell, int aggregation, const TextColumn& column,
    const ColumnNumbers* numbers, int row, bool first)
{
    // Texts are read only where they are kept: most cells only count or add.
    switch (aggregation) {
    case U::KeepUnique:
    case U::KeepFirst:
        if (first)
            cell.text = column.value(row);
        break;
    case U::KeepLast:
        cell.text = column.value(row);
        break;
    case U::Sum:
    case U::Average:
        if (numbers->ok[size_t(row)]) {
            cell.sum.add(numbers->values[size_t(row)]);
            ++cell.count;
        }
        break;
    case U::Maximum:
    case U::Minimum: {
        if (!numbers->ok[size_t(row)])
            break;
        const double v = numbers->values[size_t(row)];
        if (!cell.has || (aggregation == U::Maximum ? v > cell.best : v < cell.best)) {
            cell.has = true;
            cell.best = v;
            cell.text = column.value(row);
        }
        break;
    }
    case U::KeepFirstNonEmpty:
        if (!cell.has && !column.isEmpty(row)) {
            cell.has = true;
            cell.text = column.value(row);
        }
        break;
    case U::KeepLastNonEmpty:
        if (!column.isEmpty(row))
            cell.text = column.value(row);
        break;
    case U::CountEmpty:
    case U::CountNonEmpty:
        cell.count += column.isEmpty(row) ? 1 : 0;
        break;
    default:
        break;
    }
}

bool UniqueBlocks::take(const Dataset& rows)
{
    if (m_spill)
        return m_spill->take(rows);
    if (rows.columnCount() != m_aggregations.size())
        return false;
    // Numbers read as the whole table reads them, one column at a time.
    std::vector<ColumnNumbers> numbers(size_t(m_aggregations.size()));
    for (int c = 0; c < m_aggregations.size(); ++c) {
        const int a = m_aggregations.at(c);
        if (a < U::Sum || a > U::Average)
            continue;
        numbers[size_t(c)] = TransformUnique::readNumbers(rows, c, m_dates[size_t(c)]);
    }
    m_groupOf.startBlock(rows);
    for (int r = 0; r < rows.rowCount(); ++r) {
        bool isNew = false;
        const int g = m_groupOf.groupOf(rows, r, &isNew);
        if (isNew)
            m_groups.emplace_back().cells.resize(size_t(m_aggregations.size()));
        Group& group = m_groups[size_t(g)];
        if (group.rows++ == 0) {
            for (int c : qAsConst(m_fromFirstRow))
                add(group.cells[size_t(c)], m_aggregations.at(c), rows.column(c), nullptr, r, true);
        }
        for (int c : qAsConst(m_fromEveryRow))
            add(group.cells[size_t(c)], m_aggregations.at(c), rows.column(c), &numbers[size_t(c)],
                r, false);
    }
    const bool firstBlock = m_rows == 0;
    m_rows += rows.rowCount();
    if (firstBlock && m_groupOf.mostlyDistinct()) {
        // Nothing is lost by starting again: these rows are all there is.
        m_groups.clear();
        m_groupOf.clearGroups();
        m_spill = m_transform->spillingConsumer(rows, m_aggregations, m_keys);
        return m_spill->take(rows);
    }
    // Later blocks of mostly new keys, or too many groups: the rows are
    // taken again from the start, held and grouped whole.
    if (m_groups.size() <= size_t(MaxGroups) && !m_groupOf.mostlyDistinct())
        return true;
    m_transform->askForBlocksAgain();
    return false;
}

// A group's cell of a column, as the whole table's aggregation gives it.
QString UniqueBlocks::value(const Cell& cell, int aggregation, int groupRows, int column)
{
    switch (aggregation) {
    case U::Sum:
    case U::Average:
        if (cell.count == 0)
            break;
        return formatNumber(
            aggregation == U::Sum ? cell.sum.value() : cell.sum.value() / cell.count);
    case U::Maximum:
    case U::Minimum:
        if (!cell.has)
            break;
        return cell.text;
    case U::CountEmpty:
        return QString::number(cell.count);
    case U::CountNonEmpty:
        return QString::number(groupRows - cell.count);
    default:
        return cell.text;
    }
    ++m_withoutNumber[size_t(column)];
    return QString();
}

void UniqueBlocks::finish(Dataset& output)
{
    if (m_spill) {
        m_spill->finish(output);
        return;
    }
    const bool count = m_transform->boolParameter(QStringLiteral("Count"));
    QStringList header = m_names;
    if (count)
        header.append(QStringLiteral("Count"));
    output.setColumnCount(header.size());
    output.setHeader(header);
    output.reserveRows(int(m_groups.size()));
    for (const Group& group : m_groups) {
        QStringList row;
        row.reserve(header.size());
        for (int c = 0; c < m_aggregations.size(); ++c)
            row.append(value(group.cells[size_t(c)], m_aggregations.at(c), group.rows, c));
        if (count)
            row.append(QString::number(group.rows));
        output.appendRow(row);
    }
    m_transform->setMessages(m_names, m_withoutNumber, m_rows - output.rowCount());
}
