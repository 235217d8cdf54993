#pragma once

// How long the window's thread is held: a timer due every 10 ms notes the
// longest gap between its ticks while the event loop runs.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

class StallWatch
{
public:
    StallWatch()
    {
        m_ticker.setInterval(10);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            if (m_sinceTick.isValid())
                m_longest = std::max(m_longest, m_sinceTick.elapsed());
            ++m_ticks;
            m_sinceTick.restart();
        });
    }

    void start()
    {
        m_ticker.start();
        m_sinceTick.start();
    }
    // Counts from now: the wait before a measured step is not the step's.
    void restart() { m_sinceTick.restart(); }
    qint64 longestMs() const { return m_longest; }
    int ticks() const { return m_ticks; }

private:
    QTimer m_ticker;
    QElapsedTimer m_sinceTick;
    qint64 m_longest = 0;
    int m_ticks = 0;
};
