#include "transforms/support/examples.h"

#include "core/values.h"

namespace {

QString othersText(int more)
{
    return QStringLiteral("+ %1 %2").arg(
        formatInteger(more, true), more == 1 ? QStringLiteral("other") : QStringLiteral("others"));
}

QString quotedList(const QStringList& items, int shown)
{
    QStringList quoted;
    for (int i = 0; i < items.size() && i < shown; ++i)
        quoted << QStringLiteral("'%1'").arg(items.at(i));
    return quoted.join(QStringLiteral(", "));
}

} // namespace

QString quotedExamples(const QStringList& items, int shown)
{
    QString text = quotedList(items, shown);
    if (items.size() > shown)
        text += QLatin1Char(' ') + othersText(items.size() - shown);
    return text;
}

QString ExampleList::text() const
{
    QString text = quotedList(m_items, 5);
    if (m_count > m_items.size())
        text += QLatin1Char(' ') + othersText(m_count - m_items.size());
    return text;
}
