#pragma once

#include "ui/editors/rowtableeditor.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QToolButton;

// One column: a drop-down of the upstream columns led by the none text, with
// a filter field that narrows the drop-down for wide datasets.
class SingleColumnEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit SingleColumnEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QComboBox* comboBox() const { return m_combo; }
    QLineEdit* filterEdit() const { return m_filter; }

protected:
    void loadValue() override;

private:
    void onFilterChanged(const QString& text);
    QLineEdit* m_filter;
    QComboBox* m_combo;
};

// The list-valued column options. Multiple columns: check the wanted columns
// and drag them into order. Checked columns: every upstream column with its
// check state. Reorder columns: every upstream column, dragged into order.
// The ordered lists also have buttons that move the selected column, for
// those who would rather not drag.
class ColumnListEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit ColumnListEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QListWidget* listWidget() const { return m_list; }
    // Null for checked columns, whose order is the upstream order.
    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

protected:
    void loadValue() override;

private:
    void addItem(int columnIndex, bool checked);
    void setAllChecked(bool checked);
    void moveCurrent(int step);
    bool isCheckable() const;
    bool isOrdered() const;
    void fitHeight();
    void keepShownOrder(const QStringList& shown);
    QListWidget* m_list;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    bool m_moving = false;
};

// Sort columns (column and direction) and ordered columns (column only).
class SortColumnsEditor : public RowTableEditor
{
    Q_OBJECT
public:
    explicit SortColumnsEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;

protected:
    void loadValue() override;
    void createRow(int row) override;
    QVariantList rowData(int row) const override;
    void setRowData(int row, const QVariantList& data) override;

private:
    bool m_withDirection;
};

// Every upstream column with a field for its new name.
class RenameColumnsEditor : public RowTableEditor
{
    Q_OBJECT
public:
    explicit RenameColumnsEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;

protected:
    void loadValue() override;
    void createRow(int row) override;
    QVariantList rowData(int row) const override;
    void setRowData(int row, const QVariantList& data) override;
};

// Every upstream column with what to do with it when rows are grouped.
class UniqueColumnsEditor : public RowTableEditor
{
    Q_OBJECT
public:
    explicit UniqueColumnsEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    static QStringList aggregationNames();

protected:
    void loadValue() override;
    void createRow(int row) override;
    QVariantList rowData(int row) const override;
    void setRowData(int row, const QVariantList& data) override;
};
