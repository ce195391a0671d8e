#include "support/testhttpserver.h"
#include "support/isolatedenvironment.h"
#include "support/mirelprocess.h"
#include "app/supportreport.h"

#include <QApplication>
#include <QDir>
#include <QJsonDocument>
#include <QSettings>
#include <QtTest>

#include <csignal>

namespace {
TestHttpServer::Resource html(const QString &page)
{
    TestHttpServer::Resource resource;
    resource.body = page.toUtf8();
    resource.contentType = "text/html; charset=utf-8";
    return resource;
}

qint64 parentOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = status.readAll();
    const int at = text.indexOf("PPid:");
    return text.mid(at + 5, text.indexOf('\n', at) - at - 5).trimmed().toLongLong();
}

// The page renderers of the process `root`: the engine's zygote forks them, so they are the
// grandchildren of the program, with the zygote as parent.
QList<qint64> rendererProcesses(qint64 root)
{
    QList<qint64> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (isPid && parentOf(parentOf(pid)) == root)
            found << pid;
    }
    return found;
}
} // namespace

// Faults and hostile input the shell must survive without losing the settings or the bridge.
class HardeningEndToEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void foreignOriginCannotUseTheBridge_data();
    void foreignOriginCannotUseTheBridge();
    void crashedRendererIsReloadedOnce();
    void crashIsWrittenDownAndAnnouncedOnce();
    void unusableSettingsStore_data();
    void unusableSettingsStore();
    void instrumentUnpluggedBetweenCalls();
    void badInputIsAnsweredAndTheStoreStaysIntact();
    void pageCannotGrantItselfTrust_data();
    void pageCannotGrantItselfTrust();
    void startPageLockedWhereTrustIsListed_data();
    void startPageLockedWhereTrustIsListed();
    void closingDuringADownloadExitsCleanly();
    void pagesReachNoOtherProgramNorBundledPage();
};

void HardeningEndToEndTest::foreignOriginCannotUseTheBridge_data()
{
    QTest::addColumn<bool>("listed");
    QTest::newRow("foreign origin") << false;
    QTest::newRow("listed in TrustedOrigins") << true;
}

