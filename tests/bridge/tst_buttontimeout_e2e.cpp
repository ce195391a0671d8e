#include "support/isolatedenvironment.h"
#include "support/mirelprocess.h"

#include <QApplication>
#include <QtTest>

// The full minute of waiting for a press that never comes, through the real executable.
class ButtonTimeoutEndToEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void calibrationGivesUpAfterAMinute();
};

void ButtonTimeoutEndToEndTest::calibrationGivesUpAfterAMinute()
{
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.writeSettings({{"Server", mirel.writeBridgePage("timeout.html", R"(
    const started = performance.now();
    report("doCalibrate", await call("doCalibrate"));
    report("seconds", (performance.now() - started) / 1000);
)")}});
    mirel.start();

    QCOMPARE(mirel.waitForReport("doCalibrate", 90000), QStringLiteral("\"NOT_PRESSED\""));
    const double seconds = mirel.waitForReport("seconds")->toDouble();
    QVERIFY2(seconds >= 60 && seconds < 63, qPrintable(QString::number(seconds)));
    QCOMPARE(mirel.stop(), 0);
    QVERIFY(mirel.logLines().contains("600 JJ 0"));
    const QByteArrayList calls = mirel.simulatorJournal();
    QVERIFY(std::none_of(calls.cbegin(), calls.cend(), [](const QByteArray &call) { return call.startsWith("Calibrate"); }));
    QCOMPARE(calls.last(), QByteArray("RegisterDeviceEventHandler null"));
}

MIREL_TEST_MAIN(ButtonTimeoutEndToEndTest)
#include "tst_buttontimeout_e2e.moc"
