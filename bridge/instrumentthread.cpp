#include "instrumentthread.h"

#include <QDeadlineTimer>
#include <QThread>

#ifdef Q_OS_WIN
#include <objbase.h>
#endif

namespace {
std::atomic<bool> workLeftRunning{false};

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
} // namespace

InstrumentThread::InstrumentThread(std::chrono::milliseconds shutdownGrace)
    : m_shutdownGrace(shutdownGrace)
    , m_mailbox(std::make_shared<Mailbox>())
    , m_thread(std::make_unique<LibraryThread>())
    , m_worker(std::make_unique<QObject>())
{
    m_mailbox->inbox = &m_inbox;
    m_worker->moveToThread(m_thread.get());
    m_thread->setObjectName(QStringLiteral("instrument"));
    m_thread->start();
}

InstrumentThread::~InstrumentThread()
{
    stop();
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(m_shutdownGrace))) {
        // Drops the work that never started, and with it its unfinished answers.
        m_worker.reset();
        return;
    }
    // Joining would hang the shutdown on a call that may never return.
    workLeftRunning.store(true);
    static_cast<void>(m_worker.release());
    static_cast<void>(m_thread.release());
}

void InstrumentThread::stop()
{
    m_mailbox->stopping.store(true);
    std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->inbox = nullptr;
}

bool InstrumentThread::leftWorkRunning()
{
    return workLeftRunning.load();
}

void InstrumentThread::enqueue(std::function<void()> job)
{
    QMetaObject::invokeMethod(m_worker.get(), std::move(job), Qt::QueuedConnection);
}

void InstrumentThread::Mailbox::send(std::function<void()> delivery)
{
    std::lock_guard lock(mutex);
    if (inbox)
        QMetaObject::invokeMethod(inbox, std::move(delivery), Qt::QueuedConnection);
}
