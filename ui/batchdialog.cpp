#include "ui/batchdialog.h"

#include "batch/batchrun.h"
#include "graph/graphcopy.h"
#include "graph/graphmodel.h"
#include "graph/node.h"
#include "ui/windowsettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>

BatchDialog::BatchDialog(
    GraphModel& scene, DocumentInfo& info, const QString& documentPath, QWidget* parent)
    : QDialog(parent),
      m_scene(scene),
      m_info(info),
      m_documentPath(documentPath),
      m_columns(BatchTable::columnsWithRecord(scene)),
      m_rows(BatchTable::rowsFromValues(info.batchValues))
{
    setWindowTitle(tr("Batch Process"));
    auto* layout = new QVBoxLayout(this);
    m_tips = new QLabel(helpText(), this);
    m_tips->setWordWrap(true);
    m_tips->setVisible(WindowSettings::instance().batchShowTips());
    layout->addWidget(m_tips);
    QStringList checks = BatchTable::checks(scene);
    if (!hasItemColumns())
        checks.prepend(tr("No Input, Output or Chart item of this document has an alias, so the "
                          "table has no column for a file. An alias names an item for batch "
                          "runs and the command line: set the Alias option of the items whose "
                          "files change from run to run, and each gets a column here."));
    m_checks = new QLabel(checks.join(QLatin1Char('\n')), this);
    m_checks->setStyleSheet(QStringLiteral("color: #b35900;"));
    m_checks->setVisible(!checks.isEmpty());
    layout->addWidget(m_checks);
    layout->addWidget(createTableButtons());

    m_table = new QTableWidget(this);
    m_table->setColumnCount(m_columns.size());
    QStringList headings;
    for (const BatchColumn& c : qAsConst(m_columns))
        headings << c.heading;
    m_table->setHorizontalHeaderLabels(headings);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_logView = new QTextEdit(this);
    m_logView->setReadOnly(true);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_table);
    splitter->addWidget(m_logView);
    layout->addWidget(splitter, 1);
    layout->addWidget(createLogSettings());
    layout->addWidget(createOptions());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &BatchDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &BatchDialog::onHelp);
    layout->addWidget(buttons);

    fillTable();
    connect(m_table, &QTableWidget::cellChanged, this, &BatchDialog::onCellChanged);
    setRunning(false);
    resize(900, 640);
}

BatchDialog::~BatchDialog() = default;

QWidget* BatchDialog::createTableButtons()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    const QList<QPair<QString, void (BatchDialog::*)()>> actions {
        { tr("Add Row"), &BatchDialog::addRow },
        { tr("Remove Rows"), &BatchDialog::removeSelectedRows },
        { tr("Clear All"), &BatchDialog::clearRows },
        { tr("Browse..."), &BatchDialog::onBrowseCell },
    };
    for (const auto& action : actions) {
        auto* button = new QPushButton(action.first, bar);
        connect(button, &QPushButton::clicked, this, action.second);
        row->addWidget(button);
        m_editing << button;
    }
    row->addStretch(1);
    m_process = new QPushButton(tr("Process"), bar);
    m_stop = new QPushButton(tr("Stop"), bar);
    connect(m_process, &QPushButton::clicked, this, &BatchDialog::process);
    connect(m_stop, &QPushButton::clicked, this, &BatchDialog::stopBatch);
    row->addWidget(m_process);
    row->addWidget(m_stop);
    return bar;
}

QWidget* BatchDialog::createLogSettings()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Verbosity:"), box));
    m_verbosity = new QSpinBox(box);
    m_verbosity->setRange(0, 4);
    m_verbosity->setValue(qBound(0, m_info.batchLogging.verbosity, 4));
    row->addWidget(m_verbosity);
    m_logEnabled = new QCheckBox(tr("Log to file:"), box);
    m_logEnabled->setChecked(m_info.batchLogging.enabled);
    row->addWidget(m_logEnabled);
    m_logPath = new QLineEdit(m_info.batchLogging.path, box);
    m_logPath->setPlaceholderText(tr("log file, may hold {date} and the other variables"));
    row->addWidget(m_logPath, 1);
    auto* browse = new QPushButton(tr("..."), box);
    connect(browse, &QPushButton::clicked, this, &BatchDialog::onBrowseLog);
    row->addWidget(browse);
    m_logMode = new QComboBox(box);
    m_logMode->addItems({ tr("Append"), tr("Overwrite") });
    m_logMode->setCurrentIndex(m_info.batchLogging.mode == 1 ? 1 : 0);
    row->addWidget(m_logMode);
    connect(m_verbosity, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &BatchDialog::onLoggingChanged);
    connect(m_logEnabled, &QCheckBox::toggled, this, &BatchDialog::onLoggingChanged);
    connect(m_logPath, &QLineEdit::textEdited, this, &BatchDialog::onLoggingChanged);
    connect(m_logMode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &BatchDialog::onLoggingChanged);
    m_editing << m_verbosity << m_logEnabled << m_logPath << browse << m_logMode;
    return box;
}

