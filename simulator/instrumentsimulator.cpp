#include "instrumentsimulator.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {
constexpr I1Pro3Status Success = 0;
constexpr I1Pro3Status UnknownDevice = 1;
constexpr I1Pro3Status InvalidArgument = 2;
constexpr I1Pro3Status CalibrationFailed = 3;

std::string textOrNull(const char *text)
{
    return text ? std::string(text) : std::string("(null)");
}
} // namespace

InstrumentSimulator &InstrumentSimulator::instance()
{
    static InstrumentSimulator simulator;
    return simulator;
}

InstrumentSimulator::InstrumentSimulator()
    : m_environment(SimulatorConfig::readEnvironment())
    , m_config(SimulatorConfig::load(m_environment))
{
    applyConfig();
}

void InstrumentSimulator::applyConfig()
{
    m_journal.setPath(m_config.journalPath());
    m_journal.setClock(m_config.journalClock());
    const auto wanted = static_cast<size_t>(m_config.deviceCount());
    if (m_devices.size() > wanted)
        m_devices.erase(m_devices.begin() + static_cast<std::ptrdiff_t>(wanted), m_devices.end());
    // Handles are tokens that are never dereferenced and never reused, so a handle kept from
    // before an unplug stays unknown even after an instrument is plugged in again.
    while (m_devices.size() < wanted)
        m_devices.push_back({reinterpret_cast<I1Pro3DeviceHandle>(0x1000 + ++m_lastHandleToken), {}});
    m_handles.clear();
    for (const auto &device : m_devices)
        m_handles.push_back(device.handle);
}

InstrumentSimulator::Device *InstrumentSimulator::find(I1Pro3DeviceHandle handle)
{
    const auto found = std::find_if(m_devices.begin(), m_devices.end(),
                                    [handle](const Device &device) { return device.handle == handle; });
    return handle && found != m_devices.end() ? &*found : nullptr;
}

std::string InstrumentSimulator::describe(I1Pro3DeviceHandle handle) const
{
    if (!handle)
        return "null";
    for (size_t index = 0; index < m_devices.size(); ++index) {
        if (m_devices[index].handle == handle)
            return std::to_string(index + 1);
    }
    return "unknown";
}

void InstrumentSimulator::journal(const std::string &call, I1Pro3DeviceHandle handle,
                                  const std::string &detail)
{
    m_journal.write(call + " " + describe(handle) + (detail.empty() ? "" : " " + detail));
}

I1Pro3Status InstrumentSimulator::getDevices(I1Pro3DeviceHandle **devices, uint32_t *count)
{
    const std::lock_guard lock(m_mutex);
    m_config = SimulatorConfig::load(m_environment);
    applyConfig();
    m_journal.write("GetDevices " + std::to_string(m_handles.size()));
    if (!devices || !count)
        return InvalidArgument;
    *devices = m_handles.empty() ? nullptr : m_handles.data();
    *count = static_cast<uint32_t>(m_handles.size());
    return Success;
}

I1Pro3Status InstrumentSimulator::openDevice(I1Pro3DeviceHandle device)
{
    const std::lock_guard lock(m_mutex);
    journal("OpenDevice", device);
    return find(device) ? Success : UnknownDevice;
}

I1Pro3Status InstrumentSimulator::closeDevice(I1Pro3DeviceHandle device)
{
    const std::lock_guard lock(m_mutex);
    journal("CloseDevice", device);
    return find(device) ? Success : UnknownDevice;
}

I1Pro3Status InstrumentSimulator::setOption(I1Pro3DeviceHandle device, const char *key, const char *value)
{
    const std::lock_guard lock(m_mutex);
    journal("SetOption", device, textOrNull(key) + "=" + textOrNull(value));
    Device *target = find(device);
    if (!target)
        return UnknownDevice;
    if (!key || !value)
        return InvalidArgument;
    target->options.insert_or_assign(key, value);
    return Success;
}

const char *InstrumentSimulator::getOption(I1Pro3DeviceHandle device, const char *key)
{
    const std::lock_guard lock(m_mutex);
    journal("GetOptionD", device, textOrNull(key));
    const Device *source = find(device);
    if (!source || !key || m_config.isNulled(key))
        return nullptr;
    const auto set = source->options.find(key);
    const auto text = set != source->options.end()
                          ? std::optional(set->second)
                          : m_config.option(key, static_cast<int>(source - m_devices.data()) + 1);
    if (!text)
        return nullptr;
    m_optionText = *text;
    return m_optionText.c_str();
}

I1Pro3Status InstrumentSimulator::calibrate(I1Pro3DeviceHandle device)
{
    int blocksMs = 0;
    {
        const std::lock_guard lock(m_mutex);
        blocksMs = m_config.calibrationMs();
    }
    // Outside the lock: a slow instrument holds up its caller, not the simulator.
    std::this_thread::sleep_for(std::chrono::milliseconds(blocksMs));
    const std::lock_guard lock(m_mutex);
    Device *target = find(device);
    const bool succeeds = target && !m_config.calibrationFails();
    journal("Calibrate", device, succeeds ? "ok" : "fail");
    if (!target)
        return UnknownDevice;
    if (!succeeds) {
        target->options.insert_or_assign("LastError", m_config.calibrationError());
        return CalibrationFailed;
    }
    // A good calibration clears the previous failure, back to the configured text.
    target->options.erase("LastError");
    return Success;
}

I1Pro3Status InstrumentSimulator::triggerMeasurement(I1Pro3DeviceHandle device)
{
    const std::lock_guard lock(m_mutex);
    journal("TriggerMeasurement", device);
    return find(device) ? Success : UnknownDevice;
}

I1Pro3Status InstrumentSimulator::getDensities(I1Pro3DeviceHandle device, float *densities)
{
    const std::lock_guard lock(m_mutex);
    journal("GetDensities", device);
    if (!find(device))
        return UnknownDevice;
    if (!densities)
        return InvalidArgument;
    std::copy(m_config.densities().begin(), m_config.densities().end(), densities);
    return Success;
}

I1Pro3Status InstrumentSimulator::registerDeviceEventHandler(I1Pro3DeviceEventHandler handler, void *context)
{
    PressScheduler::Press press;
    {
        const std::lock_guard lock(m_mutex);
        m_journal.write(handler ? "RegisterDeviceEventHandler set" : "RegisterDeviceEventHandler null");
        // Nobody presses the button of an instrument that is not plugged in.
        if (handler && m_config.pressAfterMs() && !m_devices.empty())
            press = {handler, context, m_devices.front().handle, *m_config.pressAfterMs(),
                     m_config.eventBeforePress()};
    }
    // Outside the lock: cancelling waits for a running handler, which may call into the library.
    if (press.handler)
        m_presses.schedule(press);
    else
        m_presses.cancel();
    return Success;
}
