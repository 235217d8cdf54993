#include "ui/exploreprogress.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

namespace {
// Work shorter than this shows no bar at all.
constexpr qint64 ShowAfterMs = 250;
constexpr qint64 PumpEveryMs = 40;
} // namespace

ExploreProgress::ExploreProgress(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_stopButton = new QPushButton(tr("Stop"), this);
    layout->addWidget(m_bar, 1);
    layout->addWidget(m_stopButton);
    connect(m_stopButton, &QPushButton::clicked, this, &ExploreProgress::stop);
    hide();
}

bool ExploreProgress::run(const std::function<void(const std::function<bool(int, int)>&)>& work)
{
    if (m_running) {
        m_pending = work;
        m_again = true;
        m_stopRequested = true;
        return true;
    }
    // Closing the dialog during a run must not delete it under the running
    // work: the deletion waits until the work has returned.
    QWidget* dialog = window();
    const bool deleteOnClose = dialog->testAttribute(Qt::WA_DeleteOnClose);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    m_running = true;
    auto current = work;
    bool finished = true;
    do {
        m_again = false;
        m_stopRequested = false;
        m_clock.start();
        m_lastPump = 0;
        m_bar->setValue(0);
        current([this](int done, int total) { return report(done, total); });
        finished = !m_stopRequested;
        m_lastDuration = m_clock.elapsed();
        if (m_again)
            current = m_pending;
    } while (m_again);
    m_pending = nullptr;
    m_running = false;
    hide();
    dialog->setAttribute(Qt::WA_DeleteOnClose, deleteOnClose);
    if (deleteOnClose && !dialog->isVisible())
        dialog->deleteLater();
    return finished;
}

bool ExploreProgress::report(int done, int total)
{
    const qint64 now = m_clock.elapsed();
    if (now - m_lastPump >= PumpEveryMs) {
        m_lastPump = now;
        if (now >= ShowAfterMs && isHidden())
            show();
        m_bar->setValue(total > 0 ? int(1000.0 * done / total) : 0);
        QCoreApplication::processEvents();
    }
    return !m_stopRequested;
}
