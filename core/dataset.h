#pragma once

#include "core/columnid.h"
#include "core/textcolumn.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstring>
#include <functional>

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

// The table that flows between graph items. Every value is text, kept by
// column (see TextColumn): a repeating column keeps each distinct text once,
// the others keep their texts compactly, one byte per character where it
// can. Copies are cheap: every column is implicitly shared, so a change to a
// copy duplicates only the columns it touches.
class Dataset
{
public:
    using Row = QStringList;

    static constexpr int InvalidIndex = -1;

    Dataset() = default;

    // Value pooling (memory compression): on unless the run optimises for
    // speed. Each Dataset keeps its own choice, so two runs (or two reader
    // threads) never change each other's; it affects columns made from then
    // on.
    void setPooling(bool enabled) { m_pooling = enabled; }
    bool pooling() const { return m_pooling; }

    // Size and access
    int columnCount() const { return m_columnCount; }
    // By column, whether it keeps plain texts rather than codes of repeated ones.
    QVector<bool> plainColumns() const;
    int rowCount() const { return m_rowCount; }
    bool hasColumns() const { return m_columnCount > 0; }
    bool isEmpty() const { return m_rowCount == 0; }
    bool hasRows() const { return m_rowCount > 0; }
    int lastColumn() const { return m_columnCount - 1; }
    int lastRow() const { return m_rowCount - 1; }
    bool isValidRow(int row) const { return row >= 0 && row < m_rowCount; }
    bool isValidColumn(int column) const { return column >= 0 && column < m_columnCount; }

    QString value(int row, int column) const { return m_columns.at(column).value(row); }
    // A cell's text without a copy of its own, for loops over many cells:
    // the stored text, or scratch filled with it (see TextColumn::text).
    const QString& text(int row, int column, QString& scratch) const
    {
        return m_columns.at(column).text(row, scratch);
    }
    // The shared text of a cell of a repeating column, the same storage for
    // every cell with that value (a key for caches of per-value results);
    // null for a column of mostly different values.
    const QString* storedText(int row, int column) const
    {
        return m_columns.at(column).storedText(row);
    }
    const TextColumn& column(int column) const { return m_columns.at(column); }
    // The row's values as a list of their own.
    Row row(int row) const;
    // Every row so, for small tables.
    QVector<Row> rowLists() const;
    // Whether every column shares its storage with the other's (a copy not
    // changed since).
    bool sharesStorageWith(const Dataset& other) const;
    void setValue(int row, int column, const QString& text);
    void setColumnValues(int column, const QStringList& values);
    void setRow(int row, const Row& values);

    // Rows
    void reserveRows(int count);
    // Appends a row: longer ones are cut to the column count, shorter ones
    // filled with empty values.
    void appendRow(const Row& values);
    // The same for a row of a reader's value pools, whose equal values share
    // their storage (see TextColumn::appendPooled).
    void appendPooledRow(const Row& values);
    // Every row of other, whose columns are taken in order (missing ones
    // empty, extra ones left out); texts are shared where they can be.
    void appendRows(const Dataset& other);
    void addRow(
        const Row& values, bool trim = false, bool normalize = false, bool skipIfEmpty = false);
    void removeRow(int row);
    int removeEmptyRows();
    void setRowCount(int count);
    // Rebuilds the rows from rows already held: row i becomes the row that
    // was at positions[i] (invalid positions are skipped; a position may
    // repeat). Used to reorder and select rows of large tables cheaply.
    void selectRows(const QVector<int>& positions);
    // Appends rows made of rows of two tables side by side: row i is row
    // topRows[i] of top followed by the bottomColumns of row bottomRows[i]
    // of bottom, a negative row number giving empty cells. The table's
    // columns are those of top and then those bottomColumns.
    void appendJoinedRows(const Dataset& top, const QVector<int>& topRows, const Dataset& bottom,
        const QVector<int>& bottomColumns, const QVector<int>& bottomRows);

