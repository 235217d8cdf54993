#pragma once

#include "core/dataset.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QVector>

// The data grid's view of one Dataset. It keeps a shared copy of the dataset
// (constant time, no rows are copied) and answers every cell from it, so
// scrolling through millions of rows costs nothing up front. A filter hides
// rows or columns through index maps; without a filter there are no maps.
class DataTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int MaxColumns = 100000;
    static constexpr int MaxRows = 10000000;
    // Values longer than this many characters repeat in their tool tip.
    static constexpr int LongValue = 24;

    enum FilterMode { FilterColumnName = 0, FilterRowData = 1, FilterColumnData = 2 };

    explicit DataTableModel(QObject* parent = nullptr);

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

private:
    void rebuildFilter();
    QVariant verification(int row, int column, int role) const;

    Dataset m_dataset;
    bool m_tooBig = false;
    int m_filterMode = FilterColumnName;
    QString m_filterText;
    bool m_rowsFiltered = false;
    bool m_columnsFiltered = false;
    QVector<int> m_rows;
    QVector<int> m_columns;
    bool m_showInvisibles = false;
    QColor m_severityColours[3];
};
