#include "core/dataset.h"

#include "core/localgather.h"
#include "core/parallel.h"
#include "core/values.h"

#include <algorithm>
#include <atomic>
#include <numeric>

namespace {

// One empty text shared by every empty cell of every Dataset.
const QString& sharedEmpty()
{
    static const QString empty = QStringLiteral("");
    return empty;
}

} // namespace

Dataset::Row Dataset::row(int row) const
{
    Row values;
    values.reserve(m_columnCount);
    for (const TextColumn& column : m_columns)
        values.append(column.value(row));
    return values;
}

RowReader::RowReader(const Dataset& data, int flags, int from, int to)
    : m_data(data),
      m_byCode(flags & ByCode),
      m_kinds(size_t(data.columnCount())),
      m_narrow(size_t(data.columnCount()), false),
      m_scratch(data.columnCount()),
      m_cells(data.columnCount(), nullptr),
      m_bytes(flags & NarrowBytes ? size_t(data.columnCount()) : 0)
{
    const int end = to < 0 ? data.rowCount() : to;
    for (int c = 0; c < data.columnCount(); ++c) {
        const TextColumn& column = data.column(c);
        Column& kind = m_kinds[size_t(c)];
        kind.coded = column.isCoded();
        kind.fetchesAhead = !(m_byCode && kind.coded) && !column.inReadOrder(from, end);
    }
}

QVector<Dataset::Row> Dataset::rowLists() const
{
    QVector<Row> rows;
    rows.reserve(m_rowCount);
    for (int r = 0; r < m_rowCount; ++r)
        rows.append(row(r));
    return rows;
}

bool Dataset::sharesStorageWith(const Dataset& other) const
{
    if (m_columns.size() != other.m_columns.size() || m_rowCount != other.m_rowCount)
        return false;
    for (int c = 0; c < m_columns.size(); ++c) {
        if (!m_columns.at(c).sharesStorageWith(other.m_columns.at(c)))
            return false;
    }
    return true;
}

void Dataset::setValue(int row, int column, const QString& text)
{
    m_columns[column].set(row, text);
}

void Dataset::setColumnValues(int column, const QStringList& values)
{
    const int n = qMin(rowCount(), values.size());
    TextColumn& target = m_columns[column];
    for (int r = 0; r < n; ++r)
        target.set(r, values.at(r));
}

void Dataset::setRow(int row, const Row& values)
{
    for (int c = 0; c < m_columnCount; ++c)
        m_columns[c].set(row, c < values.size() ? values.at(c) : sharedEmpty());
}

QVector<bool> Dataset::plainColumns() const
{
    QVector<bool> plain;
    plain.reserve(m_columnCount);
    for (int c = 0; c < m_columnCount && c < m_columns.size(); ++c)
        plain.append(!m_columns.at(c).isCoded());
    return plain;
}

void Dataset::reserveRows(int count)
{
    for (TextColumn& column : m_columns)
        column.reserve(count);
}

template <typename Append> void Dataset::appendCells(const Row& values, Append append)
{
    const int n = qMin(values.size(), m_columnCount);
    for (int c = 0; c < n; ++c)
        append(m_columns[c], values.at(c));
    for (int c = n; c < m_columnCount; ++c)
        m_columns[c].appendEmpty(1);
    ++m_rowCount;
}

void Dataset::appendRow(const Row& values)
{
    appendCells(values, [](TextColumn& column, const QString& text) { column.append(text); });
}

void Dataset::appendPooledRow(const Row& values)
{
    appendCells(values, [](TextColumn& column, const QString& text) { column.appendPooled(text); });
}

void Dataset::appendRows(const Dataset& other)
{
    for (int c = 0; c < m_columnCount; ++c) {
        if (c < other.m_columnCount)
            m_columns[c].appendColumn(other.m_columns.at(c));
        else
            m_columns[c].appendEmpty(other.m_rowCount);
    }
    m_rowCount += other.m_rowCount;
}

void Dataset::addRow(const Row& values, bool trim, bool normalize, bool skipIfEmpty)
{
    Row row = values;
    if (trim || normalize) {
        for (QString& v : row) {
            if (trim)
                v = v.trimmed();
            if (normalize)
                v = normalizeSpace(v);
        }
    }
    if (skipIfEmpty
        && std::all_of(row.cbegin(), row.cend(), [](const QString& v) { return v.isEmpty(); }))
        return;
    if (row.size() > m_columnCount)
        setColumnCount(row.size());
    appendRow(row);
}

