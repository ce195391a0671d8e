// The library's C interface, exported under the vendor's names so that the program loads the
// simulator exactly as it loads the real library. Every function forwards to the one simulator.

#include "bridge/sdk/sdkabi.h"
#include "instrumentsimulator.h"

#include <type_traits>

#ifdef _WIN32
#define MIRELSIM_EXPORT extern "C" __declspec(dllexport)
#else
#define MIRELSIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

MIRELSIM_EXPORT I1Pro3Status I1PRO3_GetDevices(I1Pro3DeviceHandle **devices, uint32_t *count)
{
    return InstrumentSimulator::instance().getDevices(devices, count);
}

MIRELSIM_EXPORT I1Pro3Status I1PRO3_OpenDevice(I1Pro3DeviceHandle device)
{
    return InstrumentSimulator::instance().openDevice(device);
}

MIRELSIM_EXPORT I1Pro3Status I1PRO3_CloseDevice(I1Pro3DeviceHandle device)
{
    return InstrumentSimulator::instance().closeDevice(device);
}

MIRELSIM_EXPORT I1Pro3Status I1PRO3_SetOption(I1Pro3DeviceHandle device, const char *key, const char *value)
{
    return InstrumentSimulator::instance().setOption(device, key, value);
}

MIRELSIM_EXPORT const char *I1PRO3_GetOptionD(I1Pro3DeviceHandle device, const char *key)
{
    return InstrumentSimulator::instance().getOption(device, key);
}

MIRELSIM_EXPORT I1Pro3Status I1PRO3_Calibrate(I1Pro3DeviceHandle device)
{
    return InstrumentSimulator::instance().calibrate(device);
}

MIRELSIM_EXPORT I1Pro3Status I1PRO3_TriggerMeasurement(I1Pro3DeviceHandle device)
{
    return InstrumentSimulator::instance().triggerMeasurement(device);
}

// The index out-parameter and the reserved value are not used by the program, so neither here.
MIRELSIM_EXPORT I1Pro3Status I1PRO3_GetDensities(I1Pro3DeviceHandle device, float *densities,
                                                 int32_t *, int32_t)
{
    return InstrumentSimulator::instance().getDensities(device, densities);
}

MIRELSIM_EXPORT I1Pro3Status I1PRO3_RegisterDeviceEventHandler(I1Pro3DeviceEventHandler handler,
                                                               void *context)
{
    return InstrumentSimulator::instance().registerDeviceEventHandler(handler, context);
}

// The program resolves these names with the typedefs of sdkabi.h; a drift must not compile.
static_assert(std::is_same_v<decltype(&I1PRO3_GetDevices), I1Pro3GetDevicesFunction>);
static_assert(std::is_same_v<decltype(&I1PRO3_OpenDevice), I1Pro3OpenDeviceFunction>);
static_assert(std::is_same_v<decltype(&I1PRO3_CloseDevice), I1Pro3CloseDeviceFunction>);
static_assert(std::is_same_v<decltype(&I1PRO3_SetOption), I1Pro3SetOptionFunction>);
static_assert(std::is_same_v<decltype(&I1PRO3_GetOptionD), I1Pro3GetOptionDFunction>);
static_assert(std::is_same_v<decltype(&I1PRO3_Calibrate), I1Pro3CalibrateFunction>);
static_assert(std::is_same_v<decltype(&I1PRO3_TriggerMeasurement), I1Pro3TriggerMeasurementFunction>);
static_assert(std::is_same_v<decltype(&I1PRO3_GetDensities), I1Pro3GetDensitiesFunction>);
static_assert(std::is_same_v<decltype(&I1PRO3_RegisterDeviceEventHandler),
                             I1Pro3RegisterDeviceEventHandlerFunction>);
