#include "instrumentthread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <array>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>

#ifdef Q_OS_WIN
#include <objbase.h>
#endif
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#include <immintrin.h>
#endif

namespace {
std::atomic<bool> workLeftRunning{false};

using Clock = std::chrono::steady_clock;

// How long the owner waits for a quick call's answer without sleeping, and how quick the call's
// kind must have been last time. A sleep and a wake-up cost more than this on a virtual machine.
constexpr std::chrono::microseconds SpinLimit{60};
constexpr std::chrono::microseconds QuickWork{20};
// A waiting loop's pause: tells the processor to spare the power and its sibling thread.
inline void relaxProcessor()
{
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
    _mm_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// ScanNow is the last kind.
constexpr std::size_t KindCount = std::size_t(InstrumentCall::Kind::ScanNow) + 1;

QEvent::Type wakeUpEvent()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// The vendor's library was made to be called from a GUI thread, which has an apartment-threaded
// COM and a message loop between calls; it may create hidden windows or use COM, so this thread
// offers the same (on Windows the event loop is a message loop).
class LibraryThread final : public QThread
{
protected:
    void run() override
    {
#ifdef Q_OS_WIN
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
#endif
        exec();
#ifdef Q_OS_WIN
        if (SUCCEEDED(com))
            CoUninitialize();
#endif
    }
};

// Looks at the mailbox when woken up, on the thread it lives on.
class Waker final : public QObject
{
public:
    explicit Waker(std::function<void()> look)
        : m_look(std::move(look))
    {
    }

    bool event(QEvent *event) override
    {
        if (event->type() != wakeUpEvent())
            return QObject::event(event);
        m_look();
        return true;
    }

private:
    const std::function<void()> m_look;
};
} // namespace

struct InstrumentThread::Mailbox
{
    Mailbox(Work work, Receive receive)
        : work(std::move(work))
        , receive(std::move(receive))
    {
    }

    // Instrument thread: runs the first queued call and hands its answer back.
    void runNext();
    // Owner's thread: hands on the answers that have come.
    void deliver();
    // Owner's thread, right after posting a quick call to an idle worker: waits up to SpinLimit
    // for its answer without sleeping, then hands on what has come.
    void awaitQuickAnswer();
    bool isQuick(InstrumentCall::Kind kind) const
    {
        return lastWorkNs[std::size_t(kind)].load(std::memory_order_relaxed)
               < std::chrono::nanoseconds(QuickWork).count();
    }

    const Work work;
    const Receive receive;
    std::atomic<bool> stopping{false};
    // Guards the queues and flags. No thread wakes another while holding it, so the woken one
    // never has to wait for it.
    std::mutex mutex;
    RingQueue<InstrumentCall> calls;
    RingQueue<InstrumentAnswer> answers;
    bool workerWoken = false; // a wake-up is on its way to the worker, or it is running calls
    std::condition_variable workerIdle; // workerWoken became false
    bool inboxWoken = false;  // a wake-up is on its way to the inbox
    bool ownerAwaiting = false; // the owner is spinning for an answer: no wake-up needed
    std::atomic<bool> answerForOwner{false}; // read by the spinning owner without the lock
    // How long each kind's work took last time; unknown counts as slow.
    std::array<std::atomic<int64_t>, KindCount> lastWorkNs{};
    QObject *worker = nullptr; // set before the thread starts
    // Guards the inbox: the instrument thread wakes it only while it is there.
    std::mutex inboxMutex;
    QObject *inbox = nullptr; // on the owner's thread; null once nothing is to be handed back
};

void InstrumentThread::Mailbox::runNext()
{
    InstrumentCall call;
    {
        std::unique_lock lock(mutex);
        if (stopping.load() || calls.empty()) {
            workerWoken = false;
            lock.unlock();
            workerIdle.notify_all();
            return;
        }
        call = calls.pop();
    }
    const Clock::time_point started = Clock::now();
    InstrumentAnswer answer = work(call);
    lastWorkNs[std::size_t(call.kind)].store(
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - started).count(),
            std::memory_order_relaxed);
    bool wakeInbox = false;
    bool more = false;
    {
        std::lock_guard lock(mutex);
        if (stopping.load())
            return; // nothing more is handed back, nothing more started
        answers.push(std::move(answer));
        if (ownerAwaiting)
            answerForOwner.store(true, std::memory_order_release);
        else
            wakeInbox = !std::exchange(inboxWoken, true);
        more = !calls.empty();
        workerWoken = more;
    }
    if (!more)
        workerIdle.notify_all();
    if (wakeInbox) {
        std::lock_guard lock(inboxMutex);
        if (inbox)
            QCoreApplication::postEvent(inbox, new QEvent(wakeUpEvent()));
    }
    // One call per wake-up: the thread's event loop runs between two calls, as it would between
    // two messages.
    if (more)
        QCoreApplication::postEvent(worker, new QEvent(wakeUpEvent()));
}

