#include "closeconversation.h"

#include "browserpage.h"
#include "browserwindow.h"
#include "pageprinter.h"
#include "signinprompt.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QPrintDialog>
#include <QUuid>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include <algorithm>

namespace {
// As a browser does with a page that hangs; generous, as a loaded machine may be slow to answer.
constexpr int UnansweredPageMs = 10000;
} // namespace

CloseConversation::CloseConversation(BrowserWindow *mainWindow)
    : QObject(mainWindow)
    , m_main(mainWindow)
{
    m_unanswered.setSingleShot(true);
    m_unanswered.setInterval(UnansweredPageMs);
    connect(&m_unanswered, &QTimer::timeout, this, [this] {
        if (m_state == State::Asking)
            askNext();
    });
}

QList<BrowserWindow *> CloseConversation::windows() const
{
    return m_main->popups() << m_main;
}

void CloseConversation::closeAsked(BrowserWindow *window)
{
    if (m_state == State::Draining || m_state == State::Done)
        return;
    if (window != m_main) {
        // Its page's beforeunload runs; the answer comes back through pageAsksToClose().
        window->page()->triggerAction(QWebEnginePage::RequestClose);
        return;
    }
    endAsking();
    m_state = State::Asking;
    // The main page first: staying there must leave every popup's page as it was.
    m_toAsk.append(m_main);
    for (BrowserWindow *popup : m_main->popups())
        m_toAsk.append(popup);
    // The engine runs no page's script while a sign-in question waits for its answer, and a
    // page's own dialog holds its script: they are cancelled, so that every page can answer.
    setClosing(true);
    askNext();
}

void CloseConversation::askNext()
{
    m_unanswered.stop();
    while (!m_toAsk.isEmpty() && !m_toAsk.first())
        m_toAsk.removeFirst();
    if (m_toAsk.isEmpty()) {
        disconnect(m_askedGone);
        m_asked = nullptr;
        if (downloadsMayBeLost())
            endAsking();
        else
            drain();
        return;
    }
    m_asked = m_toAsk.takeFirst();
    // A window that goes while asked (its page closed itself) has answered.
    disconnect(m_askedGone);
    m_askedGone = connect(m_asked, &QObject::destroyed, this, [this] {
        if (m_state == State::Asking && !m_asked)
            askNext();
    });
    ask(m_asked);
}

