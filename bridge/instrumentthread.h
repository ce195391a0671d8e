#pragma once

#include "ringqueue.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QObject;
class QThread;

// One call of the page on the instrument, as the instrument thread is given it.
struct InstrumentCall
{
    enum class Kind : uint8_t {
        ConnectFirstDevice, // at start; unanswered, run whatever document is shown
        IsConnected,
        SerialNumber,
        DeviceInfo,
        Option,
        CalibrateAfterPress,
        CalibrateNow,
        ScanAfterPress,
        ScanNow, // stays last: the instrument thread keeps a figure for each kind up to it
    };

    Kind kind = Kind::ConnectFirstDevice;
    uint64_t number = 0;   // the owner's count of its calls, handed back with the answer
    uint64_t document = 0; // the document that made the call
    QString key;           // Option's argument
};

// What the instrument thread hands back for a call.
struct InstrumentAnswer
{
    uint64_t number = 0;
    bool run = false; // false: not run, its document was gone by then
    bool flag = false; // IsConnected's answer
    QString text;     // the other kinds' answer
};

// One thread for all instrument work, living as long as its owner. Calls run one at a time, in
// the order they were posted, between the events of the thread's own event loop; each answer is
// then handed back to the owner's thread, again in posting order, so that answers leave in the
// order the calls came. Each way a call is handed over once: it is queued, and the other thread is
// woken only when it was not already going to look at the queue, so a call costs no allocation
// of its own on the way (one wake-up event each way when the other side was idle).
class InstrumentThread final
{
public:
    // Instrument thread: runs one call.
    using Work = std::function<InstrumentAnswer(const InstrumentCall &)>;
    // Owner's thread, from its event loop: takes one answer.
    using Receive = std::function<void(InstrumentAnswer &&)>;

    // Enough for an ordinary calibration or measurement to finish; short enough that a program
    // closed during a call that never returns still ends within 3 s.
    static constexpr std::chrono::milliseconds DefaultShutdownGrace{2500};

    // Constructed on the owner's thread, which must run an event loop for the answers.
    InstrumentThread(Work work, Receive receive, std::chrono::milliseconds shutdownGrace = DefaultShutdownGrace);
    // Drops the calls not yet started and waits up to the grace time for the running one. A call
    // still running then (a library call that does not return) is left to the operating system:
    // the thread is not joined, and keeps alive what its work holds. Whoever owns the work must
    // first end any long wait in it.
    ~InstrumentThread();
    InstrumentThread(const InstrumentThread &) = delete;
    InstrumentThread &operator=(const InstrumentThread &) = delete;

    // Owner's thread. After stop(), the call is dropped. When the worker was idle and the call's
    // kind ran quickly last time, waits a few tens of microseconds for the answer without
    // sleeping and, if it comes, hands it (after any earlier ones) to Receive before returning:
    // a sleep and a wake-up of the owner's thread would cost more.
    void post(InstrumentCall call);

    // Any thread: no queued call starts after the running one returns, and nothing more is
    // handed back.
    void stop();

    // Owner's thread: whether no call is running or waiting to run.
    bool isIdle() const;
    // Owner's thread: waits up to `limit` until no call is running or waiting; false when one
    // still is then.
    bool waitUntilIdle(std::chrono::milliseconds limit) const;

    // Whether any instrument thread has been left running by its destructor.
    static bool leftWorkRunning();

    // Shared with the thread, which may outlive this object when it is left running.
    struct Mailbox;

private:
    const std::chrono::milliseconds m_shutdownGrace;
    std::shared_ptr<Mailbox> m_mailbox;
    std::unique_ptr<QObject> m_inbox; // on the owner's thread
    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<QObject> m_worker; // lives on m_thread
};
