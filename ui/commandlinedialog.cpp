#include "ui/commandlinedialog.h"

#include "graph/graphmodel.h"
#include "graph/node.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QHBoxLayout* withButton(QLineEdit* edit, QPushButton* button)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(edit, 1);
    row->addWidget(button);
    return row;
}

} // namespace

CommandLineDialog::CommandLineDialog(
    const GraphModel* scene, const QString& documentPath, bool unsavedChanges, QWidget* parent)
    : QDialog(parent), m_scene(scene), m_documentPath(documentPath), m_unsaved(unsavedChanges)
{
    setWindowTitle(tr("Command Line"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_target = new QComboBox(this);
    m_target->addItems({ tr("Shell command"), tr("Shell script (.sh)") });
    m_verbosity = new QComboBox(this);
    for (int level = 0; level <= 4; ++level)
        m_verbosity->addItem(QString::number(level), level);
    m_verbosity->setCurrentIndex(2);
    m_log = new QLineEdit(this);
    m_log->setPlaceholderText(tr("Log file (optional)"));
    auto* browseLog = new QPushButton(tr("Browse..."), this);
    m_overwrite = new QCheckBox(tr("Overwrite the log instead of appending to it"), this);
    form->addRow(tr("For:"), m_target);
    form->addRow(tr("Verbosity:"), m_verbosity);
    form->addRow(tr("Log file:"), withButton(m_log, browseLog));
    form->addRow(QString(), m_overwrite);
    layout->addLayout(form);
    layout->addWidget(makeLoopBox());

    // The warnings stand beside the text they qualify.
    auto* textRow = new QHBoxLayout;
    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_warnings = new QLabel(this);
    m_warnings->setWordWrap(true);
    m_warnings->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_warnings->setStyleSheet(QStringLiteral("color: #b02020;"));
    m_warnings->setMinimumWidth(220);
    textRow->addWidget(m_text, 3);
    textRow->addWidget(m_warnings, 2);
    layout->addLayout(textRow, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton(tr("Copy"), QDialogButtonBox::ActionRole);
    QPushButton* save = buttons->addButton(tr("Save Script..."), QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(copy, &QPushButton::clicked, this,
        [this] { QApplication::clipboard()->setText(m_text->toPlainText()); });
    connect(save, &QPushButton::clicked, this, &CommandLineDialog::onSaveScript);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browseLog, &QPushButton::clicked, this, &CommandLineDialog::onBrowseLog);
    for (QComboBox* combo : { m_target, m_verbosity, m_loopAlias })
        connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &CommandLineDialog::onChanged);
    for (QLineEdit* edit : { m_log, m_loopFolder, m_loopPattern })
        connect(edit, &QLineEdit::textChanged, this, &CommandLineDialog::onChanged);
    for (QCheckBox* check : { m_overwrite, m_loop })
        connect(check, &QCheckBox::toggled, this, &CommandLineDialog::onChanged);
    connect(m_pause, qOverload<int>(&QSpinBox::valueChanged), this, &CommandLineDialog::onChanged);
    onChanged();
    resize(860, 520);
}

QWidget* CommandLineDialog::makeLoopBox()
{
    auto* box = new QGroupBox(tr("Loop"), this);
    auto* form = new QFormLayout(box);
    m_loop = new QCheckBox(tr("Run once for every matching file of a folder"), box);
    m_loopAlias = new QComboBox(box);
    const ComposedCommand probe = CommandLineComposer::compose(*m_scene, ComposerChoices(), false);
    m_loopAlias->addItems(probe.fileInputAliases);
    m_loopFolder = new QLineEdit(box);
    auto* browse = new QPushButton(tr("Browse..."), box);
    m_loopPattern = new QLineEdit(QStringLiteral("*.csv"), box);
    m_pause = new QSpinBox(box);
    m_pause->setRange(0, 3600);
    m_pause->setSuffix(tr(" seconds"));
    form->addRow(m_loop);
    form->addRow(tr("Input alias:"), m_loopAlias);
    form->addRow(tr("Folder:"), withButton(m_loopFolder, browse));
    form->addRow(tr("Wildcard:"), m_loopPattern);
    form->addRow(tr("Pause between files:"), m_pause);
    connect(browse, &QPushButton::clicked, this, &CommandLineDialog::onBrowseFolder);
    // Looping needs a file input with an alias to take each file.
    box->setEnabled(!probe.fileInputAliases.isEmpty());
    return box;
}

ComposerChoices CommandLineDialog::choices() const
{
    ComposerChoices c;
    c.program = QApplication::applicationFilePath();
    c.documentPath
        = m_documentPath.isEmpty() ? QStringLiteral("document.transform") : m_documentPath;
    c.target = m_target->currentIndex();
    c.verbosity = m_verbosity->currentData().toInt();
    c.logPath = m_log->text().trimmed();
    c.overwriteLog = m_overwrite->isChecked();
    if (m_loop->isChecked()) {
        c.loopAlias = m_loopAlias->currentText();
        c.loopFolder = m_loopFolder->text().trimmed();
        c.loopPattern = m_loopPattern->text().trimmed();
        c.pauseSeconds = m_pause->value();
    }
    return c;
}

void CommandLineDialog::onChanged()
{
    const ComposedCommand composed = CommandLineComposer::compose(*m_scene, choices(), m_unsaved);
    QStringList warnings = composed.warnings;
    if (m_documentPath.isEmpty())
        warnings.prepend(
            tr("Save the document first: the command line runs a saved .transform file."));
    m_text->setPlainText(composed.text);
    m_warnings->setText(warnings.join(QLatin1Char('\n')));
    m_overwrite->setEnabled(!m_log->text().trimmed().isEmpty());
}

void CommandLineDialog::onBrowseLog()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Log File"), m_log->text());
    if (!path.isEmpty())
        m_log->setText(path);
}

void CommandLineDialog::onBrowseFolder()
{
    const QString folder
        = QFileDialog::getExistingDirectory(this, tr("Loop Folder"), m_loopFolder->text());
    if (!folder.isEmpty())
        m_loopFolder->setText(folder);
}

void CommandLineDialog::onSaveScript()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save Script"), QStringLiteral("run.sh"), tr("Shell scripts (*.sh)"));
    if (path.isEmpty())
        return;
    ComposerChoices c = choices();
    c.target = ComposerChoices::ShellScript;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(CommandLineComposer::compose(*m_scene, c, m_unsaved).text.toUtf8());
        if (file.commit()) {
            // A script is meant to be run as it is.
            QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
            return;
        }
    }
    m_warnings->setText(tr("Could not write '%1'.").arg(QDir::toNativeSeparators(path)));
}