void HardeningEndToEndTest::foreignOriginCannotUseTheBridge()
{
    QFETCH(bool, listed);
    TestHttpServer home;
    TestHttpServer foreign;
    QVERIFY(home.listen() && foreign.listen());
    MirelProcess mirel;
    mirel.useSimulator();
    home.serve("/start.html", html(bridgePage(QStringLiteral(R"(
    report("start", bridge !== null);
    location.href = "%1";
)").arg(foreign.url("/page.html").toString()))));
    // The foreign page first asks for a start-site address that shows no page (a refused
    // download): the channel must not stay with it afterwards.
    TestHttpServer::Resource refused;
    refused.body = "data";
    refused.attachmentName = QStringLiteral("data.bin");
    home.serve("/refused", refused);
    foreign.serve("/page.html", html(bridgePage(QStringLiteral(R"(
    report("foreign", bridge !== null);
    if (bridge) {
        report("foreignSetIni", await call("setIni", "Server", "https://attacker.example/"));
        report("foreignConnected", await call("isConnected"));
    }
    location.href = "%2";
    await new Promise(resolve => setTimeout(resolve, 1500));
    report("foreignAfterRefused", typeof qt !== "undefined" && !!qt.webChannelTransport);
    location.href = "%1";
)").arg(home.url("/back.html").toString(), home.url("/refused?mode=bogus").toString()))));
    home.serve("/back.html", html(bridgePage(R"(report("back", await call("setIni", "Back", "yes"));)")));
    const QString start = home.url("/start.html").toString();
    const QString foreignOrigin = foreign.url("").toString();
    mirel.writeSettings({{"Server", start}, {"TrustedOrigins", listed ? "https://other.example " + foreignOrigin : ""}});
    mirel.start();

    QCOMPARE(mirel.waitForReport("start"), QStringLiteral("true"));
    QCOMPARE(mirel.waitForReport("foreign"), listed ? QStringLiteral("true") : QStringLiteral("false"));
    QCOMPARE(mirel.waitForReport("foreignAfterRefused"), listed ? QStringLiteral("true") : QStringLiteral("false"));
    // Back on the start page's site, the bridge is there again.
    QCOMPARE(mirel.waitForReport("back"), QStringLiteral("\"Back=yes\""));
    QCOMPARE(mirel.stop(), 0);

    const QMap<QString, QString> settings = mirel.readSettings();
    // Where trust is listed, a page may not move the start page to an origin nobody listed.
    QCOMPARE(settings.value("Server"), start);
    const QByteArrayList calls = mirel.simulatorJournal();
    const auto enumerations = std::count_if(calls.cbegin(), calls.cend(),
                                            [](const QByteArray &call) { return call.startsWith("GetDevices"); });
    QCOMPARE(int(enumerations), listed ? 2 : 1);
    const bool logged = mirel.logLines().contains(QStringLiteral("Bridge withheld from \"%1\"").arg(foreignOrigin));
    QCOMPARE(logged, !listed);
}

void HardeningEndToEndTest::crashedRendererIsReloadedOnce()
{
    MirelProcess mirel;
    mirel.writeSettings({{"Server", mirel.writeBridgePage("crash.html", R"(report("loaded", true);)")}});
    mirel.start();
    QVERIFY(mirel.waitForReport("loaded"));

    QList<qint64> renderers = rendererProcesses(mirel.processId());
    QVERIFY(!renderers.isEmpty());
    for (qint64 pid : renderers)
        ::kill(pid, SIGKILL);
    QTRY_COMPARE_WITH_TIMEOUT(mirel.reportCount("loaded"), 2, 20000);
    QVERIFY(mirel.waitForLogLine("Page renderer ended, reloading the start page: "
                                 "QWebEnginePage::KilledTerminationStatus 9", 0));

    QTRY_VERIFY_WITH_TIMEOUT(!(renderers = rendererProcesses(mirel.processId())).isEmpty(), 10000);
    for (qint64 pid : renderers)
        ::kill(pid, SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(!mirel.logLines().filter("Page renderer ended again, not reloading").isEmpty(), 10000);
    QTest::qWait(2000);
    QCOMPARE(mirel.reportCount("loaded"), 2);
    QVERIFY(mirel.isRunning());
    QCOMPARE(mirel.stop(), 0);
}

void HardeningEndToEndTest::crashIsWrittenDownAndAnnouncedOnce()
{
    MirelProcess mirel;
    mirel.writeSettings({{"Server", mirel.writeBridgePage("crash.html", R"(report("loaded", true);)")}});
    mirel.start();
    QVERIFY(mirel.waitForReport("loaded"));
    QCOMPARE(mirel.endWithSignal(SIGSEGV), SIGSEGV);

    const QDir folder(QFileInfo(mirel.logFile()).path());
    const QStringList crashes = folder.entryList({"crash-*"}, QDir::Files);
    QCOMPARE(crashes.size(), 1);
    QFile crash(folder.filePath(crashes.first()));
    QCOMPARE(crash.permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QVERIFY(crash.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(crash.readAll()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() > 8, qPrintable(lines.join('\n')));
    QVERIFY(mirel.logLines().contains(lines.first()));
    QVERIFY2(lines.first().contains(": signal 11 (SIGSEGV), sent by process "), qPrintable(lines.first()));
    QVERIFY(lines.at(1).startsWith("Load address: 0x"));
    QVERIFY(lines.filter(QRegularExpression("/mirel\\(\\+0x[0-9a-f]+\\) ?\\[0x[0-9a-f]+\\]$")).size() >= 2);

    const QRegularExpression announcement("^Mirel ended abnormally on \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d "
                                          "\\(signal 11\\); details in "
                                          + QRegularExpression::escape(crash.fileName()) + '$');
    // Once, at the first start after the crash.
    for (const bool announced : {true, false}) {
        mirel.start();
        QVERIFY(mirel.waitForReport("loaded"));
        const QStringList said = mirel.logLines().filter(announcement);
        QCOMPARE(said.size(), announced ? 1 : 0);
        QCOMPARE(mirel.stop(), 0);
    }
    const QString report = SupportReport(SupportReportSources{{}, {}, nullptr, {}, {}, mirel.logFile()}).text();
    const QString section = report.section("== Last abnormal end ==\n", 1).section("\n== ", 0, 0);
    QVERIFY2(section.startsWith("Mirel: Mirel ended abnormally on ") && section.contains(lines.join('\n'))
                 && section.endsWith("Page renderer, this run: none\n"),
             qPrintable(section));
}

void HardeningEndToEndTest::unusableSettingsStore_data()
{
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("a folder in the file's place") << true << "Settings store cannot be written, changes will not be kept: ";
    QTest::newRow("binary junk") << false << "Settings store unreadable, starting with the defaults: ";
}

void HardeningEndToEndTest::unusableSettingsStore()
{
    QFETCH(bool, folder);
    QFETCH(QString, logLine);
    MirelProcess mirel;
    const QByteArray junkBytes("Server=file:///nowhere\n\x00\x01\xff[[[\n=\n\xfe", 32);
    if (folder) {
        QVERIFY(QDir().mkpath(mirel.settingsFile()));
    } else {
        QDir().mkpath(QFileInfo(mirel.settingsFile()).path());
        QFile junk(mirel.settingsFile());
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(junkBytes);
    }
    // Every start treats the store the same way, and an unparsable file is left as it was.
    for (int start = 0; start < 2; ++start) {
        mirel.start();
        const QString expected = logLine + '"' + mirel.settingsFile() + '"';
        QVERIFY2(mirel.waitForLogLine(expected), qPrintable(mirel.logLines().join('\n')));
        QVERIFY(mirel.isRunning());
        QCOMPARE(mirel.stop(), 0);
        if (!folder) {
            QFile file(mirel.settingsFile());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), junkBytes);
        }
    }
}

void HardeningEndToEndTest::instrumentUnpluggedBetweenCalls()
{
    MirelProcess mirel;
    mirel.useSimulator();
    const QString control = mirel.home() + "/control.txt";
    mirel.setEnvironment("MIREL_SIM_CONTROL_FILE", control);
    mirel.setEnvironment("MIREL_SIM_SERIAL", "ABCD");
    mirel.writeSettings({{"Server", mirel.writeBridgePage("unplug.html", R"(
    report("before", [await call("isConnected"), await call("getDeviceID")]);
    await new Promise(resolve => setTimeout(resolve, 1000));
    const answers = [];
    for (const name of ["isConnected", "getDeviceID", "getDeviceInfo", "doCalibrate", "doCalibrateNow", "doOneScanNow"])
        answers.push(await call(name));
    report("after", answers);
)")}});
    mirel.start();
    QCOMPARE(mirel.waitForReport("before"), QStringLiteral("[true,\"ABCD\"]"));
    QFile file(control);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("MIREL_SIM_DEVICES=0\n");
    file.close();

    QCOMPARE(mirel.waitForReport("after"),
             QStringLiteral("[false,\"\",\"\\nSERIAL_NUMBER:               \\nMEASUREMENT_MODE:            "
                            "\\nLAST_ERROR:                  \\nAVAILABLE_MEASUREMENT_MODES: \","
                            "\"NOT_CONNECTED\",\"ERROR\",\"0.000000|0.000000|0.000000|0.000000\"]"));
    QCOMPARE(mirel.stop(), 0);
}

void HardeningEndToEndTest::badInputIsAnsweredAndTheStoreStaysIntact()
{
    MirelProcess mirel;
    mirel.useSimulator();
    const QString page = mirel.writeBridgePage("input.html", R"(
    const big = "v".repeat(1 << 20);
    const keys = ["", "k".repeat(1 << 20), "bad\uD800key", "Farbe-ü€"];
    const options = [];
    for (const key of keys)
        options.push(await call("getOption", key));
    report("options", options);
    const pairs = [["", "empty key"], ["a/b", "slash"], ["a\\b", "backslash"], ["a=b", "equals"], ["a;b", "semicolon"],
                   ["a#b", "hash"], ["a[b]", "bracket"], ["line\nfeed", "newline"], ["Big", big]];
    const wrong = [];
    for (const [key, value] of pairs) {
        const answer = await call("setIni", key, value);
        if (answer !== key + "=" + value)
            wrong.push(key);
    }
    report("wrongAnswers", wrong);
    report("stillAnswering", await call("setIni", "After", "1"));
)");
    mirel.writeSettings({{"Server", page}, {"Keep", "this"}});
    mirel.start();

    QCOMPARE(mirel.waitForReport("options", 60000), QStringLiteral("[\"\",\"\",\"\",\"\"]"));
    QCOMPARE(mirel.waitForReport("wrongAnswers", 60000), QStringLiteral("[]"));
    QCOMPARE(mirel.waitForReport("stillAnswering"), QStringLiteral("\"After=1\""));
    QCOMPARE(mirel.stop(), 0);

    QSettings store(mirel.settingsFile(), QSettings::IniFormat);
    QCOMPARE(store.status(), QSettings::NoError);
    QCOMPARE(store.value("Hello").toString(), QStringLiteral("Quenza3"));
    QCOMPARE(store.value("Server").toString(), page);
    QCOMPARE(store.value("Keep").toString(), QStringLiteral("this"));
    QCOMPARE(store.value("After").toString(), QStringLiteral("1"));
    QCOMPARE(store.value("Big").toString().size(), 1 << 20);
    QCOMPARE(store.value("a=b").toString(), QStringLiteral("equals"));
    QCOMPARE(store.value("line\nfeed").toString(), QStringLiteral("newline"));
}

void HardeningEndToEndTest::pageCannotGrantItselfTrust_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("administrators"); // empty: none set
    QTest::newRow("as the store spells it, none set") << "TrustedOrigins" << "";
    QTest::newRow("lower case, the administrator's kept") << "trustedorigins" << "https://sso.example.com";
}

void HardeningEndToEndTest::pageCannotGrantItselfTrust()
{
    QFETCH(QString, key);
    QFETCH(QString, administrators);
    MirelProcess mirel;
    const QString page = mirel.writeBridgePage("trust.html", QStringLiteral(R"(
    report("trust", await call("setIni", "%1", "http://attacker.invalid"));
    report("other", await call("setIni", "Colour", "cyan"));
)").arg(key));
    QMap<QString, QString> settings{{"Server", page}};
    if (!administrators.isEmpty())
        settings.insert("TrustedOrigins", administrators);
    mirel.writeSettings(settings);
    mirel.start();

    // Answered as any other key, but only the other key is stored.
    QCOMPARE(mirel.waitForReport("trust"), QStringLiteral("\"%1=http://attacker.invalid\"").arg(key));
    QCOMPARE(mirel.waitForReport("other"), QStringLiteral("\"Colour=cyan\""));
    QVERIFY(mirel.waitForLogLine(QStringLiteral("Setting not stored, only an administrator sets it: \"%1\"").arg(key), 0));
    QCOMPARE(mirel.stop(), 0);
    settings.insert("Hello", "Quenza3");
    settings.insert("Colour", "cyan");
    QCOMPARE(mirel.readSettings(), settings);
}

void HardeningEndToEndTest::startPageLockedWhereTrustIsListed_data()
{
    QTest::addColumn<QString>("administrators"); // empty: none set
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("stored");
    const QString sso = QStringLiteral("https://sso.example.com");
    QTest::newRow("none listed, anywhere") << "" << "Server" << "https://elsewhere.invalid/" << true;
    QTest::newRow("listed, a foreign site") << sso << "Server" << "https://attacker.invalid/" << false;
    QTest::newRow("listed, spelt otherwise") << sso << "/server" << "https://attacker.invalid/" << false;
    QTest::newRow("listed, another port") << sso << "Server" << "https://sso.example.com:8443/" << false;
    QTest::newRow("listed, a listed site") << sso << "Server" << "https://sso.example.com/login" << true;
    QTest::newRow("listed, the start page's own") << sso << "Server" << "file:///opt/mirel/start.html" << true;
}

void HardeningEndToEndTest::startPageLockedWhereTrustIsListed()
{
    QFETCH(QString, administrators);
    QFETCH(QString, key);
    QFETCH(QString, server);
    QFETCH(bool, stored);
    MirelProcess mirel;
    const QString page = mirel.writeBridgePage("lock.html", QStringLiteral(R"(
    report("server", await call("setIni", "%1", "%2"));
)").arg(key, server));
    QMap<QString, QString> settings{{"Server", page}};
    if (!administrators.isEmpty())
        settings.insert("TrustedOrigins", administrators);
    mirel.writeSettings(settings);
    mirel.start();

    // Answered as always, stored or not.
    QCOMPARE(mirel.waitForReport("server"), QStringLiteral("\"%1=%2\"").arg(key, server));
    QCOMPARE(mirel.stop(), 0);
    const QString refusal = QStringLiteral("Start page not stored, its origin is not trusted: \"%1\"").arg(server);
    QCOMPARE(mirel.logLines().contains(refusal), !stored);
    settings.insert("Hello", "Quenza3");
    if (stored)
        settings.insert(key, server);
    QCOMPARE(mirel.readSettings(), settings);
}

void HardeningEndToEndTest::closingDuringADownloadExitsCleanly()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    TestHttpServer::Resource file;
    file.body = QByteArray(1 << 20, 'x');
    file.attachmentName = QStringLiteral("report.pdf");
    file.delivery = TestHttpServer::Delivery::Stalled;
    server.serve("/report.pdf", file);
    server.serve("/start.html", html(bridgePage(QStringLiteral(R"(location.href = "%1";)")
                                                    .arg(server.url("/report.pdf?mode=open").toString()))));
    MirelProcess mirel;
    mirel.writeSettings({{"Server", server.url("/start.html").toString()}});
    mirel.start();
    QTRY_VERIFY_WITH_TIMEOUT(!mirel.logLines().filter("Download requested:").isEmpty(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(mirel.tempDir()).entryList({"*_report.pdf*"}, QDir::Files).isEmpty(), 5000);

    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(mirel.stop(), 0);
    QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(QDir(mirel.tempDir()).entryList({"*_report.pdf*"}, QDir::Files), QStringList());
}

void HardeningEndToEndTest::pagesReachNoOtherProgramNorBundledPage()
{
    TestHttpServer home;
    TestHttpServer foreign;
    QVERIFY(home.listen() && foreign.listen());
    MirelProcess mirel;
    QVERIFY(mirel.usePrivateDisplay());
    // The desktop's opener, first in PATH, is echo: each address it gets lands on standard output.
    QVERIFY(QDir().mkpath(mirel.home() + "/bin") && QFile::link("/bin/echo", mirel.home() + "/bin/xdg-open"));
    mirel.setEnvironment("PATH", mirel.home() + "/bin:" + qEnvironmentVariable("PATH"));
    mirel.setEnvironment("QT_QPA_PLATFORMTHEME", "");
    // One link fills each page, clicked once drawn; then the page goes on by script.
    const QString page = QStringLiteral(R"html(<style>a { position: fixed; inset: 0; }</style>
<a href="%1" onclick="setTimeout(() => { %2 }, 1500)">link</a>
<script>onload = () => requestAnimationFrame(() => console.warn("MIREL-TEST %3 true"));</script>)html");
    const QString toForeign = QStringLiteral("location.href = '%1'").arg(foreign.url("/page.html").toString());
    home.serve("/start.html", html(page.arg("mailto:ann@example.com", toForeign, "home")));
    const QString toConsole = QStringLiteral("location = 'qrc:///web/console.html'; setTimeout(() => console.warn("
                                             "'MIREL-TEST stayed ' + JSON.stringify(location.protocol)), 1500)");
    foreign.serve("/page.html", html(page.arg("something://secret", toConsole, "foreign")));
    mirel.writeSettings({{"Server", home.url("/start.html").toString()}});
    mirel.start();
    const QStringList click{"mousemove", "--window", "%1", "300", "300", "click", "1"};

    QVERIFY(mirel.waitForReport("home") && mirel.xdotool(click));
    QVERIFY(mirel.waitForLogLine(R"(External address handed to the desktop: "mailto")"));
    QTRY_VERIFY_WITH_TIMEOUT(mirel.standardOutput().contains("mailto:ann@example.com"), 10000);
    QVERIFY(mirel.waitForReport("foreign") && mirel.xdotool(click));
    const QString origin = foreign.url("").toString();
    QVERIFY(mirel.waitForLogLine(QStringLiteral(R"(External address refused: "something" for "%1")").arg(origin)));
    QVERIFY(mirel.waitForLogLine(QStringLiteral(R"(Navigation refused, a bundled page asked by "%1")").arg(origin)));
    QCOMPARE(mirel.waitForReport("stayed"), QStringLiteral("\"http:\""));
    QCOMPARE(mirel.standardOutput(), QByteArray("mailto:ann@example.com\n"));
    QCOMPARE(mirel.stop(), 0);
}

MIREL_TEST_MAIN(HardeningEndToEndTest)
#include "tst_hardening_e2e.moc"
