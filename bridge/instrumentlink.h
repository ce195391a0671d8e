#pragma once

#include "buttonwait.h"
#include "instrumentstatus.h"
#include "sdk/instrumentsdk.h"

#include <QString>

#include <chrono>
#include <functional>

// Holds the instrument handle and does the instrument work behind the bridge's device slots.
// Runs on the instrument thread only, apart from cancelButtonWaits().
class InstrumentLink final
{
public:
    // `callerGone` (instrument thread) tells whether the page that asked for the running work is
    // gone: its button wait ends, and no measurement or calibration is started for it.
    explicit InstrumentLink(InstrumentSdk &sdk,
                            std::chrono::milliseconds pollInterval = ButtonWait::DefaultPollInterval,
                            std::function<bool()> callerGone = {});

    // Enumerates afresh and opens the first instrument listed; the handle now held, or null.
    I1Pro3DeviceHandle connectFirstDevice();
    I1Pro3DeviceHandle handle() const { return m_handle; }
    // Any thread.
    const InstrumentStatus &status() const { return m_status; }

    bool isConnected();
    QString serialNumber();
    QString option(const QString &key);
    QString deviceReport();
    // The report, logged after "OK:" and then built afresh for the answer.
    QString deviceInfo();

    QString calibrateAfterPress();
    QString calibrateNow();
    QString scanAfterPress();
    QString scanNow();

    bool waitForButtonPress() { return m_buttonWait.waitForPress(); }
    // Any thread: ends a running button wait and every later one, for shutdown.
    void cancelButtonWaits() { m_buttonWait.cancel(); }
    // Any thread, after callerGone has become true: a running wait ends at once.
    void wakeButtonWait() { m_buttonWait.wake(); }

private:
    QString calibrate();
    QString readDensities();
    // The option's text as the library gives it; null stays null.
    const char *optionText(const char *key);

    InstrumentSdk &m_sdk;
    I1Pro3DeviceHandle m_handle = nullptr;
    ButtonWait m_buttonWait;
    InstrumentStatus m_status;
};
