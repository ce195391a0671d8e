#pragma once

#include "instrumentsdk.h"

#include <QLibrary>
#include <QString>

// The vendor's library, loaded at run time so that a machine without it still starts.
// When the library or any of its nine functions is missing, one debug line says what is
// missing and every call takes its fallback (see sdklibrary.cpp): no instrument is ever
// listed, so the bridge answers as with none connected.
class SdkLibrary final : public InstrumentSdk
{
public:
    // The library to load: the value of MIREL_SDK_LIBRARY when set (a path or a name, as the
    // administrator gave it), otherwise the vendor's. Given the program's folder (on Windows),
    // that is the full path of "i1Pro364.dll" there, so that no copy planted in the current
    // folder or on PATH is loaded; without one, "i1Pro364", found the platform's usual way.
    static QString libraryName(const QString &overrideFromEnvironment, const QString &programFolder = QString());
    static QString libraryNameFromEnvironment();

    explicit SdkLibrary(const QString &name);

    bool isLoaded() const { return m_loaded; }
    QString libraryDescription() const override { return m_description; }

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

    struct Functions
    {
        I1Pro3GetDevicesFunction getDevices;
        I1Pro3OpenDeviceFunction openDevice;
        I1Pro3CloseDeviceFunction closeDevice;
        I1Pro3SetOptionFunction setOption;
        I1Pro3GetOptionDFunction getOption;
        I1Pro3CalibrateFunction calibrate;
        I1Pro3TriggerMeasurementFunction triggerMeasurement;
        I1Pro3GetDensitiesFunction getDensities;
        I1Pro3RegisterDeviceEventHandlerFunction registerDeviceEventHandler;
    };

private:
    bool resolveAll();

    QLibrary m_library;
    Functions m_functions;
    bool m_loaded = false;
    QString m_description;
};
