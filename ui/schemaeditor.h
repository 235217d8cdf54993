#pragma once

#include "input/inputsource.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// Edits the columns an Input item expects, in order, with the value each
// gets when a read lacks it, and what to do about missing, misplaced and
// extra columns. OK refuses a schema the reader could not use.
class SchemaEditorDialog : public QDialog
{
    Q_OBJECT

public:
    // currentColumns are the column names of the item's last read, offered
    // as a starting point.
    SchemaEditorDialog(
        const InputSchema& schema, const QStringList& currentColumns, QWidget* parent = nullptr);

    // The schema as edited (names exactly as typed: white space counts).
    InputSchema schema() const;

    QTableWidget* table() const { return m_table; }
    QCheckBox* inUseCheck() const { return m_inUse; }
    QComboBox* missingCombo() const { return m_missing; }
    QComboBox* orderCombo() const { return m_order; }
    QComboBox* extraCombo() const { return m_extra; }
    QPushButton* takeColumnsButton() const { return m_take; }
    QLabel* problemLabel() const { return m_problem; }

    void addColumn(const QString& name = QString(), const QString& missingValue = QString());
    void removeSelectedColumns();
    // Moves the current row one place up (-1) or down (+1).
    void moveCurrentColumn(int step);
    // Replaces the expected columns with those of the last read.
    void takeCurrentColumns();

    void accept() override;

private:
    QWidget* makeButtons();
    void updateButtons();

    QStringList m_currentColumns;
    QCheckBox* m_inUse;
    QTableWidget* m_table;
    QComboBox* m_missing;
    QComboBox* m_order;
    QComboBox* m_extra;
    QPushButton* m_remove = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    QPushButton* m_take = nullptr;
    QLabel* m_problem;
};