void Dataset::removeRow(int row)
{
    if (!isValidRow(row))
        return;
    for (TextColumn& column : m_columns)
        column.remove(row);
    --m_rowCount;
}

void Dataset::selectRows(const QVector<int>& positions)
{
    QVector<int> valid;
    const QVector<int>* rows = &positions;
    if (std::any_of(
            positions.cbegin(), positions.cend(), [this](int p) { return !isValidRow(p); })) {
        valid.reserve(positions.size());
        for (int p : positions) {
            if (isValidRow(p))
                valid.append(p);
        }
        rows = &valid;
    }
    // Each column's gather waits on memory at every row: two columns at a
    // time halve the wait. The list is detached before the threads split it.
    TextColumn* columns = m_columns.data();
    const int count = m_columns.size();
    if (LocalGather::worthIt(rows->constData(), rows->size()) && gatherLocally(*rows))
        return;
    const auto gather = [columns, count, rows](int half) {
        for (int c = half; c < count; c += 2)
            columns[c] = columns[c].gathered(rows->constData(), rows->size());
    };
    Parallel::both(
        count > 1 && Parallel::worthSplitting(rows->size()), [&gather] { gather(0); },
        [&gather] { gather(1); });
    m_rowCount = rows->size();
}

// A new order of many rows: the columns take their rows a stretch of the
// source at a time (see LocalGather), but for small columns of plain texts,
// which keep sharing theirs. The largest go first, from a list both threads
// take from, so that neither waits long for the other at the end. False,
// and nothing done, when no column of plain texts is large enough.
bool Dataset::gatherLocally(const QVector<int>& rows)
{
    // Each column's size, worked out once: it tells the large ones and
    // orders them all.
    QVector<qint64> bytes(m_columns.size());
    QVector<bool> copies(m_columns.size());
    bool anyLarge = false;
    for (int c = 0; c < m_columns.size(); ++c) {
        const bool coded = m_columns.at(c).isCoded();
        bytes[c] = m_columns.at(c).bytesUsed();
        copies[c] = coded || LocalGather::suits(bytes.at(c));
        anyLarge = anyLarge || (!coded && copies.at(c));
    }
    if (!anyLarge)
        return false;
    const LocalGather plan(rows.constData(), rows.size(), m_rowCount);
    TextColumn* columns = m_columns.data();
    QVector<int> largestFirst(m_columns.size());
    std::iota(largestFirst.begin(), largestFirst.end(), 0);
    std::stable_sort(largestFirst.begin(), largestFirst.end(),
        [&bytes](int a, int b) { return bytes.at(a) > bytes.at(b); });
    std::atomic<int> next { 0 };
    const auto gather = [&] {
        for (int i = next++; i < largestFirst.size(); i = next++) {
            const int c = largestFirst.at(i);
            columns[c] = copies.at(c) ? columns[c].gathered(plan)
                                      : columns[c].gathered(rows.constData(), rows.size());
        }
    };
    Parallel::both(
        largestFirst.size() > 1 && Parallel::worthSplitting(rows.size()), gather, gather);
    m_rowCount = rows.size();
    return true;
}

void Dataset::appendJoinedRows(const Dataset& top, const QVector<int>& topRows,
    const Dataset& bottom, const QVector<int>& bottomColumns, const QVector<int>& bottomRows)
{
    const int count = qMin(topRows.size(), bottomRows.size());
    QVector<TextColumn> made;
    made.reserve(top.columnCount() + bottomColumns.size());
    for (const TextColumn& column : top.m_columns)
        made.append(column.gathered(topRows.constData(), count));
    for (int c : bottomColumns)
        made.append(bottom.m_columns.at(c).gathered(bottomRows.constData(), count));
    for (int c = 0; c < m_columnCount; ++c) {
        if (c < made.size())
            m_columns[c].appendColumn(made.at(c));
        else
            m_columns[c].appendEmpty(count);
    }
    m_rowCount += count;
}

