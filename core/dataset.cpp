#include "core/dataset.h"

#include "core/freedmemory.h"
#include "core/values.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace {

// One empty text shared by every empty cell of every Dataset.
const QString& sharedEmpty()
{
    static const QString empty = QStringLiteral("");
    return empty;
}

bool rowIsEmpty(const Dataset::Row& row)
{
    return std::all_of(row.cbegin(), row.cend(), [](const QString& v) { return v.isEmpty(); });
}

} // namespace

// A text as a cell keeps it: without spare capacity. squeeze() copies a
// shared text even when there is no room to give back, so only pay for the
// copy when there is.
static QString compact(const QString& text)
{
    if (text.capacity() <= text.size())
        return text;
    QString stored = text;
    stored.squeeze();
    return stored;
}

QString Dataset::pooled(int column, const QString& text)
{
    if (!m_pooling)
        return text;
    if (text.isEmpty())
        return sharedEmpty();
    if (column >= m_pools.size())
        m_pools.resize(column + 1);
    ColumnPool& pool = m_pools[column];
    if (pool.givenUp)
        return compact(text);
    ++pool.offered;
    const auto it = pool.values.constFind(text);
    if (it != pool.values.constEnd())
        return *it;
    if (pool.offered >= ColumnPool::TrialValues && pool.values.size() * 2 > pool.offered) {
        pool.givenUp = true;
        pool.values = QSet<QString>();
        return compact(text);
    }
    const QString stored = compact(text);
    pool.values.insert(stored);
    return stored;
}

Dataset::Row Dataset::pooledRow(const Row& values)
{
    if (!m_pooling)
        return values;
    Row row;
    row.reserve(values.size());
    for (int i = 0; i < values.size(); ++i)
        row.append(pooled(i, values.at(i)));
    return row;
}

void Dataset::setValue(int row, int column, const QString& text)
{
    m_rows[row][column] = pooled(column, text);
}

void Dataset::setColumnValues(int column, const QStringList& values)
{
    const int n = qMin(rowCount(), values.size());
    for (int r = 0; r < n; ++r)
        setValue(r, column, values.at(r));
}

void Dataset::setRow(int row, const Row& values)
{
    m_rows[row] = pooledRow(values);
}

void Dataset::appendRow(const Row& values, bool fill)
{
    if (!fill) {
        if (values.size() != m_columnCount && !m_rows.isEmpty())
            return;
        m_rows.append(pooledRow(values));
        return;
    }
    Row row = pooledRow(values);
    if (row.size() > m_columnCount)
        row.erase(row.begin() + m_columnCount, row.end());
    else if (row.size() < m_columnCount) {
        row.reserve(m_columnCount);
        while (row.size() < m_columnCount)
            row.append(sharedEmpty());
    }
    m_rows.append(row);
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
    if (skipIfEmpty && rowIsEmpty(row))
        return;
    if (row.size() > m_columnCount)
        setColumnCount(row.size());
    appendRow(row, true);
}

void Dataset::removeRow(int row)
{
    if (isValidRow(row))
        m_rows.remove(row);
}

void Dataset::selectRows(const QVector<int>& positions)
{
    QVector<Row> rows;
    rows.reserve(positions.size());
    for (int p : positions) {
        if (isValidRow(p))
            rows.append(m_rows.at(p));
    }
    m_rows.swap(rows);
}

int Dataset::removeEmptyRows()
{
    int removed = 0;
    for (int r = lastRow(); r >= 0; --r) {
        if (rowIsEmpty(m_rows.at(r))) {
            m_rows.remove(r);
            ++removed;
        }
    }
    return removed;
}

void Dataset::setRowCount(int count)
{
    if (m_columnCount < 1 || count < 0)
        return;
    if (count < m_rows.size()) {
        m_rows.resize(count);
        return;
    }
    // Every new row shares one list of empty values until it is changed.
    Row empty;
    empty.reserve(m_columnCount);
    for (int c = 0; c < m_columnCount; ++c)
        empty.append(sharedEmpty());
    m_rows.reserve(count);
    while (m_rows.size() < count)
        m_rows.append(empty);
}

