#pragma once

// The C interface of the instrument vendor's library, exactly as this program calls it.
// The simulated instrument implements the same declarations, so both sides stay in step.

#include <cstdint>

extern "C" {

// Opaque, pointer-sized; null means no instrument.
typedef void *I1Pro3DeviceHandle;
// 0 is success. Only the calibration's status is ever looked at.
typedef int32_t I1Pro3Status;
// Called by the library from a thread of its own; the first value is not used.
typedef void (*I1Pro3DeviceEventHandler)(I1Pro3DeviceHandle device, int32_t event, void *context);

typedef I1Pro3Status (*I1Pro3GetDevicesFunction)(I1Pro3DeviceHandle **devices, uint32_t *count);
typedef I1Pro3Status (*I1Pro3OpenDeviceFunction)(I1Pro3DeviceHandle device);
typedef I1Pro3Status (*I1Pro3CloseDeviceFunction)(I1Pro3DeviceHandle device);
typedef I1Pro3Status (*I1Pro3SetOptionFunction)(I1Pro3DeviceHandle device, const char *key,
                                                const char *value);
// The text belongs to the library and is valid until the next call into it.
typedef const char *(*I1Pro3GetOptionDFunction)(I1Pro3DeviceHandle device, const char *key);
typedef I1Pro3Status (*I1Pro3CalibrateFunction)(I1Pro3DeviceHandle device);
typedef I1Pro3Status (*I1Pro3TriggerMeasurementFunction)(I1Pro3DeviceHandle device);
// Fills four densities; the integer out-parameter is never read by this program.
typedef I1Pro3Status (*I1Pro3GetDensitiesFunction)(I1Pro3DeviceHandle device, float *densities,
                                                   int32_t *index, int32_t reserved);
// (null, null) unregisters; no call arrives after the unregistering call has returned.
typedef I1Pro3Status (*I1Pro3RegisterDeviceEventHandlerFunction)(I1Pro3DeviceEventHandler handler,
                                                                 void *context);

} // extern "C"

namespace sdk {
// The event code of a press on the instrument's button.
constexpr int32_t ButtonPressedEvent = 1;
// Number of densities one measurement gives.
constexpr int DensityCount = 4;
} // namespace sdk
