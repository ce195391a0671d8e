#pragma once

#include <QFuture>
#include <QPromise>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

// One thread for all instrument work, living as long as its owner. Work runs one piece at a
// time in the order it was posted, so the GUI thread never waits on the instrument. A plain
// queue rather than an event loop: each bridge call crosses to this thread and back, and the
// lighter the crossing the closer a call costs to one that never leaves the GUI thread.
class InstrumentThread final
{
public:
    InstrumentThread();
    // Waits for the running piece of work to return; work not yet started is dropped and its
    // future cancelled. Whoever owns the work must first end any long wait in it.
    ~InstrumentThread();
    InstrumentThread(const InstrumentThread &) = delete;
    // Any thread: no queued work starts after the running piece returns.
    void stop();
    InstrumentThread &operator=(const InstrumentThread &) = delete;

    template<typename Work>
    QFuture<std::invoke_result_t<Work>> post(Work work)
    {
        using Result = std::invoke_result_t<Work>;
        auto promise = std::make_shared<QPromise<Result>>();
        QFuture<Result> future = promise->future();
        promise->start();
        enqueue([promise, work = std::move(work)]() mutable {
            promise->addResult(work());
            promise->finish();
        });
        return future;
    }

private:
    void enqueue(std::function<void()> job);
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    // Started last, once the queue it reads exists.
    std::thread m_thread;
};
