#include "support/isolatedenvironment.h"
#include "support/mirelprocess.h"
#include "support/testhttpserver.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

// The real executable under a display: start-up's settings store and the published bridge.
class ShellEndToEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void freshStoreGetsOnlyTheStartMarker();
    void publishesExactlyTheTenSlots();
    void setIniTakesEffectAtTheNextStart();
    void browsingDataAcrossStarts_data();
    void browsingDataAcrossStarts();
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

    // An administrator locks the first page: it wins over the stored one, which setIni leaves be.
    QSettings(mirel.systemConfigDirs() + QStringLiteral("/Quenza/Mirel-policy.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("Server"), first);
    mirel.start();
    QCOMPARE(mirel.waitForReport(QStringLiteral("setIni")), QStringLiteral("\"Server=%1\"").arg(second));
    QVERIFY(mirel.waitForLogLine(QStringLiteral("Setting not stored, an administrator locked it: \"Server\"")));
    QCOMPARE(mirel.stop(), 0);
    QCOMPARE(mirel.readSettings().value(QStringLiteral("Server")), second);
}

void ShellEndToEndTest::browsingDataAcrossStarts_data()
{
    QTest::addColumn<QString>("remember"); // empty: not set
    QTest::addColumn<QString>("secondStartFinds");
    QTest::newRow("remembered by default") << "" << R"({"cookies":"lasting=1","stored":"kept"})";
    QTest::newRow("administrator keeps nothing") << "0" << R"({"cookies":"","stored":null})";
}

// What the page stores on the first start, as a signed-in web application would: a cookie with
// an expiry, a session cookie and a local-storage item.
void ShellEndToEndTest::browsingDataAcrossStarts()
{
    QFETCH(QString, remember);
    // One server for both starts: local storage belongs to the origin, port included.
    TestHttpServer server;
    QVERIFY(server.listen());
    TestHttpServer::Resource page;
    page.contentType = "text/html; charset=utf-8";
    page.body = bridgePage(QStringLiteral(R"(
    report("found", { cookies: document.cookie, stored: localStorage.getItem("item") });
    document.cookie = "lasting=1; Max-Age=3600; path=/";
    document.cookie = "session=1; path=/";
    localStorage.setItem("item", "kept");
    report("stored", document.cookie);
)")).toUtf8();
    server.serve(QStringLiteral("/app.html"), page);
    MirelProcess mirel;
    QMap<QString, QString> settings{{QStringLiteral("Server"), server.url(QStringLiteral("/app.html")).toString()}};
    if (!remember.isEmpty())
        settings.insert(QStringLiteral("RememberBrowsingData"), remember);
    mirel.writeSettings(settings);

    mirel.start();
    QCOMPARE(mirel.waitForReport(QStringLiteral("found")), QStringLiteral(R"({"cookies":"","stored":null})"));
    QCOMPARE(mirel.waitForReport(QStringLiteral("stored")), QStringLiteral("\"lasting=1; session=1\""));
    QCOMPARE(mirel.stop(), 0);

    mirel.start();
    QTEST(mirel.waitForReport(QStringLiteral("found")).value_or(QString()), "secondStartFinds");
    QCOMPARE(mirel.stop(), 0);
    // Nothing kept means nothing written: no profile folder in the user's data folder.
    QCOMPARE(QDir(mirel.dataHome()).exists(QStringLiteral("Quenza/Mirel/profile")), remember.isEmpty());
    // Nothing anywhere else but the settings, the log and the toolkit's and the graphics driver's
    // shader caches; the runtime and temporary folders left empty.
    const QRegularExpression named(
        QStringLiteral("^(config/Quenza/Mirel\\.ini|data/Quenza/Mirel/mirel\\.log"
                       "|cache/(qtshadercache-[^/]+|mesa_shader_cache[^/]*)/.*%1)$")
            .arg(remember.isEmpty() ? QStringLiteral("|(data|cache)/Quenza/Mirel/profile/.*") : QString()));
    for (const QString &folder : {mirel.configHome(), mirel.dataHome(), mirel.cacheHome(), mirel.runtimeDir(), mirel.tempDir()}) {
        QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString file = QDir(mirel.home()).relativeFilePath(files.next());
            QVERIFY2(named.match(file).hasMatch(), qPrintable(file));
        }
    }
}

MIREL_TEST_MAIN(ShellEndToEndTest)
#include "tst_shell_e2e.moc"
