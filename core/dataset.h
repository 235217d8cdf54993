#pragma once

#include "core/columnid.h"
#include "core/prefetch.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstring>

// The value pool of one column while a Dataset is being built: repeated
// values are stored once. A column whose values hardly repeat (ids, e-mail
// addresses, free text) gains nothing from pooling but pays a hash look-up
// and a set entry per value, so once enough values have been offered and
// most of them were new, the column stops pooling and its set is released.
struct ColumnPool
{
    static constexpr int TrialValues = 20000;
    QSet<QString> values;
    int offered = 0;
    bool givenUp = false;
};

// A cell position, used as the key of the drilldown map and the verification
// results.
struct CellPos
{
    int row = -1;
    int column = -1;
    bool operator==(const CellPos& o) const { return row == o.row && column == o.column; }
    bool operator<(const CellPos& o) const
    {
        return row < o.row || (row == o.row && column < o.column);
    }
};
inline uint qHash(const CellPos& p, uint seed = 0)
{
    return ::qHash((quint64(quint32(p.row)) << 32) | quint32(p.column), seed);
}
Q_DECLARE_TYPEINFO(CellPos, Q_PRIMITIVE_TYPE);

// What the Verify transform found: a status per failing cell (0 info,
// 1 warning, 2 error) with the rule messages, and counts by row, column and
// for the whole table, which the data grid shows.
struct VerificationResults
{
    QHash<CellPos, int> cellStatus;
    QHash<CellPos, QStringList> cellMessages;
    QHash<int, int> failuresByRow;
    QHash<int, int> failuresByColumn;
    QMap<QString, int> failuresByMessage;
    int totalFailures = 0;

    bool isEmpty() const { return cellStatus.isEmpty() && totalFailures == 0; }
    void clear() { *this = VerificationResults(); }
};

// Asks for the memory of rows ahead of a reader that walks a table's rows
// in order: the row's block of values and then the values' texts, each far
// enough ahead to arrive in time when rows lie in no order in memory (after
// a sort or a join). A row's block of ten or more values spans two cache
// lines, and both are asked for: a value whose place in the block is not at
// hand cannot have its text asked for either. Call it once per row before
// reading the row; only the count rows from rows on are looked at.
inline void prefetchAhead(const QStringList* rows, int count, int row)
{
    constexpr int ListDistance = 4;
    constexpr int TextDistance = 2;
    if (row + ListDistance < count) {
        // A list's one member is the pointer to its block.
        const char* block;
        std::memcpy(&block, &rows[row + ListDistance], sizeof block);
        prefetchLine(block);
        prefetchLine(block + 64);
    }
    if (row + TextDistance < count) {
        for (const QString& value : rows[row + TextDistance])
            prefetchLine(const_cast<QString&>(value).data_ptr());
    }
}
// The same over a whole table.
inline void prefetchAhead(const QVector<QStringList>& rows, int row)
{
    prefetchAhead(rows.constData(), rows.size(), row);
}

// The table that flows between graph items. Every value is text. Copies are
// cheap: the row list and every row are implicitly shared, so a change to a
// copy duplicates only the outer list and the rows actually touched.
class Dataset
{
public:
    using Row = QStringList;

    static constexpr int InvalidIndex = -1;

    Dataset() = default;

    // Value pooling (memory compression): on unless the run optimises for
    // speed. Each Dataset keeps its own choice, so two runs (or two reader
    // threads) never change each other's; it affects values stored from then on.
    void setPooling(bool enabled) { m_pooling = enabled; }
    bool pooling() const { return m_pooling; }

    // Size and access
    int columnCount() const { return m_columnCount; }
    int rowCount() const { return m_rows.size(); }
    bool hasColumns() const { return m_columnCount > 0; }
    bool isEmpty() const { return m_rows.isEmpty(); }
    bool hasRows() const { return !m_rows.isEmpty(); }
    int lastColumn() const { return m_columnCount - 1; }
    int lastRow() const { return m_rows.size() - 1; }
    bool isValidRow(int row) const { return row >= 0 && row < m_rows.size(); }
    bool isValidColumn(int column) const { return column >= 0 && column < m_columnCount; }

    const QString& value(int row, int column) const { return m_rows.at(row).at(column); }
    const Row& row(int row) const { return m_rows.at(row); }
    const QVector<Row>& rows() const { return m_rows; }
    void setValue(int row, int column, const QString& text);
    void setColumnValues(int column, const QStringList& values);
    void setRow(int row, const Row& values);

