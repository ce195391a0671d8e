#include "fakeinstrumentsdk.h"

#include <thread>

FakeInstrumentSdk::FakeInstrumentSdk()
{
    setDeviceCount(1);
}

void FakeInstrumentSdk::setDeviceCount(int count)
{
    m_devices.clear();
    for (int index = 0; index < count; ++index)
        m_devices.push_back(device(index));
}

void FakeInstrumentSdk::setOption(const std::string &key, std::optional<std::string> value)
{
    m_options[key] = std::move(value);
}

bool FakeInstrumentSdk::deliverEvent(int32_t event)
{
    std::lock_guard lock(m_mutex);
    if (!m_handler)
        return false;
    m_handler(m_devices.empty() ? nullptr : m_devices.front(), event, m_context);
    return true;
}

bool FakeInstrumentSdk::hasHandler()
{
    std::lock_guard lock(m_mutex);
    return m_handler != nullptr;
}

QStringList FakeInstrumentSdk::journal()
{
    std::lock_guard lock(m_mutex);
    return *m_journal;
}

QString FakeInstrumentSdk::name(I1Pro3DeviceHandle device) const
{
    if (!device)
        return QStringLiteral("null");
    for (size_t index = 0; index < m_deviceTags.size(); ++index) {
        if (device == &m_deviceTags[index])
            return QString::number(index + 1);
    }
    return QStringLiteral("unknown");
}

void FakeInstrumentSdk::record(const QString &line)
{
    std::lock_guard lock(m_mutex);
    *m_journal << line;
}

I1Pro3Status FakeInstrumentSdk::getDevices(I1Pro3DeviceHandle **devices, uint32_t *count)
{
    record(QStringLiteral("GetDevices"));
    *devices = m_devices.empty() ? nullptr : m_devices.data();
    *count = static_cast<uint32_t>(m_devices.size());
    return 0;
}

I1Pro3Status FakeInstrumentSdk::openDevice(I1Pro3DeviceHandle device)
{
    record(QStringLiteral("OpenDevice ") + name(device));
    return 0;
}

I1Pro3Status FakeInstrumentSdk::closeDevice(I1Pro3DeviceHandle device)
{
    record(QStringLiteral("CloseDevice ") + name(device));
    return 0;
}

I1Pro3Status FakeInstrumentSdk::setOption(I1Pro3DeviceHandle device, const char *key, const char *value)
{
    record(QStringLiteral("SetOption %1 %2=%3").arg(name(device), QString::fromUtf8(key), QString::fromUtf8(value)));
    m_options[key] = std::string(value);
    return 0;
}

const char *FakeInstrumentSdk::getOption(I1Pro3DeviceHandle device, const char *key)
{
    record(QStringLiteral("GetOptionD %1 %2").arg(name(device), QString::fromUtf8(key)));
    std::this_thread::sleep_for(m_optionDelay.load());
    const auto found = m_options.find(key);
    if (found == m_options.end() || !found->second)
        return nullptr;
    // Overwritten by the next call, as the library's own texts are.
    m_optionBuffer = *found->second;
    return m_optionBuffer.c_str();
}

I1Pro3Status FakeInstrumentSdk::calibrate(I1Pro3DeviceHandle device)
{
    record(QStringLiteral("Calibrate ") + name(device));
    return m_calibrationStatus;
}

I1Pro3Status FakeInstrumentSdk::triggerMeasurement(I1Pro3DeviceHandle device)
{
    record(QStringLiteral("TriggerMeasurement ") + name(device));
    return 0;
}

I1Pro3Status FakeInstrumentSdk::getDensities(I1Pro3DeviceHandle device, float *densities, int32_t *, int32_t)
{
    record(QStringLiteral("GetDensities ") + name(device));
    std::copy(m_densities.begin(), m_densities.end(), densities);
    return 0;
}

I1Pro3Status FakeInstrumentSdk::registerDeviceEventHandler(I1Pro3DeviceEventHandler handler, void *context)
{
    record(handler ? QStringLiteral("Register handler") : QStringLiteral("Register null"));
    {
        std::lock_guard lock(m_mutex);
        m_handler = handler;
        m_context = context;
    }
    if (handler && m_onRegister)
        m_onRegister();
    return 0;
}
