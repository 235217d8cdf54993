#pragma once

#include "core/dataset.h"
#include "transforms/support/valuefrequencies.h"

#include <QAbstractTableModel>
#include <QDialog>

class ExploreProgress;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

// The distinct values of one column with their counts, as a table model
// over the counting result: only the visible rows are ever turned into
// text, so a million distinct values open as fast as ten.
class FrequencyModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { ValueColumn = 0, CountColumn = 1, PercentColumn = 2, BarColumn = 3 };
    // The fraction of the largest count, for the bar.
    static constexpr int BarRole = Qt::UserRole + 1;

    explicit FrequencyModel(QObject* parent = nullptr) : QAbstractTableModel(parent) { }
    void setFrequencies(const ValueFrequencies& frequencies);
    void setFilter(const QString& text);
    const ValueFrequency& frequencyAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    void rebuild();

    ValueFrequencies m_frequencies;
    QVector<int> m_sorted; // positions into the values, in display order
    QVector<int> m_shown; // the sorted positions that pass the filter
    QString m_filter;
    int m_maxCount = 0;
    int m_sortColumn = CountColumn;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
};

// Every distinct value of a chosen column of an item, with its count,
// percent and a bar; sortable, filterable, and case or whitespace blind on
// request. Double-clicking a value asks for the data table to be filtered
// to it.
class ColumnFrequenciesDialog : public QDialog
{
    Q_OBJECT

public:
    ColumnFrequenciesDialog(
        const QString& itemName, const Dataset& data, int column, QWidget* parent = nullptr);

    // Counts again with the current choices; returns when done.
    void recount();

    QComboBox* columnCombo() const { return m_column; }
    QCheckBox* caseSensitiveBox() const { return m_caseSensitive; }
    QCheckBox* whitespaceSensitiveBox() const { return m_whitespaceSensitive; }
    QLineEdit* filterEdit() const { return m_filter; }
    QTableView* table() const { return m_table; }
    FrequencyModel* model() const { return m_model; }
    QLabel* summaryLabel() const { return m_summary; }
    ExploreProgress* progress() const { return m_progress; }

signals:
    void valueChosen(int column, const QString& value);

protected:
    void done(int result) override;

private:
    void onActivated(const QModelIndex& index);

    Dataset m_data; // shares the item's rows; the item may re-run meanwhile
    QComboBox* m_column;
    QCheckBox* m_caseSensitive;
    QCheckBox* m_whitespaceSensitive;
    QLineEdit* m_filter;
    QTableView* m_table;
    FrequencyModel* m_model;
    QLabel* m_summary;
    ExploreProgress* m_progress;
};
