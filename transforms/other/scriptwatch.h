#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class QJSEngine;
class RunContext;

// Watches a running script from a thread of its own. While the engine runs
// a script its thread looks at nothing else, so a script that loops forever
// or allocates without end would never see a Stop request or the memory
// limit: this watch interrupts the engine when either comes (the engine's
// interrupt is the one call made for use from another thread).
class ScriptWatch
{
public:
    // maximumGB is the memory limit when the watch starts; 0 for none.
    ScriptWatch(QJSEngine* engine, const RunContext* context, double maximumGB);
    ~ScriptWatch();
    ScriptWatch(const ScriptWatch&) = delete;
    ScriptWatch& operator=(const ScriptWatch&) = delete;

    bool interrupted() const { return m_interrupted; }
    bool overMemory() const { return m_overMemory; }
    // Lets the engine run scripts again after an interrupt, and the watch
    // interrupt again, with the memory limit as it now is.
    void rearm(double maximumGB);

private:
    void watch();

    QJSEngine* m_engine;
    const RunContext* m_context;
    std::atomic<double> m_maximumGB;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_finished = false;
    std::atomic<bool> m_interrupted { false };
    std::atomic<bool> m_overMemory { false };
    std::thread m_thread;
};
