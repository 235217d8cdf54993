#include "transforms/other/scriptwatch.h"

#include "graph/runcontext.h"

#include <QJSEngine>

#include <chrono>

namespace {

// Often enough that Stop feels immediate and a runaway allocation is caught
// a few hundred megabytes past the limit at most.
constexpr auto Interval = std::chrono::milliseconds(20);

} // namespace

ScriptWatch::ScriptWatch(QJSEngine* engine, const RunContext* context, double maximumGB)
    : m_engine(engine), m_context(context), m_maximumGB(maximumGB)
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
        const bool stop = m_context && m_context->stopRequested();
        const bool memory
            = m_context && m_maximumGB > 0.0 && m_context->measureMemoryGB() > m_maximumGB.load();
        if (!stop && !memory)
            continue;
        m_overMemory = memory;
        m_interrupted = true;
        m_engine->setInterrupted(true);
    }
}
