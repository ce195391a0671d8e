#include "browser/loadfailurepage.h"
#include "support/isolatedenvironment.h"
#include "support/testhttpserver.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextDocumentFragment>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtTest>

#include <memory>
#include <optional>

namespace {
const QString SettingsFile = QStringLiteral("/home/ann/.config/Quenza/Mirel.ini");

QString pageText(QWebEnginePage *page)
{
    // Owned with the callback too: an answer that comes after the wait gave up lands here
    // harmlessly instead of in this function's finished frame.
    const auto answer = std::make_shared<std::optional<QString>>();
    page->toPlainText([answer](const QString &result) { *answer = result; });
    QDeadlineTimer deadline(5000);
    while (!answer->has_value() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return answer->value_or(QString());
}

bool run(const QString &program, const QStringList &arguments, const QString &folder = QString())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.closeWriteChannel(); // as from a script: nobody types a password
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    qWarning() << program << arguments << process.readAllStandardError();
    return false;
}

// A port that nobody listens on until the test opens it again.
quint16 freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}
} // namespace

// The local page shown when the start page cannot be reached, and its Retry.
class LoadFailurePageTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void escapesAddressAndReason();
    void namesWhereTheAddressComesFrom_data();
    void namesWhereTheAddressComesFrom();
    void appearsForUnreachablePageAndRetryLoadsIt();
    void triesAgainByItselfUntilTheServerIsUp();
    void certificates_data();
    void certificates();

private:
    QTemporaryDir m_home;
};

void LoadFailurePageTest::escapesAddressAndReason()
{
    const QUrl url(QStringLiteral("https://x.example/a?b=<script>&c=\"d\""));
    const StartPageSource source{QStringLiteral("/home/<i>ann</i>/Mirel.ini"), false, true};
    const QString page = LoadFailurePage::html(url, -102, QStringLiteral("<b>refused</b>"), url, source);
    QVERIFY(!page.contains(QStringLiteral("b=<script>")));
    QVERIFY(!page.contains(QStringLiteral("<b>refused")));
    QVERIFY(page.contains(QStringLiteral("&lt;b&gt;refused&lt;/b&gt;")));
    QVERIFY(page.contains(QStringLiteral("href=\"https://x.example/a?b=%3Cscript%3E&amp;c=%22d%22\"")));
    QVERIFY(!page.contains(QStringLiteral("<i>ann")));
    QVERIFY(page.contains(QStringLiteral("<code>/home/&lt;i&gt;ann&lt;/i&gt;/Mirel.ini</code>")));
}

void LoadFailurePageTest::namesWhereTheAddressComesFrom_data()
{
    QTest::addColumn<QUrl>("failed");
    QTest::addColumn<int>("error"); // the network stack's code
    QTest::addColumn<QUrl>("startPage");
    QTest::addColumn<bool>("fromSetting");
    QTest::addColumn<bool>("placeholderHost");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("notShown");

    const QUrl login(QStringLiteral("https://app.example.com/quenzamirel/login"));
    const QString setting = QStringLiteral("<p>Source: the <code>Server</code> setting in <code>%1</code></p>").arg(SettingsFile);
    const QString builtIn = QStringLiteral("<p>Source: the built-in start page</p>");
    const QString noServer = QStringLiteral("<p>This build names no server: set one with the <code>Server</code> key "
                                            "in <code>%1</code>, or build Mirel with <code>-DMIREL_START_HOST=<i>your-host</i></code>.</p>")
                                 .arg(SettingsFile);
    const QString notAnswered = "The server did not answer", network = "Check the network connection.";
    const QString tellSetting = "tell the administrator of <code>app.example.com</code>, the server that the "
                                "<code>Server</code> setting above names.";
    const int nameNotResolved = -105;
    QTest::newRow("setting") << login << nameNotResolved << login << true << false
                             << QStringList{setting, notAnswered, tellSetting}
                             << QStringList{"built-in", "names no server", network};
    QTest::newRow("setting, placeholder build") << login << nameNotResolved << login << true << true << QStringList{setting}
                                                << QStringList{"built-in", "names no server"};
    QTest::newRow("built-in") << login << nameNotResolved << login << false << false << QStringList{builtIn}
                              << QStringList{"setting in", "names no server", "setting above"};
    QTest::newRow("built-in placeholder") << login << nameNotResolved << login << false << true << QStringList{builtIn, noServer}
                                          << QStringList{"setting in"};
    QTest::newRow("setting without the slash the engine adds")
        << QUrl(QStringLiteral("https://app.example.com/")) << nameNotResolved << QUrl(QStringLiteral("https://app.example.com"))
        << true << false << QStringList{setting} << QStringList{"built-in"};
    QTest::newRow("another address, reached from the start page")
        << QUrl(QStringLiteral("https://sso.example.com/auth")) << nameNotResolved << login << true << true
        << QStringList{notAnswered, "tell the administrator of <code>sso.example.com</code>."}
        << QStringList{"Source:", "names no server", "setting above"};
    QTest::newRow("connection refused") << login << -102 << login << true << false << QStringList{tellSetting} << QStringList{network};
    QTest::newRow("connection reset") << login << -101 << login << true << false << QStringList{tellSetting} << QStringList{network};
    QTest::newRow("no network") << login << -106 << login << true << false << QStringList{network} << QStringList{notAnswered};
    QTest::newRow("address unreachable") << login << -109 << login << true << false << QStringList{network} << QStringList{notAnswered};
}

