#pragma once

#include "ui/editors/parametereditor.h"

#include <QLineEdit>
#include <QPlainTextEdit>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

class BoolEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit BoolEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    bool showsOwnLabel() const override { return true; }
    QCheckBox* checkBox() const { return m_check; }

protected:
    void loadValue() override;

private:
    QCheckBox* m_check;
};

class SelectionEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit SelectionEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QComboBox* comboBox() const { return m_combo; }

protected:
    void loadValue() override;

private:
    QComboBox* m_combo;
};

class TextEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit TextEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QLineEdit* lineEdit() const { return m_edit; }

protected:
    void loadValue() override;

private:
    QLineEdit* m_edit;
};

class IntEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit IntEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QSpinBox* spinBox() const { return m_spin; }

protected:
    void loadValue() override;

private:
    QSpinBox* m_spin;
};

class RealEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit RealEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QDoubleSpinBox* spinBox() const { return m_spin; }

protected:
    void loadValue() override;

private:
    QDoubleSpinBox* m_spin;
};

// A line edit that holds one character. Space and tab are invisible in a
// field, so they show as "<Space>" and "<Tab>"; the tab key enters a tab
// instead of moving the focus.
class CharLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CharLineEdit(QWidget* parent = nullptr);
    QChar character() const { return m_char; }
    void setCharacter(QChar c);
    static QString displayText(QChar c);

signals:
    void characterEdited(QChar c);

protected:
    bool event(QEvent* event) override;

private:
    void onTextEdited(const QString& text);
    QChar m_char;
};

class CharEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit CharEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    CharLineEdit* charEdit() const { return m_edit; }

protected:
    void loadValue() override;

private:
    CharLineEdit* m_edit;
};

// A plain text editor in a fixed-pitch font with line numbers in a margin,
// so that script errors reported by line can be found.
class CodeEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit CodeEdit(QWidget* parent = nullptr);
    int lineNumberWidth() const;
    void paintLineNumbers(QPaintEvent* event);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void onBlockCountChanged();
    void onUpdateRequest(const QRect& rect, int dy);
    QWidget* m_margin;
};

class ScriptEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit ScriptEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    CodeEdit* codeEdit() const { return m_edit; }

protected:
    void loadValue() override;

private:
    void onHelp();
    CodeEdit* m_edit;
};

class LongTextEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit LongTextEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QPlainTextEdit* textEdit() const { return m_edit; }

protected:
    void loadValue() override;

private:
    QPlainTextEdit* m_edit;
};

class LabelEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit LabelEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override { return QVariant(); }
    bool showsOwnLabel() const override { return true; }

protected:
    void loadValue() override;

private:
    QLabel* m_label;
};

class DateEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit DateEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QDateEdit* dateEdit() const { return m_edit; }

protected:
    void loadValue() override;

private:
    QDateEdit* m_edit;
};

// Fills a drop-down with every locale the toolkit knows, by display name,
// each carrying its name ("de_DE"); the first entry (empty name) stands for the
// system locale.
void fillLocaleCombo(QComboBox* combo);

// The first entry stands for the system locale (a null value); the others
// are every locale the toolkit knows, by display name.
class LocaleEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit LocaleEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QComboBox* comboBox() const { return m_combo; }
    static QString localeText(const QLocale& locale);

protected:
    void loadValue() override;

private:
    QComboBox* m_combo;
};
