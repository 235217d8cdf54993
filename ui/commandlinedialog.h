#pragma once

#include "batch/commandlinecomposer.h"

#include <QDialog>

class GraphModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

// Shows the shell command (or script) that runs the current document
// without the window, with the warnings about what it would ignore, and
// lets the user copy it or save the script.
class CommandLineDialog : public QDialog
{
    Q_OBJECT

public:
    CommandLineDialog(const GraphModel* scene, const QString& documentPath, bool unsavedChanges,
        QWidget* parent = nullptr);

    ComposerChoices choices() const;
    QComboBox* targetCombo() const { return m_target; }
    QComboBox* loopAliasCombo() const { return m_loopAlias; }
    QLineEdit* loopFolderEdit() const { return m_loopFolder; }
    QCheckBox* loopCheck() const { return m_loop; }
    QPlainTextEdit* textEdit() const { return m_text; }
    QLabel* warningsLabel() const { return m_warnings; }

private:
    QWidget* makeLoopBox();
    void onChanged();
    void onBrowseLog();
    void onBrowseFolder();
    void onSaveScript();

    const GraphModel* m_scene;
    QString m_documentPath;
    bool m_unsaved;
    QComboBox* m_target = nullptr;
    QComboBox* m_verbosity = nullptr;
    QLineEdit* m_log = nullptr;
    QCheckBox* m_overwrite = nullptr;
    QCheckBox* m_loop = nullptr;
    QComboBox* m_loopAlias = nullptr;
    QLineEdit* m_loopFolder = nullptr;
    QLineEdit* m_loopPattern = nullptr;
    QSpinBox* m_pause = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QLabel* m_warnings = nullptr;
};