void LoadFailurePageTest::namesWhereTheAddressComesFrom()
{
    QFETCH(QUrl, failed);
    QFETCH(int, error);
    QFETCH(QUrl, startPage);
    QFETCH(bool, fromSetting);
    QFETCH(bool, placeholderHost);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, notShown);

    const QString page = LoadFailurePage::html(failed, error, QStringLiteral("net::ERR_NAME_NOT_RESOLVED"), startPage,
                                               StartPageSource{SettingsFile, fromSetting, placeholderHost});
    for (const QString &text : shown)
        QVERIFY2(page.contains(text), qPrintable(text + QStringLiteral(" not in:\n") + page));
    for (const QString &text : notShown)
        QVERIFY2(!page.contains(text), qPrintable(text + QStringLiteral(" in:\n") + page));
}

void LoadFailurePageTest::appearsForUnreachablePageAndRetryLoadsIt()
{
    // A port that nobody listens on until the test opens it again.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint16 port = server.serverPort();
    server.close();
    const QUrl startPage(QStringLiteral("http://127.0.0.1:%1/start").arg(port));

    QWebEngineView view;
    LoadFailurePage failurePage(view.page(), startPage, StartPageSource{SettingsFile, true, false});
    view.setUrl(startPage);
    QTRY_VERIFY_WITH_TIMEOUT(pageText(view.page()).contains(QStringLiteral("The page could not be loaded")), 15000);
    const QString shown = pageText(view.page());
    QVERIFY2(shown.contains(startPage.toString()), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("Source: the Server setting in ") + SettingsFile), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("Reason:")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("The server did not answer")), qPrintable(shown));

    QVERIFY(server.listen(QHostAddress::LocalHost, port));
    connect(&server, &QTcpServer::newConnection, &server, [&server] {
        QTcpSocket *socket = server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            socket->readAll();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n"
                          "Content-Length: 28\r\n\r\n<html><p>back online</p></html>");
            socket->disconnectFromHost();
        });
    });
    view.page()->runJavaScript(QStringLiteral("document.getElementById('retry').click()"));

    QTRY_VERIFY_WITH_TIMEOUT(pageText(view.page()).contains(QStringLiteral("back online")), 15000);
    QCOMPARE(view.url(), startPage);
}

