#include "transforms/support/valueexamples.h"

#include "core/values.h"
#include "transforms/transform.h"

void ValueExamples::add(const QString& value, const QString& columnName, int row)
{
    ++m_count;
    if (m_lines.size() < Shown)
        m_lines.append(
            QStringLiteral("'%1' at column '%2' row %3").arg(value, columnName).arg(row + 1));
    if (!m_sawCharacters) {
        for (const QChar c : m_watched) {
            if (value.contains(c)) {
                m_sawCharacters = true;
                break;
            }
        }
    }
}

void ValueExamples::report(Transform* transform, const QString& heading) const
{
    if (m_count == 0)
        return;
    transform->addWarning(heading);
    for (const QString& line : m_lines)
        transform->addWarning(line);
    const qint64 rest = m_count - m_lines.size();
    if (rest > 0)
        transform->addWarning(QStringLiteral("+ %1 %2").arg(formatInteger(rest, true),
            wordForCount(rest, QStringLiteral("other"), QStringLiteral("others"))));
}

QStringList unreadableNumberChoices()
{
    return { QStringLiteral("Leave"), QStringLiteral("Change to %1").arg(0),
        QStringLiteral("Change to empty"),
        QStringLiteral("Change to %1").arg(QStringLiteral("NaN")) };
}

QString replaceUnreadable(const QString& original, UnreadableAction action)
{
    switch (action) {
    case UnreadableAction::Leave:
        return original;
    case UnreadableAction::Zero:
        return QStringLiteral("0");
    case UnreadableAction::Empty:
        return QString();
    case UnreadableAction::NaN:
        return QStringLiteral("NaN");
    }
    return original;
}
