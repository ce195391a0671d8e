#pragma once

#include "journal.h"
#include "pressscheduler.h"
#include "simulatorconfig.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// The state behind the library's C functions: the listed instruments, the options the program
// set on them and the text last handed out. One mutex guards it all, so any thread may call.
class InstrumentSimulator final
{
public:
    // Created, and the environment read, on the first call into the library.
    static InstrumentSimulator &instance();

    I1Pro3Status getDevices(I1Pro3DeviceHandle **devices, uint32_t *count);
    I1Pro3Status openDevice(I1Pro3DeviceHandle device);
    I1Pro3Status closeDevice(I1Pro3DeviceHandle device);
    I1Pro3Status setOption(I1Pro3DeviceHandle device, const char *key, const char *value);
    // The text stays valid until the next call of this function.
    const char *getOption(I1Pro3DeviceHandle device, const char *key);
    I1Pro3Status calibrate(I1Pro3DeviceHandle device);
    I1Pro3Status triggerMeasurement(I1Pro3DeviceHandle device);
    I1Pro3Status getDensities(I1Pro3DeviceHandle device, float *densities);
    I1Pro3Status registerDeviceEventHandler(I1Pro3DeviceEventHandler handler, void *context);

private:
    struct Device
    {
        I1Pro3DeviceHandle handle = nullptr;
        // Set by the program or by the last calibration; these win over the configured texts.
        SimulatorConfig::Settings options;
    };

    InstrumentSimulator();
    // Lists as many instruments as configured, keeping those already listed.
    void applyConfig();
    Device *find(I1Pro3DeviceHandle handle);
    // The 1-based instrument number, "null" or "unknown", as the journal shows a handle.
    std::string describe(I1Pro3DeviceHandle handle) const;
    void journal(const std::string &call, I1Pro3DeviceHandle handle, const std::string &detail = {});

    std::mutex m_mutex;
    const SimulatorConfig::Settings m_environment;
    SimulatorConfig m_config;
    std::vector<Device> m_devices;
    std::vector<I1Pro3DeviceHandle> m_handles;
    std::uintptr_t m_lastHandleToken = 0;
    std::string m_optionText;
    Journal m_journal;
    // Last, so that a pending press is cancelled before anything it uses goes away.
    PressScheduler m_presses{m_journal};
};
