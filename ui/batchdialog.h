#pragma once

#include "batch/batchtable.h"
#include "document/documentinfo.h"

#include <QDialog>
#include <QPointer>

class BatchRun;
class GraphModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTextEdit;

// "Batch Process": a table with a row per run and a column per aliased
// Input, Output and Chart item, the log settings, and the log of the runs.
// The table and the log settings are the document's: every edit is written
// back into them at once and reported as a change of the document.
class BatchDialog : public QDialog
{
    Q_OBJECT

public:
    BatchDialog(GraphModel& scene, DocumentInfo& info, const QString& documentPath,
        QWidget* parent = nullptr);
    ~BatchDialog() override;

    // One log line as the log pane shows it: indents kept, errors in red.
    static QString logHtml(const QString& line, bool error);

    void addRow();
    void removeSelectedRows();
    void clearRows();
    // Runs every row; returns when the batch has ended.
    void process();
    // The batch ends once the run in progress has finished.
    void stopBatch();

    QTableWidget* table() const { return m_table; }
    QTextEdit* logView() const { return m_logView; }
    QLabel* checksLabel() const { return m_checks; }
    QPushButton* processButton() const { return m_process; }
    QPushButton* stopButton() const { return m_stop; }
    QSpinBox* verbosityBox() const { return m_verbosity; }
    QCheckBox* logEnabledCheck() const { return m_logEnabled; }
    QLineEdit* logPathEdit() const { return m_logPath; }
    QComboBox* logModeCombo() const { return m_logMode; }

    // The tips over the table and the text of the Help button.
    QString helpText() const;
    QString helpDetails() const;

signals:
    void documentChanged();

protected:
    void reject() override;

private:
    QWidget* createTableButtons();
    QWidget* createLogSettings();
    QWidget* createOptions();
    bool hasItemColumns() const;
    QString exampleAlias() const;
    void fillTable();
    void onCellChanged(int row, int column);
    void onLoggingChanged();
    void onBrowseLog();
    void onBrowseCell();
    void onHelp();
    void onReported(const QString& line, bool error);
    void setRunning(bool running);
    void storeRows();

    GraphModel& m_scene;
    DocumentInfo& m_info;
    QString m_documentPath;
    QVector<BatchColumn> m_columns;
    QVector<BatchRow> m_rows;
    QPointer<BatchRun> m_run;
    QLabel* m_tips = nullptr;
    QLabel* m_checks = nullptr;
    QTableWidget* m_table = nullptr;
    QTextEdit* m_logView = nullptr;
    QPushButton* m_process = nullptr;
    QPushButton* m_stop = nullptr;
    QList<QWidget*> m_editing;
    QSpinBox* m_verbosity = nullptr;
    QCheckBox* m_logEnabled = nullptr;
    QLineEdit* m_logPath = nullptr;
    QComboBox* m_logMode = nullptr;
    bool m_filling = false;
};