int Dataset::removeEmptyRows()
{
    QVector<int> kept;
    kept.reserve(m_rowCount);
    for (int r = 0; r < m_rowCount; ++r) {
        const bool empty = std::all_of(m_columns.cbegin(), m_columns.cend(),
            [r](const TextColumn& column) { return column.isEmpty(r); });
        if (!empty)
            kept.append(r);
    }
    const int removed = m_rowCount - kept.size();
    if (removed > 0)
        selectRows(kept);
    return removed;
}

void Dataset::setRowCount(int count)
{
    if (m_columnCount < 1 || count < 0)
        return;
    for (TextColumn& column : m_columns)
        column.resize(count);
    m_rowCount = count;
}

void Dataset::setColumnCount(int count)
{
    setColumnCount(count, nullptr);
}

bool Dataset::setColumnCount(int count, const std::function<bool(int)>& added)
{
    if (count <= 0) {
        clear();
        return true;
    }
    if (m_columns.size() > count)
        m_columns.resize(count);
    bool finished = true;
    while (finished && m_columns.size() < count) {
        TextColumn column = newColumn();
        column.appendEmpty(m_rowCount);
        m_columns.append(column);
        finished = !added || m_rowCount == 0 || added(m_rowCount);
    }
    m_columnCount = m_columns.size();
    m_columnIds.resize(m_columnCount);
    if (m_hasHeader) {
        if (m_header.size() > m_columnCount)
            m_header.erase(m_header.begin() + m_columnCount, m_header.end());
        for (int c = m_header.size(); c < m_columnCount; ++c)
            m_header.append(QString::number(c));
    }
    markIdentitiesChanged();
    return finished;
}

void Dataset::keepPlainTexts(int column)
{
    if (m_columns.at(column).size() == 0)
        m_columns[column] = TextColumn(false);
}

void Dataset::setColumns(QVector<TextColumn> columns, int rowCount)
{
    m_columns = std::move(columns);
    m_rowCount = rowCount;
    for (const TextColumn& column : qAsConst(m_columns))
        Q_ASSERT(column.size() == rowCount);
    // Rows without values (a reader's rows of no fields) keep their count.
    if (m_columns.isEmpty()) {
        m_columnCount = 0;
        m_columnIds.clear();
        markIdentitiesChanged();
        return;
    }
    setColumnCount(m_columns.size());
}

void Dataset::appendColumn()
{
    insertColumn(m_columnCount, QString());
}

void Dataset::appendColumnValues(const QVector<QString>& values)
{
    TextColumn column = newColumn();
    column.reserve(m_rowCount);
    const int n = qMin(values.size(), m_rowCount);
    for (int r = 0; r < n; ++r)
        column.append(values.at(r));
    column.appendEmpty(m_rowCount - n);
    insertColumnOf(m_columnCount, column, QString());
}

void Dataset::insertColumn(int position, const QString& name)
{
    TextColumn column = newColumn();
    column.appendEmpty(m_rowCount);
    insertColumnOf(qBound(0, position, m_columnCount), column, name);
}

void Dataset::insertColumnOf(int position, const TextColumn& column, const QString& name)
{
    // A column added after the others, with no identity yet, moves none of
    // theirs: the look-up stays as it is (rebuilt at every column, a split
    // into 100,000 columns took seconds).
    const bool last = position == m_columnCount;
    m_columnIds.insert(position, ColumnId());
    m_columns.insert(position, column);
    if (m_hasHeader) {
        while (m_header.size() < m_columnCount)
            m_header.append(sharedEmpty());
        m_header.insert(position, name);
    }
    ++m_columnCount;
    if (!last)
        markIdentitiesChanged();
}

void Dataset::removeColumn(int column)
{
    if (!isValidColumn(column))
        return;
    if (m_columnCount == 1) {
        clear();
        return;
    }
    m_columnIds.remove(column);
    m_columns.remove(column);
    if (m_hasHeader && column < m_header.size())
        m_header.removeAt(column);
    --m_columnCount;
    markIdentitiesChanged();
}

void Dataset::moveColumn(int from, int to)
{
    if (from == to || !isValidColumn(from) || !isValidColumn(to))
        return;
    m_columns.move(from, to);
    if (m_hasHeader) {
        while (m_header.size() < m_columnCount)
            m_header.append(sharedEmpty());
        m_header.move(from, to);
    }
}

QVector<int> Dataset::emptyColumns() const
{
    QVector<int> empty;
    for (int c = 0; c < m_columnCount; ++c) {
        const TextColumn& column = m_columns.at(c);
        bool any = false;
        for (int r = 0; r < m_rowCount && !any; ++r)
            any = !column.isEmpty(r);
        if (!any)
            empty.append(c);
    }
    return empty;
}

