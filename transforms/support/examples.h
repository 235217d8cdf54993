#pragma once

#include <QString>
#include <QStringList>

// A few examples of what a run could not use, for a warning line: at most
// five items, each in single quotes, joined by ", ", then "+ %1 other" or
// "+ %1 others" for the rest (the count with group separators).
QString quotedExamples(const QStringList& items, int shown = 5);

// Collects examples while a run counts problems, keeping only the first few.
class ExampleList
{
public:
    void add(const QString& item)
    {
        if (m_items.size() < 5)
            m_items << item;
        ++m_count;
    }
    int count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // The kept examples followed by the number of the others.
    QString text() const;

private:
    QStringList m_items;
    int m_count = 0;
};
