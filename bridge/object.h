#pragma once

#include "buttonwait.h"
#include "instrumentsession.h"
#include "instrumentthread.h"
#include "originpolicy.h"
#include "ringqueue.h"
#include "sdk/instrumentsdk.h"

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <variant>

// The object the page calls as "eyeOneConnector". Device slots do their work on the instrument
// thread and answer through futures that finish on the GUI thread, in the order of the calls,
// and only for the document that made them; setIni answers at once, even during a button wait.
class Object final : public QObject
{
    Q_OBJECT
public:
    // Loads the instrument library named by MIREL_SDK_LIBRARY, or the vendor's.
    explicit Object(QObject *parent = nullptr);
    explicit Object(std::unique_ptr<InstrumentSdk> sdk, QObject *parent = nullptr,
                    std::chrono::milliseconds pollInterval = ButtonWait::DefaultPollInterval);
    // Ends a running button wait; the instrument is not closed.
    ~Object() override;

    // The web application's login page, the start page when none is configured.
    QString defaultStartPage() const { return m_defaultStartPage; }
    // For the support report: the library and what the instrument link last saw.
    InstrumentStatus::Snapshot instrumentStatus() const { return m_session->status(); }
    // How the support report came by the serial number in instrumentStatus().
    enum class SerialRead { ForReport, Busy, NoAnswer };
    static constexpr std::chrono::milliseconds SerialReadLimit{1000};
    // GUI thread: reads the serial number on the instrument thread when no call is running or
    // waiting, waiting at most `limit`; a page's call (a button wait lasts up to a minute) is
    // never waited for.
    SerialRead readSerialNumber(std::chrono::milliseconds limit = SerialReadLimit);

    // Whether the page now shown may use the bridge. While it may not, device slots answer null
    // and setIni an empty text; neither touches the instrument or the settings.
    void setPageTrusted(bool trusted) { m_pageTrusted = trusted; }
    // Where an administrator has listed trusted origins: setIni then stores a start page
    // ("Server") only when this policy allows it, so that a script slipped into a trusted page
    // cannot hand the bridge to a site of its choice at every later start.
    void lockStartPage(OriginPolicy allowed) { m_startPageLock = std::move(allowed); }
    // The page's main frame now shows a new document. The calls of the one before are released
    // unanswered, its button wait ends at once, and nothing more is started for them. The
    // caller must first take away the channel those calls came through: a live channel answers
    // a released call null, to whichever callback of the new document has its number.
    void startNewDocument();

public slots:
    QFuture<bool> isConnected();
    QFuture<bool> Connected();
    QFuture<QString> getDeviceID();
    QFuture<QString> getDeviceInfo();
    QFuture<QString> getOption(const QString &key);
    QFuture<QString> doCalibrate();
    QFuture<QString> doCalibrateNow();
    QFuture<QString> doOneScan();
    QFuture<QString> doOneScanNow();
    QString setIni(const QString &key, const QString &value);

private:
    template<typename Result>
    QFuture<Result> callIfTrusted(InstrumentCall::Kind kind, const QString &key = QString());
    // GUI thread, from its event loop: the answer to the oldest call still waiting, or to one
    // released with its document.
    void receive(InstrumentAnswer &&answer);

    // A call waiting for its answer. Promises live on the GUI thread only: the instrument thread
    // sees just the call's number, so a dropped delivery never finishes one there. Answers come
    // in call order, so the oldest waiting call is always the next one answered.
    struct PendingCall
    {
        uint64_t number = 0;
        std::variant<std::monostate, QPromise<bool>, QPromise<QString>> promise;
    };

    const QString m_defaultStartPage;
    bool m_pageTrusted = true;
    std::optional<OriginPolicy> m_startPageLock;
    std::shared_ptr<InstrumentSession> m_session;
    RingQueue<PendingCall> m_pending;
    // 0 is for the calls nobody waits for: the connection made at start, the report's read.
    uint64_t m_nextCall = 1;
    // Declared last: its thread ends, or is left to a stuck call, before the rest goes.
    InstrumentThread m_thread;
};
