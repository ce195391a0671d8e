#include "pagepermissions.h"

#include <QDebug>
#include <QMetaEnum>
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
{
    QWebEnginePage *page = view->page();
    // Writing needs JavascriptCanAccessClipboard (set per page below); reading by script would
    // also need this one, so it stays off. Ctrl+V is the person's own act and still pastes.
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    // Granted only once a trusted document is committed (the URL changes with the commit), so
    // the document it replaces never runs with them; taken away as soon as an untrusted one is
    // asked for. Judged again once it is clear which page stays (a link may end as a download).
    connect(page, &QWebEnginePage::navigationRequested, this, [this](QWebEngineNavigationRequest &request) {
        if (request.isMainFrame() && !m_policy.allows(request.url()))
            applyTrust(request.url());
    });
    connect(page, &QWebEnginePage::urlChanged, this, &PagePermissions::applyTrust);
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            applyTrust(m_view->url());
    });

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
    // Untrusted pages open windows only on a click, never by script alone.
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, trusted);
}

void PagePermissions::refuse(const char *what, const QUrl &origin) const
{
    qDebug() << "Permission refused:" << what << "for" << OriginPolicy::nameOf(origin);
}
