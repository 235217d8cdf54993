#pragma once

#include "ui/editors/rowtableeditor.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

// The 21 condition operators shared by the filter and if editors, in their
// stored order.
QStringList conditionOperatorTexts();

// Keep or remove rows matching all or any of a list of terms.
class FilterTermsEditor : public RowTableEditor
{
    Q_OBJECT
public:
    explicit FilterTermsEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QComboBox* keepRemoveCombo() const { return m_keepRemove; }
    QComboBox* allAnyCombo() const { return m_allAny; }

protected:
    void loadValue() override;
    void createRow(int row) override;
    QVariantList rowData(int row) const override;
    void setRowData(int row, const QVariantList& data) override;

private:
    QComboBox* m_keepRemove;
    QComboBox* m_allAny;
};

// The IF / ELSE IF / ELSE chain: one row per condition; a row marked "AND"
// adds a condition to the branch above, any other row starts a branch with
// its THEN value.
class IfEditor : public RowTableEditor
{
    Q_OBJECT
public:
    explicit IfEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QLineEdit* elseEdit() const { return m_else; }
    // Marks a row (not the first) as a further condition of the branch above.
    void setRowJoinsAbove(int row, bool joins);

protected:
    void loadValue() override;
    void createRow(int row) override;
    QVariantList rowData(int row) const override;
    void setRowData(int row, const QVariantList& data) override;
    void rowsChanged() override;

private:
    void updateRowLabel(int row, bool joins);
    QLineEdit* m_else;
};

class ReplaceTermsEditor : public RowTableEditor
{
    Q_OBJECT
public:
    explicit ReplaceTermsEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;

protected:
    void loadValue() override;
    void createRow(int row) override;
    QVariantList rowData(int row) const override;
    void setRowData(int row, const QVariantList& data) override;
};

class SplitRowsEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit SplitRowsEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QComboBox* modeCombo() const { return m_mode; }
    QLineEdit* textEdit() const { return m_text; }
    QSpinBox* timesSpin() const { return m_times; }
    QSpinBox* everySpin() const { return m_every; }

protected:
    void loadValue() override;

private:
    void updateEnabled();
    QComboBox* m_mode;
    QLineEdit* m_text;
    QSpinBox* m_times;
    QSpinBox* m_every;
};