    // Rows
    void reserveRows(int count);
    // Waits for a released table still being let go (see reserveRows): for
    // a step about to grow or build many rows without reserving them.
    static void finishReleases();
    void appendRow(const Row& values, bool fill = true);
    // Appends a row taken whole or in pieces from other Datasets, exactly as
    // given: its values were pooled where they came from, so hashing them
    // again would only cost time, and the row keeps sharing their storage
    // (an unchanged row shares its whole list). The caller passes exactly
    // column-count values.
    void appendSharedRow(const Row& values) { m_rows.append(values); }
    void appendSharedRow(Row&& values) { m_rows.append(std::move(values)); }
    void addRow(
        const Row& values, bool trim = false, bool normalize = false, bool skipIfEmpty = false);
    void removeRow(int row);
    int removeEmptyRows();
    void setRowCount(int count);
    // Rebuilds the row list from rows already held: row i becomes the row
    // that was at positions[i] (invalid positions are skipped; a position may
    // repeat). Rows are shared, not copied, and skip the value pools, since
    // their values were pooled when first stored. Used to reorder and select
    // rows of large tables cheaply.
    void selectRows(const QVector<int>& positions);

    // Columns
    void setColumnCount(int count);
    void appendColumn();
    void insertColumn(int position, const QString& name = QString());
    void removeColumn(int column);
    void moveColumn(int from, int to);
    QVector<int> emptyColumns() const;
    int removeEmptyColumns();

    // Names and header
    bool hasHeader() const { return m_hasHeader; }
    const QStringList& header() const { return m_header; }
    QString columnName(int column) const;
    QStringList columnNames() const;
    void setHeader(const QStringList& names);
    void setColumnName(int column, const QString& name);
    void setHasHeader(bool flag);
    int columnIndexByName(const QString& name) const;
    static QString defaultColumnName(int column) { return QString::number(column + 1); }

    // Identities
    ColumnId columnId(int column) const;
    int columnIndex(const ColumnId& id) const;
    const QVector<ColumnId>& columnIds() const { return m_columnIds; }
    void setColumnIds(const QVector<ColumnId>& ids);
    void assignColumnIds(qint32 nodeId);
    void makeColumnIdsUnique();

    // Drilldown and verification
    const QMultiMap<CellPos, int>& drilldown() const { return m_drilldown; }
    void addDrilldown(int row, int column, int upstreamRow);
    void clearDrilldown() { m_drilldown.clear(); }
    const VerificationResults& verification() const { return m_verification; }
    VerificationResults& verification() { return m_verification; }
    void clearVerification() { m_verification.clear(); }

    // Whole dataset
    void clear();
    void dropPools() { m_pools.clear(); }
    // The rows, taken out (the table is left with none) so that a caller
    // holding them alone can change them in place, and given back whole:
    // each row must have exactly column-count values.
    QVector<Row> takeRows() { return std::move(m_rows); }
    void adoptRows(QVector<Row>&& rows) { m_rows = std::move(rows); }
    // Lets the rows go and keeps the columns (names, identities), for a
    // table no one will read again.
    void releaseRows();
    bool equals(const Dataset& other) const;
    bool rowContains(int row, const QString& text, Qt::CaseSensitivity cs) const;
    bool nextCell(int& row, int& column) const;
    bool previousCell(int& row, int& column) const;
    QString toDelimitedText(QChar delimiter) const;

    // Column sampling
    bool isNumericColumn(int column, bool ignoreCurrency = true, int sampleRows = 100) const;
    bool isDateColumn(int column, const QStringList& formats, QString* bestFormat = nullptr,
        int sampleValues = 50) const;
    QVector<int> numericColumns(int maximum, bool ignoreCurrency = true) const;

private:
    QString pooled(int column, const QString& text);
    Row pooledRow(const Row& values);
    // Rebuilt at once rather than on the next lookup, so that reading a
    // table never writes to it and two threads may look up the same one.
    void markIdentitiesChanged();

    qint32 m_columnCount = 0;
    QVector<Row> m_rows;
    bool m_hasHeader = false;
    bool m_pooling = true;
    QStringList m_header;
    QVector<ColumnId> m_columnIds;
    QHash<ColumnId, int> m_identityIndex;
    QVector<ColumnPool> m_pools;
    QMultiMap<CellPos, int> m_drilldown;
    VerificationResults m_verification;
};