// These are the user's preferences rather than the document's.
QWidget* BatchDialog::createOptions()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    WindowSettings& settings = WindowSettings::instance();
    auto* clear = new QCheckBox(tr("Clear append outputs before first append"), box);
    clear->setChecked(settings.batchClearBeforeAppend());
    connect(clear, &QCheckBox::toggled, this,
        [](bool on) { WindowSettings::instance().setBatchClearBeforeAppend(on); });
    auto* sound = new QCheckBox(tr("Sound on completion"), box);
    sound->setChecked(settings.batchCompletionSound());
    connect(sound, &QCheckBox::toggled, this,
        [](bool on) { WindowSettings::instance().setBatchCompletionSound(on); });
    auto* tips = new QCheckBox(tr("Show tips"), box);
    tips->setChecked(settings.batchShowTips());
    connect(tips, &QCheckBox::toggled, this, [this](bool on) {
        WindowSettings::instance().setBatchShowTips(on);
        m_tips->setVisible(on);
    });
    row->addWidget(clear);
    row->addWidget(sound);
    row->addWidget(tips);
    row->addStretch(1);
    m_editing << clear;
    return box;
}

bool BatchDialog::hasItemColumns() const
{
    for (const BatchColumn& c : m_columns) {
        if (c.kind != BatchColumn::Record)
            return true;
    }
    return false;
}

// The tips and the help name the variables after the same Input, so that a
// user reading both sees one example, not two.
QString BatchDialog::exampleAlias() const
{
    for (const BatchColumn& c : m_columns) {
        if (c.kind == BatchColumn::Input)
            return c.alias;
    }
    return QStringLiteral("alias");
}

QString BatchDialog::helpText() const
{
    const QString folder = m_documentPath.isEmpty()
        ? QDir::toNativeSeparators(QDir::homePath() + QLatin1Char('/'))
        : QDir::toNativeSeparators(QFileInfo(m_documentPath).absolutePath() + QLatin1Char('/'));
    const QString alias = exampleAlias();
    const QString variables
        = QStringLiteral("\n{%1} is replaced with the file stem (and Excel sheet, if Excel) of the "
                         "input with alias '%1'\n{date} is replaced with the current date")
              .arg(alias);
    return tr("Input file locations can include wildcards and Excel sheet names:\nE.g. '%1*.csv' "
              "or '%1*.xlsx[*]'.\nOutput file locations can include variables:\nE.g. "
              "'%1output%2%3.csv'.\nWhere:%4\nClick 'Help' for more details.")
        .arg(folder, QStringLiteral("_{%1}").arg(alias), QStringLiteral("_{date}"), variables);
}

void BatchDialog::onHelp()
{
    QMessageBox::information(this, tr("Batch Process"), helpDetails());
}

QString BatchDialog::helpDetails() const
{
    return tr("Each row is one run of the document, or one run per file when an input cell holds "
              "wildcards ('*' any characters, '?' one character). Several wildcard inputs in a row "
              "give a run for every combination of their files. An Excel sheet name or pattern "
              "may follow a workbook in brackets.\n\nOutput and chart cells may hold {date}, "
              "{time}, {datetime}, {day}, {month}, {year}, {hour}, {minute}, {second}, {version}, "
              "{computername}, {username}, {transformfname} and, for the input with alias '%1', "
              "{%1}, {%1.fname}, {%1.folder}, {%1.lastfolder}, {%1.ext} and {%1.sheet}.\n\n"
              "Relative paths are taken from the document's folder. Empty cells leave the item's "
              "own file.")
        .arg(exampleAlias());
}

void BatchDialog::fillTable()
{
    m_filling = true;
    m_table->setRowCount(m_rows.size());
    for (int r = 0; r < m_rows.size(); ++r) {
        for (int c = 0; c < m_columns.size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(m_rows.at(r).value(m_columns.at(c).alias)));
    }
    m_filling = false;
}

void BatchDialog::onCellChanged(int row, int column)
{
    if (m_filling || row >= m_rows.size() || column >= m_columns.size())
        return;
    m_rows[row].insert(m_columns.at(column).alias, m_table->item(row, column)->text().trimmed());
    storeRows();
}