void Dataset::setColumnCount(int count)
{
    if (count <= 0) {
        clear();
        return;
    }
    m_columnIds.resize(count);
    if (m_hasHeader) {
        if (m_header.size() > count)
            m_header.erase(m_header.begin() + count, m_header.end());
        for (int c = m_header.size(); c < count; ++c)
            m_header.append(QString::number(c));
    }
    int done = 0;
    for (Row& row : m_rows) {
        if (row.size() > count)
            row.erase(row.begin() + count, row.end());
        while (row.size() < count)
            row.append(sharedEmpty());
        returnFreedMemoryEvery(++done);
    }
    if (m_pools.size() > count)
        m_pools.resize(count);
    m_columnCount = count;
    markIdentitiesChanged();
}

void Dataset::appendColumn()
{
    insertColumn(m_columnCount, QString());
}

void Dataset::insertColumn(int position, const QString& name)
{
    position = qBound(0, position, m_columnCount);
    m_columnIds.insert(position, ColumnId());
    int done = 0;
    for (Row& row : m_rows) {
        row.insert(position, sharedEmpty());
        returnFreedMemoryEvery(++done);
    }
    if (m_hasHeader) {
        while (m_header.size() < m_columnCount)
            m_header.append(sharedEmpty());
        m_header.insert(position, QString());
    }
    if (position < m_pools.size())
        m_pools.insert(position, ColumnPool());
    ++m_columnCount;
    if (m_hasHeader)
        m_header[position] = pooled(position, name);
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
    for (Row& row : m_rows)
        row.removeAt(column);
    if (column < m_pools.size())
        m_pools.remove(column);
    if (m_hasHeader && column < m_header.size())
        m_header.removeAt(column);
    --m_columnCount;
    markIdentitiesChanged();
}

void Dataset::moveColumn(int from, int to)
{
    if (from == to || !isValidColumn(from) || !isValidColumn(to))
        return;
    for (Row& row : m_rows)
        row.move(from, to);
    if (m_hasHeader) {
        while (m_header.size() < m_columnCount)
            m_header.append(sharedEmpty());
        m_header.move(from, to);
    }
    // Keep each pool with its values so that later stores still share.
    if (m_pools.size() > qMax(from, to)) {
        const ColumnPool pool = m_pools.at(from);
        m_pools.remove(from);
        m_pools.insert(to, pool);
    }
}

