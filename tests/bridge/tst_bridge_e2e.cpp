#include "support/isolatedenvironment.h"
#include "support/mirelprocess.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace {
QString json(const QString &text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

// Calls the slots one after another; doOneScan only when a press will come.
QString slotsScript(bool withButtonScan)
{
    return QStringLiteral(R"(
    for (const [name, ...args] of [["isConnected"], ["Connected"], ["getDeviceID"], ["getOption", "MeasurementMode"],
                                   ["getDeviceInfo"], ["doCalibrateNow"], ["doCalibrate"], ["doOneScanNow"]%1]) {
        report(name, await call(name, ...args));
    }
    report("done", true);
)")
        .arg(withButtonScan ? QStringLiteral(", [\"doOneScan\"]") : QString());
}
} // namespace

// The real executable driving the simulated instrument: what the page, the log and standard
// output see.
class BridgeEndToEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void everySlotAnswers();
    void withoutInstrument_data();
    void withoutInstrument();
    void failedCalibrationReportsLastError();
    void pageIsAnsweredDuringAButtonWait();
    void closingDuringAButtonWaitExitsCleanly();
};

void BridgeEndToEndTest::everySlotAnswers()
{
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.setEnvironment("MIREL_SIM_SERIAL", "ABCD");
    mirel.setEnvironment("MIREL_SIM_OPTIONS", "MeasurementMode=ReflectanceScan;LastError=NoError;"
                                              "AvailableMeasurementModes=Spot,Scan");
    mirel.setEnvironment("MIREL_SIM_DENSITIES", "0.5,1.25,0,-0.1");
    mirel.setEnvironment("MIREL_SIM_PRESS_AFTER_MS", "250");
    mirel.writeSettings({{"Server", mirel.writeBridgePage("slots.html", slotsScript(true))}});
    mirel.start();

    QVERIFY(mirel.waitForReport("done"));
    const QString report = "\nSERIAL_NUMBER:               ABCD\nMEASUREMENT_MODE:            ReflectanceScan"
                           "\nLAST_ERROR:                  NoError\nAVAILABLE_MEASUREMENT_MODES: Spot,Scan";
    const QMap<QString, QString> expected{
        {"isConnected", "true"},
        {"Connected", "true"},
        {"getDeviceID", json("ABCD")},
        {"getOption", json("ReflectanceScan")},
        {"getDeviceInfo", json(report)},
        {"doCalibrateNow", json("DONE")},
        {"doCalibrate", json("DONE")},
        {"doOneScanNow", json("0.500000|1.250000|0.000000|-0.100000")},
        {"doOneScan", json("0.500000|1.250000|0.000000|-0.100000")},
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(mirel.waitForReport(it.key(), 0).value_or("(no answer)"), it.value());

    QCOMPARE(mirel.stop(), 0);
    const QStringList log = mirel.logLines();
    const QString logText = log.join('\n');
    QVERIFY(log.contains("Number of connected devices:  1"));
    QVERIFY(logText.contains("\nOK: " + report + "\n"));
    QVERIFY(log.contains("Calibrating"));
    QCOMPARE(log.count("pressed"), 2);
    QCOMPARE(log.filter(QRegularExpression("^\\d+ JJ 1$")).size(), 2);
    QVERIFY(log.filter(QRegularExpression("^\\d+ II \\d$")).size() >= 2);
    QCOMPARE(mirel.standardOutput(), QByteArray("Calibrating 'ReflectanceSpot' ...Calibrating 'ReflectanceSpot' ..."));
}

void BridgeEndToEndTest::withoutInstrument_data()
{
    QTest::addColumn<bool>("simulator");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("none listed") << true << "No device connected";
    QTest::newRow("library missing") << false << "Instrument library not loaded:";
}

void BridgeEndToEndTest::withoutInstrument()
{
    QFETCH(bool, simulator);
    QFETCH(QString, logLine);
    MirelProcess mirel;
    if (simulator) {
        mirel.useSimulator();
        mirel.setEnvironment("MIREL_SIM_DEVICES", "0");
    } else {
        mirel.setEnvironment("MIREL_SDK_LIBRARY", mirel.home() + "/no-such-library.so");
    }
    mirel.writeSettings({{"Server", mirel.writeBridgePage("none.html", R"(
    const started = performance.now();
    report("firstCalibrate", await call("doCalibrate"));
    report("calibrateMs", performance.now() - started);
)" + slotsScript(false))}});
    mirel.start();

    QVERIFY(mirel.waitForReport("done"));
    QCOMPARE(mirel.waitForReport("firstCalibrate", 0), json("NOT_CONNECTED"));
    QVERIFY(mirel.waitForReport("calibrateMs", 0)->toDouble() < 1000);
    const QMap<QString, QString> expected{
        {"isConnected", "false"},
        {"getDeviceID", json("")},
        {"getOption", json("")},
        {"getDeviceInfo", json("\nSERIAL_NUMBER:               \nMEASUREMENT_MODE:            "
                               "\nLAST_ERROR:                  \nAVAILABLE_MEASUREMENT_MODES: ")},
        {"doCalibrateNow", json("ERROR")},
        {"doCalibrate", json("NOT_CONNECTED")},
        {"doOneScanNow", json("0.000000|0.000000|0.000000|0.000000")},
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(mirel.waitForReport(it.key(), 0).value_or("(no answer)"), it.value());
    QCOMPARE(mirel.stop(), 0);
    QVERIFY2(!mirel.logLines().filter(QRegularExpression("^" + QRegularExpression::escape(logLine))).isEmpty(),
             qPrintable(mirel.logLines().join('\n')));
}

void BridgeEndToEndTest::failedCalibrationReportsLastError()
{
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.setEnvironment("MIREL_SIM_CALIBRATION", "fail");
    mirel.setEnvironment("MIREL_SIM_LAST_ERROR", "LampFailure");
    mirel.writeSettings({{"Server", mirel.writeBridgePage("fail.html", R"(
    report("doCalibrateNow", await call("doCalibrateNow"));
)")}});
    mirel.start();

    QCOMPARE(mirel.waitForReport("doCalibrateNow"), json("ERROR"));
    QCOMPARE(mirel.stop(), 0);
    QCOMPARE(mirel.standardOutput(), QByteArray("Calibrating 'ReflectanceSpot' ...\n FAIL (last error: LampFailure)"));
}

void BridgeEndToEndTest::pageIsAnsweredDuringAButtonWait()
{
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.setEnvironment("MIREL_SIM_PRESS_AFTER_MS", "2000");
    mirel.writeSettings({{"Server", mirel.writeBridgePage("wait.html", R"(
    const started = performance.now();
    const scan = call("doOneScan").then(line => { report("scanMs", performance.now() - started); return line; });
    await new Promise(resolve => setTimeout(resolve, 300));
    const asked = performance.now();
    report("setIni", await call("setIni", "Answered", "during wait"));
    report("setIniMs", performance.now() - asked);
    let frames = 0;
    const counting = performance.now();
    while (performance.now() - counting < 500)
        await new Promise(resolve => requestAnimationFrame(() => { ++frames; resolve(); }));
    report("frames", frames);
    report("scan", await scan);
)")}});
    mirel.start();

    QCOMPARE(mirel.waitForReport("setIni"), json("Answered=during wait"));
    const double setIniMs = mirel.waitForReport("setIniMs")->toDouble();
    // Far below the 1.7 s the wait still had to run; the settings write itself syncs to disk.
    QVERIFY2(setIniMs < 1000, qPrintable(QString::number(setIniMs)));
    QVERIFY(mirel.waitForReport("frames")->toInt() >= 5);
    QVERIFY(mirel.waitForReport("scan"));
    QVERIFY(mirel.waitForReport("scanMs", 0)->toDouble() >= 1900);
    QCOMPARE(mirel.stop(), 0);
}

void BridgeEndToEndTest::closingDuringAButtonWaitExitsCleanly()
{
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.writeSettings({{"Server", mirel.writeBridgePage("close.html", R"(
    report("scan", await call("doOneScan"));
)")}});
    mirel.start();
    QVERIFY(mirel.waitForLogLine("3 II 0"));

    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(mirel.stop(), 0);
    QVERIFY2(elapsed.elapsed() < 3000, qPrintable(QString::number(elapsed.elapsed())));

    const QByteArrayList calls = mirel.simulatorJournal();
    QCOMPARE(calls.last(), QByteArray("RegisterDeviceEventHandler null"));
    QVERIFY(!calls.contains("TriggerMeasurement 1"));
}

MIREL_TEST_MAIN(BridgeEndToEndTest)
#include "tst_bridge_e2e.moc"
