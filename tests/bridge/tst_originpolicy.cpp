#include "bridge/originpolicy.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QtTest>

class OriginPolicyTest final : public QObject
{
    Q_OBJECT
private slots:
    void allows_data();
    void allows();
    void allowsAsStartPage_data();
    void allowsAsStartPage();
};

void OriginPolicyTest::allows_data()
{
    QTest::addColumn<QString>("startPage");
    QTest::addColumn<QString>("trusted");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("allowed");

    const QString start = QStringLiteral("https://app.example.com/quenzamirel/login");
    QTest::newRow("start page itself") << start << "" << "https://app.example.com/quenzamirel/login" << true;
    QTest::newRow("same origin, other path") << start << "" << "https://app.example.com/other?x=1#y" << true;
    QTest::newRow("explicit default port") << start << "" << "https://app.example.com:443/x" << true;
    QTest::newRow("host case") << start << "" << "https://APP.Example.com/x" << true;
    QTest::newRow("other port") << start << "" << "https://app.example.com:8443/x" << false;
    QTest::newRow("plain http") << start << "" << "http://app.example.com/x" << false;
    QTest::newRow("suffix host") << start << "" << "https://app.example.com.evil.net/x" << false;
    QTest::newRow("user info") << start << "" << "https://app.example.com@evil.net/x" << false;
    QTest::newRow("subdomain") << start << "" << "https://sso.app.example.com/x" << false;
    QTest::newRow("file page") << start << "" << "file:///tmp/x.html" << false;
    QTest::newRow("data page") << start << "" << "data:text/html,hi" << false;
    QTest::newRow("listed origin") << start << "https://sso.example.com:8443 http://127.0.0.1:9000"
                                   << "https://sso.example.com:8443/login" << true;
    QTest::newRow("listed, second entry") << start << "https://sso.example.com:8443  http://127.0.0.1:9000"
                                          << "http://127.0.0.1:9000/" << true;
    QTest::newRow("listed origin, other port") << start << "https://sso.example.com:8443"
                                               << "https://sso.example.com/login" << false;
    QTest::newRow("junk entry ignored") << start << "not-an-origin ::: https://ok.example.com"
                                        << "https://ok.example.com/" << true;
    QTest::newRow("file start page, file page") << "file:///opt/app/start.html" << "" << "file:///home/x/other.html" << true;
    QTest::newRow("file start page, web page") << "file:///opt/app/start.html" << "https://app.example.com"
                                               << "https://app.example.com/" << false;
    QTest::newRow("qrc start page, qrc page") << "qrc:///web/console.html" << "" << "qrc:///web/other.html" << true;
    QTest::newRow("qrc start page, file page") << "qrc:///web/console.html" << "" << "file:///tmp/x.html" << false;
    QTest::newRow("empty start page") << "" << "" << "https://app.example.com/" << false;
}

void OriginPolicyTest::allows()
{
    QFETCH(QString, startPage);
    QFETCH(QString, trusted);
    QFETCH(QString, page);
    const OriginPolicy policy(QUrl(startPage), trusted);
    QTEST(policy.allows(QUrl(page)), "allowed");
}

void OriginPolicyTest::allowsAsStartPage_data()
{
    QTest::addColumn<QString>("startPage");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("file start page, listed site") << "file:///opt/app/start.html" << "https://sso.example.com/x" << true;
    QTest::newRow("file start page, unlisted site") << "file:///opt/app/start.html" << "https://evil.example/" << false;
    QTest::newRow("file start page, file page") << "file:///opt/app/start.html" << "file:///tmp/x.html" << true;
    QTest::newRow("web start page, its origin") << "https://app.example.com/login" << "https://app.example.com/y" << true;
    QTest::newRow("web start page, listed port") << "https://app.example.com/login" << "https://app.example.com:8443/" << true;
    QTest::newRow("web start page, other port") << "https://app.example.com/login" << "https://app.example.com:9443/" << false;
}

void OriginPolicyTest::allowsAsStartPage()
{
    QFETCH(QString, startPage);
    QFETCH(QString, page);
    const OriginPolicy policy(QUrl(startPage), QStringLiteral("https://sso.example.com https://app.example.com:8443"));
    QTEST(policy.allowsAsStartPage(QUrl(page)), "allowed");
}

MIREL_TEST_MAIN(OriginPolicyTest)
#include "tst_originpolicy.moc"
