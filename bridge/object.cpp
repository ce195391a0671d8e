#include "object.h"

#include "settings/applicationsettings.h"
#include "settings/addresscleaning.h"
#include "sdk/sdklibrary.h"

#include <QDebug>
#include <QUrl>


Object::Object(QObject *parent)
    : Object(std::make_unique<SdkLibrary>(SdkLibrary::libraryNameFromEnvironment()), parent)
{
}

Object::Object(std::unique_ptr<InstrumentSdk> sdk, QObject *parent, std::chrono::milliseconds pollInterval)
    : QObject(parent)
    , m_defaultStartPage(QStringLiteral("https://" MIREL_START_HOST "/quenzamirel/login"))
    , m_session(std::make_shared<InstrumentSession>(std::move(sdk), pollInterval))
    , m_thread([session = m_session](const InstrumentCall &call) { return session->run(call); },
               [this](InstrumentAnswer &&answer) { receive(std::move(answer)); })
{
    // An instrument plugged in at start is opened at once, without holding up the window.
    m_thread.post(InstrumentCall{InstrumentCall::Kind::ConnectFirstDevice, 0, 0, QString()});
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

template<typename Result>
QFuture<Result> Object::callIfTrusted(InstrumentCall::Kind kind, const QString &key)
{
    // An empty future is cancelled: the channel answers the page null, and nothing is done.
    if (!m_pageTrusted)
        return {};
    QPromise<Result> promise;
    promise.start();
    QFuture<Result> future = promise.future();
    const uint64_t number = m_nextCall++;
    m_pending.push(PendingCall{number, std::move(promise)});
    m_thread.post(InstrumentCall{kind, number, m_session->document(), key});
    return future;
}

void Object::receive(InstrumentAnswer &&answer)
{
    if (m_pending.empty() || m_pending.front().number != answer.number)
        return; // released with its document, or a call nobody waits for
    PendingCall call = m_pending.pop();
    if (!answer.run)
        return; // its document went before it ran; the promise is cancelled as it goes
    if (auto *flag = std::get_if<QPromise<bool>>(&call.promise)) {
        flag->addResult(answer.flag);
        flag->finish();
    } else if (auto *text = std::get_if<QPromise<QString>>(&call.promise)) {
        text->addResult(std::move(answer.text));
        text->finish();
    }
}

Object::SerialRead Object::readSerialNumber(std::chrono::milliseconds limit)
{
    // Only this thread posts calls: idle now, the read is the next call the worker runs.
    if (!m_thread.isIdle())
        return SerialRead::Busy;
    // Number 0 is the one nobody waits for: its answer is dropped, and the link keeps the serial.
    m_thread.post(InstrumentCall{InstrumentCall::Kind::SerialNumber, 0, m_session->document(), QString()});
    return m_thread.waitUntilIdle(limit) ? SerialRead::ForReport : SerialRead::NoAnswer;
}

QFuture<bool> Object::isConnected()
{
    return callIfTrusted<bool>(InstrumentCall::Kind::IsConnected);
}

QFuture<bool> Object::Connected()
{
    return isConnected();
}

QFuture<QString> Object::getDeviceID()
{
    return callIfTrusted<QString>(InstrumentCall::Kind::SerialNumber);
}

QFuture<QString> Object::getDeviceInfo()
{
    return callIfTrusted<QString>(InstrumentCall::Kind::DeviceInfo);
}

QFuture<QString> Object::getOption(const QString &key)
{
    return callIfTrusted<QString>(InstrumentCall::Kind::Option, key);
}

QFuture<QString> Object::doCalibrate()
{
    return callIfTrusted<QString>(InstrumentCall::Kind::CalibrateAfterPress);
}

QFuture<QString> Object::doCalibrateNow()
{
    return callIfTrusted<QString>(InstrumentCall::Kind::CalibrateNow);
}

QFuture<QString> Object::doOneScan()
{
    return callIfTrusted<QString>(InstrumentCall::Kind::ScanAfterPress);
}

QFuture<QString> Object::doOneScanNow()
{
    return callIfTrusted<QString>(InstrumentCall::Kind::ScanNow);
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
        qDebug() << "Start page not stored, its origin is not trusted:" << withoutSecrets(value);
        return key + QLatin1Char('=') + value;
    }
    settings.write(key, value);
    settings.sync();
    return key + QLatin1Char('=') + value;
}
