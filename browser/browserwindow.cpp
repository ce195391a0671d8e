#include "browserwindow.h"

#include "browserpage.h"
#include "closeconversation.h"
#include "developertools.h"
#include "findbar.h"
#include "navigationguard.h"
#include "pagepermissions.h"
#include "pageprinter.h"
#include "signinprompt.h"
#include "viewkeys.h"
#include "windowfullscreen.h"
#include "downloads/downloadstrip.h"

#include <QCloseEvent>
#include <QDebug>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWebEngineCertificateError>
#include <QWebEngineNavigationRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <utility>

namespace {
// For a window whose size nothing names, and the least a page may shrink a popup to.
constexpr QSize DefaultSize(1024, 768);
constexpr QSize MinimumPopupSize(240, 160);
} // namespace

BrowserWindow::BrowserWindow(std::unique_ptr<QWebEngineProfile> profile, BrowserPage *page, WindowRules rules)
    : BrowserWindow(page, std::move(rules), nullptr)
{
    m_profile = std::move(profile);
    m_conversation = new CloseConversation(this);
    // Until the kept geometry, if any, is applied.
    resize(screen() ? DefaultSize.boundedTo(screen()->availableSize()) : DefaultSize);
}

BrowserWindow::BrowserWindow(BrowserPage *page, WindowRules rules, BrowserWindow *mainWindow)
    : QWidget(mainWindow, mainWindow ? Qt::Window : Qt::WindowFlags())
    , m_mainWindow(mainWindow ? mainWindow : this)
    , m_rules(std::move(rules))
    , m_view(new QWebEngineView(this))
    , m_page(page)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    page->setParent(m_view);
    m_view->setPage(page);
    setFocusProxy(m_view);
    auto *findBar = new FindBar(m_view, this);
    layout->addWidget(findBar);
    auto *find = new QShortcut(QKeySequence::Find, this, findBar, &FindBar::open);
    find->setContext(Qt::WindowShortcut);
    if (m_rules.developerTools)
        new DeveloperTools(m_view, this);

    auto *keys = new ViewKeys(m_view);
    connect(keys, &ViewKeys::zoomChanged, this, &BrowserWindow::zoomChanged);
    new WindowFullScreen(this, page, m_rules.trustedPages);
    new PagePermissions(m_view, m_rules.trustedPages, this);
    if (!mainWindow)
        new NavigationGuard(page, m_rules.trustedPages, m_rules.externalSchemes);
    m_printer = new PagePrinter(m_view, this);
    m_signIn = new SignInPrompt(page, this);

    auto *report = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F1), this);
    report->setContext(Qt::WindowShortcut);
    connect(report, &QShortcut::activated, this, [this] { emit m_mainWindow->supportReportRequested(this); });

    connect(page, &QWebEnginePage::newWindowRequested, this, &BrowserWindow::openPopup);
    connect(page, &QWebEnginePage::navigationRequested, this, [this](QWebEngineNavigationRequest &request) {
        if (request.isMainFrame() && conversation()->isQuestionOf(this, request.url()))
            request.reject();
    });
    connect(page, &QWebEnginePage::windowCloseRequested, this, [this] { conversation()->pageAsksToClose(this); });
    connect(page, &BrowserPage::leaveQuestionAsked, this, [this] { conversation()->leaveAsked(this); });
    connect(page, &BrowserPage::leaveQuestionAnswered, this,
            [this](bool leave) { conversation()->leaveAnswered(this, leave); });
    // Left unaccepted, the engine refuses the certificate; support sees which and why.
    connect(page, &QWebEnginePage::certificateError, this, [](const QWebEngineCertificateError &error) {
        qDebug() << "Certificate refused:" << error.url().host() << error.description();
    });
    if (mainWindow) {
        if (mainWindow->m_downloads)
            layout->addWidget(new DownloadStrip(mainWindow->m_downloads, m_view, this));
        setAttribute(Qt::WA_DeleteOnClose);
        m_view->setContextMenuPolicy(mainWindow->view()->contextMenuPolicy());
        connect(page, &QWebEnginePage::titleChanged, this, &BrowserWindow::showPopupTitle);
        connect(page, &QWebEnginePage::urlChanged, this, &BrowserWindow::showPopupTitle);
        // window.resizeTo() and moveTo(): the page's own geometry, kept on the screen.
        connect(page, &QWebEnginePage::geometryChangeRequested, this, [this](const QRect &geometry) {
            if (!BrowserPage::isFirstDocument(this->page()->url()))
                placePopup(geometry);
        });
    }
}

