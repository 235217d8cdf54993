#pragma once

#include <QString>
#include <QStringList>

class Transform;

// Collects the values a transform could not read: every one is counted, the
// first few are kept with their place so the user can find them, and the
// report lists those under a heading and sums up the rest as
// "+ n others", like every other problem list of the program.
class ValueExamples
{
public:
    static constexpr int Shown = 5;

    void add(const QString& value, const QString& columnName, int row);
    qint64 count() const { return m_count; }
    const QStringList& lines() const { return m_lines; }
    // Whether a collected value held one of the watched characters.
    bool sawWatched() const { return m_sawCharacters; }
    void watchFor(const QString& characters) { m_watched = characters; }

    // Adds the heading, the kept lines and the remainder as warnings.
    void report(Transform* transform, const QString& heading) const;

private:
    QStringList m_lines;
    QString m_watched;
    qint64 m_count = 0;
    bool m_sawCharacters = false;
};

// "value" or "values" and the like, chosen by count.
inline QString wordForCount(qint64 count, const QString& singular, const QString& pluralForm)
{
    return count == 1 ? singular : pluralForm;
}

// The choices for values that do not read as numbers, shared by the number
// conversions: leave them, or write 0, nothing or "NaN" instead.
enum class UnreadableAction { Leave, Zero, Empty, NaN };
QStringList unreadableNumberChoices();
QString replaceUnreadable(const QString& original, UnreadableAction action);
