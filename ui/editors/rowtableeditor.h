#pragma once

#include "ui/editors/parametereditor.h"

#include <QVariantList>

class QComboBox;
class QLineEdit;
class QTableWidget;
class QToolButton;

// The common form of the list-valued editors: a table whose rows are made of
// drop-downs and text fields, with buttons to add, remove and move rows. A
// row's content travels as a QVariantList so that moving needs no knowledge
// of the columns.
class RowTableEditor : public ParameterEditor
{
    Q_OBJECT

public:
    RowTableEditor(
        TransformParameter* parameter, const QStringList& headers, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }
    int rowCount() const;
    // Appends an empty row (as the add button does) and returns its index.
    int appendRow();
    void removeRow(int row);
    void moveRow(int from, int to);

protected:
    // Creates the widgets of a new row.
    virtual void createRow(int row) = 0;
    virtual QVariantList rowData(int row) const = 0;
    virtual void setRowData(int row, const QVariantList& data) = 0;
    // Called after rows were added, removed or moved (the If table relabels).
    virtual void rowsChanged() { }
    // Whether the buttons may add or remove rows (tables of every upstream
    // column only edit in place).
    void setRowsFixed(bool fixed);
    // Columns as wide as their content, the last one taking what is left;
    // in a narrow pane the table scrolls sideways rather than cut the
    // choices short. For tables with more columns than a pane holds.
    void setColumnsFitContent();
    // Makes the table hold count rows, keeping the widgets of the rows it
    // has; the caller sets every row's data after.
    void resetRows(int count);

    QComboBox* makeCombo(int row, int column, const QStringList& items);
    QComboBox* makeColumnCombo(int row, int column, const QString& noneText);
    QLineEdit* makeEdit(int row, int column);
    QComboBox* comboAt(int row, int column) const;
    QLineEdit* editAt(int row, int column) const;
    ColumnRef columnAt(int row, int column) const;

private:
    void onAdd();
    void onRemove();
    void onMove(int step);
    void adjustHeight();
    void fitColumns();

    QTableWidget* m_table;
    QToolButton* m_add;
    QToolButton* m_remove;
    QToolButton* m_up;
    QToolButton* m_down;
    bool m_fitContent = false;
};
