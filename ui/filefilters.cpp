#include "ui/filefilters.h"

#include "core/filetypes.h"
#include "ui/windowsettings.h"

#include <QStringList>

namespace FileFilters {

QString fromExtensionMap(const QMap<QString, int>& extensions)
{
    QMap<int, QStringList> byType;
    QStringList known;
    for (auto it = extensions.constBegin(); it != extensions.constEnd(); ++it) {
        if (fileTypeName(it.value()).isEmpty() || it.key().isEmpty())
            continue;
        const QString pattern = QStringLiteral("*.") + it.key();
        byType[it.value()] << pattern;
        known << pattern;
    }
    QStringList filters;
    if (byType.size() > 1)
        filters << QStringLiteral("All known types (%1)").arg(known.join(QLatin1Char(' ')));
    for (auto it = byType.constBegin(); it != byType.constEnd(); ++it)
        filters << QStringLiteral("%1 (%2)").arg(
            fileTypeName(it.key()), it->join(QLatin1Char(' ')));
    filters << QStringLiteral("All files (*)");
    return filters.join(QStringLiteral(";;"));
}

QString inputFilters()
{
    return fromExtensionMap(WindowSettings::instance().inputFileExtensions());
}

QString outputFilters()
{
    return fromExtensionMap(WindowSettings::instance().outputFileExtensions());
}

} // namespace FileFilters
