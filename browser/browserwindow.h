#pragma once

#include "bridge/originpolicy.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class DownloadManager;
class DownloadStrip;
class PagePrinter;
class SignInPrompt;
class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

// What every window of a run shares.
struct WindowRules
{
    // The pages that get the bridge, and the more a window gives a page.
    OriginPolicy trustedPages;
    // An administrator allows the engine's developer tools (F12).
    bool developerTools = false;
    // Schemes an administrator lets trusted pages hand to the desktop besides mailto and tel.
    QString externalSchemes;
};

// Every browser window of the program: the main one and each that a page opens. It owns its view
// and page and what it gives the page: the keys, one full-screen state, the permissions, printing,
// the sign-in prompt, find in the page, its downloads' strip and, where allowed, the developer
// tools. The windows its page opens belong to the main window, which closes them
// with itself. A window goes only once nothing it started still runs: a close waits for a print
// to end and for a dialog to close, and first lets its page (all pages, for the main window)
// run its beforeunload; the main window then asks before downloads still coming in are lost.
class BrowserWindow final : public QWidget
{
    Q_OBJECT
public:
    // The main window, which owns the profile of every page and lets it go only after them all;
    // `page`, made with that profile, becomes its own.
    BrowserWindow(std::unique_ptr<QWebEngineProfile> profile, QWebEnginePage *page, WindowRules rules);
    ~BrowserWindow() override;

    QWebEngineView *view() const { return m_view; }
    QWebEnginePage *page() const;
    // The main window: from now on every window shows the downloads of its page that `downloads`
    // takes over; it must outlive the windows' event loop.
    void showDownloads(DownloadManager *downloads);

    // The main window closes without asking anything (the quit of a session that allows no
    // questions); and at the end of the run, waits for prints still running, at most `timeoutMs`.
    void closeWithoutQuestions();
    void finishPrinting(int timeoutMs);

signals:
    // The person zoomed this window's page (keys or the wheel).
    void zoomChanged(qreal factor);
    // On the main window, for every window: the person asked for a support report in `window`.
    void supportReportRequested(QWidget *window);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    BrowserWindow(QWebEnginePage *page, WindowRules rules, BrowserWindow *mainWindow);
    void openPopup(QWebEngineNewWindowRequest &request);
    void showPopupTitle();
    void placePopup(const QRect &pageGeometry);
    void onPageAsksToClose();
    void askToLeave(QList<QPointer<BrowserWindow>> windows, const std::function<void()> &then);
    void expireLeaveQuestion(int question, bool dialogWasOpen);
    bool downloadsMayBeLost();
    bool isBusy() const;
    QList<BrowserWindow *> popups() const;

    std::unique_ptr<QWebEngineProfile> m_profile; // the main window's only
    BrowserWindow *const m_mainWindow; // this one for the main window
    const WindowRules m_rules;
    QWebEngineView *m_view;
    PagePrinter *m_printer;
    SignInPrompt *m_signIn;
    DownloadManager *m_downloads = nullptr; // the main window's, for its popups
    // Runs once the page let itself be closed (its beforeunload ran and did not keep it).
    std::function<void()> m_leaveApproved;
    int m_leaveQuestion = 0;
    // The pages and the person agreed: the next close goes through, once nothing runs.
    bool m_leaving = false;
};
