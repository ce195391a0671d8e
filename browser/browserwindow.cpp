#include "browserwindow.h"

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
#include <QCoreApplication>
#include <QDebug>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPrintDialog>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <utility>

namespace {
// For a window whose size nothing names, and the least a page may shrink a popup to.
constexpr QSize DefaultSize(1024, 768);
constexpr QSize MinimumPopupSize(240, 160);
// A page's window.print() reaches the window a moment after the call: a window.close() right
// after it waits that long, so that the print is asked for first.
constexpr int ScriptCloseDelayMs = 100;
constexpr int BusyPollMs = 100;
// A page without a beforeunload question lets itself be closed within this; one with it answers
// this long after its question was answered.
constexpr int LeaveAnswerMs = 1500;
} // namespace

BrowserWindow::BrowserWindow(std::unique_ptr<QWebEngineProfile> profile, QWebEnginePage *page, WindowRules rules)
    : BrowserWindow(page, std::move(rules), nullptr)
{
    m_profile = std::move(profile);
    // Until the kept geometry, if any, is applied.
    resize(screen() ? DefaultSize.boundedTo(screen()->availableSize()) : DefaultSize);
}

BrowserWindow::BrowserWindow(QWebEnginePage *page, WindowRules rules, BrowserWindow *mainWindow)
    : QWidget(mainWindow, mainWindow ? Qt::Window : Qt::WindowFlags())
    , m_mainWindow(mainWindow ? mainWindow : this)
    , m_rules(std::move(rules))
    , m_view(new QWebEngineView(this))
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
    connect(page, &QWebEnginePage::windowCloseRequested, this, &BrowserWindow::onPageAsksToClose);
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
        connect(page, &QWebEnginePage::geometryChangeRequested, this, &BrowserWindow::placePopup);
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

void BrowserWindow::closeWithoutQuestions()
{
    m_leaving = true;
    close();
}

void BrowserWindow::finishPrinting(int timeoutMs)
{
    // The event loop has ended: events are handled by hand until the engine says it printed.
    QElapsedTimer waited;
    waited.start();
    const auto printing = [this] {
        const QList<BrowserWindow *> windows = popups() << this;
        return std::any_of(windows.cbegin(), windows.cend(),
                           [](const BrowserWindow *window) { return window->m_printer->isBusy(); });
    };
    while (printing() && waited.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, BusyPollMs);
}

void BrowserWindow::closeEvent(QCloseEvent *event)
{
    if (!m_leaving) {
        event->ignore();
        QList<QPointer<BrowserWindow>> windows;
        if (this == m_mainWindow) {
            for (BrowserWindow *popup : popups())
                windows.append(popup);
        }
        windows.append(this);
        askToLeave(windows, [this] {
            if (this == m_mainWindow && downloadsMayBeLost())
                return;
            m_leaving = true;
            close();
        });
        return;
    }
    if (this == m_mainWindow) {
        // They go with the program, whose end waits for any of them still printing.
        for (BrowserWindow *popup : popups()) {
            popup->m_leaving = true;
            popup->m_signIn->cancel();
            popup->hide();
        }
    }
    if (!isBusy()) {
        event->accept();
        return;
    }
    // A dialog's own event loop, or the engine's print thread, still works for this window: it
    // goes once they are done. A question goes unanswered; a print the person asked for is made.
    event->ignore();
    for (QDialog *dialog : findChildren<QDialog *>()) {
        if (!qobject_cast<QPrintDialog *>(dialog))
            dialog->reject();
    }
    if (!m_printer->isBusy() || findChildren<QPrintDialog *>().isEmpty())
        hide();
    QTimer::singleShot(BusyPollMs, this, &QWidget::close);
}

bool BrowserWindow::isBusy() const
{
    return m_printer->isBusy() || m_signIn->isAsking() || !findChildren<QDialog *>().isEmpty();
}

void BrowserWindow::askToLeave(QList<QPointer<BrowserWindow>> windows, const std::function<void()> &then)
{
    while (!windows.isEmpty() && !windows.first())
        windows.removeFirst();
    if (windows.isEmpty()) {
        then();
        return;
    }
    BrowserWindow *next = windows.takeFirst();
    // The page's beforeunload runs; if the person stays, the engine says nothing and nothing goes.
    next->m_leaveApproved = [this, windows, then] { askToLeave(windows, then); };
    const int question = ++next->m_leaveQuestion;
    next->page()->triggerAction(QWebEnginePage::RequestClose);
    QTimer::singleShot(LeaveAnswerMs, next, [next, question] { next->expireLeaveQuestion(question, false); });
}

void BrowserWindow::expireLeaveQuestion(int question, bool dialogWasOpen)
{
    // Forgotten once the page has had time to answer, so that a window.close() of its script
    // long after the person chose to stay does not go on with that close.
    if (question != m_leaveQuestion)
        return;
    const bool dialogOpen = !findChildren<QDialog *>().isEmpty();
    if (dialogOpen || dialogWasOpen) {
        QTimer::singleShot(LeaveAnswerMs, this,
                           [this, question, dialogOpen] { expireLeaveQuestion(question, dialogOpen); });
        return;
    }
    m_leaveApproved = {};
}

void BrowserWindow::onPageAsksToClose()
{
    if (m_leaveApproved) {
        const std::function<void()> approved = std::exchange(m_leaveApproved, {});
        approved();
        return;
    }
    // A page never closes the program; a popup's page may close its own window.
    if (this == m_mainWindow)
        return;
    m_leaving = true;
    QTimer::singleShot(ScriptCloseDelayMs, this, &QWidget::close);
}

bool BrowserWindow::downloadsMayBeLost()
{
    // The profile keeps the requests it announced.
    const QList<QWebEngineDownloadRequest *> requests = page()->profile()->findChildren<QWebEngineDownloadRequest *>();
    const int running = int(std::count_if(requests.cbegin(), requests.cend(), [](const QWebEngineDownloadRequest *r) {
        return r->state() == QWebEngineDownloadRequest::DownloadInProgress;
    }));
    if (running == 0)
        return false;
    return QMessageBox::question(this, QStringLiteral("Mirel"),
                                 tr("%n download(s) still in progress. Quit anyway?", nullptr, running),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes;
}

QList<BrowserWindow *> BrowserWindow::popups() const
{
    if (this != m_mainWindow)
        return {};
    return findChildren<BrowserWindow *>(Qt::FindDirectChildrenOnly);
}

void BrowserWindow::openPopup(QWebEngineNewWindowRequest &request)
{
    // Owned by the main window, with a page of the same profile: cookies and a sign-in carry over.
    auto *popup = new BrowserWindow(new QWebEnginePage(page()->profile()), m_rules, m_mainWindow);
    popup->placePopup(request.requestedGeometry());
    new NavigationGuard(popup->page(), std::nullopt, m_rules.externalSchemes, page()->url());
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
