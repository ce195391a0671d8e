#include "desktop.h"
#include "support/isolatedenvironment.h"
#include "support/mirelprocess.h"
#include "support/testhttpserver.h"

#include <QApplication>
#include <QClipboard>
#include <QtTest>

namespace {
TestHttpServer::Resource html(const QString &page)
{
    return { page.toUtf8(), "text/html; charset=utf-8", QString() };
}

// A page outside the bridge's page, reporting like it: what it was given, then what it got.
QString plainPage(const QString &title, const QString &script)
{
    return QStringLiteral(R"(<!doctype html><html><head><meta charset="utf-8"><title>%1</title></head>
<body style="margin:0"><button id="act" style="width:100%;height:100vh">act</button><script>
function report(tag, value) { console.warn("MIREL-TEST " + tag + " " + JSON.stringify(value)); }
const channel = typeof qt !== "undefined" && !!qt.webChannelTransport;
%2
</script></body></html>)").arg(title, script);
}
} // namespace

// Windows that pages open, and what a page may ask of its window, through the real program.
class WindowsEndToEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void popupPostsToItsOpenerAndCloses();
    void linksOpenWindowsThatCloseWithTheMainWindow();
    void permissions_data();
    void permissions();
    void closingAsksBeforeWorkIsLost();
    void stayingLeavesEveryPageAndBothClosesEnd();
    void pageDialogsNeverHoldTheClose_data();
    void pageDialogsNeverHoldTheClose();
};

void WindowsEndToEndTest::initTestCase()
{
    if (!Desktop::available())
        QSKIP("xdotool is not installed");
}

