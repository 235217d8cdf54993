#include "ui/folderinputdialog.h"

#include "core/filetypes.h"
#include "core/values.h"
#include "input/inputformat.h"
#include "input/inputsource.h"
#include "ui/itempaneio.h"
#include "ui/windowsettings.h"

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
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

bool isWorkbook(int fileType)
{
    const InputFormat* format = inputFormat(fileType);
    return format && format->hasSheets();
}

bool hasWildcard(const QString& text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

// Typing pauses this long before the folder is listed again: a deep folder
// takes a while to walk.
const int RelistDelayMs = 300;

} // namespace

FolderInputDialog::FolderInputDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Folder To Input"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(makeFields());
    m_table = new QTableWidget(0, 6, this);
    m_table->setHorizontalHeaderLabels({ tr("Folder"), tr("File name"), tr("Size (KB)"),
        tr("Created"), tr("Modified"), tr("Read access") });
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);
    m_summary = new QLabel(this);
    layout->addWidget(m_summary);
    m_notes = new QPlainTextEdit(this);
    m_notes->setReadOnly(true);
    m_notes->setMaximumHeight(m_notes->fontMetrics().lineSpacing() * 5 + 12);
    layout->addWidget(m_notes);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setStyleSheet(QStringLiteral("color: #c0392b;"));
    m_problem->setWordWrap(true);
    layout->addWidget(m_problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &FolderInputDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FolderInputDialog::reject);
    layout->addWidget(buttons);

    m_relist.setSingleShot(true);
    m_relist.setInterval(RelistDelayMs);
    connect(&m_relist, &QTimer::timeout, this, &FolderInputDialog::refresh);
    connect(m_folder, &QLineEdit::textChanged, this, &FolderInputDialog::onEdited);
    connect(m_fileMatch, &QLineEdit::textChanged, this, &FolderInputDialog::onFileMatchEdited);
    connect(m_sheetMatch, &QLineEdit::textChanged, this, &FolderInputDialog::onEdited);
    connect(m_recurse, &QCheckBox::toggled, this, &FolderInputDialog::refresh);
    connect(m_type, QOverload<int>::of(&QComboBox::activated), this, [this] {
        m_typeChosen = true;
        refresh();
    });
    resize(900, 560);
    refresh();
}

QFormLayout* FolderInputDialog::makeFields()
{
    auto* form = new QFormLayout;
    form->addRow(tr("Folder"), makeFolderRow());
    m_fileMatch = new QLineEdit(this);
    m_fileMatch->setPlaceholderText(QStringLiteral("*.csv"));
    m_fileMatch->setToolTip(tr("Read the files whose names match: '*' stands for any text, "
                               "'?' for any one character; case does not matter."));
    form->addRow(tr("File match"), m_fileMatch);
    m_sheetMatch = new QLineEdit(this);
    m_sheetMatch->setToolTip(tr("Read the sheets of each workbook whose names match."));
    form->addRow(tr("Sheet match"), m_sheetMatch);
    m_recurse = new QCheckBox(tr("Include sub-folders"), this);
    form->addRow(QString(), m_recurse);
    m_type = new QComboBox(this);
    for (int type : inputFileTypes())
        m_type->addItem(fileTypeName(type), type);
    form->addRow(tr("File type"), m_type);
    return form;
}

QWidget* FolderInputDialog::makeFolderRow()
{
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    m_folder = new QLineEdit(row);
    auto* browse = new QToolButton(row);
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(tr("Choose the folder."));
    h->addWidget(m_folder, 1);
    h->addWidget(browse);
    connect(browse, &QToolButton::clicked, this, &FolderInputDialog::onBrowse);
    return row;
}

void FolderInputDialog::setValues(const QString& folder, const QString& fileMatch,
    const QString& sheetMatch, bool recurse, int fileType)
{
    m_folder->setText(QDir::toNativeSeparators(folder));
    m_fileMatch->setText(fileMatch);
    m_sheetMatch->setText(sheetMatch);
    m_recurse->setChecked(recurse);
    const int index = m_type->findData(fileType);
    if (index >= 0) {
        m_type->setCurrentIndex(index);
        m_typeChosen = true;
    }
    refresh();
}

QString FolderInputDialog::folder() const
{
    return QDir::fromNativeSeparators(m_folder->text().trimmed());
}

QString FolderInputDialog::fileMatch() const
{
    return m_fileMatch->text().trimmed();
}

