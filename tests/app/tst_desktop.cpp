#include "app/logfilenote.h"
#include "app/settingsnote.h"
#include "app/supportreportlink.h"
#include "app/singleinstance.h"
#include "settings/windowmemory.h"
#include "browser/windowfullscreen.h"
#include "support/isolatedenvironment.h"
#include "support/testhttpserver.h"

#include <QApplication>
#include <QRegularExpression>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

using Rects = QList<QRect>;

// Where a kept window goes, how instances are named, full screen, and what only bundled pages get:
// the log file's and the settings' notes, and the support report's link.
class DesktopTest final : public QObject
{
    Q_OBJECT
private slots:
    void placeOnScreens_data();
    void placeOnScreens();
    void instanceKeys_data();
    void instanceKeys();
    void fullScreenAndBack_data();
    void fullScreenAndBack();
    void bundledPagesOnly();
    void reportLinkAsks_data();
    void reportLinkAsks();
};

void DesktopTest::placeOnScreens_data()
{
    QTest::addColumn<QRect>("kept");
    QTest::addColumn<Rects>("screens"); // usable areas, the primary first
    QTest::addColumn<QRect>("placed");
    const QRect primary(0, 0, 1920, 1040);
    const QRect right(1920, 0, 1280, 984);
    const QRect centred(510, 170, 900, 700);
    QTest::newRow("on the primary") << QRect(100, 80, 900, 700) << Rects{primary} << QRect(100, 80, 900, 700);
    QTest::newRow("on a second screen") << QRect(2000, 50, 800, 600) << Rects{primary, right} << QRect(2000, 50, 800, 600);
    QTest::newRow("its screen gone") << QRect(2000, 50, 900, 700) << Rects{primary} << centred;
    QTest::newRow("gone, larger than the primary") << QRect(2000, 0, 2560, 1400) << Rects{primary} << primary;
    QTest::newRow("200 px of its top edge left") << QRect(1720, 100, 900, 700) << Rects{primary} << QRect(1720, 100, 900, 700);
    QTest::newRow("40 px of its top edge left") << QRect(1880, 100, 900, 700) << Rects{primary} << centred;
    QTest::newRow("top edge above the screens") << QRect(100, -300, 900, 700) << Rects{primary} << centred;
    QTest::newRow("primary away from the origin") << QRect(0, 0, 800, 600) << Rects{right} << QRect(2160, 192, 800, 600);
    QTest::newRow("1x1 far off") << QRect(-99999, -99999, 1, 1) << Rects{primary} << QRect(760, 370, 400, 300);
    QTest::newRow("larger than any screen") << QRect(0, 0, 99999999, 99999999) << Rects{primary, right} << primary;
}

void DesktopTest::placeOnScreens()
{
    QFETCH(QRect, kept);
    QFETCH(Rects, screens);
    QTEST(WindowMemory::placeOnScreens(kept, screens), "placed");
}

void DesktopTest::instanceKeys_data()
{
    // A user, or a login session's id with the X11 and Wayland displays.
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<bool>("same");
    QTest::newRow("other user") << QStringList{"1000"} << QStringList{"1001"} << false;
    QTest::newRow("letters cased otherwise") << QStringList{"DOM\\Anne"} << QStringList{"dom\\anne"} << true;
    QTest::newRow("beyond ASCII") << QStringList{"Jörg Müller"} << QStringList{"Jorg Muller"} << false;
    QTest::newRow("same session and display") << QStringList{"3", ":0", ""} << QStringList{"3", ":0", ""} << true;
    QTest::newRow("another screen of the display") << QStringList{"3", ":0", ""} << QStringList{"3", ":0.1", ""} << true;
    QTest::newRow("no session id from the launcher") << QStringList{"", ":0", ""} << QStringList{"3", ":0", ""} << true;
    QTest::newRow("another login's display") << QStringList{"3", ":0", ""} << QStringList{"5", ":1", ""} << false;
    QTest::newRow("forwarded over SSH") << QStringList{"3", ":10", ""} << QStringList{"7", "localhost:10.0", ""} << false;
    QTest::newRow("another Wayland display") << QStringList{"3", ":0", "wayland-0"} << QStringList{"5", ":0", "wayland-1"} << false;
    QTest::newRow("no display, other session") << QStringList{"3", "", ""} << QStringList{"4", "", ""} << false;
}

void DesktopTest::instanceKeys()
{
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    const auto make = [](const QStringList &parts) {
        return parts.size() == 1 ? SingleInstance::key(parts.at(0))
                                 : SingleInstance::session(parts.at(0), parts.at(1), parts.at(2));
    };
    const QString a = make(first);
    const QString b = make(second);
    QTEST(a == b, "same");
    // A file name, a Windows pipe name and a word of the request line, whatever the names.
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9%._~-]+$"));
    QVERIFY2(safe.match(a).hasMatch() && safe.match(b).hasMatch(), qPrintable(a + " " + b));
}

