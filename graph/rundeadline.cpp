#include "graph/rundeadline.h"

#include <chrono>

RunDeadline::RunDeadline(RunContext& context, int seconds)
{
    if (seconds <= 0)
        return;
    m_thread = std::thread([this, &context, seconds] {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_finished; }))
            return;
        m_expired = true;
        context.requestStop(RunContext::TimedOut);
    });
}

RunDeadline::~RunDeadline()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
    }
    m_wake.notify_all();
    m_thread.join();
}
