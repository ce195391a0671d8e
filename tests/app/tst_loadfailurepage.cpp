#include "app/loadfailurepage.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

namespace {
QString pageText(QWebEnginePage *page)
{
    QString text;
    bool done = false;
    page->toPlainText([&](const QString &result) {
        text = result;
        done = true;
    });
    QDeadlineTimer deadline(5000);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return text;
}
} // namespace

// The local page shown when the start page cannot be reached, and its Retry.
class LoadFailurePageTest final : public QObject
{
    Q_OBJECT
private slots:
    void escapesAddressAndReason();
    void appearsForUnreachablePageAndRetryLoadsIt();
};

void LoadFailurePageTest::escapesAddressAndReason()
{
    const QString page = LoadFailurePage::html(QUrl(QStringLiteral("https://x.example/a?b=<script>&c=\"d\"")),
                                               QStringLiteral("<b>refused</b>"));
    QVERIFY(!page.contains(QStringLiteral("<script>")));
    QVERIFY(!page.contains(QStringLiteral("<b>refused")));
    QVERIFY(page.contains(QStringLiteral("&lt;b&gt;refused&lt;/b&gt;")));
    QVERIFY(page.contains(QStringLiteral("href=\"https://x.example/a?b=%3Cscript%3E&amp;c=%22d%22\"")));
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
    LoadFailurePage failurePage(view.page());
    view.setUrl(startPage);
    QTRY_VERIFY_WITH_TIMEOUT(pageText(view.page()).contains(QStringLiteral("The page could not be loaded")), 15000);
    const QString shown = pageText(view.page());
    QVERIFY2(shown.contains(startPage.toString()), qPrintable(shown));
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
