#pragma once

#include <QDialog>
#include <QStringList>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// "Folder To Input": where a folder input reads from, with a live list of
// the files the settings match, as the reader itself would list them
// (empty and blocked files left out). OK stays off while nothing would be
// read, with the reason underneath.
class FolderInputDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FolderInputDialog(QWidget* parent = nullptr);

    void setValues(const QString& folder, const QString& fileMatch, const QString& sheetMatch,
        bool recurse, int fileType);
    QString folder() const;
    QString fileMatch() const;
    QString sheetMatch() const;
    bool recurse() const;
    int fileType() const;

    // Lists the matches now rather than after the pause that follows typing.
    void refresh();
    const QStringList& matchedFiles() const { return m_matched; }

    QLineEdit* folderEdit() const { return m_folder; }
    QLineEdit* fileMatchEdit() const { return m_fileMatch; }
    QLineEdit* sheetMatchEdit() const { return m_sheetMatch; }
    QCheckBox* recurseCheck() const { return m_recurse; }
    QComboBox* typeCombo() const { return m_type; }
    QTableWidget* matchTable() const { return m_table; }
    QLabel* summaryLabel() const { return m_summary; }
    QLabel* problemLabel() const { return m_problem; }
    QPlainTextEdit* notesView() const { return m_notes; }
    QPushButton* okButton() const { return m_ok; }

private:
    QFormLayout* makeFields();
    QWidget* makeFolderRow();
    void onEdited();
    void onFileMatchEdited();
    void onBrowse();
    void fillTable();
    // The reason nothing can be read, or empty.
    QString blockingProblem() const;
    // Advice that does not stop the dialog.
    QStringList hints() const;
    void showSummary(int skipped);

    QLineEdit* m_folder;
    QLineEdit* m_fileMatch;
    QLineEdit* m_sheetMatch;
    QCheckBox* m_recurse;
    QComboBox* m_type;
    QTableWidget* m_table;
    QLabel* m_summary;
    QLabel* m_problem;
    QPlainTextEdit* m_notes;
    QPushButton* m_ok;
    QTimer m_relist;
    QStringList m_matched;
    // Once the user picks a type, the file match no longer decides it.
    bool m_typeChosen = false;
};
