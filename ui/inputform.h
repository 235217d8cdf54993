#pragma once

#include "input/inputsource.h"
#include "ui/itempaneio.h"

class InputNode;
struct InputOptions;
class QLabel;
class QPlainTextEdit;

// The options of an Input item. Every field exists from the start; only
// those that apply to the item's source, file type and meta information
// placement are shown.
class InputOptionsForm : public IoOptionsForm
{
    Q_OBJECT

public:
    explicit InputOptionsForm(InputNode* node, QWidget* parent = nullptr);
    Q_INVOKABLE void load();

    // What the "Edit..." button does after the schema editor's OK.
    void changeSchema(const InputSchema& schema);
    // What the encoding guess's OK does: sets the Encoding option.
    void chooseEncoding(const QString& name);
    // What the folder dialog's OK does: points the item at a folder (a file
    // input becomes a folder input).
    void changeFolder(const QString& folder, const QString& fileMatch, const QString& sheetMatch,
        bool recurse, int fileType);

protected:
    void store() override;

private:
    void buildSourceRows();
    void buildTextRows();
    void buildRowRows();
    void buildMetaRows();
    QWidget* makeSchemaRow();
    void loadTextOptions(const InputOptions& o);
    void storeSource(InputOptions* o);
    void storeTextOptions(InputOptions* o);
    void updateRows();
    void updateSchemaSummary();
    void onEditSchema();
    void onChooseFolder();
    void onGuessEncoding();

    QPointer<InputNode> m_input;
    // Set between the folder dialog's OK and the store that follows it.
    bool m_switchToFolder = false;
    InputSchema m_schema;

    QLineEdit* m_path;
    QLineEdit* m_worksheet;
    QCheckBox* m_watching;
    QPushButton* m_readFolder;
    QLineEdit* m_folder;
    QLineEdit* m_fileMatch;
    QLineEdit* m_sheetMatch;
    QCheckBox* m_recurse;
    QPushButton* m_changeFolder;
    QPlainTextEdit* m_text;
    QComboBox* m_type;
    QComboBox* m_delimiter;
    QLineEdit* m_customDelimiter;
    QCheckBox* m_repeated;
    QComboBox* m_quoting;
    QComboBox* m_columns;
    QLineEdit* m_widths;
    QPlainTextEdit* m_widthsPreview;
    QComboBox* m_layout;
    QComboBox* m_encoding;
    QPushButton* m_guessEncoding;
    QSpinBox* m_ignoreRows;
    QComboBox* m_header;
    QCheckBox* m_trim;
    QCheckBox* m_simplify;
    QCheckBox* m_emptyRows;
    QCheckBox* m_emptyColumns;
    QCheckBox* m_hiddenRows;
    QCheckBox* m_hiddenColumns;
    QComboBox* m_meta;
    QLineEdit* m_metaText;
    QLineEdit* m_metaColumn;
    QCheckBox* m_schemaInUse;
    QLabel* m_schemaSummary;
    QPushButton* m_editSchema;
    QLineEdit* m_alias;
};