int Dataset::removeEmptyColumns()
{
    const QVector<int> empty = emptyColumns();
    for (int i = empty.size() - 1; i >= 0; --i)
        removeColumn(empty.at(i));
    return empty.size();
}

QString Dataset::columnName(int column) const
{
    if (m_hasHeader && column >= 0 && column < m_header.size()) {
        const QString& name = m_header.at(column);
        if (!name.isEmpty())
            return name;
    }
    return defaultColumnName(column);
}

QStringList Dataset::columnNames() const
{
    QStringList names;
    names.reserve(m_columnCount);
    for (int c = 0; c < m_columnCount; ++c)
        names.append(columnName(c));
    return names;
}

void Dataset::setHeader(const QStringList& names)
{
    m_header = names;
    m_hasHeader = !names.isEmpty();
}

void Dataset::setColumnName(int column, const QString& name)
{
    if (m_header.isEmpty()) {
        QStringList names = columnNames();
        if (column >= 0 && column < names.size())
            names[column] = name;
        m_header = names;
    } else if (isValidColumn(column)) {
        while (m_header.size() <= column)
            m_header.append(sharedEmpty());
        m_header[column] = name;
    }
    m_hasHeader = true;
}

void Dataset::setHasHeader(bool flag)
{
    if (flag == m_hasHeader)
        return;
    if (flag) {
        if (m_rowCount > 0) {
            m_header = row(0);
            removeRow(0);
        }
        m_hasHeader = true;
        return;
    }
    if (!m_header.isEmpty()) {
        Row first = m_header;
        while (first.size() < m_columnCount)
            first.append(sharedEmpty());
        for (int c = 0; c < m_columnCount; ++c)
            m_columns[c].insert(0, first.at(c));
        ++m_rowCount;
    }
    m_header.clear();
    m_hasHeader = false;
}

int Dataset::columnIndexByName(const QString& name) const
{
    for (int c = 0; c < m_columnCount; ++c) {
        if (columnName(c) == name)
            return c;
    }
    return InvalidIndex;
}

ColumnId Dataset::columnId(int column) const
{
    return isValidColumn(column) && column < m_columnIds.size() ? m_columnIds.at(column)
                                                                : ColumnId();
}

int Dataset::columnIndex(const ColumnId& id) const
{
    if (!id.isValid())
        return InvalidIndex;
    return m_identityIndex.value(id, InvalidIndex);
}

void Dataset::markIdentitiesChanged()
{
    m_identityIndex.clear();
    // Walk backwards so that the first of repeated identities wins.
    for (int c = m_columnIds.size() - 1; c >= 0; --c) {
        if (m_columnIds.at(c).isValid())
            m_identityIndex.insert(m_columnIds.at(c), c);
    }
}

void Dataset::setColumnIds(const QVector<ColumnId>& ids)
{
    m_columnIds = ids;
    markIdentitiesChanged();
}

void Dataset::assignColumnIds(qint32 nodeId)
{
    quint32 serial = 1;
    for (ColumnId& id : m_columnIds) {
        if (!id.isValid())
            id = ColumnId(nodeId, serial++);
    }
    markIdentitiesChanged();
}

void Dataset::makeColumnIdsUnique()
{
    QSet<ColumnId> seen;
    for (ColumnId& id : m_columnIds) {
        if (!id.isValid())
            continue;
        if (seen.contains(id))
            id = ColumnId();
        else
            seen.insert(id);
    }
    markIdentitiesChanged();
}

void Dataset::addDrilldown(int row, int column, int upstreamRow)
{
    m_drilldown.insert(CellPos { row, column }, upstreamRow);
}

void Dataset::clear()
{
    const bool pooling = m_pooling;
    *this = Dataset();
    m_pooling = pooling;
}

qint64 Dataset::bytesUsed() const
{
    qint64 bytes = 0;
    for (const TextColumn& column : m_columns)
        bytes += column.bytesUsed();
    return bytes;
}

void Dataset::dropPools()
{
    for (TextColumn& column : m_columns) {
        column.dropIndex();
        column.squeeze();
    }
}

