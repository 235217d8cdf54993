#pragma once

#include "core/runcontext.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Stops a run once a time limit has passed. The run keeps the user
// interface thread (or the command line's only thread) busy, so the limit
// is kept by a thread of its own that only sets the run's Stop request; the
// loops, the readers and a running script notice it at their next check.
class RunDeadline
{
public:
    // No limit when seconds is 0 or less.
    RunDeadline(RunContext& context, int seconds);
    ~RunDeadline();
    RunDeadline(const RunDeadline&) = delete;
    RunDeadline& operator=(const RunDeadline&) = delete;

    // Whether the limit was reached and the stop requested.
    bool expired() const { return m_expired; }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_finished = false;
    std::atomic<bool> m_expired { false };
    std::thread m_thread;
};
