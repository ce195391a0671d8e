#include "object.h"

#include "settings/applicationsettings.h"
#include "sdk/sdklibrary.h"

#include <QDebug>
#include <QPromise>
#include <QUrl>


Object::Object(QObject *parent)
    : Object(std::make_unique<SdkLibrary>(SdkLibrary::libraryNameFromEnvironment()), parent)
{
}

Object::Object(std::unique_ptr<InstrumentSdk> sdk, QObject *parent, std::chrono::milliseconds pollInterval)
    : QObject(parent)
    , m_defaultStartPage(QStringLiteral("https://" MIREL_START_HOST "/quenzamirel/login"))
    , m_session(std::make_shared<InstrumentSession>(std::move(sdk), pollInterval))
{
    // An instrument plugged in at start is opened at once, without holding up the window.
    m_thread.post([session = m_session] { return session->link().connectFirstDevice(); }, [](I1Pro3DeviceHandle) {});
}

Object::~Object()
{
    // In this order: once the running wait ends, no queued call may start on the instrument.
    m_thread.stop();
    m_session->cancelButtonWaits();
}

void Object::startNewDocument()
{
    m_session->startNewDocument();
    // Destroying an unfinished promise cancels it; with its channel gone, nobody is answered.
    m_pending.clear();
}

template<typename Work>
QFuture<std::invoke_result_t<Work, InstrumentLink &>> Object::postIfTrusted(Work work)
{
    using Result = std::invoke_result_t<Work, InstrumentLink &>;
    // An empty future is cancelled: the channel answers the page null, and nothing is done.
    if (!m_pageTrusted)
        return {};
    auto promise = std::make_shared<QPromise<Result>>();
    promise->start();
    const uint64_t document = m_session->document();
    const uint64_t call = m_nextCall++;
    m_pending.emplace(call, PendingCall{document, promise});
    m_thread.post(
        [session = m_session, document, work = std::move(work)]() -> std::optional<Result> {
            if (!session->beginWorkFor(document))
                return std::nullopt;
            return work(session->link());
        },
        [this, call](std::optional<Result> result) {
            const auto pending = m_pending.find(call);
            if (pending == m_pending.end())
                return; // released with its document
            const auto answered = std::static_pointer_cast<QPromise<Result>>(pending->second.promise);
            const bool current = pending->second.document == m_session->document();
            m_pending.erase(pending);
            if (!result || !current)
                return;
            answered->addResult(std::move(*result));
            answered->finish();
        });
    return promise->future();
}

QFuture<bool> Object::isConnected()
{
    return postIfTrusted([](InstrumentLink &link) { return link.isConnected(); });
}

QFuture<bool> Object::Connected()
{
    return isConnected();
}

QFuture<QString> Object::getDeviceID()
{
    return postIfTrusted([](InstrumentLink &link) { return link.serialNumber(); });
}

QFuture<QString> Object::getDeviceInfo()
{
    return postIfTrusted([](InstrumentLink &link) { return link.deviceInfo(); });
}

QFuture<QString> Object::getOption(const QString &key)
{
    return postIfTrusted([key](InstrumentLink &link) { return link.option(key); });
}

QFuture<QString> Object::doCalibrate()
{
    return postIfTrusted([](InstrumentLink &link) { return link.calibrateAfterPress(); });
}

QFuture<QString> Object::doCalibrateNow()
{
    return postIfTrusted([](InstrumentLink &link) { return link.calibrateNow(); });
}

QFuture<QString> Object::doOneScan()
{
    return postIfTrusted([](InstrumentLink &link) { return link.scanAfterPress(); });
}

QFuture<QString> Object::doOneScanNow()
{
    return postIfTrusted([](InstrumentLink &link) { return link.scanNow(); });
}

QString Object::setIni(const QString &key, const QString &value)
{
    if (!m_pageTrusted)
        return QString();
    if (ApplicationSettings::isAdministratorKey(key)) {
        // Answered as always, so the page's script goes on as before; trust is never a page's to widen.
        qDebug() << "Setting not stored, only an administrator sets it:" << key;
        return key + QLatin1Char('=') + value;
    }
    ApplicationSettings settings;
    if (settings.locked().isLocked(key)) {
        // Answered as always too: a locked value is the administrator's to change.
        qDebug() << "Setting not stored, an administrator locked it:" << key;
        return key + QLatin1Char('=') + value;
    }
    if (m_startPageLock && ApplicationSettings::namesKey(key, QLatin1String("Server"))
        && !m_startPageLock->allowsAsStartPage(QUrl(value, QUrl::TolerantMode))) {
        qDebug() << "Start page not stored, its origin is not trusted:" << value;
        return key + QLatin1Char('=') + value;
    }
    settings.write(key, value);
    settings.sync();
    return key + QLatin1Char('=') + value;
}
