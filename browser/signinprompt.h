#pragma once

#include <QObject>
#include <QString>

class QAuthenticator;
class QUrl;
class QWebEnginePage;

// Answers a page's requests for credentials, from its server or from a proxy, with a
// SignInDialog. Left unanswered, the engine sends empty credentials and, refused, asks again
// at once, so every request is answered here: with what the person typed, or with a null
// authenticator, after which the engine shows the server's own answer. Nothing typed is kept.
// Attach one to every page the shell shows; it lives as long as its page.
class SignInPrompt final : public QObject
{
    Q_OBJECT
public:
    explicit SignInPrompt(QWebEnginePage *page);

private:
    void askServer(const QUrl &url, QAuthenticator *authenticator);
    void askProxy(const QUrl &url, QAuthenticator *authenticator, const QString &proxyHost);
    void ask(const QString &host, const QString &target, bool proxy, QAuthenticator *authenticator);

    QWebEnginePage *m_page;
    // The question answered last, until a page loads: asked again, the answer was refused.
    QString m_lastAnswered;
};
