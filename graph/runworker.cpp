#include "graph/runworker.h"

#include <QCoreApplication>

#include <chrono>

RunWorker::RunWorker(QObject* parent) : QObject(parent)
{
    connect(this, &RunWorker::handedOver, this, &RunWorker::runHandedOver, Qt::QueuedConnection);
    m_thread = std::thread([this] { loop(); });
}

RunWorker::~RunWorker()
{
    waitUntilIdle();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void RunWorker::start(std::function<void()> body, std::function<void()> done)
{
    m_busy = true;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_body = std::move(body);
        m_done = std::move(done);
    }
    m_wake.notify_all();
}

void RunWorker::loop()
{
    for (;;) {
        std::function<void()> body;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait(lock, [this] { return m_quit || m_body; });
            if (m_quit)
                return;
            body = std::move(m_body);
            m_body = nullptr;
        }
        body();
        post([this] {
            m_busy = false;
            const std::function<void()> done = std::exchange(m_done, nullptr);
            if (done)
                done();
        });
    }
}

void RunWorker::hand(Job job)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_jobs.push_back(std::move(job));
    }
    m_progress.notify_all();
    emit handedOver();
}

void RunWorker::call(const std::function<void()>& work)
{
    auto finished = std::make_shared<bool>(false);
    hand({ work, finished });
    std::unique_lock<std::mutex> lock(m_lock);
    m_progress.wait(lock, [&finished] { return *finished; });
}

void RunWorker::post(std::function<void()> work)
{
    hand({ std::move(work), nullptr });
}

void RunWorker::runHandedOver()
{
    for (;;) {
        Job job;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job.work();
        if (job.finished) {
            {
                std::lock_guard<std::mutex> lock(m_lock);
                *job.finished = true;
            }
            m_progress.notify_all();
        }
    }
}

void RunWorker::waitUntilIdle()
{
    while (m_busy) {
        runHandedOver();
        if (!m_busy)
            break;
        // A question to the user travels through Qt's queue.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        std::unique_lock<std::mutex> lock(m_lock);
        m_progress.wait_for(lock, std::chrono::milliseconds(5), [this] { return !m_jobs.empty(); });
    }
}