BrowserWindow::~BrowserWindow()
{
    // The engine wants every page of a profile, and what shows its downloads, gone before the
    // profile.
    qDeleteAll(popups());
    qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
}

QWebEnginePage *BrowserWindow::page() const
{
    return m_view->page();
}

void BrowserWindow::showDownloads(DownloadManager *downloads)
{
    m_downloads = downloads;
    layout()->addWidget(new DownloadStrip(downloads, m_view, this));
}

CloseConversation *BrowserWindow::conversation() const
{
    return m_mainWindow->m_conversation;
}

void BrowserWindow::go()
{
    m_leaving = true;
    close();
}

void BrowserWindow::closeWithoutQuestions()
{
    m_conversation->closeWithoutQuestions();
}

void BrowserWindow::finishPrinting(int timeoutMs)
{
    m_conversation->finishPrinting(timeoutMs);
}

void BrowserWindow::closeEvent(QCloseEvent *event)
{
    if (m_leaving) {
        event->accept();
        return;
    }
    event->ignore();
    conversation()->closeAsked(this);
}

QList<BrowserWindow *> BrowserWindow::popups() const
{
    if (this != m_mainWindow)
        return {};
    return findChildren<BrowserWindow *>(Qt::FindDirectChildrenOnly);
}

void BrowserWindow::openPopup(QWebEngineNewWindowRequest &request)
{
    // Left unanswered, the engine closes the new window: none opens while the program closes.
    if (conversation()->isClosing())
        return;
    // Owned by the main window, with a page of the same profile: cookies and a sign-in carry over.
    auto *popup = new BrowserWindow(new BrowserPage(page()->profile()), m_rules, m_mainWindow);
    popup->m_printer->setOpenerUrl(page()->url());
    new NavigationGuard(popup->page(), std::nullopt, m_rules.externalSchemes, page()->url());
    // A window that its opener writes into (window.open("") and document.write) shows a
    // document the engine never loaded; a view of any size crashes the engine when it draws one
    // (Qt WebEngine 6.4). Such a window stays hidden: what it is for, printing a label, still
    // works, and it shows as soon as its page loads an address.
    if (BrowserPage::isFirstDocument(request.requestedUrl())) {
        request.openIn(popup->page());
        connect(popup->page(), &QWebEnginePage::urlChanged, popup,
                [popup, geometry = request.requestedGeometry()](const QUrl &url) {
            if (!BrowserPage::isFirstDocument(url) && !popup->isVisible()) {
                popup->placePopup(geometry);
                popup->show();
            }
        });
        return;
    }
    popup->placePopup(request.requestedGeometry());
    request.openIn(popup->page());
    popup->show();
}

void BrowserWindow::showPopupTitle()
{
    // Whose page it is, always: a page cannot make its window pass for the program's own.
    const QString origin = OriginPolicy::nameOf(page()->url());
    const QString title = page()->title();
    setWindowTitle(title.isEmpty() || title == page()->url().toString() ? origin
                                                                        : tr("%1 — %2").arg(title, origin));
}

void BrowserWindow::placePopup(const QRect &pageGeometry)
{
    QSize size = pageGeometry.size();
    if (size.width() <= 0 || size.height() <= 0)
        size = DefaultSize;
    const QScreen *screen = m_mainWindow->screen();
    if (!screen) {
        resize(size);
        return;
    }
    const QRect area = screen->availableGeometry();
    size = size.boundedTo(area.size()).expandedTo(MinimumPopupSize.boundedTo(area.size()));
    resize(size);
    if (pageGeometry.topLeft().isNull())
        return;
    const QPoint place(qBound(area.left(), pageGeometry.x(), area.right() + 1 - size.width()),
                       qBound(area.top(), pageGeometry.y(), area.bottom() + 1 - size.height()));
    move(place);
}
