#include "ui/defaultfiletypedialog.h"

#include "core/filetypes.h"
#include "input/inputsource.h"
#include "ui/itempaneio.h"
#include "ui/windowsettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

DefaultFileTypeDialog::DefaultFileTypeDialog(const QString& extension, QWidget* parent)
    : QDialog(parent), m_extension(extension.trimmed().toLower())
{
    setWindowTitle(tr("Set Default File Type"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(tr("Select a default file type for extension '%1'.").arg(m_extension), this));
    m_type = new QComboBox(this);
    for (int type : inputFileTypes())
        m_type->addItem(fileTypeName(type), type);
    layout->addWidget(m_type);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &DefaultFileTypeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DefaultFileTypeDialog::reject);
    layout->addWidget(buttons);
}

int DefaultFileTypeDialog::fileType() const
{
    return m_type->currentData().toInt();
}

int DefaultFileTypeDialog::typeForNewInput(const QString& path, QWidget* parent)
{
    const QString extension = QFileInfo(path).suffix().trimmed().toLower();
    if (extension.isEmpty() || isBlockedInputExtension(WindowSettings::instance(), path))
        return inputTypeForPath(WindowSettings::instance(), path);
    const int mapped = inputTypeForExtension(WindowSettings::instance(), extension);
    if (mapped != FileTypeNone)
        return mapped;
    DefaultFileTypeDialog dialog(extension, parent);
    if (dialog.exec() != QDialog::Accepted)
        return FileTypeNone;
    QMap<QString, int> map = WindowSettings::instance().inputFileExtensions();
    map.insert(extension, dialog.fileType());
    WindowSettings::instance().setInputFileExtensions(map);
    return dialog.fileType();
}