    // Columns
    void setColumnCount(int count);
    // The same, telling added(n) of the n empty values each new column
    // takes; false from it stops, the table left with the columns made so
    // far (false).
    bool setColumnCount(int count, const std::function<bool(int)>& added);
    void appendColumn();
    // Takes columns filled elsewhere (by a reader), each of rowCount rows, as
    // the table's cells.
    void setColumns(QVector<TextColumn> columns, int rowCount);
    // An empty column made to keep plain texts from the start, for values
    // known to hardly repeat.
    void keepPlainTexts(int column);
    // A column added after the others with the values given (missing ones
    // empty).
    void appendColumnValues(const QVector<QString>& values);
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
    // The bytes the columns hold (texts, codes, places).
    qint64 bytesUsed() const;
    // Lets go of the look-up tables the columns keep to add values, and of
    // the room kept for more.
    void dropPools();
    // Lets the rows go and keeps the columns (names, identities), for a
    // table no one will read again.
    void releaseRows();
    // Hands every row to the table returned, which takes the columns' storage
    // as it is, and keeps the columns (names, identities, whether each keeps
    // plain texts) with no rows: a read passes its rows on in blocks so.
    Dataset takeRows();
    bool equals(const Dataset& other) const;
    // The same values in the same places, whatever the column names.
    bool sameValues(const Dataset& other) const;
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
    TextColumn newColumn() const { return TextColumn(m_pooling); }
    template <typename Append> void appendCells(const Row& values, Append append);
    bool gatherLocally(const QVector<int>& rows);
    void insertColumnOf(int position, const TextColumn& column, const QString& name);
    // Rebuilt at once rather than on the next lookup, so that reading a
    // table never writes to it and two threads may look up the same one.
    void markIdentitiesChanged();

    qint32 m_columnCount = 0;
    qint32 m_rowCount = 0;
    QVector<TextColumn> m_columns;
    bool m_hasHeader = false;
    bool m_pooling = true;
    QStringList m_header;
    QVector<ColumnId> m_columnIds;
    QHash<ColumnId, int> m_identityIndex;
    QMultiMap<CellPos, int> m_drilldown;
    VerificationResults m_verification;
};

// Reads a table's rows one after another without copying their texts: a
// cell of a repeating column is the stored text, any other is made in a text
// of the reader's own, reused from row to row (a writer of a million rows
// then allocates nothing per cell). What at() gives lasts until the next
// setRow().
class RowReader
{
public:
    enum Flag {
        // A cell kept one byte a character is made a text only when asked
        // for (see narrowAt).
        NarrowBytes = 1,
        // The texts of a repeating column are not fetched ahead, for a
        // reader that mostly needs their codes (see codeAt).
        ByCode = 2,
    };
    // Rows from to to (all by default) are the ones the reader will be set
    // to, most of them in order.
    explicit RowReader(const Dataset& data, int flags = 0, int from = 0, int to = -1);
    void setRow(int row)
    {
        m_row = row;
        for (int c = 0; c < m_cells.size(); ++c) {
            const TextColumn& column = m_data.column(c);
            const Column kind = m_kinds[size_t(c)];
            if (kind.fetchesAhead) {
                column.prefetchEntry(row + 2 * Ahead);
                column.prefetch(row + Ahead);
            }
            m_narrow[size_t(c)]
                = !kind.coded && !m_bytes.empty() && column.narrowText(row, &m_bytes[size_t(c)]);
            // A code is all most cells of a repeating column are read by.
            m_cells[c] = m_narrow[size_t(c)] || (m_byCode && kind.coded)
                ? nullptr
                : &m_data.text(row, c, m_scratch[c]);
        }
    }
    int size() const { return m_cells.size(); }
    // Without making the cell's text, which a reader of bytes or codes
    // may not have made.
    bool isEmptyAt(int column) const { return m_data.column(column).isEmpty(m_row); }
    const QString& at(int column) const
    {
        const QString* cell = m_cells.at(column);
        return cell ? *cell : m_data.text(m_row, column, m_scratch[column]);
    }
    // The characters of a cell kept one byte each (Latin-1), when the
    // reader was made to give them so; false otherwise.
    bool narrowAt(int column, std::string_view* chars) const
    {
        if (!m_narrow[size_t(column)])
            return false;
        *chars = m_bytes[size_t(column)];
        return true;
    }
    // The cell's code in a repeating column, the same for every cell of
    // the value (see TextColumn::code); false in a column of plain texts.
    bool codeAt(int column, quint32* code) const
    {
        if (!m_kinds[size_t(column)].coded)
            return false;
        *code = m_data.column(column).code(m_row);
        return true;
    }
    int codeCount(int column) const { return m_data.column(column).codeCount(); }

private:
    // Rows ahead whose texts are asked for (see TextColumn::prefetch).
    static constexpr int Ahead = 6;

    // What the reader knows of a column from the start.
    struct Column
    {
        bool coded = false;
        // Its texts are asked for ahead: they do not lie in row order, and
        // are read as texts.
        bool fetchesAhead = false;
    };

    const Dataset& m_data;
    const bool m_byCode;
    std::vector<Column> m_kinds;
    // Whether a column's cell of this row is in m_bytes.
    std::vector<char> m_narrow;
    int m_row = 0;
    // Filled when a cell is read (see at()).
    mutable QVector<QString> m_scratch;
    QVector<const QString*> m_cells;
    // A place per column when cells kept in bytes are given so.
    std::vector<std::string_view> m_bytes;
};
