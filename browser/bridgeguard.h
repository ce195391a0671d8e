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

// Publishes the bridge on a web channel only to pages the origin policy allows, and tells the
// bridge whether the page now shown may use it. Navigation itself is never blocked, so sign-in
// redirects through other sites still work; their pages just get no bridge. Each document gets
// a channel of its own, so that no answer of a document that is gone reaches the next one.
class BridgeGuard final : public QObject
{
    Q_OBJECT
public:
    // Installs the first channel on the page at once; it and its successors are the page's children.
    BridgeGuard(QWebEnginePage *page, Object *bridge, OriginPolicy policy, QObject *parent = nullptr);

    // The page's main frame shows a new document: its calls go through a new channel, and the
    // bridge lets go of the old document's calls, whose answers died with the old channel.
    void startNewDocument();

private:
    void onNavigationRequested(QWebEngineNavigationRequest &request);
    void onUrlChanged(const QUrl &url);
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void publish(bool published);
    QWebChannel *makeChannel();

    QWebEnginePage *m_page;
    QWebChannel *m_channel;
    Object *m_bridge;
    const OriginPolicy m_policy;
    QString m_refusedOrigin;
};