void Dataset::releaseRows()
{
    for (TextColumn& column : m_columns)
        column = newColumn();
    m_rowCount = 0;
    m_drilldown.clear();
    m_verification.clear();
}

Dataset Dataset::takeRows()
{
    Dataset rows = *this;
    // A column's storage now has two owners: the new empty one drops this
    // table's share instead of copying it.
    for (TextColumn& column : m_columns)
        column = TextColumn(m_pooling && column.isCoded());
    m_rowCount = 0;
    m_drilldown.clear();
    m_verification.clear();
    return rows;
}

bool Dataset::equals(const Dataset& other) const
{
    return sameValues(other) && columnNames() == other.columnNames();
}

bool Dataset::sameValues(const Dataset& other) const
{
    if (m_rowCount != other.m_rowCount || m_columnCount != other.m_columnCount)
        return false;
    for (int c = 0; c < m_columnCount; ++c) {
        if (!m_columns.at(c).sameValues(other.m_columns.at(c)))
            return false;
    }
    return true;
}

bool Dataset::rowContains(int row, const QString& text, Qt::CaseSensitivity cs) const
{
    if (text.isEmpty())
        return true;
    QString scratch;
    return std::any_of(m_columns.cbegin(), m_columns.cend(),
        [&](const TextColumn& column) { return column.text(row, scratch).contains(text, cs); });
}

bool Dataset::nextCell(int& row, int& column) const
{
    if (m_rowCount == 0 || m_columnCount == 0)
        return false;
    if (column < lastColumn()) {
        ++column;
        return true;
    }
    if (row < lastRow()) {
        ++row;
        column = 0;
        return true;
    }
    return false;
}

bool Dataset::previousCell(int& row, int& column) const
{
    if (m_rowCount == 0 || m_columnCount == 0)
        return false;
    if (column > 0) {
        --column;
        return true;
    }
    if (row > 0) {
        --row;
        column = lastColumn();
        return true;
    }
    return false;
}

QString Dataset::toDelimitedText(QChar delimiter) const
{
    QStringList lines;
    lines.reserve(rowCount() + 1);
    const auto line = [delimiter](const QStringList& values) {
        QStringList quoted;
        quoted.reserve(values.size());
        for (const QString& v : values)
            quoted.append(quoteAsNeeded(v, delimiter));
        return quoted.join(delimiter);
    };
    if (m_hasHeader)
        lines.append(line(columnNames()));
    for (int r = 0; r < m_rowCount; ++r)
        lines.append(line(row(r)));
    return lines.join(QLatin1String("\r\n"));
}

bool Dataset::isNumericColumn(int column, bool ignoreCurrency, int sampleRows) const
{
    if (!isValidColumn(column))
        return false;
    const int n = qMin(sampleRows, rowCount());
    bool sawNumber = false;
    const QLocale locale;
    for (int r = 0; r < n; ++r) {
        const QString v = value(r, column).trimmed();
        if (v.isEmpty())
            continue;
        bool ok = false;
        toNumber(locale, v, false, ignoreCurrency, &ok);
        if (ok)
            sawNumber = true;
        else if (v.compare(QLatin1String("nan"), Qt::CaseInsensitive) != 0)
            return false;
    }
    return sawNumber;
}

bool Dataset::isDateColumn(
    int column, const QStringList& formats, QString* bestFormat, int sampleValues) const
{
    if (!isValidColumn(column))
        return false;
    QStringList sample;
    for (int r = 0; r < rowCount() && sample.size() < sampleValues; ++r) {
        const QString& v = value(r, column);
        if (!v.isEmpty())
            sample.append(v);
    }
    if (sample.isEmpty())
        return false;
    int bestCount = -1;
    for (const QString& text : formats) {
        const DateFormat format(text);
        int count = 0;
        for (const QString& v : sample) {
            if (toDate(v, format).isValid())
                ++count;
        }
        if (count > bestCount) {
            bestCount = count;
            if (bestFormat)
                *bestFormat = text;
        }
        if (count == sample.size())
            break;
    }
    return bestCount == sample.size();
}

QVector<int> Dataset::numericColumns(int maximum, bool ignoreCurrency) const
{
    QVector<int> columns;
    for (int c = 0; c < m_columnCount && columns.size() < maximum; ++c) {
        if (isNumericColumn(c, ignoreCurrency, 100))
            columns.append(c);
    }
    return columns;
}
