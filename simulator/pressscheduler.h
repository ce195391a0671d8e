#pragma once

#include "bridge/sdk/sdkabi.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class Journal;

// Presses the simulated instrument's button from a thread of its own, some time after a
// handler is registered. Replacing or clearing the handler cancels a pending press and waits
// for one being delivered, so that no call arrives once the replacing call has returned.
class PressScheduler final
{
public:
    struct Press
    {
        I1Pro3DeviceEventHandler handler = nullptr;
        void *context = nullptr;
        I1Pro3DeviceHandle device = nullptr;
        int delayMs = 0;
        // Delivered just before the press, to check that the program ignores other events.
        std::optional<int32_t> eventBefore;
    };

    // Every event is written to the journal just before the handler is called.
    explicit PressScheduler(Journal &journal);
    ~PressScheduler();
    PressScheduler(const PressScheduler &) = delete;
    PressScheduler &operator=(const PressScheduler &) = delete;

    // Cancels the previous press, if any, then starts waiting for this one.
    void schedule(const Press &press);
    void cancel();

private:
    struct Delivery
    {
        std::mutex mutex;
        std::condition_variable wake;
        bool cancelled = false;
    };

    static void deliver(const std::shared_ptr<Delivery> &delivery, const Press &press, Journal &journal);
    void stopDelivery();

    Journal &m_journal;
    // Serialises schedule() and cancel(); never held by the delivering thread's handler call.
    std::mutex m_mutex;
    std::shared_ptr<Delivery> m_delivery;
    std::thread m_thread;
};
