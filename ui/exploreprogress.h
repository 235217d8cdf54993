#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress bar and Stop button of the explore dialogs. Their work runs
// in the window's thread, like a processing run: the engine routine reports
// progress through callback(), which keeps the window responsive by pumping
// the event loop every few tens of milliseconds and tells the routine to
// stop once the user pressed Stop, closed the dialog or changed an option
// (then the dialog starts over). The bar only appears when the work lasts
// long enough to be worth watching.
class ExploreProgress : public QWidget
{
    Q_OBJECT

public:
    explicit ExploreProgress(QWidget* parent = nullptr);

    // Runs work (which receives the callback) unless a run is under way; a
    // call during a run stops it and runs work again once it returned, so
    // the last request always wins. Returns false when the last run was
    // stopped by the user.
    bool run(const std::function<void(const std::function<bool(int, int)>&)>& work);
    bool isRunning() const { return m_running; }
    void stop() { m_stopRequested = true; }
    // Milliseconds the last run took.
    qint64 lastDuration() const { return m_lastDuration; }

private:
    bool report(int done, int total);

    QProgressBar* m_bar;
    QPushButton* m_stopButton;
    QElapsedTimer m_clock;
    qint64 m_lastPump = 0;
    qint64 m_lastDuration = 0;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_again = false;
    std::function<void(const std::function<bool(int, int)>&)> m_pending;
};
