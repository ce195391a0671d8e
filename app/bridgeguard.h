#pragma once

#include "bridge/originpolicy.h"

#include <QObject>
#include <QString>

class Object;
class QUrl;
class QWebChannel;
class QWebEngineLoadingInfo;
class QWebEngineNavigationRequest;
class QWebEnginePage;

// Publishes the web channel only to pages the origin policy allows, and tells the bridge whether
// the page now shown may use it. Navigation itself is never blocked, so sign-in redirects through
// other sites still work; their pages just get no bridge.
class BridgeGuard final : public QObject
{
    Q_OBJECT
public:
    BridgeGuard(QWebEnginePage *page, QWebChannel *channel, Object *bridge, OriginPolicy policy,
                QObject *parent = nullptr);

private:
    void onNavigationRequested(QWebEngineNavigationRequest &request);
    void onUrlChanged(const QUrl &url);
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void publish(bool published);

    QWebEnginePage *m_page;
    QWebChannel *m_channel;
    Object *m_bridge;
    const OriginPolicy m_policy;
    QString m_refusedOrigin;
};
