#pragma once

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// The thread a graph's runs go on in the window, and the hand-over of work
// from it to the graph's own thread (status changes, the signals the window
// follows). Built on std::thread and std::mutex rather than on Qt's event
// queue, so that every hand-over is one the thread sanitizer can see; Qt's
// queue only wakes the graph's thread.
class RunWorker : public QObject
{
    Q_OBJECT

public:
    explicit RunWorker(QObject* parent = nullptr);
    ~RunWorker() override;

    // On the owner's thread: runs body on the worker, then done on the
    // owner's thread once body has returned.
    void start(std::function<void()> body, std::function<void()> done);
    bool isBusy() const { return m_busy; }
    bool onWorker() const { return std::this_thread::get_id() == m_thread.get_id(); }

    // On the worker: has work done on the owner's thread, waiting for it or
    // not.
    void call(const std::function<void()>& work);
    void post(std::function<void()> work);

    // On the owner's thread: waits until the run has ended and done has been
    // called, doing meanwhile what the run hands over.
    void waitUntilIdle();

signals:
    // Queued to the owner's thread: work is waiting there.
    void handedOver();

private:
    struct Job
    {
        std::function<void()> work;
        std::shared_ptr<bool> finished; // set for a job the worker waits for
    };

    void loop();
    void runHandedOver();
    void hand(Job job);

    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake; // the worker: a body, or the end
    std::condition_variable m_progress; // a job done, or one handed over
    std::function<void()> m_body;
    std::function<void()> m_done;
    std::deque<Job> m_jobs;
    bool m_quit = false;
    bool m_busy = false; // the owner's thread only
};
