#pragma once

#include "core/dataset.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>
#include <thread>

// The data grid's view of one Dataset. It keeps a shared copy of the dataset
// (constant time, no rows are copied) and answers every cell from it, so
// scrolling through millions of rows costs nothing up front. A filter hides
// rows or columns through index maps; without a filter there are no maps.
// Filtering by the values of a big table reads every cell, so it is worked
// out on other threads while the grid stays usable; until it is done the
// grid shows the table unfiltered.
class DataTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int MaxColumns = 100000;
    static constexpr int MaxRows = 10000000;
    // Values longer than this many characters repeat in their tool tip.
    static constexpr int LongValue = 24;

    enum FilterMode { FilterColumnName = 0, FilterRowData = 1, FilterColumnData = 2 };

    // Above this many cells a filter by values is worked out in the background.
    static constexpr qint64 BackgroundCells = 1000000;

    explicit DataTableModel(QObject* parent = nullptr);
    ~DataTableModel() override;

    void setDataset(const Dataset& dataset);
    const Dataset& dataset() const { return m_dataset; }
    // Why a dataset is not shown; empty when it fits the grid.
    static QString tooBigMessage(int columns, int rows);
    bool isTooBig() const { return m_tooBig; }
    QString tooBigMessage() const
    {
        return tooBigMessage(m_dataset.columnCount(), m_dataset.rowCount());
    }

    // Hides what does not contain the text, ignoring case; an empty text
    // shows everything. The dataset itself is never changed.
    void setFilter(int mode, const QString& text);
    int filterMode() const { return m_filterMode; }
    QString filterText() const { return m_filterText; }
    // Shows only the rows whose value in one dataset column passes the test
    // (a value or a bar of the column's profile, clicked): it replaces the
    // text filter until setFilter() is called again. The test runs on a
    // worker thread for a big table, so it must own what it reads.
    using ValueTest = std::function<bool(const QString&)>;
    void setValueFilter(int column, const ValueTest& test);
    int valueFilterColumn() const { return m_valueColumn; }
    // Whether a filter is still being worked out in the background.
    bool isFiltering() const { return m_worker.joinable(); }
    // A view-only order by one column (as a Sort item would order it); the
    // dataset itself is never changed. A negative column shows the rows in
    // their own order again.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    void setShowInvisibles(bool on);
    bool showInvisibles() const { return m_showInvisibles; }

    // The dataset position of a shown row or column.
    int sourceRow(int row) const;
    int sourceColumn(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // A filter worked out in the background is now shown.
    void filterApplied();

private:
    struct Shown
    {
        QVector<int> rows;
        QVector<int> columns;
        bool rowsMapped = false;
        bool columnsMapped = false;
    };
    // What the grid shows and in which order: a filter, then a sort.
    struct Arrangement
    {
        int mode = FilterColumnName;
        QString text;
        int sortColumn = -1; // a dataset column
        bool descending = false;
        int valueColumn = -1;
        ValueTest test;
    };
    static Shown shownBy(
        const Dataset& data, int mode, const QString& text, const std::atomic<bool>& cancel);
    static Shown arrange(
        const Dataset& data, const Arrangement& arrangement, const std::atomic<bool>& cancel);
    Arrangement arrangement() const;
    void show(Shown&& shown);
    void rebuildFilter();
    void filterInBackground();
    void stopFiltering();
    QVariant verification(int row, int column, int role) const;

    Dataset m_dataset;
    bool m_tooBig = false;
    int m_filterMode = FilterColumnName;
    QString m_filterText;
    int m_valueColumn = -1;
    ValueTest m_valueTest;
    bool m_rowsFiltered = false;
    bool m_columnsFiltered = false;
    QVector<int> m_rows;
    QVector<int> m_columns;
    bool m_showInvisibles = false;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // Which filter is current: a background result of an older one is dropped.
    int m_filterGeneration = 0;
    std::atomic<bool> m_cancel { false };
    std::thread m_worker;
    QColor m_severityColours[3];
};
