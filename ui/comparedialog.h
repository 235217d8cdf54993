#pragma once

#include "core/dataset.h"
#include "transforms/support/rowdifference.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QPointer>

class ExploreProgress;
class Node;
class QCheckBox;
class QComboBox;
class QLabel;
class QTableView;
class QTableWidget;

// The rows that differ between two datasets, one line per row: added,
// removed, or changed with the changed cells marked. Texts are made only
// for the rows on screen.
class DifferenceModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ChangedRole = Qt::UserRole + 1;

    explicit DifferenceModel(QObject* parent = nullptr) : QAbstractTableModel(parent) { }
    void setDifferences(const Dataset& top, const Dataset& bottom, const RowComparison& comparison,
        const RowDifferences& differences);
    const RowDifference& differenceAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString cellText(const RowDifference& difference, int pair) const;

    Dataset m_top;
    Dataset m_bottom;
    RowComparison m_comparison;
    RowDifferences m_differences;
    QVector<int> m_shown; // positions of the rows that are not unchanged
};

// Two items' headers side by side (in place, moved, renamed, only on one
// side), then their rows matched by a key column or by row number, with the
// added, removed and changed rows counted by the routine the Difference
// transform uses, so both report the same numbers.
class CompareDialog : public QDialog
{
    Q_OBJECT

public:
    CompareDialog(const QList<Node*>& items, Node* top, Node* bottom, QWidget* parent = nullptr);

    void compare();

    QComboBox* topCombo() const { return m_topItem; }
    QComboBox* bottomCombo() const { return m_bottomItem; }
    QComboBox* keyCombo() const { return m_key; }
    QCheckBox* caseSensitiveBox() const { return m_caseSensitive; }
    QTableWidget* headerTable() const { return m_headers; }
    QLabel* headerSummary() const { return m_headerSummary; }
    QTableView* rowTable() const { return m_rows; }
    DifferenceModel* rowModel() const { return m_model; }
    QLabel* rowSummary() const { return m_rowSummary; }
    ExploreProgress* progress() const { return m_progress; }

protected:
    void done(int result) override;

private:
    void onItemsChanged();
    void showHeaders();

    QList<QPointer<Node>> m_items;
    Dataset m_top;
    Dataset m_bottom;
    QComboBox* m_topItem;
    QComboBox* m_bottomItem;
    QComboBox* m_key;
    QCheckBox* m_caseSensitive;
    QTableWidget* m_headers;
    QLabel* m_headerSummary;
    QTableView* m_rows;
    DifferenceModel* m_model;
    QLabel* m_rowSummary;
    ExploreProgress* m_progress;
};
