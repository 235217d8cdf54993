#pragma once

#include "core/dataset.h"
#include "transforms/support/keyexploration.h"

#include <QAbstractTableModel>
#include <QDialog>

class ExploreProgress;
class QCheckBox;
class QComboBox;
class QLabel;
class QTableView;
class Transform;

// The explored keys as a table: key, rows on each side, where it occurs.
class KeyModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Which keys are listed.
    enum Show { AllKeys = 0, TopOnly, BottomOnly, InBoth, Duplicates, NearKeys };

    explicit KeyModel(QObject* parent = nullptr) : QAbstractTableModel(parent) { }
    void setKeys(const KeyExploration& keys);
    void setShow(int show);
    const ExploredKey& keyAt(int row) const { return m_keys.keys.at(m_shown.at(row)); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    bool shows(const ExploredKey& key) const;

    KeyExploration m_keys;
    QVector<int> m_shown;
    int m_show = AllKeys;
};

// The keys of a Join, Lookup, Intersect or Subtract item: only top, only
// bottom, in both, duplicated, or differing only in case or whitespace,
// under the item's key columns and case option. Double-clicking a key shows
// its rows from both sides.
class ExploreKeysDialog : public QDialog
{
    Q_OBJECT

public:
    ExploreKeysDialog(
        const QString& itemName, const Transform& transform, QWidget* parent = nullptr);

    void explore();

    QCheckBox* caseSensitiveBox() const { return m_caseSensitive; }
    QComboBox* showCombo() const { return m_show; }
    QTableView* table() const { return m_table; }
    KeyModel* model() const { return m_model; }
    QLabel* summaryLabel() const { return m_summary; }
    ExploreProgress* progress() const { return m_progress; }
    // Opens the rows of the key at a row of the table; returns the dialog.
    QDialog* showRows(int row);

protected:
    void done(int result) override;

private:
    Dataset m_top;
    Dataset m_bottom;
    int m_topColumn = -1;
    int m_bottomColumn = -1;
    QCheckBox* m_caseSensitive;
    QComboBox* m_show;
    QTableView* m_table;
    KeyModel* m_model;
    QLabel* m_summary;
    ExploreProgress* m_progress;
};
