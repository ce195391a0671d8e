#pragma once

#include "bridge/originpolicy.h"

#include <QList>
#include <QWidget>

#include <memory>

class BrowserPage;
class CloseConversation;
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
// tools. The windows its page opens belong to the main window, which closes them with itself;
// whether and when any of them goes is decided by the main window's CloseConversation.
class BrowserWindow final : public QWidget
{
    Q_OBJECT
public:
    // The main window, which owns the profile of every page and lets it go only after them all;
    // `page`, made with that profile, becomes its own.
    BrowserWindow(std::unique_ptr<QWebEngineProfile> profile, BrowserPage *page, WindowRules rules);
    ~BrowserWindow() override;

    QWebEngineView *view() const { return m_view; }
    QWebEnginePage *page() const;
    BrowserPage *browserPage() const { return m_page; }
    PagePrinter *printer() const { return m_printer; }
    SignInPrompt *signIn() const { return m_signIn; }
    // The windows the main window's page and theirs opened; none for a popup.
    QList<BrowserWindow *> popups() const;
    // Closes the window without asking anything more.
    void go();
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
    BrowserWindow(BrowserPage *page, WindowRules rules, BrowserWindow *mainWindow);
    void openPopup(QWebEngineNewWindowRequest &request);
    void showPopupTitle();
    void placePopup(const QRect &pageGeometry);
    CloseConversation *conversation() const;

    std::unique_ptr<QWebEngineProfile> m_profile; // the main window's only
    BrowserWindow *const m_mainWindow; // this one for the main window
    const WindowRules m_rules;
    QWebEngineView *m_view;
    BrowserPage *m_page;
    PagePrinter *m_printer;
    SignInPrompt *m_signIn;
    DownloadManager *m_downloads = nullptr; // the main window's, for its popups
    CloseConversation *m_conversation = nullptr; // the main window's
    // The conversation let it go: the next close goes through.
    bool m_leaving = false;
};
