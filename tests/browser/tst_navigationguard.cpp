#include "browser/navigationguard.h"

#include <QtTest>

using Verdict = NavigationGuard::Verdict;
using Request = QWebEngineNavigationRequest;

// Which navigations a page may make: addresses for other programs, and local pages.
class NavigationGuardTest final : public QObject
{
    Q_OBJECT
private slots:
    void judge_data();
    void judge();
};

void NavigationGuardTest::judge_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<QString>("target");
    QTest::addColumn<Request::NavigationType>("type");
    QTest::addColumn<bool>("mainFrame");
    QTest::addColumn<QString>("administrators"); // the ExternalSchemes setting
    QTest::addColumn<Verdict>("verdict");
    const QString app = QStringLiteral("https://app.example/start");
    const QString foreign = QStringLiteral("https://foreign.example/");
    const auto link = Request::LinkClickedNavigation;
    QTest::newRow("trusted mailto") << app << true << "mailto:ann@example.com" << link << true << ""
                                    << Verdict::HandOver;
    QTest::newRow("trusted tel, upper case") << app << true << "TEL:+331" << link << true << "" << Verdict::HandOver;
    QTest::newRow("trusted, from a frame") << app << true << "mailto:a@b" << link << false << ""
                                           << Verdict::RefuseExternal;
    QTest::newRow("trusted, unlisted scheme") << app << true << "something://x" << link << true << ""
                                              << Verdict::RefuseExternal;
    QTest::newRow("trusted, scheme listed") << app << true << "sms:123" << link << true << "callto: SMS:"
                                            << Verdict::HandOver;
    QTest::newRow("foreign mailto") << foreign << false << "mailto:a@b" << link << true << ""
                                    << Verdict::RefuseExternal;
    QTest::newRow("foreign, listed scheme") << foreign << false << "sms:1" << link << true << "sms"
                                            << Verdict::RefuseExternal;
    QTest::newRow("foreign, unknown by script") << foreign << false << "something://x" << Request::OtherNavigation
                                                << true << "" << Verdict::RefuseExternal;
    QTest::newRow("foreign, web page") << foreign << false << app << link << true << "" << Verdict::Load;
    QTest::newRow("foreign to console") << foreign << false << "qrc:///web/console.html" << Request::OtherNavigation
                                        << true << "" << Verdict::RefuseLocal;
    QTest::newRow("foreign frame to console") << foreign << false << "qrc:///web/console.html" << link << false << ""
                                              << Verdict::RefuseLocal;
    QTest::newRow("redirect to console") << app << true << "qrc:///web/console.html" << Request::RedirectNavigation
                                         << true << "" << Verdict::RefuseLocal;
    QTest::newRow("window.open to console") << foreign << false << "qrc:///web/console.html" << link << true << ""
                                            << Verdict::RefuseLocal;
    QTest::newRow("foreign to a file") << foreign << false << "file:///etc/hostname" << link << true << ""
                                       << Verdict::RefuseLocal;
    QTest::newRow("console to a file") << "qrc:///web/console.html" << true << "file:///etc/hostname" << link << true
                                       << "" << Verdict::RefuseLocal;
    QTest::newRow("file to console") << "file:///t/a.html" << true << "qrc:///web/console.html" << link << true << ""
                                     << Verdict::RefuseLocal;
    QTest::newRow("start page") << "" << false << "qrc:///web/console.html" << Request::TypedNavigation << true << ""
                                << Verdict::Load;
    QTest::newRow("console to its sample") << "qrc:///web/console.html" << true << "qrc:///web/sample.txt" << link
                                           << false << "" << Verdict::Load;
    QTest::newRow("file to file") << "file:///t/a.html" << true << "file:///t/b.html" << link << true << ""
                                  << Verdict::Load;
    QTest::newRow("back to the console") << foreign << false << "qrc:///web/console.html"
                                         << Request::BackForwardNavigation << true << "" << Verdict::Load;
    QTest::newRow("failure page's retry") << "data:text/html,x" << false << "file:///t/a.html"
                                          << Request::OtherNavigation << true << "" << Verdict::Load;
}

void NavigationGuardTest::judge()
{
    QFETCH(QString, shown);
    QFETCH(bool, trusted);
    QFETCH(QString, target);
    QFETCH(Request::NavigationType, type);
    QFETCH(bool, mainFrame);
    QFETCH(QString, administrators);
    const QStringList handed = NavigationGuard::handedSchemes(administrators);
    QTEST(NavigationGuard::judge(QUrl(shown), trusted, QUrl(target), type, mainFrame, handed), "verdict");
}

QTEST_APPLESS_MAIN(NavigationGuardTest)
#include "tst_navigationguard.moc"
