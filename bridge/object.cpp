#include "object.h"

#include "app/applicationsettings.h"
#include "sdk/sdklibrary.h"

#include <QDebug>

Object::Object(QObject *parent)
    : Object(std::make_unique<SdkLibrary>(SdkLibrary::libraryNameFromEnvironment()), parent)
{
}

Object::Object(std::unique_ptr<InstrumentSdk> sdk, QObject *parent, std::chrono::milliseconds pollInterval)
    : QObject(parent)
    , m_defaultStartPage(QStringLiteral("https://" MIREL_START_HOST "/quenzamirel/login"))
    , m_sdk(std::move(sdk))
    , m_link(*m_sdk, pollInterval)
{
    // An instrument plugged in at start is opened at once, without holding up the window.
    m_thread.post([this] { return m_link.connectFirstDevice(); });
}

Object::~Object()
{
    // In this order: once the running wait ends, no queued call may start on the instrument.
    m_thread.stop();
    m_link.cancelButtonWaits();
}

template<typename Work>
QFuture<std::invoke_result_t<Work>> Object::postIfTrusted(Work work)
{
    // An empty future is cancelled: the channel answers the page null, and nothing is done.
    if (!m_pageTrusted)
        return {};
    return m_thread.post(std::move(work));
}

QFuture<bool> Object::isConnected()
{
    return postIfTrusted([this] { return m_link.isConnected(); });
}

QFuture<bool> Object::Connected()
{
    return isConnected();
}

QFuture<QString> Object::getDeviceID()
{
    return postIfTrusted([this] { return m_link.serialNumber(); });
}

QFuture<QString> Object::getDeviceInfo()
{
    return postIfTrusted([this] { return m_link.deviceInfo(); });
}

QFuture<QString> Object::getOption(const QString &key)
{
    return postIfTrusted([this, key] { return m_link.option(key); });
}

QFuture<QString> Object::doCalibrate()
{
    return postIfTrusted([this] { return m_link.calibrateAfterPress(); });
}

QFuture<QString> Object::doCalibrateNow()
{
    return postIfTrusted([this] { return m_link.calibrateNow(); });
}

QFuture<QString> Object::doOneScan()
{
    return postIfTrusted([this] { return m_link.scanAfterPress(); });
}

QFuture<QString> Object::doOneScanNow()
{
    return postIfTrusted([this] { return m_link.scanNow(); });
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
    settings.write(key, value);
    settings.sync();
    return key + QLatin1Char('=') + value;
}
