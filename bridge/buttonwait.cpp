#include "buttonwait.h"

#include <QDebug>

ButtonWait::ButtonWait(InstrumentSdk &sdk, std::chrono::milliseconds pollInterval, std::function<bool()> callerGone)
    : m_sdk(sdk)
    , m_pollInterval(pollInterval)
    , m_callerGone(callerGone ? std::move(callerGone) : [] { return false; })
{
}

bool ButtonWait::waitForPress()
{
    m_flag.store(0);
    m_sdk.registerDeviceEventHandler(&ButtonWait::onDeviceEvent, this);

    int32_t count = 0;
    bool cancelled = isAbandoned();
    while (m_flag.load() < 1 && count < MaximumPolls && !cancelled) {
        ++count;
        std::unique_lock lock(m_mutex);
        const auto ended = [this] { return m_cancelled || m_callerGone(); };
        m_changed.wait_for(lock, m_pollInterval, [&] { return m_flag.load() >= 1 || ended(); });
        cancelled = ended();
        lock.unlock();
        qDebug() << count << "II" << m_flag.load();
    }

    m_sdk.registerDeviceEventHandler(nullptr, nullptr);
    qDebug() << count << "JJ" << m_flag.load();
    return !cancelled && count != MaximumPolls;
}

void ButtonWait::cancel()
{
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_changed.notify_all();
}

void ButtonWait::wake()
{
    // Taking the lock orders this after the waiter's last look at callerGone, so it cannot sleep
    // through the change.
    { std::lock_guard lock(m_mutex); }
    m_changed.notify_all();
}

bool ButtonWait::isCancelled() const
{
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

void ButtonWait::onDeviceEvent(I1Pro3DeviceHandle, int32_t event, void *context)
{
    if (event == sdk::ButtonPressedEvent)
        static_cast<ButtonWait *>(context)->press();
}

void ButtonWait::press()
{
    qDebug() << "pressed";
    {
        // Under the lock, so the waiting thread cannot miss the wake-up between test and wait.
        std::lock_guard lock(m_mutex);
        m_flag.store(1);
    }
    m_changed.notify_all();
}
