#include "transforms/other/transformfileinfo.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/examples.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString Column = QStringLiteral("Column");
const char* const InfoKeys[]
    = { "Exists", "Size", "Modified", "File_Name", "Extension", "Folder", "SHA256" };
const char* const InfoLabels[]
    = { "exists", "size", "last modified", "file name", "extension", "folder", "SHA-256" };
const char* const InfoNames[]
    = { "Exists", "Size", "Last Modified", "File Name", "Extension", "Folder", "SHA-256" };
const char* const InfoTips[] = { "\"True\" when the file or folder exists, else \"False\"",
    "the size in bytes", "when the file was last modified, as \"yyyy-MM-dd HH:mm:ss\"",
    "the file name with its extension", "the extension, without the dot",
    "the absolute path of the folder holding the file",
    "a SHA-256 hash of the file's content in hexadecimal (reads every file: slow for large "
    "files)" };

QString sha256(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return QString::fromLatin1(hash.result().toHex());
}

QString infoText(TransformFileInfo::Info info, const QFileInfo& file)
{
    const bool exists = file.exists();
    switch (info) {
    case TransformFileInfo::Exists:
        return exists ? QStringLiteral("True") : QStringLiteral("False");
    case TransformFileInfo::Size:
        return exists && file.isFile() ? QString::number(file.size()) : QString();
    case TransformFileInfo::Modified:
        return exists ? file.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                      : QString();
    case TransformFileInfo::FileName:
        return file.fileName();
    case TransformFileInfo::Extension:
        return file.isDir() ? QString() : file.suffix();
    case TransformFileInfo::Folder:
        return QDir::toNativeSeparators(file.absolutePath());
    case TransformFileInfo::Sha256:
        return exists && file.isFile() ? sha256(file.absoluteFilePath()) : QString();
    default:
        return QString();
    }
}

} // namespace

QSet<QString> TransformFileInfo::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w :
        { "files", "exists", "bytes", "extension", "folder", "sha256", "hash", "checksum", "date" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformFileInfo::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::SingleColumn, Column, QStringLiteral("Column"))
        ->setTooltip(QStringLiteral("The column holding the file paths. Relative paths are taken "
                                    "from the folder of the saved .transform document."));
    for (int i = 0; i < InfoCount; ++i)
        addParameter(ParameterType::Bool, QString::fromLatin1(InfoKeys[i]),
            QString::fromLatin1(InfoLabels[i]), i != Sha256)
            ->setTooltip(
                QStringLiteral("Check to add a column \"%1\": %2.")
                    .arg(QString::fromLatin1(InfoNames[i]), QString::fromLatin1(InfoTips[i])));
}

void TransformFileInfo::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Column", "Exists", "Size", "Modified", "File_Name", "Extension",
            "Folder", "SHA256" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const int column = columnIndex(Column);
    QVector<Info> infos;
    for (int i = 0; i < InfoCount; ++i) {
        if (boolParameter(QString::fromLatin1(InfoKeys[i])))
            infos << Info(i);
    }
    if (!input.isValidColumn(column) || infos.isEmpty()) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    if (!output.hasHeader())
        output.setHeader(output.columnNames());
    const int first = output.columnCount();
    for (Info info : qAsConst(infos))
        output.insertColumn(output.columnCount(), QString::fromLatin1(InfoNames[info]));

    const QString documentPath = this->documentPath();
    const QDir base = documentPath.isEmpty() ? QDir::current() : QFileInfo(documentPath).dir();
    ExampleList missing;
    int found = 0;
    for (int r = 0; r < input.rowCount(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            return;
        const QString path = input.value(r, column).trimmed();
        if (path.isEmpty())
            continue;
        const QFileInfo file(base.absoluteFilePath(QDir::fromNativeSeparators(path)));
        if (file.exists())
            ++found;
        else
            missing.add(path);
        for (int i = 0; i < infos.size(); ++i)
            output.setValue(r, first + i, infoText(infos.at(i), file));
    }
    setSummary(QStringLiteral("%1 found, %2 not found")
                   .arg(formatInteger(found, true), formatInteger(missing.count(), true)));
    if (!missing.isEmpty())
        addWarning(
            QStringLiteral("%1 not found: %2")
                .arg(countText(missing.count(), QStringLiteral("file"), QStringLiteral("files")),
                    missing.text()));
}
