#include "document/documentlocale.h"

#include "core/values.h"

#include <QLocale>

namespace DocumentLocale {

bool apply(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return false;
    const QLocale locale(trimmed);
    // An unknown name gives the C locale; only "C" itself asks for it.
    if (locale.language() == QLocale::C && trimmed != QLatin1String("C"))
        return false;
    const bool standardFormats = defaultDateFormats() == standardDateFormats(QLocale());
    QLocale::setDefault(locale);
    if (standardFormats)
        setDefaultDateFormats(standardDateFormats(locale));
    return true;
}

} // namespace DocumentLocale
