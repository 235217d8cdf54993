#include "input/inputsource.h"

#include "core/enginesettings.h"
#include "input/inputformat.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

void listOneFolder(const EngineSettings& settings, const QDir& dir, const QString& match,
    bool recurse, QSet<QString>* visited, QStringList* files, QStringList* warnings)
{
    const QString shown = QDir::toNativeSeparators(dir.absolutePath());
    if (!dir.exists()) {
        warnings->append(QStringLiteral("Folder '%1' not found").arg(shown));
        return;
    }
    if (!QFileInfo(dir.absolutePath()).isReadable()) {
        warnings->append(QStringLiteral("Folder '%1' is not readable").arg(shown));
        return;
    }
    // Links can make a folder its own descendant; each real folder once.
    const QString canonical = dir.canonicalPath();
    if (visited->contains(canonical))
        return;
    visited->insert(canonical);

    const QStringList filters
        = match.trimmed().isEmpty() ? QStringList() : QStringList(match.trimmed());
    const QFileInfoList entries
        = dir.entryInfoList(filters, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : entries) {
        const QString path = QDir::toNativeSeparators(info.absoluteFilePath());
        if (!info.isReadable())
            warnings->append(QStringLiteral("File '%1' is not readable").arg(path));
        else if (info.size() == 0)
            warnings->append(QStringLiteral("File '%1' is 0 bytes").arg(path));
        else if (isBlockedInputExtension(settings, info.fileName()))
            warnings->append(QStringLiteral(
                "File '%1' extension blocked in 'Preferences>Files>Blocked input extensions'")
                                 .arg(path));
        else
            files->append(info.absoluteFilePath());
    }
    if (!recurse)
        return;
    const QFileInfoList folders
        = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : folders)
        listOneFolder(
            settings, QDir(info.absoluteFilePath()), match, true, visited, files, warnings);
}

} // namespace

QString mediumName(int medium)
{
    switch (medium) {
    case MediumClipboard:
        return QStringLiteral("Clipboard");
    case MediumFolder:
        return QStringLiteral("Folder");
    default:
        return QStringLiteral("File");
    }
}

QString metaPlacementName(int placement)
{
    switch (placement) {
    case MetaAtStart:
        return QStringLiteral("At start");
    case MetaAtEnd:
        return QStringLiteral("At end");
    case MetaEveryRow:
        return QStringLiteral("Every row");
    default:
        return QStringLiteral("Not added");
    }
}

int inputTypeForExtension(const EngineSettings& settings, const QString& extension)
{
    const QString key = extension.trimmed().toLower();
    if (key.isEmpty())
        return FileTypeNone;
    return settings.inputFileExtensions().value(key, FileTypeNone);
}

int inputTypeForPath(const EngineSettings& settings, const QString& path)
{
    const int type = inputTypeForExtension(settings, QFileInfo(path.trimmed()).suffix());
    return type == FileTypeNone ? FileTypeDelimited : type;
}

int inputTypeForText(const QString& text)
{
    const QString start = text.left(256).trimmed();
    for (const InputFormat* format : inputFormats()) {
        if (format->recognises(start))
            return format->fileType();
    }
    return FileTypeDelimited;
}

bool isBlockedInputExtension(const EngineSettings& settings, const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension.isEmpty())
        return false;
    return EngineSettings::extensionList(settings.blockedInputExtensions()).contains(extension);
}

QString extensionMismatchWarning(const EngineSettings& settings, const QString& path, int fileType)
{
    const int mapped = inputTypeForExtension(settings, QFileInfo(path).suffix());
    if (mapped == FileTypeNone || mapped == fileType)
        return QString();
    return QStringLiteral("File extension '%1' may not match data type: %2")
        .arg(displayPath(path), fileTypeName(fileType));
}

void splitWorkbookPath(const QString& text, QString* path, QString* sheet)
{
    const int open = text.lastIndexOf(QLatin1Char('['));
    if (text.endsWith(QLatin1Char(']')) && open > 0) {
        *path = text.left(open);
        *sheet = text.mid(open + 1, text.size() - open - 2);
    } else {
        *path = text;
        sheet->clear();
    }
}

QStringList listFolderFiles(const EngineSettings& settings, const QString& folder,
    const QString& match, bool recurse, QStringList* warnings)
{
    QStringList files;
    QSet<QString> visited;
    listOneFolder(settings, QDir(folder), match, recurse, &visited, &files, warnings);
    return files;
}

ReadResult readInputFile(const QString& path, const QString& sheet, const ReadOptions& options,
    const ReadProgress& progress)
{
    // Folders, pipes and devices are no data files; a pipe would block the
    // read until something writes to it.
    if (!QFileInfo(path).isFile()) {
        ReadResult result;
        result.fail(QStringLiteral("Unable to read '%1'").arg(displayPath(path)));
        return result;
    }
    return readFormatFile(path, options, progress, sheet);
}

ReadResult readInputText(
    const QString& text, const ReadOptions& options, const ReadProgress& progress)
{
    return readFormatText(text, options, progress);
}
