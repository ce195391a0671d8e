#pragma once

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QThread>

#include <memory>
#include <type_traits>
#include <utility>

// One thread for all instrument work, living as long as its owner. Work runs one piece at a
// time in the order it was posted, so the GUI thread never waits on the instrument.
class InstrumentThread final
{
public:
    InstrumentThread();
    // Waits for the running piece of work to return; work not yet started is dropped and its
    // future cancelled. Whoever owns the work must first end any long wait in it.
    ~InstrumentThread();
    InstrumentThread(const InstrumentThread &) = delete;
    InstrumentThread &operator=(const InstrumentThread &) = delete;

    template<typename Work>
    QFuture<std::invoke_result_t<Work>> post(Work work)
    {
        using Result = std::invoke_result_t<Work>;
        auto promise = std::make_shared<QPromise<Result>>();
        QFuture<Result> future = promise->future();
        promise->start();
        QMetaObject::invokeMethod(
            m_context.get(),
            [promise, work = std::move(work)]() mutable {
                promise->addResult(work());
                promise->finish();
            },
            Qt::QueuedConnection);
        return future;
    }

private:
    QThread m_thread;
    // Lives in m_thread; the queued work is delivered to it.
    std::unique_ptr<QObject> m_context;
};
