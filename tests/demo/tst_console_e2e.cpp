#include "support/isolatedenvironment.h"
#include "support/mirelprocess.h"

#include <QApplication>
#include <QtTest>

namespace {
const QString Console = QStringLiteral("qrc:///web/console.html");
const QStringList EverySlot = {"isConnected", "Connected", "getDeviceID", "getOption", "getDeviceInfo",
                               "doCalibrateNow", "doCalibrate", "doOneScanNow", "doOneScan", "setIni"};

// The text after `prefix` on the first log line holding it ("js: " and the like come before).
QString afterPrefix(const QStringList &log, const QString &prefix)
{
    for (const QString &line : log) {
        const int at = line.indexOf(prefix);
        if (at >= 0)
            return line.mid(at + prefix.size());
    }
    return QString();
}
} // namespace

// The bundled console's self-test, run by the real mirel on the simulated instrument: what
// scripts/demo --screenshot relies on. It must pass when the query describes the simulator and
// name exactly the slots whose answers differ when it does not.
class ConsoleEndToEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void selfTest_data();
    void selfTest();
};

void ConsoleEndToEndTest::selfTest_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("simulator");
    QTest::addColumn<QStringList>("failing");

    const QString matching = "serial=DEMO-0042&densities=0.5,1.25,0,-0.1";
    QTest::newRow("as configured") << matching << QStringList() << QStringList();
    QTest::newRow("without expectations") << QString() << QStringList() << QStringList();
    QTest::newRow("another serial") << "serial=DEMO-0043&densities=0.5,1.25,0,-0.1" << QStringList()
                                    << QStringList{"getDeviceID", "getOption", "getDeviceInfo"};
    QTest::newRow("other densities") << "serial=DEMO-0042&densities=0.5,1.25,0,-0.2" << QStringList()
                                     << QStringList{"doOneScanNow", "doOneScan"};
    QTest::newRow("failing calibration") << matching << QStringList{"MIREL_SIM_CALIBRATION=fail"}
                                         << QStringList{"doCalibrateNow", "doCalibrate"};
    QTest::newRow("failing calibration expected") << matching + "&calibration=ERROR"
                                                  << QStringList{"MIREL_SIM_CALIBRATION=fail"} << QStringList();
    QTest::newRow("report without serial") << matching << QStringList{"MIREL_SIM_NULL_OPTIONS=SerialNumber"}
                                           << QStringList{"getDeviceID", "getOption", "getDeviceInfo"};
}

void ConsoleEndToEndTest::selfTest()
{
    QFETCH(QString, query);
    QFETCH(QStringList, simulator);
    QFETCH(QStringList, failing);

    MirelProcess mirel;
    mirel.useSimulator();
    mirel.setEnvironment("MIREL_SIM_SERIAL", "DEMO-0042");
    mirel.setEnvironment("MIREL_SIM_DENSITIES", "0.5,1.25,0,-0.1");
    mirel.setEnvironment("MIREL_SIM_PRESS_AFTER_MS", "300");
    for (const QString &setting : simulator)
        mirel.setEnvironment(setting.section('=', 0, 0), setting.section('=', 1));
    mirel.writeSettings({{"Server", Console + "?selftest=1" + (query.isEmpty() ? "" : "&" + query)}});
    mirel.start();

    QTRY_VERIFY_WITH_TIMEOUT(!mirel.logLines().filter("MIREL-SELFTEST-RESULT ").isEmpty() || !mirel.isRunning(),
                             60000);
    QCOMPARE(mirel.stop(), 0);
    const QStringList log = mirel.logLines();
    const QString result = afterPrefix(log, "MIREL-SELFTEST-RESULT ");
    QCOMPARE(result, failing.isEmpty() ? QString("pass") : "fail " + failing.join(' '));

    // Each slot was called once and reported once, in order.
    QStringList reported;
    for (const QString &line : log.filter("MIREL-SELFTEST ")) {
        const QStringList words = afterPrefix({line}, "MIREL-SELFTEST ").split(' ');
        reported << words.value(0);
        QCOMPARE(words.value(1), failing.contains(words.value(0)) ? QString("fail") : QString("ok"));
    }
    QCOMPARE(reported, EverySlot);
    // setIni went through to the settings the next start reads.
    QVERIFY(mirel.readSettings().contains("LastSelfTest"));
}

MIREL_TEST_MAIN(ConsoleEndToEndTest)
#include "tst_console_e2e.moc"
