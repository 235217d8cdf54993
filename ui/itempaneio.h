#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

class Node;
class OutputNode;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The file types an Input item can read, in the order the lists show them.
QList<int> inputFileTypes();

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
    enum PathKind { OpenFile, SaveFile, OpenFolder };
    // A path field with a button that opens a file or folder window.
    QLineEdit* addPath(const QString& label, PathKind kind, const QString& field);
    // A row of buttons that change nothing by themselves.
    QList<QPushButton*> addButtons(const QStringList& texts);
    // A row of the form: with a label, or without one either spanning the
    // form or beside the other labels.
    void addFormRow(const QString& label, QWidget* field, bool besideLabels = false);
    // Whether a whole row, label included, is to be shown; w is the field or
    // any widget inside it. Takes effect with applyRowVisibility().
    void setRowVisible(QWidget* w, bool visible);
    void applyRowVisibility();
    static void selectData(QComboBox* combo, const QVariant& data);
    static QStringList delimiterNames();
    static QStringList encodings();

    QFormLayout* m_form;

private:
    struct FormRow
    {
        QWidget* label = nullptr;
        QWidget* field = nullptr;
        bool besideLabels = false;
        bool wanted = true;
        bool shown = true;
    };

    QList<FormRow> m_rows;
    QPointer<Node> m_node;
    QString m_undoField;
    bool m_loading = false;
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
    void updateRows(int fileType);

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
    QComboBox* m_sheetMode;
    QComboBox* m_formatting;
    QCheckBox* m_useTemplate;
    QLineEdit* m_template;
    QLineEdit* m_alias;
};

// Makes the right pane show these forms for Input and Output items.
void registerIoOptionsForms();
