#include "transforms/support/shapesummary.h"

#include "core/dataset.h"
#include "core/values.h"

namespace {

QString difference(int before, int after, const QString& singular, const QString& plural)
{
    if (after == before)
        return QString();
    const int n = qAbs(after - before);
    return QStringLiteral("%1 %2").arg(countText(n, singular, plural),
        after > before ? QStringLiteral("added") : QStringLiteral("removed"));
}

} // namespace

QString shapeSummary(const Dataset& input, const Dataset& output)
{
    QStringList parts;
    for (const QString& part : { difference(input.columnCount(), output.columnCount(),
                                     QStringLiteral("col"), QStringLiteral("cols")),
             difference(input.rowCount(), output.rowCount(), QStringLiteral("row"),
                 QStringLiteral("rows")) }) {
        if (!part.isEmpty())
            parts.append(part);
    }
    if (!parts.isEmpty())
        return parts.join(QStringLiteral(", "));
    return input.sameValues(output) ? QStringLiteral("No changes") : QStringLiteral("Changed");
}
