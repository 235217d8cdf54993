#pragma once

// Member names of JSON records, shared by the single-document and the JSON
// lines readers.

#include "input/charscan.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <vector>

// The keys of a text (or of a chunk of one), each with its column-safe text
// ("." becomes "-") and, once a plain value has had it at the top of a
// record, its column. Records repeat their keys in the same order, so the
// key that followed a key last time is tried first; a hit costs one
// comparison and no text.
class KeyTable
{
public:
    struct Key
    {
        QString raw;
        // raw in Latin-1, when it can be (a key of a chunk of bytes is
        // compared on these).
        QByteArray latin1;
        QString safe;
        int column = -1;
        int next = -1;

        bool is(QStringView text) const { return raw == text; }
        bool is(QLatin1String text) const
        {
            return latin1.size() == text.size()
                && sameBytes(latin1.constData(), text.data(), text.size());
        }
    };

    void startRecord() { m_previous = -1; }
    // The key of raw text, as a QStringView or a QLatin1String.
    template <typename View> int find(View raw)
    {
        const int hint = m_previous < 0 ? m_first : m_keys[size_t(m_previous)].next;
        int found = hint >= 0 && m_keys[size_t(hint)].is(raw) ? hint : lookUp(raw);
        if (m_previous < 0)
            m_first = found;
        else
            m_keys[size_t(m_previous)].next = found;
        m_previous = found;
        return found;
    }
    Key& at(int key) { return m_keys[size_t(key)]; }
    const Key& at(int key) const { return m_keys[size_t(key)]; }

private:
    template <typename View> int lookUp(View raw)
    {
        const QString text = textOf(raw);
        const auto it = m_index.constFind(text);
        if (it != m_index.constEnd())
            return *it;
        Key key;
        key.raw = text;
        if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; }))
            key.latin1 = text.toLatin1();
        key.safe = text;
        key.safe.replace(QLatin1Char('.'), QLatin1Char('-'));
        m_keys.push_back(key);
        m_index.insert(text, int(m_keys.size()) - 1);
        return int(m_keys.size()) - 1;
    }

    static QString textOf(QStringView raw) { return raw.toString(); }
    static QString textOf(QLatin1String raw) { return QString(raw); }

    std::vector<Key> m_keys;
    QHash<QString, int> m_index;
    int m_first = -1;
    int m_previous = -1;
};
