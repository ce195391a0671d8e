#pragma once

#include "sdkabi.h"

#include <QString>

// The nine library operations as the instrument link uses them. One implementation loads the
// vendor's library at run time; tests put an in-process fake in its place.
// Every call is made from the instrument thread, except that the event handler registered with
// registerDeviceEventHandler() is called back from a thread of the library's own.
class InstrumentSdk
{
public:
    virtual ~InstrumentSdk() = default;

    // For a support report, from any thread: where the library was loaded from, or why it
    // cannot be used.
    virtual QString libraryDescription() const { return QString(); }

    virtual I1Pro3Status getDevices(I1Pro3DeviceHandle **devices, uint32_t *count) = 0;
    virtual I1Pro3Status openDevice(I1Pro3DeviceHandle device) = 0;
    virtual I1Pro3Status closeDevice(I1Pro3DeviceHandle device) = 0;
    virtual I1Pro3Status setOption(I1Pro3DeviceHandle device, const char *key, const char *value) = 0;
    virtual const char *getOption(I1Pro3DeviceHandle device, const char *key) = 0;
    virtual I1Pro3Status calibrate(I1Pro3DeviceHandle device) = 0;
    virtual I1Pro3Status triggerMeasurement(I1Pro3DeviceHandle device) = 0;
    virtual I1Pro3Status getDensities(I1Pro3DeviceHandle device, float *densities, int32_t *index,
                                      int32_t reserved) = 0;
    virtual I1Pro3Status registerDeviceEventHandler(I1Pro3DeviceEventHandler handler, void *context) = 0;
};
