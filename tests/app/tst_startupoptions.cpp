#include "settings/applicationsettings.h"
#include "settings/startupoptions.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QFile>
#include <QWebEngineView>
#include <QtTest>

using Settings = QMap<QString, QString>;
Q_DECLARE_METATYPE(Settings)

namespace {
const QString DefaultPage = QStringLiteral("https://quenza.example/quenzamirel/login");

void replaceStore(const Settings &values)
{
    QFile::remove(ApplicationSettings().fileName());
    ApplicationSettings settings;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings.write(it.key(), it.value());
}
} // namespace

class StartupOptionsTest final : public QObject
{
    Q_OBJECT
private slots:
    void readsExactTexts_data();
    void readsExactTexts();
    void appliesToWindow_data();
    void appliesToWindow();
    void storeLivesUnderQuenzaMirel();
    void handWrittenValuesWithCommas_data();
    void handWrittenValuesWithCommas();
    void tellsWhereTheStartPageComesFrom_data();
    void tellsWhereTheStartPageComesFrom();
    void administratorKeys_data();
    void administratorKeys();
    void remembersBrowsingData_data();
    void remembersBrowsingData();
    void developerToolsOnlyWithOne_data();
    void developerToolsOnlyWithOne();
};

void StartupOptionsTest::readsExactTexts_data()
{
    QTest::addColumn<Settings>("stored");
    QTest::addColumn<bool>("highDpi");
    QTest::addColumn<QString>("startPage");
    QTest::addColumn<bool>("maximized");
    QTest::addColumn<bool>("hideMenu");

    QTest::newRow("fresh store") << Settings{} << true << DefaultPage << true << true;
    QTest::newRow("maximized 1") << Settings{{"ShowMaximized", "1"}} << true << DefaultPage << true << true;
    QTest::newRow("maximized true") << Settings{{"ShowMaximized", "true"}} << true << DefaultPage << false << true;
    QTest::newRow("maximized 0") << Settings{{"ShowMaximized", "0"}} << true << DefaultPage << false << true;
    QTest::newRow("maximized ' 1'") << Settings{{"ShowMaximized", " 1"}} << true << DefaultPage << false << true;
    QTest::newRow("menu 0") << Settings{{"ContextMenu", "0"}} << true << DefaultPage << true << true;
    QTest::newRow("menu 1") << Settings{{"ContextMenu", "1"}} << true << DefaultPage << true << false;
    QTest::newRow("menu empty") << Settings{{"ContextMenu", ""}} << true << DefaultPage << true << false;
    QTest::newRow("high dpi true") << Settings{{"EnableHighDpi", "true"}} << false << DefaultPage << true << true;
    QTest::newRow("high dpi 0") << Settings{{"EnableHighDpi", "0"}} << false << DefaultPage << true << true;
    QTest::newRow("server") << Settings{{"Server", "http://127.0.0.1:8080/app"}} << true
                            << "http://127.0.0.1:8080/app" << true << true;
    QTest::newRow("server empty") << Settings{{"Server", ""}} << true << "" << true << true;
    QTest::newRow("server junk") << Settings{{"Server", "not a url %zz"}} << true << "not%20a%20url%20%25zz"
                                 << true << true;
}

void StartupOptionsTest::readsExactTexts()
{
    QFETCH(Settings, stored);
    replaceStore(stored);

    const StartupOptions options = readStartupOptions(ApplicationSettings(), DefaultPage);

    QFETCH(bool, highDpi);
    QFETCH(QString, startPage);
    QFETCH(bool, maximized);
    QFETCH(bool, hideMenu);
    QCOMPARE(options.enableHighDpi, highDpi);
    QCOMPARE(options.startPage.toString(QUrl::FullyEncoded), startPage);
    QCOMPARE(options.showMaximized, maximized);
    QCOMPARE(options.hideContextMenu, hideMenu);
}

void StartupOptionsTest::appliesToWindow_data()
{
    QTest::addColumn<bool>("maximized");
    QTest::addColumn<bool>("hideMenu");
    QTest::newRow("defaults") << true << true;
    QTest::newRow("normal size, menu kept") << false << false;
}

void StartupOptionsTest::appliesToWindow()
{
    QFETCH(bool, maximized);
    QFETCH(bool, hideMenu);
    StartupOptions options;
    options.startPage = QUrl(QStringLiteral("about:blank"));
    options.showMaximized = maximized;
    options.hideContextMenu = hideMenu;

    QWebEngineView window;
    applyStartupOptions(options, window);

    QCOMPARE(window.windowState().testFlag(Qt::WindowMaximized), maximized);
    QCOMPARE(window.contextMenuPolicy(), hideMenu ? Qt::NoContextMenu : Qt::DefaultContextMenu);
    QCOMPARE(window.url(), options.startPage);
}

void StartupOptionsTest::storeLivesUnderQuenzaMirel()
{
    const QString expected = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Quenza/Mirel.ini");
    QCOMPARE(ApplicationSettings().fileName(), expected);
}

void StartupOptionsTest::handWrittenValuesWithCommas_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("startPage");
    QTest::newRow("unquoted") << QByteArray("Server=http://127.0.0.1/app?ids=1,2,3") << "http://127.0.0.1/app?ids=1,2,3";
    QTest::newRow("quoted") << QByteArray("Server=\"http://127.0.0.1/app?ids=1,2\"") << "http://127.0.0.1/app?ids=1,2";
}

