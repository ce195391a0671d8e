#include "bridge/densityline.h"
#include "bridge/instrumentlink.h"
#include "fakeinstrumentsdk.h"
#include "standardoutputcapture.h"
#include "support/isolatedenvironment.h"
#include "support/commalocale.h"
#include "support/logcapture.h"

#include <QApplication>
#include <QtTest>

#include <clocale>

using namespace std::chrono_literals;
Q_DECLARE_METATYPE(Densities)

class InstrumentLinkTest final : public QObject
{
    Q_OBJECT
private slots:
    void densityLine_data();
    void densityLine();
    void densityLineIgnoresCommaLocale();
    void connectFirstDevice_data();
    void connectFirstDevice();
    void keepsHeldInstrumentOpenAndForgetsUnpluggedOne();
    void report_data();
    void report();
    void deviceInfoLogsAndAnswersTheReport();
    void option_data();
    void option();
    void calibration_data();
    void calibration();
    void calibrationsFollowOnOneLine();
    void calibrateAfterPressStopsAtFirstFailure_data();
    void calibrateAfterPressStopsAtFirstFailure();
    void scanReadsAfterTrigger();
    void scanMeasuresAnywayWhenNobodyPresses();
};

void InstrumentLinkTest::densityLine_data()
{
    QTest::addColumn<Densities>("densities");
    QTest::addColumn<QString>("line");
    QTest::newRow("mixed") << Densities{0.5f, 1.25f, 0.0f, -0.1f} << "0.500000|1.250000|0.000000|-0.100000";
    QTest::newRow("rounding") << Densities{1.2345675f, 0.0000004f, 0.0000006f, 2.0f}
                              << "1.234568|0.000000|0.000001|2.000000";
    QTest::newRow("largest float, never cut")
        << Densities{3.40282347e38f, -1e10f, 0.0f, 1.0f}
        << "340282346638528859811704183484516925440.000000|-10000000000.000000|0.000000|1.000000";
    QTest::newRow("negative zero") << Densities{-0.0f, 0.0f, 0.0f, 0.0f} << "-0.000000|0.000000|0.000000|0.000000";
}

void InstrumentLinkTest::densityLine()
{
    QFETCH(Densities, densities);
    QFETCH(QString, line);
    QCOMPARE(formatDensityLine(densities), line);
}