// Under Xvfb, without a window manager, full screen shows nothing: the window's state is checked.
void DesktopTest::fullScreenAndBack_data()
{
    QTest::addColumn<Qt::WindowState>("before");
    QTest::newRow("from normal size") << Qt::WindowNoState;
    QTest::newRow("from maximized") << Qt::WindowMaximized;
}

void DesktopTest::fullScreenAndBack()
{
    QFETCH(Qt::WindowState, before);
    QWidget window;
    new WindowFullScreen(&window, (new QWebEngineView(&window))->page(), OriginPolicy(QUrl(), QString()));
    window.setWindowState(before);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (const Qt::Key leave : {Qt::Key_Escape, Qt::Key_F11}) {
        QTest::keyClick(&window, Qt::Key_F11);
        QVERIFY(window.isFullScreen());
        QTest::keyClick(&window, leave);
        QCOMPARE(window.windowState() & ~Qt::WindowActive, Qt::WindowStates(before));
    }
}

void DesktopTest::bundledPagesOnly()
{
    const QString path = QStringLiteral("/logs/it's \\ \"here\".log");
    const QList<SettingInForce> settings{{"Server", "https://a.example/<b>", ApplicationSettings::Source::Locked}};
    const QByteArray other = R"(<!doctype html><p id="log-file">not shown</p>
        <table><tbody id="settings-in-force"><tr><td>not shown</td></tr></tbody></table>
        <a id="support-report" href="qrc:///web/support-report">report</a>)";
    const QString otherFile = QDir::temp().filePath("page.html");
    QFile page(otherFile);
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(other);
    page.close();
    TestHttpServer server;
    QVERIFY(server.listen());
    server.serve(QStringLiteral("/page.html"), {other, "text/html"});
    for (const QUrl &url : {QUrl("qrc:///web/console.html"), QUrl::fromLocalFile(otherFile), server.url("/page.html")}) {
        QWebEnginePage web;
        showLogFileOnBundledPages(&web, path);
        showSettingsOnBundledPages(&web, settings);
        QSignalSpy requested(new SupportReportLink(&web), &SupportReportLink::requested);
        QSignalSpy loaded(&web, &QWebEnginePage::loadFinished);
        web.load(url);
        QVERIFY(loaded.wait(20000));
        QStringList shown;
        web.runJavaScript("[document.getElementById('log-file').textContent,"
                          " document.getElementById('settings-in-force').innerText]",
                          [&shown](const QVariant &texts) { shown = texts.toStringList(); });
        QTRY_COMPARE(shown.size(), 2);
        const bool bundled = url.scheme() == QLatin1String("qrc");
        QCOMPARE(shown.at(0), bundled ? path : QStringLiteral("not shown"));
        QCOMPARE(shown.at(1).simplified(),
                 bundled ? QStringLiteral("Server https://a.example/<b> locked") : QStringLiteral("not shown"));

        web.runJavaScript("document.getElementById('support-report').click()");
        if (bundled)
            QTRY_COMPARE(requested.size(), 1);
        else
            QTest::qWait(1000);
        QCOMPARE(requested.size(), bundled ? 1 : 0);
        QCOMPARE(web.url(), url); // refused either way: the page stays
    }
}

void DesktopTest::reportLinkAsks_data()
{
    QTest::addColumn<QUrl>("shown");
    QTest::addColumn<QUrl>("target");
    QTest::addColumn<bool>("mainFrame");
    QTest::addColumn<bool>("asks");
    const QUrl console("qrc:///web/console.html");
    const QUrl report("qrc:///web/support-report");
    QTest::newRow("console") << console << report << true << true;
    QTest::newRow("console, with a query") << console << QUrl("qrc:///web/support-report?x=1") << true << true;
    QTest::newRow("console, a frame") << console << report << false << false;
    QTest::newRow("console, another address") << console << QUrl("qrc:///web/console.html") << true << false;
    QTest::newRow("remote page") << QUrl("https://a.example/") << report << true << false;
    QTest::newRow("local file") << QUrl("file:///tmp/page.html") << report << true << false;
    QTest::newRow("blank") << QUrl("about:blank") << report << true << false;
}

void DesktopTest::reportLinkAsks()
{
    QFETCH(QUrl, shown);
    QFETCH(QUrl, target);
    QFETCH(bool, mainFrame);
    QTEST(SupportReportLink::asksForReport(shown, target, mainFrame), "asks");
}

MIREL_TEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
