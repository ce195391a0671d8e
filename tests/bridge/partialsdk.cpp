// A library that offers only some of the nine functions, and lists an instrument, to show that
// the loader falls back as a whole rather than call through a half-resolved table.
#include "bridge/sdk/sdkabi.h"

#if defined(_WIN32)
#define PARTIAL_EXPORT extern "C" __declspec(dllexport)
#else
#define PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
int instrument = 0;
I1Pro3DeviceHandle devices[] = {&instrument};
} // namespace

PARTIAL_EXPORT I1Pro3Status I1PRO3_GetDevices(I1Pro3DeviceHandle **list, uint32_t *count)
{
    *list = devices;
    *count = 1;
    return 0;
}
PARTIAL_EXPORT I1Pro3Status I1PRO3_OpenDevice(I1Pro3DeviceHandle) { return 0; }
PARTIAL_EXPORT I1Pro3Status I1PRO3_CloseDevice(I1Pro3DeviceHandle) { return 0; }
PARTIAL_EXPORT I1Pro3Status I1PRO3_SetOption(I1Pro3DeviceHandle, const char *, const char *) { return 0; }
PARTIAL_EXPORT const char *I1PRO3_GetOptionD(I1Pro3DeviceHandle, const char *) { return "partial"; }
PARTIAL_EXPORT I1Pro3Status I1PRO3_TriggerMeasurement(I1Pro3DeviceHandle) { return 0; }
PARTIAL_EXPORT I1Pro3Status I1PRO3_RegisterDeviceEventHandler(I1Pro3DeviceEventHandler, void *) { return 0; }
