#include "support/isolatedenvironment.h"
#include "support/mirelprocess.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

// The real executable under a display: start-up's settings store and the published bridge.
class ShellEndToEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void freshStoreGetsOnlyTheStartMarker();
    void publishesExactlyTheTenSlots();
    void setIniTakesEffectAtTheNextStart();
};

void ShellEndToEndTest::freshStoreGetsOnlyTheStartMarker()
{
    MirelProcess mirel;
    mirel.start();
    QTRY_VERIFY_WITH_TIMEOUT(mirel.readSettings().contains(QStringLiteral("Hello")), 20000);
    QCOMPARE(mirel.stop(), 0);

    const QMap<QString, QString> expected{{QStringLiteral("Hello"), QStringLiteral("Quenza3")}};
    QCOMPARE(mirel.readSettings(), expected);
}

void ShellEndToEndTest::publishesExactlyTheTenSlots()
{
    MirelProcess mirel;
    const QString page = mirel.writeBridgePage(QStringLiteral("slots.html"), QStringLiteral(R"(
    // What a QObject and the channel's client add to every published object.
    const common = ["deleteLater", "objectNameChanged", "destroyed", "unwrapQObject", "unwrapProperties",
                    "propertyUpdate", "signalEmitted"];
    report("slots", Object.keys(bridge).filter(name => typeof bridge[name] === "function"
        && !name.includes("(") && !common.includes(name)).sort());
    report("setIni", await call("setIni", "ShowMaximized", "0"));
)"));
    mirel.writeSettings({{QStringLiteral("Server"), page}});
    mirel.start();

    const auto published = mirel.waitForReport(QStringLiteral("slots"));
    QVERIFY(published);
    const QStringList names = QVariant(QJsonDocument::fromJson(published->toUtf8()).array().toVariantList()).toStringList();
    QCOMPARE(names, (QStringList{"Connected", "doCalibrate", "doCalibrateNow", "doOneScan", "doOneScanNow",
                                 "getDeviceID", "getDeviceInfo", "getOption", "isConnected", "setIni"}));

    QCOMPARE(mirel.waitForReport(QStringLiteral("setIni")), QStringLiteral("\"ShowMaximized=0\""));
    QCOMPARE(mirel.readSettings().value(QStringLiteral("ShowMaximized")), QStringLiteral("0"));
    QCOMPARE(mirel.stop(), 0);
}

void ShellEndToEndTest::setIniTakesEffectAtTheNextStart()
{
    MirelProcess mirel;
    const QString second = mirel.writeBridgePage(QStringLiteral("second.html"),
                                                 QStringLiteral(R"(report("loaded", "second");)"));
    const QString first = mirel.writeBridgePage(QStringLiteral("first.html"), QStringLiteral(R"(
    report("setIni", await call("setIni", "Server", "%1"));
    await new Promise(resolve => setTimeout(resolve, 500));
    report("stillOn", location.pathname.split("/").pop());
)").arg(second));
    mirel.writeSettings({{QStringLiteral("Server"), first}});

    mirel.start();
    QCOMPARE(mirel.waitForReport(QStringLiteral("setIni")), QStringLiteral("\"Server=%1\"").arg(second));
    QCOMPARE(mirel.waitForReport(QStringLiteral("stillOn")), QStringLiteral("\"first.html\""));
    QCOMPARE(mirel.stop(), 0);

    mirel.start();
    QCOMPARE(mirel.waitForReport(QStringLiteral("loaded")), QStringLiteral("\"second\""));
    QCOMPARE(mirel.stop(), 0);
}

MIREL_TEST_MAIN(ShellEndToEndTest)
#include "tst_shell_e2e.moc"