QVector<int> Dataset::emptyColumns() const
{
    QVector<bool> seenValue(m_columnCount, false);
    int remaining = m_columnCount;
    for (const Row& row : m_rows) {
        for (int c = 0; c < row.size() && c < m_columnCount; ++c) {
            if (!seenValue.at(c) && !row.at(c).isEmpty()) {
                seenValue[c] = true;
                --remaining;
            }
        }
        if (remaining == 0)
            break;
    }
    QVector<int> empty;
    for (int c = 0; c < m_columnCount; ++c) {
        if (!seenValue.at(c))
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
    m_header = pooledRow(names);
    m_hasHeader = !names.isEmpty();
}

void Dataset::setColumnName(int column, const QString& name)
{
    if (m_header.isEmpty()) {
        QStringList names = columnNames();
        if (column >= 0 && column < names.size())
            names[column] = name;
        m_header = pooledRow(names);
    } else if (isValidColumn(column)) {
        while (m_header.size() <= column)
            m_header.append(sharedEmpty());
        m_header[column] = pooled(column, name);
    }
    m_hasHeader = true;
}

void Dataset::setHasHeader(bool flag)
{
    if (flag == m_hasHeader)
        return;
    if (flag) {
        if (!m_rows.isEmpty()) {
            m_header = m_rows.first();
            m_rows.removeFirst();
        }
        m_hasHeader = true;
        return;
    }
    if (!m_header.isEmpty()) {
        Row first = m_header;
        while (first.size() < m_columnCount)
            first.append(sharedEmpty());
        m_rows.prepend(first);
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

namespace {

// Letting a million rows go hands back a million lists and takes back ten
// million references to their texts, one cache miss at a time: a tenth of a
// whole command-line run. Nobody reads a released table again, so a large
// one is let go on another thread while the next item works. One such table
// at a time: a thread that has to wait for it lends a hand, a stretch of
// rows at a time. When the program ends, whatever is not let go yet is left
// to the system: finishing it would only hold up the exit (a third of a
// second after a filter whose output is small).
class BackgroundRelease
{
public:
    static constexpr int LeastRows = 50000;

    ~BackgroundRelease()
    {
        m_ending = true;
        wait();
    }

    void release(QVector<Dataset::Row>&& rows)
    {
        const std::lock_guard<std::mutex> guard(m_guard);
        finish();
        m_rows = std::move(rows);
        m_data = m_rows.data();
        m_next = 0;
        m_freed = 0;
        m_thread = std::thread([this] { letGo(); });
    }
    void wait()
    {
        const std::lock_guard<std::mutex> guard(m_guard);
        finish();
    }

private:
    static constexpr int Stretch = 1024;

    void finish()
    {
        if (!m_thread.joinable())
            return;
        letGo();
        m_thread.join();
        if (m_next < m_rows.size()) {
            // Deliberately never freed: the process is ending.
            new QVector<Dataset::Row>(std::move(m_rows));
        }
        m_rows = QVector<Dataset::Row>();
    }

    void letGo()
    {
        const int count = m_rows.size();
        while (!m_ending) {
            const int from = m_next.fetch_add(Stretch);
            if (from >= count)
                return;
            const int to = qMin(count, from + Stretch);
            // Letting a row go reads each of its texts' counts: asked for
            // ahead, within this stretch only (the next may be another
            // thread's, its rows already gone).
            for (int i = from; i < to; ++i) {
                prefetchAhead(m_data + from, to - from, i - from);
                m_data[i] = Dataset::Row();
            }
            // The rows' lists are in a size class the next table may not
            // use: whoever frees the last stretch hands their pages back.
            if (m_freed.fetch_add(to - from) + (to - from) == count)
                returnFreedMemory();
        }
    }

    QVector<Dataset::Row> m_rows;
    Dataset::Row* m_data = nullptr;
    std::atomic<int> m_next { 0 };
    std::atomic<int> m_freed { 0 };
    std::atomic<bool> m_ending { false };
    std::thread m_thread;
    // Tables may be made and let go on more than one thread.
    std::mutex m_guard;
};

BackgroundRelease& backgroundRelease()
{
    static BackgroundRelease background;
    return background;
}

} // namespace

void Dataset::finishReleases()
{
    backgroundRelease().wait();
}

void Dataset::reserveRows(int count)
{
    // A large table about to be built waits for the one still being let go:
    // built while that memory is freed, it would take new memory instead of
    // reusing it (20-40 MB more at the peak of a two-join run).
    if (count >= BackgroundRelease::LeastRows)
        backgroundRelease().wait();
    m_rows.reserve(count);
}

void Dataset::releaseRows()
{
    // Rows another table still holds are not freed here: dropping the
    // reference is all there is to do.
    if (m_rows.size() >= BackgroundRelease::LeastRows && m_rows.isDetached())
        backgroundRelease().release(std::move(m_rows));
    m_rows = QVector<Row>();
    m_pools.clear();
    m_drilldown.clear();
    m_verification.clear();
}

bool Dataset::equals(const Dataset& other) const
{
    return m_columnCount == other.m_columnCount && rowCount() == other.rowCount()
        && m_rows == other.m_rows && columnNames() == other.columnNames();
}

bool Dataset::rowContains(int row, const QString& text, Qt::CaseSensitivity cs) const
{
    if (text.isEmpty())
        return true;
    const Row& values = m_rows.at(row);
    return std::any_of(
        values.cbegin(), values.cend(), [&](const QString& v) { return v.contains(text, cs); });
}

bool Dataset::nextCell(int& row, int& column) const
{
    if (m_rows.isEmpty() || m_columnCount == 0)
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
    if (m_rows.isEmpty() || m_columnCount == 0)
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
    for (const Row& row : m_rows)
        lines.append(line(row));
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
