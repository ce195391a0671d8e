#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QUrl>

class BrowserWindow;

// The one place that decides whether and when the shell's windows go. Closing the main window
// asks every page (its own first, then its popups') through the engine's beforeunload, then asks
// before downloads still coming in are lost; staying on any question ends the conversation with
// every window and page as it was: a page is asked through a navigation that is refused once its
// beforeunload has passed, so that no page unloads before the whole close is agreed. Once agreed, the windows hide and the run ends with exit(0) as soon as
// no print, sign-in or dialog of theirs still runs: each end is a signal, never a poll. A popup
// that closes itself goes once what it started has ended (a print asked for just before is
// printed first).
class CloseConversation final : public QObject
{
    Q_OBJECT
public:
    // Lives as a child of the main window.
    explicit CloseConversation(BrowserWindow *mainWindow);

    // The person or the window manager asked `window` to close.
    void closeAsked(BrowserWindow *window);
    // The page of `window` let itself be closed (window.close(), or its beforeunload passed).
    void pageAsksToClose(BrowserWindow *window);
    // The page of `window` asks the person whether to leave.
    void leaveAsked(BrowserWindow *window);
    // The page of `window` asked whether to leave, and the person answered.
    void leaveAnswered(BrowserWindow *window, bool leave);
    // A navigation of `window`'s page to `url` was requested. True for the conversation's own,
    // which asked the page's beforeunload without unloading it and must be refused.
    bool isQuestionOf(BrowserWindow *window, const QUrl &url);
    // From the person's close until they stay.
    bool isClosing() const { return m_state != State::Idle; }
    // A session end that allows no questions.
    void closeWithoutQuestions();
    // After the event loop: runs it again until every print has ended, at most `timeoutMs`.
    void finishPrinting(int timeoutMs);

private:
    enum class State { Idle, Asking, Draining, Done };

    void askNext();
    void ask(BrowserWindow *window);
    void endAsking();
    void setClosing(bool closing);
    bool downloadsMayBeLost();
    void drain();
    void endWhenIdle();
    void closePopupWhenIdle(BrowserWindow *popup);
    QList<BrowserWindow *> windows() const;

    BrowserWindow *const m_main;
    State m_state = State::Idle;
    QList<QPointer<BrowserWindow>> m_toAsk;
    QPointer<BrowserWindow> m_asked;
    QMetaObject::Connection m_askedGone;
    // Addresses of the questions asked so far, refused whenever they arrive.
    QSet<QUrl> m_questions;
    QUrl m_question;
    // A page that neither answers nor asks (its script never yields) lets go after this.
    QTimer m_unanswered;
};
