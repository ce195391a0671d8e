#include "signinprompt.h"

#include "signindialog.h"

#include <QAuthenticator>
#include <QDebug>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
QString hostAndPort(const QUrl &url)
{
    return url.port() == -1 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
}
} // namespace

SignInPrompt::SignInPrompt(QWebEnginePage *page, QObject *parent)
    : QObject(parent)
    , m_page(page)
{
    connect(page, &QWebEnginePage::authenticationRequired, this, &SignInPrompt::askServer);
    connect(page, &QWebEnginePage::proxyAuthenticationRequired, this, &SignInPrompt::askProxy);
    connect(page, &QWebEnginePage::loadFinished, this, [this] {
        m_lastAnswered.clear();
        m_lastUserName.clear();
    });
}

void SignInPrompt::setClosing(bool closing)
{
    m_closing = closing;
    if (closing && m_dialog)
        m_dialog->reject();
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
    const QString realm = authenticator->realm();
    const QString question =
            QStringLiteral("%1 %2 %3").arg(proxy ? QStringLiteral("proxy") : QStringLiteral("server"), host, realm);
    const bool refusedBefore = question == m_lastAnswered;
    const SignInDialog::Request request{host, target, realm, proxy, refusedBefore,
                                        refusedBefore ? m_lastUserName : QString()};

    // The engine waits for the answer while this returns, so the dialog runs its own loop; the
    // window holds its close until then, and setClosing() ends the loop.
    SignInDialog dialog(request, QWebEngineView::forPage(m_page));
    // Modal to its own window only: the person may still close the program's other windows.
    dialog.setWindowModality(Qt::WindowModal);
    m_dialog = &dialog;
    const bool accepted = !m_closing && dialog.exec() == QDialog::Accepted;
    m_dialog = nullptr;
    if (accepted) {
        authenticator->setUser(dialog.userName());
        authenticator->setPassword(dialog.password());
        m_lastAnswered = question;
        m_lastUserName = dialog.userName();
    } else {
        *authenticator = QAuthenticator();
        m_lastAnswered.clear();
        m_lastUserName.clear();
    }
    qDebug() << "Sign-in asked:" << host << realm << (proxy ? "proxy" : "server")
             << (accepted ? "answered" : "cancelled");
    emit finished();
}
