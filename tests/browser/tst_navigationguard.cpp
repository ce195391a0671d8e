#include "browser/navigationguard.h"

#include <QtTest>

using Verdict = NavigationGuard::Verdict;
using Request = QWebEngineNavigationRequest;

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
    QTest::addColumn<Verdict>("verdict");
    const QString app = QStringLiteral("https://app.example/start");
    const QString web = QStringLiteral("https://foreign.example/");
    const QString console = QStringLiteral("qrc:///web/console.html");
    const QString file = QStringLiteral("file:///t/a.html");
    const auto link = Request::LinkClickedNavigation;
    const auto script = Request::OtherNavigation;
    const auto back = Request::BackForwardNavigation;
    QTest::newRow("trusted tel, upper case") << app << true << "TEL:+331" << link << true << Verdict::HandOver;
    QTest::newRow("trusted, listed scheme") << app << true << "sms:1" << link << true << Verdict::HandOver;
    QTest::newRow("trusted, in a frame") << app << true << "mailto:a@b" << link << false << Verdict::RefuseExternal;
    QTest::newRow("trusted, unlisted") << app << true << "something://x" << link << true << Verdict::RefuseExternal;
    QTest::newRow("foreign mailto") << web << false << "mailto:a@b" << link << true << Verdict::RefuseExternal;
    QTest::newRow("foreign, web page") << web << false << app << link << true << Verdict::Load;
    QTest::newRow("foreign frame to console") << web << false << console << link << false << Verdict::RefuseLocal;
    QTest::newRow("redirect") << app << true << console << Request::RedirectNavigation << true << Verdict::RefuseLocal;
    QTest::newRow("console to a file") << console << true << file << link << true << Verdict::RefuseLocal;
    QTest::newRow("start page") << "" << false << console << Request::TypedNavigation << true << Verdict::Load;
    QTest::newRow("console's own") << console << true << "qrc:///web/sample.txt" << link << false << Verdict::Load;
    QTest::newRow("file to file") << file << true << "file:///t/b.html" << link << true << Verdict::Load;
    QTest::newRow("back to console") << web << false << console << back << true << Verdict::Load;
    QTest::newRow("failure page's retry") << "data:text/html,x" << false << file << script << true << Verdict::Load;
}

void NavigationGuardTest::judge()
{
    QFETCH(QString, shown);
    QFETCH(bool, trusted);
    QFETCH(QString, target);
    QFETCH(Request::NavigationType, type);
    QFETCH(bool, mainFrame);
    // As an administrator may write them: any case, with or without the colon.
    const QStringList handed = NavigationGuard::handedSchemes(QStringLiteral(" callto  SMS: "));
    QTEST(NavigationGuard::judge(QUrl(shown), trusted, QUrl(target), type, mainFrame, handed), "verdict");
}

QTEST_APPLESS_MAIN(NavigationGuardTest)
#include "tst_navigationguard.moc"