QString FolderInputDialog::sheetMatch() const
{
    return isWorkbook(fileType()) ? m_sheetMatch->text().trimmed() : QString();
}

bool FolderInputDialog::recurse() const
{
    return m_recurse->isChecked();
}

int FolderInputDialog::fileType() const
{
    return m_type->currentData().toInt();
}

void FolderInputDialog::onEdited()
{
    m_relist.start();
}

void FolderInputDialog::onFileMatchEdited()
{
    if (!m_typeChosen) {
        const int mapped
            = inputTypeForExtension(WindowSettings::instance(), QFileInfo(fileMatch()).suffix());
        const int index = m_type->findData(mapped);
        if (index >= 0)
            m_type->setCurrentIndex(index);
    }
    m_relist.start();
}

void FolderInputDialog::onBrowse()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("Folder To Input"), folder());
    if (chosen.isEmpty())
        return;
    m_folder->setText(QDir::toNativeSeparators(chosen));
    refresh();
}

QString FolderInputDialog::blockingProblem() const
{
    const QString dir = folder();
    if (dir.isEmpty())
        return tr("'%1' is unset").arg(tr("Folder"));
    if (hasWildcard(dir))
        return tr("'%1' should not contain '*' or '?' wildcards").arg(tr("Folder"));
    if (!QFileInfo(dir).isDir())
        return tr("Folder '%1' not found")
            .arg(QDir::toNativeSeparators(QFileInfo(dir).absoluteFilePath()));
    if (fileMatch().contains(QLatin1Char('/')) || fileMatch().contains(QLatin1Char('\\')))
        return tr("'%1' should not contain '\\' or '/' characters").arg(tr("File match"));
    if (m_matched.isEmpty())
        return tr("No files match.");
    return QString();
}

QStringList FolderInputDialog::hints() const
{
    QStringList out;
    const QString match = fileMatch();
    if (match.isEmpty())
        out << tr("'%1' is unset").arg(tr("File match"));
    else if (!hasWildcard(match))
        out << tr("'%1' should usually contain '*' or '?' wildcards").arg(tr("File match"));
    const QString extension = QFileInfo(match).suffix();
    const int mapped = inputTypeForExtension(WindowSettings::instance(), extension);
    if (mapped != FileTypeNone && mapped != fileType())
        out << tr("File type '%1' may be incorrect for extension '%2'")
                   .arg(fileTypeName(fileType()), extension);
    return out;
}

void FolderInputDialog::refresh()
{
    m_relist.stop();
    m_sheetMatch->setEnabled(isWorkbook(fileType()));
    QStringList skipped;
    const QString dir = folder();
    const bool listable = !dir.isEmpty() && !hasWildcard(dir) && QFileInfo(dir).isDir()
        && !fileMatch().contains(QLatin1Char('/')) && !fileMatch().contains(QLatin1Char('\\'));
    m_matched = listable
        ? listFolderFiles(WindowSettings::instance(), dir, fileMatch(), recurse(), &skipped)
        : QStringList();
    fillTable();
    showSummary(skipped.size());
    m_notes->setPlainText((hints() + skipped).join(QLatin1Char('\n')));
    m_notes->setVisible(!m_notes->toPlainText().isEmpty());
    const QString problem = blockingProblem();
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    m_ok->setEnabled(problem.isEmpty());
}

void FolderInputDialog::fillTable()
{
    m_table->setRowCount(0);
    m_table->setRowCount(m_matched.size());
    for (int row = 0; row < m_matched.size(); ++row) {
        const QFileInfo info(m_matched.at(row));
        const QStringList cells { QDir::toNativeSeparators(info.absolutePath()), info.fileName(),
            formatInteger((info.size() + 1023) / 1024), formatTimestamp(info.birthTime()),
            formatTimestamp(info.lastModified()), info.isReadable() ? tr("Yes") : tr("No") };
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells.at(column));
            if (column == 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
}

void FolderInputDialog::showSummary(int skipped)
{
    QSet<QString> folders;
    qint64 total = 0;
    for (const QString& path : m_matched) {
        const QFileInfo info(path);
        folders.insert(info.absolutePath());
        total += info.size();
    }
    const QString skippedText = skipped > 0 ? tr(", %1 skipped").arg(skipped) : QString();
    m_summary->setText(
        tr("%1 file(s)%2 matched in %3 folder(s), total size %4%5")
            .arg(formatInteger(m_matched.size()), QString(), formatInteger(folders.size()),
                QLocale().formattedDataSize(total), skippedText));
}
