#pragma once

#include <QObject>
#include <QString>

class QAuthenticator;
class QUrl;
class QWebEnginePage;
class SignInDialog;

// Answers a page's requests for credentials, from its server or from a proxy, with a
// SignInDialog. Left unanswered, the engine sends empty credentials and, refused, asks again
// at once, so every request is answered here: with what the person typed, or with a null
// authenticator, after which the engine shows the server's own answer. Nothing typed is kept
// but the user name of a refused answer, offered again when the same question comes back.
// Each question ends in one line of the log, without the user name or password.
class SignInPrompt final : public QObject
{
    Q_OBJECT
public:
    // Lives as a child of the page's window, which must not go while isAsking().
    SignInPrompt(QWebEnginePage *page, QObject *parent);

    bool isAsking() const { return m_dialog != nullptr; }
    // While its window is closing, an open dialog is closed as if the person cancelled it, and
    // later questions are cancelled at once.
    void setClosing(bool closing);

signals:
    // The dialog was answered or cancelled.
    void finished();

private:
    void askServer(const QUrl &url, QAuthenticator *authenticator);
    void askProxy(const QUrl &url, QAuthenticator *authenticator, const QString &proxyHost);
    void ask(const QString &host, const QString &target, bool proxy, QAuthenticator *authenticator);

    QWebEnginePage *m_page;
    SignInDialog *m_dialog = nullptr;
    bool m_closing = false;
    // The question answered last, until a page loads: asked again, the answer was refused.
    QString m_lastAnswered;
    QString m_lastUserName;
};
