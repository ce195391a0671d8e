#include "pagepermissions.h"

#include <QDebug>
#include <QMetaEnum>
#include <QScreen>
#include <QShortcut>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#include <QWebEngineProfile>
#endif

PagePermissions::PagePermissions(QWebEngineView *view, OriginPolicy policy, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_policy(std::move(policy))
    , m_leaveFullScreen(new QShortcut(QKeySequence(Qt::Key_Escape), view))
{
    QWebEnginePage *page = view->page();
    // Writing needs JavascriptCanAccessClipboard (set per page below); reading by script would
    // also need this one, so it stays off. Ctrl+V is the person's own act and still pastes.
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    // Judged before a page starts, as a renderer of a new site takes the settings it is made
    // with, and again once it is clear which page stays (a link may end as a download).
    connect(page, &QWebEnginePage::navigationRequested, this, [this](QWebEngineNavigationRequest &request) {
        if (request.isMainFrame())
            applyTrust(request.url());
    });
    connect(page, &QWebEnginePage::urlChanged, this, &PagePermissions::applyTrust);
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            applyTrust(m_view->url());
    });
    connect(page, &QWebEnginePage::fullScreenRequested, this, &PagePermissions::onFullScreenRequested);

    // Escape leaves full screen; the page is then told, and asks to leave it itself.
    m_leaveFullScreen->setEnabled(false);
    connect(m_leaveFullScreen, &QShortcut::activated, page,
            [page] { page->triggerAction(QWebEnginePage::ExitFullScreen); });

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Nothing is remembered between requests: each is judged afresh, so a grant stored for an
    // origin the policy no longer trusts cannot outlive the policy.
    page->profile()->setPersistentPermissionsPolicy(QWebEngineProfile::PersistentPermissionsPolicy::AskEveryTime);
    connect(page, &QWebEnginePage::permissionRequested, this, [this](QWebEnginePermission permission) {
        refuse(QMetaEnum::fromType<QWebEnginePermission::PermissionType>().valueToKey(
                       int(permission.permissionType())),
               permission.origin());
        permission.deny();
    });
#else
    connect(page, &QWebEnginePage::featurePermissionRequested, this,
            [this, page](const QUrl &origin, QWebEnginePage::Feature feature) {
                refuse(QMetaEnum::fromType<QWebEnginePage::Feature>().valueToKey(feature), origin);
                page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
#endif
}

void PagePermissions::applyTrust(const QUrl &url)
{
    // Switched off, the engine refuses by itself and at once, rejecting the page's promise.
    const bool trusted = m_policy.allows(url);
    QWebEngineSettings *settings = m_view->page()->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, trusted);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, trusted);
}

void PagePermissions::onFullScreenRequested(QWebEngineFullScreenRequest request)
{
    QWidget *window = m_view->window();
    if (!request.toggleOn()) {
        request.accept();
        m_leaveFullScreen->setEnabled(false);
        if (m_wasMaximized) {
            window->showMaximized();
        } else {
            window->showNormal();
            window->setGeometry(m_normalGeometry);
        }
        return;
    }
    // Only while the page was being replaced by one the policy does not trust. A rejected
    // request would leave the page's promise pending: it gets full screen and loses it at once,
    // the window unchanged.
    if (!m_policy.allows(request.origin())) {
        refuse("FullScreen", request.origin());
        request.accept();
        m_view->page()->triggerAction(QWebEnginePage::ExitFullScreen);
        return;
    }
    request.accept();
    if (!window->isFullScreen()) {
        m_wasMaximized = window->isMaximized();
        m_normalGeometry = window->geometry();
    }
    m_leaveFullScreen->setEnabled(true);
    window->showFullScreen();
    // A session without a window manager (a kiosk) ignores the state: the size does it there.
    window->setGeometry(window->screen()->geometry());
}

void PagePermissions::refuse(const char *what, const QUrl &origin) const
{
    qDebug() << "Permission refused:" << what << "for" << OriginPolicy::nameOf(origin);
}
