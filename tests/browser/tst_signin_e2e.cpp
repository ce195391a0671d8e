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

QStringList xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The window of a sign-in dialog of process `pid` that is not among `answered`, once one shows.
QString waitForDialog(qint64 pid, const QStringList &answered)
{
    QString found;
    const bool shown = QTest::qWaitFor(
        [&] {
            const QStringList windows = xdotool(
                {"search", "--all", "--onlyvisible", "--pid", QString::number(pid), "--name", "^Sign in$"});
            for (const QString &window : windows) {
                if (!answered.contains(window))
                    found = window;
            }
            return !found.isEmpty();
        },
        20000);
    return shown ? found : QString();
}

// Each "type <text>" or "key <name>" in turn, in the focused `window`.
void press(const QString &window, const QStringList &actions)
{
    xdotool({"windowfocus", "--sync", window});
    for (const QString &action : actions) {
        const QString verb = action.section(QLatin1Char(' '), 0, 0);
        const QString what = action.section(QLatin1Char(' '), 1);
        xdotool(verb == QLatin1String("type") ? QStringList{"type", "--delay", "20", what} : QStringList{verb, what});
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
        << false << QList<QStringList>{typing("ann", "wrong"), typing("ann", "s3cret")} << signedIn
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

MIREL_TEST_MAIN(SignInEndToEndTest)
#include "tst_signin_e2e.moc"
