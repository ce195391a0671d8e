#include "instrumentthread.h"

InstrumentThread::InstrumentThread()
    : m_thread([this] { run(); })
{
}

InstrumentThread::~InstrumentThread()
{
    stop();
    m_thread.join();
    // Dropping the queued jobs destroys their promises unfinished, which cancels the futures.
    m_jobs.clear();
}

void InstrumentThread::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
}

void InstrumentThread::enqueue(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void InstrumentThread::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_stopping)
            return;
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        // Its promise goes here, outside the lock.
        job = nullptr;
        lock.lock();
    }
}
