#pragma once

#include "transforms/parametervalues.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <QWidget>

class TransformParameter;
class QComboBox;

// The types name their options in the case their authors chose ("columns",
// "Change case to"); the form shows them all the same way.
inline QString optionLabel(const QString& label)
{
    if (label.isEmpty() || !label.at(0).isLower())
        return label;
    return label.at(0).toUpper() + label.mid(1);
}

// The widget that edits one transform option. An editor never writes into
// its parameter: it reports a change with edited(), and the owner decides
// what a change means (undo, delayed processing) and stores editedValue().
class ParameterEditor : public QWidget
{
    Q_OBJECT

public:
    explicit ParameterEditor(TransformParameter* parameter, QWidget* parent = nullptr);

    TransformParameter* parameter() const { return m_parameter; }
    // Re-reads the parameter's value and, for column options, the current
    // column names of the bound upstream item. Emits nothing.
    void load();
    // The value the widgets show, in the parameter's value form.
    virtual QVariant editedValue() const = 0;
    // Whether the label is part of the editor itself (a check box).
    virtual bool showsOwnLabel() const { return false; }

signals:
    void edited(ParameterEditor* editor);

protected:
    virtual void loadValue() = 0;
    // Call from the widgets' change signals; silent while loading.
    void notifyEdited();
    bool isLoading() const { return m_loading; }

    // Column choices: every column of the bound upstream item, then the
    // references of the current value that no longer resolve (so that a
    // stale choice is shown rather than silently dropped).
    void collectColumns(const ColumnRefList& current);
    const ColumnRefList& columns() const { return m_columns; }
    QString columnLabel(const ColumnRef& ref) const;
    // Index into columns() of the reference, or -1.
    int columnIndexOf(const ColumnRef& ref) const;
    // A drop-down of columns(), with an optional leading "none" entry whose
    // data is -1; the other entries carry their index into columns().
    void fillColumnCombo(QComboBox* combo, const QString& noneText) const;
    ColumnRef comboColumn(const QComboBox* combo) const;
    void selectComboColumn(QComboBox* combo, const ColumnRef& ref) const;

private:
    TransformParameter* m_parameter;
    ColumnRefList m_columns;
    bool m_loading = false;
};

// One editor per parameter type; null for a type with no editor.
ParameterEditor* createParameterEditor(TransformParameter* parameter, QWidget* parent = nullptr);
