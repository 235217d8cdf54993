#include "core/paths.h"

#include <QDir>
#include <QFileInfo>

QString displayPath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}
