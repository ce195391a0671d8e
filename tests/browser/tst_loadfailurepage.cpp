#include "browser/loadfailurepage.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEnginePage>
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
} // namespace

// The local page shown when the start page cannot be reached, and its Retry.
class LoadFailurePageTest final : public QObject
{
    Q_OBJECT
private slots:
    void escapesAddressAndReason();
    void namesWhereTheAddressComesFrom_data();
    void namesWhereTheAddressComesFrom();
    void appearsForUnreachablePageAndRetryLoadsIt();
};

void LoadFailurePageTest::escapesAddressAndReason()
{
    const QUrl url(QStringLiteral("https://x.example/a?b=<script>&c=\"d\""));
    const StartPageSource source{QStringLiteral("/home/<i>ann</i>/Mirel.ini"), false, true};
    const QString page = LoadFailurePage::html(url, QStringLiteral("<b>refused</b>"), url, source);
    QVERIFY(!page.contains(QStringLiteral("<script>")));
    QVERIFY(!page.contains(QStringLiteral("<b>refused")));
    QVERIFY(page.contains(QStringLiteral("&lt;b&gt;refused&lt;/b&gt;")));
    QVERIFY(page.contains(QStringLiteral("href=\"https://x.example/a?b=%3Cscript%3E&amp;c=%22d%22\"")));
    QVERIFY(!page.contains(QStringLiteral("<i>ann")));
    QVERIFY(page.contains(QStringLiteral("<code>/home/&lt;i&gt;ann&lt;/i&gt;/Mirel.ini</code>")));
}

void LoadFailurePageTest::namesWhereTheAddressComesFrom_data()
{
    QTest::addColumn<QUrl>("failed");
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
    QTest::newRow("setting") << login << login << true << false << QStringList{setting}
                             << QStringList{"built-in", "names no server"};
    QTest::newRow("setting, placeholder build") << login << login << true << true << QStringList{setting}
                                                << QStringList{"built-in", "names no server"};
    QTest::newRow("built-in") << login << login << false << false << QStringList{builtIn}
                              << QStringList{"setting in", "names no server"};
    QTest::newRow("built-in placeholder") << login << login << false << true << QStringList{builtIn, noServer}
                                          << QStringList{"setting in"};
    QTest::newRow("setting without the slash the engine adds")
        << QUrl(QStringLiteral("https://app.example.com/")) << QUrl(QStringLiteral("https://app.example.com"))
        << true << false << QStringList{setting} << QStringList{"built-in"};
    QTest::newRow("another address, reached from the start page")
        << QUrl(QStringLiteral("https://sso.example.com/auth")) << login << false << true << QStringList{}
        << QStringList{"Source:", "names no server"};
}

void LoadFailurePageTest::namesWhereTheAddressComesFrom()
{
    QFETCH(QUrl, failed);
    QFETCH(QUrl, startPage);
    QFETCH(bool, fromSetting);
    QFETCH(bool, placeholderHost);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, notShown);

    const QString page = LoadFailurePage::html(failed, QStringLiteral("net::ERR_NAME_NOT_RESOLVED"), startPage,
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

MIREL_TEST_MAIN(LoadFailurePageTest)
#include "tst_loadfailurepage.moc"