void LoadFailurePageTest::triesAgainByItselfUntilTheServerIsUp()
{
    const quint16 port = freePort();
    TestHttpServer server;
    TestHttpServer::Resource page;
    page.body = "<html><p>back online</p></html>";
    page.contentType = "text/html";
    server.serve(QStringLiteral("/start"), page);
    const QUrl startPage(QStringLiteral("http://127.0.0.1:%1/start").arg(port));

    QWebEngineView view;
    LoadFailurePage failurePage(view.page(), startPage, StartPageSource{SettingsFile, true, false}, 2);
    view.setUrl(startPage);
    QTRY_VERIFY_WITH_TIMEOUT(pageText(view.page()).contains(QStringLiteral("Trying again in 2 s.")), 15000);
    // A retry that fails again brings the page back with a new countdown; only then is the server up.
    QTRY_VERIFY_WITH_TIMEOUT(pageText(view.page()).contains(QStringLiteral("Trying again in 1 s.")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(pageText(view.page()).contains(QStringLiteral("Trying again in 2 s.")), 5000);

    QVERIFY(server.listen(port));
    QTRY_VERIFY_WITH_TIMEOUT(pageText(view.page()).contains(QStringLiteral("back online")), 10000);
    QCOMPARE(view.url(), startPage);
    // Loaded, it stays: no more tries.
    QTest::qWait(3000);
    QCOMPARE(server.requestCount(QStringLiteral("/start")), 1);
}

void LoadFailurePageTest::initTestCase()
{
    // The engine reads the authorities it trusts besides its own from $HOME/.pki/nssdb. A fresh
    // account of this test's own gets the authority through the commands the certificate page
    // shows, run as a script, twice: the second finds the database made.
    QVERIFY(m_home.isValid());
    qputenv("HOME", QFile::encodeName(m_home.path()));
    QVERIFY(run(QStringLiteral("openssl"), {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                                            "/CN=Mirel Test Authority", "-keyout", m_home.filePath("ca.key"), "-out",
                                            m_home.filePath("ca.crt")}));
    const QString page = LoadFailurePage::certificateHtml(QUrl(QStringLiteral("https://127.0.0.1/")),
                                                          QWebEngineCertificateError::CertificateAuthorityInvalid,
                                                          QString(), QUrl(), StartPageSource{});
    static const QRegularExpression commands(QStringLiteral("<pre id=\"commands\">.*</pre>"),
                                             QRegularExpression::DotMatchesEverythingOption);
    const QString script = QTextDocumentFragment::fromHtml(commands.match(page).captured()).toPlainText();
    QVERIFY2(script.contains(QStringLiteral("certutil -A")), qPrintable(page));
    for (int time = 0; time < 2; ++time)
        QVERIFY(run(QStringLiteral("sh"), {"-ec", script}, m_home.path()));
}

void LoadFailurePageTest::certificates_data()
{
    QTest::addColumn<bool>("byAuthority"); // else self-signed
    QTest::addColumn<QString>("names");
    QTest::addColumn<QStringList>("shown");

    const QString notLoaded = QStringLiteral("nothing of the page was loaded");
    QTest::newRow("self-signed")
        << false << QStringLiteral("IP:127.0.0.1")
        << QStringList{"Reason: the certificate was issued by an authority that this computer does not know (an "
                       "unknown issuer, or a self-signed certificate) (net::ERR_CERT_AUTHORITY_INVALID).",
                       notLoaded, "test -f ~/.pki/nssdb/cert9.db || certutil -N",
                       "certutil -A -d sql:$HOME/.pki/nssdb -t C,, -n \"Organization CA\" -i ca.crt",
                       "once per run: then restart Mirel.", "Restart Mirel"};
    QTest::newRow("authority installed as the page says")
        << true << QStringLiteral("IP:127.0.0.1") << QStringList{"served over https"};
    QTest::newRow("installed authority, another name")
        << true << QStringLiteral("DNS:other.example")
        << QStringList{"Reason: the certificate was issued for another name than the server's "
                       "(net::ERR_CERT_COMMON_NAME_INVALID).",
                       notLoaded, "installs a certificate issued for 127.0.0.1"};
}

void LoadFailurePageTest::certificates()
{
    QFETCH(bool, byAuthority);
    QFETCH(QString, names);
    QFETCH(QStringList, shown);

    QTemporaryDir folder;
    const QString key = folder.filePath(QStringLiteral("key.pem"));
    const QString request = folder.filePath(QStringLiteral("request.csr"));
    const QString extensions = folder.filePath(QStringLiteral("extensions.cnf"));
    const QString certificate = folder.filePath(QStringLiteral("certificate.pem"));
    QFile file(extensions);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("subjectAltName=" + names.toUtf8() + "\n") > 0);
    file.close();
    QVERIFY(run(QStringLiteral("openssl"), {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Mirel test server",
                                            "-keyout", key, "-out", request}));
    const QStringList issuer = byAuthority
            ? QStringList{"-CA", m_home.filePath("ca.crt"), "-CAkey", m_home.filePath("ca.key")}
            : QStringList{"-signkey", key};
    QVERIFY(run(QStringLiteral("openssl"), QStringList{"x509", "-req", "-in", request, "-days", "1", "-extfile",
                                                       extensions, "-out", certificate} + issuer));
    QFile keyFile(key);
    QFile certificateFile(certificate);
    QVERIFY(keyFile.open(QIODevice::ReadOnly) && certificateFile.open(QIODevice::ReadOnly));
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
    configuration.setLocalCertificate(QSslCertificate(certificateFile.readAll()));
    QSslServer server;
    server.setSslConfiguration(configuration);
    QVERIFY(server.listen(QHostAddress::LocalHost));
    connect(&server, &QTcpServer::pendingConnectionAvailable, &server, [&server] {
        QTcpSocket *socket = server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            socket->readAll();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n"
                          "Content-Length: 37\r\n\r\n<html><p>served over https</p></html>");
            socket->disconnectFromHost();
        });
    });
    const QUrl url(QStringLiteral("https://127.0.0.1:%1/").arg(server.serverPort()));

    QWebEngineView view;
    LoadFailurePage failurePage(view.page(), url, StartPageSource{SettingsFile, true, false});
    view.setUrl(url);
    QTRY_VERIFY_WITH_TIMEOUT(pageText(view.page()).contains(shown.first()), 15000);
    const QString text = pageText(view.page());
    for (const QString &expected : shown)
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" not in:\n") + text));
    QVERIFY2(!text.contains(QStringLiteral("network connection")), qPrintable(text));
    // Nothing counts down to a retry that could not succeed.
    QTest::qWait(1500);
    QCOMPARE(pageText(view.page()), text);
    QSignalSpy restart(&failurePage, &LoadFailurePage::restartRequested);
    view.page()->runJavaScript(QStringLiteral("document.getElementById('restart')?.click()"));
    QTRY_COMPARE_WITH_TIMEOUT(restart.count(), int(text.contains(QStringLiteral("Restart Mirel"))), 5000);
}

MIREL_TEST_MAIN(LoadFailurePageTest)
#include "tst_loadfailurepage.moc"
