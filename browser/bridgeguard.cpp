#include "bridgeguard.h"

#include "bridge/object.h"

#include <QDebug>
#include <QWebChannel>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>
#include <QWebEngineScript>

BridgeGuard::BridgeGuard(QWebEnginePage *page, Object *bridge, OriginPolicy policy, QObject *parent)
    : QObject(parent)
    , m_page(page)
    , m_bridge(bridge)
    , m_policy(std::move(policy))
{
    m_channel = makeChannel();
    m_page->setWebChannel(m_channel, QWebEngineScript::MainWorld);
    connect(page, &QWebEnginePage::navigationRequested, this, &BridgeGuard::onNavigationRequested);
    connect(page, &QWebEnginePage::urlChanged, this, &BridgeGuard::onUrlChanged);
    connect(page, &QWebEnginePage::loadingChanged, this, &BridgeGuard::onLoadingChanged);
}

void BridgeGuard::startNewDocument()
{
    QWebChannel *old = m_channel;
    m_channel = makeChannel();
    if (m_page->webChannel() == old)
        m_page->setWebChannel(m_channel, QWebEngineScript::MainWorld);
    // The channel's answers to the old document's calls wait in its own event queue and go
    // with it: a continuation whose channel is gone never runs.
    delete old;
    m_bridge->startNewDocument();
}

QWebChannel *BridgeGuard::makeChannel()
{
    auto *channel = new QWebChannel(m_page);
    channel->registerObject(QStringLiteral("eyeOneConnector"), m_bridge);
    return channel;
}

void BridgeGuard::onNavigationRequested(QWebEngineNavigationRequest &request)
{
    // Published before a trusted page starts, so its first scripts find the channel. Withdrawn
    // only once it is clear which page stays (onUrlChanged, onLoadingChanged): a link that turns
    // into a download leaves a trusted page in place, with its bridge.
    if (request.isMainFrame() && m_policy.allows(request.url()))
        publish(true);
}

void BridgeGuard::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    // A navigation that shows no new page (an empty answer, a download) leaves the page that
    // was there: the channel published early for it goes again unless that page is trusted.
    if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
        publish(m_policy.allows(m_page->url()));
}

void BridgeGuard::onUrlChanged(const QUrl &url)
{
    const bool trusted = m_policy.allows(url);
    m_bridge->setPageTrusted(trusted);
    publish(trusted);
    if (trusted) {
        m_refusedOrigin.clear();
        return;
    }
    const QString origin = OriginPolicy::nameOf(url);
    if (origin != m_refusedOrigin) {
        m_refusedOrigin = origin;
        qDebug() << "Bridge withheld from" << origin;
    }
}

void BridgeGuard::publish(bool published)
{
    QWebChannel *wanted = published ? m_channel : nullptr;
    if (m_page->webChannel() != wanted)
        m_page->setWebChannel(wanted, QWebEngineScript::MainWorld);
}
