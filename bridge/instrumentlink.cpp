#include "instrumentlink.h"

#include "densityline.h"

#include <QDebug>

#include <cstdio>

namespace {
const QString Done = QStringLiteral("DONE");
const QString Error = QStringLiteral("ERROR");
const QString NotPressed = QStringLiteral("NOT_PRESSED");
const QString NotConnected = QStringLiteral("NOT_CONNECTED");

// Each label is 30 characters, so the values line up in one column.
constexpr struct
{
    const char *label;
    const char *option;
} ReportLines[] = {
    {"\nSERIAL_NUMBER:               ", "SerialNumber"},
    {"\nMEASUREMENT_MODE:            ", "MeasurementMode"},
    {"\nLAST_ERROR:                  ", "LastError"},
    {"\nAVAILABLE_MEASUREMENT_MODES: ", "AvailableMeasurementModes"},
};

// Set before every calibration, in this order.
constexpr struct
{
    const char *key;
    const char *value;
} CalibrationOptions[] = {
    {"MeasurementMode", "ReflectanceSpot"},
    {"Colorimetric.DensityFilterMode", "Auto"},
    {"Colorimetric.WhiteBase", "Absolute"},
};

const char *orEmpty(const char *text)
{
    return text ? text : "";
}
} // namespace

InstrumentLink::InstrumentLink(InstrumentSdk &sdk, std::chrono::milliseconds pollInterval,
                               std::function<bool()> callerGone)
    : m_sdk(sdk)
    , m_buttonWait(sdk, pollInterval, std::move(callerGone))
{
}

I1Pro3DeviceHandle InstrumentLink::connectFirstDevice()
{
    // A held handle stays open: closing it could drop the calibration the instrument holds.
    if (!m_handle)
        m_sdk.closeDevice(nullptr);

    I1Pro3DeviceHandle *devices = nullptr;
    uint32_t count = 0;
    m_sdk.getDevices(&devices, &count);
    if (count >= 1 && devices) {
        qDebug() << "Number of connected devices: " << count;
        m_sdk.openDevice(devices[0]);
        m_handle = devices[0];
        m_status.setConnected(true);
        return m_handle;
    }
    qDebug() << "No device connected";
    m_handle = nullptr;
    m_status.setConnected(false);
    return nullptr;
}

bool InstrumentLink::isConnected()
{
    qDebug() << "test is connected";
    return connectFirstDevice() != nullptr;
}

const char *InstrumentLink::optionText(const char *key)
{
    const char *text = m_sdk.getOption(m_handle, key);
    if (qstrcmp(key, "SerialNumber") == 0)
        m_status.setSerial(QString::fromUtf8(orEmpty(text)));
    return text;
}

QString InstrumentLink::serialNumber()
{
    return QString::fromUtf8(orEmpty(optionText("SerialNumber")));
}

QString InstrumentLink::option(const QString &key)
{
    return QString::fromUtf8(orEmpty(optionText(key.toUtf8().constData())));
}

QString InstrumentLink::deviceReport()
{
    QByteArray report;
    for (const auto &line : ReportLines) {
        report += line.label;
        // Copied at once: the library's text lives only until the next call.
        report += orEmpty(optionText(line.option));
    }
    return QString::fromUtf8(report);
}

QString InstrumentLink::deviceInfo()
{
    qDebug() << "OK:" << deviceReport().toUtf8().constData();
    return deviceReport();
}

QString InstrumentLink::calibrateAfterPress()
{
    qDebug() << "test is connected";
    if (!connectFirstDevice())
        return NotConnected;
    if (!waitForButtonPress())
        return NotPressed;
    // The press may have come just as the page went: its answer would reach no one.
    if (m_buttonWait.isAbandoned())
        return QString();
    return calibrate();
}

QString InstrumentLink::calibrateNow()
{
    qDebug() << "Calibrating";
    return calibrate();
}

QString InstrumentLink::scanAfterPress()
{
    waitForButtonPress();
    // Shutting down, or the page went: no measurement for a page that is not there.
    if (m_buttonWait.isAbandoned())
        return QString();
    return readDensities();
}

QString InstrumentLink::scanNow()
{
    return readDensities();
}

QString InstrumentLink::calibrate()
{
    for (const auto &option : CalibrationOptions)
        m_sdk.setOption(m_handle, option.key, option.value);

    std::printf("Calibrating '%s' ...", orEmpty(optionText("MeasurementMode")));
    if (m_sdk.calibrate(m_handle) == 0) {
        m_status.setCalibration(Done, QString());
        return Done;
    }
    const QByteArray lastError = orEmpty(optionText("LastError"));
    std::printf("\n FAIL (last error: %s)", lastError.constData());
    m_status.setCalibration(Error, QString::fromUtf8(lastError));
    return Error;
}

QString InstrumentLink::readDensities()
{
    Densities densities = {0.0f, 0.0f, 0.0f, 0.0f};
    int32_t index = 0;
    m_sdk.triggerMeasurement(m_handle);
    m_sdk.getDensities(m_handle, densities.data(), &index, 0);
    return formatDensityLine(densities);
}