void StartupOptionsTest::handWrittenValuesWithCommas()
{
    QFETCH(QByteArray, line);
    const QString path = ApplicationSettings().fileName();
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[General]\n" + line + "\nShowMaximized=1,0\n");
    file.close();

    const StartupOptions options = readStartupOptions(ApplicationSettings(), DefaultPage);

    QTEST(options.startPage.toString(), "startPage");
    QVERIFY(!options.showMaximized);
    QFile::remove(path);
}

void StartupOptionsTest::tellsWhereTheStartPageComesFrom_data()
{
    QTest::addColumn<Settings>("stored");
    QTest::addColumn<QString>("builtInPage");
    QTest::addColumn<bool>("fromSetting");
    QTest::addColumn<bool>("placeholderHost");

    const QString named = QStringLiteral("https://app.example.com/quenzamirel/login");
    QTest::newRow("fresh store, placeholder build") << Settings{} << DefaultPage << false << true;
    QTest::newRow("fresh store, build names a server") << Settings{} << named << false << false;
    QTest::newRow("placeholder in capitals") << Settings{} << "https://Quenza.EXAMPLE/quenzamirel/login" << false << true;
    QTest::newRow("other keys only") << Settings{{"ShowMaximized", "0"}} << DefaultPage << false << true;
    QTest::newRow("server stored") << Settings{{"Server", named}} << DefaultPage << true << true;
    QTest::newRow("server stored as the built-in page") << Settings{{"Server", named}} << named << true << false;
    QTest::newRow("server empty") << Settings{{"Server", ""}} << DefaultPage << true << true;
}

void StartupOptionsTest::tellsWhereTheStartPageComesFrom()
{
    QFETCH(Settings, stored);
    QFETCH(QString, builtInPage);
    replaceStore(stored);

    const StartPageSource source = readStartupOptions(ApplicationSettings(), builtInPage).startPageSource;

    QCOMPARE(source.settingsFile, ApplicationSettings().fileName());
    QTEST(source.fromSetting, "fromSetting");
    QTEST(source.placeholderHost, "placeholderHost");
}

void StartupOptionsTest::administratorKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("administrator");
    // Whether this platform's store reads the key back as "TrustedOrigins": its INI keys
    // ignore letter case on Windows only.
    QTest::addColumn<bool>("readBack");
#ifdef Q_OS_WIN
    const bool caseIgnored = true;
#else
    const bool caseIgnored = false;
#endif
    QTest::newRow("as read") << "TrustedOrigins" << true << true;
    QTest::newRow("lower case") << "trustedorigins" << true << caseIgnored;
    QTest::newRow("upper case") << "TRUSTEDORIGINS" << true << caseIgnored;
    QTest::newRow("slashes around") << "/TrustedOrigins/" << true << true;
    QTest::newRow("double slash") << "//TrustedOrigins" << true << true;
    QTest::newRow("in a group") << "General/TrustedOrigins" << false << false;
    QTest::newRow("longer") << "TrustedOrigins2" << false << false;
    QTest::newRow("space inside") << "Trusted Origins" << false << false;
    QTest::newRow("backslash") << "\\TrustedOrigins" << false << false;
    QTest::newRow("browsing data") << "RememberBrowsingData" << true << false;
    QTest::newRow("browsing data, lower case") << "rememberbrowsingdata" << true << false;
    QTest::newRow("developer tools") << "DeveloperTools" << true << false;
    QTest::newRow("developer tools, slashes around") << "/developertools/" << true << false;
    QTest::newRow("other key") << "Server" << false << false;
    QTest::newRow("empty") << "" << false << false;
}

void StartupOptionsTest::administratorKeys()
{
    QFETCH(QString, key);
    QFETCH(bool, administrator);
    QCOMPARE(ApplicationSettings::isAdministratorKey(key), administrator);
    // What the helper lets through must never be read back as the trusted origins.
    replaceStore({ { key, QStringLiteral("https://attacker.invalid") } });
    const bool readAsTrust = !readStartupOptions(ApplicationSettings(), DefaultPage).trustedOrigins.isEmpty();
    QTEST(readAsTrust, "readBack");
    QVERIFY(administrator || !readAsTrust);
    QFile::remove(ApplicationSettings().fileName());
}

void StartupOptionsTest::remembersBrowsingData_data()
{
    QTest::addColumn<Settings>("stored");
    QTest::addColumn<bool>("remember");
    QTest::newRow("fresh store") << Settings{} << true;
    QTest::newRow("1") << Settings{{"RememberBrowsingData", "1"}} << true;
    QTest::newRow("0") << Settings{{"RememberBrowsingData", "0"}} << false;
    QTest::newRow("true") << Settings{{"RememberBrowsingData", "true"}} << false;
}

void StartupOptionsTest::remembersBrowsingData()
{
    QFETCH(Settings, stored);
    replaceStore(stored);
    QTEST(readRemembersBrowsingData(ApplicationSettings()), "remember");
}

void StartupOptionsTest::developerToolsOnlyWithOne_data()
{
    QTest::addColumn<Settings>("stored");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("fresh store") << Settings{} << false;
    QTest::newRow("1") << Settings{{"DeveloperTools", "1"}} << true;
    QTest::newRow("true") << Settings{{"DeveloperTools", "true"}} << false;
    QTest::newRow("0") << Settings{{"DeveloperTools", "0"}} << false;
}

void StartupOptionsTest::developerToolsOnlyWithOne()
{
    QFETCH(Settings, stored);
    replaceStore(stored);
    QTEST(readStartupOptions(ApplicationSettings(), DefaultPage).developerTools, "allowed");
}

MIREL_TEST_MAIN(StartupOptionsTest)
#include "tst_startupoptions.moc"
