#pragma once

#include "bridge/sdk/instrumentsdk.h"

#include <QMap>
#include <QStringList>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// An in-process instrument library: what it lists and answers is set by the test, every call is
// journalled, and a press can be delivered from another thread through the registered handler.
class FakeInstrumentSdk final : public InstrumentSdk
{
public:
    FakeInstrumentSdk();

    // Instruments listed by getDevices(); each handle is distinct and non-null.
    void setDeviceCount(int count);
    I1Pro3DeviceHandle device(int index) { return &m_deviceTags[index]; }
    // An option of the open instrument; std::nullopt makes getOption() answer null.
    void setOption(const std::string &key, std::optional<std::string> value);
    void setCalibrationStatus(I1Pro3Status status) { m_calibrationStatus = status; }
    void setDensities(const std::array<float, 4> &densities) { m_densities = densities; }
    // How long getOption() takes from now on; it may be changed while calls run.
    void setOptionDelay(std::chrono::microseconds delay) { m_optionDelay = delay; }
    // Runs on the thread of the registering call, after the handler is stored.
    void setOnRegister(std::function<void()> onRegister) { m_onRegister = std::move(onRegister); }

    // Calls the registered handler, if any, as the library's own thread would; false if none.
    bool deliverEvent(int32_t event);
    bool hasHandler();
    QStringList journal();
    // The journal, still readable after the fake is gone (for owners that destroy it).
    std::shared_ptr<const QStringList> keepJournal() const { return m_journal; }

    I1Pro3Status getDevices(I1Pro3DeviceHandle **devices, uint32_t *count) override;
    I1Pro3Status openDevice(I1Pro3DeviceHandle device) override;
    I1Pro3Status closeDevice(I1Pro3DeviceHandle device) override;
    I1Pro3Status setOption(I1Pro3DeviceHandle device, const char *key, const char *value) override;
    const char *getOption(I1Pro3DeviceHandle device, const char *key) override;
    I1Pro3Status calibrate(I1Pro3DeviceHandle device) override;
    I1Pro3Status triggerMeasurement(I1Pro3DeviceHandle device) override;
    I1Pro3Status getDensities(I1Pro3DeviceHandle device, float *densities, int32_t *index,
                              int32_t reserved) override;
    I1Pro3Status registerDeviceEventHandler(I1Pro3DeviceEventHandler handler, void *context) override;

private:
    QString name(I1Pro3DeviceHandle device) const;
    void record(const QString &line);

    std::array<int, 4> m_deviceTags = {};
    std::vector<I1Pro3DeviceHandle> m_devices;
    std::map<std::string, std::optional<std::string>> m_options;
    std::string m_optionBuffer;
    I1Pro3Status m_calibrationStatus = 0;
    std::array<float, 4> m_densities = {};
    std::function<void()> m_onRegister;
    std::atomic<std::chrono::microseconds> m_optionDelay{std::chrono::microseconds::zero()};

    std::mutex m_mutex;
    I1Pro3DeviceEventHandler m_handler = nullptr;
    void *m_context = nullptr;
    std::shared_ptr<QStringList> m_journal = std::make_shared<QStringList>();
};
