#pragma once

#include "sdk/instrumentsdk.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// Waits for a press of the instrument's button: registers an event handler with the library for
// the duration of one wait and polls up to MaximumPolls times. A press wakes the current poll at
// once instead of letting it sleep out its interval.
class ButtonWait final
{
public:
    static constexpr int32_t MaximumPolls = 600;
    static constexpr std::chrono::milliseconds DefaultPollInterval{100};

    // `callerGone`, asked on the waiting thread, ends a wait whose caller no longer wants the
    // answer; whoever makes it true calls wake() afterwards.
    explicit ButtonWait(InstrumentSdk &sdk, std::chrono::milliseconds pollInterval = DefaultPollInterval,
                        std::function<bool()> callerGone = {});
    ButtonWait(const ButtonWait &) = delete;
    ButtonWait &operator=(const ButtonWait &) = delete;

    // Instrument thread. True when the button was pressed before the last poll ran out;
    // false after MaximumPolls polls, once cancelled, or once the caller is gone.
    bool waitForPress();

    // Any thread. Ends a running wait and makes every later wait return false at once;
    // used when the program shuts down.
    void cancel();
    bool isCancelled() const;
    // Waiting thread: cancelled, or the caller is gone; a wait that ends so reports no press.
    bool isAbandoned() const { return isCancelled() || m_callerGone(); }
    // Any thread: lets a running wait look at `callerGone` again at once.
    void wake();

private:
    static void onDeviceEvent(I1Pro3DeviceHandle device, int32_t event, void *context);
    void press();

    InstrumentSdk &m_sdk;
    const std::chrono::milliseconds m_pollInterval;
    // Written by the library's own thread, read by the waiting one.
    std::atomic<int32_t> m_flag{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_cancelled = false;
    const std::function<bool()> m_callerGone;
};