void BatchDialog::storeRows()
{
    m_info.batchValues = BatchTable::valuesFromRows(m_rows);
    emit documentChanged();
}

void BatchDialog::addRow()
{
    m_rows.append(BatchRow());
    fillTable();
    m_table->setCurrentCell(m_rows.size() - 1, 0);
}

void BatchDialog::removeSelectedRows()
{
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedIndexes()) {
        if (!rows.contains(index.row()))
            rows << index.row();
    }
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int r : qAsConst(rows))
        m_rows.remove(r);
    fillTable();
    storeRows();
}

void BatchDialog::clearRows()
{
    m_rows.clear();
    fillTable();
    storeRows();
}

void BatchDialog::onBrowseCell()
{
    const int row = m_table->currentRow();
    const int column = m_table->currentColumn();
    if (row < 0 || column < 0)
        return;
    const bool input = m_columns.at(column).kind == BatchColumn::Input;
    const QString path = input ? QFileDialog::getOpenFileName(this, m_columns.at(column).heading)
                               : QFileDialog::getSaveFileName(this, m_columns.at(column).heading);
    if (!path.isEmpty())
        m_table->item(row, column)->setText(QDir::toNativeSeparators(path));
}

void BatchDialog::onLoggingChanged()
{
    m_info.batchLogging.verbosity = m_verbosity->value();
    m_info.batchLogging.enabled = m_logEnabled->isChecked();
    m_info.batchLogging.path = m_logPath->text().trimmed();
    m_info.batchLogging.mode = m_logMode->currentIndex();
    emit documentChanged();
}

void BatchDialog::onBrowseLog()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Batch log file"), m_logPath->text(),
        tr("Log files (*.log *.txt);;All files (*)"), nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return;
    m_logPath->setText(QDir::toNativeSeparators(path));
    m_logEnabled->setChecked(true);
    onLoggingChanged();
}

QString BatchDialog::logHtml(const QString& line, bool error)
{
    QString html = line.toHtmlEscaped();
    int indent = 0;
    while (indent < html.size() && html.at(indent) == QLatin1Char(' '))
        ++indent;
    html.replace(0, indent, QStringLiteral("&nbsp;").repeated(indent));
    return error ? QStringLiteral("<span style=\"color: red;\">%1</span>").arg(html) : html;
}

void BatchDialog::onReported(const QString& line, bool error)
{
    QTextCursor cursor(m_logView->document());
    cursor.movePosition(QTextCursor::End);
    if (!m_logView->document()->isEmpty())
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.setCharFormat(QTextCharFormat());
    cursor.insertHtml(logHtml(line, error));
    m_logView->setTextCursor(cursor);
    m_logView->ensureCursorVisible();
}

void BatchDialog::process()
{
    if (m_run || m_scene.isProcessing())
        return;
    const QStringList shared = BatchTable::sharedOutputs(m_scene, m_rows);
    if (!shared.isEmpty()
        && QMessageBox::question(this, QStringLiteral("Varnix"),
               QStringLiteral("More than one batch run writes the same file for: %1.\n\nEach run "
                              "replaces what the one before wrote, so only the last run's "
                              "results are kept. Process anyway?")
                   .arg(shared.join(QStringLiteral(", "))),
               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel)
            != QMessageBox::Ok)
        return;
    m_logView->clear();
    // The rows run on a copy of the document: the open document, its
    // items' results and statuses, the right pane and the undo history stay
    // as they were.
    GraphModel copy;
    copyGraph(m_scene, copy);
    auto* run = new BatchRun(copy, this);
    m_run = run;
    run->setRows(m_rows);
    run->setLogging(m_info.batchLogging);
    run->setDocumentPath(m_documentPath);
    connect(run, &BatchRun::reported, this, &BatchDialog::onReported);
    setRunning(true);
    run->run();
    setRunning(false);
    delete run;
    if (WindowSettings::instance().batchCompletionSound())
        QApplication::beep();
}

void BatchDialog::stopBatch()
{
    if (m_run)
        m_run->stop();
}

// Closing while a batch runs would pull the window from under it: the batch
// is asked to stop and the window closes with it.
void BatchDialog::reject()
{
    if (m_run) {
        m_run->stop();
        return;
    }
    QDialog::reject();
}

void BatchDialog::setRunning(bool running)
{
    m_process->setEnabled(!running && !m_columns.isEmpty());
    m_stop->setEnabled(running);
    m_table->setEditTriggers(
        running ? QAbstractItemView::NoEditTriggers : QAbstractItemView::AllEditTriggers);
    for (QWidget* w : qAsConst(m_editing))
        w->setEnabled(!running);
}
