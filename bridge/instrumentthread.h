#pragma once

#include <QObject>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

class QThread;

// One thread for all instrument work, living as long as its owner. Work runs one piece at a
// time, in the order it was posted, between the events of the thread's own event loop; each
// result is then handed back on the owner's thread, again in posting order, so that answers
// leave in the order the calls came.
class InstrumentThread final
{
public:
    // Enough for an ordinary calibration or measurement to finish; short enough that a program
    // closed during a call that never returns still ends within 3 s.
    static constexpr std::chrono::milliseconds DefaultShutdownGrace{2500};

    explicit InstrumentThread(std::chrono::milliseconds shutdownGrace = DefaultShutdownGrace);
    // Drops the work not yet started and waits up to the grace time for the running piece.
    // A piece still running then (a library call that does not return) is left to the
    // operating system: the thread is not joined, and keeps alive what its work holds.
    // Whoever owns the work must first end any long wait in it.
    ~InstrumentThread();
    InstrumentThread(const InstrumentThread &) = delete;
    InstrumentThread &operator=(const InstrumentThread &) = delete;

    // Any thread: no queued work starts after the running piece returns, and nothing more is
    // handed back.
    void stop();

    // `work` runs on the instrument thread; `deliver` then gets its result on the owner's thread,
    // from its event loop. Work dropped by stop() is destroyed without running either.
    template<typename Work, typename Deliver>
    void post(Work work, Deliver deliver)
    {
        enqueue([mailbox = m_mailbox, work = std::move(work), deliver = std::move(deliver)]() mutable {
            if (mailbox->stopping.load())
                return;
            mailbox->send([deliver = std::move(deliver), result = work()]() mutable { deliver(std::move(result)); });
        });
    }

    // Whether any instrument thread has been left running by its destructor.
    static bool leftWorkRunning();

private:
    // Shared with the queued work, which may outlive this object when it is left running.
    struct Mailbox
    {
        void send(std::function<void()> delivery);

        std::atomic<bool> stopping{false};
        std::mutex mutex;
        QObject *inbox = nullptr; // on the owner's thread; null once nothing is to be handed back
    };

    void enqueue(std::function<void()> job);

    const std::chrono::milliseconds m_shutdownGrace;
    QObject m_inbox;
    std::shared_ptr<Mailbox> m_mailbox;
    std::unique_ptr<QThread> m_thread;
    // Lives on m_thread: queued work runs as its events.
    std::unique_ptr<QObject> m_worker;
};