void InstrumentLinkTest::densityLineIgnoresCommaLocale()
{
    QVERIFY2(provideCommaLocale(), "localedef could not build de_DE.UTF-8");
    QVERIFY(std::setlocale(LC_ALL, "de_DE.UTF-8"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    char probe[32];
    std::snprintf(probe, sizeof probe, "%f", -0.1);
    QCOMPARE(probe, "-0,100000"); // the locale really is in force

    const QString line = formatDensityLine({1234567.5f, -0.1f, 0.5f, 3.40282347e38f});

    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
    QCOMPARE(line, QStringLiteral("1234567.500000|-0.100000|0.500000|340282346638528859811704183484516925440.000000"));
}

void InstrumentLinkTest::connectFirstDevice_data()
{
    QTest::addColumn<int>("devices");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("none") << 0 << QStringList{"No device connected"} << QStringList{"CloseDevice null", "GetDevices"};
    QTest::newRow("one") << 1 << QStringList{"Number of connected devices:  1"}
                         << QStringList{"CloseDevice null", "GetDevices", "OpenDevice 1"};
    QTest::newRow("two, first used") << 2 << QStringList{"Number of connected devices:  2"}
                                     << QStringList{"CloseDevice null", "GetDevices", "OpenDevice 1"};
}

void InstrumentLinkTest::connectFirstDevice()
{
    QFETCH(int, devices);
    FakeInstrumentSdk sdk;
    sdk.setDeviceCount(devices);
    InstrumentLink link(sdk);
    LogCapture log;

    const I1Pro3DeviceHandle handle = link.connectFirstDevice();

    QCOMPARE(handle, devices ? sdk.device(0) : nullptr);
    QCOMPARE(link.handle(), handle);
    QTEST(log.lines(), "log");
    QTEST(sdk.journal(), "calls");
}

void InstrumentLinkTest::keepsHeldInstrumentOpenAndForgetsUnpluggedOne()
{
    FakeInstrumentSdk sdk;
    InstrumentLink link(sdk);
    QVERIFY(link.isConnected());
    QVERIFY(link.isConnected());
    QCOMPARE(sdk.journal(), (QStringList{"CloseDevice null", "GetDevices", "OpenDevice 1", "GetDevices", "OpenDevice 1"}));

    sdk.setDeviceCount(0);
    LogCapture log;
    QVERIFY(!link.isConnected());
    QCOMPARE(link.handle(), nullptr);
    QCOMPARE(log.lines(), (QStringList{"test is connected", "No device connected"}));
}

void InstrumentLinkTest::report_data()
{
    QTest::addColumn<bool>("nullTexts");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("report");
    QTest::newRow("four-character serial")
        << false << "ABCD"
        << "\nSERIAL_NUMBER:               ABCD\nMEASUREMENT_MODE:            ReflectanceSpot"
           "\nLAST_ERROR:                  NoError\nAVAILABLE_MEASUREMENT_MODES: ReflectanceSpot;EmissionSpot";
    QTest::newRow("non-ASCII serial") << false << QString::fromUtf8("Sé-€")
                                      << QString::fromUtf8("\nSERIAL_NUMBER:               Sé-€\nMEASUREMENT_MODE:            "
                                                           "ReflectanceSpot\nLAST_ERROR:                  NoError\n"
                                                           "AVAILABLE_MEASUREMENT_MODES: ReflectanceSpot;EmissionSpot");
    QTest::newRow("null texts") << true << ""
                                << "\nSERIAL_NUMBER:               \nMEASUREMENT_MODE:            "
                                   "\nLAST_ERROR:                  \nAVAILABLE_MEASUREMENT_MODES: ";
}

void InstrumentLinkTest::report()
{
    QFETCH(bool, nullTexts);
    QFETCH(QString, serial);
    FakeInstrumentSdk sdk;
    if (!nullTexts) {
        sdk.setOption("SerialNumber", serial.toStdString());
        sdk.setOption("MeasurementMode", "ReflectanceSpot");
        sdk.setOption("LastError", "NoError");
        sdk.setOption("AvailableMeasurementModes", "ReflectanceSpot;EmissionSpot");
    }
    InstrumentLink link(sdk);
    link.connectFirstDevice();

    QTEST(link.deviceReport(), "report");
    QCOMPARE(link.serialNumber(), serial);
}

void InstrumentLinkTest::deviceInfoLogsAndAnswersTheReport()
{
    FakeInstrumentSdk sdk;
    sdk.setOption("SerialNumber", "ABCD");
    InstrumentLink link(sdk);
    link.connectFirstDevice();
    const int callsBefore = sdk.journal().size();
    LogCapture log;

    const QString info = link.deviceInfo();

    QCOMPARE(log.lines(), QStringList{QStringLiteral("OK: ") + info});
    QVERIFY(info.startsWith(QStringLiteral("\nSERIAL_NUMBER:               ABCD\n")));
    QCOMPARE(sdk.journal().size() - callsBefore, 8);
}

void InstrumentLinkTest::option_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("answer");
    QTest::newRow("known") << "MeasurementMode" << "ReflectanceScan";
    QTest::newRow("unknown gives empty") << "NoSuchOption" << "";
    QTest::newRow("empty key") << "" << "";
    QTest::newRow("non-ASCII key as UTF-8") << QString::fromUtf8("Farbe-ü") << QString::fromUtf8("grün");
}

void InstrumentLinkTest::option()
{
    QFETCH(QString, key);
    FakeInstrumentSdk sdk;
    sdk.setOption("MeasurementMode", "ReflectanceScan");
    sdk.setOption("Farbe-ü", "grün");
    InstrumentLink link(sdk);
    link.connectFirstDevice();

    QTEST(link.option(key), "answer");
    QCOMPARE(sdk.journal().last(), QStringLiteral("GetOptionD 1 ") + key);
}

void InstrumentLinkTest::calibration_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("success") << 0 << "DONE" << QByteArray("Calibrating 'ReflectanceSpot' ...");
    QTest::newRow("failure") << 7 << "ERROR"
                             << QByteArray("Calibrating 'ReflectanceSpot' ...\n FAIL (last error: LampFailure)");
}