void InstrumentThread::Mailbox::deliver()
{
    for (;;) {
        InstrumentAnswer answer;
        {
            std::lock_guard lock(mutex);
            if (stopping.load() || answers.empty()) {
                inboxWoken = false;
                return;
            }
            answer = answers.pop();
        }
        receive(std::move(answer));
    }
}

void InstrumentThread::Mailbox::awaitQuickAnswer()
{
    const Clock::time_point started = Clock::now();
    for (Clock::duration waited{}; !answerForOwner.load(std::memory_order_acquire) && waited < SpinLimit;
         waited = Clock::now() - started) {
        // After a while, yield too: the worker may have been woken on this very processor.
        if (waited < SpinLimit / 2)
            relaxProcessor();
        else
            std::this_thread::yield();
    }
    {
        std::lock_guard lock(mutex);
        ownerAwaiting = false;
        answerForOwner.store(false, std::memory_order_relaxed);
        // Too late for the spin: the worker wakes the inbox for it as usual.
        if (answers.empty())
            return;
    }
    deliver();
}

InstrumentThread::InstrumentThread(Work work, Receive receive, std::chrono::milliseconds shutdownGrace)
    : m_shutdownGrace(shutdownGrace)
    , m_mailbox(std::make_shared<Mailbox>(std::move(work), std::move(receive)))
    , m_inbox(std::make_unique<Waker>([mailbox = m_mailbox.get()] { mailbox->deliver(); }))
    , m_thread(std::make_unique<LibraryThread>())
    // The worker keeps the mailbox, and with it the work, for as long as its thread may run.
    , m_worker(std::make_unique<Waker>([mailbox = m_mailbox] { mailbox->runNext(); }))
{
    m_mailbox->inbox = m_inbox.get();
    m_mailbox->worker = m_worker.get();
    for (auto &nanoseconds : m_mailbox->lastWorkNs)
        nanoseconds.store(std::numeric_limits<int64_t>::max(), std::memory_order_relaxed);
    m_worker->moveToThread(m_thread.get());
    m_thread->setObjectName(QStringLiteral("instrument"));
    m_thread->start();
}

InstrumentThread::~InstrumentThread()
{
    stop();
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(m_shutdownGrace))) {
        m_worker.reset();
        return;
    }
    // Joining would hang the shutdown on a call that may never return.
    workLeftRunning.store(true);
    static_cast<void>(m_worker.release());
    static_cast<void>(m_thread.release());
}

void InstrumentThread::post(InstrumentCall call)
{
    Mailbox &mailbox = *m_mailbox;
    bool wake = false;
    bool await = false;
    {
        std::lock_guard lock(mailbox.mutex);
        if (mailbox.stopping.load())
            return;
        const InstrumentCall::Kind kind = call.kind;
        mailbox.calls.push(std::move(call));
        wake = !std::exchange(mailbox.workerWoken, true);
        // Only when the worker was idle: then this call is the next it runs.
        await = wake && mailbox.isQuick(kind);
        mailbox.ownerAwaiting = await;
    }
    // The worker goes only in the destructor, on this thread.
    if (wake)
        QCoreApplication::postEvent(mailbox.worker, new QEvent(wakeUpEvent()));
    if (await)
        mailbox.awaitQuickAnswer();
}

void InstrumentThread::stop()
{
    Mailbox &mailbox = *m_mailbox;
    {
        std::lock_guard lock(mailbox.mutex);
        mailbox.stopping.store(true);
        // Dropped without running; the answers not yet taken go unanswered.
        mailbox.calls.clear();
        mailbox.answers.clear();
    }
    std::lock_guard lock(mailbox.inboxMutex);
    mailbox.inbox = nullptr;
}

bool InstrumentThread::isIdle() const
{
    std::lock_guard lock(m_mailbox->mutex);
    return !m_mailbox->workerWoken;
}

bool InstrumentThread::waitUntilIdle(std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mailbox->mutex);
    return m_mailbox->workerIdle.wait_for(lock, limit, [this] { return !m_mailbox->workerWoken; });
}

bool InstrumentThread::leftWorkRunning()
{
    return workLeftRunning.load();
}
