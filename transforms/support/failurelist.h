#pragma once

// The warning lines of a run that meets many bad values: the first few are
// named one by one, the rest are counted in one closing line, so that a
// column of a million texts gives five warnings, not a million.

#include "core/values.h"

#include <QString>
#include <QStringList>

class FailureList
{
public:
    static constexpr int Named = 4;

    // Keeps the line when fewer than Named are kept; counts it always. The
    // line is built only when it will be kept.
    template <typename MakeLine> void add(const MakeLine& makeLine)
    {
        if (m_count++ < Named)
            m_lines.append(makeLine());
    }
    int count() const { return m_count; }
    // The named lines, then "+ %1 %2" with the others' count.
    QStringList lines() const
    {
        QStringList all = m_lines;
        if (m_count > Named) {
            all.append(QStringLiteral("+ %1").arg(
                countText(m_count - Named, QStringLiteral("other"), QStringLiteral("others"))));
        }
        return all;
    }

private:
    QStringList m_lines;
    int m_count = 0;
};
