#pragma once

#include <QPointer>
#include <QWebEnginePage>

class QDialog;

// The page of every window of the shell. It shows the page's own dialogs (alert, confirm,
// prompt) so that they never keep the person from closing the window: while the window is
// closing they are answered at once, and from the second one in a short time the person may stop
// the page's further dialogs for as long as the page is shown. It also tells how the person
// answered the engine's "leave this page?" question: staying ends a close being asked for.
class BrowserPage : public QWebEnginePage
{
    Q_OBJECT
public:
    // `profile` must outlive the page.
    explicit BrowserPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    // A window's first document, which no address was loaded for: an empty window that its
    // opener writes into has the opener's origin.
    static bool isFirstDocument(const QUrl &url);
    // While closing, the page's dialogs are answered at once, and an open one is cancelled.
    void setClosing(bool closing);

signals:
    void leaveQuestionAsked();
    void leaveQuestionAnswered(bool leave);

protected:
    void javaScriptAlert(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &message, const QString &defaultValue,
                          QString *result) override;

private:
    // False when the dialog is not to be shown at all.
    bool mayShowDialog();
    bool runDialog(QDialog &dialog);

    bool m_closing = false;
    bool m_silenced = false;
    qint64 m_lastDialogAt = 0;
    QPointer<QDialog> m_dialog;
};