void WindowsEndToEndTest::popupPostsToItsOpenerAndCloses()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.serve("/start.html", html(bridgePage(R"(
    report("start", bridge !== null);
    let popup = null;
    const message = new Promise(resolve => addEventListener("message", event =>
        resolve({ data: event.data, fromPopup: event.source === popup })));
    popup = window.open("/signin.html", "signin", "width=420,height=360");
    report("message", await message);
    while (!popup.closed)
        await new Promise(resolve => setTimeout(resolve, 50));
    report("afterPopup", await call("setIni", "After", "popup"));
)")));
    server.serve("/signin.html", html(plainPage("Sign-in popup", R"(
report("popup", { opener: window.opener !== null, channel, width: innerWidth, height: innerHeight });
document.getElementById("act").onclick = () => {
  window.opener.postMessage("token-42", location.origin);
  window.close();
};
)")));
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.writeSettings({ { "Server", server.url("/start.html").toString() }, { "ShowMaximized", "0" } });
    mirel.start();

    QCOMPARE(mirel.waitForReport("start"), QStringLiteral("true"));
    QCOMPARE(mirel.waitForReport("popup"),
             QStringLiteral(R"({"opener":true,"channel":false,"width":420,"height":360})"));
    const QString popup = Desktop::waitForWindow("^Sign-in popup — http://127.0.0.1:[0-9]+$");
    QVERIFY(!popup.isEmpty());
    QCOMPARE(Desktop::size(popup), QSize(420, 360));
    Desktop::click(popup);
    QCOMPARE(mirel.waitForReport("message"), QStringLiteral(R"({"data":"token-42","fromPopup":true})"));
    // The popup's document did not count as a new one of the main page: its bridge still answers.
    QCOMPARE(mirel.waitForReport("afterPopup"), QStringLiteral("\"After=popup\""));
    QTRY_COMPARE(Desktop::windowsNamed("^Sign-in popup — http://127.0.0.1:[0-9]+$"), QStringList());
    QCOMPARE(mirel.reportCount("start"), 1);
    QCOMPARE(mirel.stop(), 0);
}

void WindowsEndToEndTest::linksOpenWindowsThatCloseWithTheMainWindow()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.serve("/start.html", html(bridgePage(R"(
    const link = document.createElement("a");
    link.href = "/second.html";
    link.target = "_blank";
    link.textContent = "second";
    document.body.append(link);
    link.click();
    report("start", true);
)")));
    server.serve("/second.html", html(plainPage("Second window", R"(
report("second", { opener: window.opener !== null, channel });
window.open("/third.html");
)")));
    server.serve("/third.html", html(plainPage("Third window", R"(
report("third", { opener: window.opener !== null, channel, width: innerWidth, height: innerHeight });
// A page cannot take its window off the screen or make it larger than the screen.
moveTo(-5000, -5000);
resizeTo(99999, 99999);
setTimeout(() => report("moved", screenX >= 0 && screenY >= 0 && outerWidth <= screen.availWidth
                                  && outerHeight <= screen.availHeight), 1000);
)")));
    MirelProcess mirel;
    mirel.writeSettings({ { "Server", server.url("/start.html").toString() }, { "ShowMaximized", "0" } });
    mirel.start();

    QVERIFY(mirel.waitForReport("start"));
    // A link to another window opens it without an opener, as browsers do; window.open keeps it.
    QCOMPARE(mirel.waitForReport("second"), QStringLiteral(R"({"opener":false,"channel":false})"));
    QCOMPARE(mirel.waitForReport("third"),
             QStringLiteral(R"({"opener":true,"channel":false,"width":1024,"height":768})"));
    QCOMPARE(mirel.waitForReport("moved"), QStringLiteral("true"));
    const QString second = Desktop::waitForWindow("^Second window — http://127.0.0.1:[0-9]+$");
    const QString third = Desktop::waitForWindow("^Third window — http://127.0.0.1:[0-9]+$");
    QVERIFY(!second.isEmpty() && !third.isEmpty());
    QStringList windows;
    QTRY_COMPARE_WITH_TIMEOUT((windows = Desktop::windowsOf(mirel.processId())).size(), 3, 10000);

    // The main window has no title of its own: it is the one left.
    windows.removeAll(second);
    windows.removeAll(third);
    QCOMPARE(windows.size(), 1);
    Desktop::requestClose(windows.first());
    QTRY_VERIFY_WITH_TIMEOUT(!mirel.isRunning(), 10000);
    QCOMPARE(mirel.stop(), 0);
}

void WindowsEndToEndTest::permissions_data()
{
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("refused"); // the request named in the log line, if one is due

    QTest::newRow("trusted writes the clipboard") << true << "clipboard-write" << "\"written\"" << "";
    QTest::newRow("untrusted writes the clipboard") << false << "clipboard-write" << "\"NotAllowedError\"" << "";
    QTest::newRow("trusted reads the clipboard") << true << "clipboard-read" << "\"NotAllowedError\"" << "";
    QTest::newRow("trusted goes full screen") << true << "full-screen" << "\"full screen\"" << "";
    QTest::newRow("untrusted goes full screen") << false << "full-screen" << "\"TypeError\"" << "";
    QTest::newRow("trusted notifications") << true << "notifications" << "\"denied\"" << "Notifications";
    QTest::newRow("untrusted notifications") << false << "notifications" << "\"denied\"" << "Notifications";
    QTest::newRow("trusted location") << true << "geolocation" << "\"error 1\"" << "Geolocation";
    QTest::newRow("untrusted location") << false << "geolocation" << "\"error 1\"" << "Geolocation";
}

void WindowsEndToEndTest::permissions()
{
    QFETCH(bool, trusted);
    QFETCH(QString, action);
    QFETCH(QString, answer);
    QFETCH(QString, refused);
    TestHttpServer home;
    TestHttpServer foreign;
    QVERIFY(home.listen() && foreign.listen());
    TestHttpServer &site = trusted ? home : foreign;
    site.serve("/ask.html", html(plainPage("Asking page", QStringLiteral(R"(
const actions = {
  "clipboard-write": async () => { await navigator.clipboard.writeText("mirel-copied"); return "written"; },
  "clipboard-read": async () => "read " + await navigator.clipboard.readText(),
  "full-screen": async () => { await document.documentElement.requestFullscreen(); return "full screen"; },
  "notifications": () => Notification.requestPermission(),
  "geolocation": () => new Promise(resolve => navigator.geolocation.getCurrentPosition(
      () => resolve("position"), error => resolve("error " + error.code))),
};
document.addEventListener("fullscreenchange", () => report("fullScreen", document.fullscreenElement !== null));
document.getElementById("act").onclick = async () => {
  report("clicked", true);
  let answer;
  try { answer = await actions["%1"](); } catch (error) { answer = error.name; }
  report("answer", answer);
};
report("ready", true);
)").arg(action))));
    // The foreign page is reached from the start page, which alone is trusted.
    home.serve("/lead.html", html(QStringLiteral("<script>location.href = \"%1\";</script>")
                                          .arg(foreign.url("/ask.html").toString())));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    MirelProcess mirel;
    mirel.writeSettings({ { "Server", home.url(trusted ? "/ask.html" : "/lead.html").toString() },
                          { "ShowMaximized", "0" } });
    mirel.start();
    QVERIFY(mirel.waitForReport("ready"));
    QStringList windows;
    QTRY_COMPARE((windows = Desktop::windowsOf(mirel.processId())).size(), 1);
    const QString window = windows.first();
    const QSize normalSize = Desktop::size(window);
    // A click the display lost is tried again; one the page got must be answered.
    Desktop::click(window);
    if (!mirel.waitForReport("clicked", 3000))
        Desktop::click(window);
    QVERIFY(mirel.waitForReport("clicked"));

    QCOMPARE(mirel.waitForReport("answer"), answer);
    const QString origin = QStringLiteral("http://127.0.0.1:%1").arg(site.url("").port());
    const QStringList refusals = mirel.logLines().filter("Permission refused:");
    if (!refused.isEmpty())
        QVERIFY2(refusals.contains(QStringLiteral("Permission refused: %1 for \"%2\"").arg(refused, origin)),
                 qPrintable(refusals.join(QLatin1Char('\n')) + " / " + origin));
    else if (answer != "\"NotAllowedError\"")
        QCOMPARE(refusals, QStringList());
    if (action == "clipboard-write")
        QCOMPARE(QApplication::clipboard()->text(),
                 trusted ? QStringLiteral("mirel-copied") : QStringLiteral("before"));
    if (answer == "\"full screen\"") {
        QCOMPARE(mirel.waitForReport("fullScreen"), QStringLiteral("true"));
        QTRY_COMPARE(Desktop::size(window), QGuiApplication::primaryScreen()->size());
        Desktop::key(window, "Escape");
        QTRY_COMPARE_WITH_TIMEOUT(mirel.reportCount("fullScreen"), 2, 10000);
        QTRY_COMPARE(Desktop::size(window), normalSize);
    }
    QCOMPARE(mirel.stop(), 0);
}

// A form with unsaved work (beforeunload after a click) and a download still coming in: closing
// the window asks about each; the person stays twice, then leaves.
void WindowsEndToEndTest::closingAsksBeforeWorkIsLost()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    TestHttpServer::Resource file;
    file.body = QByteArray(1 << 20, 'x');
    file.attachmentName = QStringLiteral("report.pdf");
    file.delivery = TestHttpServer::Delivery::Stalled;
    server.serve("/report.pdf", file);
    server.serve("/work.html", html(plainPage("Work page", QStringLiteral(R"(
document.getElementById("act").onclick = () => {
  addEventListener("beforeunload", event => { event.preventDefault(); event.returnValue = ""; });
  const frame = document.createElement("iframe");
  frame.src = "%1";
  document.body.append(frame);
  report("clicked", true);
};
report("ready", true);
)").arg(server.url("/report.pdf?mode=open").toString()))));
    MirelProcess mirel;
    mirel.writeSettings({ { "Server", server.url("/work.html").toString() }, { "ShowMaximized", "0" } });
    mirel.start();
    QVERIFY(mirel.waitForReport("ready"));
    QStringList windows;
    QTRY_COMPARE((windows = Desktop::windowsOf(mirel.processId())).size(), 1);
    const QString window = windows.first();
    Desktop::click(window);
    if (!mirel.waitForReport("clicked", 3000))
        Desktop::click(window);
    QVERIFY(mirel.waitForReport("clicked"));
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(mirel.tempDir()).entryList({"*_report.pdf*"}, QDir::Files).isEmpty(), 10000);

    // The question the close brings up, answered with `key`.
    const auto answer = [&](const QString &key) {
        QString question;
        // An unanswered question shows as the close that does not happen, checked by the caller.
        static_cast<void>(QTest::qWaitFor([&] {
            const QStringList shown = Desktop::windowsOf(mirel.processId());
            question = shown.size() == 2 ? shown.at(shown.at(0) == window ? 1 : 0) : QString();
            return !question.isEmpty();
        }, 10000));
        if (!question.isEmpty())
            Desktop::key(question, key);
        return !question.isEmpty();
    };
    const auto stillOpen = [&] {
        QTest::qWait(1000);
        return mirel.isRunning() && Desktop::windowsOf(mirel.processId()) == QStringList{window};
    };
    Desktop::requestClose(window);
    QVERIFY(answer("Escape")); // the page's "leave this page?": stay
    QVERIFY(stillOpen());
    Desktop::requestClose(window);
    QVERIFY(answer("Return")); // leave the page
    QVERIFY(answer("n"));      // but not with the download unfinished
    QVERIFY(stillOpen());
    Desktop::requestClose(window);
    QVERIFY(answer("Return"));
    QVERIFY(answer("y"));
    QTRY_VERIFY_WITH_TIMEOUT(!mirel.isRunning(), 10000);
    QCOMPARE(mirel.stop(), 0);
}

// The person stays on the main page's question while a popup is open: no page was unloaded.
// Then the popup's close and the main window's are asked together: the program ends.
void WindowsEndToEndTest::stayingLeavesEveryPageAndBothClosesEnd()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.serve("/work.html", html(plainPage("Work page", R"(
window.open("/popup.html", "popup", "width=400,height=300");
document.getElementById("act").onclick = () => {
  addEventListener("beforeunload", event => { event.preventDefault(); event.returnValue = ""; });
  report("clicked", true);
};
)")));
    server.serve("/popup.html", html(plainPage("Popup page", R"(
addEventListener("pagehide", () => report("pagehide", true));
report("popup", true);
)")));
    MirelProcess mirel;
    mirel.writeSettings({ { "Server", server.url("/work.html").toString() }, { "ShowMaximized", "0" } });
    mirel.start();
    QVERIFY(mirel.waitForReport("popup"));
    const QString popup = Desktop::waitForWindow("^Popup page — ");
    QStringList windows;
    QTRY_COMPARE((windows = Desktop::windowsOf(mirel.processId())).size(), 2);
    windows.removeAll(popup);
    const QString window = windows.value(0);
    // Clear of the popup, which the display puts over the main window's corner.
    Desktop::click(window, QPoint(700, 600));
    if (!mirel.waitForReport("clicked", 3000))
        Desktop::click(window, QPoint(700, 600));
    QVERIFY(mirel.waitForReport("clicked"));

    // The question: a window that is neither the main window nor the popup, which may still be
    // going when the main window asks.
    const auto question = [&] {
        QString shown;
        static_cast<void>(QTest::qWaitFor([&] {
            QStringList others = Desktop::windowsOf(mirel.processId());
            others.removeAll(window);
            others.removeAll(popup);
            shown = others.value(0);
            return !shown.isEmpty();
        }, 10000));
        return shown;
    };
    Desktop::requestClose(window);
    const QString stay = question();
    QVERIFY(!stay.isEmpty());
    Desktop::key(stay, "Escape");
    QTest::qWait(1500);
    QCOMPARE(Desktop::windowsOf(mirel.processId()).size(), 2);
    QCOMPARE(mirel.reportCount("pagehide"), 0);

    Desktop::requestClose(popup);
    Desktop::requestClose(window);
    const QString leave = question();
    QVERIFY(!leave.isEmpty());
    Desktop::key(leave, "Return");
    QTRY_VERIFY_WITH_TIMEOUT(!mirel.isRunning(), 5000);
    QCOMPARE(mirel.stop(), 0);
}

void WindowsEndToEndTest::pageDialogsNeverHoldTheClose_data()
{
    QTest::addColumn<QString>("script");
    QTest::newRow("alert again and again") << "setInterval(() => alert('again'), 50);";
    QTest::newRow("confirm in a loop that never yields") << "for (;;) confirm('again?');";
    QTest::newRow("prompt, then alerts") << "prompt('name?'); setInterval(() => alert('again'), 50);";
}

// A page that keeps raising its dialogs: the window's close button still ends the program.
void WindowsEndToEndTest::pageDialogsNeverHoldTheClose()
{
    QFETCH(QString, script);
    TestHttpServer server;
    QVERIFY(server.listen());
    server.serve("/nagging.html", html(plainPage("Nagging page", script)));
    MirelProcess mirel;
    mirel.writeSettings({ { "Server", server.url("/nagging.html").toString() }, { "ShowMaximized", "0" } });
    mirel.start();
    QStringList windows;
    QTRY_COMPARE_WITH_TIMEOUT((windows = Desktop::windowsOf(mirel.processId())).size(), 2, 20000);
    // The main window is the larger one; the other is the page's dialog.
    std::sort(windows.begin(), windows.end(), [](const QString &a, const QString &b) {
        return Desktop::size(a).width() > Desktop::size(b).width();
    });
    Desktop::requestClose(windows.first());
    QTRY_VERIFY_WITH_TIMEOUT(!mirel.isRunning(), 15000);
    QCOMPARE(mirel.stop(), 0);
}

MIREL_TEST_MAIN(WindowsEndToEndTest)
#include "tst_windows_e2e.moc"
