#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class InputNode;
class Node;
class OutputNode;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

// The shared plumbing of the Input and Output option forms: widgets report a
// change, the form records one undo step per field in a row, writes the
// options into the item and hands it to the scene as a delayed change.
class IoOptionsForm : public QWidget
{
    Q_OBJECT

public:
    explicit IoOptionsForm(Node* node, QWidget* parent = nullptr);

protected:
    // Copies the widgets into the item.
    virtual void store() = 0;
    void onChanged(const QString& field);
    bool isLoading() const { return m_loading; }
    void setLoading(bool on) { m_loading = on; }

    QComboBox* addCombo(const QString& label, const QStringList& items, const QString& field);
    QCheckBox* addCheck(const QString& label, const QString& field);
    QLineEdit* addLine(const QString& label, const QString& field);
    QSpinBox* addSpin(const QString& label, int minimum, int maximum, const QString& field);
    // A path field with a button that opens a file window.
    QLineEdit* addPath(const QString& label, bool forSaving, const QString& field);
    static QStringList delimiterNames();
    static QStringList encodings();

    QFormLayout* m_form;

private:
    QPointer<Node> m_node;
    QString m_undoField;
    bool m_loading = false;
};

class InputOptionsForm : public IoOptionsForm
{
    Q_OBJECT
public:
    explicit InputOptionsForm(InputNode* node, QWidget* parent = nullptr);
    Q_INVOKABLE void load();

protected:
    void store() override;

private:
    QPointer<InputNode> m_input;
    QLineEdit* m_path = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QComboBox* m_type;
    QComboBox* m_delimiter;
    QLineEdit* m_customDelimiter;
    QComboBox* m_quoting;
    QComboBox* m_encoding;
    QSpinBox* m_ignoreRows;
    QComboBox* m_header;
    QCheckBox* m_trim;
    QCheckBox* m_simplify;
    QCheckBox* m_emptyRows;
    QCheckBox* m_emptyColumns;
    QCheckBox* m_repeated;
    QLineEdit* m_alias;
};

class OutputOptionsForm : public IoOptionsForm
{
    Q_OBJECT
public:
    explicit OutputOptionsForm(OutputNode* node, QWidget* parent = nullptr);
    Q_INVOKABLE void load();

protected:
    void store() override;

private:
    QPointer<OutputNode> m_output;
    QLineEdit* m_path;
    QComboBox* m_type;
    QComboBox* m_writeMode;
    QComboBox* m_delimiter;
    QLineEdit* m_customDelimiter;
    QComboBox* m_quoting;
    QComboBox* m_lineEnding;
    QComboBox* m_encoding;
    QCheckBox* m_bom;
    QCheckBox* m_header;
    QLineEdit* m_alias;
};

// Makes the right pane show these forms for Input and Output items.
void registerIoOptionsForms();
