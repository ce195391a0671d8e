#include "buttonwait.h"

#include <QDebug>

ButtonWait::ButtonWait(InstrumentSdk &sdk, std::chrono::milliseconds pollInterval)
    : m_sdk(sdk)
    , m_pollInterval(pollInterval)
{
}

bool ButtonWait::waitForPress()
{
    m_flag.store(0);
    m_sdk.registerDeviceEventHandler(&ButtonWait::onDeviceEvent, this);

    int32_t count = 0;
    bool cancelled = isCancelled();
    while (m_flag.load() < 1 && count < MaximumPolls && !cancelled) {
        ++count;
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, m_pollInterval, [this] { return m_flag.load() >= 1 || m_cancelled; });
        cancelled = m_cancelled;
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
