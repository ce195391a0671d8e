#include "signinprompt.h"

#include "signindialog.h"

#include <QAuthenticator>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
QString hostAndPort(const QUrl &url)
{
    return url.port() == -1 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
}
} // namespace

SignInPrompt::SignInPrompt(QWebEnginePage *page)
    : QObject(page)
    , m_page(page)
{
    connect(page, &QWebEnginePage::authenticationRequired, this, &SignInPrompt::askServer);
    connect(page, &QWebEnginePage::proxyAuthenticationRequired, this, &SignInPrompt::askProxy);
    connect(page, &QWebEnginePage::loadFinished, this, [this] { m_lastAnswered.clear(); });
}

void SignInPrompt::askServer(const QUrl &url, QAuthenticator *authenticator)
{
    ask(hostAndPort(url), QString(), false, authenticator);
}

void SignInPrompt::askProxy(const QUrl &url, QAuthenticator *authenticator, const QString &proxyHost)
{
    ask(proxyHost, hostAndPort(url), true, authenticator);
}

void SignInPrompt::ask(const QString &host, const QString &target, bool proxy, QAuthenticator *authenticator)
{
    const QString question = QStringLiteral("%1 %2 %3").arg(proxy ? QStringLiteral("proxy") : QStringLiteral("server"),
                                                             host, authenticator->realm());
    const SignInDialog::Request request{host, target, authenticator->realm(), proxy, question == m_lastAnswered};

    // The engine waits for the answer while this returns, so the dialog runs its own loop. Its
    // window may close the view under it, and with it the dialog: hence the guard.
    QPointer<SignInDialog> dialog = new SignInDialog(request, QWebEngineView::forPage(m_page));
    const bool accepted = dialog->exec() == QDialog::Accepted && dialog;
    if (accepted) {
        authenticator->setUser(dialog->userName());
        authenticator->setPassword(dialog->password());
        m_lastAnswered = question;
    } else {
        *authenticator = QAuthenticator();
        m_lastAnswered.clear();
    }
    delete dialog;
}
