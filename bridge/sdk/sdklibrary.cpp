#include "sdklibrary.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {
// Fallbacks, used all together when the library cannot be used. Every status is a failure.
constexpr I1Pro3Status Unavailable = -1;

// Lists no instrument: both out-parameters are cleared.
I1Pro3Status absentGetDevices(I1Pro3DeviceHandle **devices, uint32_t *count)
{
    *devices = nullptr;
    *count = 0;
    return Unavailable;
}
// Opening, closing, setting an option and triggering do nothing.
I1Pro3Status absentDeviceCall(I1Pro3DeviceHandle) { return Unavailable; }
I1Pro3Status absentSetOption(I1Pro3DeviceHandle, const char *, const char *) { return Unavailable; }
// Every option is a null text, which the link answers as an empty one.
const char *absentGetOption(I1Pro3DeviceHandle, const char *) { return nullptr; }
// The densities keep whatever the caller put there.
I1Pro3Status absentGetDensities(I1Pro3DeviceHandle, float *, int32_t *, int32_t) { return Unavailable; }
// No handler is kept, so no press ever arrives.
I1Pro3Status absentRegister(I1Pro3DeviceEventHandler, void *) { return Unavailable; }

constexpr SdkLibrary::Functions AbsentFunctions = {
    absentGetDevices, absentDeviceCall, absentDeviceCall, absentSetOption, absentGetOption,
    absentDeviceCall, // calibrate: fails, so the page is answered "ERROR"
    absentDeviceCall, absentGetDensities, absentRegister,
};
} // namespace

QString SdkLibrary::libraryName(const QString &overrideFromEnvironment, const QString &programFolder)
{
    if (!overrideFromEnvironment.isEmpty())
        return overrideFromEnvironment;
    if (!programFolder.isEmpty())
        return QDir(programFolder).filePath(QStringLiteral("i1Pro364.dll"));
    return QStringLiteral("i1Pro364");
}

QString SdkLibrary::libraryNameFromEnvironment()
{
    QString programFolder;
#ifdef Q_OS_WIN
    programFolder = QCoreApplication::applicationDirPath();
#endif
    // Not qgetenv: on Windows that is the 8-bit code page, which cannot hold every path.
    return libraryName(qEnvironmentVariable("MIREL_SDK_LIBRARY"), programFolder);
}

SdkLibrary::SdkLibrary(const QString &name)
    : m_library(name)
    , m_functions(AbsentFunctions)
{
    if (!m_library.load()) {
        qDebug() << "Instrument library not loaded:" << m_library.errorString();
        m_description = QStringLiteral("not loaded: ") + m_library.errorString();
        return;
    }
    m_loaded = resolveAll();
    const QString file = QFileInfo::exists(m_library.fileName()) ? QFileInfo(m_library.fileName()).absoluteFilePath()
                                                                 : m_library.fileName();
    m_description = (m_loaded ? QStringLiteral("loaded from ") : QStringLiteral("unusable, a function is missing: "))
            + QDir::toNativeSeparators(file);
}

bool SdkLibrary::resolveAll()
{
    Functions resolved = {};
    QStringList missing;
    const auto resolve = [&](auto &slot, const char *symbol) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(m_library.resolve(symbol));
        if (!slot)
            missing << QString::fromLatin1(symbol);
    };
    resolve(resolved.getDevices, "I1PRO3_GetDevices");
    resolve(resolved.openDevice, "I1PRO3_OpenDevice");
    resolve(resolved.closeDevice, "I1PRO3_CloseDevice");
    resolve(resolved.setOption, "I1PRO3_SetOption");
    resolve(resolved.getOption, "I1PRO3_GetOptionD");
    resolve(resolved.calibrate, "I1PRO3_Calibrate");
    resolve(resolved.triggerMeasurement, "I1PRO3_TriggerMeasurement");
    resolve(resolved.getDensities, "I1PRO3_GetDensities");
    resolve(resolved.registerDeviceEventHandler, "I1PRO3_RegisterDeviceEventHandler");
    if (!missing.isEmpty()) {
        qDebug() << "Instrument library" << m_library.fileName() << "lacks"
                 << missing.join(QLatin1Char(' ')).toLatin1().constData();
        return false;
    }
    m_functions = resolved;
    return true;
}

I1Pro3Status SdkLibrary::getDevices(I1Pro3DeviceHandle **devices, uint32_t *count)
{
    return m_functions.getDevices(devices, count);
}

I1Pro3Status SdkLibrary::openDevice(I1Pro3DeviceHandle device)
{
    return m_functions.openDevice(device);
}

I1Pro3Status SdkLibrary::closeDevice(I1Pro3DeviceHandle device)
{
    return m_functions.closeDevice(device);
}

I1Pro3Status SdkLibrary::setOption(I1Pro3DeviceHandle device, const char *key, const char *value)
{
    return m_functions.setOption(device, key, value);
}

const char *SdkLibrary::getOption(I1Pro3DeviceHandle device, const char *key)
{
    return m_functions.getOption(device, key);
}

I1Pro3Status SdkLibrary::calibrate(I1Pro3DeviceHandle device)
{
    return m_functions.calibrate(device);
}

I1Pro3Status SdkLibrary::triggerMeasurement(I1Pro3DeviceHandle device)
{
    return m_functions.triggerMeasurement(device);
}

I1Pro3Status SdkLibrary::getDensities(I1Pro3DeviceHandle device, float *densities, int32_t *index,
                                      int32_t reserved)
{
    return m_functions.getDensities(device, densities, index, reserved);
}

I1Pro3Status SdkLibrary::registerDeviceEventHandler(I1Pro3DeviceEventHandler handler, void *context)
{
    return m_functions.registerDeviceEventHandler(handler, context);
}