void CloseConversation::ask(BrowserWindow *window)
{
    m_unanswered.start();
    const QUrl shown = window->page()->url();
    // Only where the engine asks before the navigation; an empty window's or a data: page's
    // address would be loaded at once.
    static const QStringList asked{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("file"),
                                   QStringLiteral("qrc")};
    if (!asked.contains(shown.scheme())) {
        m_question.clear();
        window->page()->triggerAction(QWebEnginePage::RequestClose);
        return;
    }
    m_question = shown.adjusted(QUrl::RemoveFragment);
    m_question.setQuery(QStringLiteral("mirel-close=") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    m_questions.insert(m_question);
    window->page()->load(m_question);
}

bool CloseConversation::isQuestionOf(BrowserWindow *window, const QUrl &url)
{
    if (!m_questions.contains(url))
        return false;
    // Its beforeunload passed.
    if (m_state == State::Asking && window == m_asked && url == m_question)
        QMetaObject::invokeMethod(this, &CloseConversation::askNext, Qt::QueuedConnection);
    return true;
}

void CloseConversation::endAsking()
{
    m_unanswered.stop();
    disconnect(m_askedGone);
    m_state = State::Idle;
    m_toAsk.clear();
    m_asked = nullptr;
    setClosing(false);
}

void CloseConversation::setClosing(bool closing)
{
    // No new window, print or sign-in question comes up while the close is asked for or made.
    for (BrowserWindow *window : windows()) {
        window->browserPage()->setClosing(closing);
        window->signIn()->setClosing(closing);
        window->printer()->setClosing(closing);
    }
}

void CloseConversation::pageAsksToClose(BrowserWindow *window)
{
    if (m_state == State::Draining || m_state == State::Done)
        return;
    if (m_state == State::Asking && window == m_asked && m_question.isEmpty()) {
        askNext();
        return;
    }
    // A page never closes the program; a popup's page may close its own window.
    if (window != m_main)
        closePopupWhenIdle(window);
}

void CloseConversation::leaveAsked(BrowserWindow *window)
{
    // The person answers; however long it takes.
    if (m_state == State::Asking && window == m_asked)
        m_unanswered.stop();
}

void CloseConversation::leaveAnswered(BrowserWindow *window, bool leave)
{
    if (!leave && m_state == State::Asking && window == m_asked)
        endAsking();
}

void CloseConversation::closeWithoutQuestions()
{
    if (m_state == State::Draining || m_state == State::Done)
        return;
    endAsking();
    drain();
}

bool CloseConversation::downloadsMayBeLost()
{
    // The profile keeps the requests it announced.
    const QList<QWebEngineDownloadRequest *> requests =
            m_main->page()->profile()->findChildren<QWebEngineDownloadRequest *>();
    const int running = int(std::count_if(requests.cbegin(), requests.cend(), [](const QWebEngineDownloadRequest *r) {
        return r->state() == QWebEngineDownloadRequest::DownloadInProgress;
    }));
    if (running == 0)
        return false;
    return QMessageBox::question(m_main, QStringLiteral("Mirel"),
                                 BrowserWindow::tr("%n download(s) still in progress. Quit anyway?", nullptr, running),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes;
}

void CloseConversation::drain()
{
    m_state = State::Draining;
    setClosing(true);
    for (BrowserWindow *window : windows()) {
        // A question goes unanswered; a print the person asked for is made.
        for (QDialog *dialog : window->findChildren<QDialog *>()) {
            if (dialog->isVisible() && !qobject_cast<QPrintDialog *>(dialog))
                dialog->reject();
        }
        connect(window->printer(), &PagePrinter::finished, this, &CloseConversation::endWhenIdle);
        connect(window->signIn(), &SignInPrompt::finished, this, &CloseConversation::endWhenIdle);
    }
    endWhenIdle();
}

void CloseConversation::endWhenIdle()
{
    if (m_state != State::Draining)
        return;
    bool busy = false;
    for (BrowserWindow *window : windows()) {
        // A window stays on the screen while the person still answers its print dialog.
        if (!window->printer()->isAsking())
            window->hide();
        busy = busy || window->printer()->isBusy() || window->signIn()->isAsking();
    }
    if (busy)
        return;
    m_state = State::Done;
    // Not the last window's close: a hidden window's close would not end the event loop.
    QCoreApplication::exit(0);
}

void CloseConversation::closePopupWhenIdle(BrowserWindow *popup)
{
    // Queued: a print that the page asked for before its close was posted first and reaches
    // the window before this.
    QMetaObject::invokeMethod(popup, [this, popup] {
        popup->signIn()->setClosing(true);
        const auto again = [this, popup] { closePopupWhenIdle(popup); };
        if (popup->printer()->isBusy()) {
            connect(popup->printer(), &PagePrinter::finished, popup, again, Qt::SingleShotConnection);
            return;
        }
        if (popup->signIn()->isAsking()) {
            connect(popup->signIn(), &SignInPrompt::finished, popup, again, Qt::SingleShotConnection);
            return;
        }
        popup->go();
    }, Qt::QueuedConnection);
}

void CloseConversation::finishPrinting(int timeoutMs)
{
    const auto printing = [this] {
        const QList<BrowserWindow *> all = windows();
        return std::any_of(all.cbegin(), all.cend(), [](const BrowserWindow *w) { return w->printer()->isBusy(); });
    };
    if (!printing())
        return;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    for (BrowserWindow *window : windows()) {
        connect(window->printer(), &PagePrinter::finished, &loop, [&loop, &printing] {
            if (!printing())
                loop.quit();
        });
    }
    loop.exec();
    // The engine may still render onto a printer whose job did not end: it is never deleted.
    for (BrowserWindow *window : windows())
        window->printer()->abandon();
}
