#include "desktop.h"
#include "support/mirelprocess.h"
#include "support/testhttpserver.h"

#include <QApplication>
#include <QProcess>
#include <QtTest>

namespace {
QByteArray basic(const QByteArray &credentials)
{
    return "Basic " + credentials.toBase64();
}

// The window of a sign-in dialog of process `pid` that is not among `answered`, once one shows.
QString waitForDialog(qint64 pid, const QStringList &answered)
{
    QString found;
    const bool shown = QTest::qWaitFor(
        [&] {
            const QStringList ofProcess = Desktop::windowsOf(pid);
            for (const QString &window : Desktop::windowsNamed(QStringLiteral("^Sign in$"))) {
                if (ofProcess.contains(window) && !answered.contains(window))
                    found = window;
            }
            return !found.isEmpty();
        },
        20000);
    return shown ? found : QString();
}

// Each "type <text>" or "key <name>" in turn, in `window`.
void press(const QString &window, const QStringList &actions)
{
    for (const QString &action : actions) {
        const QString what = action.section(QLatin1Char(' '), 1);
        if (action.startsWith(QLatin1String("type ")))
            Desktop::type(window, what);
        else
            Desktop::key(window, what);
    }
}

QStringList typing(const QString &userName, const QString &password)
{
    return {"type " + userName, "key Tab", "type " + password, "key Return"};
}
} // namespace

// A server that asks for a password, answered through the real program's dialog.
class SignInEndToEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void sendsOnlyWhatWasTyped_data();
    void sendsOnlyWhatWasTyped();
    void popupClosedWhileAsking();
};

void SignInEndToEndTest::sendsOnlyWhatWasTyped_data()
{
    QTest::addColumn<bool>("proxy");                 // the server asks as the program's proxy
    QTest::addColumn<QList<QStringList>>("answers"); // the keys pressed in each dialog, in turn
    QTest::addColumn<QString>("shown");              // the page shown at the end
    QTest::addColumn<QByteArrayList>("sent");        // the Authorization header of each request

    const QString signedIn = QStringLiteral("\"signed in\"");
    const QString refused = QStringLiteral("\"refused\"");
    QTest::newRow("typed credentials")
        << false << QList<QStringList>{typing("ann", "s3cret")} << signedIn << QByteArrayList{"", basic("ann:s3cret")};
    QTest::newRow("refused password asks again")
        << false << QList<QStringList>{typing("ann", "wrong"), {"type s3cret", "key Return"}} << signedIn
        << QByteArrayList{"", basic("ann:wrong"), basic("ann:s3cret")};
    QTest::newRow("Escape shows the server's page")
        << false << QList<QStringList>{{"key Escape"}} << refused << QByteArrayList{""};
    QTest::newRow("Return with nothing typed sends nothing")
        << false << QList<QStringList>{{"key Return", "type x", "key BackSpace", "key Return", "key Escape"}}
        << refused << QByteArrayList{""};
    QTest::newRow("proxy, typed credentials")
        << true << QList<QStringList>{typing("ann", "s3cret")} << signedIn << QByteArrayList{"", basic("ann:s3cret")};
    QTest::newRow("proxy, Escape") << true << QList<QStringList>{{"key Escape"}} << refused << QByteArrayList{""};
}

void SignInEndToEndTest::sendsOnlyWhatWasTyped()
{
    QFETCH(bool, proxy);
    QFETCH(QList<QStringList>, answers);
    QFETCH(QString, shown);
    QFETCH(QByteArrayList, sent);

    TestHttpServer server;
    QVERIFY(server.listen());
    TestHttpServer::Resource page;
    page.contentType = "text/html; charset=utf-8";
    page.body = "<!doctype html><script>console.warn('MIREL-TEST shown \"signed in\"')</script>";
    page.refusedBody = "<!doctype html><script>console.warn('MIREL-TEST shown \"refused\"')</script>";
    page.credentials = "ann:s3cret";
    page.realm = "Lab <b>bench</b> & co";
    page.asProxy = proxy;
    server.serve(QStringLiteral("/private"), page);

    MirelProcess mirel;
    QUrl startPage = server.url(QStringLiteral("/private"));
    if (proxy) {
        // Never resolved: every request goes to the proxy, which the engine bypasses only for loopback.
        mirel.setEnvironment(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
                             qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS") + QStringLiteral(" --proxy-server=")
                                 + server.url(QString()).toString());
        startPage = QUrl(QStringLiteral("http://app.example/private"));
    }
    mirel.writeSettings({{QStringLiteral("Server"), startPage.toString()}});
    mirel.start();
    QStringList answered;
    for (const QStringList &keys : answers) {
        const QString dialog = waitForDialog(mirel.processId(), answered);
        QVERIFY2(!dialog.isEmpty(), "no sign-in dialog");
        press(dialog, keys);
        answered << dialog;
    }
    QCOMPARE(mirel.waitForReport(QStringLiteral("shown")), shown);
    // Whatever the engine would send by itself has had time to arrive.
    QTest::qWait(1000);
    QCOMPARE(server.authorizations(QStringLiteral("/private")), sent);
    QVERIFY(!mirel.logLines().join(QLatin1Char('\n')).contains(QStringLiteral("s3cret")));
    QCOMPARE(mirel.stop(), 0);
}

// The opener closes a popup whose server is asking: the dialog goes with the popup, and the
// program still ends when its window is closed.
void SignInEndToEndTest::popupClosedWhileAsking()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    TestHttpServer::Resource page;
    page.contentType = "text/html; charset=utf-8";
    page.credentials = "ann:s3cret";
    page.realm = "Lab";
    server.serve(QStringLiteral("/private"), page);
    TestHttpServer::Resource opener;
    opener.contentType = "text/html; charset=utf-8";
    opener.body = R"(<!doctype html><script>
const popup = window.open("/private", "private", "width=400,height=300");
setTimeout(() => { popup.close(); console.warn("MIREL-TEST closed true"); }, 3000);
</script>)";
    server.serve(QStringLiteral("/opener"), opener);
    MirelProcess mirel;
    mirel.writeSettings({{QStringLiteral("Server"), server.url(QStringLiteral("/opener")).toString()},
                         {QStringLiteral("ShowMaximized"), QStringLiteral("0")}});
    mirel.start();
    const QString dialog = waitForDialog(mirel.processId(), {});
    QVERIFY2(!dialog.isEmpty(), "no sign-in dialog");
    // Qt 6.4's engine holds every page's scripts while a dialog answers for one: there the close
    // comes once the person cancels.
    const auto shown = [&] { return Desktop::windowsOf(mirel.processId()).size(); };
    if (!QTest::qWaitFor([&] { return shown() == 1; }, 6000))
        press(dialog, {"key Escape"});
    QTRY_COMPARE_WITH_TIMEOUT(shown(), 1, 10000);
    QVERIFY(mirel.waitForReport(QStringLiteral("closed")));
    QVERIFY(mirel.waitForLogLine(QStringLiteral("Sign-in asked: \"127.0.0.1:%1\" \"Lab\" server cancelled")
                                     .arg(server.url(QString()).port())));
    Desktop::requestClose(Desktop::windowsOf(mirel.processId()).value(0));
    QTRY_VERIFY_WITH_TIMEOUT(!mirel.isRunning(), 10000);
    QCOMPARE(mirel.stop(), 0);
}

MIREL_TEST_MAIN(SignInEndToEndTest)
#include "tst_signin_e2e.moc"
