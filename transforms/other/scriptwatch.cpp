#include "transforms/other/scriptwatch.h"

#include <QJSEngine>

#include <chrono>

namespace {

// Often enough that Stop feels immediate and a runaway allocation is caught
// a few hundred megabytes past the limit at most.
constexpr auto Interval = std::chrono::milliseconds(20);

} // namespace

ScriptWatch::ScriptWatch(QJSEngine* engine, std::function<bool()> stopRequested,
    std::function<double()> memoryGB, double maximumGB)
    : m_engine(engine),
      m_stopRequested(std::move(stopRequested)),
      m_memoryGB(std::move(memoryGB)),
      m_maximumGB(maximumGB)
{
    m_thread = std::thread([this] { watch(); });
}

ScriptWatch::~ScriptWatch()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
    }
    m_wake.notify_all();
    m_thread.join();
    m_engine->setInterrupted(false);
}

void ScriptWatch::rearm(double maximumGB)
{
    m_maximumGB = maximumGB;
    m_engine->setInterrupted(false);
    m_overMemory = false;
    m_interrupted = false;
}

void ScriptWatch::watch()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_wake.wait_for(lock, Interval, [this] { return m_finished; })) {
        if (m_interrupted)
            continue;
        const bool stop = m_stopRequested();
        const bool memory = m_maximumGB > 0.0 && m_memoryGB() > m_maximumGB.load();
        if (!stop && !memory)
            continue;
        m_overMemory = memory;
        m_interrupted = true;
        m_engine->setInterrupted(true);
    }
}