void InstrumentLinkTest::calibration()
{
    QFETCH(int, status);
    FakeInstrumentSdk sdk;
    sdk.setCalibrationStatus(status);
    sdk.setOption("MeasurementMode", "ReflectanceScan");
    sdk.setOption("LastError", "LampFailure");
    InstrumentLink link(sdk);
    link.connectFirstDevice();
    LogCapture log;
    StandardOutputCapture output;
    const QString answer = link.calibrateNow();
    const QByteArray written = output.finish();

    QTEST(answer, "answer");
    QTEST(written, "output");
    QCOMPARE(log.lines(), QStringList{"Calibrating"});
    const QStringList calls = sdk.journal().mid(3);
    QCOMPARE(calls.mid(0, 5), (QStringList{"SetOption 1 MeasurementMode=ReflectanceSpot",
                                           "SetOption 1 Colorimetric.DensityFilterMode=Auto",
                                           "SetOption 1 Colorimetric.WhiteBase=Absolute",
                                           "GetOptionD 1 MeasurementMode", "Calibrate 1"}));
}

void InstrumentLinkTest::calibrationsFollowOnOneLine()
{
    FakeInstrumentSdk sdk;
    InstrumentLink link(sdk);
    link.connectFirstDevice();
    LogCapture log; // the test's own report of debug lines goes to standard output
    StandardOutputCapture output;
    const QStringList answers{link.calibrateNow(), link.calibrateNow()};
    const QByteArray written = output.finish();

    QCOMPARE(answers, (QStringList{"DONE", "DONE"}));
    QCOMPARE(written, QByteArray("Calibrating 'ReflectanceSpot' ...Calibrating 'ReflectanceSpot' ..."));
}

void InstrumentLinkTest::calibrateAfterPressStopsAtFirstFailure_data()
{
    QTest::addColumn<int>("devices");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("waited");
    QTest::addColumn<bool>("calibrated");
    QTest::newRow("no instrument") << 0 << true << "NOT_CONNECTED" << false << false;
    QTest::newRow("nobody presses") << 1 << false << "NOT_PRESSED" << true << false;
    QTest::newRow("pressed") << 1 << true << "DONE" << true << true;
}

void InstrumentLinkTest::calibrateAfterPressStopsAtFirstFailure()
{
    QFETCH(int, devices);
    QFETCH(bool, pressed);
    FakeInstrumentSdk sdk;
    sdk.setDeviceCount(devices);
    if (pressed)
        sdk.setOnRegister([&sdk] { std::thread([&sdk] { sdk.deliverEvent(sdk::ButtonPressedEvent); }).join(); });
    InstrumentLink link(sdk, 1ms);
    LogCapture log;
    StandardOutputCapture output;
    const QString answer = link.calibrateAfterPress();
    output.finish();

    QTEST(answer, "answer");
    QCOMPARE(log.lines().mid(0, 2), (QStringList{"test is connected", devices ? "Number of connected devices:  1"
                                                                              : "No device connected"}));

    const QStringList calls = sdk.journal();
    QTEST(calls.contains(QStringLiteral("Register handler")), "waited");
    QTEST(calls.contains(QStringLiteral("Calibrate 1")), "calibrated");
}

void InstrumentLinkTest::scanReadsAfterTrigger()
{
    FakeInstrumentSdk sdk;
    sdk.setDensities({0.5f, 1.25f, 0.0f, -0.1f});
    InstrumentLink link(sdk);
    link.connectFirstDevice();

    QCOMPARE(link.scanNow(), QStringLiteral("0.500000|1.250000|0.000000|-0.100000"));
    QCOMPARE(sdk.journal().mid(3), (QStringList{"TriggerMeasurement 1", "GetDensities 1"}));
}

void InstrumentLinkTest::scanMeasuresAnywayWhenNobodyPresses()
{
    FakeInstrumentSdk sdk;
    sdk.setDensities({0.5f, 1.25f, 0.0f, -0.1f});
    InstrumentLink link(sdk, 1ms);
    link.connectFirstDevice();
    LogCapture log;

    QCOMPARE(link.scanAfterPress(), QStringLiteral("0.500000|1.250000|0.000000|-0.100000"));
    QCOMPARE(log.lines().last(), QStringLiteral("600 JJ 0"));
}

MIREL_TEST_MAIN(InstrumentLinkTest)
#include "tst_instrumentlink.moc"
