#include "pressscheduler.h"

#include "journal.h"

#include <chrono>
#include <string>

PressScheduler::PressScheduler(Journal &journal)
    : m_journal(journal)
{
}

PressScheduler::~PressScheduler()
{
    cancel();
}

void PressScheduler::schedule(const Press &press)
{
    const std::lock_guard lock(m_mutex);
    stopDelivery();
    m_delivery = std::make_shared<Delivery>();
    m_thread = std::thread(&PressScheduler::deliver, m_delivery, press, std::ref(m_journal));
}

void PressScheduler::cancel()
{
    const std::lock_guard lock(m_mutex);
    stopDelivery();
}

void PressScheduler::stopDelivery()
{
    if (!m_delivery)
        return;
    {
        const std::lock_guard lock(m_delivery->mutex);
        m_delivery->cancelled = true;
    }
    m_delivery->wake.notify_all();
    // A handler that unregisters itself runs on this very thread, which ends once it returns.
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
    m_delivery.reset();
}

void PressScheduler::deliver(const std::shared_ptr<Delivery> &delivery, const Press &press,
                             Journal &journal)
{
    // The lock is not held while the handler runs, so the handler may call into the library;
    // the join in stopDelivery() is what keeps calls from arriving after a cancel returned.
    const auto stillWanted = [&delivery] {
        const std::lock_guard lock(delivery->mutex);
        return !delivery->cancelled;
    };
    {
        std::unique_lock lock(delivery->mutex);
        const auto delay = std::chrono::milliseconds(press.delayMs);
        if (delivery->wake.wait_for(lock, delay, [&delivery] { return delivery->cancelled; }))
            return;
    }
    if (press.eventBefore) {
        journal.write("Event " + std::to_string(*press.eventBefore));
        press.handler(press.device, *press.eventBefore, press.context);
        if (!stillWanted())
            return;
    }
    journal.write("Press");
    press.handler(press.device, sdk::ButtonPressedEvent, press.context);
}
