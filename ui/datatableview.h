#pragma once

#include <QSet>
#include <QVector>
#include <QWidget>

#include <functional>

class Dataset;
class DataTableModel;
class QBoxLayout;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class ProfileStrip;
class QStackedWidget;
class QTableView;
class QTimer;
class QToolButton;

// The data grid with its tools: the eight scroll buttons, the filter, the
// whitespace switch and, for datasets too big to show, the explanation in
// place of the grid.
class DataTableView : public QWidget
{
    Q_OBJECT

public:
    enum ScrollButton {
        ScrollAllLeft,
        ScrollLeft,
        ScrollRight,
        ScrollAllRight,
        ScrollTop,
        ScrollUp,
        ScrollDown,
        ScrollBottom,
        ScrollButtonCount
    };

    explicit DataTableView(QWidget* parent = nullptr);

    void setDataset(const Dataset& dataset);
    DataTableModel* model() const { return m_model; }
    QTableView* tableView() const { return m_table; }
    QToolButton* scrollButton(ScrollButton which) const { return m_scroll[which]; }
    QComboBox* filterModeCombo() const { return m_filterMode; }
    QLineEdit* filterEdit() const { return m_filterText; }
    QToolButton* whitespaceButton() const { return m_whitespace; }
    QLabel* tooBigLabel() const { return m_tooBig; }
    // "x of y rows" (or columns) while a filter hides some.
    QLabel* shownCountLabel() const { return m_shownCount; }
    ProfileStrip* profileStrip() const { return m_profile; }
    QToolButton* profileButton() const { return m_profileButton; }
    // Shows only the rows of a dataset column that pass the test, naming the
    // choice in the filter field; typing there goes back to a text filter.
    void filterByValues(
        int column, const QString& description, const std::function<bool(const QString&)>& test);
    // Empties the filter at once: a filter belongs to the table it was typed
    // for, and the pane clears it when it shows another item.
    void clearFilter();
    // Re-reads the data font and row padding preferences.
    void applyPreferences();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void onScroll(int which);
    void onFilterChanged();
    void applyFilter();
    // Notes the row in view, sets the filter, then shows the count and the row.
    void changeFilter(const std::function<void()>& setFilter);
    QWidget* makeToolRow();
    void fitToolRow();
    void placeProfileStrip();
    void fitColumns();
    // Widens the columns (never narrows them) to the values of the given
    // rows of the view, up to the widest a column is made by itself.
    void widenColumns(const QVector<int>& rows);
    void onScrolledTo();
    void restorePosition();
    void updateShownCount();

    DataTableModel* m_model;
    QTableView* m_table;
    QLabel* m_tooBig;
    QStackedWidget* m_stack;
    QToolButton* m_scroll[ScrollButtonCount] = {};
    QComboBox* m_filterMode;
    QLineEdit* m_filterText;
    QToolButton* m_whitespace;
    QTimer* m_filterDelay;
    QLabel* m_shownCount = nullptr;
    ProfileStrip* m_profile = nullptr;
    QToolButton* m_profileButton = nullptr;
    // The scroll buttons and the filter: side by side when there is room.
    QBoxLayout* m_toolRow = nullptr;
    QHBoxLayout* m_scrollTools = nullptr;
    QHBoxLayout* m_filterTools = nullptr;
    // Columns the user sized by hand keep their width.
    QSet<int> m_userSized;
    // The dataset row (and column) to keep in view across a filter change.
    int m_keptRow = -1;
    int m_keptColumn = 0;
    bool m_sizing = false;
};
