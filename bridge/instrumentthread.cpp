#include "instrumentthread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <mutex>
#include <utility>

#ifdef Q_OS_WIN
#include <objbase.h>
#endif

namespace {
std::atomic<bool> workLeftRunning{false};

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

    const Work work;
    const Receive receive;
    std::atomic<bool> stopping{false};
    // Guards the queues and flags. No thread wakes another while holding it, so the woken one
    // never has to wait for it.
    std::mutex mutex;
    RingQueue<InstrumentCall> calls;
    RingQueue<InstrumentAnswer> answers;
    bool workerWoken = false; // a wake-up is on its way to the worker, or it is running calls
    bool inboxWoken = false;  // a wake-up is on its way to the inbox
    QObject *worker = nullptr; // set before the thread starts
    // Guards the inbox: the instrument thread wakes it only while it is there.
    std::mutex inboxMutex;
    QObject *inbox = nullptr; // on the owner's thread; null once nothing is to be handed back
};

void InstrumentThread::Mailbox::runNext()
{
    InstrumentCall call;
    {
        std::lock_guard lock(mutex);
        if (stopping.load() || calls.empty()) {
            workerWoken = false;
            return;
        }
        call = calls.pop();
    }
    InstrumentAnswer answer = work(call);
    bool wakeInbox = false;
    bool more = false;
    {
        std::lock_guard lock(mutex);
        if (stopping.load())
            return; // nothing more is handed back, nothing more started
        answers.push(std::move(answer));
        wakeInbox = !std::exchange(inboxWoken, true);
        more = !calls.empty();
        workerWoken = more;
    }
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
    {
        std::lock_guard lock(mailbox.mutex);
        if (mailbox.stopping.load())
            return;
        mailbox.calls.push(std::move(call));
        wake = !std::exchange(mailbox.workerWoken, true);
    }
    // The worker goes only in the destructor, on this thread.
    if (wake)
        QCoreApplication::postEvent(mailbox.worker, new QEvent(wakeUpEvent()));
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

bool InstrumentThread::leftWorkRunning()
{
    return workLeftRunning.load();
}
