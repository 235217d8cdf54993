#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class QJSEngine;

// Watches a running script from a thread of its own. While the engine runs
// a script its thread looks at nothing else, so a script that loops forever
// or allocates without end would never see a Stop request or the memory
// limit: this watch interrupts the engine when either comes (the engine's
// interrupt is the one call made for use from another thread).
class ScriptWatch
{
public:
    // Both asked from the watch's thread: whether the run is to stop, and
    // the process's memory in GB. maximumGB is the memory limit when the
    // watch starts; 0 for none.
    ScriptWatch(QJSEngine* engine, std::function<bool()> stopRequested,
        std::function<double()> memoryGB, double maximumGB);
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
    std::function<bool()> m_stopRequested;
    std::function<double()> m_memoryGB;
    std::atomic<double> m_maximumGB;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_finished = false;
    std::atomic<bool> m_interrupted { false };
    std::atomic<bool> m_overMemory { false };
    std::thread m_thread;
};
