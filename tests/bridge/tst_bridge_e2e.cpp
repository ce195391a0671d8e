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

// The resident memory of a process, from /proc.
qint64 residentKiB(qint64 processId)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(processId));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
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
    void answersArriveInCallOrder();
    void reloadDuringAWaitStartsAfresh();
    void oldAnswersNeverReachTheNextDocument();
    void leavingWithCallsPendingKeepsMemoryFlat();
    void downloadDuringAWaitLeavesItRunning();
    void closingDuringALibraryCall_data();
    void closingDuringALibraryCall();
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
    qDebug() << "closed in" << elapsed.elapsed() << "ms";
    QVERIFY2(elapsed.elapsed() < 3000, qPrintable(QString::number(elapsed.elapsed())));

    const QByteArrayList calls = mirel.simulatorJournal();
    QCOMPARE(calls.last(), QByteArray("RegisterDeviceEventHandler null"));
    QVERIFY(!calls.contains("TriggerMeasurement 1"));
}

void BridgeEndToEndTest::answersArriveInCallOrder()
{
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.setEnvironment("MIREL_SIM_SERIAL", "ABCD");
    mirel.setEnvironment("MIREL_SIM_DENSITIES", "0.5,1.25,0,-0.1");
    mirel.writeSettings({{"Server", mirel.writeBridgePage("burst.html", R"(
    const expected = i => i < 200 ? "ABCD" : ["0.500000|1.250000|0.000000|-0.100000", true][i - 200];
    let outOfOrder = 0, wrong = 0;
    for (let burst = 0; burst < 20; ++burst) {
        const seen = [];
        await new Promise(resolve => {
            const answer = i => value => {
                seen.push(i);
                if (value !== expected(i) && !(i === 202 && value.includes("ABCD")))
                    ++wrong;
                if (seen.length === 203)
                    resolve();
            };
            for (let i = 0; i < 200; ++i)
                bridge.getOption("SerialNumber", answer(i));
            bridge.doOneScanNow(answer(200));
            bridge.isConnected(answer(201));
            bridge.getDeviceInfo(answer(202));
        });
        if (seen.some((call, position) => call !== position))
            ++outOfOrder;
    }
    report("burst", {outOfOrder, wrong});
)")}});
    mirel.start();

    QCOMPARE(mirel.waitForReport("burst", 60000), QStringLiteral(R"({"outOfOrder":0,"wrong":0})"));
    QCOMPARE(mirel.stop(), 0);
}

void BridgeEndToEndTest::reloadDuringAWaitStartsAfresh()
{
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.setEnvironment("MIREL_SIM_SERIAL", "ABCD");
    mirel.writeSettings({{"Server", mirel.writeBridgePage("reload.html", R"(
    if (!sessionStorage.getItem("reloaded")) {
        sessionStorage.setItem("reloaded", "1");
        bridge.doOneScan(line => report("oldScan", line));
        bridge.getOption("SerialNumber", serial => report("oldSerial", serial));
        await new Promise(resolve => setTimeout(resolve, 500));
        report("reloading", true);
        location.reload();
    } else {
        const started = performance.now();
        const connected = await call("isConnected");
        report("firstMs", performance.now() - started);
        report("answers", [connected, await call("getDeviceID"), await call("getOption", "MeasurementMode")]);
        await new Promise(resolve => setTimeout(resolve, 1000));
        report("settled", true);
    }
)")}});
    mirel.start();

    QVERIFY(mirel.waitForReport("reloading"));
    QCOMPARE(mirel.waitForReport("answers"), QStringLiteral(R"([true,"ABCD","ReflectanceScan"])"));
    const double firstMs = mirel.waitForReport("firstMs", 0)->toDouble();
    QVERIFY2(firstMs < 1000, qPrintable(QString::number(firstMs)));
    QVERIFY(mirel.waitForReport("settled"));
    QCOMPARE(mirel.reportCount("oldScan") + mirel.reportCount("oldSerial"), 0);
    QCOMPARE(mirel.stop(), 0);
    for (const QString &line : mirel.logLines())
        QVERIFY2(!line.contains(QLatin1String("Uncaught")), qPrintable(line));
    const QByteArrayList calls = mirel.simulatorJournal();
    QVERIFY(!calls.contains("TriggerMeasurement 1"));
    QVERIFY(!calls.contains("GetDensities 1"));
}

void BridgeEndToEndTest::oldAnswersNeverReachTheNextDocument()
{
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.setEnvironment("MIREL_SIM_SERIAL", "ABCD");
    mirel.setEnvironment("MIREL_SIM_CALIBRATION_MS", "1500");
    // The new document's first calls have the old one's numbers and wait behind its calibration,
    // which the library finishes after the reload: an answer of the old document would find them.
    mirel.writeSettings({{"Server", mirel.writeBridgePage("renumbered.html", R"(
    if (!sessionStorage.getItem("reloaded")) {
        sessionStorage.setItem("reloaded", "1");
        bridge.doCalibrateNow(answer => report("oldCalibration", answer));
        bridge.getDeviceID(answer => report("oldSerial", answer));
        await new Promise(resolve => setTimeout(resolve, 300));
        location.reload();
    } else {
        report("answers", [await call("isConnected"), await call("getDeviceID")]);
        await new Promise(resolve => setTimeout(resolve, 500));
        report("settled", true);
    }
)")}});
    mirel.start();

    QCOMPARE(mirel.waitForReport("answers"), QStringLiteral(R"([true,"ABCD"])"));
    QVERIFY(mirel.waitForReport("settled"));
    QCOMPARE(mirel.stop(), 0);
    for (const QString &line : mirel.logLines())
        QVERIFY2(!line.contains(QLatin1String("Uncaught")), qPrintable(line));
    QVERIFY(mirel.simulatorJournal().contains("Calibrate 1 ok"));
}

void BridgeEndToEndTest::leavingWithCallsPendingKeepsMemoryFlat()
{
    MirelProcess mirel;
    mirel.useSimulator();
    // Each document leaves during a button wait with 500 calls queued behind it, each holding a
    // 4096-character key: 4 MiB a document, so that keeping them would dwarf the engine's own
    // swings of the resident size (up to 10 MiB seen between runs).
    mirel.writeSettings({{"Server", mirel.writeBridgePage("leaving.html", R"(
    const loads = Number(sessionStorage.getItem("loads") || 0) + 1;
    sessionStorage.setItem("loads", loads);
    bridge.doOneScan(() => {});
    const key = "SerialNumber".padEnd(4096, "-");
    for (let i = 0; i < 500; ++i)
        bridge.getOption(key, () => {});
    // Answered once the shell has taken every call before it, so no backlog builds up on a
    // loaded machine and only what the shell keeps of each document adds up.
    await call("setIni", "Loads", String(loads));
    if (loads === 10 || loads === 40)
        report("loads" + loads, true);
    if (loads < 40)
        location.reload();
)")}});
    mirel.start();

    QVERIFY(mirel.waitForReport("loads10", 60000));
    const qint64 warm = residentKiB(mirel.processId());
    QVERIFY(warm > 0);
    QVERIFY(mirel.waitForReport("loads40", 120000));
    const qint64 grown = residentKiB(mirel.processId()) - warm;
    qDebug() << "grew by" << grown << "KiB over 30 documents";
    QVERIFY2(grown < 32 * 1024, qPrintable(QString::number(grown)));
    QCOMPARE(mirel.stop(), 0);
}

void BridgeEndToEndTest::downloadDuringAWaitLeavesItRunning()
{
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.setEnvironment("MIREL_SIM_DENSITIES", "0.5,1.25,0,-0.1");
    mirel.setEnvironment("MIREL_SIM_PRESS_AFTER_MS", "1500");
    const QString download = QDir(mirel.home()).filePath("report.bin");
    QFile file(download);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a page");
    file.close();
    const QString script = QStringLiteral(R"(
    const scan = call("doOneScan");
    await new Promise(resolve => setTimeout(resolve, 300));
    location.href = %1;
    report("scan", await scan);
)");
    // A mode the shell refuses: no save dialog holds up the engine meanwhile.
    const QString link = QUrl::fromLocalFile(download).toString() + "?mode=none";
    mirel.writeSettings({{"Server", mirel.writeBridgePage("download.html", script.arg(json(link)))}});
    mirel.start();

    QCOMPARE(mirel.waitForReport("scan"), json("0.500000|1.250000|0.000000|-0.100000"));
    QCOMPARE(mirel.stop(), 0);
    const QStringList log = mirel.logLines();
    QVERIFY(std::any_of(log.cbegin(), log.cend(), [](const QString &line) { return line.startsWith("Download requested:"); }));
    QVERIFY(mirel.simulatorJournal().contains("TriggerMeasurement 1"));
}

void BridgeEndToEndTest::closingDuringALibraryCall_data()
{
    QTest::addColumn<QString>("calibrationMs");
    QTest::addColumn<bool>("finished");
    QTest::newRow("an ordinary calibration finishes") << "1000" << true;
    QTest::newRow("a stuck call is left behind") << "30000" << false;
}

void BridgeEndToEndTest::closingDuringALibraryCall()
{
    QFETCH(QString, calibrationMs);
    QFETCH(bool, finished);
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.setEnvironment("MIREL_SIM_CALIBRATION_MS", calibrationMs);
    mirel.writeSettings({{"Server", mirel.writeBridgePage("calibrating.html", R"(
    report("calibration", await call("doCalibrateNow"));
)")}});
    mirel.start();
    QVERIFY(mirel.waitForLogLine("Calibrating"));
    QTest::qWait(300); // into the library call

    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(mirel.stop(), 0);
    qDebug() << "closed in" << elapsed.elapsed() << "ms";
    QVERIFY2(elapsed.elapsed() < 3000, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(mirel.simulatorJournal().contains("Calibrate 1 ok"), finished);
    // What the calibration wrote before the call still reaches standard output.
    QCOMPARE(mirel.standardOutput(), QByteArray("Calibrating 'ReflectanceSpot' ..."));
}

MIREL_TEST_MAIN(BridgeEndToEndTest)
#include "tst_bridge_e2e.moc"
